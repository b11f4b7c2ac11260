// qcustomplot.h's inline templates use Qt's foreach, which the project
// otherwise turns off; the overlay's traces are read from the plot itself.
#undef QT_NO_FOREACH
#include <qcustomplot.h>

#include "analysis/RecordWindowCsv.h"
#include "comtrade/ComtradeReader.h"
#include "support/EventWait.h"
#include "support/FailAfterDevice.h"
#include "support/ModalCloser.h"
#include "viewer/AnalysisPanel.h"
#include "viewer/HarmonicsPanel.h"
#include "viewer/PhasorDiagram.h"
#include "viewer/RecordViewer.h"
#include "viewer/WaveformPlot.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

constexpr double rate = 600; // 12 samples a cycle at 50 Hz: orders 6 and up cannot be measured
constexpr int triggerSample = 120;
constexpr int faultSample = 240;

double sampleUs(int i)
{
    return i * 1e6 / rate;
}

ComtradeAnalogChannel analog(const QString& name, const QString& unit)
{
    ComtradeAnalogChannel channel;
    channel.name = name;
    channel.unit = unit;
    return channel;
}

ComtradeDigitalChannel digital(const QString& name, int count, int from, int to)
{
    ComtradeDigitalChannel channel;
    channel.name = name;
    for (int i = 0; i < count; ++i)
        channel.states.append(i >= from && i < to ? 1 : 0);
    return channel;
}

// IA, IB, IC of 100 A RMS, balanced, IA at 0°, until sample 240; from there
// IA is 500 A with a third harmonic of 20 % of it. 3I0 is measured as their
// sum. PICKUP rises at sample 150, TRIP at 200 and falls at 300.
ComtradeRecord threePhaseRecord()
{
    const int count = 720;
    ComtradeRecord record;
    record.lineFrequency = 50;
    record.rates = {{rate, count}};
    record.triggerOffsetUs = sampleUs(triggerSample);
    QVector<ComtradeAnalogChannel> channels = {analog("IA", "A"), analog("IB", "A"),
                                               analog("IC", "A"), analog("3I0", "A")};
    for (int i = 0; i < count; ++i) {
        record.timeUs.append(sampleUs(i));
        const double wt = 2 * M_PI * i / 12;
        const bool fault = i >= faultSample;
        const double ia = std::sqrt(2.0) * (fault ? 500 * std::sin(wt) + 100 * std::sin(3 * wt)
                                                  : 100 * std::sin(wt));
        const double ib = std::sqrt(2.0) * 100 * std::sin(wt - 2 * M_PI / 3);
        const double ic = std::sqrt(2.0) * 100 * std::sin(wt + 2 * M_PI / 3);
        channels[0].values.append(ia);
        channels[1].values.append(ib);
        channels[2].values.append(ic);
        channels[3].values.append(ia + ib + ic);
    }
    record.analog = channels;
    record.digital = {digital("PICKUP", count, 150, count), digital("TRIP", count, 200, 300)};
    return record;
}

void sendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
               const QPoint& pos)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

double msOf(int sample)
{
    return (sampleUs(sample) - sampleUs(triggerSample)) / 1000.0;
}

template <typename T> T* child(QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr)
        qWarning("no child %s", name);
    return found;
}

QAction* action(QWidget* viewer, const char* name)
{
    return child<QAction>(viewer, name);
}

} // namespace

class TestViewerPanels : public QObject
{
    Q_OBJECT

private slots:
    void phasorsFollowCursorOne_data();
    void phasorsFollowCursorOne();
    void sequenceOfThePhases_data();
    void sequenceOfThePhases();
    void recordWithoutThreePhasesGetsANote();
    void harmonicsOfTheChosenChannel();

    void clickOnADigitalChangeMovesCursorOne();
    void cursorsSnapToDigitalEdges();

    void overlayIsDashedAlignedAndRemovable();

    void csvHoldsTheShownChannelsInView();
    void csvNumbers_data();
    void csvNumbers();
    void csvWriteErrorIsReported();
};

void TestViewerPanels::phasorsFollowCursorOne_data()
{
    QTest::addColumn<int>("sample");
    QTest::addColumn<int>("reference");
    QTest::addColumn<QStringList>("ia"); // RMS, angle
    QTest::addColumn<QStringList>("ib");
    QTest::addColumn<QString>("scale");

    QTest::newRow("balanced, IA at 0°")
        << 200 << 0 << QStringList{"100,0 A", "0,0"} << QStringList{"100,0 A", "-120,0"}
        << "A: окружность = 100,0 A";
    QTest::newRow("balanced, IB at 0°")
        << 200 << 1 << QStringList{"100,0 A", "120,0"} << QStringList{"100,0 A", "0,0"}
        << "A: окружность = 100,0 A";
    QTest::newRow("fault on phase A")
        << 300 << 0 << QStringList{"500,0 A", "0,0"} << QStringList{"100,0 A", "-120,0"}
        << "A: окружность = 500,0 A";
    QTest::newRow("no whole cycle before the cursor")
        << 5 << 0 << QStringList{"—", "—"} << QStringList{"—", "—"} << QString();
}

void TestViewerPanels::phasorsFollowCursorOne()
{
    QFETCH(int, sample);
    QFETCH(int, reference);
    QFETCH(QStringList, ia);
    QFETCH(QStringList, ib);
    QFETCH(QString, scale);

    RecordViewer viewer;
    viewer.setRecord(threePhaseRecord(), QStringLiteral("three"));
    child<QComboBox>(&viewer, "referenceChannel")->setCurrentIndex(reference);
    // Cursor 1 starts at the trigger, where the figures differ from all rows'.
    QCOMPARE(viewer.plot()->cursorSample(0), triggerSample);
    viewer.plot()->setCursorSample(0, sample);

    auto* table = child<QTableWidget>(&viewer, "phasorTable");
    QCOMPARE(table->rowCount(), 4);
    QCOMPARE((QStringList{table->item(0, 1)->text(), table->item(0, 2)->text()}), ia);
    QCOMPARE((QStringList{table->item(1, 1)->text(), table->item(1, 2)->text()}), ib);
    const QStringList notes = child<PhasorDiagram>(&viewer, "phasorDiagram")->scaleNotes();
    QCOMPARE(notes.value(0), scale);
    // Moving cursor 2 leaves the figures of cursor 1 alone.
    viewer.plot()->setCursorSample(1, 30);
    QCOMPARE(table->item(0, 1)->text(), ia[0]);
}

void TestViewerPanels::sequenceOfThePhases_data()
{
    QTest::addColumn<int>("sample");
    QTest::addColumn<bool>("reversed"); // IB and IC swapped
    // I1, I2, I0 (RMS, angle), I2/I1, 3I0 computed and measured (RMS, angle)
    QTest::addColumn<QStringList>("figures");

    // What is left of a component is rounding: no angle for it.
    QTest::newRow("balanced") << 200 << false
                              << QStringList{"100,0 A", "0,0",     "0,000 A", "—",
                                             "0,000 A", "—",       "0,0",     "0,000 A",
                                             "—",       "0,000 A", "—"};
    QTest::newRow("phases in reverse order")
        << 200 << true << QStringList{"0,000 A", "—",       "100,0 A", "0,0",     "0,000 A", "—",
                                      "—",       "0,000 A", "—",       "0,000 A", "—"};
    // IA 500 A, IB and IC 100 A: I1 = 700/3, I2 = I0 = 400/3, 3I0 = 400, all at 0°.
    QTest::newRow("fault on phase A")
        << 300 << false << QStringList{"233,3 A", "0,0",     "133,3 A", "0,0",     "133,3 A", "0,0",
                                       "57,1",    "400,0 A", "0,0",     "400,0 A", "0,0"};
}

void TestViewerPanels::sequenceOfThePhases()
{
    QFETCH(int, sample);
    QFETCH(bool, reversed);
    QFETCH(QStringList, figures);

    ComtradeRecord record = threePhaseRecord();
    if (reversed)
        std::swap(record.analog[1].values, record.analog[2].values);
    RecordViewer viewer;
    viewer.setRecord(record, QStringLiteral("three"));
    viewer.plot()->setCursorSample(0, sample);
    auto* table = child<QTableWidget>(&viewer, "sequenceTable");
    QVERIFY(!table->isHidden());
    QCOMPARE(table->rowCount(), 7);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Токи IA, IB, IC"));
    QCOMPARE(table->item(6, 0)->text(), QStringLiteral("3I0 измеренный (3I0)"));
    QStringList shown;
    for (int row = 1; row < 7; ++row) {
        shown << table->item(row, 1)->text();
        if (row != 4)
            shown << table->item(row, 2)->text();
    }
    QCOMPARE(shown, figures);
}

void TestViewerPanels::recordWithoutThreePhasesGetsANote()
{
    ComtradeRecord record = threePhaseRecord();
    record.analog.remove(2); // IC
    RecordViewer viewer;
    viewer.setRecord(record, QStringLiteral("two phases"));
    QVERIFY(child<QTableWidget>(&viewer, "sequenceTable")->isHidden());
    QVERIFY(child<QLabel>(&viewer, "sequenceNote")->text().contains(QStringLiteral("не найдено")));
}

void TestViewerPanels::harmonicsOfTheChosenChannel()
{
    RecordViewer viewer;
    viewer.setRecord(threePhaseRecord(), QStringLiteral("three"));
    HarmonicsPanel* harmonics = viewer.analysisPanel()->harmonics();
    auto* thd = child<QLabel>(&viewer, "harmonicsThd");
    auto* note = child<QLabel>(&viewer, "harmonicsNote");

    viewer.plot()->setCursorSample(0, 300);
    // Twelve samples a cycle measure orders 2 to 5; the rest are left out and said so.
    QCOMPARE(harmonics->ordersDrawn(), (QVector<int>{2, 3, 4, 5}));
    const QVector<double> percent = harmonics->percentDrawn();
    QVERIFY2(std::fabs(percent[1] - 20) < 1e-6, qPrintable(QString::number(percent[1])));
    QVERIFY(std::fabs(percent[0]) < 1e-6 && std::fabs(percent[3]) < 1e-6);
    QCOMPARE(thd->text(), QStringLiteral("Коэффициент гармоник (THD): 20,0 %"));
    QVERIFY2(note->text().contains(QStringLiteral("6–15")) &&
                 note->text().contains(QStringLiteral("12 выборок")),
             qPrintable(note->text()));

    child<QComboBox>(&viewer, "harmonicsChannel")->setCurrentIndex(1); // IB
    QVERIFY(std::fabs(harmonics->percentDrawn()[1]) < 1e-6);
    QCOMPARE(thd->text(), QStringLiteral("Коэффициент гармоник (THD): 0,0 %"));

    viewer.plot()->setCursorSample(0, 5);
    QVERIFY(harmonics->ordersDrawn().isEmpty());
    QVERIFY(note->text().contains(QStringLiteral("нет целого периода")));
}

void TestViewerPanels::clickOnADigitalChangeMovesCursorOne()
{
    RecordViewer viewer;
    viewer.setRecord(threePhaseRecord(), QStringLiteral("three"));
    viewer.resize(1280, 760);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    child<QTabWidget>(&viewer, "analysisTabs")->setCurrentIndex(3);
    auto* view = child<QTableView>(&viewer, "digitalChangesTable");
    const QAbstractItemModel* model = view->model();

    QCOMPARE(model->rowCount(), 3);
    const auto row = [model](int r) {
        return QStringList{model->index(r, 0).data().toString(),
                           model->index(r, 1).data().toString(),
                           model->index(r, 2).data().toString()};
    };
    QCOMPARE(row(0), (QStringList{"50,000", "PICKUP", "0→1"}));
    QCOMPARE(row(1), (QStringList{"133,333", "TRIP", "0→1"}));
    QCOMPARE(row(2), (QStringList{"300,000", "TRIP", "1→0"}));

    // The change lies outside the view: the click puts cursor 1 on it and
    // brings it into view.
    viewer.plot()->setTimeRange(-150, 50);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      view->visualRect(model->index(2, 1)).center());
    QCOMPARE(viewer.plot()->cursorSample(0), 300);
    const std::pair<double, double> range = viewer.plot()->timeRange();
    QVERIFY(range.first < msOf(300) && msOf(300) < range.second);
    QCOMPARE(range.second - range.first, 200.0);
    QVERIFY(child<QLabel>(&viewer, "analysisCursor")->text().contains(QStringLiteral("300,000")));
}

void TestViewerPanels::cursorsSnapToDigitalEdges()
{
    RecordViewer viewer;
    viewer.setRecord(threePhaseRecord(), QStringLiteral("three"));
    viewer.resize(1280, 760);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    WaveformPlot* plot = viewer.plot();
    plot->setTimeRange(-100, 350);
    plot->redrawNow();
    auto* area = child<QWidget>(plot, "plotArea");
    const int y = area->height() / 4;
    const auto at = [&](int sample) { return QPoint(qRound(plot->timeToPixel(msOf(sample))), y); };

    QAction* snap = action(&viewer, "actionSnapToEdges");
    QCOMPARE(snap->text(), QStringLiteral("Привязка к фронтам"));
    QVERIFY(snap->isCheckable() && !snap->isChecked());
    QTest::mouseClick(area, Qt::LeftButton, Qt::NoModifier, at(190));
    QCOMPARE(plot->cursorSample(0), 190);

    snap->trigger();
    QVERIFY(plot->isSnapping());
    // The edges are at samples 150, 200 and 300. (A press on a cursor takes
    // hold of it, so each click lands away from both.)
    QTest::mouseClick(area, Qt::LeftButton, Qt::NoModifier, at(185));
    QCOMPARE(plot->cursorSample(0), 200);
    QTest::mouseClick(area, Qt::RightButton, Qt::NoModifier, at(280));
    QCOMPARE(plot->cursorSample(1), 300);
    // Dragged, cursor 1 jumps from edge to edge.
    sendMouse(area, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, at(200));
    sendMouse(area, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, at(180));
    QCOMPARE(plot->cursorSample(0), 200);
    sendMouse(area, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, at(160));
    QCOMPARE(plot->cursorSample(0), 150);
    sendMouse(area, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, at(160));
    QCOMPARE(plot->cursorSample(0), 150);

    snap->trigger();
    QTest::mouseClick(area, Qt::LeftButton, Qt::NoModifier, at(190));
    QCOMPARE(plot->cursorSample(0), 190);
}

void TestViewerPanels::overlayIsDashedAlignedAndRemovable()
{
    // A record of its own: 240 samples at 600 a second, the trigger at its
    // sample 60 (100 ms), where IA steps from 0 to 1000 A; and a frequency
    // channel, a unit the first record has no plot for.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QByteArray cfg = "Other,Device,1999\r\n2,2A,0D\r\n"
                     "1,IA,A,,A,1,0,0,-99999,99999,1,1,P\r\n"
                     "2,F,,,Hz,0.01,0,0,-99999,99999,1,1,P\r\n"
                     "50\r\n1\r\n600,240\r\n01/01/2024,10:00:00.000000\r\n"
                     "01/01/2024,10:00:00.100000\r\nASCII\r\n1\r\n";
    QByteArray dat;
    for (int i = 0; i < 240; ++i)
        dat += QByteArray::number(i + 1) + "," + QByteArray::number(qRound(sampleUs(i))) + "," +
               (i >= 60 ? "1000" : "0") + ",5000\r\n";
    QFile cfgFile(dir.filePath("b.cfg"));
    QFile datFile(dir.filePath("b.dat"));
    QVERIFY(cfgFile.open(QIODevice::WriteOnly) && cfgFile.write(cfg) == cfg.size());
    QVERIFY(datFile.open(QIODevice::WriteOnly) && datFile.write(dat) == dat.size());
    cfgFile.close();
    datFile.close();

    RecordViewer viewer;
    viewer.setRecord(threePhaseRecord(), QStringLiteral("three"));
    viewer.resize(1280, 760);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    WaveformPlot* plot = viewer.plot();
    const QStringList titles = plot->groupTitles();
    auto* list = child<QListWidget>(&viewer, "channelList");
    auto* shift = child<QDoubleSpinBox>(&viewer, "overlayShift");
    QVERIFY(!shift->isEnabled());

    QAction* overlay = action(&viewer, "actionOverlay");
    QCOMPARE(overlay->text(), QStringLiteral("Наложить осциллограмму…"));
    ModalCloser closer;
    closer.expectFileDialog(dir.filePath("b.cfg"));
    overlay->trigger();
    QVERIFY2(closer.waitUntilDone(), closer.describe().constData());

    QCOMPARE(plot->channelCount(), 8);
    QCOMPARE(plot->channelName(6), QStringLiteral("IA · b.cfg"));
    QCOMPARE(list->count(), 8);
    QCOMPARE(list->item(7)->text(), QStringLiteral("F · b.cfg"));
    QCOMPARE(plot->groupTitles(), titles + QStringList{"Hz"});
    QVERIFY(shift->isEnabled());
    shift->setValue(25);
    plot->setTimeRange(-100, 200);
    plot->redrawNow();

    auto* area = child<QCustomPlot>(plot, "plotArea");
    QCPGraph* graph = nullptr;
    for (int i = 0; i < area->graphCount(); ++i) {
        if (area->graph(i)->name() == QStringLiteral("IA · b.cfg"))
            graph = area->graph(i);
    }
    QVERIFY(graph != nullptr);
    QCOMPARE(graph->pen().style(), Qt::DashLine);
    // The step at its trigger lies 25 ms after this record's trigger.
    double step = qQNaN();
    for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it) {
        if (it->value > 500) {
            step = it->key;
            break;
        }
    }
    QVERIFY2(std::fabs(step - 25) < 1e-6, qPrintable(QString::number(step)));

    QAction* remove = action(&viewer, "actionRemoveOverlay");
    QCOMPARE(remove->text(), QStringLiteral("Убрать наложение"));
    QVERIFY(remove->isEnabled());
    remove->trigger();
    QCOMPARE(plot->channelCount(), 6);
    QCOMPARE(list->count(), 6);
    QCOMPARE(plot->groupTitles(), titles);
    QCOMPARE(area->graphCount(), 6);
    QVERIFY(!shift->isEnabled() && !remove->isEnabled());
    QCOMPARE(plot->overlayShift(), 0.0);
}

void TestViewerPanels::csvHoldsTheShownChannelsInView()
{
    // IA = sample × 0.5 A, UA = −sample × 0.25 V, TRIP from the sample after the trigger.
    const int count = 240;
    ComtradeRecord record;
    record.lineFrequency = 50;
    record.rates = {{rate, count}};
    record.triggerOffsetUs = sampleUs(triggerSample);
    ComtradeAnalogChannel ia = analog("IA", "A");
    ComtradeAnalogChannel ua = analog("UA", "V");
    for (int i = 0; i < count; ++i) {
        record.timeUs.append(sampleUs(i));
        ia.values.append(i * 0.5);
        ua.values.append(-i * 0.25);
    }
    record.analog = {ia, ua};
    record.digital = {digital("TRIP", count, triggerSample + 1, count)};

    RecordViewer viewer;
    viewer.setRecord(record, QStringLiteral("w.cfg"));
    child<QListWidget>(&viewer, "channelList")->item(1)->setCheckState(Qt::Unchecked);
    viewer.plot()->setTimeRange(-5, 5);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QAction* exportCsv = action(&viewer, "actionExportCsv");
    QCOMPARE(exportCsv->text(), QStringLiteral("Экспорт CSV…"));
    ModalCloser closer;
    // Typed without the extension.
    closer.expectFileDialog(dir.filePath("window"));
    exportCsv->trigger();
    QVERIFY2(closer.waitUntilDone(), closer.describe().constData());

    QFile file(dir.filePath("window.csv"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromLocal8Bit(file.readAll());
    // Samples 117 … 123, 5/3 ms apart around the trigger.
    QCOMPARE(text.split('\n'),
             (QStringList{"Время, мс;IA;TRIP", "-5,000;58,5;0", "-3,333;59;0", "-1,667;59,5;0",
                          "0,000;60;0", "1,667;60,5;1", "3,333;61;1", "5,000;61,5;1", ""}));
}

void TestViewerPanels::csvNumbers_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("no exponent for a small value") << 0.000123 << "0,000123";
    QTest::newRow("nine significant digits") << 1234567.891 << "1234567,89";
    QTest::newRow("large whole value") << 123456789012.0 << "123456789012";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("negative") << -2.5 << "-2,5";
    QTest::newRow("missing") << qQNaN() << "";
}

void TestViewerPanels::csvNumbers()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(RecordWindowCsv::number(value), text);
}

void TestViewerPanels::csvWriteErrorIsReported()
{
    FailAfterDevice device(40);
    QVERIFY(!RecordWindowCsv::write(device, threePhaseRecord(), -1e9, 1e9, {0, 1, 4}));
    QCOMPARE(device.written.size(), 40);
}

QTEST_MAIN(TestViewerPanels)
#include "tst_viewerpanels.moc"
