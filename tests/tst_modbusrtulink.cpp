#include "base/Logger.h"
#include "modbus/ModBusRtuLink.h"
#include "support/EventWait.h"
#include "support/LogCapture.h"
#include "support/PtyPair.h"
#include "support/RecordingRtuListener.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

// A link fed directly with received chunks, without a serial port.
class FedLink : public ModBusRtuLink
{
public:
    FedLink() : ModBusRtuLink(nullptr) {}
    void feed(const QByteArray& bytes) { appendReceived(bytes); }
    QTimer* silenceTimer() const { return interCharTimer; }
    int buffered() const { return rxBuffer.size(); }
};

QByteArray withCrc(const QByteArray& body)
{
    const uint16_t crc = ModBusRtuLink::modbusCrc16(body);
    QByteArray frame = body;
    frame.append(static_cast<char>(crc >> 8));
    frame.append(static_cast<char>(crc & 0xFF));
    return frame;
}

bool waitForSilence(FedLink& link, int ms = 1000)
{
    QSignalSpy spy(link.silenceTimer(), &QTimer::timeout);
    return spy.wait(ms);
}

// A link on a real port whose silence timer a test can watch.
class PortLink : public ModBusRtuLink
{
public:
    explicit PortLink(QSerialPort* port) : ModBusRtuLink(port) {}
    QTimer* silenceTimer() const { return interCharTimer; }
};

// Answers a frame by sending the next request at once, as the client does.
class AnsweringListener : public RecordingRtuListener
{
public:
    explicit AnsweringListener(ModBusRtuLink& owner) : link(owner) {}
    void frameReceived(const uint8_t* data, uint16_t length) override
    {
        RecordingRtuListener::frameReceived(data, length);
        const QByteArray next = QByteArray::fromHex("010300000001");
        link.send(reinterpret_cast<const uint8_t*>(next.constData()), uint16_t(next.size()));
    }

private:
    ModBusRtuLink& link;
};

// The answer to a read of two registers (body of 7 bytes) and its frame.
const QByteArray twoRegisters = QByteArray::fromHex("010304000a0014");
const QByteArray twoRegistersFrame = QByteArray::fromHex("010304000a0014da3e");

} // namespace

Q_DECLARE_METATYPE(QList<QByteArray>)

class TestModBusRtuLink : public QObject
{
    Q_OBJECT

private slots:
    void crcMatchesStandardCheckValue();
    void crcOfKnownBodies_data();
    void crcOfKnownBodies();
    void hexDumpFormatsBytes_data();
    void hexDumpFormatsBytes();

    void sendOnClosedPortLogsAndWritesNothing();
    void sendWritesFrameWithCrcToRealPort_data();
    void sendWritesFrameWithCrcToRealPort();
    void replyInChunksOverRealPortIsOneFrame();

    void frameLengthAndCrcChecks_data();
    void frameLengthAndCrcChecks();
    void withoutListenerOnlyCrcErrorIsLogged_data();
    void withoutListenerOnlyCrcErrorIsLogged();
    void twoRepliesCloserThanIntervalAreOneBuffer();
    void chunksWithShortGapsAreOneFrame();
    void clearDropsPartialFrame();
    void intervalChangeTakesEffectAtNextChunk();
    void receivedLineIsLoggedBeforeChecks();
    void trafficLinesShowOnlyInDebugMode_data();
    void trafficLinesShowOnlyInDebugMode();
    void answersToItsInterfaceName();

    void frameEndByLength_data();
    void frameEndByLength();
    void bytesAfterAnEarlyEndStartANewFrame();
    void splitAnswerOverRealPortEndsByLength();
    void turnaroundOfTheLineRate_data();
    void turnaroundOfTheLineRate();
    void nextRequestWaitsOutTurnaroundOnRealPort();
};

void TestModBusRtuLink::crcMatchesStandardCheckValue()
{
    // The routine's first byte is the standard CRC's low byte.
    const uint16_t routine = ModBusRtuLink::modbusCrc16(QByteArray("123456789"));
    const uint16_t standard = static_cast<uint16_t>((routine >> 8) | (routine << 8));
    QCOMPARE(standard, uint16_t(0x4B37));
}

void TestModBusRtuLink::crcOfKnownBodies_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("frame");

    QTest::newRow("read 1 from 0")
        << QByteArray::fromHex("010300000001") << QByteArray::fromHex("010300000001840a");
    QTest::newRow("read 2 from 0")
        << QByteArray::fromHex("010300000002") << QByteArray::fromHex("010300000002c40b");
    QTest::newRow("read 32 from 0")
        << QByteArray::fromHex("010300000020") << QByteArray::fromHex("0103000000204412");
    QTest::newRow("reply 10, 20") << QByteArray::fromHex("010304000a0014")
                                  << QByteArray::fromHex("010304000a0014da3e");
    QTest::newRow("exception 2") << QByteArray::fromHex("018302")
                                 << QByteArray::fromHex("018302c0f1");
    QTest::newRow("empty body") << QByteArray() << QByteArray::fromHex("ffff");
}

void TestModBusRtuLink::crcOfKnownBodies()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, frame);
    QCOMPARE(withCrc(body), frame);
}

void TestModBusRtuLink::hexDumpFormatsBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("three") << QByteArray::fromHex("010aff") << QStringLiteral("01 0A FF");
    QTest::newRow("single") << QByteArray::fromHex("0a") << QStringLiteral("0A");
    QTest::newRow("zero") << QByteArray(1, '\0') << QStringLiteral("00");
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestModBusRtuLink::hexDumpFormatsBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(hexDump(reinterpret_cast<const uint8_t*>(bytes.constData()), bytes.size()), text);
}

void TestModBusRtuLink::sendOnClosedPortLogsAndWritesNothing()
{
    LogCapture log(static_cast<int>(LogLevel::Debug));
    QSerialPort port;
    ModBusRtuLink link(&port);
    const QByteArray body = QByteArray::fromHex("010300000001");
    link.send(reinterpret_cast<const uint8_t*>(body.constData()), uint16_t(body.size()));
    QCOMPARE(log.lines(), QStringList{QStringLiteral("Не могу отправить пакет. Порт закрыт.")});

    ModBusRtuLink portless(nullptr);
    portless.send(reinterpret_cast<const uint8_t*>(body.constData()), uint16_t(body.size()));
    QCOMPARE(log.lines().size(), 2);
}

void TestModBusRtuLink::sendWritesFrameWithCrcToRealPort_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("crcField");

    QTest::newRow("known body") << QByteArray::fromHex("010300000001")
                                << QByteArray::fromHex("840a");
    const QByteArray body255(255, '\x5A');
    QTest::newRow("255 bytes get a real CRC") << body255 << withCrc(body255).right(2);
    QTest::newRow("256 bytes get 00 00") << QByteArray(256, '\x5A') << QByteArray(2, '\0');
}

void TestModBusRtuLink::sendWritesFrameWithCrcToRealPort()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, crcField);

    PtyPair pty;
    QVERIFY(pty.isValid());
    QSerialPort port(pty.slavePath());
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    LogCapture log(static_cast<int>(LogLevel::Debug));
    ModBusRtuLink link(&port);

    link.send(reinterpret_cast<const uint8_t*>(body.constData()), uint16_t(body.size()));
    const QByteArray expected = body + crcField;
    QCOMPARE(pty.readMaster(expected.size(), 2000), expected);
    QCOMPARE(crcField.size(), 2);
    QCOMPARE(log.lines().size(), 1);
    QCOMPARE(log.lines().first(),
             QStringLiteral("Отправлен пакет: ") +
                 hexDump(reinterpret_cast<const uint8_t*>(expected.constData()), expected.size()));
    if (body.size() == 6)
        QCOMPARE(log.lines().first(), QStringLiteral("Отправлен пакет: 01 03 00 00 00 01 84 0A"));

    // The frame line is a debug line: the information mode does not show it.
    LogCapture quiet(static_cast<int>(LogLevel::Info));
    link.send(reinterpret_cast<const uint8_t*>(body.constData()), uint16_t(body.size()));
    QCOMPARE(pty.readMaster(expected.size(), 2000), expected);
    QCOMPARE(quiet.lines(), QStringList());
}

void TestModBusRtuLink::replyInChunksOverRealPortIsOneFrame()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    QSerialPort port(pty.slavePath());
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    ModBusRtuLink link(&port);
    link.setInterCharInterval(80);
    RecordingRtuListener listener;
    link.setListener(&listener);

    const QByteArray reply = QByteArray::fromHex("010304000a0014da3e");
    QVERIFY(pty.writeMaster(reply.left(3)));
    eventwait::spin(15);
    QVERIFY(pty.writeMaster(reply.mid(3, 4)));
    eventwait::spin(15);
    QVERIFY(pty.writeMaster(reply.mid(7)));

    TRY_COMPARE(listener.frames.size(), 1, 2000);
    QCOMPARE(listener.frames.first(), QByteArray::fromHex("010304000a0014"));
    QCOMPARE(listener.linkErrors, 0);
}

void TestModBusRtuLink::frameLengthAndCrcChecks_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QByteArray>("delivered");
    QTest::addColumn<QString>("errorLine");

    QTest::newRow("empty") << QByteArray() << QByteArray()
                           << QStringLiteral("Ошибка формата пакета!");
    QTest::newRow("3 bytes") << QByteArray::fromHex("018302") << QByteArray()
                             << QStringLiteral("Ошибка формата пакета!");
    QTest::newRow("4 bytes good") << withCrc(QByteArray::fromHex("0103"))
                                  << QByteArray::fromHex("0103") << QString();
    QTest::newRow("good reply") << QByteArray::fromHex("010304000a0014da3e")
                                << QByteArray::fromHex("010304000a0014") << QString();
    QTest::newRow("bad CRC") << QByteArray::fromHex("010304000a0014da3f") << QByteArray()
                             << QStringLiteral("Ошибка CRC!");
    QTest::newRow("CRC bytes swapped") << QByteArray::fromHex("010304000a00143eda") << QByteArray()
                                       << QStringLiteral("Ошибка CRC!");
    QByteArray longBody(300, '\x11');
    QTest::newRow("300-byte body with 00 00")
        << longBody + QByteArray(2, '\0') << longBody << QString();
    QTest::newRow("300-byte body with real CRC") << longBody + withCrc(longBody.left(255)).right(2)
                                                 << QByteArray() << QStringLiteral("Ошибка CRC!");
}

void TestModBusRtuLink::frameLengthAndCrcChecks()
{
    QFETCH(QByteArray, received);
    QFETCH(QByteArray, delivered);
    QFETCH(QString, errorLine);

    LogCapture log(static_cast<int>(LogLevel::Error));
    FedLink link;
    link.setInterCharInterval(5);
    RecordingRtuListener listener;
    link.setListener(&listener);

    link.feed(received);
    QVERIFY(waitForSilence(link));

    if (errorLine.isEmpty()) {
        QCOMPARE(listener.frames, QList<QByteArray>{delivered});
        QCOMPARE(listener.linkErrors, 0);
        QCOMPARE(log.lines(), QStringList());
    } else {
        QVERIFY(listener.frames.isEmpty());
        QCOMPARE(listener.linkErrors, 1);
        QCOMPARE(log.lines(), QStringList{errorLine});
    }
    QCOMPARE(link.buffered(), 0);
}

void TestModBusRtuLink::withoutListenerOnlyCrcErrorIsLogged_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("short frame") << QByteArray::fromHex("0103") << QStringList();
    QTest::newRow("bad CRC") << QByteArray::fromHex("0103040000") << QStringList{"Ошибка CRC!"};
    QTest::newRow("good frame") << withCrc(QByteArray::fromHex("0103020001")) << QStringList();
}

void TestModBusRtuLink::withoutListenerOnlyCrcErrorIsLogged()
{
    QFETCH(QByteArray, received);
    QFETCH(QStringList, lines);

    LogCapture log(static_cast<int>(LogLevel::Error));
    FedLink link;
    link.setInterCharInterval(5);
    link.feed(received);
    QVERIFY(waitForSilence(link));
    QCOMPARE(log.lines(), lines);
    QCOMPARE(link.buffered(), 0);
}

void TestModBusRtuLink::twoRepliesCloserThanIntervalAreOneBuffer()
{
    FedLink link;
    link.setInterCharInterval(60);
    RecordingRtuListener listener;
    link.setListener(&listener);

    const QByteArray reply = QByteArray::fromHex("010304000a0014da3e");
    link.feed(reply);
    eventwait::spin(10);
    link.feed(reply);
    QVERIFY(waitForSilence(link));
    QCOMPARE(listener.frames.size(), 0);
    QCOMPARE(listener.linkErrors, 1);
}

void TestModBusRtuLink::chunksWithShortGapsAreOneFrame()
{
    FedLink link;
    link.setInterCharInterval(60);
    RecordingRtuListener listener;
    link.setListener(&listener);

    const QByteArray reply = QByteArray::fromHex("010304000a0014da3e");
    for (int i = 0; i < reply.size(); ++i) {
        link.feed(reply.mid(i, 1));
        eventwait::spin(10);
    }
    QVERIFY(waitForSilence(link));
    QCOMPARE(listener.frames, QList<QByteArray>{QByteArray::fromHex("010304000a0014")});
    QCOMPARE(listener.linkErrors, 0);
}

void TestModBusRtuLink::clearDropsPartialFrame()
{
    FedLink link;
    link.setInterCharInterval(40);
    RecordingRtuListener listener;
    link.setListener(&listener);

    link.feed(QByteArray::fromHex("01030400"));
    link.clear();
    QCOMPARE(link.buffered(), 0);
    link.feed(QByteArray::fromHex("010304000a0014da3e"));
    QVERIFY(waitForSilence(link));
    QCOMPARE(listener.frames, QList<QByteArray>{QByteArray::fromHex("010304000a0014")});
    QCOMPARE(listener.linkErrors, 0);
}

void TestModBusRtuLink::intervalChangeTakesEffectAtNextChunk()
{
    FedLink link;
    link.setInterCharInterval(200);
    link.feed(QByteArray::fromHex("01"));
    QCOMPARE(link.silenceTimer()->interval(), 200);

    link.setInterCharInterval(40);
    QCOMPARE(link.silenceTimer()->interval(), 200);
    link.feed(QByteArray::fromHex("03"));
    QCOMPARE(link.silenceTimer()->interval(), 40);
    QVERIFY(link.silenceTimer()->isActive());
}

void TestModBusRtuLink::receivedLineIsLoggedBeforeChecks()
{
    LogCapture log(static_cast<int>(LogLevel::Debug));
    FedLink link;
    link.setInterCharInterval(5);
    RecordingRtuListener listener;
    link.setListener(&listener);

    link.feed(QByteArray::fromHex("0a0b"));
    QVERIFY(waitForSilence(link));
    QCOMPARE(log.lines(), (QStringList{QStringLiteral("Принят пакет: 0A 0B"),
                                       QStringLiteral("Ошибка формата пакета!")}));
}

void TestModBusRtuLink::trafficLinesShowOnlyInDebugMode_data()
{
    QTest::addColumn<int>("threshold");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("errors") << static_cast<int>(LogLevel::Error) << QStringList();
    QTest::newRow("information") << static_cast<int>(LogLevel::Info) << QStringList();
    QTest::newRow("debug") << static_cast<int>(LogLevel::Debug)
                           << QStringList{QStringLiteral("Не могу отправить пакет. Порт закрыт."),
                                          QStringLiteral("Принят пакет: 01 03 02 00 01 79 84")};
}

void TestModBusRtuLink::trafficLinesShowOnlyInDebugMode()
{
    QFETCH(int, threshold);
    QFETCH(QStringList, lines);

    LogCapture log(threshold);
    FedLink link;
    link.setInterCharInterval(5);
    RecordingRtuListener listener;
    link.setListener(&listener);

    const QByteArray body = QByteArray::fromHex("010300000001");
    link.send(reinterpret_cast<const uint8_t*>(body.constData()), uint16_t(body.size()));
    link.feed(QByteArray::fromHex("01030200017984"));
    QVERIFY(waitForSilence(link));
    QCOMPARE(listener.frames, QList<QByteArray>{QByteArray::fromHex("0103020001")});
    QCOMPARE(log.lines(), lines);
}

void TestModBusRtuLink::answersToItsInterfaceName()
{
    ModBusRtuLink link(nullptr);
    QObject* object = &link;
    QVERIFY(qobject_cast<IModBusRTULink*>(object) == static_cast<IModBusRTULink*>(&link));
    QVERIFY(link.parent() == nullptr);
}

void TestModBusRtuLink::frameEndByLength_data()
{
    QTest::addColumn<bool>("byLength");
    QTest::addColumn<int>("awaited");
    QTest::addColumn<QList<QByteArray>>("chunks");
    // What the listener has right after the last chunk, before any silence.
    QTest::addColumn<QList<QByteArray>>("atOnce");
    // Frames and link errors once the line has been silent.
    QTest::addColumn<QList<QByteArray>>("afterSilence");
    QTest::addColumn<int>("linkErrors");

    const QList<QByteArray> none;
    const QList<QByteArray> answer{twoRegisters};
    QTest::newRow("answer in chunks ends at its length")
        << true << 7
        << QList<QByteArray>{twoRegistersFrame.left(2), twoRegistersFrame.mid(2, 5),
                             twoRegistersFrame.mid(7)}
        << answer << answer << 0;
    QTest::newRow("exception ends at five bytes")
        << true << 7
        << QList<QByteArray>{QByteArray::fromHex("018302"), QByteArray::fromHex("c0f1")}
        << QList<QByteArray>{QByteArray::fromHex("018302")}
        << QList<QByteArray>{QByteArray::fromHex("018302")} << 0;
    QTest::newRow("longer answer waits for silence")
        << true << 5 << QList<QByteArray>{twoRegistersFrame} << none << answer << 0;
    QTest::newRow("shorter answer waits for silence")
        << true << 9 << QList<QByteArray>{twoRegistersFrame} << none << answer << 0;
    const QByteArray spoiled = QByteArray::fromHex("010304000a0014da3f");
    QTest::newRow("bad CRC at the awaited length waits for silence")
        << true << 7 << QList<QByteArray>{spoiled} << none << none << 1;
    QTest::newRow("answer to nothing waits for silence")
        << true << 0 << QList<QByteArray>{twoRegistersFrame} << none << answer << 0;
    QTest::newRow("switch off: silence only")
        << false << 7 << QList<QByteArray>{twoRegistersFrame} << none << answer << 0;
}

void TestModBusRtuLink::frameEndByLength()
{
    QFETCH(bool, byLength);
    QFETCH(int, awaited);
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QList<QByteArray>, atOnce);
    QFETCH(QList<QByteArray>, afterSilence);
    QFETCH(int, linkErrors);

    LogCapture log(static_cast<int>(LogLevel::Debug));
    FedLink link;
    link.setLengthFraming(byLength);
    link.setInterCharInterval(40);
    RecordingRtuListener listener;
    link.setListener(&listener);
    link.expectAnswer(static_cast<uint16_t>(awaited));

    for (const QByteArray& chunk : chunks)
        link.feed(chunk);
    QCOMPARE(listener.frames, atOnce);
    QCOMPARE(link.silenceTimer()->isActive(), atOnce.isEmpty());
    if (!atOnce.isEmpty()) {
        QCOMPARE(link.buffered(), 0);
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(log.lines().first().startsWith(QStringLiteral("Принят пакет: ")));
        return;
    }
    QVERIFY(waitForSilence(link));
    QCOMPARE(listener.frames, afterSilence);
    QCOMPARE(listener.linkErrors, linkErrors);
}

void TestModBusRtuLink::bytesAfterAnEarlyEndStartANewFrame()
{
    FedLink link;
    link.setLengthFraming(true);
    link.setInterCharInterval(40);
    RecordingRtuListener listener;
    link.setListener(&listener);
    link.expectAnswer(7);

    // The answer and two bytes of noise come in one read.
    link.feed(twoRegistersFrame + QByteArray::fromHex("55aa"));
    QCOMPARE(listener.frames, QList<QByteArray>{twoRegisters});
    QCOMPARE(link.buffered(), 2);
    // The noise ends by silence, as a frame of its own; nothing awaits it.
    QVERIFY(waitForSilence(link));
    QCOMPARE(listener.frames.size(), 1);
    QCOMPARE(listener.linkErrors, 1);

    // An answer is awaited only once: the same bytes again wait for silence.
    link.feed(twoRegistersFrame);
    QCOMPARE(listener.frames.size(), 1);
    QVERIFY(waitForSilence(link));
    QCOMPARE(listener.frames.size(), 2);
}

void TestModBusRtuLink::splitAnswerOverRealPortEndsByLength()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    QSerialPort port(pty.slavePath());
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    PortLink link(&port);
    link.setLengthFraming(true);
    // Far longer than the pauses between the chunks.
    link.setInterCharInterval(200);
    RecordingRtuListener listener;
    link.setListener(&listener);
    QSignalSpy silences(link.silenceTimer(), &QTimer::timeout);
    link.expectAnswer(7);

    QVERIFY(pty.writeMaster(twoRegistersFrame.left(3)));
    eventwait::spin(20);
    QVERIFY(pty.writeMaster(twoRegistersFrame.mid(3, 4)));
    eventwait::spin(20);
    QVERIFY(pty.writeMaster(twoRegistersFrame.mid(7)));

    TRY_COMPARE(listener.frames.size(), 1, 2000);
    QCOMPARE(listener.frames.first(), twoRegisters);
    QCOMPARE(listener.linkErrors, 0);
    // Whatever the machine's load, the frame ended by length: the silence
    // timer was stopped, never run out.
    QCOMPARE(silences.count(), 0);
    eventwait::spin(300);
    QCOMPARE(silences.count(), 0);
    QCOMPARE(listener.frames.size(), 1);
}

void TestModBusRtuLink::turnaroundOfTheLineRate_data()
{
    QTest::addColumn<int>("baudRate");
    QTest::addColumn<int>("microseconds");

    QTest::newRow("9600") << 9600 << 4011;
    QTest::newRow("19200") << 19200 << 2006;
    QTest::newRow("38400 is fixed") << 38400 << 1750;
    QTest::newRow("115200 is fixed") << 115200 << 1750;
}

void TestModBusRtuLink::turnaroundOfTheLineRate()
{
    QFETCH(int, baudRate);
    QFETCH(int, microseconds);
    QCOMPARE(ModBusRtuLink::turnaroundMicroseconds(baudRate), microseconds);
}

void TestModBusRtuLink::nextRequestWaitsOutTurnaroundOnRealPort()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    QSerialPort port(pty.slavePath());
    port.setBaudRate(9600);
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    ModBusRtuLink link(&port);
    link.setLengthFraming(true);
    AnsweringListener listener(link);
    link.setListener(&listener);
    link.expectAnswer(7);

    // The request the listener sends goes out no sooner than 3.5 characters
    // of 11 bits after the answer's last byte arrived; load can only make
    // the gap longer.
    QVERIFY(pty.writeMaster(twoRegistersFrame));
    QElapsedTimer sinceAnswer;
    sinceAnswer.start();
    const QByteArray request = pty.readMaster(8, 2000);
    const qint64 gapUs = sinceAnswer.nsecsElapsed() / 1000;
    QCOMPARE(request, QByteArray::fromHex("010300000001840a"));
    QCOMPARE(listener.frames, QList<QByteArray>{twoRegisters});
    QVERIFY2(gapUs >= ModBusRtuLink::turnaroundMicroseconds(9600) - 50,
             qPrintable(QString::number(gapUs)));
}

QTEST_MAIN(TestModBusRtuLink)
#include "tst_modbusrtulink.moc"
