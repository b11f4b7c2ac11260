#include "modbus/ModBusReadFileRecordRequest.h"

#include "app/log/Logger.h"
#include "modbus/IModBusResponseListener.h"

#include <cstring>

namespace {

constexpr uint8_t functionCode = 0x14;
constexpr uint16_t frameSize = 10;
// One sub-request: its byte count (7) and the reference type every file
// record carries (6).
constexpr uint8_t subRequestSize = 0x07;
constexpr uint8_t referenceType = 0x06;
// Address, function code, response data length, file response length and
// reference type precede the record bytes.
constexpr int responseHeader = 5;

} // namespace

ModBusReadFileRecordRequest::ModBusReadFileRecordRequest(IModBusResponseListener* listener,
                                                         uint8_t address, uint16_t file,
                                                         uint16_t record, uint16_t length)
    : ModBusRequest(address, functionCode, frameSize), fileNumber(file), recordNumber(record),
      recordLength(length), data(new uint8_t[2 * static_cast<int>(length)]()),
      responseListener(listener)
{
    frameData[2] = subRequestSize;
    frameData[3] = referenceType;
    putBe16(4, file);
    putBe16(6, record);
    putBe16(8, length);
    logInfo("ReadFileRecord fileNumber = %d recordNumber = %d recordLength = %d", file, record,
            length);
}

ModBusReadFileRecordRequest::~ModBusReadFileRecordRequest()
{
    delete[] data;
}

void ModBusReadFileRecordRequest::frame(const uint8_t*& body, uint16_t& length) const
{
    body = frameData;
    length = frameLength;
}

void ModBusReadFileRecordRequest::parseResponse(const uint8_t* body, uint16_t length)
{
    const int byteCount = 2 * static_cast<int>(recordLength);
    if (!acceptResponse(body, length, responseHeader + byteCount, "ReadFileRecord ответ"))
        return;
    // The record keeps its own (little-endian) byte order: copied as is.
    std::memcpy(data, body + responseHeader, static_cast<size_t>(byteCount));
}

void ModBusReadFileRecordRequest::notify(IModBusResponseListener* listener)
{
    if (errorFlag || listener == nullptr)
        return;
    listener->fileRecordRead(fileNumber, recordNumber, data,
                             static_cast<uint16_t>(2 * recordLength));
}

IModBusResponseListener* ModBusReadFileRecordRequest::listener() const
{
    return responseListener;
}
