// The Modbus master against the line's limits: the program's own cost of a
// transaction, a whole poll over a pseudo-terminal at the line's pace, and a
// fault record read from the demo relay.

#include "EventLoop.h"
#include "LoopbackLink.h"
#include "PacedRelay.h"

#include "modbus/IModBusResponseListener.h"
#include "modbus/ModBusClient.h"
#include "modbus/ModBusRtuLink.h"
#include "records/CrashProcessHeader.h"
#include "records/CrashProcessReader.h"
#include "relay/ModBusDevice.h"
#include "relay/RelayMap.h"
#include "simulator/DemoRTULink.h"
#include "support/RelayContent.h"

#include <QCoreApplication>
#include <QSerialPort>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class CountingListener : public IModBusResponseListener
{
public:
    void holdingRegsRead(uint16_t, const uint16_t*, uint16_t) override { ++answers; }
    void multipleRegsWritten(uint16_t, const uint16_t*, uint16_t) override { ++answers; }
    void coilsRead(uint16_t, const uint8_t*, uint16_t) override { ++answers; }
    void coilWritten(uint16_t, bool) override { ++answers; }
    void fileRecordRead(uint16_t, uint16_t, const uint8_t*, uint16_t) override { ++answers; }
    void responseTimeout() override { ++failures; }
    void requestFailed(Failure) override { ++failures; }

    int answers = 0;
    int failures = 0;
};

// --- 1. Software cost of one transaction -------------------------------------

// One request of each function code, as the program issues them: a poll
// block of 32 registers, a one-register settings write, 8 coils, a coil
// pulse edge and one fault-record sample of 7 registers.
void issue(ModBusClient& client, CountingListener& listener, int functionCode)
{
    static const uint16_t value = 0x1234;
    switch (functionCode) {
    case 3:
        client.readHoldingRegs(&listener, 1, 0, ModBusDevice::readBlockSize, 0);
        break;
    case 16:
        client.writeMultipleRegs(&listener, 1, RelayMap::passwordRegister, 1, &value, 1);
        break;
    case 1:
        client.readCoils(&listener, 1, 0, RelayMap::coilCount, 0);
        break;
    case 5:
        client.writeCoil(&listener, 1, RelayMap::acknowledgeCoil, true, 1);
        break;
    case 20:
        // The first sample of record 0, right after its header.
        client.readFileRecord(&listener, 1, 0, CrashProcessHeader::size / 2,
                              CrashProcessSample::size / 2, 0);
        break;
    default:
        break;
    }
}

void BM_Transaction(benchmark::State& state)
{
    const int functionCode = static_cast<int>(state.range(0));
    LoopbackLink link;
    ModBusClient client;
    link.setListener(&client);
    client.setLink(&link);
    CountingListener listener;

    for (auto _ : state) {
        const int before = listener.answers + listener.failures;
        issue(client, listener, functionCode);
        while (listener.answers + listener.failures == before)
            QCoreApplication::processEvents();
    }
    if (listener.failures != 0 || listener.answers != static_cast<int>(state.iterations()))
        state.SkipWithError("a transaction was not answered");
    state.SetLabel("function " + std::to_string(functionCode));
}
BENCHMARK(BM_Transaction)
    ->ArgName("fc")
    ->Arg(3)
    ->Arg(16)
    ->Arg(1)
    ->Arg(5)
    ->Arg(20)
    ->Unit(benchmark::kMicrosecond);

void BM_Crc16(benchmark::State& state)
{
    QByteArray body(static_cast<int>(state.range(0)), '\0');
    for (int i = 0; i < body.size(); ++i)
        body[i] = static_cast<char>(i * 37 + 11);
    for (auto _ : state) {
        uint16_t crc = ModBusRtuLink::modbusCrc16(body);
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * body.size());
}
BENCHMARK(BM_Crc16)->ArgName("bytes")->Arg(6)->Arg(69)->Arg(255);

// --- 2. A whole poll over a pseudo-terminal -----------------------------------

// The line's floor for one poll: each transaction takes the request's and
// the answer's time on the wire plus the silence that ends the answer.
double pollFloorMs(int baudRate, int interval)
{
    const double charMs = PacedRelay::characterNs(baudRate) / 1e6;
    double floor = 0;
    for (int start = 0; start < RelayMap::registerCount; start += ModBusDevice::readBlockSize) {
        const int count = qMin<int>(ModBusDevice::readBlockSize, RelayMap::registerCount - start);
        const int requestBytes = 8;
        const int answerBytes = 5 + 2 * count;
        floor += (requestBytes + answerBytes) * charMs + interval;
    }
    return floor;
}

void BM_PollOverPty(benchmark::State& state)
{
    const int baudRate = static_cast<int>(state.range(0));
    const int interval = static_cast<int>(state.range(1));
    // A pty moves bytes at once, so the relay paces its answer as the serial
    // line would: the answer's last byte arrives when the request and the
    // answer have spent their time on the wire, with no turnaround of the
    // relay's own. The answer goes out in chunks of a UART receive FIFO.
    PacedRelay relay(PacedRelay::Line::Pty, baudRate, PacedRelay::Pacing{0, 8});
    if (!relay.isValid()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    QSerialPort port;
    port.setPortName(relay.slavePath());
    port.setBaudRate(baudRate);
    port.setStopBits(QSerialPort::OneStop);
    port.setParity(QSerialPort::NoParity);
    port.setFlowControl(QSerialPort::NoFlowControl);
    if (!port.open(QIODevice::ReadWrite)) {
        state.SkipWithError("cannot open the pseudo-terminal");
        return;
    }
    ModBusRtuLink link(&port);
    link.setInterCharInterval(interval);
    ModBusClient client;
    link.setListener(&client);
    client.setLink(&link);
    ModBusDevice device(RelayMap::coilCount, RelayMap::registerCount);
    device.setClient(&client);

    const auto pollDone = [&client] {
        return client.state() == ModBusClient::State::Idle && client.queuedCount() == 0;
    };
    double worstMs = 0;
    double totalMs = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        device.refresh();
        if (!EventLoop::waitUntil(pollDone, 10000)) {
            state.SkipWithError("the poll did not end");
            return;
        }
        const double seconds = secondsSince(start);
        worstMs = qMax(worstMs, seconds * 1000);
        totalMs += seconds * 1000;
        state.SetIterationTime(seconds);
    }
    const int polls = static_cast<int>(state.iterations());
    constexpr uint16_t lastRegister = RelayMap::registerCount - 1;
    if (relay.answered() != 3 * polls ||
        device.getRegister(lastRegister) != relaycontent::plausibleRegister(lastRegister))
        state.SkipWithError("the relay's answers did not all arrive");

    const double floorMs = pollFloorMs(baudRate, interval);
    state.counters["floor_ms"] = floorMs;
    state.counters["worst_ms"] = worstMs;
    state.counters["floor_ratio"] = totalMs / polls / floorMs;
    state.SetLabel("baud " + std::to_string(baudRate) + ", interval " + std::to_string(interval) +
                   " ms");
}
// The connection dialog's inter-character interval at its two limits and in
// between, at each of its baud rates.
void pollArguments(benchmark::internal::Benchmark* bench)
{
    for (int baudRate : {9600, 19200, 38400}) {
        for (int interval : {40, 60, 100, 150, 200})
            bench->Args({baudRate, interval});
    }
}
BENCHMARK(BM_PollOverPty)
    ->ArgNames({"baud", "interval"})
    ->Apply(pollArguments)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// --- 3. A fault record from the demo relay ------------------------------------

void BM_DemoRecordRead(benchmark::State& state)
{
    DemoRTULink demo;
    ModBusClient client;
    demo.setListener(&client);
    client.setLink(&demo);
    CrashProcessReader reader;
    reader.setClient(&client);

    bool headersRead = false;
    bool finished = false;
    bool failed = false;
    QObject::connect(&reader, &CrashProcessReader::headersReadingFinished,
                     [&headersRead] { headersRead = true; });
    QObject::connect(&reader, &CrashProcessReader::recordReadingFinished,
                     [&finished](int) { finished = true; });
    QObject::connect(&reader, &CrashProcessReader::recordReadingFailed,
                     [&failed] { failed = true; });
    reader.readHeaders(1);
    if (!EventLoop::waitUntil([&] { return headersRead || failed; }, 10000) || failed ||
        !reader.isHeaderValid(0)) {
        state.SkipWithError("the demo record headers were not read");
        return;
    }
    const int samples = reader.header(0)->sampleCount();

    double totalMs = 0;
    for (auto _ : state) {
        finished = false;
        const Clock::time_point start = Clock::now();
        reader.readCrashProcess(1, 0);
        if (!EventLoop::waitUntil([&] { return finished || failed; }, 60000) || failed) {
            state.SkipWithError("the record reading failed");
            return;
        }
        const double seconds = secondsSince(start);
        totalMs += seconds * 1000;
        state.SetIterationTime(seconds);
    }
    // One request per sample, each answered by the demo relay 10 ms later.
    state.counters["samples"] = samples;
    const double floorMs = samples * DemoRTULink::responseDelayMs;
    state.counters["floor_ms"] = floorMs;
    state.counters["floor_ratio"] = totalMs / static_cast<double>(state.iterations()) / floorMs;
}
BENCHMARK(BM_DemoRecordRead)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
