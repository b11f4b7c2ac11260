#ifndef TALVIK_RECORDS_JOURNALCSV_H
#define TALVIK_RECORDS_JOURNALCSV_H

#include <cstdint>

class QIODevice;
class QString;
struct JournalEntry;

// The journal as the CSV file the window and the command line save: a header
// line, then one line per event (JournalEntry::csvLine), newest first, going
// backwards round the ring from the relay's journal pointer. Empty slots are
// left out. The journal reader and the archive both write through here, so a
// journal saved from either gives the same bytes.
class JournalCsv
{
public:
    // entries: the ring as read, position 0 first, `count` of them; pointer:
    // the position of the newest entry, as the relay's pointer register gives
    // it. False on a write error.
    static bool write(QIODevice& device, const JournalEntry* entries, int count, uint16_t pointer);
    // The same text into a file; false when it cannot be opened or written
    // completely (an existing file is then left as it was).
    static bool save(const QString& fileName, const JournalEntry* entries, int count,
                     uint16_t pointer);

private:
    JournalCsv() = delete;
};

#endif
