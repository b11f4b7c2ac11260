# The connection settings and password dialogs.
target_sources(talvik_core PRIVATE
    AppSettings.h
    AppSettings.cpp
    ConfigDialog.h
    ConfigDialog.cpp
    PasswordDialog.h
    PasswordDialog.cpp
    SaveFileDialog.h
    SaveFileDialog.cpp
    SettingsChangeDialog.h
    SettingsChangeDialog.cpp
    SettingsSheetDialog.h
    SettingsSheetDialog.cpp
)
