// The record viewer against what a user would notice: opening a long
// record, panning and zooming it, opening the relay's own record, moving
// cursor 1 with the analysis panel following it, and laying a second long
// record over the first.

#include "EventLoop.h"

#include "comtrade/ComtradeReader.h"
#include "records/ComtradeWriter.h"
#include "records/CrashProcessHeader.h"
#include "simulator/DemoRTULink.h"
#include "viewer/AnalysisPanel.h"
#include "viewer/HarmonicsPanel.h"
#include "viewer/RecordViewer.h"
#include "viewer/WaveformPlot.h"

#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtEndian>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

constexpr int longSamples = 1000000;
constexpr int longAnalog = 8;
constexpr int longDigital = 4;

// A BINARY record of a million samples at 10 000 a second: eight channels
// of a 50 Hz sine with some harmonic and a fault in the middle (the phases
// of two lines and their residuals), four digital channels that change now
// and then. Written once per process.
QString longRecordPath()
{
    static QTemporaryDir folder;
    static QString path;
    if (!path.isEmpty() || !folder.isValid())
        return path;
    QByteArray cfg = "Bench,Recorder,2013\r\n12,8A,4D\r\n";
    // Phases A, B, C of two lines and their residuals, so that the analysis
    // finds two three-phase sets, as in a record of a real feeder pair.
    static const char* const phases[] = {"A", "B", "C", "A", "B", "C", "N", "N"};
    for (int c = 1; c <= longAnalog; ++c)
        cfg += QByteArray::number(c) + ",I" + QByteArray::number(c) + "," + phases[c - 1] +
               ",Line" + QByteArray::number(c <= 3 || c == 7 ? 1 : 2) +
               ",A,0.1,0,0,-32767,32767,400,1,P\r\n";
    for (int d = 1; d <= longDigital; ++d)
        cfg += QByteArray::number(d) + ",D" + QByteArray::number(d) + ",,,0\r\n";
    cfg += "50\r\n1\r\n10000," + QByteArray::number(longSamples) + "\r\n" +
           "01/01/2024,00:00:00.000000\r\n01/01/2024,00:00:50.000000\r\nBINARY\r\n1\r\n" +
           "+0h00,+0h00\r\n0,0\r\n";

    QByteArray dat;
    const int sampleBytes = 8 + 2 * longAnalog + 2;
    dat.resize(longSamples * sampleBytes);
    auto* p = reinterpret_cast<uchar*>(dat.data());
    for (int n = 0; n < longSamples; ++n) {
        qToLittleEndian<quint32>(n + 1, p);
        qToLittleEndian<quint32>(n * 100, p + 4);
        const double t = n / 10000.0;
        const double level = n > longSamples / 2 && n < longSamples / 2 + 2000 ? 20000 : 2000;
        for (int c = 0; c < longAnalog; ++c) {
            const double value =
                level * std::sin(2 * M_PI * 50 * t + c) + 300 * std::sin(2 * M_PI * 250 * t);
            qToLittleEndian<qint16>(static_cast<qint16>(value), p + 8 + 2 * c);
        }
        qToLittleEndian<quint16>(static_cast<quint16>((n / 25000) & 0xF), p + 8 + 2 * longAnalog);
        p += sampleBytes;
    }
    QFile cfgFile(folder.filePath("long.cfg"));
    QFile datFile(folder.filePath("long.dat"));
    if (cfgFile.open(QIODevice::WriteOnly) && cfgFile.write(cfg) == cfg.size() &&
        datFile.open(QIODevice::WriteOnly) && datFile.write(dat) == dat.size())
        path = cfgFile.fileName();
    return path;
}

// The demo relay's record 0 exported as the program saves it.
QString exportPath()
{
    static QTemporaryDir folder;
    static QString path;
    if (!path.isEmpty() || !folder.isValid())
        return path;
    DemoRTULink relay;
    const QByteArray file = relay.record(0);
    const CrashProcessHeader header =
        CrashProcessHeader::decode(reinterpret_cast<const uint8_t*>(file.constData()));
    if (ComtradeWriter(folder.filePath("export")).save(header, file.mid(CrashProcessHeader::size)))
        path = folder.filePath("export.cfg");
    return path;
}

// Read, build the viewer, show it and draw it once. A viewer on the small
// export is shown first, untimed: in the program the viewer opens where
// fonts and styles are loaded already.
void openAndDraw(benchmark::State& state, const QString& path)
{
    if (path.isEmpty()) {
        state.SkipWithError("the record could not be written");
        return;
    }
    if (RecordViewer* first = RecordViewer::openFile(exportPath(), nullptr)) {
        EventLoop::showAndExpose(first);
        delete first;
    }
    double readSeconds = 0;
    double worst = 0;
    int samples = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        QString error;
        const std::optional<ComtradeRecord> record = ComtradeReader::read(path, &error);
        readSeconds += secondsSince(start);
        if (!record) {
            state.SkipWithError(qPrintable(error));
            return;
        }
        samples = record->sampleCount();
        RecordViewer viewer;
        viewer.resize(1280, 760);
        viewer.setRecord(*record, path);
        if (!EventLoop::showAndExpose(&viewer)) {
            state.SkipWithError("the viewer was not shown");
            return;
        }
        viewer.plot()->redrawNow();
        const double seconds = secondsSince(start);
        worst = std::max(worst, seconds);
        state.SetIterationTime(seconds);
    }
    state.counters["samples"] = samples;
    state.counters["read_ms"] = readSeconds * 1000 / static_cast<double>(state.iterations());
    state.counters["worst_ms"] = worst * 1000;
}

void BM_ViewerOpenLong(benchmark::State& state)
{
    openAndDraw(state, longRecordPath());
}
BENCHMARK(BM_ViewerOpenLong)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ViewerOpenExport(benchmark::State& state)
{
    openAndDraw(state, exportPath());
}
BENCHMARK(BM_ViewerOpenExport)->Iterations(50)->UseManualTime()->Unit(benchmark::kMillisecond);

// Redraws of the long record while the time axis is panned at a given zoom:
// the whole record (zoom 0), a tenth of it (1) or a hundredth (2). Each step
// moves the view (by 2 % of it when zoomed in) and draws at once,
// decimation included.
void BM_ViewerPanZoom(benchmark::State& state)
{
    const QString path = longRecordPath();
    QString error;
    const std::optional<ComtradeRecord> record = ComtradeReader::read(path, &error);
    if (!record) {
        state.SkipWithError(qPrintable(path.isEmpty() ? QStringLiteral("no record") : error));
        return;
    }
    RecordViewer viewer;
    viewer.resize(1280, 760);
    viewer.setRecord(*record, path);
    if (!EventLoop::showAndExpose(&viewer)) {
        state.SkipWithError("the viewer was not shown");
        return;
    }
    WaveformPlot* plot = viewer.plot();
    const double whole = 100000.0; // ms: a million samples at 10 000 a second
    const bool zoomedOut = state.range(0) == 0;
    const double span = whole / std::pow(10.0, static_cast<double>(state.range(0)));
    // The whole record can move only by the 5 % margin the view allows.
    const double move = (zoomedOut ? 0.004 : 0.02) * span;
    double lower = zoomedOut ? -50000 - 0.04 * span : -span / 2;
    double worst = 0;
    int step = 0;
    for (auto _ : state) {
        // Back and forth across the record, so every step is a new view.
        lower += (step++ / 20 % 2 == 0 ? 1 : -1) * move;
        const Clock::time_point start = Clock::now();
        plot->setTimeRange(lower, lower + span);
        plot->redrawNow();
        const double seconds = secondsSince(start);
        worst = std::max(worst, seconds);
        state.SetIterationTime(seconds);
    }
    state.counters["worst_ms"] = worst * 1000;
}
BENCHMARK(BM_ViewerPanZoom)
    ->ArgName("zoom")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(200)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// The long record in a viewer of 1280 × 760 on screen, or nullptr (the
// benchmark skipped) when it cannot be.
std::unique_ptr<RecordViewer> showLongRecord(benchmark::State& state)
{
    const QString path = longRecordPath();
    QString error;
    const std::optional<ComtradeRecord> record = ComtradeReader::read(path, &error);
    if (!record) {
        state.SkipWithError(qPrintable(path.isEmpty() ? QStringLiteral("no record") : error));
        return nullptr;
    }
    auto viewer = std::make_unique<RecordViewer>();
    viewer->resize(1280, 760);
    viewer->setRecord(*record, path);
    if (!EventLoop::showAndExpose(viewer.get())) {
        state.SkipWithError("the viewer was not shown");
        return nullptr;
    }
    return viewer;
}

// Cursor 1 moved to a new sample of the long record, as a drag does: the
// readout table, the phasors, the symmetrical components and the harmonics
// made again for the new sample (timed alone as update_ms), then the plots,
// the harmonics chart and the whole window drawn at once. The cursor walks
// across the record in uneven steps, so that no two cycles measured are
// the same.
void BM_ViewerCursorAnalysis(benchmark::State& state)
{
    const std::unique_ptr<RecordViewer> viewer = showLongRecord(state);
    if (viewer == nullptr)
        return;
    // The components are part of what is timed: the record must hold phases.
    const auto* components = viewer->findChild<QTableWidget*>(QStringLiteral("sequenceTable"));
    if (components == nullptr || components->rowCount() == 0) {
        state.SkipWithError("no three-phase set in the record");
        return;
    }
    WaveformPlot* plot = viewer->plot();
    HarmonicsPanel* harmonics = viewer->analysisPanel()->harmonics();
    double worst = 0;
    double updateSeconds = 0;
    int sample = 1000;
    for (auto _ : state) {
        sample = (sample + 7919) % (longSamples - 1000) + 500;
        const Clock::time_point start = Clock::now();
        plot->setCursorSample(0, sample);
        updateSeconds += secondsSince(start);
        plot->redrawNow();
        harmonics->redrawNow();
        viewer->repaint();
        const double seconds = secondsSince(start);
        worst = std::max(worst, seconds);
        state.SetIterationTime(seconds);
    }
    state.counters["worst_ms"] = worst * 1000;
    state.counters["update_ms"] = updateSeconds * 1000 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ViewerCursorAnalysis)->Iterations(200)->UseManualTime()->Unit(benchmark::kMillisecond);

// A second record of a million samples laid over the long one on screen:
// read from disk (timed alone as read_ms), laid over, drawn at once. The
// overlay is removed between the runs, untimed.
void BM_ViewerOverlayLong(benchmark::State& state)
{
    const std::unique_ptr<RecordViewer> viewer = showLongRecord(state);
    if (viewer == nullptr)
        return;
    const QString path = longRecordPath();
    double worst = 0;
    double readSeconds = 0;
    int samples = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        QString error;
        const std::optional<ComtradeRecord> second = ComtradeReader::read(path, &error);
        readSeconds += secondsSince(start);
        if (!second) {
            state.SkipWithError(qPrintable(error));
            return;
        }
        samples = second->sampleCount();
        if (!viewer->setOverlay(*second, QStringLiteral("second.cfg"))) {
            state.SkipWithError("the overlay was refused");
            return;
        }
        viewer->plot()->redrawNow();
        const double seconds = secondsSince(start);
        worst = std::max(worst, seconds);
        state.SetIterationTime(seconds);
        viewer->removeOverlay();
    }
    state.counters["samples"] = samples;
    state.counters["read_ms"] = readSeconds * 1000 / static_cast<double>(state.iterations());
    state.counters["worst_ms"] = worst * 1000;
}
BENCHMARK(BM_ViewerOverlayLong)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
