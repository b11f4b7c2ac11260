#include "relay/DeviceSearch.h"

#include "modbus/ModBusRtuLink.h"

#include <QSerialPort>
#include <QTimer>

#include <cmath>

namespace {

// Read one holding register from register 0: address, function, start, count.
constexpr int requestBytes = 8;
// Address, function, byte count, one register, CRC.
constexpr int answerBytes = 7;
constexpr int bitsPerCharacter = 10;
// What a relay may take between the end of a request and its answer.
constexpr int turnaroundMs = 25;
constexpr uint8_t readHoldingRegisters = 0x03;

double characterMs(int baudRate)
{
    return 1000.0 * bitsPerCharacter / baudRate;
}

} // namespace

DeviceSearch::DeviceSearch(QObject* parent)
    : QObject(parent), port(new QSerialPort), link(new ModBusRtuLink(port)),
      probeTimer(new QTimer(this))
{
    link->setListener(this);
    probeTimer->setSingleShot(true);
    probeTimer->setTimerType(Qt::PreciseTimer);
    connect(probeTimer, &QTimer::timeout, this, &DeviceSearch::probeEnded);
}

DeviceSearch::~DeviceSearch()
{
    stop();
    delete link;
    delete port;
}

int DeviceSearch::frameSilenceMs(int baudRate)
{
    // The Modbus frame gap of 3.5 characters, at least as long as a timer
    // can keep apart from the line's own gaps.
    return qMax(5, int(std::ceil(3.5 * characterMs(baudRate))));
}

int DeviceSearch::probeTimeoutMs(int baudRate)
{
    return int(std::ceil((requestBytes + answerBytes) * characterMs(baudRate))) +
           frameSilenceMs(baudRate) + turnaroundMs;
}

int DeviceSearch::currentBaudRate() const
{
    return speedIndex < speeds.size() ? speeds.at(speedIndex) : 0;
}

bool DeviceSearch::start(const QString& portName, const QList<int>& baudRates, int firstAddress,
                         int lastAddress)
{
    stop();
    relays.clear();
    portError.clear();
    speeds = baudRates;
    first = qBound(LineLimits::minAddress, firstAddress, LineLimits::maxAddress);
    last = qBound(first, lastAddress, LineLimits::maxAddress);
    probesTotal = speeds.size() * (last - first + 1);
    probed = 0;
    speedIndex = 0;
    address = first;
    if (speeds.isEmpty())
        return false;

    port->setPortName(portName);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite)) {
        portError = port->errorString();
        return false;
    }
    running = true;
    probe();
    return true;
}

void DeviceSearch::cancel()
{
    if (!running)
        return;
    stop();
    emit finished();
}

void DeviceSearch::stop()
{
    running = false;
    probeTimer->stop();
    link->clear();
    if (port->isOpen())
        port->close();
}

void DeviceSearch::probe()
{
    const int baudRate = speeds.at(speedIndex);
    if (port->baudRate() != baudRate)
        port->setBaudRate(baudRate);
    link->setInterCharInterval(frameSilenceMs(baudRate));
    // Whatever is left from the last probe at another speed is noise now.
    link->clear();
    const uint8_t request[] = {static_cast<uint8_t>(address), readHoldingRegisters, 0, 0, 0, 1};
    link->send(request, sizeof(request));
    probeTimer->start(probeTimeoutMs(baudRate));
}

void DeviceSearch::frameReceived(const uint8_t* data, uint16_t length)
{
    if (!running || length < 2 || data[0] != address || (data[1] & 0x7F) != readHoldingRegisters)
        return;
    relays.append({address, currentBaudRate()});
    emit relayFound(address, currentBaudRate());
    // The answer is complete: no need to wait out the probe's time.
    if (running && probeTimer->isActive()) {
        probeTimer->stop();
        probeEnded();
    }
}

void DeviceSearch::linkError()
{
    // Garbage from a relay at another speed, or noise: this probe found
    // nothing, and its time runs out as usual.
}

void DeviceSearch::probeEnded()
{
    if (!running)
        return;
    ++probed;
    emit progress(probed, probesTotal);
    if (++address > last) {
        address = first;
        ++speedIndex;
    }
    if (speedIndex >= speeds.size()) {
        stop();
        emit finished();
        return;
    }
    probe();
}
