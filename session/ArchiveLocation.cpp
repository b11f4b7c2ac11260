#include "session/ArchiveLocation.h"

#include "archive/Archive.h"

#include <QSettings>

namespace ArchiveLocation {

QString resolve(const QString& given, const QSettings* store)
{
    QString location = given.trimmed();
    if (location.isEmpty())
        location = qEnvironmentVariable("TALVIK_ARCHIVE").trimmed();
    if (location.isEmpty() && store != nullptr)
        location = store->value(QLatin1String(settingsKey)).toString().trimmed();
    if (location.isEmpty())
        return Archive::defaultLocation();
    return location == QLatin1String(off) ? QString() : location;
}

} // namespace ArchiveLocation
