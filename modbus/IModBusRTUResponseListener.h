#ifndef TALVIK_MODBUS_IMODBUSRTURESPONSELISTENER_H
#define TALVIK_MODBUS_IMODBUSRTURESPONSELISTENER_H

#include <QtPlugin>

#include <cstdint>

// Receiver of what an RTU link gathers from the line.
class IModBusRTUResponseListener
{
public:
    // A frame with a good CRC: data is the body without the two CRC bytes,
    // valid only during the call.
    virtual void frameReceived(const uint8_t* data, uint16_t length) = 0;
    // A received frame was too short or failed the CRC check.
    virtual void linkError() = 0;

protected:
    ~IModBusRTUResponseListener() = default;
};

Q_DECLARE_INTERFACE(IModBusRTUResponseListener, "talvik.IModBusRTUResponseListener")

#endif
