#ifndef TALVIK_MODBUS_IMODBUSRTULINK_H
#define TALVIK_MODBUS_IMODBUSRTULINK_H

#include <QtPlugin>

#include <cstdint>

// The line a request frame body leaves on. The link adds its framing (the
// CRC on a serial line, the MBAP header on Modbus TCP).
class IModBusRTULink
{
public:
    // data: slave address, function code and PDU data; read only during the call.
    virtual void send(const uint8_t* data, uint16_t length) = 0;
    // Drops whatever has been received and flushes the line's buffers.
    virtual void clear() = 0;
    // The length of the answer body (slave address and PDU, no framing) the
    // request about to be sent waits for, so that a link may end the answer
    // as soon as it is complete; 0 when nothing is awaited any more.
    virtual void expectAnswer(uint16_t length) = 0;
    // True when the link itself drops an answer to an earlier request (an
    // id in the frame, as Modbus TCP's transaction id); an RTU frame has none.
    virtual bool tellsAnswersApart() const = 0;

protected:
    ~IModBusRTULink() = default;
};

Q_DECLARE_INTERFACE(IModBusRTULink, "talvik.IModBusRTULink")

#endif
