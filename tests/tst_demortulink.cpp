#include "base/Logger.h"
#include "modbus/ModBusClient.h"
#include "records/ComtradeWriter.h"
#include "records/CrashProcessHeader.h"
#include "records/JournalEntry.h"
#include "relay/RelayMap.h"
#include "simulator/DemoFeeder.h"
#include "simulator/DemoRTULink.h"
#include "support/EventWait.h"
#include "support/LogCapture.h"
#include "support/RecordingResponseListener.h"
#include "support/RecordingRtuListener.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QSet>
#include <QTest>

namespace {

const QByteArray headerTemplate = QByteArray::fromHex("130101000100000000"
                                                      "040004000400040004"
                                                      "9d07821f7107010001000100000000005802"
                                                      "00000100");

void send(DemoRTULink& link, const QByteArray& body)
{
    link.send(reinterpret_cast<const uint8_t*>(body.constData()),
              static_cast<uint16_t>(body.size()));
}

// Sends one request and waits for the one answer it gets.
QByteArray exchange(DemoRTULink& link, RecordingRtuListener& listener, const QByteArray& body)
{
    const int before = listener.frames.size();
    send(link, body);
    if (listener.frames.size() != before)
        return QByteArray("answered synchronously");
    QElapsedTimer clock;
    clock.start();
    while (listener.frames.size() == before && clock.elapsed() < 1000)
        eventwait::spin(1);
    return listener.frames.size() == before + 1 ? listener.frames.last() : QByteArray();
}

uint16_t le16(const QByteArray& bytes, int offset)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes.at(offset)) |
                                 static_cast<uint8_t>(bytes.at(offset + 1)) << 8);
}

QByteArray fileRequest(int file, int record, int length)
{
    QByteArray body = QByteArray::fromHex("01140706");
    for (int value : {file, record, length}) {
        body.append(static_cast<char>(value >> 8));
        body.append(static_cast<char>(value & 0xFF));
    }
    return body;
}

} // namespace

class TestDemoRtuLink : public QObject
{
    Q_OBJECT

private slots:
    void answersLikeTheRelay_data();
    void answersLikeTheRelay();
    void writtenRegistersReadBack_data();
    void writtenRegistersReadBack();

    void recordHeadersCarryIndexAndChecksum_data();
    void recordHeadersCarryIndexAndChecksum();
    void recordSamplesAreThreeShiftedSineWaves_data();
    void recordSamplesAreThreeShiftedSineWaves();
    void fileRecordPastTheEndReadsZeros();

    void logShowsFramesWithoutCrcTenMillisecondsApart();
    void trafficLinesShowOnlyInDebugMode();
    void answersToItsInterfaceName();
    void secondRequestWithinDelayReplacesFirst();
    void answerWithoutListenerIsDropped();
    void pollAndFileReadThroughTheClient();
    void batchedFileRecordsAnswerAsTheRelayFramesThem();
    void feederFollowsItsMinute_data();
    void feederFollowsItsMinute();
    void feederIsTheSameForTheSameTime();
    void acknowledgePutsTheLedsOut();
    void eachTripLeavesJournalEntryAndRecord();
};

void TestDemoRtuLink::answersLikeTheRelay_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("response");

    // A feeder in service: МТЗ-1 on at 5.00 A, the oscillograph at 1 s, and
    // so on; settings nobody set read zero.
    QTest::newRow("registers 8-9 at start-up") << QByteArray::fromHex("010300080002")
                                               << QByteArray::fromHex("0103040001"
                                                                      "01f4");
    QTest::newRow("register 11, a setting at zero")
        << QByteArray::fromHex("0103000b0001") << QByteArray::fromHex("0103020000");
    QTest::newRow("the poll's third block, 64-84") << QByteArray::fromHex("010300400015")
                                                   << QByteArray::fromHex("01032a"
                                                                          "0064"
                                                                          "0000"
                                                                          "0000"
                                                                          "0000"
                                                                          "0000"
                                                                          "00c8"
                                                                          "0000"
                                                                          "0000"
                                                                          "0000"
                                                                          "0000"
                                                                          "0000"
                                                                          "0000"
                                                                          "0032"
                                                                          "0000"
                                                                          "001e"
                                                                          "0000"
                                                                          "0000"
                                                                          "0000"
                                                                          "0000"
                                                                          "0000"
                                                                          "0000");
    QTest::newRow("registers past 84 read zero")
        << QByteArray::fromHex("010300540003") << QByteArray::fromHex("010306000000000000");
    QTest::newRow("far past the bank")
        << QByteArray::fromHex("0103fffe0002") << QByteArray::fromHex("01030400000000");
    QTest::newRow("any slave address is echoed")
        << QByteArray::fromHex("f70300080001") << QByteArray::fromHex("f703020001");
    QTest::newRow("8 coils in one byte")
        << QByteArray::fromHex("010100000008") << QByteArray::fromHex("01010100");
    QTest::newRow("9 coils in two bytes")
        << QByteArray::fromHex("010100000009") << QByteArray::fromHex("0101020000");
    QTest::newRow("coil write is echoed")
        << QByteArray::fromHex("01050003ff00") << QByteArray::fromHex("01050003ff00");
    QTest::newRow("journal slot 0 is empty before the first fault")
        << fileRequest(3, 0, 12) << QByteArray::fromHex("0114181806ff") + QByteArray(23, '\0');
    QTest::newRow("files past the journal read zeros")
        << fileRequest(33, 0, 20) << QByteArray::fromHex("0114282806") + QByteArray(40, '\0');
    QTest::newRow("unsupported function gets exception 01")
        << QByteArray::fromHex("010600010002") << QByteArray::fromHex("018601");
    QTest::newRow("truncated read gets exception 03")
        << QByteArray::fromHex("01030000") << QByteArray::fromHex("018303");
    QTest::newRow("write missing its values gets exception 03")
        << QByteArray::fromHex("0110000500020400") << QByteArray::fromHex("019003");
}

void TestDemoRtuLink::answersLikeTheRelay()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, response);

    DemoRTULink link;
    RecordingRtuListener listener;
    link.setListener(&listener);
    QCOMPARE(exchange(link, listener, request), response);
    QCOMPARE(listener.linkErrors, 0);
}

void TestDemoRtuLink::writtenRegistersReadBack_data()
{
    QTest::addColumn<QByteArray>("write");
    QTest::addColumn<QByteArray>("read");
    QTest::addColumn<QByteArray>("readBack");

    QTest::newRow("0x1234 into register 11")
        << QByteArray::fromHex("0110000b000102"
                               "1234")
        << QByteArray::fromHex("0103000b0001") << QByteArray::fromHex("0103021234");
    QTest::newRow("setting register 84") << QByteArray::fromHex("01100054000102"
                                                                "abcd")
                                         << QByteArray::fromHex("010300530002")
                                         << QByteArray::fromHex("01030400"
                                                                "00abcd");
    QTest::newRow("write across the end keeps only 84")
        << QByteArray::fromHex("0110005400020411112222") << QByteArray::fromHex("010300540002")
        << QByteArray::fromHex("0103041111"
                               "0000");
    QTest::newRow("coil write leaves every coil off")
        << QByteArray::fromHex("01050000ff00") << QByteArray::fromHex("010100000008")
        << QByteArray::fromHex("01010100");
    QTest::newRow("coil write leaves the registers as they were")
        << QByteArray::fromHex("01050008ff00") << QByteArray::fromHex("010300080001")
        << QByteArray::fromHex("0103020001");
    QTest::newRow("write of register 8 replaces its start value")
        << QByteArray::fromHex("01100008000204"
                               "00070008")
        << QByteArray::fromHex("010300080002") << QByteArray::fromHex("01030400070008");
}

void TestDemoRtuLink::writtenRegistersReadBack()
{
    QFETCH(QByteArray, write);
    QFETCH(QByteArray, read);
    QFETCH(QByteArray, readBack);

    DemoRTULink link;
    RecordingRtuListener listener;
    link.setListener(&listener);
    QCOMPARE(exchange(link, listener, write), write.left(6));
    QCOMPARE(exchange(link, listener, read), readBack);
}

void TestDemoRtuLink::recordHeadersCarryIndexAndChecksum_data()
{
    QTest::addColumn<int>("file");
    QTest::addColumn<int>("checksum");

    QTest::newRow("record 0") << 0 << 0xBA;
    QTest::newRow("record 1") << 1 << 0xB9;
    QTest::newRow("record 2") << 2 << 0xB8;
}

void TestDemoRtuLink::recordHeadersCarryIndexAndChecksum()
{
    QFETCH(int, file);
    QFETCH(int, checksum);

    DemoRTULink link;
    RecordingRtuListener listener;
    link.setListener(&listener);
    const QByteArray answer = exchange(link, listener, fileRequest(file, 0, 20));
    QCOMPARE(answer.size(), 45);
    QCOMPARE(answer.left(5), QByteArray::fromHex("0114282806"));

    QByteArray expected = headerTemplate;
    expected[3] = static_cast<char>(file);
    expected[39] = static_cast<char>(checksum);
    QCOMPARE(answer.mid(5).toHex(), expected.toHex());
    QCOMPARE(link.record(file).size(), 10120);
}

void TestDemoRtuLink::recordSamplesAreThreeShiftedSineWaves_data()
{
    QTest::addColumn<int>("file");
    QTest::addColumn<int>("sample");
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("c");

    // M = 1949: A = trunc((sin d / 2 + 0.5) x M), B and C shifted by +-120 degrees.
    for (int file = 0; file < 3; ++file) {
        const QByteArray prefix = QByteArray::number(file);
        QTest::newRow(prefix + ", first sample") << file << 0 << 974 << 1818 << 130;
    }
    QTest::newRow("quarter period") << 0 << 3 << 1949 << 487 << 487;
    QTest::newRow("half period") << 1 << 6 << 974 << 130 << 1818;
    QTest::newRow("three quarters") << 2 << 9 << 0 << 1461 << 1461;
    QTest::newRow("second period repeats the first") << 0 << 13 << 1461 << 1461 << 0;
    QTest::newRow("last sample before the fault") << 0 << 599 << 487 << 1949 << 487;
    QTest::newRow("count starts again after the fault") << 0 << 600 << 974 << 1818 << 130;
    QTest::newRow("last sample of the record") << 2 << 719 << 487 << 1949 << 487;
}

void TestDemoRtuLink::recordSamplesAreThreeShiftedSineWaves()
{
    QFETCH(int, file);
    QFETCH(int, sample);
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, c);

    DemoRTULink link;
    RecordingRtuListener listener;
    link.setListener(&listener);
    // Record number 20 + 7k with length 7 is sample k.
    const QByteArray answer = exchange(link, listener, fileRequest(file, 20 + 7 * sample, 7));
    QCOMPARE(answer.left(5), QByteArray::fromHex("01140e0e06"));
    const QByteArray bytes = answer.mid(5);
    QCOMPARE(bytes.size(), 14);
    QCOMPARE(int(le16(bytes, 0)), a);
    QCOMPARE(int(le16(bytes, 2)), b);
    QCOMPARE(int(le16(bytes, 4)), c);
    QCOMPARE(bytes.mid(6), QByteArray(8, '\0'));
}

void TestDemoRtuLink::fileRecordPastTheEndReadsZeros()
{
    DemoRTULink link;
    RecordingRtuListener listener;
    link.setListener(&listener);
    const QByteArray record = link.record(1);
    // The last two words of the record and two words past its end.
    const int lastWords = record.size() / 2 - 2;
    QByteArray answer = exchange(link, listener, fileRequest(1, lastWords, 4));
    QCOMPARE(answer.mid(5), record.right(4) + QByteArray(4, '\0'));

    answer = exchange(link, listener, fileRequest(2, 0xFFFF, 100));
    QCOMPARE(answer, QByteArray::fromHex("0114c8c806") + QByteArray(200, '\0'));
}

void TestDemoRtuLink::logShowsFramesWithoutCrcTenMillisecondsApart()
{
    LogCapture log(static_cast<int>(LogLevel::Debug));
    DemoRTULink link;
    RecordingRtuListener listener;
    link.setListener(&listener);

    QElapsedTimer clock;
    clock.start();
    send(link, QByteArray::fromHex("0103000b0001"));
    QCOMPARE(log.lines(), QStringList{QStringLiteral("Отправлен пакет: 01 03 00 0B 00 01")});
    QVERIFY(listener.frames.isEmpty());
    TRY_COMPARE(listener.frames.size(), 1, 1000);
    QVERIFY2(clock.elapsed() >= 8, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(log.lines(), (QStringList{QStringLiteral("Отправлен пакет: 01 03 00 0B 00 01"),
                                       QStringLiteral("Принят пакет: 01 03 02 00 00")}));
}

void TestDemoRtuLink::trafficLinesShowOnlyInDebugMode()
{
    LogCapture log(static_cast<int>(LogLevel::Info));
    DemoRTULink link;
    RecordingRtuListener listener;
    link.setListener(&listener);
    QCOMPARE(exchange(link, listener, QByteArray::fromHex("010300080001")),
             QByteArray::fromHex("0103020001"));
    QCOMPARE(log.lines(), QStringList());
}

void TestDemoRtuLink::answersToItsInterfaceName()
{
    DemoRTULink link;
    QObject* object = &link;
    QVERIFY(qobject_cast<IModBusRTULink*>(object) == static_cast<IModBusRTULink*>(&link));
    QVERIFY(qobject_cast<ModBusRtuLink*>(object) == &link);
}

void TestDemoRtuLink::secondRequestWithinDelayReplacesFirst()
{
    DemoRTULink link;
    RecordingRtuListener listener;
    link.setListener(&listener);
    send(link, QByteArray::fromHex("010300080001"));
    send(link, QByteArray::fromHex("0103000b0001"));
    TRY_COMPARE(listener.frames.size(), 1, 1000);
    eventwait::spin(40);
    QCOMPARE(listener.frames, QList<QByteArray>{QByteArray::fromHex("0103020000")});
}

void TestDemoRtuLink::answerWithoutListenerIsDropped()
{
    LogCapture log(static_cast<int>(LogLevel::Debug));
    DemoRTULink link;
    send(link, QByteArray::fromHex("010300080001"));
    TRY_COMPARE(log.lines().size(), 2, 1000);
    QCOMPARE(log.lines().last(), QStringLiteral("Принят пакет: 01 03 02 00 01"));

    // A listener attached later gets nothing left over.
    RecordingRtuListener listener;
    link.setListener(&listener);
    eventwait::spin(30);
    QVERIFY(listener.frames.isEmpty());
}

void TestDemoRtuLink::pollAndFileReadThroughTheClient()
{
    DemoRTULink link;
    ModBusClient client;
    link.setListener(&client);
    client.setLink(&link);
    RecordingResponseListener listener;

    const uint16_t value = 0x0102;
    client.readHoldingRegs(&listener, 1, 0, 32, 0);
    client.writeMultipleRegs(&listener, 1, 80, 1, &value, 1);
    client.readHoldingRegs(&listener, 1, 64, 21, 0);
    client.readFileRecord(&listener, 1, 0, 20, 7, 0);
    TRY_COMPARE(listener.calls.size(), 4, 2000);

    QCOMPARE(listener.names(), (QStringList{"holdingRegsRead", "multipleRegsWritten",
                                            "holdingRegsRead", "fileRecordRead"}));
    QCOMPARE(listener.calls.at(0).values.at(8), 1);
    QCOMPARE(listener.calls.at(2).values.size(), 21);
    QCOMPARE(listener.calls.at(2).values.at(16), 0x0102);
    const QVector<int> sample = listener.calls.at(3).values;
    QCOMPARE(sample.size(), 14);
    QCOMPARE(sample.at(0) | sample.at(1) << 8, 974);
    QCOMPARE(client.state(), ModBusClient::State::Idle);
}

void TestDemoRtuLink::batchedFileRecordsAnswerAsTheRelayFramesThem()
{
    DemoRTULink link;
    RecordingRtuListener listener;
    link.setListener(&listener);
    const QByteArray record = link.record(1);

    // 17 samples of record 1 in one long record: the bytes of one-by-one reads.
    const QByteArray longRecord = exchange(link, listener, fileRequest(1, 20, 119));
    QCOMPARE(longRecord.left(5), QByteArray::fromHex("0114eeee06"));
    QCOMPARE(longRecord.mid(5), record.mid(40, 238));

    // Two sub-requests: each sub-response with its own length and reference
    // type, the response data length over both.
    QByteArray twoFiles = QByteArray::fromHex("01140e");
    twoFiles += fileRequest(0, 0, 20).mid(3) + fileRequest(2, 20, 7).mid(3);
    const QByteArray answer = exchange(link, listener, twoFiles);
    QCOMPARE(answer.left(5), QByteArray::fromHex("01143a2906"));
    QCOMPARE(answer.mid(5, 40), link.record(0).left(40));
    QCOMPARE(answer.mid(45, 2), QByteArray::fromHex("0f06"));
    QCOMPARE(answer.mid(47), link.record(2).mid(40, 14));

    // More than one answer carries is refused.
    QByteArray tooMuch = QByteArray::fromHex("01141c");
    for (int i = 0; i < 4; ++i)
        tooMuch += fileRequest(i, 0, 40).mid(3);
    QCOMPARE(exchange(link, listener, tooMuch), QByteArray::fromHex("019403"));
}

namespace {

struct Live
{
    double ia, ib, ic, residual, voltage, angle;
    uint16_t inputsOutputs, leds;
};

Live liveAt(const DemoFeeder& feeder, const uint16_t* registers, qint64 t)
{
    uint16_t live[8] = {};
    feeder.liveRegisters(registers, t, live);
    // Primary amperes as the window shows them: hundredths times the ratio.
    return {live[0] * registers[52] / 100.0,
            live[1] * registers[52] / 100.0,
            live[2] * registers[52] / 100.0,
            live[3] * registers[53] / 100.0,
            double(live[4] * registers[54]),
            live[5] / 10.0,
            live[6],
            live[7]};
}

} // namespace

void TestDemoRtuLink::feederFollowsItsMinute_data()
{
    QTest::addColumn<qint64>("t");
    QTest::addColumn<double>("phaseCurrent");
    QTest::addColumn<bool>("mtz1Led");
    QTest::addColumn<bool>("tripOutput");
    QTest::addColumn<bool>("breakerOpen");

    // МТЗ-1 trips 0.5 s after the fault at 30 s; the breaker opens 60 ms
    // later and closes again 5 s after the trip.
    QTest::newRow("start") << qint64(0) << 150.0 << false << false << false;
    QTest::newRow("before the first fault") << qint64(29900) << 150.0 << false << false << false;
    QTest::newRow("fault picked up") << qint64(30100) << 1200.0 << true << false << false;
    QTest::newRow("tripped, breaker still closed")
        << qint64(30520) << 1200.0 << true << true << false;
    QTest::newRow("breaker open") << qint64(31000) << 0.0 << true << true << true;
    QTest::newRow("reclosed, LED latched") << qint64(36000) << 150.0 << true << false << false;
    QTest::newRow("next minute's fault") << qint64(90200) << 1200.0 << true << false << false;
    QTest::newRow("an hour on, loaded")
        << qint64(3600000 + 10000) << 150.0 << true << false << false;
}

void TestDemoRtuLink::feederFollowsItsMinute()
{
    QFETCH(qint64, t);
    QFETCH(double, phaseCurrent);
    QFETCH(bool, mtz1Led);
    QFETCH(bool, tripOutput);
    QFETCH(bool, breakerOpen);

    uint16_t registers[RelayMap::registerCount] = {};
    DemoFeeder::setDefaults(registers);
    const DemoFeeder feeder;
    const Live live = liveAt(feeder, registers, t);
    // Balanced within the ±2 % of drift and noise.
    for (double phase : {live.ia, live.ib, live.ic}) {
        QVERIFY2(qAbs(phase - phaseCurrent) <= 0.02 * phaseCurrent + 0.01,
                 qPrintable(QString::number(phase)));
    }
    QVERIFY(live.residual >= 2.0 && live.residual <= 4.0);
    QVERIFY(live.voltage <= 2.0);
    QVERIFY(live.angle >= 90.0 && live.angle <= 100.0);
    QCOMPARE(bool(live.leds & 0x01), mtz1Led);
    QCOMPARE(bool(live.inputsOutputs & 0x10), tripOutput);
    QCOMPARE(bool(live.leds & 0x20), breakerOpen);
    QCOMPARE(bool(live.inputsOutputs & 0x01), !breakerOpen);
    QVERIFY(live.leds & 0x80); // Исправно
}

void TestDemoRtuLink::feederIsTheSameForTheSameTime()
{
    uint16_t registers[RelayMap::registerCount] = {};
    DemoFeeder::setDefaults(registers);
    const DemoFeeder first;
    const DemoFeeder second;
    QSet<double> seen;
    for (qint64 t = 0; t < 600000; t += 7000) {
        const Live a = liveAt(first, registers, t);
        const Live b = liveAt(second, registers, t);
        QCOMPARE(a.ia, b.ia);
        QCOMPARE(a.angle, b.angle);
        seen.insert(a.ia);
    }
    // And it moves: a live feeder, not a constant.
    QVERIFY2(seen.size() >= 5, qPrintable(QString::number(seen.size())));
}

void TestDemoRtuLink::acknowledgePutsTheLedsOut()
{
    DemoRTULink link;
    RecordingRtuListener listener;
    link.setListener(&listener);
    // A minute a second: the first fault comes after half a second.
    link.setTimeScale(60);
    TRY_VERIFY(link.simulation().faultCount() >= 1 ||
                   (exchange(link, listener, QByteArray::fromHex("010300070001")), false),
               3000);
    link.setTimeScale(1);
    QCOMPARE(exchange(link, listener, QByteArray::fromHex("010300070001")).at(4) & 0x01, 0x01);
    exchange(link, listener, QByteArray::fromHex("01050000ff00"));
    exchange(link, listener, QByteArray::fromHex("010500000000"));
    QCOMPARE(exchange(link, listener, QByteArray::fromHex("010300070001")).at(4) & 0x01, 0x00);
}

void TestDemoRtuLink::eachTripLeavesJournalEntryAndRecord()
{
    DemoRTULink link;
    RecordingRtuListener listener;
    link.setListener(&listener);
    const QDateTime before = QDateTime::currentDateTime();
    link.setTimeScale(60);
    TRY_VERIFY(link.simulation().faultCount() >= 1 ||
                   (exchange(link, listener, QByteArray::fromHex("010300000001")), false),
               3000);
    link.setTimeScale(1);
    const int faults = link.simulation().faultCount();

    // The journal pointer names the newest entry: an МТЗ-1 trip with the
    // fault current (8 x 150 A) and the date and time it happened.
    const QByteArray pointer = exchange(link, listener, QByteArray::fromHex("0103004a0001"));
    QCOMPARE(int(uint8_t(pointer.at(4))), faults - 1);
    const QByteArray answer = exchange(link, listener, fileRequest(3 + faults - 1, 0, 12));
    const JournalEntry entry =
        JournalEntry::decode(reinterpret_cast<const uint8_t*>(answer.constData()) + 5);
    QCOMPARE(entry.typeText(), QStringLiteral("МТЗ-1"));
    float primary = 0;
    QVERIFY(entry.primaryCurrent(&primary));
    QVERIFY2(qAbs(primary - 1200.0f) < 5.0f, qPrintable(QString::number(primary)));
    const QDateTime at(QDate(2000 + entry.year, entry.month, entry.day),
                       QTime(entry.hour, entry.minute, entry.second, entry.millisecond));
    QVERIFY(at >= before.addSecs(-1) && at <= QDateTime::currentDateTime().addSecs(120));

    // The record went to the file after the last one written (0, 1, 2, 0...)
    // and holds a real fault.
    const QByteArray record = link.record((faults - 1) % 3);
    const CrashProcessHeader header =
        CrashProcessHeader::decode(reinterpret_cast<const uint8_t*>(record.constData()));
    QVERIFY(header.isValid());
    QVERIFY(ComtradeWriter::isExportable(header));
    QCOMPARE(record.size(), 40 + 14 * header.sampleCount());
    const double perCount = ComtradeWriter::phaseMultiplier(header) * header.ratioPhase;
    double preFault = 0;
    double fault = 0;
    double last = 0;
    bool tripSeen = false;
    for (int k = 0; k < header.sampleCount(); ++k) {
        const CrashProcessSample sample = CrashProcessSample::decode(
            reinterpret_cast<const uint8_t*>(record.constData()) + 40 + 14 * k);
        const double ia = qAbs(sample.ia * perCount);
        // Stored from the trigger on, then the 120 samples before it.
        if (k >= header.faultSamples)
            preFault = qMax(preFault, ia);
        else if (k < 300)
            fault = qMax(fault, ia);
        if (k == header.faultSamples - 1)
            last = ia;
        tripSeen = tripSeen || (sample.discrete & 0x10);
    }
    // Load peaks at 150·√2 A; the fault at eight times that, more with its
    // offset; nothing flows once the breaker has cleared it.
    QVERIFY2(qAbs(preFault - 212.1) < 10, qPrintable(QString::number(preFault)));
    QVERIFY2(fault > 8 * 212.1 * 0.95, qPrintable(QString::number(fault)));
    QCOMPARE(last, 0.0);
    QVERIFY(tripSeen);
}

QTEST_MAIN(TestDemoRtuLink)
#include "tst_demortulink.moc"
