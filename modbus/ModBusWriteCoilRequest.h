#ifndef TALVIK_MODBUS_MODBUSWRITECOILREQUEST_H
#define TALVIK_MODBUS_MODBUSWRITECOILREQUEST_H

#include "modbus/IModBusResponse.h"
#include "modbus/ModBusRequest.h"

#include <cstdint>

class IModBusResponseListener;

// Function 5: switches one coil on or off.
class ModBusWriteCoilRequest : public ModBusRequest, public IModBusResponse
{
public:
    ModBusWriteCoilRequest(IModBusResponseListener* listener, uint8_t address, uint16_t coil,
                           bool value);

    void frame(const uint8_t*& data, uint16_t& length) const override;
    uint16_t answerLength() const override;
    void parseResponse(const uint8_t* data, uint16_t length) override;
    ~ModBusWriteCoilRequest() override;
    void notify(IModBusResponseListener* listener) override;
    IModBusResponseListener* listener() const override;

private:
    // Both are replaced by the relay's echo when it answers.
    uint16_t coilAddress;
    bool value;
    IModBusResponseListener* responseListener;
};

#endif
