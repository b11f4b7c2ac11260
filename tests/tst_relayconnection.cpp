#include "session/RelayConnection.h"

#include <QTest>

Q_DECLARE_METATYPE(RelayConnection::Transport)

class TestRelayConnection : public QObject
{
    Q_OBJECT

private slots:
    void lineTextNamesTheLineInForce_data();
    void lineTextNamesTheLineInForce();
};

void TestRelayConnection::lineTextNamesTheLineInForce_data()
{
    using Transport = RelayConnection::Transport;
    QTest::addColumn<Transport>("transport");
    QTest::addColumn<bool>("demo");
    QTest::addColumn<QString>("expected");

    // The serial port stays filled in whatever the line: only the line in
    // force is named.
    QTest::newRow("serial") << Transport::Serial << false << "/dev/ttyUSB0 · 38400";
    QTest::newRow("gateway") << Transport::RtuOverTcp << false << "10.0.5.20:4001 · RTU через TCP";
    QTest::newRow("Modbus TCP") << Transport::ModbusTcp << false << "10.0.5.20:4001 · Modbus TCP";
    QTest::newRow("demo over a gateway") << Transport::RtuOverTcp << true << "Демо";
}

void TestRelayConnection::lineTextNamesTheLineInForce()
{
    QFETCH(RelayConnection::Transport, transport);
    QFETCH(bool, demo);
    QFETCH(QString, expected);

    RelayConnection::Settings settings;
    settings.transport = transport;
    settings.demo = demo;
    settings.portName = QStringLiteral("/dev/ttyUSB0");
    settings.baudRate = 38400;
    settings.host = QStringLiteral("10.0.5.20");
    settings.tcpPort = 4001;
    QCOMPARE(settings.lineText(), expected);
}

QTEST_MAIN(TestRelayConnection)
#include "tst_relayconnection.moc"
