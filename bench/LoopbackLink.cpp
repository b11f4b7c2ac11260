#include "LoopbackLink.h"

#include <QMetaObject>

LoopbackLink::LoopbackLink() : ModBusRtuLink(nullptr) {}

void LoopbackLink::send(const uint8_t* data, uint16_t length)
{
    QByteArray frame(reinterpret_cast<const char*>(data), length);
    const uint16_t crc = frame.size() <= maxCrcProtectedLength ? modbusCrc16(frame) : 0x0000;
    frame.append(static_cast<char>(crc >> 8));
    frame.append(static_cast<char>(crc & 0xFF));
    ++sent;

    if (frame != lastRequest) {
        lastRequest = frame;
        lastAnswer = relay.answer(frame);
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
