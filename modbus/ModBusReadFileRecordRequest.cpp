#include "modbus/ModBusReadFileRecordRequest.h"

#include "base/Logger.h"
#include "modbus/IModBusResponseListener.h"

#include <QtEndian>

#include <cstring>

namespace {

constexpr uint8_t functionCode = 0x14;
// Address, function code and the request's byte count precede the
// sub-requests of 7 bytes each: the reference type every file record
// carries (6), file number, record number and record length.
constexpr int requestHeader = 3;
constexpr int subRequestSize = 7;
constexpr uint8_t referenceType = 0x06;
// Address, function code and response data length precede the
// sub-responses; each starts with its file response length and reference
// type.
constexpr int responseHeader = 3;
constexpr int subResponseHeader = 2;

uint16_t frameSizeFor(int count)
{
    return static_cast<uint16_t>(requestHeader + subRequestSize * count);
}

} // namespace

ModBusReadFileRecordRequest::ModBusReadFileRecordRequest(IModBusResponseListener* listener,
                                                         uint8_t address, uint16_t file,
                                                         uint16_t record, uint16_t length)
    : ModBusReadFileRecordRequest(
          listener, address, std::vector<FileRecordReference>{{file, record, length}}.data(), 1)
{
}

ModBusReadFileRecordRequest::ModBusReadFileRecordRequest(IModBusResponseListener* listener,
                                                         uint8_t address,
                                                         const FileRecordReference* asked,
                                                         uint16_t count)
    : ModBusRequest(address, functionCode, frameSizeFor(count)), references(asked, asked + count),
      data(nullptr), responseListener(listener)
{
    data = new uint8_t[recordBytes()]();
    // The byte count field is one byte wide; the client never asks for more
    // sub-requests than an answer can carry.
    frameData[2] = static_cast<uint8_t>((subRequestSize * count) & 0xFF);
    for (int i = 0; i < count; ++i) {
        putSubRequest(i);
        const FileRecordReference& reference = references[static_cast<size_t>(i)];
        logInfo("ReadFileRecord fileNumber = %d recordNumber = %d recordLength = %d",
                reference.file, reference.record, reference.length);
    }
}

ModBusReadFileRecordRequest::~ModBusReadFileRecordRequest()
{
    delete[] data;
}

void ModBusReadFileRecordRequest::putSubRequest(int index)
{
    const FileRecordReference& reference = references[static_cast<size_t>(index)];
    const int offset = requestHeader + subRequestSize * index;
    frameData[offset] = referenceType;
    qToBigEndian<quint16>(reference.file, frameData + offset + 1);
    qToBigEndian<quint16>(reference.record, frameData + offset + 3);
    qToBigEndian<quint16>(reference.length, frameData + offset + 5);
}

int ModBusReadFileRecordRequest::recordBytes() const
{
    int bytes = 0;
    for (const FileRecordReference& reference : references)
        bytes += 2 * static_cast<int>(reference.length);
    return bytes;
}

void ModBusReadFileRecordRequest::frame(const uint8_t*& body, uint16_t& length) const
{
    body = frameData;
    length = frameLength;
}

int ModBusReadFileRecordRequest::fullAnswerLength() const
{
    int length = responseHeader;
    for (const FileRecordReference& reference : references)
        length += fileRecordResponseSize(reference.length);
    return length;
}

uint16_t ModBusReadFileRecordRequest::answerLength() const
{
    // No frame is that long: nothing can end by its length.
    const int length = fullAnswerLength();
    return length > 0xFFFF ? 0 : static_cast<uint16_t>(length);
}

bool ModBusReadFileRecordRequest::subResponsesMatch(const uint8_t* body) const
{
    if (references.size() == 1)
        return true;
    if (body[2] != fullAnswerLength() - responseHeader)
        return false;
    int offset = responseHeader;
    for (const FileRecordReference& reference : references) {
        if (body[offset] != 1 + 2 * reference.length || body[offset + 1] != referenceType)
            return false;
        offset += fileRecordResponseSize(reference.length);
    }
    return true;
}

void ModBusReadFileRecordRequest::parseResponse(const uint8_t* body, uint16_t length)
{
    // Counted in full: a record length near 65535 registers must not wrap
    // the length needed round to a few bytes.
    if (!acceptResponse(body, length, fullAnswerLength(), "ReadFileRecord ответ"))
        return;
    if (!subResponsesMatch(body)) {
        errorFlag = true;
        logError("Ошибка формата пакета!");
        return;
    }
    // Each record keeps its own (little-endian) byte order: copied as is.
    int from = responseHeader;
    int to = 0;
    for (const FileRecordReference& reference : references) {
        const int bytes = 2 * static_cast<int>(reference.length);
        std::memcpy(data + to, body + from + subResponseHeader, static_cast<size_t>(bytes));
        from += fileRecordResponseSize(reference.length);
        to += bytes;
    }
}

void ModBusReadFileRecordRequest::notify(IModBusResponseListener* listener)
{
    if (notifyFailure(listener) || listener == nullptr)
        return;
    int offset = 0;
    for (const FileRecordReference& reference : references) {
        listener->fileRecordRead(reference.file, reference.record, data + offset,
                                 static_cast<uint16_t>(2 * reference.length));
        offset += 2 * static_cast<int>(reference.length);
    }
}

IModBusResponseListener* ModBusReadFileRecordRequest::listener() const
{
    return responseListener;
}
