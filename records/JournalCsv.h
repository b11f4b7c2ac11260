#ifndef TALVIK_RECORDS_JOURNALCSV_H
#define TALVIK_RECORDS_JOURNALCSV_H

#include "records/JournalEntry.h"

#include <QStringList>
#include <QVector>

#include <cstdint>

class QIODevice;
class QString;

// The journal as the CSV file the window and the command line save: a header
// line, then one line per event (JournalEntry::csvLine), newest first, going
// backwards round the ring from the relay's journal pointer. Empty slots are
// left out. The journal reader, the window's journal table and the archive
// all write through here, so a journal saved from any of them gives the same
// bytes.
class JournalCsv
{
public:
    // "Тип", "Iвтор", "Iперв", "Дата", "Время": the header line's fields,
    // which the window's journal table shows as its column titles too.
    static QStringList columnTitles();
    // The events of the ring, newest first, as the file lists them. entries:
    // the ring as read, position 0 first, `count` of them; pointer: the
    // position of the newest entry, as the relay's pointer register gives it.
    static QVector<JournalEntry> newestFirst(const JournalEntry* entries, int count,
                                             uint16_t pointer);

    // The header line and one line per event, in the order given. False on a
    // write error.
    static bool write(QIODevice& device, const QVector<JournalEntry>& events);
    // The same text into a file; false when it cannot be opened or written
    // completely (an existing file is then left as it was).
    static bool save(const QString& fileName, const QVector<JournalEntry>& events);

    // The same for the ring as read (newestFirst() of it).
    static bool write(QIODevice& device, const JournalEntry* entries, int count, uint16_t pointer);
    static bool save(const QString& fileName, const JournalEntry* entries, int count,
                     uint16_t pointer);

private:
    JournalCsv() = delete;
};

#endif
