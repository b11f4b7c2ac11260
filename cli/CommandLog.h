#ifndef TALVIK_CLI_COMMANDLOG_H
#define TALVIK_CLI_COMMANDLOG_H

#include "base/ILogSink.h"

#include <QString>

#include <memory>

class LogFile;

// The application log of a command-line run. Without --verbose nothing is
// printed: the log's errors are only remembered, so that a failed command can
// say what went wrong last in one line. With --verbose every line down to the
// debug level goes to stderr as the window's log would show it.
//
// With --log-file every line down to the debug level also goes to that
// file, or to a file a day in that folder, time-stamped.
//
// Takes the log over while it exists and gives it back when destroyed.
class CommandLog : public ILogSink
{
public:
    explicit CommandLog(bool verbose, const QString& logFile = QString());
    ~CommandLog();

    // False when --log-file cannot be written; the text says why.
    bool startFile(QString* error);

    void logLine(int level, LogLineKind kind, const QString& line) override;

    // The newest error line; empty when there was none.
    QString lastError() const { return lastErrorLine; }

private:
    Q_DISABLE_COPY(CommandLog)

    bool verbose;
    std::unique_ptr<LogFile> file;
    int previousLevel;
    QString lastErrorLine;
};

#endif
