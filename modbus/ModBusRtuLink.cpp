#include "modbus/ModBusRtuLink.h"

#include "base/Logger.h"
#include "modbus/ByteOrder.h"
#include "modbus/IModBusRTUResponseListener.h"

#include <QSerialPort>
#include <QTimer>

#include <array>
#include <cmath>

namespace {

// The two tables of the classic byte-wise routine, derived from the reflected
// polynomial 0xA001. crcHigh holds the low byte of each table entry and
// crcLow the high byte: the routine's names follow the order in which its
// two running bytes are assembled into the result.
struct CrcTables
{
    std::array<uint8_t, 256> high{};
    std::array<uint8_t, 256> low{};
};

constexpr CrcTables makeCrcTables()
{
    CrcTables tables;
    for (int index = 0; index < 256; ++index) {
        uint16_t entry = static_cast<uint16_t>(index);
        for (int bit = 0; bit < 8; ++bit)
            entry = (entry & 1) ? static_cast<uint16_t>((entry >> 1) ^ 0xA001)
                                : static_cast<uint16_t>(entry >> 1);
        tables.high[index] = static_cast<uint8_t>(entry & 0xFF);
        tables.low[index] = static_cast<uint8_t>(entry >> 8);
    }
    return tables;
}

constexpr CrcTables crcTables = makeCrcTables();
static_assert(crcTables.high[1] == 0xC1 && crcTables.low[1] == 0xC0, "CRC table layout");

constexpr int crcSize = 2;
// Bit 7 of the function code marks an exception answer: address, function
// code + 0x80, exception code and the CRC.
constexpr uint8_t exceptionBit = 0x80;
constexpr int exceptionWireLength = 5;

// 3.5 characters of 11 bits (start, 8 data, parity or a second stop bit,
// stop); above 19200 baud Modbus fixes the gap at 1750 us.
constexpr double turnaroundCharacters = 3.5;
constexpr int bitsPerCharacter = 11;
constexpr int fastLineLimit = 19200;
constexpr int fastLineTurnaroundUs = 1750;

// The CRC as modbusCrc16() gives it: the first byte on the line is its high byte.
uint16_t receivedCrc(const QByteArray& frame)
{
    return qFromBigEndian<quint16>(frame.constData() + frame.size() - crcSize);
}

} // namespace

ModBusRtuLink::ModBusRtuLink(QSerialPort* serialPort)
    : port(serialPort), interCharTimer(new QTimer(this)), turnaroundTimer(new QTimer(this))
{
    turnaroundTimer->setSingleShot(true);
    turnaroundTimer->setTimerType(Qt::PreciseTimer);
    connect(turnaroundTimer, &QTimer::timeout, this, &ModBusRtuLink::writeAfterTurnaround);
    interCharTimer->setSingleShot(true);
    // A coarse timer may fire up to 5 % early or late: early would end a
    // frame before the line has been silent for the interval, late would
    // stretch every transaction. The silence is the frame end, so keep to it.
    interCharTimer->setTimerType(Qt::PreciseTimer);
    connect(interCharTimer, &QTimer::timeout, this, &ModBusRtuLink::timeout);
    if (port != nullptr)
        connect(port, &QSerialPort::readyRead, this, &ModBusRtuLink::readyRead);
}

ModBusRtuLink::~ModBusRtuLink() = default;

void ModBusRtuLink::setListener(IModBusRTUResponseListener* newListener)
{
    rtuListener = newListener;
}

void ModBusRtuLink::setInterCharInterval(int milliseconds)
{
    interCharInterval = milliseconds;
}

void ModBusRtuLink::setLengthFraming(bool on)
{
    byLength = on;
}

void ModBusRtuLink::setBaudRate(int baudRate)
{
    baud = baudRate;
}

int ModBusRtuLink::turnaroundMicroseconds(int baudRate)
{
    if (baudRate <= 0 || baudRate > fastLineLimit)
        return fastLineTurnaroundUs;
    return static_cast<int>(std::ceil(turnaroundCharacters * bitsPerCharacter * 1.0e6 / baudRate));
}

uint16_t ModBusRtuLink::modbusCrc16(const QByteArray& data)
{
    uint8_t first = 0xFF;
    uint8_t second = 0xFF;
    for (const char byte : data) {
        const uint8_t index = first ^ static_cast<uint8_t>(byte);
        first = second ^ crcTables.high[index];
        second = crcTables.low[index];
    }
    return static_cast<uint16_t>(first << 8 | second);
}

void ModBusRtuLink::send(const uint8_t* data, uint16_t length)
{
    QByteArray frame(reinterpret_cast<const char*>(data), length);
    const uint16_t crc = frame.size() <= maxCrcProtectedLength ? modbusCrc16(frame) : 0x0000;
    appendBigEndian16(frame, crc);

    if (!lineOpen()) {
        logDebug("%s", closedLineMessage());
        return;
    }
    // A slave turns its line driver round only so fast: a request right
    // after an answer ended by length waits out the turnaround. An answer
    // ended by silence has waited longer than that already.
    if (byLength && (turnaroundTimer->isActive() || lastByteClock.isValid())) {
        const qint64 waitedUs = lastByteClock.isValid() ? lastByteClock.nsecsElapsed() / 1000 : 0;
        const qint64 leftUs = turnaroundMicroseconds(lineBaudRate()) - waitedUs;
        if (turnaroundTimer->isActive() || leftUs > 0) {
            framesToSend.append(frame);
            if (!turnaroundTimer->isActive())
                turnaroundTimer->start(static_cast<int>((leftUs + 999) / 1000));
            return;
        }
    }
    writeNow(frame);
}

void ModBusRtuLink::writeNow(const QByteArray& frame)
{
    writeLine(frame);
    logSentFrame(reinterpret_cast<const uint8_t*>(frame.constData()), frame.size());
}

void ModBusRtuLink::writeAfterTurnaround()
{
    const QList<QByteArray> frames = framesToSend;
    framesToSend.clear();
    if (!lineOpen()) {
        logDebug("%s", closedLineMessage());
        return;
    }
    for (const QByteArray& frame : frames)
        writeNow(frame);
}

void ModBusRtuLink::clear()
{
    rxBuffer.clear();
    flushLine();
}

void ModBusRtuLink::expectAnswer(uint16_t length)
{
    expectedLength = length;
}

bool ModBusRtuLink::lineOpen() const
{
    return port != nullptr && port->isOpen();
}

void ModBusRtuLink::writeLine(const QByteArray& frame)
{
    port->write(frame);
}

void ModBusRtuLink::flushLine()
{
    // Clearing a closed port only sets its error state.
    if (port != nullptr && port->isOpen())
        port->clear(QSerialPort::AllDirections);
}

int ModBusRtuLink::lineBaudRate() const
{
    return port != nullptr ? static_cast<int>(port->baudRate()) : baud;
}

const char* ModBusRtuLink::closedLineMessage() const
{
    return "Не могу отправить пакет. Порт закрыт.";
}

void ModBusRtuLink::readyRead()
{
    if (port != nullptr)
        appendReceived(port->readAll());
}

void ModBusRtuLink::appendReceived(const QByteArray& bytes)
{
    rxBuffer.append(bytes);
    if (!bytes.isEmpty())
        lastByteClock.start();
    if (endFrameByLength())
        return;
    // The frame ends when no byte has arrived for the inter-character interval.
    interCharTimer->stop();
    interCharTimer->start(interCharInterval);
}

int ModBusRtuLink::awaitedWireLength() const
{
    if (rxBuffer.size() >= 2 && (static_cast<uint8_t>(rxBuffer.at(1)) & exceptionBit))
        return exceptionWireLength;
    return expectedLength + crcSize;
}

bool ModBusRtuLink::endFrameByLength()
{
    if (!byLength || expectedLength == 0)
        return false;
    // Only the bytes up to the awaited length are judged: what follows them
    // in the same chunk starts the next frame. A frame that is longer than
    // awaited fails the CRC at that length and ends by silence as a whole.
    const int wireLength = awaitedWireLength();
    if (rxBuffer.size() < wireLength)
        return false;
    QByteArray frame = rxBuffer.left(wireLength);
    if (frame.size() - crcSize > maxCrcProtectedLength ||
        receivedCrc(frame) != modbusCrc16(frame.left(frame.size() - crcSize)))
        return false;

    interCharTimer->stop();
    rxBuffer.remove(0, wireLength);
    if (!rxBuffer.isEmpty())
        interCharTimer->start(interCharInterval);
    evaluateFrame(frame);
    return true;
}

void ModBusRtuLink::timeout()
{
    // The buffer is emptied before anything is delivered, so a bad frame never
    // pollutes the next one and a listener that clears the link mid-call
    // cannot pull the frame from under itself.
    QByteArray frame;
    frame.swap(rxBuffer);
    evaluateFrame(frame);
}

void ModBusRtuLink::evaluateFrame(QByteArray& frame)
{
    // Whatever this frame is, it is the answer the request got; the listener
    // may await the next one from inside the call.
    expectedLength = 0;
    logReceivedFrame(reinterpret_cast<const uint8_t*>(frame.constData()), frame.size());

    // Address, function code and two CRC bytes at the least.
    if (frame.size() <= 3) {
        if (rtuListener != nullptr) {
            logError("Ошибка формата пакета!");
            rtuListener->linkError();
        }
        return;
    }

    const uint16_t received = receivedCrc(frame);
    frame.chop(crcSize);
    const uint16_t expected = frame.size() <= maxCrcProtectedLength ? modbusCrc16(frame) : 0x0000;

    if (received != expected) {
        logError("Ошибка CRC!");
        if (rtuListener != nullptr)
            rtuListener->linkError();
        return;
    }
    if (rtuListener != nullptr)
        rtuListener->frameReceived(reinterpret_cast<const uint8_t*>(frame.constData()),
                                   static_cast<uint16_t>(frame.size()));
}
