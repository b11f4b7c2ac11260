// Reading a fault record and the event journal through the whole program —
// window, readers, client, RTU link, serial port — from a relay on a
// pseudo-terminal whose line goes wrong, and pulling the cable mid-reading.
#include "support/EventWait.h"
#include "support/RelayContent.h"
#include "support/ReliabilityHarness.h"
#include "support/TestRelay.h"

#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

using namespace reliability;
using relaycontent::loadRecords;

Q_DECLARE_METATYPE(TestRelay::Faults)
Q_DECLARE_METATYPE(TestRelay::Line)

namespace {

constexpr int faultSamples = relaycontent::defaultFaultSamples;
constexpr int sampleCount = faultSamples + 120;

bool sawBox(const ModalCloser& closer, const QString& title)
{
    for (const ModalCloser::Seen& seen : closer.seen) {
        if (seen.title == title)
            return true;
    }
    return false;
}

// What one pass of reading the headers, record 0 and the journal gave.
struct Outcome
{
    bool headersRead = false;
    QString recordBox; // title of the box that ended the record reading
    QByteArray cfg;
    QByteArray dat;
    bool journalRead = false;
    QString journalBox; // title of the failure box, if any
    QByteArray csv;
    QByteArray boxes; // all boxes seen, for failure messages
};

// Drives the window like a user: reads the headers, saves record 0 into
// `folder`, reads the journal into `folder`/journal.csv. `faultsNow` is
// switched on once the headers have been read (it may already be on).
Outcome readEverything(MainWindow& window, ModalCloser& closer, TestRelay& relay,
                       const QString& folder, const TestRelay::Faults& faultsNow)
{
    Outcome outcome;
    auto* list = child<QListWidget>(&window, "crashList");
    list->clear();
    action(window, "actionReadHeaders")->trigger();
    QElapsedTimer clock;
    clock.start();
    while (list->count() < 3 && !sawBox(closer, QStringLiteral("Ошибка связи")) &&
           clock.elapsed() < 60000)
        eventwait::spin(20);
    outcome.headersRead = list->count() == 3;
    relay.setFaults(faultsNow);

    if (outcome.headersRead) {
        list->setCurrentRow(0);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(0)).center());
        closer.expectFileDialog(folder);
        closer.expectMessageBox();
        child<QPushButton>(&window, "buttonSaveRecord")->click();
        closer.waitUntilDone(120000);
        if (!closer.seen.isEmpty())
            outcome.recordBox = closer.seen.last().title;
        const QString base = list->item(0)->text().replace(QLatin1Char(' '), QLatin1Char('_'));
        QString fileBase = base;
        fileBase.replace(QLatin1Char(':'), QLatin1Char('_'));
        outcome.cfg = readFile(QDir(folder).filePath(fileBase + QStringLiteral(".cfg")));
        outcome.dat = readFile(QDir(folder).filePath(fileBase + QStringLiteral(".dat")));
    }

    const QString csvPath = QDir(folder).filePath(QStringLiteral("journal.csv"));
    const int seenBefore = closer.seen.size();
    windowtest::readJournal(window, 120000);
    // A failed reading says so in a box and leaves no journal to save.
    outcome.journalRead = closer.seen.size() == seenBefore;
    if (outcome.journalRead)
        windowtest::saveJournal(window, closer, csvPath);
    else
        outcome.journalBox = closer.seen.last().title;
    outcome.csv = readFile(csvPath);
    outcome.boxes = closer.describe();
    return outcome;
}

// Share of the wall time the process spent on the CPU over `ms`.
double cpuShare(int ms)
{
    const std::clock_t cpuBefore = std::clock();
    QElapsedTimer clock;
    clock.start();
    eventwait::spin(ms);
    const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
    return cpuMs / static_cast<double>(clock.elapsed());
}

} // namespace

class TestReliabilityRecords : public QObject, private Scenario
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void readingsUnderFaults_data();
    void readingsUnderFaults();
    void unplugMidReadingReportsTimeoutsAndStaysUsable();
    void relayServingNeitherBatchedFormIsReadWithoutFailureBox();
    void readingsOverTcp_data();
    void readingsOverTcp();

private:
    Outcome reference;
};

void TestReliabilityRecords::initTestCase()
{
    // The reference: the same readings over a clean line.
    init();
    QVERIFY(connectAndPoll(*relay));
    QTemporaryDir folder;
    reference = readEverything(*window, *closer, *relay, folder.path(), TestRelay::Faults());
    QVERIFY2(reference.headersRead, reference.boxes.constData());
    QCOMPARE(reference.recordBox, QStringLiteral("Успешно"));
    QVERIFY(reference.journalRead);
    QVERIFY(reference.cfg.contains("600,132\r\n"));
    QCOMPARE(reference.dat.count('\n'), sampleCount);
    // Pointer 4 over 30 entries, every seventh slot empty.
    QVERIFY(reference.csv.startsWith("Тип;Iвтор;Iперв;Дата;Время\n"));
    QCOMPARE(reference.csv.count('\n'), 1 + 30 - 4);
    cleanup();
}

void TestReliabilityRecords::init()
{
    openRelay();
    QVERIFY(relay->isValid());
    loadRecords(*relay);
    openWindow();
}

void TestReliabilityRecords::cleanup()
{
    closeAll();
}

void TestReliabilityRecords::readingsUnderFaults_data()
{
    QTest::addColumn<TestRelay::Faults>("faults");
    // Switched on for the headers already, or only once they have been read.
    QTest::addColumn<bool>("duringHeaders");
    // The faults leave every request a chance: the readings must complete.
    QTest::addColumn<bool>("mustComplete");
    // No request gets through: the readings must end with their failure boxes.
    QTest::addColumn<bool>("mustFail");

    TestRelay::Faults mixed;
    mixed.dropEvery = 11;
    mixed.corruptCrcEvery = 50;
    mixed.wrongAddressEvery = 70;
    mixed.noiseEvery = 45;
    mixed.exceptionEvery = 90;
    mixed.chunkSize = 4;
    mixed.chunkGapMs = 5;
    mixed.answerDelayMs = 300;
    mixed.answerDelayEvery = 10;
    QTest::newRow("mixed line faults") << mixed << true << true << false;

    // Answers 1.5 s late, past the 1 s timeout, with the length and function
    // the next request awaits: the readings cost time, and must give the
    // relay's data. Every 3rd is read by length alone: one sample or entry
    // a request would take minutes.
    TestRelay::Faults late;
    late.answerDelayMs = 1500;
    late.answerDelayEvery = 10;
    QTest::newRow("one answer in ten 1.5 s late") << late << true << true << false;
    if (lengthFramingRun()) {
        late.answerDelayEvery = 3;
        QTest::newRow("every 3rd answer 1.5 s late") << late << true << true << false;
    }

    TestRelay::Faults silent;
    silent.dropEvery = 1;
    QTest::newRow("relay stops answering") << silent << false << false << true;

    // The client ends such requests without a word to the reader.
    TestRelay::Faults refusing;
    refusing.exceptionEvery = 1;
    QTest::newRow("relay refuses every request") << refusing << false << false << true;
}

void TestReliabilityRecords::readingsUnderFaults()
{
    QFETCH(TestRelay::Faults, faults);
    QFETCH(bool, duringHeaders);
    QFETCH(bool, mustComplete);
    QFETCH(bool, mustFail);

    MainWindowTestAccess access(*window);
    QVERIFY(connectAndPoll(*relay));
    if (duringHeaders)
        relay->setFaults(faults);
    QTemporaryDir folder;
    const Outcome outcome = readEverything(*window, *closer, *relay, folder.path(), faults);
    QVERIFY2(outcome.headersRead, outcome.boxes.constData());

    // Either the data of a clean reading, or the failure box and no file.
    if (outcome.recordBox == QStringLiteral("Успешно")) {
        QCOMPARE(outcome.cfg, reference.cfg);
        QCOMPARE(outcome.dat, reference.dat);
    } else {
        QCOMPARE(outcome.recordBox, QStringLiteral("Ошибка связи"));
        QCOMPARE(outcome.dat, QByteArray("<missing>"));
    }
    if (outcome.journalRead) {
        QCOMPARE(outcome.csv, reference.csv);
    } else {
        QCOMPARE(outcome.journalBox, QStringLiteral("Ошибка"));
        QCOMPARE(outcome.csv, QByteArray("<missing>"));
    }
    if (mustComplete) {
        QVERIFY2(outcome.recordBox == QStringLiteral("Успешно") && outcome.journalRead,
                 outcome.boxes.constData());
    }
    if (mustFail) {
        QVERIFY2(outcome.recordBox == QStringLiteral("Ошибка связи") && !outcome.journalRead,
                 outcome.boxes.constData());
        QVERIFY(!logLines(*window).isEmpty());
    }
    // Polling was on before the readings and is on again after them.
    QVERIFY(access.polling());
}

void TestReliabilityRecords::unplugMidReadingReportsTimeoutsAndStaysUsable()
{
    MainWindowTestAccess access(*window);
    QVERIFY(connectAndPoll(*relay));
    auto* list = child<QListWidget>(window, "crashList");
    action(*window, "actionReadHeaders")->trigger();
    TRY_COMPARE(list->count(), 3, 10000);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());

    // Read 17 samples a request, the record would be done before the cable
    // is pulled: the relay answers slowly then.
    if (lengthFramingRun()) {
        TestRelay::Faults slow;
        slow.answerDelayMs = 300;
        relay->setFaults(slow);
    }
    QTemporaryDir folder;
    closer->expectFileDialog(folder.path());
    closer->expectMessageBox();
    child<QPushButton>(window, "buttonSaveRecord")->click();
    TRY_VERIFY(child<QProgressBar>(window, "crashSaveProgress")->value() >= 10, 10000);
    child<QListWidget>(window, "listLog")->clear();
    relay->unplug();

    // The sample request and its retries time out, and the reading ends with
    // its failure box. Polling then resumes, and finds the port gone: its
    // error box (if the port path has not been reused meanwhile) is taken by
    // the closer as an unexpected one.
    QVERIFY2(closer->waitUntilDone(20000), closer->describe().constData());
    QCOMPARE(closer->seen.at(1).title, QStringLiteral("Ошибка связи"));
    QCOMPARE(closer->seen.at(1).text, QStringLiteral("Проверьте настройки и повторите попытку."));
    QVERIFY(logLines(*window).contains(QStringLiteral("Таймаут ответа!")));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList());

    // Nothing keeps the processor busy on the dead line.
    const double share = cpuShare(2000);
    QVERIFY2(share < 0.3, qPrintable(QString::number(share)));
    for (int i = 2; i < closer->seen.size(); ++i)
        QCOMPARE(closer->seen.at(i).title, QStringLiteral("Ошибка открытия порта"));

    // The cable goes into another relay: stop, reconnect, poll.
    action(*window, "actionStop")->trigger();
    QVERIFY(!access.port()->isOpen());
    TestRelay other(1);
    QVERIFY(other.isValid());
    other.setRegister(8, 1);
    other.setRegister(9, 321);
    QVERIFY(connectAndPoll(other));
    access.setPollPeriod(fastPollMs);
    TRY_COMPARE(access.device()->getRegister(9), uint16_t(321), 5000);
    action(*window, "actionStop")->trigger();
}

void TestReliabilityRecords::relayServingNeitherBatchedFormIsReadWithoutFailureBox()
{
    // An older relay: one sample, one sub-request a request; the batched
    // forms it refuses with an exception.
    TestRelay::Limits older;
    older.maxRecordLength = 20;
    older.singleSubRequest = true;
    relay->setLimits(older);
    QVERIFY(connectAndPoll(*relay, true));
    QTemporaryDir folder;
    const Outcome outcome = readEverything(*window, *closer, *relay, folder.path(), {});
    QVERIFY2(outcome.headersRead, outcome.boxes.constData());
    QCOMPARE(outcome.recordBox, QStringLiteral("Успешно"));
    QVERIFY2(outcome.journalRead, outcome.boxes.constData());
    QCOMPARE(outcome.cfg, reference.cfg);
    QCOMPARE(outcome.dat, reference.dat);
    QCOMPARE(outcome.csv, reference.csv);
    // Only the file dialogs and the record's success box came up.
    for (const ModalCloser::Seen& seen : closer->seen)
        QVERIFY2(seen.expected && seen.title != QStringLiteral("Ошибка связи"),
                 outcome.boxes.constData());
    QVERIFY(MainWindowTestAccess(*window).polling());
}

void TestReliabilityRecords::readingsOverTcp_data()
{
    QTest::addColumn<TestRelay::Line>("line");
    QTest::newRow("RTU over TCP") << TestRelay::Line::RtuOverTcp;
    QTest::newRow("Modbus TCP") << TestRelay::Line::ModbusTcp;
}

void TestReliabilityRecords::readingsOverTcp()
{
    QFETCH(TestRelay::Line, line);

    TestRelay gateway(line);
    QVERIFY(gateway.isValid());
    loadRecords(gateway);
    QVERIFY(connectAndPoll(gateway));
    QTemporaryDir folder;
    const Outcome outcome = readEverything(*window, *closer, gateway, folder.path(), {});
    QVERIFY2(outcome.headersRead, outcome.boxes.constData());
    QCOMPARE(outcome.recordBox, QStringLiteral("Успешно"));
    QVERIFY(outcome.journalRead);
    QCOMPARE(outcome.cfg, reference.cfg);
    QCOMPARE(outcome.dat, reference.dat);
    QCOMPARE(outcome.csv, reference.csv);
    action(*window, "actionStop")->trigger();
}

QTEST_MAIN(TestReliabilityRecords)
#include "tst_reliabilityrecords.moc"
