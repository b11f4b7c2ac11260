// collect against relays that pace their answers as the wire would, at
// 19200 Bd: three relays on three lines, which collect reads at the same
// time, against the slowest of them read alone; and ten relays on one line,
// which it reads one after another on one connection, against the sum of
// each read alone. The program runs as its own process, as a script runs
// it, each run on an archive of its own, so that every record is new.

#include "PacedRelay.h"

#include "support/RelayContent.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int baudRate = 19200;
// Long enough for ten relays of three records each, one after another.
constexpr int runLimitMs = 600000;

struct Place
{
    const PacedRelay* line;
    int address;
};

// Three records and a full journal; every relay the same.
void loadRelay(RelayMemory& relay)
{
    relaycontent::loadRecords(relay);
}

QByteArray inventoryOf(const std::vector<Place>& places)
{
    QStringList relays;
    for (const Place& place : places)
        relays << QStringLiteral(R"({"name": "Реле %1 на %2", "port": "%2", "address": %1})")
                      .arg(place.address)
                      .arg(place.line->slavePath());
    return QStringLiteral("{\"relays\": [%1]}").arg(relays.join(QStringLiteral(", "))).toUtf8();
}

// The peak resident size of a running process in KiB (VmHWM), 0 when unknown.
long peakResidentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

// One run of collect over these relays, with an archive of its own: its
// seconds, or a negative number (and *error) when it failed; *peakKiB, when
// given, the most the program held in memory.
double collectSeconds(const std::vector<Place>& places, const QTemporaryDir& home, int run,
                      QString* error, long* peakKiB = nullptr)
{
    const QString inventory = home.filePath(QStringLiteral("run-%1.json").arg(run));
    QFile file(inventory);
    if (!file.open(QIODevice::WriteOnly) || file.write(inventoryOf(places)) < 0) {
        *error = QStringLiteral("cannot write the inventory");
        return -1;
    }
    file.close();
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("TALVIK_ARCHIVE"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(TALVIK_CLIENT_PATH),
                  {QStringLiteral("collect"), inventory, QStringLiteral("--archive"),
                   home.filePath(QStringLiteral("run-%1.sqlite").arg(run))});
    bool ended = false;
    long peak = 0;
    // The peak is read while the program runs; it is gone with the process.
    while (!ended && clock.elapsed() < runLimitMs) {
        peak = std::max(peak, peakResidentKiB(process.processId()));
        ended = process.waitForFinished(20);
    }
    if (peakKiB != nullptr)
        *peakKiB = peak;
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return seconds;
    *error = QStringLiteral("collect failed: ") + QString::fromUtf8(process.readAll()).trimmed();
    return -1;
}

void BM_Collect(benchmark::State& state)
{
    const bool oneLine = state.range(0) != 0;
    const int relayCount = static_cast<int>(state.range(1));
    std::vector<std::unique_ptr<PacedRelay>> lines;
    std::vector<Place> places;
    for (int n = 0; n < (oneLine ? 1 : relayCount); ++n) {
        lines.push_back(std::make_unique<PacedRelay>(PacedRelay::Line::Pty, baudRate));
        if (!lines.back()->isValid()) {
            state.SkipWithError("no line for a relay");
            return;
        }
        loadRelay(lines.back()->relay());
    }
    for (int n = 0; n < relayCount; ++n) {
        const int address = oneLine ? n + 1 : 1;
        PacedRelay& line = *lines.at(oneLine ? 0 : n);
        if (address > 1)
            loadRelay(line.addRelay(static_cast<uint8_t>(address)));
        places.push_back({&line, address});
    }

    QTemporaryDir home;
    QString error;
    int run = 0;
    // Each relay alone first: the slowest on its own line, or the sum on one.
    double slowest = 0;
    double sum = 0;
    for (const Place& place : places) {
        const double seconds = collectSeconds({place}, home, ++run, &error);
        if (seconds < 0) {
            state.SkipWithError(error.toStdString().c_str());
            return;
        }
        slowest = std::max(slowest, seconds);
        sum += seconds;
    }
    const double floorSeconds = oneLine ? sum : slowest;
    double together = 0;
    for (auto _ : state) {
        together = collectSeconds(places, home, ++run, &error);
        if (together < 0) {
            state.SkipWithError(error.toStdString().c_str());
            return;
        }
        state.SetIterationTime(together);
    }
    state.counters["floor_ms"] = floorSeconds * 1000;
    state.counters["floor_ratio"] = together / floorSeconds;
}

// Resident memory of collect over one relay and over forty (eight lines of
// five, three records each): what a relay leaves behind must not add up.
void BM_CollectMemory(benchmark::State& state)
{
    constexpr int lineCount = 8;
    constexpr int relaysPerLine = 5;
    std::vector<std::unique_ptr<PacedRelay>> lines;
    std::vector<Place> places;
    for (int n = 0; n < lineCount; ++n) {
        lines.push_back(std::make_unique<PacedRelay>(PacedRelay::Line::Pty, baudRate));
        if (!lines.back()->isValid()) {
            state.SkipWithError("no line for a relay");
            return;
        }
        loadRelay(lines.back()->relay());
        places.push_back({lines.back().get(), 1});
        for (int address = 2; address <= relaysPerLine; ++address) {
            loadRelay(lines.back()->addRelay(static_cast<uint8_t>(address)));
            places.push_back({lines.back().get(), address});
        }
    }
    QTemporaryDir home;
    QString error;
    long oneKiB = 0;
    long allKiB = 0;
    if (collectSeconds({places.front()}, home, 1, &error, &oneKiB) < 0) {
        state.SkipWithError(error.toStdString().c_str());
        return;
    }
    for (auto _ : state) {
        const double seconds = collectSeconds(places, home, 2, &error, &allKiB);
        if (seconds < 0) {
            state.SkipWithError(error.toStdString().c_str());
            return;
        }
        state.SetIterationTime(seconds);
    }
    state.counters["relays"] = static_cast<double>(places.size());
    state.counters["rss_one_MiB"] = oneKiB / 1024.0;
    state.counters["rss_all_MiB"] = allKiB / 1024.0;
}

BENCHMARK(BM_CollectMemory)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

BENCHMARK(BM_Collect)
    ->ArgNames({"one_line", "relays"})
    ->Args({0, 3})
    ->Args({1, 10})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
