#include "records/JournalEntry.h"

#include <QLocale>
#include <QtEndian>

namespace {

// Earth-fault entries carry the residual current; all others a phase current.
constexpr uint8_t earthFaultType = 0;
// A phase current's raw value is scaled to the 5 A secondary rating.
constexpr float phaseRating = 5.0f;

QString currentText(bool known, float value)
{
    return known ? QLocale().toString(static_cast<double>(value), 'f', 2) : QString();
}

} // namespace

JournalEntry JournalEntry::decode(const uint8_t* data)
{
    JournalEntry entry;
    entry.type = data[0];
    entry.current = qFromLittleEndian<quint16>(data + 2);
    entry.millisecond = qFromLittleEndian<quint16>(data + 4);
    entry.second = data[6];
    entry.minute = data[7];
    entry.hour = data[8];
    entry.day = data[10];
    // The relay sets bit 7 of the month byte for its own purposes.
    entry.month = data[12] & 0x7F;
    entry.year = qFromLittleEndian<quint16>(data + 14);
    entry.ratioPhase = qFromLittleEndian<quint16>(data + 16);
    entry.ratio3I0 = qFromLittleEndian<quint16>(data + 18);
    entry.scalePhase = qFromLittleEndian<quint16>(data + 20);
    entry.scale3I0 = qFromLittleEndian<quint16>(data + 22);
    return entry;
}

QByteArray JournalEntry::encode() const
{
    QByteArray bytes(size, '\0');
    bytes[0] = static_cast<char>(type);
    qToLittleEndian<quint16>(current, bytes.data() + 2);
    qToLittleEndian<quint16>(millisecond, bytes.data() + 4);
    bytes[6] = static_cast<char>(second);
    bytes[7] = static_cast<char>(minute);
    bytes[8] = static_cast<char>(hour);
    bytes[10] = static_cast<char>(day);
    bytes[12] = static_cast<char>(month);
    qToLittleEndian<quint16>(year, bytes.data() + 14);
    qToLittleEndian<quint16>(ratioPhase, bytes.data() + 16);
    qToLittleEndian<quint16>(ratio3I0, bytes.data() + 18);
    qToLittleEndian<quint16>(scalePhase, bytes.data() + 20);
    qToLittleEndian<quint16>(scale3I0, bytes.data() + 22);
    return bytes;
}

QString JournalEntry::typeText() const
{
    switch (type) {
    case 0:
        return QStringLiteral("ЗНЗ");
    case 1:
        return QStringLiteral("МТЗ-1");
    case 2:
        return QStringLiteral("МТЗ-2");
    case 3:
        return QStringLiteral("ТО");
    case 4:
        return QStringLiteral("ВЗ");
    case 5:
        return QStringLiteral("УРОВ");
    default:
        return QString();
    }
}

bool JournalEntry::secondaryCurrent(float* value) const
{
    const bool earthFault = type == earthFaultType;
    const uint16_t divisor = earthFault ? scale3I0 : scalePhase;
    if (divisor == 0)
        return false;
    const float raw = static_cast<float>(current);
    *value = (earthFault ? raw : raw * phaseRating) / static_cast<float>(divisor);
    return true;
}

bool JournalEntry::primaryCurrent(float* value) const
{
    float secondary = 0.0f;
    if (!secondaryCurrent(&secondary))
        return false;
    const uint16_t ratio = type == earthFaultType ? ratio3I0 : ratioPhase;
    *value = secondary * static_cast<float>(ratio);
    return true;
}

QStringList JournalEntry::csvFields() const
{
    float secondary = 0.0f;
    float primary = 0.0f;
    const bool secondaryKnown = secondaryCurrent(&secondary);
    const bool primaryKnown = primaryCurrent(&primary);
    return {typeText(), currentText(secondaryKnown, secondary), currentText(primaryKnown, primary),
            QStringLiteral("%1.%2.%3")
                .arg(QString::number(day), QString::number(month), QString::number(2000 + year)),
            QStringLiteral("%1:%2:%3.%4")
                .arg(QString::number(hour), QString::number(minute), QString::number(second))
                // Three digits: 3.045 s must not read as 3.45 s in a spreadsheet.
                .arg(millisecond, 3, 10, QLatin1Char('0'))};
}

QString JournalEntry::csvLine() const
{
    return csvFields().join(QLatin1Char(';')) + QLatin1Char('\n');
}
