#ifndef TALVIK_BASE_LOGMEMORY_H
#define TALVIK_BASE_LOGMEMORY_H

#include "base/ILogSink.h"

#include <QContiguousCache>
#include <QDateTime>
#include <QStringList>

// The newest lines of the application log and its newest errors, kept
// time-stamped in memory whatever the log list shows or drops, for a
// diagnostics report a colleague can read.
class LogMemory final : public ILogSink
{
public:
    static constexpr int keptLines = 2000;
    static constexpr int keptErrors = 50;

    LogMemory();

    void logLine(int level, LogLineKind kind, const QString& text) override;

    // Oldest first, each "yyyy-MM-dd hh:mm:ss.zzz text".
    QStringList lines() const;
    QStringList errors() const;

private:
    QContiguousCache<QString> recent;
    QContiguousCache<QString> recentErrors;
};

#endif
