#ifndef TALVIK_SESSION_ARCHIVELOCATION_H
#define TALVIK_SESSION_ARCHIVELOCATION_H

#include <QString>

class QSettings;

// Where the archive is, the same way for the window and the command line:
// the location given for one run (--archive), else TALVIK_ARCHIVE, else the
// program's settings ("archive/location"), else the default SQLite file.
// "none" at any of these turns the archive off; an empty result means off.
namespace ArchiveLocation {

constexpr const char* settingsKey = "archive/location";
constexpr const char* off = "none";

QString resolve(const QString& given, const QSettings* store);

} // namespace ArchiveLocation

#endif
