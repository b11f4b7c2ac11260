#include "archive/ArchiveExport.h"

#include "archive/Archive.h"
#include "records/JournalCsv.h"
#include "relay/IModBusDev.h"
#include "relay/SettingsFileNotes.h"

#include <QHash>
#include <QSaveFile>

namespace {

// A stored image in the place of the relay's: the settings file and its
// notes read registers from it as they read the live image.
class StoredImage : public IModBusDev
{
public:
    explicit StoredImage(const QVector<ConfigFile::RegisterValue>& values)
    {
        for (const ConfigFile::RegisterValue& value : values)
            registers.insert(value.reg, value.value);
    }

    uint16_t getRegister(uint16_t n) const override { return registers.value(n, 0); }
    void writeRegisters(uint16_t, uint16_t, const uint16_t*) override {}
    void writeCoil(uint16_t, bool) override {}
    uint8_t getCoil(uint16_t) const override { return 0; }
    uint64_t lastTicket() const override { return 0; }
    uint64_t readTicket(uint16_t) const override { return 0; }

private:
    QHash<uint16_t, uint16_t> registers;
};

bool journalOf(const Archive& archive, qint64 id, QVector<JournalEntry>* entries, uint16_t* pointer)
{
    ArchiveItem item;
    if (!archive.item(id, &item) || item.kind != ArchiveKind::Journal ||
        !archive.journalPointer(id, pointer))
        return false;
    *entries = archive.journalOf(id);
    return true;
}

} // namespace

bool ArchiveExport::writeJournalCsv(const Archive& archive, qint64 id, QIODevice& device)
{
    QVector<JournalEntry> entries;
    uint16_t pointer = 0;
    return journalOf(archive, id, &entries, &pointer) &&
           JournalCsv::write(device, entries.constData(), entries.size(), pointer);
}

bool ArchiveExport::saveJournalCsv(const Archive& archive, qint64 id, const QString& fileName)
{
    QVector<JournalEntry> entries;
    uint16_t pointer = 0;
    return journalOf(archive, id, &entries, &pointer) &&
           JournalCsv::save(fileName, entries.constData(), entries.size(), pointer);
}

bool ArchiveExport::saveSettingsFile(const Archive& archive, qint64 id, const QString& fileName)
{
    ArchiveItem item;
    if (!archive.item(id, &item) ||
        (item.kind != ArchiveKind::Settings && item.kind != ArchiveKind::Write))
        return false;
    StoredImage image(archive.settingsOf(id));
    const QJsonObject notes =
        SettingsFileNotes::describe(image, static_cast<uint8_t>(item.address), item.time);
    return ConfigFile(&image).save(fileName, notes);
}
