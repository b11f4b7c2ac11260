#include "session/RelayHistory.h"

#include "records/LogReader.h"

#include <QFile>
#include <QFileInfo>

namespace {

QByteArray fileBytes(const QString& path, bool* ok)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *ok = false;
        return QByteArray();
    }
    return file.readAll();
}

} // namespace

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

void RelayHistory::noteFailure(qint64 id)
{
    if (id < 0 && failure.isEmpty())
        failure = opened->errorText();
}

void RelayHistory::keepSettings(const ArchiveRelayIdentity& relay,
                                const QVector<ConfigFile::RegisterValue>& image)
{
    if (Archive* kept = archive())
        noteFailure(kept->storeSettings(relay, image));
}

void RelayHistory::keepWrite(const ArchiveRelayIdentity& relay,
                             const QVector<ConfigFile::RegisterValue>& before,
                             const QVector<ConfigFile::RegisterValue>& after, int written,
                             bool verified, const QString& verification)
{
    if (Archive* kept = archive())
        noteFailure(kept->storeWrite(relay, before, after, written, verified, verification));
}

void RelayHistory::keepJournal(const ArchiveRelayIdentity& relay, const LogReader& reader)
{
    Archive* kept = archive();
    if (kept == nullptr)
        return;
    QVector<JournalEntry> entries;
    for (int index = 0; index < LogReader::entryCount; ++index) {
        if (const JournalEntry* entry = reader.entry(index))
            entries.append(*entry);
    }
    noteFailure(kept->storeJournal(relay, entries, reader.journalPointer()));
}

void RelayHistory::keepRecord(const ArchiveRelayIdentity& relay, const QString& basePath)
{
    Archive* kept = archive();
    if (kept == nullptr)
        return;
    bool readable = true;
    const QByteArray cfg = fileBytes(basePath + QStringLiteral(".cfg"), &readable);
    const QByteArray dat = fileBytes(basePath + QStringLiteral(".dat"), &readable);
    if (!readable) {
        if (failure.isEmpty())
            failure = QStringLiteral("Не удалось сохранить в архив: не удалось прочитать %1")
                          .arg(basePath);
        return;
    }
    noteFailure(kept->storeRecord(relay, QFileInfo(basePath).fileName(), cfg, dat));
}

QString RelayHistory::takeFailure()
{
    if (failure.isEmpty() || failureTold)
        return QString();
    failureTold = true;
    return failure;
}
