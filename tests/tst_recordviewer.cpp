#include "app/MainWindow.h"
#include "comtrade/ComtradeReader.h"
#include "records/ComtradeWriter.h"
#include "records/CrashProcessHeader.h"
#include "simulator/DemoRTULink.h"
#include "support/EventWait.h"
#include "support/MainWindowTestAccess.h"
#include "support/ModalCloser.h"
#include "support/ShortLineTiming.h"
#include "analysis/CycleMeasure.h"
#include "viewer/MinMaxDecimator.h"
#include "viewer/RecordReadout.h"
#include "viewer/RecordViewer.h"
#include "viewer/WaveformPlot.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

// One sample every `stepUs` from 0, with x(t) = dc + A·sin(ωt + φ) + H·sin(3ωt).
struct Wave
{
    double frequency = 50;
    double stepUs = 1e6 / 600;
    double dc = 0;
    double amplitude = 0;
    double phase = 0;
    double third = 0;
};

void sample(const Wave& w, int count, QVector<double>* times, QVector<double>* values)
{
    for (int i = 0; i < count; ++i) {
        const double t = i * w.stepUs;
        const double wt = 2 * M_PI * w.frequency * t * 1e-6;
        times->append(t);
        values->append(w.dc + w.amplitude * std::sin(wt + w.phase) + w.third * std::sin(3 * wt));
    }
}

// A record of `count` samples at 600 per second, trigger at sample 120, one
// analog channel and one digital channel that rises at `riseAt`.
ComtradeRecord syntheticRecord(int count, int riseAt)
{
    ComtradeRecord record;
    record.lineFrequency = 50;
    record.rates = {{600, count}};
    record.triggerOffsetUs = 120 * 1e6 / 600;
    ComtradeAnalogChannel ia;
    ia.name = QStringLiteral("IA");
    ia.unit = QStringLiteral("A");
    ComtradeDigitalChannel trip;
    trip.name = QStringLiteral("TRIP");
    for (int i = 0; i < count; ++i) {
        record.timeUs.append(i * 1e6 / 600);
        ia.values.append(100 * std::sin(2 * M_PI * i / 12));
        trip.states.append(i >= riseAt ? 1 : 0);
    }
    record.analog = {ia};
    record.digital = {trip};
    return record;
}

// The demo relay's record 0 exported as the program saves it.
bool exportDemoRecord(const QString& base)
{
    DemoRTULink relay;
    const QByteArray file = relay.record(0);
    const CrashProcessHeader header =
        CrashProcessHeader::decode(reinterpret_cast<const uint8_t*>(file.constData()));
    return ComtradeWriter(base).save(header, file.mid(CrashProcessHeader::size));
}

void sendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
               const QPoint& pos)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

Q_DECLARE_METATYPE(Wave)

class TestRecordViewer : public QObject
{
    Q_OBJECT

private slots:
    // The relay's record read from the demo relay, at a quarter of its answer delay.
    void initTestCase() { shortenLineTiming(); }
    void oneCycleRmsAndFundamental_data();
    void oneCycleRmsAndFundamental();
    void cycleNeedsAWholeCycleOfValues_data();
    void cycleNeedsAWholeCycleOfValues();

    void decimationKeepsThePeak_data();
    void decimationKeepsThePeak();
    void fewSamplesAreDrawnAsTheyAre();

    void cursorTimesAndDelta_data();
    void cursorTimesAndDelta();
    void firstDigitalChangeAfterTheTrigger();
    void readoutFigures_data();
    void readoutFigures();

    void viewerOpensAnExportWithItsChannelNames();
    void viewerWindowStaysWithinTheScreen();
    void unreadableFileIsReportedNotShown();
    void mouseClicksAndDragsMoveCursorsOrTime();
    void hiddenChannelsLeaveThePlot();
    void recordWithoutChannelsIsShownEmpty();

    void openActionShowsTheChosenFile();
    void viewButtonShowsTheRelaysRecordUnsaved();
};

void TestRecordViewer::oneCycleRmsAndFundamental_data()
{
    QTest::addColumn<Wave>("wave");
    QTest::addColumn<int>("end");

    QTest::newRow("12 a cycle, offset 30") << Wave{50, 1e6 / 600, 30, 100, 0.3, 0} << 40;
    QTest::newRow("12 a cycle, negative offset, first cycle")
        << Wave{50, 1e6 / 600, -55, 2340 * std::sqrt(2.0), 1.1, 0} << 11;
    QTest::newRow("20 a cycle, third harmonic") << Wave{50, 1e6 / 1000, 10, 80, -0.7, 25} << 57;
    QTest::newRow("60 Hz, 80 a cycle") << Wave{60, 1e6 / 4800, 5, 1, 2.0, 0.5} << 200;
}

void TestRecordViewer::oneCycleRmsAndFundamental()
{
    QFETCH(Wave, wave);
    QFETCH(int, end);

    QVector<double> times;
    QVector<double> values;
    sample(wave, end + 5, &times, &values);
    const CycleValues measured = CycleMeasure::measure(times, values, end, wave.frequency);

    // The fundamental ignores the offset and the harmonic; the true RMS
    // adds them in quadrature.
    const double fundamental = wave.amplitude / std::sqrt(2.0);
    const double trueRms = std::sqrt(wave.dc * wave.dc + wave.amplitude * wave.amplitude / 2 +
                                     wave.third * wave.third / 2);
    QVERIFY2(std::fabs(measured.fundamentalRms - fundamental) < 1e-9 * (1 + fundamental),
             qPrintable(QString::number(measured.fundamentalRms)));
    QVERIFY2(std::fabs(measured.trueRms - trueRms) < 1e-9 * (1 + trueRms),
             qPrintable(QString::number(measured.trueRms)));
}

void TestRecordViewer::cycleNeedsAWholeCycleOfValues_data()
{
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("missingAt");
    QTest::addColumn<int>("start");

    QTest::newRow("eleven samples are not a cycle") << 10 << -1 << -1;
    QTest::newRow("twelve samples are") << 11 << -1 << 0;
    QTest::newRow("later cycle") << 30 << -1 << 19;
    QTest::newRow("missing value inside the cycle") << 30 << 25 << 19;
    QTest::newRow("missing value just before it") << 30 << 18 << 19;
}

void TestRecordViewer::cycleNeedsAWholeCycleOfValues()
{
    QFETCH(int, end);
    QFETCH(int, missingAt);
    QFETCH(int, start);

    QVector<double> times;
    QVector<double> values;
    sample(Wave{50, 1e6 / 600, 0, 10, 0, 0}, 40, &times, &values);
    if (missingAt >= 0)
        values[missingAt] = std::nan("");
    QCOMPARE(CycleMeasure::cycleStart(times, end, 50), start);
    const CycleValues measured = CycleMeasure::measure(times, values, end, 50);
    const bool valid = start >= 0 && (missingAt < start || missingAt > end);
    QCOMPARE(!std::isnan(measured.fundamentalRms), valid);
    QCOMPARE(!std::isnan(measured.trueRms), valid);
}

void TestRecordViewer::decimationKeepsThePeak_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("peakAt");
    QTest::addColumn<double>("peak");
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");

    QTest::newRow("one sample high in a million, whole view")
        << 1000000 << 800 << 654321 << 5000.0 << 0.0 << 1e6;
    QTest::newRow("one sample low, inside a block edge")
        << 1000000 << 800 << MinMaxDecimator::blockSize * 1000 + 31 << -7000.0 << 0.0 << 1e6;
    QTest::newRow("zoomed in, peak near the right edge")
        << 200000 << 300 << 149990 << 900.0 << 100000.0 << 150000.0;
    QTest::newRow("peak in the first sample") << 50000 << 100 << 0 << 123.0 << 0.0 << 5e4;
}

void TestRecordViewer::decimationKeepsThePeak()
{
    QFETCH(int, count);
    QFETCH(int, columns);
    QFETCH(int, peakAt);
    QFETCH(double, peak);
    QFETCH(double, from);
    QFETCH(double, to);

    QVector<double> keys(count);
    QVector<double> values(count);
    for (int i = 0; i < count; ++i) {
        keys[i] = i;
        values[i] = 100 * std::sin(i * 0.01);
    }
    values[peakAt] = peak;
    const MinMaxDecimator decimator(keys, values);
    QVector<double> outKeys;
    QVector<double> outValues;
    decimator.decimate(from, to, columns, &outKeys, &outValues);

    QVERIFY(outKeys.size() <= 2 * columns + 2);
    QVERIFY(std::is_sorted(outKeys.cbegin(), outKeys.cend()));
    const int found = outKeys.indexOf(double(peakAt));
    QVERIFY2(found >= 0, "the peak sample was dropped");
    QCOMPARE(outValues[found], peak);
    // The plot reaches both edges of the view.
    QVERIFY(outKeys.first() <= std::max(from, 0.0));
    QVERIFY(outKeys.last() >= std::min(to, double(count - 1)));
}

void TestRecordViewer::fewSamplesAreDrawnAsTheyAre()
{
    const QVector<double> keys = {0, 1, 2, 3, 4, 5, 6, 7};
    const QVector<double> values = {5, -1, 2, std::nan(""), 4, 9, 0, 3};
    const MinMaxDecimator decimator(keys, values);
    QCOMPARE(decimator.minimum(), -1.0);
    QCOMPARE(decimator.maximum(), 9.0);
    QVector<double> outKeys;
    QVector<double> outValues;
    // Samples 2..5 in view, one more on each side.
    decimator.decimate(2.5, 4.5, 100, &outKeys, &outValues);
    QCOMPARE(outKeys, (QVector<double>{2, 3, 4, 5}));
    QCOMPARE(outValues[0], 2.0);
    QVERIFY(std::isnan(outValues[1]));
}

void TestRecordViewer::cursorTimesAndDelta_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::addColumn<double>("firstMs");
    QTest::addColumn<double>("deltaMs");

    // 600 samples a second: 5/3 ms a sample; the trigger is sample 120.
    QTest::newRow("trigger to trip") << 120 << 157 << 0.0 << 37 * 5.0 / 3;
    QTest::newRow("pre-fault to trigger") << 0 << 120 << -200.0 << 200.0;
    QTest::newRow("cursors crossed") << 300 << 150 << 300.0 << -250.0;
    QTest::newRow("same sample") << 42 << 42 << -130.0 << 0.0;
}

void TestRecordViewer::cursorTimesAndDelta()
{
    QFETCH(int, first);
    QFETCH(int, second);
    QFETCH(double, firstMs);
    QFETCH(double, deltaMs);

    const RecordReadout readout(syntheticRecord(720, 157));
    QVERIFY(std::fabs(readout.timeMs(first) - firstMs) < 1e-9);
    QVERIFY(std::fabs(readout.deltaMs(first, second) - deltaMs) < 1e-9);
    // A time between two samples goes to the nearer one.
    QCOMPARE(readout.nearestSample(firstMs + 0.8), first);
    QCOMPARE(readout.nearestSample(firstMs + 0.9), first + 1);
    const QStringList last = readout.rows(first, second).last();
    QCOMPARE(last[2], RecordReadout::milliseconds(deltaMs));
}

void TestRecordViewer::firstDigitalChangeAfterTheTrigger()
{
    const RecordReadout readout(syntheticRecord(720, 157));
    QCOMPARE(readout.firstDigitalChangeAfter(120), 157);
    QCOMPARE(readout.firstDigitalChangeAfter(157), -1);
    QCOMPARE(RecordReadout(syntheticRecord(720, 0)).firstDigitalChangeAfter(0), -1);
    QCOMPARE(readout.frequency(), 50.0);
}

void TestRecordViewer::readoutFigures_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    const QString space = QString(QChar(0x00A0));
    QTest::newRow("fault current") << 2340.4 << "2" + space + "340";
    QTest::newRow("hundreds") << -245.06 << "-245,1";
    QTest::newRow("tens") << 86.184 << "86,18";
    QTest::newRow("small") << 0.12345 << "0,123";
    QTest::newRow("missing") << std::nan("") << "—";
}

void TestRecordViewer::readoutFigures()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(RecordReadout::number(value), text);
}

void TestRecordViewer::viewerOpensAnExportWithItsChannelNames()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(exportDemoRecord(dir.filePath("record")));

    QPointer<RecordViewer> viewer = RecordViewer::openFile(dir.filePath("record.cfg"), nullptr);
    QVERIFY(viewer != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(viewer));
    QCOMPARE(viewer->windowTitle(), QStringLiteral("Осциллограмма — record.cfg"));

    const QStringList expected = {"PhaseA", "PhaseB", "PhaseC", "3I0", "3U0", "DI1",
                                  "DI2",    "DI3",    "DI4",    "DO1", "DO2", "DO3_1",
                                  "DO3_2",  "DO4",    "DO5",    "DO6"};
    auto* list = viewer->findChild<QListWidget*>(QStringLiteral("channelList"));
    QVERIFY(list != nullptr);
    QStringList names;
    for (int i = 0; i < list->count(); ++i) {
        names << list->item(i)->text();
        QCOMPARE(list->item(i)->checkState(), Qt::Checked);
    }
    QCOMPARE(names, expected);
    QCOMPARE(viewer->plot()->groupTitles(),
             (QStringList{"Токи, A", "Напряжения, V", "Дискретные сигналы"}));

    // No digital channel changes in the demo record: cursor 2 ends up on
    // the last sample, cursor 1 on the trigger, 200 ms after the start.
    QCOMPARE(viewer->plot()->cursorSample(0), 120);
    QCOMPARE(viewer->plot()->cursorSample(1), 719);
    const QString summary = viewer->findChild<QLabel*>(QStringLiteral("cursorSummary"))->text();
    QVERIFY2(summary.contains(QStringLiteral("Δt = 998,333 мс")), qPrintable(summary));

    // Copying puts header, time, 5 analog, 11 digital and Δt lines on the clipboard.
    viewer->copyReadout();
    const QStringList lines = QGuiApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1 + 1 + 5 + 11 + 1);
    QVERIFY(lines[2].startsWith(QStringLiteral("PhaseA\tA\t")));
    viewer->close();
    TRY_VERIFY(viewer.isNull(), 5000);
}

void TestRecordViewer::viewerWindowStaysWithinTheScreen()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(exportDemoRecord(dir.filePath("record")));
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    // The viewer's own wish is larger than this screen (and than a laptop's
    // at 125 %), so this checks the fitting, not a small default.
    QVERIFY(room.width() < 1280 || room.height() < 760);

    const std::unique_ptr<RecordViewer> viewer(
        RecordViewer::openFile(dir.filePath("record.cfg"), nullptr));
    QVERIFY(viewer != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(viewer.get()));
    QVERIFY2(viewer->frameGeometry().width() <= room.width() &&
                 viewer->frameGeometry().height() <= room.height(),
             qPrintable(QStringLiteral("%1 x %2 on %3 x %4")
                            .arg(viewer->frameGeometry().width())
                            .arg(viewer->frameGeometry().height())
                            .arg(room.width())
                            .arg(room.height())));
}

void TestRecordViewer::unreadableFileIsReportedNotShown()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(exportDemoRecord(dir.filePath("record")));
    QVERIFY(QFile::remove(dir.filePath("record.dat")));

    ModalCloser closer;
    closer.expectMessageBox();
    QVERIFY(RecordViewer::openFile(dir.filePath("record.cfg"), nullptr) == nullptr);
    QVERIFY2(closer.waitUntilDone(), closer.describe().constData());
    QVERIFY2(closer.seen[0].text.contains(QStringLiteral("нет файла данных «record.dat»")),
             qPrintable(closer.seen[0].text));
    for (QWidget* window : QApplication::topLevelWidgets())
        QVERIFY(qobject_cast<RecordViewer*>(window) == nullptr);
}

void TestRecordViewer::mouseClicksAndDragsMoveCursorsOrTime()
{
    RecordViewer viewer;
    viewer.setRecord(syntheticRecord(720, 157), QStringLiteral("synthetic"));
    viewer.resize(1000, 700);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    WaveformPlot* plot = viewer.plot();
    plot->setTimeRange(-100, 300);
    plot->redrawNow();
    auto* area = plot->findChild<QWidget*>(QStringLiteral("plotArea"));
    QVERIFY(area != nullptr);
    const int y = area->height() / 4;
    const auto at = [&](double ms) { return QPoint(qRound(plot->timeToPixel(ms)), y); };

    // Left click: cursor 1 to the sample under the mouse; right click: cursor 2.
    QTest::mouseClick(area, Qt::LeftButton, Qt::NoModifier, at(100));
    QCOMPARE(plot->cursorSample(0), 180); // 100 ms after sample 120
    QTest::mouseClick(area, Qt::RightButton, Qt::NoModifier, at(-50));
    QCOMPARE(plot->cursorSample(1), 90);

    // Dragging cursor 1 moves it and leaves the time axis alone.
    sendMouse(area, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, at(100));
    sendMouse(area, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, at(150));
    sendMouse(area, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, at(200));
    sendMouse(area, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, at(200));
    QCOMPARE(plot->cursorSample(0), 240);
    QCOMPARE(plot->timeRange(), (std::pair<double, double>(-100, 300)));

    // Dragging elsewhere pans the time axis and leaves the cursors alone.
    sendMouse(area, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, at(50));
    sendMouse(area, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, at(0));
    sendMouse(area, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, at(0));
    const std::pair<double, double> panned = plot->timeRange();
    QVERIFY(std::fabs(panned.first - -50) < 1 && std::fabs(panned.second - 350) < 1);
    QCOMPARE(plot->cursorSample(0), 240);
    QCOMPARE(plot->cursorSample(1), 90);

    // Zoomed out past the record, the view stops at the whole record.
    plot->setTimeRange(-1e6, 1e6);
    QVERIFY(plot->timeRange().second - plot->timeRange().first < 1.2 * 1000 * 719 / 600.0);
}

void TestRecordViewer::hiddenChannelsLeaveThePlot()
{
    RecordViewer viewer;
    viewer.setRecord(syntheticRecord(720, 157), QStringLiteral("synthetic"));
    auto* list = viewer.findChild<QListWidget*>(QStringLiteral("channelList"));
    QCOMPARE(list->count(), 2);
    list->item(1)->setCheckState(Qt::Unchecked);
    QVERIFY(viewer.plot()->isChannelVisible(0));
    QVERIFY(!viewer.plot()->isChannelVisible(1));
    list->item(1)->setCheckState(Qt::Checked);
    QVERIFY(viewer.plot()->isChannelVisible(1));
}

void TestRecordViewer::recordWithoutChannelsIsShownEmpty()
{
    ComtradeRecord record = syntheticRecord(24, 0);
    record.analog.clear();
    record.digital.clear();
    RecordViewer viewer;
    viewer.setRecord(record, QStringLiteral("empty"));
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QCOMPARE(viewer.plot()->channelCount(), 0);
    QVERIFY(viewer.plot()->groupTitles().isEmpty());
    // Time, then Δt: nothing else to read.
    QCOMPARE(viewer.readoutText().count('\n'), 3);
}

void TestRecordViewer::openActionShowsTheChosenFile()
{
    using namespace windowtest;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(exportDemoRecord(dir.filePath("record")));
    MainWindow window;
    window.show();

    QAction* open = action(window, "actionOpenRecord");
    QCOMPARE(open->text(), QStringLiteral("Открыть осциллограмму…"));
    QCOMPARE(open->shortcut(), QKeySequence(QKeySequence::Open));
    const QList<QAction*> fileMenu = child<QMenu>(&window, "menu")->actions();
    QVERIFY(fileMenu.indexOf(open) >= 0);
    QVERIFY(fileMenu.indexOf(open) < fileMenu.indexOf(action(window, "actionExit")));

    ModalCloser closer;
    closer.expectFileDialog(dir.filePath("record.cfg"));
    open->trigger();
    QVERIFY2(closer.waitUntilDone(), closer.describe().constData());
    auto* viewer = window.findChild<RecordViewer*>();
    QVERIFY(viewer != nullptr);
    QVERIFY(viewer->isVisible());
    QCOMPARE(viewer->windowTitle(), QStringLiteral("Осциллограмма — record.cfg"));
    QCOMPARE(viewer->plot()->channelCount(), 16);
    QCOMPARE(viewer->plot()->channelName(4), QStringLiteral("3U0"));
}

void TestRecordViewer::viewButtonShowsTheRelaysRecordUnsaved()
{
    using namespace windowtest;
    MainWindow window;
    window.show();
    ModalCloser closer;
    QVERIFY(acceptSettings(window, closer, Settings{}));
    action(window, "actionReadHeaders")->trigger();
    auto* list = child<QListWidget>(&window, "crashList");
    TRY_COMPARE(list->count(), 3, 3000);
    auto* view = child<QPushButton>(&window, "buttonViewRecord");
    QCOMPARE(view->text(), QStringLiteral("Просмотр"));
    QVERIFY(!view->isEnabled());
    list->setCurrentRow(0);
    QVERIFY(view->isEnabled());

    // Not read yet: the record is read first, with both buttons off meanwhile.
    view->click();
    QVERIFY(!view->isEnabled());
    QVERIFY(!child<QPushButton>(&window, "buttonSaveRecord")->isEnabled());
    // 720 samples at 10 ms each from the demo relay.
    TRY_VERIFY(window.findChild<RecordViewer*>() != nullptr, 20000);
    RecordViewer* viewer = window.findChild<RecordViewer*>();
    QVERIFY(viewer->windowTitle().endsWith(QStringLiteral("(не сохранена)")));
    QCOMPARE(viewer->plot()->channelCount(), 16);
    QCOMPARE(viewer->plot()->cursorSample(0), 120);
    QVERIFY(view->isEnabled());
    QVERIFY(closer.seen.isEmpty()); // no folder asked, no box shown

    // Read completely once: a second look opens at once.
    view->click();
    QCOMPARE(window.findChildren<RecordViewer*>().size(), 2);
    QVERIFY(view->isEnabled());
}

QTEST_MAIN(TestRecordViewer)
#include "tst_recordviewer.moc"
