#include "LoopbackLink.h"

#include "modbus/ByteOrder.h"
#include "support/RelayContent.h"

#include <QMetaObject>

LoopbackLink::LoopbackLink() : ModBusRtuLink(nullptr)
{
    relaycontent::loadRegisters(relay);
    relaycontent::loadRecords(relay);
}

void LoopbackLink::send(const uint8_t* data, uint16_t length)
{
    const QByteArray body(reinterpret_cast<const char*>(data), length);
    QByteArray frame = body;
    const uint16_t crc = frame.size() <= maxCrcProtectedLength ? modbusCrc16(frame) : 0x0000;
    appendBigEndian16(frame, crc);
    ++sent;

    if (frame != lastRequest) {
        lastRequest = frame;
        lastAnswer = TestRelay::withCrc(relay.answer(body));
    }
    pending = lastAnswer;
    QMetaObject::invokeMethod(this, &LoopbackLink::deliver, Qt::QueuedConnection);
}

void LoopbackLink::clear()
{
    rxBuffer.clear();
    pending.clear();
}

void LoopbackLink::deliver()
{
    // As if the whole answer had arrived and the line had then fallen silent.
    rxBuffer = pending;
    pending.clear();
    timeout();
}
