#ifndef TALVIK_MODBUS_MODBUSREADCOILSREQUEST_H
#define TALVIK_MODBUS_MODBUSREADCOILSREQUEST_H

#include "modbus/IModBusResponse.h"
#include "modbus/ModBusRequest.h"

#include <cstdint>

class IModBusResponseListener;

// Function 1: reads `count` coils from `start`.
class ModBusReadCoilsRequest : public ModBusRequest, public IModBusResponse
{
public:
    ModBusReadCoilsRequest(IModBusResponseListener* listener, uint8_t address, uint16_t start,
                           uint16_t count);

    void frame(const uint8_t*& data, uint16_t& length) const override;
    uint16_t answerLength() const override;
    void parseResponse(const uint8_t* data, uint16_t length) override;
    ~ModBusReadCoilsRequest() override;
    void notify(IModBusResponseListener* listener) override;
    IModBusResponseListener* listener() const override;

private:
    uint16_t startCoil;
    uint8_t* states;
    uint16_t count;
    IModBusResponseListener* responseListener;
};

#endif
