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
        return 12;
    default:
        return -1;
    }
}

int BenchRelay::answerLength(const QByteArray& request)
{
    if (request.size() < 6)
        return 0;
    switch (static_cast<uint8_t>(request.at(1))) {
    case 0x01:
        return 5 + (readBe16(request, 4) + 7) / 8;
    case 0x03:
        return 5 + 2 * readBe16(request, 4);
    case 0x05:
    case 0x10:
        return 8;
    case 0x14:
        return request.size() < 10 ? 0 : 7 + 2 * readBe16(request, 8);
    default:
        return 0;
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
    case 0x14: {
        const int dataLength = 2 * readBe16(request, 8);
        body.append(static_cast<char>(dataLength + 2));
        body.append(static_cast<char>(dataLength + 1));
        body.append(static_cast<char>(0x06));
        body.append(QByteArray(dataLength, '\x11'));
        break;
    }
    default:
        return QByteArray();
    }
    return withCrc(body);
}
