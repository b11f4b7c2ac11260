#include "BenchRelay.h"

#include "modbus/ModBusRtuLink.h"

namespace {

uint16_t readBe16(const QByteArray& bytes, int offset)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes.at(offset)) << 8 |
                                 static_cast<uint8_t>(bytes.at(offset + 1)));
}

void appendBe16(QByteArray& bytes, uint16_t value)
{
    bytes.append(static_cast<char>(value >> 8));
    bytes.append(static_cast<char>(value & 0xFF));
}

} // namespace

BenchRelay::BenchRelay()
{
    // Plausible live values: currents, states and settings that are not all zero.
    for (int i = 0; i < registerCount; ++i)
        registers[i] = initialValue(i);
}

void BenchRelay::setRegister(int index, uint16_t value)
{
    if (index >= 0 && index < registerCount)
        registers[index] = value;
}

void BenchRelay::setFile(int index, const QByteArray& bytes)
{
    if (index >= 0 && index < fileCount)
        files[index] = bytes;
}

QByteArray BenchRelay::fileRecords(const QByteArray& request) const
{
    // Sub-requests of 7 bytes: reference type, file, record number, length.
    // Bytes past a file's end read as zero.
    QByteArray subResponses;
    const int count = static_cast<uint8_t>(request.at(2)) / 7;
    for (int i = 0; i < count; ++i) {
        const int offset = 3 + 7 * i;
        const int file = readBe16(request, offset + 1);
        const int from = 2 * readBe16(request, offset + 3);
        const int bytes = 2 * readBe16(request, offset + 5);
        QByteArray data = file < fileCount ? files[file].mid(from, bytes) : QByteArray();
        data.append(QByteArray(bytes - data.size(), '\0'));
        subResponses.append(static_cast<char>(bytes + 1));
        subResponses.append(static_cast<char>(0x06));
        subResponses.append(data);
    }
    QByteArray answer;
    answer.append(static_cast<char>(subResponses.size()));
    return answer + subResponses;
}

QByteArray BenchRelay::withCrc(QByteArray body)
{
    const uint16_t crc = ModBusRtuLink::modbusCrc16(body);
    body.append(static_cast<char>(crc >> 8));
    body.append(static_cast<char>(crc & 0xFF));
    return body;
}

int BenchRelay::requestLength(const QByteArray& bytes)
{
    if (bytes.size() < 2)
        return 0;
    switch (static_cast<uint8_t>(bytes.at(1))) {
    case 0x01:
    case 0x03:
    case 0x05:
        return 8;
    case 0x10:
        // Address, function, start, count, byte count, the values, CRC.
        return bytes.size() < 7 ? 0 : 9 + static_cast<uint8_t>(bytes.at(6));
    case 0x14:
        // Address, function, byte count, the sub-requests, CRC.
        return bytes.size() < 3 ? 0 : 5 + static_cast<uint8_t>(bytes.at(2));
    default:
        return -1;
    }
}

QByteArray BenchRelay::answer(const QByteArray& request)
{
    const int length = requestLength(request);
    if (length <= 0 || request.size() < length)
        return QByteArray();

    QByteArray body;
    body.append(request.at(0));
    body.append(request.at(1));
    const uint16_t start = readBe16(request, 2);
    const uint16_t count = readBe16(request, 4);
    switch (static_cast<uint8_t>(request.at(1))) {
    case 0x01:
        body.append(static_cast<char>((count + 7) / 8));
        body.append(QByteArray((count + 7) / 8, '\0'));
        break;
    case 0x03:
        body.append(static_cast<char>((2 * count) & 0xFF));
        for (int k = 0; k < count; ++k)
            appendBe16(body, start + k < registerCount ? registers[start + k] : 0);
        break;
    case 0x05:
        body = request.left(6);
        break;
    case 0x10:
        for (int k = 0; k < count && start + k < registerCount; ++k)
            registers[start + k] = readBe16(request, 7 + 2 * k);
        body = request.left(6);
        break;
    case 0x14:
        body.append(fileRecords(request));
        break;
    default:
        return QByteArray();
    }
    return withCrc(body);
}
