#ifndef TALVIK_BASE_LOGGER_H
#define TALVIK_BASE_LOGGER_H

#include "base/ILogSink.h"

#include <QVector>
#include <QtGlobal>

#include <cstdarg>
#include <cstdint>

// The level of a message and, used as a threshold, the log mode: a message of
// level L is shown when L <= threshold.
enum class LogLevel : int
{
    Disabled = 0,
    Error = 1,
    Info = 2,
    Debug = 3
};

// The application log: formats each message once and hands it to its sinks
// (the window's log list, the command line's stderr). Nothing is kept here;
// the user saves the list explicitly.
class Logger
{
public:
    static Logger& instance();

    void setLevel(int threshold);
    int level() const { return threshold; }
    // Sinks are not owned; a sink removes itself before it goes. A sink with
    // a floor gets the lines up to that level whatever the threshold (the
    // diagnostics keep the errors while the log is off).
    void addSink(ILogSink* sink, int floor = 0);
    void removeSink(ILogSink* sink);
    // Whether a message of this level would reach a sink: what it takes to
    // build one (a hex dump) is spent only then.
    bool passes(int level) const
    {
        return !sinks.isEmpty() && level <= (threshold > highestFloor ? threshold : highestFloor);
    }

    void write(int level, LogLineKind kind, const char* format, va_list args)
        Q_ATTRIBUTE_FORMAT_PRINTF(4, 0);
    void writeText(int level, LogLineKind kind, const QString& text);

    // Messages are formatted into a fixed buffer of this size; longer texts
    // are cut to its size minus the terminating zero.
    static constexpr int bufferSize = 1024;

private:
    Logger() = default;
    Q_DISABLE_COPY(Logger)

    struct Sink
    {
        ILogSink* sink;
        int floor;
    };
    QVector<Sink> sinks;
    int highestFloor = 0;
    int threshold = static_cast<int>(LogLevel::Error);
};

void logError(const char* format, ...) Q_ATTRIBUTE_FORMAT_PRINTF(1, 2);
void logInfo(const char* format, ...) Q_ATTRIBUTE_FORMAT_PRINTF(1, 2);
void logDebug(const char* format, ...) Q_ATTRIBUTE_FORMAT_PRINTF(1, 2);
// A frame on the line at debug level, its bytes in hex: "Отправлен пакет: 01
// 03 00 00 00 20 44 12" and "Принят пакет: ...".
void logSentFrame(const uint8_t* data, int length);
void logReceivedFrame(const uint8_t* data, int length);

// Upper-case two-digit bytes joined by single spaces, as the log shows frames.
QString hexDump(const uint8_t* data, int length);

#endif
