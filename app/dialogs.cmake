# The connection settings and password dialogs.
set(dialog_sources
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
target_sources(talvik_core PRIVATE ${dialog_sources})
source_group("App\\Dialogs" FILES ${dialog_sources})
