#include "relay/SettingsDocument.h"

#include "relay/RelayMap.h"

#include <QJsonDocument>
#include <QJsonValue>

namespace {

const QString regsKey = QStringLiteral("regs");
const QString startKey = QStringLiteral("start");
const QString lengthKey = QStringLiteral("length");
const QString valuesKey = QStringLiteral("values");

// A range load() takes; the others are saved back untouched.
bool isUsable(const QJsonObject& range)
{
    const int length = range.value(lengthKey).toInt();
    return length >= 0 && length <= ConfigFile::maxRangeLength;
}

uint16_t registerAt(const QJsonObject& range, int offset)
{
    return static_cast<uint16_t>(static_cast<uint32_t>(range.value(startKey).toInt()) +
                                 static_cast<uint32_t>(offset));
}

} // namespace

SettingsDocument::SettingsDocument(QObject* parent) : QObject(parent) {}

bool SettingsDocument::load(const QJsonDocument& file)
{
    if (!ConfigFile::hasRanges(file))
        return false;
    root = file.object();
    values.clear();
    for (const ConfigFile::RegisterValue& item : ConfigFile::registerValues(file))
        values.insert(item.reg, item.value);
    modified = false;
    return true;
}

QSet<uint16_t> SettingsDocument::heldRegisters() const
{
    QSet<uint16_t> held;
    for (auto item = values.constBegin(); item != values.constEnd(); ++item)
        held.insert(item.key());
    return held;
}

QVector<ConfigFile::RegisterValue> SettingsDocument::registerValues() const
{
    return ConfigFile::registerValues(QJsonDocument(fileRoot(QJsonObject())));
}

QJsonObject SettingsDocument::fileRoot(const QJsonObject& notes) const
{
    QJsonObject saved = root;
    for (auto note = notes.constBegin(); note != notes.constEnd(); ++note) {
        if (note.key() != regsKey)
            saved.insert(note.key(), note.value());
    }
    QJsonArray ranges;
    const QJsonArray readRanges = root.value(regsKey).toArray();
    for (const QJsonValue item : readRanges) {
        QJsonObject range = item.toObject();
        if (item.isObject() && isUsable(range)) {
            QJsonArray rangeValues;
            const int length = range.value(lengthKey).toInt();
            for (int offset = 0; offset < length; ++offset)
                rangeValues.append(static_cast<int>(getRegister(registerAt(range, offset))));
            range.insert(valuesKey, rangeValues);
            ranges.append(range);
        } else {
            ranges.append(item);
        }
    }
    saved.insert(regsKey, ranges);
    return saved;
}

uint8_t SettingsDocument::savedAddress(uint8_t fallback) const
{
    const int address = root.value(QStringLiteral("address")).toInt(-1);
    return address >= 0 && address <= 0xFF ? static_cast<uint8_t>(address) : fallback;
}

uint16_t SettingsDocument::getRegister(uint16_t n) const
{
    return values.value(n, 0);
}

void SettingsDocument::writeRegisters(uint16_t start, uint16_t count, const uint16_t* newValues)
{
    ++tickets;
    for (uint16_t i = 0; i < count; ++i) {
        const auto reg = static_cast<uint16_t>(start + i);
        // The password only unlocks a relay's next write; a file never holds it.
        if (reg == RelayMap::passwordRegister || !values.contains(reg) ||
            values.value(reg) == newValues[i])
            continue;
        values.insert(reg, newValues[i]);
        modified = true;
        emit changed(reg);
    }
}

void SettingsDocument::writeCoil(uint16_t, bool) {}

uint8_t SettingsDocument::getCoil(uint16_t) const
{
    return 0;
}

uint64_t SettingsDocument::readTicket(uint16_t n) const
{
    // What the document holds is read back the moment it is written.
    return values.contains(n) ? tickets + 1 : 0;
}
