#include "records/CrashProcessHeader.h"

#include <QChar>

namespace {

uint16_t readLe16(const uint8_t* data, int offset)
{
    return static_cast<uint16_t>(data[offset] | data[offset + 1] << 8);
}

int16_t readLe16Signed(const uint8_t* data, int offset)
{
    return static_cast<int16_t>(readLe16(data, offset));
}

void writeLe16(QByteArray& bytes, int offset, uint16_t value)
{
    bytes[offset] = static_cast<char>(value & 0xFF);
    bytes[offset + 1] = static_cast<char>(value >> 8);
}

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

CrashProcessHeader CrashProcessHeader::decode(const uint8_t* data)
{
    CrashProcessHeader header;
    header.year = data[0];
    header.month = data[1];
    header.day = data[2];
    header.hour = data[3];
    header.minute = data[4];
    header.second = data[5];
    header.millisecond = readLe16(data, 6);
    header.gainIa = readLe16(data, 8);
    header.gainIb = readLe16(data, 10);
    header.gainIc = readLe16(data, 12);
    header.gain3I0 = readLe16(data, 14);
    header.gain3U0 = readLe16(data, 16);
    header.scalePhase = readLe16(data, 18);
    header.scale3I0 = readLe16(data, 20);
    header.scale3U0 = readLe16(data, 22);
    header.ratioPhase = readLe16(data, 24);
    header.ratio3I0 = readLe16(data, 26);
    header.reserved28 = readLe16(data, 28);
    header.ringPosition = readLe16(data, 30);
    header.reserved32 = readLe16(data, 32);
    header.faultSamples = readLe16(data, 34);
    header.reserved36 = readLe16(data, 36);
    header.valid = data[38];
    header.checksum = data[39];
    return header;
}

QByteArray CrashProcessHeader::encode() const
{
    QByteArray bytes(size, '\0');
    bytes[0] = static_cast<char>(year);
    bytes[1] = static_cast<char>(month);
    bytes[2] = static_cast<char>(day);
    bytes[3] = static_cast<char>(hour);
    bytes[4] = static_cast<char>(minute);
    bytes[5] = static_cast<char>(second);
    writeLe16(bytes, 6, millisecond);
    writeLe16(bytes, 8, gainIa);
    writeLe16(bytes, 10, gainIb);
    writeLe16(bytes, 12, gainIc);
    writeLe16(bytes, 14, gain3I0);
    writeLe16(bytes, 16, gain3U0);
    writeLe16(bytes, 18, scalePhase);
    writeLe16(bytes, 20, scale3I0);
    writeLe16(bytes, 22, scale3U0);
    writeLe16(bytes, 24, ratioPhase);
    writeLe16(bytes, 26, ratio3I0);
    writeLe16(bytes, 28, reserved28);
    writeLe16(bytes, 30, ringPosition);
    writeLe16(bytes, 32, reserved32);
    writeLe16(bytes, 34, faultSamples);
    writeLe16(bytes, 36, reserved36);
    bytes[38] = static_cast<char>(valid);
    bytes[39] = static_cast<char>(checksum);
    return bytes;
}

uint8_t CrashProcessHeader::expectedChecksum() const
{
    const QByteArray bytes = encode();
    uint8_t sum = 0;
    for (int i = 0; i < size - 1; ++i)
        sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(bytes[i]));
    return static_cast<uint8_t>(~sum);
}

bool CrashProcessHeader::isValid() const
{
    return valid != 0 && checksum == expectedChecksum();
}

QString CrashProcessHeader::dateText() const
{
    return QStringLiteral("%1.%2.%3")
        .arg(twoDigits(day), twoDigits(month))
        .arg(2000 + year, 4, 10, QLatin1Char('0'));
}

QString CrashProcessHeader::timeText() const
{
    return QStringLiteral("%1:%2:%3.%4")
        .arg(twoDigits(hour), twoDigits(minute), twoDigits(second))
        .arg(millisecond, 4, 10, QLatin1Char('0'));
}

double CrashProcessHeader::faultSeconds() const
{
    return faultSamples * 0.02 / 12;
}

QString CrashProcessHeader::faultSecondsText() const
{
    // A point as decimal separator whatever the locale.
    return QStringLiteral("%0").arg(faultSeconds(), 0, 'f', 3);
}

double CrashProcessHeader::preFaultSeconds()
{
    return 0.2;
}

QString CrashProcessHeader::preFaultSecondsText()
{
    return QStringLiteral("0.2");
}

CrashProcessSample CrashProcessSample::decode(const uint8_t* data)
{
    CrashProcessSample sample;
    sample.ia = readLe16Signed(data, 0);
    sample.ib = readLe16Signed(data, 2);
    sample.ic = readLe16Signed(data, 4);
    sample.i3I0 = readLe16Signed(data, 6);
    sample.u3U0 = readLe16Signed(data, 8);
    sample.discrete = readLe16(data, 10);
    sample.reserved = readLe16(data, 12);
    return sample;
}

QByteArray CrashProcessSample::encode() const
{
    QByteArray bytes(size, '\0');
    writeLe16(bytes, 0, static_cast<uint16_t>(ia));
    writeLe16(bytes, 2, static_cast<uint16_t>(ib));
    writeLe16(bytes, 4, static_cast<uint16_t>(ic));
    writeLe16(bytes, 6, static_cast<uint16_t>(i3I0));
    writeLe16(bytes, 8, static_cast<uint16_t>(u3U0));
    writeLe16(bytes, 10, discrete);
    writeLe16(bytes, 12, reserved);
    return bytes;
}
