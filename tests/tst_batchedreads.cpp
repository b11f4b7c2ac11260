// Fault records and the journal read through the program's Modbus master —
// readers, client, link — from the test relay over each kind of line: read
// one sample and one entry a request, or batched, the exports are the same
// byte for byte; an older relay that refuses the batched forms is read one
// by one without a failure.
#include "base/Logger.h"
#include "support/LogCapture.h"
#include "support/RelayContent.h"
#include "support/RelayMaster.h"
#include "support/ShortLineTiming.h"
#include "support/TestRelay.h"

#include <QTest>

Q_DECLARE_METATYPE(TestRelay::Line)
Q_DECLARE_METATYPE(TestRelay::Limits)

namespace {

// Samples that do not fill the last batch of 17.
constexpr int faultSamples = 40;

const QString sampleFallback = QStringLiteral(
    "Реле не отдаёт несколько отсчётов одним запросом: осциллограммы читаются по одному отсчёту.");
const QString entryFallback = QStringLiteral(
    "Реле не отдаёт несколько записей одним запросом: журнал читается по одной записи.");

// What reading the headers, record 1 and the journal gave.
struct Readings
{
    bool complete = false;
    int failures = 0;
    QByteArray record;
    QByteArray csv;
    int requests = 0;
};

Readings readAll(TestRelay& relay, bool byLength, bool batched)
{
    Readings readings;
    RelayMaster master(relay, byLength, batched);
    if (!master.open())
        return readings;
    relay.clearRecords();
    readings.complete = master.readHeaders() && master.readRecord(1) && master.readJournal();
    readings.failures = master.failures;
    readings.record = master.exported(1);
    readings.csv = master.csv();
    readings.requests = relay.requestCount();
    return readings;
}

} // namespace

class TestBatchedReads : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void batchedReadsEqualOneByOne_data();
    void batchedReadsEqualOneByOne();
    void olderRelayIsReadOneByOne_data();
    void olderRelayIsReadOneByOne();

private:
    Readings reference;
};

void TestBatchedReads::initTestCase()
{
    shortenLineTiming();
    // One sample and one entry a request, each answer ended by silence.
    TestRelay relay;
    QVERIFY(relay.isValid());
    relaycontent::loadRecords(relay, faultSamples);
    reference = readAll(relay, false, false);
    QVERIFY(reference.complete);
    QCOMPARE(reference.requests, 3 + (faultSamples + 120) + 1 + 30);
    QVERIFY(reference.record.contains("600,160\r\n"));
    QCOMPARE(reference.csv.count('\n'), 1 + 30 - 4);
}

void TestBatchedReads::batchedReadsEqualOneByOne_data()
{
    QTest::addColumn<TestRelay::Line>("line");
    QTest::addColumn<bool>("byLength");
    QTest::addColumn<bool>("batched");
    QTest::addColumn<int>("requests");

    // Headers, ten requests of up to 17 samples, pointer, four of up to 9 entries.
    const int batchedRequests = 3 + 10 + 1 + 4;
    const int oneByOne = 3 + 160 + 1 + 30;
    QTest::newRow("serial line, frame end by length, batched")
        << TestRelay::Line::Pty << true << true << batchedRequests;
    QTest::newRow("serial line, silence only, batched")
        << TestRelay::Line::Pty << false << true << batchedRequests;
    QTest::newRow("serial line, frame end by length, one by one")
        << TestRelay::Line::Pty << true << false << oneByOne;
    QTest::newRow("RTU over TCP, batched")
        << TestRelay::Line::RtuOverTcp << true << true << batchedRequests;
    QTest::newRow("Modbus TCP, batched")
        << TestRelay::Line::ModbusTcp << true << true << batchedRequests;
}

void TestBatchedReads::batchedReadsEqualOneByOne()
{
    QFETCH(TestRelay::Line, line);
    QFETCH(bool, byLength);
    QFETCH(bool, batched);
    QFETCH(int, requests);

    TestRelay relay(line);
    QVERIFY(relay.isValid());
    relaycontent::loadRecords(relay, faultSamples);
    const Readings readings = readAll(relay, byLength, batched);
    QVERIFY(readings.complete);
    QCOMPARE(readings.failures, 0);
    QCOMPARE(readings.requests, requests);
    QVERIFY(readings.record == reference.record);
    QCOMPARE(readings.csv, reference.csv);
}

void TestBatchedReads::olderRelayIsReadOneByOne_data()
{
    QTest::addColumn<TestRelay::Limits>("limits");
    QTest::addColumn<QStringList>("infoLines");

    const TestRelay::Refusal refusals[] = {TestRelay::Refusal::Exception,
                                           TestRelay::Refusal::ShortAnswer,
                                           TestRelay::Refusal::Silence};
    const char* names[] = {"exception", "short answer", "no answer"};
    for (int i = 0; i < 3; ++i) {
        TestRelay::Limits longRecords;
        // Headers (20 registers) and journal entries (12) still pass.
        longRecords.maxRecordLength = 20;
        longRecords.refusal = refusals[i];
        QTest::addRow("long records refused by %s", names[i])
            << longRecords << QStringList{sampleFallback};

        TestRelay::Limits oneSubRequest;
        oneSubRequest.singleSubRequest = true;
        oneSubRequest.refusal = refusals[i];
        QTest::addRow("several sub-requests refused by %s", names[i])
            << oneSubRequest << QStringList{entryFallback};
    }
    TestRelay::Limits neither;
    neither.maxRecordLength = 20;
    neither.singleSubRequest = true;
    QTest::newRow("neither batched form served")
        << neither << QStringList{sampleFallback, entryFallback};
}

void TestBatchedReads::olderRelayIsReadOneByOne()
{
    QFETCH(TestRelay::Limits, limits);
    QFETCH(QStringList, infoLines);

    TestRelay relay;
    QVERIFY(relay.isValid());
    relaycontent::loadRecords(relay, faultSamples);
    relay.setLimits(limits);
    LogCapture log(static_cast<int>(LogLevel::Info));
    const Readings readings = readAll(relay, true, true);
    QVERIFY(readings.complete);
    // Falling back is not a failure: every reading ends well, once.
    QCOMPARE(readings.failures, 0);
    QVERIFY(readings.record == reference.record);
    QCOMPARE(readings.csv, reference.csv);
    QStringList said;
    for (const QString& line : log.lines()) {
        if (line.startsWith(QStringLiteral("Реле не отдаёт")))
            said << line;
    }
    QCOMPARE(said, infoLines);
}

QTEST_MAIN(TestBatchedReads)
#include "tst_batchedreads.moc"
