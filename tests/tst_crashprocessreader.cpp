#include "base/Logger.h"
#include "modbus/ModBusClient.h"
#include "records/CrashProcessHeader.h"
#include "records/CrashProcessReader.h"
#include "records/ReaderRequests.h"
#include "simulator/DemoRTULink.h"
#include "support/EventWait.h"
#include "support/LogCapture.h"
#include "support/RecordingModBusClient.h"
#include "support/ScriptedRelay.h"
#include "support/ShortLineTiming.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// A header that passes the validity test, with F fault samples.
CrashProcessHeader validHeader(uint16_t faultSamples, uint8_t tag = 0)
{
    CrashProcessHeader header;
    header.year = 19;
    header.month = 1;
    header.day = 1;
    header.hour = tag;
    header.minute = 1;
    header.scalePhase = 1949;
    header.faultSamples = faultSamples;
    header.valid = 1;
    header.checksum = header.expectedChecksum();
    return header;
}

// A sample whose fields tell which record, pass and position it came from.
QByteArray sampleBytes(int file, int pass, int position)
{
    CrashProcessSample sample;
    sample.ia = static_cast<int16_t>(position);
    sample.ib = static_cast<int16_t>(file);
    sample.ic = static_cast<int16_t>(pass);
    sample.i3I0 = -1;
    sample.discrete = 0x0400;
    sample.reserved = 0xBEEF;
    return sample.encode();
}

// The relay's record files: empty header slots unless a test fills them,
// samples that tell where they came from.
class FakeRelay : public ScriptedRelay
{
public:
    using ScriptedRelay::ScriptedRelay;

    // Empty slots unless a test fills them.
    QByteArray headers[3] = {QByteArray(40, '\0'), QByteArray(40, '\0'), QByteArray(40, '\0')};
    int pass = 0;
    // An older relay ends a request for more than one sample with this: a
    // timeout (noAnswer) or a failure of the kind given.
    static constexpr int noAnswer = -1;
    bool refusesLongRecords = false;
    int refusal = noAnswer;

    const RecordingModBusClient::Request& last() const { return client.requests.last(); }

    void answer() override
    {
        const RecordingModBusClient::Request request = last();
        if (refusesLongRecords && request.count != 0 && request.length > 7) {
            if (refusal == noAnswer)
                request.listener->responseTimeout();
            else
                request.listener->requestFailed(
                    static_cast<IModBusResponseListener::Failure>(refusal));
            return;
        }
        QByteArray data;
        if (request.count == 0 && request.length == 20) {
            data = headers[request.start];
        } else {
            for (int k = 0; k < request.length / 7; ++k)
                data += sampleBytes(request.start, pass, (request.count - 20) / 7 + k);
        }
        QCOMPARE(data.size(), request.length * 2);
        deliverFileRecord(*request.listener, static_cast<uint16_t>(request.start),
                          static_cast<uint16_t>(request.count), data);
    }
};

void deliver(CrashProcessReader& reader, uint16_t file, uint16_t record, const QByteArray& data)
{
    deliverFileRecord(reader, file, record, data);
}

// Reads the headers with `header` in record 0, then forgets the requests
// that took, so that a test sees only those of the record reading.
void readHeaderZero(CrashProcessReader& reader, RecordingModBusClient& client,
                    const CrashProcessHeader& header)
{
    reader.readHeaders(1);
    deliver(reader, 0, 0, header.encode());
    client.requests.clear();
}

// The owner of a ReaderRequests watchdog, counting its expiries.
class WatchdogOwner : public QObject
{
public:
    void expired() { ++expiries; }
    int expiries = 0;
};

} // namespace

class TestCrashProcessReader : public QObject
{
    Q_OBJECT

private slots:
    // Whole readings from the demo relay, at a quarter of its answer delay.
    void initTestCase() { shortenLineTiming(); }
    void headerFieldsAreLittleEndian();
    void headerValidity_data();
    void headerValidity();
    void indexOutsideTheThreeRecords();

    void readingHeadersSendsThreeRequests();
    void headerReadingGivesUpWithFailureSignal();

    void recordOf600FaultSamplesTakes720Requests();
    void recordTakesOneRequestPerSample_data();
    void recordTakesOneRequestPerSample();
    void recordAboveTwoFailsWithoutRequest();
    void invalidHeaderFailsWithoutRequest();
    void readingAgainReplacesOnlyThatBuffer();

    void retries_data();
    void retries();
    void droppedRequestIsRetriedByWatchdog();
    void staleAnswersAreIgnored();
    void lateFailuresAfterTheEndAreIgnored();

    void readsDemoRelayEndToEnd();

    void batchedRecordAsksUpTo17SamplesARequest_data();
    void batchedRecordAsksUpTo17SamplesARequest();
    void firstBatchRefusedFallsBackToOneSample_data();
    void firstBatchRefusedFallsBackToOneSample();
    void refusalAfterBatchesWorkedIsAFailedAttempt();
    void batchedDemoRecordEqualsOneByOne();

    // The requests helper both record readers use, on its own.
    void readerRequestsDecideWhatFollowsAFailure();
    void readerRequestsWatchdogCallsItsOwner();
};

void TestCrashProcessReader::headerFieldsAreLittleEndian()
{
    // A record header as the demo relay keeps it (record 2).
    const QByteArray raw = QByteArray::fromHex("13 01 01 02 01 00 00 00 00 04 00 04 00 04 00 04"
                                               "00 04 9D 07 82 1F 71 07 01 00 01 00 01 00 00 00"
                                               "00 00 58 02 00 00 01 B8");
    QCOMPARE(raw.size(), CrashProcessHeader::size);
    const auto header =
        CrashProcessHeader::decode(reinterpret_cast<const uint8_t*>(raw.constData()));
    QCOMPARE(int(header.year), 19);
    QCOMPARE(int(header.hour), 2);
    QCOMPARE(int(header.gainIa), 1024);
    QCOMPARE(int(header.scalePhase), 1949);
    QCOMPARE(int(header.scale3I0), 8066);
    QCOMPARE(int(header.scale3U0), 1905);
    QCOMPARE(int(header.ratioPhase), 1);
    QCOMPARE(int(header.faultSamples), 600);
    QCOMPARE(header.sampleCount(), 720);
    QVERIFY(header.isValid());
    QCOMPARE(header.encode(), raw);

    const QByteArray sampleRaw = QByteArray::fromHex("FBFF0100008000000000000401EF");
    const auto sample =
        CrashProcessSample::decode(reinterpret_cast<const uint8_t*>(sampleRaw.constData()));
    QCOMPARE(int(sample.ia), -5);
    QCOMPARE(int(sample.ib), 1);
    QCOMPARE(int(sample.ic), -32768);
    QCOMPARE(int(sample.discrete), 0x0400);
    QCOMPARE(sample.encode(), sampleRaw);
}

void TestCrashProcessReader::headerValidity_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<bool>("valid");

    // Bytes 0..38 sum to 0x45 with a non-zero valid byte.
    QByteArray summing(40, '\0');
    summing[0] = 0x40;
    summing[5] = 0x04;
    summing[38] = 0x01;
    QByteArray good = summing;
    good[39] = char(0xBA);
    QByteArray bad = summing;
    bad[39] = char(0xBB);
    QTest::newRow("checksum 0xBA matches") << good << true;
    QTest::newRow("checksum 0xBB does not") << bad << false;
    QTest::newRow("all zero") << QByteArray(40, '\0') << false;

    // The checksum covers the words the client does not interpret.
    QByteArray reserved = good;
    reserved[28] = 0x01;
    QTest::newRow("reserved word changed") << reserved << false;

    // Matching checksum but an empty slot.
    QByteArray empty(40, '\0');
    empty[0] = 0x45;
    empty[39] = char(0xBA);
    QTest::newRow("valid byte zero") << empty << false;
}

void TestCrashProcessReader::headerValidity()
{
    QFETCH(QByteArray, raw);
    QFETCH(bool, valid);

    RecordingModBusClient client;
    CrashProcessReader reader;
    reader.setClient(&client);
    reader.readHeaders(1);
    deliver(reader, 0, 0, raw);
    QCOMPARE(reader.isHeaderValid(0), valid);
    QCOMPARE(reader.header(0)->encode(), raw);
}

void TestCrashProcessReader::indexOutsideTheThreeRecords()
{
    CrashProcessReader reader;
    QVERIFY(!reader.isHeaderValid(-1));
    QVERIFY(!reader.isHeaderValid(3));
    QVERIFY(reader.header(-1) == nullptr);
    QVERIFY(reader.header(3) == nullptr);
    QVERIFY(reader.header(2) != nullptr);
    QVERIFY(!reader.isHeaderValid(2));
    for (int i = -1; i <= 3; ++i)
        QVERIFY(reader.samples(i) == nullptr);
    QCOMPARE(reader.progress(), 0.0f);
}

void TestCrashProcessReader::readingHeadersSendsThreeRequests()
{
    RecordingModBusClient client;
    FakeRelay relay(client);
    relay.headers[0] = validHeader(600, 0).encode();
    relay.headers[1] = QByteArray(40, '\0');
    relay.headers[2] = validHeader(10, 2).encode();

    CrashProcessReader reader;
    reader.setClient(&client);
    QSignalSpy finished(&reader, &CrashProcessReader::headersReadingFinished);
    QSignalSpy failed(&reader, &CrashProcessReader::recordReadingFailed);

    reader.readHeaders(17);
    QCOMPARE(client.requests.size(), 1);
    relay.answerAll();

    QCOMPARE(client.requests.size(), 3);
    for (int file = 0; file < 3; ++file) {
        const auto& request = client.requests.at(file);
        QCOMPARE(request.function, QStringLiteral("readFileRecord"));
        QVERIFY(request.listener == &reader);
        QCOMPARE(request.address, 17);
        QCOMPARE(request.start, file);
        QCOMPARE(request.count, 0);
        QCOMPARE(request.length, 20);
        QCOMPARE(request.priority, 0);
    }
    QCOMPARE(finished.count(), 1);
    QCOMPARE(failed.count(), 0);
    QVERIFY(reader.isHeaderValid(0));
    QVERIFY(!reader.isHeaderValid(1));
    QVERIFY(reader.isHeaderValid(2));
    QCOMPARE(int(reader.header(2)->faultSamples), 10);
    QCOMPARE(reader.progress(), 0.0f);
}

void TestCrashProcessReader::headerReadingGivesUpWithFailureSignal()
{
    RecordingModBusClient client;
    CrashProcessReader reader;
    reader.setClient(&client);
    QSignalSpy failed(&reader, &CrashProcessReader::recordReadingFailed);
    QSignalSpy finished(&reader, &CrashProcessReader::headersReadingFinished);

    reader.readHeaders(1);
    deliver(reader, 0, 0, validHeader(600).encode());
    failRequest(reader, 3, false);

    QCOMPARE(failed.count(), 1);
    QCOMPARE(finished.count(), 0);
    // Header 1 asked for three times, the received header kept.
    QCOMPARE(client.requests.size(), 4);
    for (int i = 1; i < 4; ++i)
        QCOMPARE(client.requests.at(i).start, 1);
    QVERIFY(reader.isHeaderValid(0));
}

void TestCrashProcessReader::recordOf600FaultSamplesTakes720Requests()
{
    RecordingModBusClient client;
    FakeRelay relay(client);
    CrashProcessReader reader;
    reader.setClient(&client);
    reader.readHeaders(1);
    deliver(reader, 0, 0, QByteArray(40, '\0'));
    deliver(reader, 1, 0, validHeader(600).encode());
    deliver(reader, 2, 0, QByteArray(40, '\0'));
    client.requests.clear();

    QSignalSpy finished(&reader, &CrashProcessReader::recordReadingFinished);
    reader.readCrashProcess(5, 1);
    for (int k = 0; k < 360; ++k)
        relay.answer();
    QCOMPARE(int(reader.progress()), 50);
    QCOMPARE(reader.state(), CrashProcessReader::ReadingRecord);
    relay.answerAll();

    QCOMPARE(client.requests.size(), 720);
    for (int k = 0; k < 720; ++k) {
        const auto& request = client.requests.at(k);
        QCOMPARE(request.start, 1);
        QCOMPARE(request.count, 20 + 7 * k);
        QCOMPARE(request.length, 7);
        QCOMPARE(request.address, 5);
        QCOMPARE(request.priority, 0);
    }
    QCOMPARE(client.requests.last().count, 5053);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), 1);
    QCOMPARE(reader.progress(), 100.0f);

    const QByteArray* buffer = reader.samples(1);
    QVERIFY(buffer != nullptr);
    QCOMPARE(buffer->size(), 720 * 14);
    for (int k : {0, 359, 719})
        QCOMPARE(buffer->mid(k * 14, 14), sampleBytes(1, 0, k));
    QVERIFY(reader.samples(0) == nullptr);
    QVERIFY(reader.samples(2) == nullptr);
}

void TestCrashProcessReader::recordTakesOneRequestPerSample_data()
{
    QTest::addColumn<int>("faultSamples");
    QTest::addColumn<int>("samples");
    // A request whose record number the test checks.
    QTest::addColumn<int>("checked");

    QTest::newRow("no fault samples: the pre-fault ones still read") << 0 << 120 << 119;
    // 65535 fault samples make more samples than a 16-bit counter can count;
    // record numbers wrap modulo 65536.
    QTest::newRow("longest record ends after all samples") << 65535 << 65655 << 65535;
}

void TestCrashProcessReader::recordTakesOneRequestPerSample()
{
    QFETCH(int, faultSamples);
    QFETCH(int, samples);
    QFETCH(int, checked);

    RecordingModBusClient client;
    FakeRelay relay(client);
    CrashProcessReader reader;
    reader.setClient(&client);
    readHeaderZero(reader, client, validHeader(static_cast<uint16_t>(faultSamples)));

    QSignalSpy finished(&reader, &CrashProcessReader::recordReadingFinished);
    reader.readCrashProcess(1, 0);
    relay.answerAll();
    QCOMPARE(client.requests.size(), samples);
    QCOMPARE(client.requests.at(checked).count, (20 + 7 * checked) % 65536);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(reader.samples(0)->size(), samples * 14);
}

void TestCrashProcessReader::recordAboveTwoFailsWithoutRequest()
{
    RecordingModBusClient client;
    CrashProcessReader reader;
    reader.setClient(&client);
    QSignalSpy failed(&reader, &CrashProcessReader::recordReadingFailed);
    reader.readCrashProcess(1, 3);
    QCOMPARE(failed.count(), 1);
    QVERIFY(client.requests.isEmpty());
    QCOMPARE(reader.state(), CrashProcessReader::Idle);
}

void TestCrashProcessReader::invalidHeaderFailsWithoutRequest()
{
    RecordingModBusClient client;
    CrashProcessReader reader;
    reader.setClient(&client);
    CrashProcessHeader broken = validHeader(600);
    broken.checksum ^= 1;
    readHeaderZero(reader, client, broken);

    QSignalSpy failed(&reader, &CrashProcessReader::recordReadingFailed);
    reader.readCrashProcess(1, 0);
    QCOMPARE(failed.count(), 1);
    QVERIFY(client.requests.isEmpty());
    QVERIFY(reader.samples(0) == nullptr);
}

void TestCrashProcessReader::readingAgainReplacesOnlyThatBuffer()
{
    RecordingModBusClient client;
    FakeRelay relay(client);
    relay.headers[0] = validHeader(5, 0).encode();
    relay.headers[1] = validHeader(7, 1).encode();
    relay.headers[2] = validHeader(9, 2).encode();
    CrashProcessReader reader;
    reader.setClient(&client);
    reader.readHeaders(1);
    relay.answerAll();

    reader.readCrashProcess(1, 0);
    relay.answerAll();
    reader.readCrashProcess(1, 1);
    relay.answerAll();
    const QByteArray firstOfRecord1 = *reader.samples(1);

    relay.pass = 1;
    reader.readCrashProcess(1, 0);
    relay.answerAll();

    QCOMPARE(reader.samples(0)->size(), 125 * 14);
    QCOMPARE(reader.samples(0)->mid(3 * 14, 14), sampleBytes(0, 1, 3));
    QCOMPARE(*reader.samples(1), firstOfRecord1);
    QCOMPARE(reader.samples(1)->mid(3 * 14, 14), sampleBytes(1, 0, 3));
    QVERIFY(reader.samples(2) == nullptr);
}

void TestCrashProcessReader::retries_data()
{
    QTest::addColumn<bool>("readingHeaders");
    QTest::addColumn<bool>("useRequestFailed");
    QTest::addColumn<int>("failuresBeforeAnswer");
    QTest::addColumn<bool>("gaveUp");

    QTest::newRow("record: two timeouts then an answer") << false << false << 2 << false;
    QTest::newRow("record: three timeouts") << false << false << 3 << true;
    QTest::newRow("record: three request failures") << false << true << 3 << true;
    QTest::newRow("headers: two timeouts then an answer") << true << false << 2 << false;
    QTest::newRow("headers: three timeouts") << true << false << 3 << true;
}

void TestCrashProcessReader::retries()
{
    QFETCH(bool, readingHeaders);
    QFETCH(bool, useRequestFailed);
    QFETCH(int, failuresBeforeAnswer);
    QFETCH(bool, gaveUp);

    RecordingModBusClient client;
    FakeRelay relay(client);
    relay.headers[0] = validHeader(30).encode();
    CrashProcessReader reader;
    reader.setClient(&client);
    QSignalSpy failed(&reader, &CrashProcessReader::recordReadingFailed);
    QSignalSpy recordDone(&reader, &CrashProcessReader::recordReadingFinished);
    QSignalSpy headersDone(&reader, &CrashProcessReader::headersReadingFinished);

    reader.readHeaders(1);
    relay.answer();
    if (!readingHeaders) {
        relay.answerAll();
        reader.readCrashProcess(1, 0);
        relay.answer(); // sample 0 arrives, sample 1 is asked for
    }
    const auto asked = client.requests.last();
    const int before = client.requests.size();

    // A success in between resets the count: two more failures are survived.
    failRequest(reader, 2, useRequestFailed);
    relay.answer();
    const auto next = client.requests.last();
    QVERIFY(next.count != asked.count || next.start != asked.start);

    const int resumed = client.requests.size();
    failRequest(reader, failuresBeforeAnswer, useRequestFailed);

    QCOMPARE(before, resumed - 3);
    for (int i = before; i < before + 2; ++i) {
        QCOMPARE(client.requests.at(i).start, asked.start);
        QCOMPARE(client.requests.at(i).count, asked.count);
    }
    // Each request at most three times: the third failure sends nothing.
    QCOMPARE(client.requests.size(), resumed + (gaveUp ? 2 : failuresBeforeAnswer));
    QCOMPARE(failed.count(), gaveUp ? 1 : 0);
    if (!gaveUp) {
        relay.answerAll();
        QCOMPARE((readingHeaders ? headersDone : recordDone).count(), 1);
    }
}

void TestCrashProcessReader::droppedRequestIsRetriedByWatchdog()
{
    RecordingModBusClient client;
    CrashProcessReader reader;
    reader.setClient(&client);
    reader.setWatchdogInterval(20);
    QSignalSpy failed(&reader, &CrashProcessReader::recordReadingFailed);

    // The client drops the request (exception answer) and never calls back.
    reader.readHeaders(1);
    QVERIFY(failed.wait(2000));
    QCOMPARE(failed.count(), 1);
    QCOMPARE(client.requests.size(), 3);
    for (const auto& request : client.requests)
        QCOMPARE(request.start, 0);

    // Nothing more is sent once the reading has ended.
    eventwait::spin(100);
    QCOMPARE(client.requests.size(), 3);
    QCOMPARE(failed.count(), 1);
}

void TestCrashProcessReader::staleAnswersAreIgnored()
{
    RecordingModBusClient client;
    FakeRelay relay(client);
    relay.headers[1] = validHeader(3, 1).encode();
    CrashProcessReader reader;
    reader.setClient(&client);
    QSignalSpy headersDone(&reader, &CrashProcessReader::headersReadingFinished);

    reader.readHeaders(1);
    // An answer for another file while header 0 is awaited.
    deliver(reader, 2, 0, validHeader(99).encode());
    QCOMPARE(client.requests.size(), 1);
    QVERIFY(!reader.isHeaderValid(2));
    relay.answerAll();
    QCOMPARE(headersDone.count(), 1);

    QSignalSpy finished(&reader, &CrashProcessReader::recordReadingFinished);
    reader.readCrashProcess(1, 1);
    relay.answer();
    QCOMPARE(client.requests.last().count, 27);
    const int sent = client.requests.size();
    const QByteArray before = *reader.samples(1);

    // A late header answer of record 0 (never read: it has no buffer), an
    // answer of another sample and one of a wrong length.
    deliver(reader, 0, 0, validHeader(600).encode());
    deliver(reader, 1, 20, sampleBytes(1, 9, 0));
    deliver(reader, 1, 27, sampleBytes(1, 9, 1).left(12));
    deliver(reader, 2, 27, sampleBytes(2, 9, 1));
    QCOMPARE(client.requests.size(), sent);
    QCOMPARE(*reader.samples(1), before);
    QVERIFY(reader.samples(0) == nullptr);
    QVERIFY(!reader.isHeaderValid(0));

    relay.answerAll();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(client.requests.size(), 3 + 123);
}

void TestCrashProcessReader::lateFailuresAfterTheEndAreIgnored()
{
    RecordingModBusClient client;
    FakeRelay relay(client);
    relay.headers[0] = validHeader(1).encode();
    CrashProcessReader reader;
    reader.setClient(&client);
    reader.readHeaders(1);
    relay.answerAll();
    reader.readCrashProcess(1, 0);
    relay.answerAll();

    QSignalSpy failed(&reader, &CrashProcessReader::recordReadingFailed);
    QSignalSpy finished(&reader, &CrashProcessReader::recordReadingFinished);
    const int sent = client.requests.size();
    failRequest(reader, 5, false);
    deliver(reader, 0, 20, sampleBytes(0, 5, 0));
    QCOMPARE(failed.count(), 0);
    QCOMPARE(finished.count(), 0);
    QCOMPARE(client.requests.size(), sent);
    QCOMPARE(reader.samples(0)->left(14), sampleBytes(0, 0, 0));
}

void TestCrashProcessReader::readsDemoRelayEndToEnd()
{
    DemoRTULink link;
    ModBusClient client;
    link.setListener(&client);
    client.setLink(&link);

    CrashProcessReader reader;
    reader.setClient(&client);
    QSignalSpy headersDone(&reader, &CrashProcessReader::headersReadingFinished);
    QSignalSpy recordDone(&reader, &CrashProcessReader::recordReadingFinished);
    QSignalSpy failed(&reader, &CrashProcessReader::recordReadingFailed);

    reader.readHeaders(1);
    QVERIFY(headersDone.wait(2000));
    for (int i = 0; i < 3; ++i) {
        QVERIFY(reader.isHeaderValid(i));
        QCOMPARE(int(reader.header(i)->hour), i);
        QCOMPARE(reader.header(i)->encode(), link.record(i).left(40));
    }
    QCOMPARE(reader.header(0)->dateText(), QStringLiteral("01.01.2019"));
    QCOMPARE(reader.header(1)->timeText(), QStringLiteral("01:01:00.0000"));

    // 720 transactions of 10 ms each.
    reader.readCrashProcess(1, 1);
    QVERIFY(recordDone.wait(30000));
    QCOMPARE(recordDone.at(0).at(0).toInt(), 1);
    QCOMPARE(failed.count(), 0);
    QCOMPARE(*reader.samples(1), link.record(1).mid(40));
    const auto first = CrashProcessSample::decode(
        reinterpret_cast<const uint8_t*>(reader.samples(1)->constData()));
    QCOMPARE(int(first.ia), 974);
}

void TestCrashProcessReader::batchedRecordAsksUpTo17SamplesARequest_data()
{
    QTest::addColumn<int>("faultSamples");
    QTest::addColumn<int>("requests");
    QTest::addColumn<int>("lastSamples");

    QTest::newRow("120 samples: 7 of 17 and one of 1") << 0 << 8 << 1;
    QTest::newRow("720 samples: 42 of 17 and one of 6") << 600 << 43 << 6;
    QTest::newRow("136 samples: 8 of 17") << 16 << 8 << 17;
}

void TestCrashProcessReader::batchedRecordAsksUpTo17SamplesARequest()
{
    QFETCH(int, faultSamples);
    QFETCH(int, requests);
    QFETCH(int, lastSamples);

    RecordingModBusClient client;
    FakeRelay relay(client);
    CrashProcessReader reader;
    reader.setClient(&client);
    reader.setBatchedReads(true);
    readHeaderZero(reader, client, validHeader(static_cast<uint16_t>(faultSamples)));
    const int samples = faultSamples + 120;

    QSignalSpy finished(&reader, &CrashProcessReader::recordReadingFinished);
    QList<float> progress;
    reader.readCrashProcess(1, 0);
    while (finished.isEmpty() && progress.size() < 100) {
        progress << reader.progress();
        relay.answer();
    }
    QCOMPARE(finished.count(), 1);
    QCOMPARE(client.requests.size(), requests);
    QCOMPARE(CrashProcessReader::samplesPerBatch(), 17);
    for (int i = 0; i < requests; ++i) {
        const RecordingModBusClient::Request& request = client.requests.at(i);
        QCOMPARE(request.function, QStringLiteral("readFileRecord"));
        QCOMPARE(request.count, 20 + 7 * 17 * i);
        QCOMPARE(request.length, 7 * (i + 1 < requests ? 17 : lastSamples));
        // Progress counts samples, whatever the requests.
        QCOMPARE(progress.at(i), float(17 * i) * 100.0f / float(samples));
    }
    // In the storage order, every sample where one-by-one reading puts it.
    const QByteArray* buffer = reader.samples(0);
    QCOMPARE(buffer->size(), samples * 14);
    for (int k = 0; k < samples; ++k)
        QCOMPARE(buffer->mid(k * 14, 14), sampleBytes(0, 0, k));
}

void TestCrashProcessReader::firstBatchRefusedFallsBackToOneSample_data()
{
    QTest::addColumn<int>("refusal");
    QTest::addColumn<bool>("fallsBack");

    using Failure = IModBusResponseListener::Failure;
    QTest::newRow("exception") << int(Failure::Exception) << true;
    QTest::newRow("wrong length") << int(Failure::WrongLength) << true;
    QTest::newRow("no answer") << int(FakeRelay::noAnswer) << true;
    // The line, not the relay: the batch is sent again.
    QTest::newRow("garbled answer") << int(Failure::Garbled) << false;
    QTest::newRow("another slave's answer") << int(Failure::OtherSlave) << false;
}

void TestCrashProcessReader::firstBatchRefusedFallsBackToOneSample()
{
    QFETCH(int, refusal);
    QFETCH(bool, fallsBack);

    RecordingModBusClient client;
    FakeRelay relay(client);
    CrashProcessReader reader;
    reader.setClient(&client);
    reader.setBatchedReads(true);
    readHeaderZero(reader, client, validHeader(10));
    relay.refusesLongRecords = true;
    relay.refusal = refusal;

    LogCapture log(static_cast<int>(LogLevel::Info));
    QSignalSpy finished(&reader, &CrashProcessReader::recordReadingFinished);
    QSignalSpy failed(&reader, &CrashProcessReader::recordReadingFailed);
    reader.readCrashProcess(1, 0);
    relay.answer();
    QCOMPARE(client.requests.size(), 2);
    QCOMPARE(client.requests.at(1).count, 20);
    if (!fallsBack) {
        QCOMPARE(client.requests.at(1).length, 7 * 17);
        QVERIFY(log.lines().isEmpty());
        // A line that garbles every batch makes the reading fail as before.
        for (int attempt = 1; attempt < CrashProcessReader::maxAttempts; ++attempt)
            relay.answer();
        QCOMPARE(failed.count(), 1);
        return;
    }
    QCOMPARE(log.lines(), QStringList{QStringLiteral("Реле не отдаёт несколько отсчётов одним "
                                                     "запросом: осциллограммы читаются по "
                                                     "одному отсчёту.")});
    // The fallback was no failed attempt: the sample survives two more.
    failRequest(reader, 2, true);
    relay.answerAll();
    QCOMPARE(failed.count(), 0);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(client.requests.size(), 1 + 3 + 130 - 1);
    for (int i = 1; i < client.requests.size(); ++i)
        QCOMPARE(client.requests.at(i).length, 7);
    QCOMPARE(reader.samples(0)->mid(129 * 14), sampleBytes(0, 0, 129));

    // The next reading keeps to one sample; a new connection tries again.
    client.requests.clear();
    reader.readCrashProcess(1, 0);
    QCOMPARE(client.requests.last().length, 7);
    reader.setBatchedReads(true);
    reader.readCrashProcess(1, 0);
    QCOMPARE(client.requests.last().length, 7 * 17);
    QCOMPARE(log.lines().size(), 1);
}

void TestCrashProcessReader::refusalAfterBatchesWorkedIsAFailedAttempt()
{
    RecordingModBusClient client;
    FakeRelay relay(client);
    CrashProcessReader reader;
    reader.setClient(&client);
    reader.setBatchedReads(true);
    readHeaderZero(reader, client, validHeader(10));
    QSignalSpy failed(&reader, &CrashProcessReader::recordReadingFailed);
    reader.readCrashProcess(1, 0);
    relay.answer();
    QCOMPARE(client.requests.last().length, 7 * 17);

    for (int i = 0; i < CrashProcessReader::maxAttempts; ++i)
        reader.requestFailed(IModBusResponseListener::Failure::Exception);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(client.requests.size(), 4);
    QCOMPARE(client.requests.at(2).length, 7 * 17);
    QCOMPARE(client.requests.at(3).length, 7 * 17);
}

void TestCrashProcessReader::batchedDemoRecordEqualsOneByOne()
{
    QByteArray buffers[2];
    for (bool batched : {false, true}) {
        DemoRTULink demo;
        ModBusClient client;
        demo.setListener(&client);
        client.setLink(&demo);
        CrashProcessReader reader;
        reader.setClient(&client);
        reader.setBatchedReads(batched);
        QSignalSpy headers(&reader, &CrashProcessReader::headersReadingFinished);
        reader.readHeaders(1);
        QVERIFY(headers.wait(5000));
        QSignalSpy finished(&reader, &CrashProcessReader::recordReadingFinished);
        reader.readCrashProcess(1, 2);
        QVERIFY(finished.wait(batched ? 5000 : 30000));
        buffers[batched ? 1 : 0] = *reader.samples(2);
    }
    QCOMPARE(buffers[1].size(), 720 * 14);
    QVERIFY(buffers[0] == buffers[1]);
}

void TestCrashProcessReader::readerRequestsDecideWhatFollowsAFailure()
{
    using Next = ReaderRequests::Next;
    WatchdogOwner owner;
    ReaderRequests requests(&owner, &WatchdogOwner::expired);

    // Nothing waited for: a late failure ends nothing.
    QCOMPARE(requests.ended(true, false), Next::Nothing);

    // The first batch refused: one at a time from then on, and no attempt
    // counted; the request is no longer waited for.
    requests.setBatchedReads(true);
    QVERIFY(requests.batchesAllowed());
    requests.sent();
    QCOMPARE(requests.ended(true, true), Next::FallBack);
    QVERIFY(!requests.batchesAllowed());
    QCOMPARE(requests.ended(true, true), Next::Nothing);

    // Three failed attempts give up; an answer starts the count anew.
    requests.sent();
    QCOMPARE(requests.ended(false, false), Next::Retry);
    requests.sent();
    requests.answered();
    for (int attempt = 1; attempt < ReaderRequests::maxAttempts; ++attempt) {
        requests.sent();
        QCOMPARE(requests.ended(true, false), Next::Retry);
    }
    requests.sent();
    QCOMPARE(requests.ended(true, false), Next::GiveUp);

    // A new connection tries batches again. A garbled batch says nothing
    // about the relay, and once a batch has been taken a refusal is a failed
    // attempt like any other.
    requests.setBatchedReads(true);
    requests.startReading();
    QVERIFY(requests.batchesAllowed());
    requests.sent();
    QCOMPARE(requests.ended(false, true), Next::Retry);
    requests.sent();
    requests.answered();
    requests.batchTaken();
    requests.sent();
    QCOMPARE(requests.ended(true, true), Next::Retry);
    QVERIFY(requests.batchesAllowed());
}

void TestCrashProcessReader::readerRequestsWatchdogCallsItsOwner()
{
    WatchdogOwner owner;
    ReaderRequests requests(&owner, &WatchdogOwner::expired);
    requests.setWatchdogInterval(20);

    // An answer stops the watchdog.
    requests.sent();
    requests.answered();
    eventwait::spin(60);
    QCOMPARE(owner.expiries, 0);

    // A request left without an answer: the owner decides what follows.
    requests.sent();
    TRY_COMPARE(owner.expiries, 1, 5000);
    QVERIFY(requests.isWaiting());
    QCOMPARE(requests.ended(false, false), ReaderRequests::Next::Retry);
    eventwait::spin(60);
    QCOMPARE(owner.expiries, 1);
}

QTEST_MAIN(TestCrashProcessReader)
#include "tst_crashprocessreader.moc"
