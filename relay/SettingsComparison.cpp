#include "relay/SettingsComparison.h"

#include "base/RussianPlural.h"
#include "relay/IModBusDev.h"
#include "relay/RelayMap.h"
#include "relay/SettingCatalog.h"

#include <QHash>

namespace {

const QString missingValue = QStringLiteral("—");

} // namespace

bool SettingsComparison::compares(uint16_t reg, const QSet<uint16_t>& ignored)
{
    // The password register holds no setting: never shown, never written.
    if (reg == RelayMap::passwordRegister)
        return false;
    compared.append(reg);
    if (ignored.contains(reg)) {
        ++ignoredSettings;
        return false;
    }
    return true;
}

SettingsComparison SettingsComparison::ofFile(const QVector<ConfigFile::RegisterValue>& file,
                                              const IModBusDev& image,
                                              const QSet<uint16_t>& ignored)
{
    SettingsComparison comparison;
    for (const ConfigFile::RegisterValue& item : file) {
        if (!comparison.compares(item.reg, ignored))
            continue;
        const uint16_t relayValue = image.getRegister(item.reg);
        if (relayValue == item.value)
            ++comparison.unchanged;
        else
            comparison.list.append(Change{item.reg, relayValue, item.value});
    }
    return comparison;
}

SettingsComparison SettingsComparison::ofFiles(const QVector<ConfigFile::RegisterValue>& first,
                                               const QVector<ConfigFile::RegisterValue>& second,
                                               const QSet<uint16_t>& ignored)
{
    QHash<uint16_t, uint16_t> firstValues;
    for (const ConfigFile::RegisterValue& item : first)
        firstValues.insert(item.reg, item.value);
    SettingsComparison comparison;
    QSet<uint16_t> seen;
    for (const ConfigFile::RegisterValue& item : second) {
        seen.insert(item.reg);
        if (!comparison.compares(item.reg, ignored))
            continue;
        const auto found = firstValues.constFind(item.reg);
        if (found == firstValues.constEnd())
            comparison.list.append(Change{item.reg, 0, item.value, true, false});
        else if (found.value() == item.value)
            ++comparison.unchanged;
        else
            comparison.list.append(Change{item.reg, found.value(), item.value});
    }
    for (const ConfigFile::RegisterValue& item : first) {
        if (seen.contains(item.reg) || !comparison.compares(item.reg, ignored))
            continue;
        seen.insert(item.reg);
        comparison.list.append(Change{item.reg, item.value, 0, false, true});
    }
    return comparison;
}

QString SettingsComparison::ignoredText() const
{
    return ignoredText(ignoredSettings);
}

QString SettingsComparison::ignoredText(int count)
{
    if (count == 0)
        return QString();
    static const QString one = QStringLiteral("уставка не сравнивалась");
    static const QString few = QStringLiteral("уставки не сравнивались");
    static const QString many = QStringLiteral("уставок не сравнивались");
    return QStringLiteral("%1 %2").arg(count).arg(russianPlural(count, one, few, many));
}

QVector<ConfigFile::RegisterValue> SettingsComparison::newValues() const
{
    QVector<ConfigFile::RegisterValue> values;
    for (const Change& change : list) {
        if (!change.newMissing)
            values.append(ConfigFile::RegisterValue{change.reg, change.newValue});
    }
    return values;
}

QStringList SettingsComparison::headers()
{
    return {QStringLiteral("Уставка"), QStringLiteral("В реле"), QStringLiteral("Новое значение"),
            QStringLiteral("Регистр")};
}

QStringList SettingsComparison::headers(const QString& first, const QString& second)
{
    return {QStringLiteral("Уставка"), first, second, QStringLiteral("Регистр")};
}

QStringList SettingsComparison::cells(const Change& change)
{
    const SettingDescription* description = SettingCatalog::find(change.reg);
    const auto shown = [description](uint16_t value, bool missing) {
        if (missing)
            return missingValue;
        return description == nullptr ? QString::number(value) : description->valueWithUnit(value);
    };
    const QString caption = description == nullptr ? QStringLiteral("Регистр %1").arg(change.reg)
                                                   : description->caption();
    return {caption, shown(change.relayValue, change.relayMissing),
            shown(change.newValue, change.newMissing), QString::number(change.reg)};
}

QString SettingsComparison::toText() const
{
    return toText(headers());
}

QString SettingsComparison::toText(const QStringList& columns) const
{
    QString text = columns.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (const Change& change : list)
        text += cells(change).join(QLatin1Char('\t')) + QLatin1Char('\n');
    return text;
}
