#include "modbus/ModBusReadHoldingRegsRequest.h"

#include "base/Logger.h"
#include "modbus/IModBusResponseListener.h"

#include <QtEndian>

namespace {

constexpr uint8_t functionCode = 0x03;
constexpr uint16_t frameSize = 6;
// Address, function code and the relay's byte count precede the values.
constexpr int responseHeader = 3;

} // namespace

ModBusReadHoldingRegsRequest::ModBusReadHoldingRegsRequest(IModBusResponseListener* listener,
                                                           uint8_t address, uint16_t start,
                                                           uint16_t registerCount)
    : ModBusRequest(address, functionCode, frameSize), startRegister(start),
      values(new uint16_t[registerCount]()), count(registerCount), responseListener(listener)
{
    qToBigEndian<quint16>(start, frameData + 2);
    qToBigEndian<quint16>(registerCount, frameData + 4);
    logInfo("ReadHoldingRegs startReg = %d Count = %d", start, registerCount);
}

ModBusReadHoldingRegsRequest::~ModBusReadHoldingRegsRequest()
{
    delete[] values;
}

void ModBusReadHoldingRegsRequest::frame(const uint8_t*& data, uint16_t& length) const
{
    data = frameData;
    length = frameLength;
}

uint16_t ModBusReadHoldingRegsRequest::answerLength() const
{
    return static_cast<uint16_t>(responseHeader + 2 * count);
}

void ModBusReadHoldingRegsRequest::parseResponse(const uint8_t* data, uint16_t length)
{
    // The relay's byte count is not trusted: the values are where the
    // request says they are, and the frame must be long enough to hold them.
    if (!acceptResponse(data, length, responseHeader + 2 * count, "ReadHoldingRegs ответ"))
        return;
    for (int i = 0; i < count; ++i)
        values[i] = qFromBigEndian<quint16>(data + responseHeader + 2 * i);
}

void ModBusReadHoldingRegsRequest::notify(IModBusResponseListener* listener)
{
    if (notifyFailure(listener) || listener == nullptr)
        return;
    listener->holdingRegsRead(startRegister, values, count);
}

IModBusResponseListener* ModBusReadHoldingRegsRequest::listener() const
{
    return responseListener;
}
