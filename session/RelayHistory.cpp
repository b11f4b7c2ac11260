#include "session/RelayHistory.h"

#include "records/ComtradeWriter.h"
#include "records/CrashProcessHeader.h"
#include "records/LogReader.h"

#include <QBuffer>

RelayHistory::RelayHistory(const QString& location) : location(location) {}

RelayHistory::~RelayHistory() = default;

Archive* RelayHistory::archive()
{
    if (!enabled())
        return nullptr;
    if (opened == nullptr)
        opened = std::make_unique<Archive>();
    if (!opened->isOpen() && !opened->open(location)) {
        if (failure.isEmpty())
            failure = opened->errorText();
        return nullptr;
    }
    return opened.get();
}

bool RelayHistory::isUsable()
{
    return !enabled() || archive() != nullptr;
}

QString RelayHistory::errorText() const
{
    return opened != nullptr && !opened->errorText().isEmpty() ? opened->errorText() : failure;
}

bool RelayHistory::noteFailure(qint64 id)
{
    if (id < 0 && failure.isEmpty())
        failure = opened->errorText();
    return id >= 0;
}

bool RelayHistory::keepSettings(const ArchiveRelayIdentity& relay,
                                const QVector<ConfigFile::RegisterValue>& image)
{
    Archive* kept = archive();
    return kept != nullptr && noteFailure(kept->storeSettings(relay, image));
}

void RelayHistory::keepWrite(const ArchiveRelayIdentity& relay,
                             const QVector<ConfigFile::RegisterValue>& before,
                             const QVector<ConfigFile::RegisterValue>& after, int written,
                             bool verified, const QString& verification)
{
    if (Archive* kept = archive())
        noteFailure(kept->storeWrite(relay, before, after, written, verified, verification));
}

int RelayHistory::keepJournal(const ArchiveRelayIdentity& relay, const LogReader& reader)
{
    Archive* kept = archive();
    if (kept == nullptr)
        return -1;
    QVector<JournalEntry> entries;
    for (int index = 0; index < LogReader::entryCount; ++index) {
        if (const JournalEntry* entry = reader.entry(index))
            entries.append(*entry);
    }
    int fresh = 0;
    return noteFailure(kept->storeJournal(relay, entries, reader.journalPointer(), &fresh)) ? fresh
                                                                                            : -1;
}

bool RelayHistory::keepRecord(const ArchiveRelayIdentity& relay, const CrashProcessHeader& header,
                              const QByteArray& samples)
{
    Archive* kept = archive();
    if (kept == nullptr || !ComtradeWriter::isExportable(header))
        return false;
    QBuffer cfg;
    QBuffer dat;
    cfg.open(QIODevice::WriteOnly);
    dat.open(QIODevice::WriteOnly);
    if (!ComtradeWriter::writeCfg(cfg, header) || !ComtradeWriter::writeDat(dat, header, samples))
        return false;
    return noteFailure(
        kept->storeRecord(relay, ComtradeWriter::baseName(header), cfg.data(), dat.data()));
}

bool RelayHistory::knowsRecord(const QString& relayName, const CrashProcessHeader& header)
{
    Archive* kept = archive();
    return kept != nullptr && kept->hasRecord(relayName, ComtradeWriter::triggerTime(header));
}

QString RelayHistory::takeFailure()
{
    if (failure.isEmpty() || failureTold)
        return QString();
    failureTold = true;
    return failure;
}
