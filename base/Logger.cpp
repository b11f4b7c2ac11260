#include "base/Logger.h"

#include <QString>

#include <algorithm>
#include <cstdio>

Logger& Logger::instance()
{
    static Logger logger;
    return logger;
}

void Logger::setLevel(int newThreshold)
{
    threshold = newThreshold;
}

void Logger::addSink(ILogSink* sink, int floor)
{
    if (sink == nullptr)
        return;
    for (const Sink& known : qAsConst(sinks)) {
        if (known.sink == sink)
            return;
    }
    sinks.append({sink, floor});
    highestFloor = std::max(highestFloor, floor);
}

void Logger::removeSink(ILogSink* sink)
{
    highestFloor = 0;
    for (int i = sinks.size() - 1; i >= 0; --i) {
        if (sinks[i].sink == sink)
            sinks.remove(i);
        else
            highestFloor = std::max(highestFloor, sinks[i].floor);
    }
}

void Logger::write(int level, LogLineKind kind, const char* format, va_list args)
{
    if (!passes(level))
        return;
    char buffer[bufferSize];
    const int written = std::vsnprintf(buffer, sizeof(buffer), format, args);
    if (written < 0)
        return;
    // A multi-byte character cut at the end of the buffer becomes a
    // replacement character here.
    writeText(level, kind, QString::fromUtf8(buffer));
}

void Logger::writeText(int level, LogLineKind kind, const QString& text)
{
    if (!passes(level))
        return;
    // A sink may remove itself while it is told.
    const QVector<Sink> told = sinks;
    for (const Sink& entry : told) {
        if (level <= std::max(threshold, entry.floor))
            entry.sink->logLine(level, kind, text);
    }
}

namespace {

void logAt(LogLevel level, LogLineKind kind, const char* format, va_list args)
    Q_ATTRIBUTE_FORMAT_PRINTF(3, 0);

void logAt(LogLevel level, LogLineKind kind, const char* format, va_list args)
{
    Logger::instance().write(static_cast<int>(level), kind, format, args);
}

void logFrame(LogLineKind kind, const char* prefix, const uint8_t* data, int length)
{
    const int level = static_cast<int>(LogLevel::Debug);
    if (!Logger::instance().passes(level))
        return;
    Logger::instance().writeText(level, kind, QString::fromUtf8(prefix) + hexDump(data, length));
}

} // namespace

void logError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    logAt(LogLevel::Error, LogLineKind::Error, format, args);
    va_end(args);
}

void logInfo(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    logAt(LogLevel::Info, LogLineKind::Plain, format, args);
    va_end(args);
}

void logDebug(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    logAt(LogLevel::Debug, LogLineKind::Plain, format, args);
    va_end(args);
}

void logSentFrame(const uint8_t* data, int length)
{
    logFrame(LogLineKind::Sent, "Отправлен пакет: ", data, length);
}

void logReceivedFrame(const uint8_t* data, int length)
{
    logFrame(LogLineKind::Received, "Принят пакет: ", data, length);
}

QString hexDump(const uint8_t* data, int length)
{
    static const char digits[] = "0123456789ABCDEF";
    QString text;
    if (length <= 0 || data == nullptr)
        return text;
    text.reserve(length * 3 - 1);
    for (int i = 0; i < length; ++i) {
        if (i > 0)
            text += QLatin1Char(' ');
        text += QLatin1Char(digits[data[i] >> 4]);
        text += QLatin1Char(digits[data[i] & 0x0F]);
    }
    return text;
}
