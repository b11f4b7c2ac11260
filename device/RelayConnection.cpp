#include "device/RelayConnection.h"

#include "device/ConfigFile.h"
#include "device/ModBusDevice.h"
#include "device/RelayMap.h"
#include "modbus/DemoRTULink.h"
#include "modbus/ModBusClient.h"
#include "modbus/ModBusRtuLink.h"
#include "records/CrashProcessReader.h"
#include "records/LogReader.h"

#include <QSerialPort>

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
    demoLink = new DemoRTULink;
    modbusClient = new ModBusClient;
    modbusClient->setLink(rtuLink);

    poller = new ModBusDevice(RelayMap::coilCount, RelayMap::registerCount);
    rtuLink->setListener(modbusClient);
    demoLink->setListener(modbusClient);

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
                if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError)
                    serialPort->close();
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
    serialPort->setPortName(current.portName);
    serialPort->setBaudRate(current.baudRate, QSerialPort::AllDirections);

    poller->setDeviceAddress(current.deviceAddress);
    poller->setPeriod(current.pollPeriodMs);

    rtuLink->setInterCharInterval(current.charInterval);
    // Another relay, or the same one after a change: what was read so far is
    // not its data.
    poller->forgetReadTimes();

    if (current.demo)
        modbusClient->setLink(demoLink);
    else
        modbusClient->setLink(rtuLink);
}

bool RelayConnection::openPort(bool demoMode)
{
    if (serialPort->isOpen() || demoMode)
        return true;
    // The result of open() decides: an error left over from an earlier
    // operation on the closed port must not veto a good opening.
    return serialPort->open(QIODevice::ReadWrite);
}

void RelayConnection::closePort()
{
    serialPort->close();
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
        serialPort->close();
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
