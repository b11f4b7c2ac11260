#include "modbus/ModBusRtuLink.h"

#include "app/log/Logger.h"
#include "modbus/IModBusRTUResponseListener.h"

#include <QSerialPort>
#include <QTimer>

#include <array>

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

} // namespace

ModBusRtuLink::ModBusRtuLink(QSerialPort* serialPort)
    : port(serialPort), interCharTimer(new QTimer(this))
{
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

QString ModBusRtuLink::hexDump(const uint8_t* data, int length)
{
    static const char digits[] = "0123456789ABCDEF";
    QString text;
    if (length <= 0 || data == nullptr)
        return text;
    text.reserve(length * 3 - 1);
    for (int i = 0; i < length; ++i) {
        if (i > 0)
            text += QLatin1Char(' ');
        text += QLatin1Char(digits[data[i] >> 4]);
        text += QLatin1Char(digits[data[i] & 0x0F]);
    }
    return text;
}

QByteArray ModBusRtuLink::localHex(const uint8_t* data, int length)
{
    return hexDump(data, length).toLocal8Bit();
}

void ModBusRtuLink::send(const uint8_t* data, uint16_t length)
{
    QByteArray frame(reinterpret_cast<const char*>(data), length);
    const uint16_t crc = frame.size() <= maxCrcProtectedLength ? modbusCrc16(frame) : 0x0000;
    frame.append(static_cast<char>(crc >> 8));
    frame.append(static_cast<char>(crc & 0xFF));

    if (port == nullptr || !port->isOpen()) {
        logDebug("Не могу отправить пакет. Порт закрыт.");
        return;
    }
    port->write(frame);
    logDebug(
        "Отправлен пакет: %s",
        localHex(reinterpret_cast<const uint8_t*>(frame.constData()), frame.size()).constData());
}

void ModBusRtuLink::clear()
{
    rxBuffer.clear();
    // Clearing a closed port only sets its error state.
    if (port != nullptr && port->isOpen())
        port->clear(QSerialPort::AllDirections);
}

void ModBusRtuLink::readyRead()
{
    if (port != nullptr)
        appendReceived(port->readAll());
}

void ModBusRtuLink::appendReceived(const QByteArray& bytes)
{
    rxBuffer.append(bytes);
    // The frame ends when no byte has arrived for the inter-character interval.
    interCharTimer->stop();
    interCharTimer->start(interCharInterval);
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
    logDebug(
        "Принят пакет: %s",
        localHex(reinterpret_cast<const uint8_t*>(frame.constData()), frame.size()).constData());

    // Address, function code and two CRC bytes at the least.
    if (frame.size() <= 3) {
        if (rtuListener != nullptr) {
            logError("Ошибка формата пакета!");
            rtuListener->linkError();
        }
        return;
    }

    const int size = frame.size();
    const uint16_t received = static_cast<uint16_t>(static_cast<uint8_t>(frame.at(size - 2)) << 8 |
                                                    static_cast<uint8_t>(frame.at(size - 1)));
    frame.chop(2);
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
