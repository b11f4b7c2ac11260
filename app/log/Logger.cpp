#include "app/log/Logger.h"

#include "app/log/ILogSink.h"

#include <QItemSelectionModel>
#include <QListWidget>
#include <QString>

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

void Logger::setOutput(QListWidget* list)
{
    outputList = list;
}

void Logger::setSink(ILogSink* newSink)
{
    lineSink = newSink;
}

void Logger::write(int level, const char* format, va_list args)
{
    if (level > threshold || (outputList == nullptr && lineSink == nullptr))
        return;

    char buffer[bufferSize];
    const int written = std::vsnprintf(buffer, sizeof(buffer), format, args);
    if (written < 0)
        return;

    // A multi-byte character cut at the end of the buffer becomes a
    // replacement character here.
    const QString line = QString::fromUtf8(buffer);
    if (lineSink != nullptr)
        lineSink->logLine(level, line);
    if (outputList == nullptr)
        return;
    outputList->addItem(line);
    // Follow the newest line without disturbing what the user has selected.
    outputList->setCurrentRow(outputList->count() - 1, QItemSelectionModel::NoUpdate);
}

void logError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Logger::instance().write(static_cast<int>(LogLevel::Error), format, args);
    va_end(args);
}

void logInfo(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Logger::instance().write(static_cast<int>(LogLevel::Info), format, args);
    va_end(args);
}

void logDebug(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Logger::instance().write(static_cast<int>(LogLevel::Debug), format, args);
    va_end(args);
}
