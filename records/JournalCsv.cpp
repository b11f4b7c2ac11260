#include "records/JournalCsv.h"

#include <QIODevice>
#include <QSaveFile>
#include <QString>

#include <algorithm>

namespace {

bool writeLine(QIODevice& device, const QString& line)
{
    const QByteArray bytes = line.toLocal8Bit();
    return device.write(bytes) == bytes.size();
}

} // namespace

QStringList JournalCsv::columnTitles()
{
    return {QStringLiteral("Тип"), QStringLiteral("Iвтор"), QStringLiteral("Iперв"),
            QStringLiteral("Дата"), QStringLiteral("Время")};
}

QVector<JournalEntry> JournalCsv::newestFirst(const JournalEntry* entries, int count,
                                              uint16_t pointer)
{
    QVector<JournalEntry> events;
    if (count <= 0 || entries == nullptr)
        return events;
    // From the pointer back to 0, then from the end of the ring down to the
    // entry after the pointer. A pointer outside the ring starts at its end
    // and goes no further than the ring's start.
    const int newest = std::min<int>(pointer, count - 1);
    for (int step = 0; step < count; ++step) {
        const int position = newest - step;
        if (position < 0 && newest != pointer)
            break;
        const JournalEntry& current = entries[(position + count) % count];
        if (current.isEvent())
            events.append(current);
    }
    return events;
}

bool JournalCsv::write(QIODevice& device, const QVector<JournalEntry>& events)
{
    if (!writeLine(device, columnTitles().join(QLatin1Char(';')) + QLatin1Char('\n')))
        return false;
    for (const JournalEntry& event : events) {
        if (!writeLine(device, event.csvLine()))
            return false;
    }
    return true;
}

bool JournalCsv::save(const QString& fileName, const QVector<JournalEntry>& events)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!write(file, events)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool JournalCsv::write(QIODevice& device, const JournalEntry* entries, int count, uint16_t pointer)
{
    return write(device, newestFirst(entries, count, pointer));
}

bool JournalCsv::save(const QString& fileName, const JournalEntry* entries, int count,
                      uint16_t pointer)
{
    return save(fileName, newestFirst(entries, count, pointer));
}
