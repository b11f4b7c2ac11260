#ifndef TALVIK_BASE_PROGRAMSETTINGS_H
#define TALVIK_BASE_PROGRAMSETTINGS_H

#include <QSettings>

#include <memory>

// The program's settings file, which the window and the command line share:
// ~/.config/talvik/talvik-client.ini on Linux.
inline std::unique_ptr<QSettings> openProgramSettings()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("talvik"), QStringLiteral("talvik-client"));
}

#endif
