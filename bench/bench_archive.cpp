// The archive on SQLite: storing what one reading of a relay brings (a
// settings snapshot, a 720-sample record, a 30-entry journal), each in its
// own transaction on a file on disk, and listing an archive of 10,000
// snapshots of 200 relays.

#include "archive/Archive.h"
#include "records/ComtradeWriter.h"
#include "records/CrashProcessHeader.h"
#include "support/RelayContent.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int largeRelays = 200;
constexpr int largeSnapshots = 10000;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

ArchiveRelayIdentity relay(int number)
{
    return {QStringLiteral("ПС %1 / яч. %2").arg(number / 10).arg(number % 10),
            QStringLiteral("/dev/ttyUSB0 19200 Бод"), 1 + number % 247};
}

QVector<ConfigFile::RegisterValue> settingsImage()
{
    QVector<ConfigFile::RegisterValue> image =
        ConfigFile::registerValues(ConfigFile(nullptr).document());
    for (ConfigFile::RegisterValue& value : image)
        value.value = relaycontent::plausibleRegister(value.reg);
    return image;
}

// A journal whose entries no reading before it held: each one new.
QVector<JournalEntry> freshJournal(int reading)
{
    QVector<JournalEntry> entries;
    for (int position = 0; position < RelayMap::journalEntryCount; ++position) {
        const QByteArray bytes = relaycontent::journalEntry(position);
        JournalEntry entry = JournalEntry::decode(reinterpret_cast<const uint8_t*>(bytes.data()));
        entry.year = static_cast<uint16_t>(reading);
        entries.append(entry);
    }
    return entries;
}

// The test relay's record 0 with 600 samples after the trigger, 720 in all,
// as the program exports it.
bool recordPair(QString* baseName, QByteArray* cfg, QByteArray* dat)
{
    const QByteArray file = relaycontent::faultRecord(0, 600);
    const CrashProcessHeader header =
        CrashProcessHeader::decode(reinterpret_cast<const uint8_t*>(file.constData()));
    QBuffer cfgDevice(cfg);
    QBuffer datDevice(dat);
    *baseName = ComtradeWriter::baseName(header);
    return cfgDevice.open(QIODevice::WriteOnly) && ComtradeWriter::writeCfg(cfgDevice, header) &&
           datDevice.open(QIODevice::WriteOnly) &&
           ComtradeWriter::writeDat(datDevice, header, file.mid(CrashProcessHeader::size));
}

// state.range(0): 0 a settings snapshot, 1 a record, 2 a journal.
void BM_ArchiveStore(benchmark::State& state)
{
    // On the disk, as a user's archive is: every commit waits for its sync.
    QTemporaryDir folder;
    Archive archive;
    if (!folder.isValid() || !archive.open(folder.filePath(QStringLiteral("archive.sqlite")))) {
        state.SkipWithError(qPrintable(archive.errorText()));
        return;
    }
    const QVector<ConfigFile::RegisterValue> image = settingsImage();
    QString baseName;
    QByteArray cfg;
    QByteArray dat;
    if (!recordPair(&baseName, &cfg, &dat)) {
        state.SkipWithError("the record could not be exported");
        return;
    }
    const int kind = static_cast<int>(state.range(0));
    double worst = 0;
    int reading = 0;
    for (auto _ : state) {
        const QVector<JournalEntry> journal = freshJournal(++reading);
        const Clock::time_point start = Clock::now();
        qint64 id = -1;
        if (kind == 0)
            id = archive.storeSettings(relay(0), image);
        else if (kind == 1)
            id = archive.storeRecord(relay(0), baseName, cfg, dat);
        else
            id = archive.storeJournal(relay(0), journal, 4);
        const double ms = millisecondsSince(start);
        if (id < 0) {
            state.SkipWithError(qPrintable(archive.errorText()));
            return;
        }
        worst = std::max(worst, ms);
        state.SetIterationTime(ms / 1000);
    }
    state.counters["worst_ms"] = worst;
    state.counters["registers"] = image.size();
    state.counters["samples"] = 720;
    state.counters["entries"] = RelayMap::journalEntryCount;
}
BENCHMARK(BM_ArchiveStore)
    ->ArgName("kind")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(100)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The large archive, built once through the archive itself. In memory
// (/dev/shm) where there is one, so that building it does not wait for
// 10,000 syncs; listing reads from the page cache either way.
QString largeArchive(QString* error)
{
    static QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
                                    ? QStringLiteral("/dev/shm/talvik-bench-XXXXXX")
                                    : QDir::tempPath() + QStringLiteral("/talvik-bench-XXXXXX"));
    static QString path;
    if (!path.isEmpty())
        return path;
    Archive archive;
    const QString location = folder.filePath(QStringLiteral("large.sqlite"));
    if (!folder.isValid() || !archive.open(location)) {
        *error = archive.errorText();
        return QString();
    }
    const QVector<ConfigFile::RegisterValue> image = settingsImage();
    for (int snapshot = 0; snapshot < largeSnapshots; ++snapshot) {
        if (archive.storeSettings(relay(snapshot % largeRelays), image) < 0) {
            *error = archive.errorText();
            return QString();
        }
    }
    path = location;
    return path;
}

// state.range(0): 0 the items of one relay, 1 the relays.
void BM_ArchiveList(benchmark::State& state)
{
    QString error;
    const QString location = largeArchive(&error);
    Archive archive;
    if (location.isEmpty() || !archive.open(location)) {
        state.SkipWithError(qPrintable(error.isEmpty() ? archive.errorText() : error));
        return;
    }
    const bool relays = state.range(0) == 1;
    const QString name = relay(largeRelays / 2).name;
    double worst = 0;
    int listed = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        listed = relays ? archive.relays().size() : archive.items(name).size();
        const double ms = millisecondsSince(start);
        worst = std::max(worst, ms);
        state.SetIterationTime(ms / 1000);
    }
    if (listed != (relays ? largeRelays : largeSnapshots / largeRelays)) {
        state.SkipWithError("the list is not the archive's");
        return;
    }
    state.counters["worst_ms"] = worst;
    state.counters["listed"] = listed;
    state.counters["snapshots"] = largeSnapshots;
}
BENCHMARK(BM_ArchiveList)
    ->ArgName("relays")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(50)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
