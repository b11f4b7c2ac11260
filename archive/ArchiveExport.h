#ifndef TALVIK_ARCHIVE_ARCHIVEEXPORT_H
#define TALVIK_ARCHIVE_ARCHIVEEXPORT_H

#include <QtGlobal>

class Archive;
class QIODevice;
class QString;

// Stored items written out as the files the program saves when it reads the
// relay: a journal item as the journal's CSV, a settings or write item as a
// settings file. Each gives the same bytes as the program would have written
// at the time (the settings file's notes give the item's time and address).
class ArchiveExport
{
public:
    // False when the item is no journal item or the device fails.
    static bool writeJournalCsv(const Archive& archive, qint64 id, QIODevice& device);
    static bool saveJournalCsv(const Archive& archive, qint64 id, const QString& fileName);
    // A settings item's image, or a write item's registers after the batch;
    // registers the item does not hold are 0, as in the relay's image before
    // they are read. False when the item holds no image or the file cannot
    // be written (an existing file is then left as it was).
    static bool saveSettingsFile(const Archive& archive, qint64 id, const QString& fileName);

private:
    ArchiveExport() = delete;
};

#endif
