#include "records/JournalCsv.h"

#include "records/JournalEntry.h"

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

bool JournalCsv::write(QIODevice& device, const JournalEntry* entries, int count, uint16_t pointer)
{
    if (!writeLine(device, QStringLiteral("Тип;Iвтор;Iперв;Дата;Время\n")))
        return false;
    if (count <= 0 || entries == nullptr)
        return true;
    // Newest first: from the pointer back to 0, then from the end of the ring
    // down to the entry after the pointer. A pointer outside the ring starts
    // at its end.
    const int newest = std::min<int>(pointer, count - 1);
    for (int step = 0; step < count; ++step) {
        const int position = newest - step;
        if (position < 0 && newest != pointer)
            break;
        const JournalEntry& current = entries[(position + count) % count];
        if (current.isEvent() && !writeLine(device, current.csvLine()))
            return false;
    }
    return true;
}

bool JournalCsv::save(const QString& fileName, const JournalEntry* entries, int count,
                      uint16_t pointer)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!write(file, entries, count, pointer)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
