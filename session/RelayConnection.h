#ifndef TALVIK_SESSION_RELAYCONNECTION_H
#define TALVIK_SESSION_RELAYCONNECTION_H

#include "modbus/ModBusRtuLink.h"
#include "relay/ModBusDevice.h"

#include <QObject>
#include <QString>

#include <cstdint>

class ConfigFile;
class CrashProcessReader;
class DemoRTULink;
class LogReader;
class ModBusClient;
class ModBusDevice;
class ModBusRtuLink;
class ModBusRtuOverTcpLink;
class ModBusTcpLink;
class QSerialPort;
class TcpConnection;

// Everything that talks to the relay, built and wired once: the serial port,
// the RTU link on it, the links to an Ethernet gateway (RTU over TCP) and to
// a Modbus TCP relay, the demo relay, the client, the register poller, the
// settings file and the two record readers. The window and the command line
// both run on one of these, so connecting, polling and reading are the same
// code for both.
//
// Nothing is opened or polled at construction; the client starts on the RTU
// link and the port has no name until configure().
class RelayConnection : public QObject
{
    Q_OBJECT

public:
    // The connection dialog's defaults: those the link and the poller start with.
    static constexpr qint32 defaultBaudRate = ModBusRtuLink::defaultBaudRate;
    static constexpr uint8_t defaultDeviceAddress = ModBusDevice::defaultDeviceAddress;
    static constexpr int defaultPollPeriodMs = ModBusDevice::defaultPeriod;
    static constexpr int defaultCharInterval = ModBusRtuLink::defaultInterCharInterval;
    // The port Modbus TCP servers listen on.
    static constexpr quint16 defaultTcpPort = 502;

    // The way to the relay.
    enum class Transport
    {
        Serial,
        // RTU frames over TCP, to a gateway in transparent mode.
        RtuOverTcp,
        ModbusTcp
    };

    struct Settings
    {
        Transport transport = Transport::Serial;
        QString portName;
        // The gateway or relay on the network.
        QString host;
        quint16 tcpPort = defaultTcpPort;
        qint32 baudRate = defaultBaudRate;
        uint8_t deviceAddress = defaultDeviceAddress;
        int pollPeriodMs = defaultPollPeriodMs;
        // Milliseconds of line silence that end an answer.
        int charInterval = defaultCharInterval;
        // The demo relay answers instead of the serial line.
        bool demo = false;
        // Answers end as soon as they have the awaited length, the next
        // request waits out the bus turnaround, and records are read several
        // samples or entries a request; off, answers end by silence alone
        // and records are read one at a time, as before.
        bool lengthFraming = true;

        // The line in words, as settings sheets name it: "Демо",
        // "/dev/ttyUSB0 · 19200", "10.0.5.20:4001 · RTU через TCP" or
        // "10.0.5.31:502 · Modbus TCP".
        QString lineText() const;
    };

    // Record readings in progress; polling is suspended by the first to
    // begin and resumed when the last one ends.
    enum Reading
    {
        CrashReading = 0x1,
        JournalReading = 0x2
    };

    explicit RelayConnection(QObject* parent = nullptr);
    ~RelayConnection() override;

    // Pushes the settings to the port (8N1, no flow control), the poller,
    // the link and the client. An open port is not reopened: a new name
    // takes effect at the next opening.
    void configure(const Settings& newSettings);
    const Settings& settings() const { return current; }
    // Another relay on the same line: only the slave address changes, and
    // the port or the network connection stays open for it. What was read
    // so far is not its data, and whether it takes batched reads is found
    // out anew.
    void selectRelay(uint8_t deviceAddress);

    // The check before anything that talks to the relay: true in demo mode
    // (no port needed), or when the port is open or opens now. A network
    // connection is made within its time limit, the event loop running
    // meanwhile; when it cannot be, connectionError() says why.
    bool openPort(bool demoMode);
    // For a caller that makes several connections side by side and so must
    // not wait inside openPort(): begins the network connection, which ends
    // with networkOpened() (at once when it is open already) or with
    // connectionLost().
    void openNetwork();
    // Closes the serial port and the network connections.
    void closePort();
    bool usesNetwork() const;
    QString connectionError() const { return lastConnectionError; }

    bool isPolling() const { return polling; }
    // The poller's first read comes one period later; running polling is
    // left alone.
    void startPolling();
    // Stops the poller and drops the requests not yet sent (the one on the
    // line completes or times out).
    void stopPolling(bool closePort);

    void beginReading(Reading reading);
    void endReading(Reading reading);
    bool isReading(Reading reading) const { return (activeReadings & reading) != 0; }

    QSerialPort* port() const { return serialPort; }
    ModBusClient* client() const { return modbusClient; }
    ModBusDevice* device() const { return poller; }
    ConfigFile* configFile() const { return settingsFile; }
    CrashProcessReader* crashReader() const { return recordReader; }
    LogReader* logReader() const { return journalReader; }
    // The simulated relay the demo mode talks to.
    DemoRTULink* demoRelay() const { return demoLink; }

signals:
    // The first reading has stopped polling; the port stays open for it.
    void pollingSuspended();
    // The last reading has ended and polling was on before the first: the
    // owner starts it again.
    void pollingResumeDue();
    // The open network connection broke; it is closed and not made again
    // until openPort() is called.
    void connectionLost(const QString& reason);
    // The network connection is made.
    void networkOpened();
    // The serial port's device went away (adapter pulled); the port is
    // closed and opens again by its name with openPort().
    void portLost(const QString& reason);

private:
    Q_DISABLE_COPY(RelayConnection)

    TcpConnection* chosenConnection() const;
    void resetBatchedReads();
    void connectionFailed(const QString& reason);

    Settings current;
    QSerialPort* serialPort = nullptr;
    ModBusRtuLink* rtuLink = nullptr;
    ModBusRtuOverTcpLink* rtuOverTcpLink = nullptr;
    ModBusTcpLink* modbusTcpLink = nullptr;
    DemoRTULink* demoLink = nullptr;
    ModBusClient* modbusClient = nullptr;
    ModBusDevice* poller = nullptr;
    ConfigFile* settingsFile = nullptr;
    CrashProcessReader* recordReader = nullptr;
    LogReader* journalReader = nullptr;
    bool polling = false;
    bool wasPolling = false;
    int activeReadings = 0;
    // Set while openPort() waits for a connection: its failure is the
    // caller's to report, not a lost connection.
    bool connecting = false;
    QString lastConnectionError;
};

#endif
