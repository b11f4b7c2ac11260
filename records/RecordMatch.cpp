#include "records/RecordMatch.h"

#include "records/ComtradeWriter.h"
#include "records/CrashProcessHeader.h"
#include "records/JournalEntry.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace {

// The relay's calendar clock, as ComtradeWriter::triggerTime() reads a
// record's: no time zone, so that both sides compare as they were stamped.
QDateTime eventTime(const JournalEntry& event)
{
    const QDate date(2000 + event.year, event.month, event.day);
    const QTime time(event.hour, event.minute, event.second, event.millisecond);
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time, Qt::UTC);
}

} // namespace

int matchingRecord(const JournalEntry& event, const QVector<CrashProcessHeader>& headers)
{
    const QDateTime at = eventTime(event);
    if (!event.isEvent() || !at.isValid())
        return -1;
    int nearest = -1;
    qint64 nearestDistance = recordMatchToleranceMs + 1;
    for (int number = 0; number < headers.size(); ++number) {
        const CrashProcessHeader& header = headers.at(number);
        const QDateTime trigger = ComtradeWriter::triggerTime(header);
        if (!header.isValid() || !trigger.isValid())
            continue;
        const qint64 distance = qAbs(trigger.msecsTo(at));
        if (distance < nearestDistance) {
            nearest = number;
            nearestDistance = distance;
        }
    }
    return nearest;
}
