#include "session/RelayConnection.h"

#include "modbus/ModBusClient.h"
#include "modbus/ModBusRtuLink.h"
#include "modbus/ModBusRtuOverTcpLink.h"
#include "modbus/ModBusTcpLink.h"
#include "modbus/TcpConnection.h"
#include "records/CrashProcessReader.h"
#include "records/LogReader.h"
#include "relay/ConfigFile.h"
#include "relay/ModBusDevice.h"
#include "relay/RelayMap.h"
#include "simulator/DemoRTULink.h"

#include <QEventLoop>
#include <QSerialPort>
#include <QTimer>

static_assert(RelayConnection::defaultDeviceAddress == ModBusDevice::defaultDeviceAddress,
              "the poller starts with the dialog's address");
static_assert(RelayConnection::defaultPollPeriodMs == ModBusDevice::defaultPeriod,
              "the poller starts with the dialog's period");
static_assert(RelayConnection::defaultCharInterval == ModBusRtuLink::defaultInterCharInterval,
              "the link starts with the dialog's interval");

RelayConnection::RelayConnection(QObject* parent) : QObject(parent)
{
    serialPort = new QSerialPort;
    rtuLink = new ModBusRtuLink(serialPort);
    rtuOverTcpLink = new ModBusRtuOverTcpLink;
    modbusTcpLink = new ModBusTcpLink;
    demoLink = new DemoRTULink;
    modbusClient = new ModBusClient;
    modbusClient->setLink(rtuLink);

    poller = new ModBusDevice(RelayMap::coilCount, RelayMap::registerCount);
    rtuLink->setListener(modbusClient);
    rtuOverTcpLink->setListener(modbusClient);
    modbusTcpLink->setListener(modbusClient);
    demoLink->setListener(modbusClient);
    for (TcpConnection* tcp : {rtuOverTcpLink->connection(), modbusTcpLink->connection()}) {
        connect(tcp, &TcpConnection::failed, this, &RelayConnection::connectionFailed);
        connect(tcp, &TcpConnection::opened, this, &RelayConnection::networkOpened);
    }

    settingsFile = new ConfigFile(poller);
    poller->setClient(modbusClient);

    recordReader = new CrashProcessReader;
    recordReader->setClient(modbusClient);
    journalReader = new LogReader;
    journalReader->setClient(modbusClient);

    // A port whose device went away (adapter pulled, far end hung up) reports
    // a read error on every pass of the event loop and keeps the processor
    // busy: it is closed, and what is still sent times out as on a closed port.
    connect(serialPort, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) {
                if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
                    return;
                const bool wasOpen = serialPort->isOpen();
                serialPort->close();
                if (wasOpen)
                    emit portLost(QStringLiteral("порт %1 недоступен").arg(current.portName));
            });
}

RelayConnection::~RelayConnection()
{
    poller->stop();
    modbusClient->clearQueue();
    delete poller;
    delete recordReader;
    delete journalReader;
    delete modbusClient;
    delete rtuLink;
    delete rtuOverTcpLink;
    delete modbusTcpLink;
    delete demoLink;
    delete settingsFile;
    if (serialPort->isOpen())
        serialPort->close();
    delete serialPort;
}

void RelayConnection::configure(const Settings& newSettings)
{
    current = newSettings;
    serialPort->setStopBits(QSerialPort::OneStop);
    serialPort->setFlowControl(QSerialPort::NoFlowControl);
    serialPort->setParity(QSerialPort::NoParity);
    if (current.transport == Transport::Serial)
        serialPort->setPortName(current.portName);
    serialPort->setBaudRate(current.baudRate, QSerialPort::AllDirections);

    poller->setDeviceAddress(current.deviceAddress);
    poller->setPeriod(current.pollPeriodMs);

    // A gateway's serial line has the same timing as the PC's own.
    for (ModBusRtuLink* link : {rtuLink, static_cast<ModBusRtuLink*>(rtuOverTcpLink)}) {
        link->setInterCharInterval(current.charInterval);
        link->setLengthFraming(current.lengthFraming);
    }
    rtuOverTcpLink->setBaudRate(current.baudRate);
    resetBatchedReads();
    // Settings of a connection already made take effect when it is made anew.
    rtuOverTcpLink->connection()->close();
    modbusTcpLink->connection()->close();
    // Another relay, or the same one after a change: what was read so far is
    // not its data.
    poller->forgetReadTimes();

    if (current.demo)
        modbusClient->setLink(demoLink);
    else if (current.transport == Transport::ModbusTcp)
        modbusClient->setLink(modbusTcpLink);
    else if (current.transport == Transport::RtuOverTcp)
        modbusClient->setLink(rtuOverTcpLink);
    else
        modbusClient->setLink(rtuLink);
}

void RelayConnection::selectRelay(uint8_t deviceAddress)
{
    current.deviceAddress = deviceAddress;
    poller->setDeviceAddress(deviceAddress);
    poller->forgetReadTimes();
    resetBatchedReads();
}

// A new connection or relay: whether the relay takes batched reads is found
// out anew. Modbus TCP frames every answer by its header anyway. The demo
// relay is read one at a time, as before.
void RelayConnection::resetBatchedReads()
{
    const bool batched =
        !current.demo && (current.lengthFraming || current.transport == Transport::ModbusTcp);
    recordReader->setBatchedReads(batched);
    journalReader->setBatchedReads(batched);
}

bool RelayConnection::usesNetwork() const
{
    return !current.demo && current.transport != Transport::Serial;
}

TcpConnection* RelayConnection::chosenConnection() const
{
    return current.transport == Transport::ModbusTcp ? modbusTcpLink->connection()
                                                     : rtuOverTcpLink->connection();
}

bool RelayConnection::openPort(bool demoMode)
{
    if (demoMode)
        return true;
    if (!usesNetwork()) {
        // The result of open() decides: an error left over from an earlier
        // operation on the closed port must not veto a good opening.
        return serialPort->isOpen() || serialPort->open(QIODevice::ReadWrite);
    }
    TcpConnection* tcp = chosenConnection();
    if (tcp->isOpen())
        return true;
    // The connection is made, refused or given up within its time limit.
    // Closed meanwhile (new settings accepted during the wait), it reports
    // nothing: the wait ends at the limit all the same.
    QEventLoop waiting;
    const QMetaObject::Connection opened =
        connect(tcp, &TcpConnection::opened, &waiting, &QEventLoop::quit);
    const QMetaObject::Connection failed =
        connect(tcp, &TcpConnection::failed, &waiting, &QEventLoop::quit);
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &waiting, &QEventLoop::quit);
    limit.start(TcpConnection::connectTimeoutMs + 500);
    lastConnectionError.clear();
    connecting = true;
    if (!tcp->isConnecting())
        tcp->open(current.host, current.tcpPort);
    // A failure reported from within open() has ended the wait already.
    if (connecting && lastConnectionError.isEmpty())
        waiting.exec();
    connecting = false;
    disconnect(opened);
    disconnect(failed);
    if (tcp->isOpen())
        return true;
    if (lastConnectionError.isEmpty())
        lastConnectionError =
            QStringLiteral("Узел %1:%2 не ответил.").arg(current.host).arg(current.tcpPort);
    return false;
}

void RelayConnection::openNetwork()
{
    TcpConnection* tcp = chosenConnection();
    lastConnectionError.clear();
    if (tcp->isOpen())
        emit networkOpened();
    else if (!tcp->isConnecting())
        tcp->open(current.host, current.tcpPort);
}

void RelayConnection::connectionFailed(const QString& reason)
{
    lastConnectionError = reason;
    if (!connecting)
        emit connectionLost(reason);
}

void RelayConnection::closePort()
{
    serialPort->close();
    rtuOverTcpLink->connection()->close();
    modbusTcpLink->connection()->close();
}

void RelayConnection::startPolling()
{
    poller->start();
    polling = true;
}

void RelayConnection::stopPolling(bool closePort)
{
    poller->stop();
    modbusClient->clearQueue();
    if (closePort)
        this->closePort();
    polling = false;
}

void RelayConnection::beginReading(Reading reading)
{
    if (activeReadings == 0) {
        wasPolling = polling;
        if (wasPolling) {
            stopPolling(false);
            emit pollingSuspended();
        }
    }
    activeReadings |= reading;
}

void RelayConnection::endReading(Reading reading)
{
    activeReadings &= ~reading;
    if (activeReadings == 0 && wasPolling) {
        wasPolling = false;
        emit pollingResumeDue();
    }
}

QString RelayConnection::Settings::lineText() const
{
    if (demo)
        return QStringLiteral("Демо");
    switch (transport) {
    case Transport::Serial:
        break;
    case Transport::RtuOverTcp:
        return QStringLiteral("%1:%2 · RTU через TCP").arg(host).arg(tcpPort);
    case Transport::ModbusTcp:
        return QStringLiteral("%1:%2 · Modbus TCP").arg(host).arg(tcpPort);
    }
    return QStringLiteral("%1 · %2").arg(portName).arg(baudRate);
}
