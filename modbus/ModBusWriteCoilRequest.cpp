#include "modbus/ModBusWriteCoilRequest.h"

#include "base/Logger.h"
#include "modbus/IModBusResponseListener.h"

#include <QtEndian>

namespace {

constexpr uint8_t functionCode = 0x05;
constexpr uint16_t frameSize = 6;
// The echo: address, function code, coil address and the two value bytes.
constexpr int echoSize = 6;

} // namespace

ModBusWriteCoilRequest::ModBusWriteCoilRequest(IModBusResponseListener* listener, uint8_t address,
                                               uint16_t coil, bool on)
    : ModBusRequest(address, functionCode, frameSize), coilAddress(coil), value(on),
      responseListener(listener)
{
    qToBigEndian<quint16>(coil, frameData + 2);
    // Modbus switches a coil on with FF 00 and off with 00 00.
    frameData[4] = on ? 0xFF : 0x00;
    frameData[5] = 0x00;
    logInfo("WriteCoil coilAddress = %d Value = %d", coil, on ? 1 : 0);
}

ModBusWriteCoilRequest::~ModBusWriteCoilRequest() = default;

void ModBusWriteCoilRequest::frame(const uint8_t*& data, uint16_t& length) const
{
    data = frameData;
    length = frameLength;
}

uint16_t ModBusWriteCoilRequest::answerLength() const
{
    return echoSize;
}

void ModBusWriteCoilRequest::parseResponse(const uint8_t* data, uint16_t length)
{
    if (!acceptResponse(data, length, echoSize, "WriteCoil ответ"))
        return;
    coilAddress = qFromBigEndian<quint16>(data + 2);
    // Only the exact FF 00 means on; anything else the relay echoes is off.
    value = data[4] == 0xFF && data[5] == 0x00;
}

void ModBusWriteCoilRequest::notify(IModBusResponseListener* listener)
{
    if (notifyFailure(listener) || listener == nullptr)
        return;
    listener->coilWritten(coilAddress, value);
}

IModBusResponseListener* ModBusWriteCoilRequest::listener() const
{
    return responseListener;
}
