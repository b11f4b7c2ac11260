// The program against the serial line's own limit, at 19200 baud with the
// default 100 ms silence: polls, a fault record, the journal and a settings
// write over a relay that paces its answers as the wire would, in today's
// mode (frame end by silence, one sample and one entry a request) and in the
// new one (frame end by length, batched reads), side by side; a record on a
// noisy line; the record from a relay that answers one request in ten past
// the timeout; and the record over RTU over TCP on loopback.

#include "EventLoop.h"
#include "PacedRelay.h"

#include "modbus/ModBusClient.h"
#include "modbus/ModBusRtuLink.h"
#include "modbus/ModBusRtuOverTcpLink.h"
#include "modbus/TcpConnection.h"
#include "records/CrashProcessReader.h"
#include "records/LogReader.h"
#include "relay/ModBusDevice.h"
#include "relay/RelayMap.h"
#include "support/RelayContent.h"

#include <QHostAddress>
#include <QSerialPort>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int baudRate = 19200;
constexpr int silenceMs = ModBusRtuLink::defaultInterCharInterval;
// The record of the noisy line, and the line's faults: every 4th answer
// lost, every 7th corrupted.
constexpr int noisyFaultSamples = 30;
constexpr int dropEvery = 4;
constexpr int corruptEvery = 7;
// The slow relay: one answer in ten 1.5 s after its request, past the 1 s
// answer timeout.
constexpr int lateEvery = 10;
constexpr int lateMs = 1500;
// The writing of the settings: password and value for each of the
// registers 8..84.
constexpr int firstSetting = RelayMap::firstSettingRegister;
constexpr int settingCount = RelayMap::registerCount - RelayMap::firstSettingRegister;

enum Work
{
    Poll,
    Record,
    Journal,
    Writes,
    NoisyRecord,
    RecordOverTcp,
    LateRecord
};

// A lost answer costs the response timeout, then the window in which the
// client waits for it to come late before it asks again, and a little.
constexpr double lostAnswerMs =
    ModBusClient::responseTimeoutMs + ModBusClient::lateAnswerWindowMs + 100.0;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The program's Modbus master without its window, on the relay's line:
// today's mode or frame end by length with batched reads.
class Master
{
public:
    Master(PacedRelay& relay, bool fast) : relay(relay)
    {
        if (relay.slavePath().isEmpty()) {
            tcpLink = new ModBusRtuOverTcpLink;
            tcpLink->setBaudRate(baudRate);
            link.reset(tcpLink);
        } else {
            port.setPortName(relay.slavePath());
            port.setBaudRate(baudRate);
            link.reset(new ModBusRtuLink(&port));
        }
        link->setInterCharInterval(silenceMs);
        link->setLengthFraming(fast);
        link->setListener(&client);
        client.setLink(link.get());
        device.setClient(&client);
        crash.setClient(&client);
        crash.setBatchedReads(fast);
        journal.setClient(&client);
        journal.setBatchedReads(fast);
        QObject::connect(&crash, &CrashProcessReader::headersReadingFinished,
                         [this] { ended = true; });
        QObject::connect(&crash, &CrashProcessReader::recordReadingFinished,
                         [this](int) { ended = true; });
        QObject::connect(&crash, &CrashProcessReader::recordReadingFailed,
                         [this] { failed = true; });
        QObject::connect(&journal, &LogReader::logReadingFinished, [this] { ended = true; });
        QObject::connect(&journal, &LogReader::logReadingFailed, [this] { failed = true; });
    }

    bool open()
    {
        if (tcpLink == nullptr)
            return port.open(QIODevice::ReadWrite);
        tcpLink->connection()->open(QHostAddress(QHostAddress::LocalHost).toString(),
                                    relay.tcpPort());
        return EventLoop::waitUntil([this] { return tcpLink->connection()->isOpen(); },
                                    TcpConnection::connectTimeoutMs);
    }

    // Runs one piece of work to its end; false when it failed or took too long.
    bool run(const std::function<void()>& start, int timeoutMs)
    {
        ended = false;
        failed = false;
        start();
        return EventLoop::waitUntil([this] { return ended || failed; }, timeoutMs) && !failed;
    }

    bool untilIdle(int timeoutMs)
    {
        return EventLoop::waitUntil(
            [this] {
                return client.state() == ModBusClient::State::Idle && client.queuedCount() == 0;
            },
            timeoutMs);
    }

    PacedRelay& relay;
    QSerialPort port;
    ModBusRtuOverTcpLink* tcpLink = nullptr;
    std::unique_ptr<ModBusRtuLink> link;
    ModBusClient client;
    ModBusDevice device{RelayMap::coilCount, RelayMap::registerCount};
    CrashProcessReader crash;
    LogReader journal;
    bool ended = false;
    bool failed = false;
};

// The line's floor of what was exchanged: the relay's count of the bytes'
// wire time and its turnarounds, plus the master's turnaround before each
// request after the first.
double floorMs(const PacedRelay& relay)
{
    const int exchanges = relay.answered();
    return relay.wireMs() +
           (exchanges > 1
                ? (exchanges - 1) * ModBusRtuLink::turnaroundMicroseconds(baudRate) / 1000.0
                : 0.0);
}

// Three records and a full journal; record 0 the longest the oscillograph
// records (600 samples after the trigger), record 1 that of the noisy line.
void loadFiles(PacedRelay& relay)
{
    relaycontent::loadRecords(relay.relay());
    relay.relay().setFile(0, relaycontent::faultRecord(0, 600));
    relay.relay().setFile(1, relaycontent::faultRecord(1, noisyFaultSamples));
}

// One piece of work, timed; false (with the error set) when it failed.
bool measure(benchmark::State& state, Master& master, Work work, double& seconds)
{
    const int timeoutMs = 300000;
    const Clock::time_point start = Clock::now();
    bool done = false;
    switch (work) {
    case Poll:
        master.device.refresh();
        done = master.untilIdle(timeoutMs);
        break;
    case Record:
    case RecordOverTcp:
    case LateRecord:
        done = master.run([&master] { master.crash.readCrashProcess(1, 0); }, timeoutMs);
        break;
    case NoisyRecord:
        done = master.run([&master] { master.crash.readCrashProcess(1, 1); }, timeoutMs);
        break;
    case Journal:
        done = master.run([&master] { master.journal.readRecords(1); }, timeoutMs);
        break;
    case Writes:
        for (int reg = firstSetting; reg < firstSetting + settingCount; ++reg) {
            const uint16_t password = 0x1234;
            const uint16_t value = static_cast<uint16_t>(reg * 3);
            master.device.writeRegisters(RelayMap::passwordRegister, 1, &password);
            master.device.writeRegisters(static_cast<uint16_t>(reg), 1, &value);
        }
        done = master.untilIdle(timeoutMs);
        break;
    }
    seconds = secondsSince(start);
    if (!done)
        state.SkipWithError("the work did not end well");
    return done;
}

void BM_PacedLine(benchmark::State& state)
{
    const auto work = static_cast<Work>(state.range(0));
    const bool fast = state.range(1) != 0;
    PacedRelay relay(work == RecordOverTcp ? PacedRelay::Line::Tcp : PacedRelay::Line::Pty,
                     baudRate);
    if (!relay.isValid()) {
        state.SkipWithError("no line for the relay");
        return;
    }
    loadFiles(relay);
    Master master(relay, fast);
    if (!master.open()) {
        state.SkipWithError("cannot open the line");
        return;
    }
    // The headers are read before the record, as the user lists them first.
    if ((work == Record || work == NoisyRecord || work == RecordOverTcp || work == LateRecord) &&
        !master.run([&master] { master.crash.readHeaders(1); }, 10000)) {
        state.SkipWithError("the headers were not read");
        return;
    }
    double cleanSeconds = 0;
    QByteArray cleanSamples;
    if (work == NoisyRecord || work == LateRecord) {
        // The same record on a clean line first, on the same connection.
        if (!measure(state, master, work, cleanSeconds))
            return;
        cleanSamples = *master.crash.samples(work == LateRecord ? 0 : 1);
        if (work == NoisyRecord)
            relay.setFaults(dropEvery, corruptEvery);
        else
            relay.setLateAnswers(lateEvery, lateMs);
    }
    relay.resetCounts();

    double totalSeconds = 0;
    for (auto _ : state) {
        double seconds = 0;
        if (!measure(state, master, work, seconds))
            return;
        totalSeconds += seconds;
        state.SetIterationTime(seconds);
        // A late answer may cost time, never the data.
        if (work == LateRecord && *master.crash.samples(0) != cleanSamples) {
            state.SkipWithError("the record read differs from the relay's");
            return;
        }
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["floor_ms"] = floorMs(relay) / runs;
    state.counters["requests"] = relay.requests() / runs;
    if (work == NoisyRecord) {
        state.counters["clean_ms"] = cleanSeconds * 1000;
        state.counters["dropped"] = relay.dropped();
        state.counters["corrupted"] = relay.corrupted();
        state.counters["bound_ms"] =
            cleanSeconds * 1000 + lostAnswerMs * relay.dropped() + 600.0 * relay.corrupted();
    }
    if (work == LateRecord) {
        state.counters["clean_ms"] = cleanSeconds * 1000;
        state.counters["late"] = relay.late();
    }
    state.counters["measured_ms"] = totalSeconds * 1000 / runs;
}

// Polls are short: several of them; the rest once each (today's record alone
// takes about a minute and a half).
BENCHMARK(BM_PacedLine)
    ->ArgNames({"work", "fast"})
    ->Args({Poll, 0})
    ->Args({Poll, 1})
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void longWork(benchmark::internal::Benchmark* bench)
{
    for (int work : {Record, Journal, Writes, NoisyRecord}) {
        for (int fast : {0, 1})
            bench->Args({work, fast});
    }
    bench->Args({RecordOverTcp, 1});
    // Frame end by length alone: one sample a request would take 720
    // requests, 72 of them late.
    bench->Args({LateRecord, 1});
}
BENCHMARK(BM_PacedLine)
    ->ArgNames({"work", "fast"})
    ->Apply(longWork)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
