// The two Ethernet gateway links against a relay on 127.0.0.1: connecting,
// polling, a connection that is refused or dropped, and the transaction id
// that lets Modbus TCP drop a late answer to an earlier request.
#include "base/Logger.h"
#include "modbus/ModBusClient.h"
#include "modbus/ModBusTcpLink.h"
#include "modbus/TcpConnection.h"
#include "support/EventWait.h"
#include "support/LogCapture.h"
#include "support/RecordingResponseListener.h"
#include "support/RelayMaster.h"
#include "support/TestRelay.h"

#include <QHostAddress>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

Q_DECLARE_METATYPE(TestRelay::Line)

namespace {

const QString loopback = QHostAddress(QHostAddress::LocalHost).toString();

void addLines()
{
    QTest::addColumn<TestRelay::Line>("line");
    QTest::newRow("RTU over TCP") << TestRelay::Line::RtuOverTcp;
    QTest::newRow("Modbus TCP") << TestRelay::Line::ModbusTcp;
}

void loadRegisters(TestRelay& relay, int base)
{
    for (int reg = 0; reg < RelayMap::registerCount; ++reg)
        relay.setRegister(static_cast<uint16_t>(reg), static_cast<uint16_t>(base + reg));
}

bool imageHolds(const ModBusDevice& device, int base)
{
    for (int reg = 0; reg < RelayMap::registerCount; ++reg) {
        if (device.getRegister(static_cast<uint16_t>(reg)) != base + reg)
            return false;
    }
    return true;
}

// A Modbus TCP server that answers as a script says: the test reads the
// requests and writes whatever answers it likes.
struct ScriptedServer
{
    ScriptedServer() { server.listen(QHostAddress::LocalHost, 0); }

    bool accept()
    {
        if (!server.waitForNewConnection(3000) && !server.hasPendingConnections())
            return false;
        socket = server.nextPendingConnection();
        return socket != nullptr;
    }

    // The next request (MBAP header and body), waited for with the event
    // loop running.
    QByteArray request(int size)
    {
        QByteArray bytes;
        for (int i = 0; i < 300 && bytes.size() < size; ++i) {
            eventwait::spin(10);
            bytes += socket->readAll();
        }
        return bytes;
    }

    QTcpServer server;
    QTcpSocket* socket = nullptr;
};

// The answer to a read of one register holding `value`, with transaction id `id`.
QByteArray registerAnswer(uint16_t id, uint8_t value)
{
    QByteArray adu = QByteArray::fromHex("000000000005010302");
    adu[0] = static_cast<char>(id >> 8);
    adu[1] = static_cast<char>(id & 0xFF);
    adu.append('\0');
    adu.append(static_cast<char>(value));
    return adu;
}

} // namespace

class TestTcpLinks : public QObject
{
    Q_OBJECT

private slots:
    void pollReadsTheRegisterImage_data();
    void pollReadsTheRegisterImage();
    void droppedConnectionIsReportedAndCanBeOpenedAgain_data();
    void droppedConnectionIsReportedAndCanBeOpenedAgain();
    void refusedConnectionIsReported_data();
    void refusedConnectionIsReported();
    void lateAnswerWithAnOldTransactionIdIsDropped();
    void garbledHeaderIsALinkError();
};

void TestTcpLinks::pollReadsTheRegisterImage_data()
{
    addLines();
}

void TestTcpLinks::pollReadsTheRegisterImage()
{
    QFETCH(TestRelay::Line, line);

    TestRelay relay(line);
    QVERIFY(relay.isValid());
    loadRegisters(relay, 0x1100);
    RelayMaster master(relay, true, true);
    QVERIFY(master.open());
    QVERIFY(master.poll());
    QVERIFY(imageHolds(master.device, 0x1100));
    QCOMPARE(relay.requestCount(), 3);
    QCOMPARE(relay.connectionCount(), 1);
}

void TestTcpLinks::droppedConnectionIsReportedAndCanBeOpenedAgain_data()
{
    addLines();
}

void TestTcpLinks::droppedConnectionIsReportedAndCanBeOpenedAgain()
{
    QFETCH(TestRelay::Line, line);

    TestRelay relay(line);
    QVERIFY(relay.isValid());
    loadRegisters(relay, 0x1100);
    RelayMaster master(relay, true, true);
    QVERIFY(master.open());
    QVERIFY(master.poll());

    QSignalSpy failed(master.connection(), &TcpConnection::failed);
    relay.dropConnection();
    QVERIFY(failed.wait(3000));
    QCOMPARE(failed.first().first().toString(),
             QStringLiteral("Соединение с %1:%2 разорвано.").arg(loopback).arg(relay.tcpPort()));
    QVERIFY(!master.connection()->isOpen());

    // Nothing is retried on its own: a request meets the closed connection
    // and times out, and no second failure is reported.
    LogCapture log(static_cast<int>(LogLevel::Debug));
    RecordingResponseListener listener;
    master.client.readHoldingRegs(&listener, 1, 0, 1, 0);
    TRY_COMPARE(listener.names(), QStringList{QStringLiteral("responseTimeout")}, 3000);
    QVERIFY(log.lines().contains(QStringLiteral("Не могу отправить пакет. Соединение закрыто.")));
    QCOMPARE(failed.count(), 1);
    QCOMPARE(relay.connectionCount(), 1);

    // Opened again, it polls as before.
    loadRegisters(relay, 0x2200);
    QVERIFY(master.open());
    QCOMPARE(relay.connectionCount(), 2);
    QVERIFY(master.poll());
    QVERIFY(imageHolds(master.device, 0x2200));
}

void TestTcpLinks::refusedConnectionIsReported_data()
{
    addLines();
}

void TestTcpLinks::refusedConnectionIsReported()
{
    QFETCH(TestRelay::Line, line);

    // A port that was just free: nothing listens on it any more.
    TestRelay relay(line);
    QVERIFY(relay.isValid());
    const quint16 port = relay.tcpPort();
    relay.unplug();

    RelayMaster master(relay, true, true);
    QSignalSpy failed(master.connection(), &TcpConnection::failed);
    QSignalSpy opened(master.connection(), &TcpConnection::opened);
    master.connection()->open(loopback, port);
    QVERIFY(failed.wait(TcpConnection::connectTimeoutMs + 2000));
    QCOMPARE(failed.first().first().toString(),
             QStringLiteral("Узел %1:%2 отклонил соединение.").arg(loopback).arg(port));
    QVERIFY(!master.connection()->isConnecting());
    eventwait::spin(100);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(opened.count(), 0);
}

void TestTcpLinks::lateAnswerWithAnOldTransactionIdIsDropped()
{
    ScriptedServer server;
    QVERIFY(server.server.isListening());
    ModBusTcpLink link;
    ModBusClient client;
    link.setListener(&client);
    client.setLink(&link);
    QSignalSpy opened(link.connection(), &TcpConnection::opened);
    link.connection()->open(loopback, server.server.serverPort());
    QVERIFY(server.accept());
    QVERIFY(opened.wait(3000) || link.connection()->isOpen());

    RecordingResponseListener first;
    RecordingResponseListener second;
    client.readHoldingRegs(&first, 1, 0, 1, 0);
    const QByteArray firstRequest = server.request(12);
    QCOMPARE(firstRequest, QByteArray::fromHex("000100000006010300000001"));
    // The first request goes unanswered and times out; the second goes out.
    TRY_COMPARE(first.names(), QStringList{QStringLiteral("responseTimeout")}, 3000);
    client.readHoldingRegs(&second, 1, 0, 1, 0);
    QCOMPARE(server.request(12), QByteArray::fromHex("000200000006010300000001"));

    // The first answer comes late, just before the second: the same length,
    // the same slave, other data. Only the second one reaches the caller.
    LogCapture log(static_cast<int>(LogLevel::Error));
    server.socket->write(registerAnswer(1, 0x11) + registerAnswer(2, 0x22));
    TRY_COMPARE(second.calls.size(), 1, 3000);
    QCOMPARE(second.calls.first().values, QVector<int>{0x22});
    QCOMPARE(first.calls.size(), 1);
    QCOMPARE(log.lines(),
             QStringList{QStringLiteral("Отброшен ответ на прежний запрос (транзакция 1).")});
}

void TestTcpLinks::garbledHeaderIsALinkError()
{
    ScriptedServer server;
    QVERIFY(server.server.isListening());
    ModBusTcpLink link;
    ModBusClient client;
    link.setListener(&client);
    client.setLink(&link);
    link.connection()->open(loopback, server.server.serverPort());
    QVERIFY(server.accept());
    TRY_VERIFY(link.connection()->isOpen(), 3000);

    RecordingResponseListener listener;
    client.readHoldingRegs(&listener, 1, 0, 1, 0);
    QCOMPARE(server.request(12).size(), 12);
    // Protocol id 0x5A5A: not Modbus. The request ends once the pause has passed.
    QByteArray answer = registerAnswer(1, 0x11);
    answer[2] = 0x5A;
    answer[3] = 0x5A;
    server.socket->write(answer);
    TRY_COMPARE(listener.calls.size(), 1, 3000);
    QCOMPARE(listener.calls.first().name, QStringLiteral("requestFailed"));
    QCOMPARE(listener.calls.first().start, int(IModBusResponseListener::Failure::Garbled));
}

QTEST_MAIN(TestTcpLinks)
#include "tst_tcplinks.moc"
