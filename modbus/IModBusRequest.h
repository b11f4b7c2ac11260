#ifndef TALVIK_MODBUS_IMODBUSREQUEST_H
#define TALVIK_MODBUS_IMODBUSREQUEST_H

#include <cstdint>

// One Modbus transaction as the client queues, sends and completes it. The
// client owns its requests and deletes them through this interface.
class IModBusRequest
{
public:
    // The request frame body (slave address, function code, PDU data); the
    // pointer stays valid as long as the request lives.
    virtual void frame(const uint8_t*& data, uint16_t& length) const = 0;
    virtual uint8_t address() const = 0;
    // The length of the answer body (slave address and PDU, no CRC) that
    // answers the request in full; an exception answer is 3 bytes.
    virtual uint16_t answerLength() const = 0;
    // data: the response body as the link delivered it, without the CRC.
    virtual void parseResponse(const uint8_t* data, uint16_t length) = 0;
    // Higher priorities are sent first.
    virtual void setPriority(int32_t priority) = 0;
    virtual int32_t priority() const = 0;
    virtual ~IModBusRequest() = default;
};

#endif
