#include "base/LogMemory.h"

#include "base/Logger.h"

namespace {

QStringList listOf(const QContiguousCache<QString>& cache)
{
    QStringList list;
    list.reserve(cache.count());
    for (int i = cache.firstIndex(); i <= cache.lastIndex(); ++i)
        list.append(cache.at(i));
    return list;
}

} // namespace

LogMemory::LogMemory() : recent(keptLines), recentErrors(keptErrors) {}

void LogMemory::logLine(int level, LogLineKind kind, const QString& text)
{
    const QString line =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) + text;
    recent.append(line);
    // Indexes grow with every line; a long day's debug log must not run them out.
    if (!recent.areIndexesValid())
        recent.normalizeIndexes();
    if (level == static_cast<int>(LogLevel::Error) || kind == LogLineKind::Error)
        recentErrors.append(line);
}

QStringList LogMemory::lines() const
{
    return listOf(recent);
}

QStringList LogMemory::errors() const
{
    return listOf(recentErrors);
}
