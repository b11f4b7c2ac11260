#ifndef TALVIK_APP_LOG_ILOGSINK_H
#define TALVIK_APP_LOG_ILOGSINK_H

class QString;

// Where the application log goes when there is no window to show it in: every
// line that passes the log's threshold is handed over with its level.
class ILogSink
{
public:
    virtual void logLine(int level, const QString& line) = 0;

protected:
    ~ILogSink() = default;
};

#endif
