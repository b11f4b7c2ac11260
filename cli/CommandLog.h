#ifndef TALVIK_CLI_COMMANDLOG_H
#define TALVIK_CLI_COMMANDLOG_H

#include "base/ILogSink.h"

#include <QString>

// The application log of a command-line run. Without --verbose nothing is
// printed: the log's errors are only remembered, so that a failed command can
// say what went wrong last in one line. With --verbose every line down to the
// debug level goes to stderr as the window's log would show it.
//
// Takes the log over while it exists and gives it back when destroyed.
class CommandLog : public ILogSink
{
public:
    explicit CommandLog(bool verbose);
    ~CommandLog();

    void logLine(int level, LogLineKind kind, const QString& line) override;

    // The newest error line; empty when there was none.
    QString lastError() const { return lastErrorLine; }

private:
    Q_DISABLE_COPY(CommandLog)

    bool verbose;
    int previousLevel;
    QString lastErrorLine;
};

#endif
