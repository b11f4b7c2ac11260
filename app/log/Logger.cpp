#include "app/log/Logger.h"

#include "app/log/ILogSink.h"

#include <QBrush>
#include <QColor>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QString>
#include <QTime>

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
    const QString text = QString::fromUtf8(buffer);
    if (lineSink != nullptr)
        lineSink->logLine(level, text);
    if (outputList == nullptr)
        return;
    auto* line = new QListWidgetItem(
        timeStamps ? QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz ")) + text : text);
    const LineKind kind = kindOf(level, text);
    // Coloured before it joins the list: one change for the view, not two.
    if (kind != LineKind::Plain)
        line->setForeground(colourOf(kind));
    outputList->addItem(line);
    // Follow the newest line without disturbing what the user has selected.
    if (following)
        outputList->setCurrentRow(outputList->count() - 1, QItemSelectionModel::NoUpdate);
}

Logger::LineKind Logger::kindOf(int level, const QString& text)
{
    if (level == static_cast<int>(LogLevel::Error))
        return LineKind::Error;
    static const QString sent = QString::fromUtf8(sentPrefix);
    static const QString received = QString::fromUtf8(receivedPrefix);
    if (text.startsWith(sent))
        return LineKind::Sent;
    if (text.startsWith(received))
        return LineKind::Received;
    return LineKind::Plain;
}

QColor Logger::colourOf(LineKind kind)
{
    // Dark enough to read on a white list and apart from each other for the
    // common kinds of colour blindness (blue against orange-brown).
    switch (kind) {
    case LineKind::Sent:
        return QColor(0x1f, 0x4e, 0xa8);
    case LineKind::Received:
        return QColor(0x8a, 0x55, 0x00);
    case LineKind::Error:
        return QColor(0xc0, 0x00, 0x00);
    case LineKind::Plain:
        break;
    }
    return QColor();
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
