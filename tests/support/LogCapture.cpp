#include "support/LogCapture.h"

#include "base/Logger.h"
#include "ui/ListLogSink.h"

#include <QListWidget>

LogCapture::LogCapture(int threshold)
    : output(new QListWidget), sink(new ListLogSink(output)),
      previousThreshold(Logger::instance().level())
{
    Logger::instance().setLevel(threshold);
}

LogCapture::~LogCapture()
{
    delete sink;
    Logger::instance().setLevel(previousThreshold);
    delete output;
}

QStringList LogCapture::lines() const
{
    QStringList result;
    for (int i = 0; i < output->count(); ++i)
        result << output->item(i)->text();
    return result;
}

void LogCapture::clear()
{
    output->clear();
}
