#include "modbus/ModBusReadCoilsRequest.h"

#include "base/Logger.h"
#include "modbus/IModBusResponseListener.h"

#include <QtEndian>

namespace {

constexpr uint8_t functionCode = 0x01;
constexpr uint16_t frameSize = 6;
// Address, function code and the relay's byte count precede the coil bytes.
constexpr int responseHeader = 3;

} // namespace

ModBusReadCoilsRequest::ModBusReadCoilsRequest(IModBusResponseListener* listener, uint8_t address,
                                               uint16_t start, uint16_t coilCount)
    : ModBusRequest(address, functionCode, frameSize), startCoil(start),
      states(new uint8_t[coilCount]()), count(coilCount), responseListener(listener)
{
    qToBigEndian<quint16>(start, frameData + 2);
    qToBigEndian<quint16>(coilCount, frameData + 4);
    logInfo("ReadCoils startCoil = %d Count = %d", start, coilCount);
}

ModBusReadCoilsRequest::~ModBusReadCoilsRequest()
{
    delete[] states;
}

void ModBusReadCoilsRequest::frame(const uint8_t*& data, uint16_t& length) const
{
    data = frameData;
    length = frameLength;
}

uint16_t ModBusReadCoilsRequest::answerLength() const
{
    return static_cast<uint16_t>(responseHeader + (count + 7) / 8);
}

void ModBusReadCoilsRequest::parseResponse(const uint8_t* data, uint16_t length)
{
    // One byte per started group of eight coils, the first coil in the least
    // significant bit.
    const int coilBytes = (count + 7) / 8;
    if (!acceptResponse(data, length, responseHeader + coilBytes, "ReadCoils ответ"))
        return;
    for (int i = 0; i < count; ++i)
        states[i] = (data[responseHeader + i / 8] >> (i % 8)) & 1;
}

void ModBusReadCoilsRequest::notify(IModBusResponseListener* listener)
{
    if (notifyFailure(listener) || listener == nullptr)
        return;
    listener->coilsRead(startCoil, states, count);
}

IModBusResponseListener* ModBusReadCoilsRequest::listener() const
{
    return responseListener;
}
