// The main window against what a user would notice: one refresh of the whole
// parameter map, a long debug-mode log, start-up, and memory while polling.

#include "EventLoop.h"
#include "ProcessMemory.h"

#include "app/ConfigDialog.h"
#include "app/MainWindow.h"
#include "base/Logger.h"
#include "modbus/ModBusClient.h"
#include "modbus/ModBusRtuLink.h"
#include "relay/DeviceSearch.h"
#include "relay/ModBusDevice.h"
#include "relay/RelayMap.h"
#include "support/MainWindowTestAccess.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QListWidget>
#include <QProcess>

#include <benchmark/benchmark.h>

#include <chrono>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// --- 4. One refresh of the whole parameter map ---------------------------------

void BM_ParameterMapRefresh(benchmark::State& state)
{
    MainWindow window;
    if (!EventLoop::showAndExpose(&window)) {
        state.SkipWithError("the window was not shown");
        return;
    }
    MainWindowTestAccess access(window);
    ModBusDevice* device = access.device();

    // Settings as a relay holds them, measured values that change every poll.
    uint16_t image[RelayMap::registerCount];
    for (int i = 0; i < RelayMap::registerCount; ++i)
        image[i] = static_cast<uint16_t>(i % 3);
    device->holdingRegsRead(0, image, RelayMap::registerCount);

    double repaintSeconds = 0;
    uint16_t tick = 0;
    for (auto _ : state) {
        ++tick;
        uint16_t measured[RelayMap::liveRegisterCount] = {
            static_cast<uint16_t>(100 + tick % 50), static_cast<uint16_t>(200 + tick % 40),
            static_cast<uint16_t>(300 + tick % 30), static_cast<uint16_t>(tick % 20),
            static_cast<uint16_t>(tick % 10),       static_cast<uint16_t>(tick % 3600),
            static_cast<uint16_t>(tick & 0xFF),     static_cast<uint16_t>(tick >> 8 & 0xFF)};
        device->holdingRegsRead(0, measured, RelayMap::liveRegisterCount);

        const Clock::time_point start = Clock::now();
        window.refresh();
        state.SetIterationTime(secondsSince(start));

        // The repaint the refresh causes comes at the next pass of the loop.
        const Clock::time_point paint = Clock::now();
        QCoreApplication::processEvents();
        repaintSeconds += secondsSince(paint);
    }
    state.counters["visualizers"] = access.visualizerCount();
    state.counters["repaint_us"] = repaintSeconds * 1e6 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ParameterMapRefresh)->Iterations(2000)->UseManualTime()->Unit(benchmark::kMicrosecond);

// --- 5. The application log in debug mode --------------------------------------

// The lines of one poll as the debug log shows them: per block the request's
// info line, the frame sent, the frame received and the answer's info line.
QList<QByteArray> pollFrames()
{
    QList<QByteArray> frames;
    for (int start = 0; start < RelayMap::registerCount; start += ModBusDevice::readBlockSize) {
        const int count = qMin<int>(ModBusDevice::readBlockSize, RelayMap::registerCount - start);
        QByteArray request = QByteArray::fromHex("0103");
        request.append(static_cast<char>(0)).append(static_cast<char>(start));
        request.append(static_cast<char>(0)).append(static_cast<char>(count));
        QByteArray answer = QByteArray::fromHex("0103");
        answer.append(static_cast<char>(2 * count));
        for (int k = 0; k < count; ++k)
            answer.append(static_cast<char>(0)).append(static_cast<char>(start + k));
        frames << request << answer;
    }
    return frames;
}

// One poll's worth of lines at a time (info, sent, received, answer for
// each of the three blocks), with a pass of the event loop after each poll
// as the program has between two transactions. The run stops at `lines`
// lines or when `budgetSeconds` of logging have been spent, whichever comes
// first: a list that follows its newest line may not reach the end in any
// reasonable time.
void BM_DebugLog(benchmark::State& state)
{
    const int lineCount = static_cast<int>(state.range(0));
    const bool listShown = state.range(1) != 0;
    const double budgetSeconds = 60;
    MainWindow window;
    QListWidget* list = windowtest::child<QListWidget>(&window, "listLog");
    if (listShown)
        EventLoop::reveal(list);
    if (!EventLoop::showAndExpose(&window) || list->isVisible() != listShown) {
        state.SkipWithError("the window was not shown as asked");
        return;
    }
    windowtest::action(window, "actionLogDebug")->trigger();

    const QList<QByteArray> frames = pollFrames();
    auto bytes = [](const QByteArray& frame) {
        return reinterpret_cast<const uint8_t*>(frame.constData());
    };

    const long rssBefore = ProcessMemory::residentKiB();
    double worstLine = 0;
    double worstLoopPass = 0;
    double lineSeconds = 0;
    double loopSeconds = 0;
    // The cost of the most recent lines, for a run cut short by its budget,
    // and of the first ones, to compare with.
    double recentSeconds = 0;
    int recentLines = 0;
    double firstSeconds = 0;
    int written = 0;
    for (auto _ : state) {
        while (written < lineCount && lineSeconds + loopSeconds < budgetSeconds) {
            if (written % 1200 == 0) {
                if (written == 1200)
                    firstSeconds = recentSeconds;
                recentSeconds = 0;
                recentLines = 0;
            }
            for (int block = 0; block < frames.size() / 2 && written < lineCount; ++block) {
                const QByteArray& sent = frames.at(2 * block);
                const QByteArray& received = frames.at(2 * block + 1);
                for (int line = 0; line < 4 && written < lineCount; ++line, ++written) {
                    const Clock::time_point start = Clock::now();
                    switch (line) {
                    case 0:
                        logInfo("ReadHoldingRegs startReg = %d Count = %d",
                                block * ModBusDevice::readBlockSize, ModBusDevice::readBlockSize);
                        break;
                    case 1:
                        logSentFrame(bytes(sent), sent.size());
                        break;
                    case 2:
                        logReceivedFrame(bytes(received), received.size());
                        break;
                    default:
                        logInfo("ReadHoldingRegs ответ");
                        break;
                    }
                    const double seconds = secondsSince(start);
                    lineSeconds += seconds;
                    recentSeconds += seconds;
                    ++recentLines;
                    worstLine = qMax(worstLine, seconds);
                }
            }
            // Between two polls the event loop lays the list out, scrolls it
            // to its newest line and repaints it.
            const Clock::time_point pass = Clock::now();
            QCoreApplication::processEvents();
            const double seconds = secondsSince(pass);
            loopSeconds += seconds;
            recentSeconds += seconds;
            worstLoopPass = qMax(worstLoopPass, seconds);
        }
        state.SetIterationTime(lineSeconds + loopSeconds);
    }
    if (list->count() != written || list->currentRow() != written - 1)
        state.SkipWithError("the list does not hold and follow every line");
    const double rssAfter = ProcessMemory::residentKiB();

    // A list that was not on screen is laid out when the user turns to it.
    double revealSeconds = 0;
    if (!listShown) {
        const Clock::time_point start = Clock::now();
        EventLoop::reveal(list);
        QCoreApplication::processEvents();
        revealSeconds = secondsSince(start);
    }

    state.counters["lines"] = written;
    state.counters["us_per_line"] = (lineSeconds + loopSeconds) * 1e6 / written;
    state.counters["us_per_call"] = lineSeconds * 1e6 / written;
    state.counters["us_per_line_recent"] = recentSeconds * 1e6 / qMax(1, recentLines);
    state.counters["us_per_line_first"] = firstSeconds * 1e6 / 1200;
    state.counters["worst_line_ms"] = worstLine * 1000;
    state.counters["worst_loop_pass_ms"] = worstLoopPass * 1000;
    state.counters["worst_step_ms"] = qMax(worstLine, worstLoopPass) * 1000;
    state.counters["reveal_ms"] = revealSeconds * 1000;
    state.counters["rss_after_MiB"] = rssAfter / 1024.0;
    state.counters["rss_growth_MiB"] = (rssAfter - rssBefore) / 1024.0;
    windowtest::action(window, "actionLogDisable")->trigger();
}
// The list on screen (the log tab open) and off screen (another tab open).
BENCHMARK(BM_DebugLog)
    ->ArgNames({"lines", "shown"})
    ->Args({200000, 1})
    ->Args({200000, 0})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// --- 5b. Device search on a silent line ----------------------------------------

// Every speed and address of the search, on a pseudo-terminal nobody
// answers on: each probe waits out its whole timeout.
void BM_DeviceSearchSilentLine(benchmark::State& state)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    const char* name = nullptr;
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
        (name = ptsname(master)) == nullptr) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    const QString port = QString::fromLocal8Bit(name);
    // Held open so that the line stays up between the search's openings.
    const int slave = ::open(name, O_RDWR | O_NOCTTY);
    int probes = 0;
    for (auto _ : state) {
        DeviceSearch search;
        bool done = false;
        QObject::connect(&search, &DeviceSearch::finished, [&done] { done = true; });
        const Clock::time_point start = Clock::now();
        if (!search.start(port)) {
            state.SkipWithError("the port did not open");
            break;
        }
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        state.SetIterationTime(secondsSince(start));
        probes = search.probesDone();
    }
    ::close(slave);
    ::close(master);
    state.counters["probes"] = probes;
}
BENCHMARK(BM_DeviceSearchSilentLine)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// --- 6. Start-up, idle memory and an hour of polling ---------------------------

QString probePath()
{
    return QCoreApplication::applicationDirPath() + "/talvik_bench_startup";
}

// Starts the probe, which builds and shows the main window and then prints
// "shown"; returns the seconds from the start of the process to that line,
// or a negative value. With idleMs the probe then idles and prints "rss N".
double runProbe(int idleMs, long* residentKiB)
{
    QProcess probe;
    probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const Clock::time_point start = Clock::now();
    probe.start(probePath(), {QString::number(idleMs)});
    double shownAfter = -1;
    QByteArray output;
    while (probe.waitForReadyRead(10000)) {
        output += probe.readAllStandardOutput();
        if (shownAfter < 0 && output.contains("shown"))
            shownAfter = secondsSince(start);
        if (output.contains("rss "))
            break;
    }
    probe.waitForFinished(10000);
    output += probe.readAllStandardOutput();
    const int at = output.indexOf("rss ");
    if (residentKiB != nullptr && at >= 0)
        *residentKiB = output.mid(at + 4).trimmed().toLong();
    return probe.exitCode() == 0 ? shownAfter : -1;
}

void BM_StartUp(benchmark::State& state)
{
    for (auto _ : state) {
        const double seconds = runProbe(0, nullptr);
        if (seconds < 0) {
            state.SkipWithError("the start-up probe failed");
            return;
        }
        state.SetIterationTime(seconds);
    }
    long idleKiB = 0;
    if (runProbe(2000, &idleKiB) < 0 || idleKiB <= 0) {
        state.SkipWithError("the idle probe failed");
        return;
    }
    state.counters["rss_idle_MiB"] = idleKiB / 1024.0;
}
BENCHMARK(BM_StartUp)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

// An hour of polling at a 1 s period is 3600 polls. Run back to back, each
// poll is the poller's refresh answered by the demo relay (three reads,
// 10 ms each) followed by the window's refresh, which is what the two 1 s
// timers would do; the idle second between polls is left out.
void BM_PollingMemory(benchmark::State& state)
{
    const int polls = static_cast<int>(state.range(0));
    MainWindow window;
    MainWindowTestAccess access(window);
    if (!EventLoop::showAndExpose(&window)) {
        state.SkipWithError("the window was not shown");
        return;
    }
    auto* demoMode = access.configDialog()->findChild<QCheckBox*>("cbDemoMode");
    if (demoMode == nullptr) {
        state.SkipWithError("no demo-mode box");
        return;
    }
    demoMode->setChecked(true);
    window.configAccepted();

    ModBusDevice* device = access.device();
    ModBusClient* client = access.client();
    const auto pollDone = [client] {
        return client->state() == ModBusClient::State::Idle && client->queuedCount() == 0;
    };
    const int warmUp = qMin(100, polls);
    long rssWarm = 0;
    long heapWarm = 0;
    const long rssIdle = ProcessMemory::residentKiB();
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        for (int poll = 1; poll <= polls; ++poll) {
            device->refresh();
            if (!EventLoop::waitUntil(pollDone, 5000)) {
                state.SkipWithError("a demo poll did not end");
                return;
            }
            window.refresh();
            QCoreApplication::processEvents();
            if (poll == warmUp) {
                rssWarm = ProcessMemory::residentKiB();
                heapWarm = ProcessMemory::heapInUseBytes();
            }
        }
        state.SetIterationTime(secondsSince(start));
    }
    const long rssEnd = ProcessMemory::residentKiB();
    const long heapEnd = ProcessMemory::heapInUseBytes();
    state.counters["polls"] = polls;
    state.counters["rss_idle_MiB"] = rssIdle / 1024.0;
    state.counters["rss_end_MiB"] = rssEnd / 1024.0;
    state.counters["rss_growth_KiB"] = static_cast<double>(rssEnd - rssWarm);
    state.counters["heap_growth_KiB"] = (heapEnd - heapWarm) / 1024.0;
}
BENCHMARK(BM_PollingMemory)
    ->ArgName("polls")
    ->Arg(3600)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace
