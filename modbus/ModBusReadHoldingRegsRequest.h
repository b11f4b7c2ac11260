#ifndef TALVIK_MODBUS_MODBUSREADHOLDINGREGSREQUEST_H
#define TALVIK_MODBUS_MODBUSREADHOLDINGREGSREQUEST_H

#include "modbus/IModBusResponse.h"
#include "modbus/ModBusRequest.h"

#include <cstdint>

class IModBusResponseListener;

// Function 3: reads `count` holding registers from `start`.
class ModBusReadHoldingRegsRequest : public ModBusRequest, public IModBusResponse
{
public:
    ModBusReadHoldingRegsRequest(IModBusResponseListener* listener, uint8_t address, uint16_t start,
                                 uint16_t count);

    void frame(const uint8_t*& data, uint16_t& length) const override;
    uint16_t answerLength() const override;
    void parseResponse(const uint8_t* data, uint16_t length) override;
    ~ModBusReadHoldingRegsRequest() override;
    void notify(IModBusResponseListener* listener) override;
    IModBusResponseListener* listener() const override;

private:
    uint16_t startRegister;
    uint16_t* values;
    uint16_t count;
    IModBusResponseListener* responseListener;
};

#endif
