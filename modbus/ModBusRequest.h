#ifndef TALVIK_MODBUS_MODBUSREQUEST_H
#define TALVIK_MODBUS_MODBUSREQUEST_H

#include "modbus/IModBusRequest.h"
#include "modbus/IModBusResponseListener.h"

#include <QtGlobal>

#include <cstdint>

// What every request shares: the slave address, the queue priority, the
// frame body built by the constructor and the exception flag set by the
// parser. Frame building and parsing belong to the function's own class.
class ModBusRequest : public IModBusRequest
{
public:
    ~ModBusRequest() override;

    uint8_t address() const override;
    void setPriority(int32_t priority) override;
    int32_t priority() const override;

    // True once the relay answered with an exception or a frame too short to parse.
    bool hasError() const { return errorFlag; }

    // Address, function code and exception code.
    static constexpr uint16_t exceptionAnswerLength = 3;

protected:
    // Allocates a zeroed frame body of `length` bytes holding the address
    // and the function code.
    ModBusRequest(uint8_t address, uint8_t function, uint16_t length);

    // Checks a response before it is parsed: an exception answer or a frame
    // shorter than `needed` bytes sets errorFlag and is logged; a usable one
    // gets `responseLine` logged at info level.
    bool acceptResponse(const uint8_t* data, uint16_t length, int needed, const char* responseLine);
    // With errorFlag set, tells the listener (if any) why the request failed
    // and returns true; the caller then delivers nothing else.
    bool notifyFailure(IModBusResponseListener* listener) const;

    bool errorFlag = false;
    IModBusResponseListener::Failure failure = IModBusResponseListener::Failure::WrongLength;
    uint8_t slaveAddress;
    int32_t requestPriority = 0;
    uint8_t* frameData;
    uint16_t frameLength;

private:
    Q_DISABLE_COPY(ModBusRequest)
};

#endif
