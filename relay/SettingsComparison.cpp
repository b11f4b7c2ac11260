#include "relay/SettingsComparison.h"

#include "relay/IModBusDev.h"
#include "relay/RelayMap.h"
#include "relay/SettingCatalog.h"

SettingsComparison SettingsComparison::ofFile(const QVector<ConfigFile::RegisterValue>& file,
                                              const IModBusDev& image)
{
    SettingsComparison comparison;
    for (const ConfigFile::RegisterValue& item : file) {
        // The password register holds no setting: never shown, never written.
        if (item.reg == RelayMap::passwordRegister)
            continue;
        const uint16_t relayValue = image.getRegister(item.reg);
        if (relayValue == item.value)
            ++comparison.unchanged;
        else
            comparison.list.append(Change{item.reg, relayValue, item.value});
    }
    return comparison;
}

QVector<ConfigFile::RegisterValue> SettingsComparison::newValues() const
{
    QVector<ConfigFile::RegisterValue> values;
    for (const Change& change : list)
        values.append(ConfigFile::RegisterValue{change.reg, change.newValue});
    return values;
}

QStringList SettingsComparison::headers()
{
    return {QStringLiteral("Уставка"), QStringLiteral("В реле"), QStringLiteral("Новое значение"),
            QStringLiteral("Регистр")};
}

QStringList SettingsComparison::cells(const Change& change)
{
    const SettingDescription* description = SettingCatalog::find(change.reg);
    if (description == nullptr)
        return {QStringLiteral("Регистр %1").arg(change.reg), QString::number(change.relayValue),
                QString::number(change.newValue), QString::number(change.reg)};
    return {description->caption(), description->valueWithUnit(change.relayValue),
            description->valueWithUnit(change.newValue), QString::number(change.reg)};
}

QString SettingsComparison::toText() const
{
    QString text = headers().join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (const Change& change : list)
        text += cells(change).join(QLatin1Char('\t')) + QLatin1Char('\n');
    return text;
}
