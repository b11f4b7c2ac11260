#include "modbus/ModBusRequest.h"

#include "base/Logger.h"

namespace {

// Bit 7 of the function code marks an exception answer: address, function
// code + 0x80, exception code.
constexpr uint8_t exceptionBit = 0x80;

} // namespace

ModBusRequest::ModBusRequest(uint8_t address, uint8_t function, uint16_t length)
    : slaveAddress(address), frameData(new uint8_t[length]()), frameLength(length)
{
    frameData[0] = address;
    frameData[1] = function;
}

ModBusRequest::~ModBusRequest()
{
    delete[] frameData;
}

uint8_t ModBusRequest::address() const
{
    return slaveAddress;
}

void ModBusRequest::setPriority(int32_t priority)
{
    requestPriority = priority;
}

int32_t ModBusRequest::priority() const
{
    return requestPriority;
}

bool ModBusRequest::acceptResponse(const uint8_t* data, uint16_t length, int needed,
                                   const char* responseLine)
{
    // The length comes from the line, not from the relay's own byte counts:
    // nothing past it is ever read.
    if (data == nullptr || length < 2) {
        errorFlag = true;
        logError("Ошибка формата пакета!");
        return false;
    }
    if (data[1] & exceptionBit) {
        errorFlag = true;
        failure = IModBusResponseListener::Failure::Exception;
        if (length < exceptionAnswerLength)
            logError("Ошибка формата пакета!");
        else
            logError("Код ошибки: 0x%X", static_cast<unsigned>(data[2]));
        return false;
    }
    if (length < needed) {
        errorFlag = true;
        logError("Ошибка формата пакета!");
        return false;
    }
    logInfo("%s", responseLine);
    return true;
}

bool ModBusRequest::notifyFailure(IModBusResponseListener* listener) const
{
    if (!errorFlag)
        return false;
    if (listener != nullptr)
        listener->requestFailed(failure);
    return true;
}
