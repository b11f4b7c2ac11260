#ifndef TALVIK_MODBUS_MODBUSREADFILERECORDREQUEST_H
#define TALVIK_MODBUS_MODBUSREADFILERECORDREQUEST_H

#include "modbus/IModBusResponse.h"
#include "modbus/ModBusRequest.h"

#include <cstdint>

class IModBusResponseListener;

// Function 20 with one sub-request: reads `recordLength` registers of a file
// from `recordNumber` on. The data is passed on as raw bytes.
class ModBusReadFileRecordRequest : public ModBusRequest, public IModBusResponse
{
public:
    ModBusReadFileRecordRequest(IModBusResponseListener* listener, uint8_t address,
                                uint16_t fileNumber, uint16_t recordNumber, uint16_t recordLength);

    void frame(const uint8_t*& data, uint16_t& length) const override;
    void parseResponse(const uint8_t* data, uint16_t length) override;
    ~ModBusReadFileRecordRequest() override;
    void notify(IModBusResponseListener* listener) override;
    IModBusResponseListener* listener() const override;

private:
    uint16_t fileNumber;
    uint16_t recordNumber;
    uint16_t recordLength;
    uint8_t* data;
    IModBusResponseListener* responseListener;
};

#endif
