#include "modbus/ModBusWriteMultipleRegsRequest.h"

#include "base/Logger.h"
#include "modbus/IModBusResponseListener.h"

#include <QtEndian>

#include <algorithm>

namespace {

constexpr uint8_t functionCode = 0x10;
// Address, function code, start, count and byte count precede the values.
constexpr int frameHeader = 7;
// The answer echoes address, function code, start and count.
constexpr uint16_t echoLength = 6;

uint16_t framedCount(uint16_t count)
{
    return std::min(count, ModBusWriteMultipleRegsRequest::maxCount);
}

} // namespace

ModBusWriteMultipleRegsRequest::ModBusWriteMultipleRegsRequest(IModBusResponseListener* listener,
                                                               uint8_t address, uint16_t start,
                                                               uint16_t registerCount,
                                                               const uint16_t* written)
    : ModBusRequest(address, functionCode,
                    static_cast<uint16_t>(frameHeader + 2 * framedCount(registerCount))),
      startRegister(start), values(new uint16_t[framedCount(registerCount)]()),
      count(framedCount(registerCount)), responseListener(listener)
{
    logInfo("WriteMultipleRegs startReg = %d Count = %d", start, registerCount);
    qToBigEndian<quint16>(start, frameData + 2);
    qToBigEndian<quint16>(count, frameData + 4);
    // The byte count field is one byte wide; the relay accepts at most 123
    // registers anyway, so only its low 8 bits are sent.
    frameData[6] = static_cast<uint8_t>((2 * count) & 0xFF);
    for (int i = 0; i < count; ++i) {
        values[i] = written != nullptr ? written[i] : 0;
        qToBigEndian<quint16>(values[i], frameData + frameHeader + 2 * i);
    }
}

ModBusWriteMultipleRegsRequest::~ModBusWriteMultipleRegsRequest()
{
    delete[] values;
}

void ModBusWriteMultipleRegsRequest::frame(const uint8_t*& data, uint16_t& length) const
{
    data = frameData;
    length = frameLength;
}

uint16_t ModBusWriteMultipleRegsRequest::answerLength() const
{
    return echoLength;
}

void ModBusWriteMultipleRegsRequest::parseResponse(const uint8_t* data, uint16_t length)
{
    // Only the absence of an exception matters: the echoed start and count
    // are not read.
    acceptResponse(data, length, 2, "WriteMultipleRegs ответ");
}

void ModBusWriteMultipleRegsRequest::notify(IModBusResponseListener* listener)
{
    if (notifyFailure(listener) || listener == nullptr)
        return;
    listener->multipleRegsWritten(startRegister, values, count);
}

IModBusResponseListener* ModBusWriteMultipleRegsRequest::listener() const
{
    return responseListener;
}
