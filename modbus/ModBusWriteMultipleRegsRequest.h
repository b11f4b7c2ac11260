#ifndef TALVIK_MODBUS_MODBUSWRITEMULTIPLEREGSREQUEST_H
#define TALVIK_MODBUS_MODBUSWRITEMULTIPLEREGSREQUEST_H

#include "modbus/IModBusResponse.h"
#include "modbus/ModBusRequest.h"

#include <cstdint>

class IModBusResponseListener;

// Function 16: writes `count` holding registers from `start`.
class ModBusWriteMultipleRegsRequest : public ModBusRequest, public IModBusResponse
{
public:
    // values: `count` registers in host order, copied here.
    ModBusWriteMultipleRegsRequest(IModBusResponseListener* listener, uint8_t address,
                                   uint16_t start, uint16_t count, const uint16_t* values);

    void frame(const uint8_t*& data, uint16_t& length) const override;
    uint16_t answerLength() const override;
    void parseResponse(const uint8_t* data, uint16_t length) override;
    ~ModBusWriteMultipleRegsRequest() override;
    void notify(IModBusResponseListener* listener) override;
    IModBusResponseListener* listener() const override;

    // The most registers whose frame body still fits a 16-bit length.
    static constexpr uint16_t maxCount = (0xFFFF - 7) / 2;

private:
    uint16_t startRegister;
    uint16_t* values;
    uint16_t count;
    IModBusResponseListener* responseListener;
};

#endif
