#include "modbus/ModBusTcpLink.h"

#include "base/Logger.h"
#include "modbus/ByteOrder.h"
#include "modbus/IModBusRTUResponseListener.h"
#include "modbus/ModBusRtuLink.h"
#include "modbus/TcpConnection.h"

#include <QtEndian>

namespace {

constexpr uint16_t modbusProtocol = 0;
// The length field counts the unit id and at least a function code.
constexpr int minMbapLength = 2;

const uint8_t* bytesOf(const QByteArray& bytes)
{
    return reinterpret_cast<const uint8_t*>(bytes.constData());
}

} // namespace

ModBusTcpLink::ModBusTcpLink() : tcp(new TcpConnection(this))
{
    connect(tcp, &TcpConnection::received, this, &ModBusTcpLink::received);
}

ModBusTcpLink::~ModBusTcpLink() = default;

void ModBusTcpLink::setListener(IModBusRTUResponseListener* newListener)
{
    rtuListener = newListener;
}

void ModBusTcpLink::send(const uint8_t* data, uint16_t length)
{
    if (!tcp->isOpen()) {
        logDebug("Не могу отправить пакет. Соединение закрыто.");
        return;
    }
    // Bytes of an answer that never completed would be taken for the head
    // of the next one.
    rxBuffer.clear();
    ++transactionId;
    awaiting = true;
    QByteArray adu;
    appendBigEndian16(adu, transactionId);
    appendBigEndian16(adu, modbusProtocol);
    appendBigEndian16(adu, length);
    adu.append(reinterpret_cast<const char*>(data), length);
    tcp->write(adu);
    logSentFrame(bytesOf(adu), adu.size());
}

void ModBusTcpLink::clear()
{
    rxBuffer.clear();
    tcp->discardInput();
}

void ModBusTcpLink::expectAnswer(uint16_t length)
{
    // The answer's own header gives its length; only "nothing awaited any
    // more" matters here, and a new request announces itself in send().
    if (length == 0)
        awaiting = false;
}

void ModBusTcpLink::received(const QByteArray& bytes)
{
    rxBuffer.append(bytes);
    if (takeAnswers())
        return;
    logReceivedFrame(bytesOf(rxBuffer), rxBuffer.size());
    rxBuffer.clear();
    logError("Ошибка формата пакета!");
    if (rtuListener != nullptr)
        rtuListener->linkError();
}

bool ModBusTcpLink::takeAnswers()
{
    while (rxBuffer.size() >= mbapHeaderSize) {
        const int length = qFromBigEndian<quint16>(rxBuffer.constData() + 4);
        if (qFromBigEndian<quint16>(rxBuffer.constData() + 2) != modbusProtocol ||
            length < minMbapLength || length > maxMbapLength)
            return false;
        if (rxBuffer.size() < mbapHeaderSize + length)
            return true;
        const QByteArray adu = rxBuffer.left(mbapHeaderSize + length);
        rxBuffer.remove(0, adu.size());
        evaluateAnswer(adu);
    }
    return true;
}

void ModBusTcpLink::evaluateAnswer(const QByteArray& adu)
{
    logReceivedFrame(bytesOf(adu), adu.size());
    const uint16_t id = qFromBigEndian<quint16>(adu.constData());
    if (!awaiting || id != transactionId) {
        logError("Отброшен ответ на прежний запрос (транзакция %u).", static_cast<unsigned>(id));
        return;
    }
    awaiting = false;
    const QByteArray body = adu.mid(mbapHeaderSize);
    if (rtuListener != nullptr)
        rtuListener->frameReceived(reinterpret_cast<const uint8_t*>(body.constData()),
                                   static_cast<uint16_t>(body.size()));
}
