#ifndef TALVIK_BASE_ILOGSINK_H
#define TALVIK_BASE_ILOGSINK_H

class QString;

// What a log line reports; a sink that shows lines may tell them apart (the
// window's log list colours frames sent, frames received and errors).
enum class LogLineKind
{
    Plain,
    Sent,
    Received,
    Error
};

// Where the application log's lines go: every line that passes the log's
// threshold is handed to every sink, with its level and kind.
class ILogSink
{
public:
    virtual void logLine(int level, LogLineKind kind, const QString& text) = 0;

protected:
    ~ILogSink() = default;
};

#endif
