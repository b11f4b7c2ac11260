#include "records/CrashProcessHeader.h"

#include <QChar>
#include <QtEndian>

namespace {

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
    header.millisecond = qFromLittleEndian<quint16>(data + 6);
    header.gainIa = qFromLittleEndian<quint16>(data + 8);
    header.gainIb = qFromLittleEndian<quint16>(data + 10);
    header.gainIc = qFromLittleEndian<quint16>(data + 12);
    header.gain3I0 = qFromLittleEndian<quint16>(data + 14);
    header.gain3U0 = qFromLittleEndian<quint16>(data + 16);
    header.scalePhase = qFromLittleEndian<quint16>(data + 18);
    header.scale3I0 = qFromLittleEndian<quint16>(data + 20);
    header.scale3U0 = qFromLittleEndian<quint16>(data + 22);
    header.ratioPhase = qFromLittleEndian<quint16>(data + 24);
    header.ratio3I0 = qFromLittleEndian<quint16>(data + 26);
    header.reserved28 = qFromLittleEndian<quint16>(data + 28);
    header.ringPosition = qFromLittleEndian<quint16>(data + 30);
    header.reserved32 = qFromLittleEndian<quint16>(data + 32);
    header.faultSamples = qFromLittleEndian<quint16>(data + 34);
    header.reserved36 = qFromLittleEndian<quint16>(data + 36);
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
    qToLittleEndian<quint16>(millisecond, bytes.data() + 6);
    qToLittleEndian<quint16>(gainIa, bytes.data() + 8);
    qToLittleEndian<quint16>(gainIb, bytes.data() + 10);
    qToLittleEndian<quint16>(gainIc, bytes.data() + 12);
    qToLittleEndian<quint16>(gain3I0, bytes.data() + 14);
    qToLittleEndian<quint16>(gain3U0, bytes.data() + 16);
    qToLittleEndian<quint16>(scalePhase, bytes.data() + 18);
    qToLittleEndian<quint16>(scale3I0, bytes.data() + 20);
    qToLittleEndian<quint16>(scale3U0, bytes.data() + 22);
    qToLittleEndian<quint16>(ratioPhase, bytes.data() + 24);
    qToLittleEndian<quint16>(ratio3I0, bytes.data() + 26);
    qToLittleEndian<quint16>(reserved28, bytes.data() + 28);
    qToLittleEndian<quint16>(ringPosition, bytes.data() + 30);
    qToLittleEndian<quint16>(reserved32, bytes.data() + 32);
    qToLittleEndian<quint16>(faultSamples, bytes.data() + 34);
    qToLittleEndian<quint16>(reserved36, bytes.data() + 36);
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
    sample.ia = qFromLittleEndian<qint16>(data);
    sample.ib = qFromLittleEndian<qint16>(data + 2);
    sample.ic = qFromLittleEndian<qint16>(data + 4);
    sample.i3I0 = qFromLittleEndian<qint16>(data + 6);
    sample.u3U0 = qFromLittleEndian<qint16>(data + 8);
    sample.discrete = qFromLittleEndian<quint16>(data + 10);
    sample.reserved = qFromLittleEndian<quint16>(data + 12);
    return sample;
}

QByteArray CrashProcessSample::encode() const
{
    QByteArray bytes(size, '\0');
    qToLittleEndian<qint16>(ia, bytes.data());
    qToLittleEndian<qint16>(ib, bytes.data() + 2);
    qToLittleEndian<qint16>(ic, bytes.data() + 4);
    qToLittleEndian<qint16>(i3I0, bytes.data() + 6);
    qToLittleEndian<qint16>(u3U0, bytes.data() + 8);
    qToLittleEndian<quint16>(discrete, bytes.data() + 10);
    qToLittleEndian<quint16>(reserved, bytes.data() + 12);
    return bytes;
}
