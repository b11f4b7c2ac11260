#include "cli/ValueFormat.h"

#include "records/CrashProcessHeader.h"
#include "relay/MeasuredValues.h"
#include "relay/RelayMap.h"

#include <QDateTime>
#include <QJsonValue>

#include <optional>

namespace {

const QString notShown = QStringLiteral("-");

struct Field
{
    QString name;
    QString text; // "-" when not shown
    QString unit;
    QJsonValue json;
};

Field current(const char* name, const std::optional<double>& value)
{
    if (!value)
        return {QString::fromLatin1(name), notShown, QString(), QJsonValue::Null};
    return {QString::fromLatin1(name), MeasuredValues::fixed2(*value), QStringLiteral("А"), *value};
}

// Bits first..last-1 of a register, each by its name.
QStringList setBits(uint16_t value, const char* const* names, int first, int last)
{
    QStringList set;
    for (int bit = first; bit < last; ++bit) {
        if ((value >> bit) & 1u)
            set << QString::fromLatin1(names[bit]);
    }
    return set;
}

QJsonObject bitsJson(uint16_t value, const char* const* names, int first, int last)
{
    QJsonObject bits;
    for (int bit = first; bit < last; ++bit)
        bits.insert(QString::fromLatin1(names[bit]), ((value >> bit) & 1u) != 0);
    return bits;
}

struct BitField
{
    QString name;
    QStringList set;
    QJsonObject json;
};

QList<BitField> bitFields(const MeasuredValues& values)
{
    const auto* io = RelayMap::inputOutputNames;
    const int inputs = RelayMap::inputCount;
    const int all = RelayMap::inputOutputCount;
    return {
        {QStringLiteral("leds"), setBits(values.leds, RelayMap::ledNames, 0, RelayMap::ledCount),
         bitsJson(values.leds, RelayMap::ledNames, 0, RelayMap::ledCount)},
        {QStringLiteral("inputs"), setBits(values.inputsOutputs, io, 0, inputs),
         bitsJson(values.inputsOutputs, io, 0, inputs)},
        {QStringLiteral("outputs"), setBits(values.inputsOutputs, io, inputs, all),
         bitsJson(values.inputsOutputs, io, inputs, all)},
    };
}

QList<Field> fields(const MeasuredValues& values)
{
    QList<Field> list = {current("Ia", values.ia), current("Ib", values.ib),
                         current("Ic", values.ic),
                         current("3I0", std::optional<double>(values.residualCurrent))};
    if (values.residualVoltage)
        list.append({QStringLiteral("3U0"), MeasuredValues::voltageText(*values.residualVoltage),
                     QStringLiteral("В"), static_cast<double>(*values.residualVoltage)});
    else
        list.append({QStringLiteral("3U0"), notShown, QString(), QJsonValue::Null});
    if (values.angle)
        list.append({QStringLiteral("angle"), MeasuredValues::fixed2(*values.angle),
                     QStringLiteral("гр."), *values.angle});
    else
        list.append({QStringLiteral("angle"), notShown, QString(), QJsonValue::Null});
    return list;
}

QString joined(const QStringList& names, const QString& separator)
{
    return names.isEmpty() ? notShown : names.join(separator);
}

} // namespace

QStringList ValueFormat::valueLines(const MeasuredValues& values)
{
    QStringList lines;
    for (const Field& field : fields(values)) {
        QString line = field.name + QStringLiteral(" = ") + field.text;
        if (!field.unit.isEmpty())
            line += QLatin1Char(' ') + field.unit;
        lines << line;
    }
    for (const BitField& bits : bitFields(values))
        lines << bits.name + QStringLiteral(" = ") + joined(bits.set, QStringLiteral(" "));
    return lines;
}

QString ValueFormat::monitorLine(const QDateTime& time, const MeasuredValues& values)
{
    QStringList parts{timeStamp(time)};
    for (const Field& field : fields(values))
        parts << field.name + QLatin1Char('=') + field.text;
    for (const BitField& bits : bitFields(values))
        parts << bits.name + QLatin1Char('=') + joined(bits.set, QStringLiteral(","));
    return parts.join(QLatin1Char(' '));
}

QJsonObject ValueFormat::valuesJson(const MeasuredValues& values)
{
    QJsonObject object;
    for (const Field& field : fields(values))
        object.insert(field.name, field.json);
    for (const BitField& bits : bitFields(values))
        object.insert(bits.name, bits.json);
    return object;
}

QJsonObject ValueFormat::monitorJson(const QDateTime& time, const MeasuredValues& values)
{
    QJsonObject object = valuesJson(values);
    object.insert(QStringLiteral("time"), timeStamp(time));
    return object;
}

QString ValueFormat::recordHeaderLine()
{
    return QStringLiteral("number state date time preFaultSeconds faultSeconds");
}

QString ValueFormat::recordLine(int number, const CrashProcessHeader& header)
{
    if (!header.isValid())
        return QStringLiteral("%1 invalid").arg(number);
    return QStringLiteral("%1 valid %2 %3 %4 %5")
        .arg(QString::number(number), header.dateText(), header.timeText(),
             CrashProcessHeader::preFaultSecondsText(), header.faultSecondsText());
}

QJsonObject ValueFormat::recordJson(int number, const CrashProcessHeader& header)
{
    const bool valid = header.isValid();
    QJsonObject object;
    object.insert(QStringLiteral("number"), number);
    object.insert(QStringLiteral("valid"), valid);
    object.insert(QStringLiteral("date"), valid ? QJsonValue(header.dateText()) : QJsonValue());
    object.insert(QStringLiteral("time"), valid ? QJsonValue(header.timeText()) : QJsonValue());
    object.insert(QStringLiteral("preFaultSeconds"),
                  valid ? QJsonValue(CrashProcessHeader::preFaultSeconds()) : QJsonValue());
    // The number the window shows (three decimals), not the binary product.
    object.insert(QStringLiteral("faultSeconds"),
                  valid ? QJsonValue(header.faultSecondsText().toDouble()) : QJsonValue());
    return object;
}

QString ValueFormat::timeStamp(const QDateTime& time)
{
    return time.toString(Qt::ISODateWithMs);
}
