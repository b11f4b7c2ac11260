#include "relay/SettingCatalog.h"

#include "relay/SettingTable.h"

#include <QLocale>

#include <cmath>

namespace {

// A spin box shows its value without group separators.
QString numberText(double value, int decimals)
{
    const QLocale locale;
    QString text = locale.toString(value, 'f', decimals);
    text.remove(locale.groupSeparator());
    return text;
}

// The decimals that show every register value of this scale exactly.
int exactDecimals(int scale)
{
    int decimals = 0;
    for (int rest = scale; rest > 1; rest /= 10)
        ++decimals;
    return decimals;
}

bool isFinerThanShown(double value, int decimals)
{
    const double step = std::pow(10.0, decimals);
    return std::fabs(std::round(value * step) - value * step) > 1e-6;
}

QVector<SettingDescription> describeSettings()
{
    QVector<SettingDescription> descriptions;
    for (const SettingRow& row : SettingTable::rows()) {
        SettingDescription description;
        description.reg = row.reg;
        description.group = QString::fromUtf8(row.group);
        // A caption broken over two lines reads as one.
        description.label =
            QString::fromUtf8(row.caption).replace(QStringLiteral("<br>"), QStringLiteral(" "));
        description.unit = SettingTable::unitOf(row.kind);
        description.scale = SettingTable::scaleOf(row.kind);
        description.decimals = row.decimals;
        description.minimum = row.minimum;
        description.maximum = row.maximum;
        description.items = SettingTable::itemsOf(row.kind);
        descriptions.append(description);
    }
    return descriptions;
}

} // namespace

QString SettingDescription::caption() const
{
    return group + QStringLiteral(" › ") + label;
}

QString SettingDescription::valueText(uint16_t value) const
{
    if (scale == 0)
        return value < items.size() ? items.at(value) : QStringLiteral("значение %1").arg(value);
    const double shown = double(value) / scale;
    const int shownDecimals = isFinerThanShown(shown, decimals) ? exactDecimals(scale) : decimals;
    return numberText(shown, shownDecimals);
}

QString SettingDescription::valueWithUnit(uint16_t value) const
{
    const QString text = valueText(value);
    return unit.isEmpty() ? text : text + QLatin1Char(' ') + unit;
}

QString SettingDescription::unrepresentableReason(uint16_t value) const
{
    if (scale == 0)
        return value < items.size() ? QString() : QStringLiteral("нет такого значения");
    const double shown = double(value) / scale;
    // Half a step of the last decimal: the range limits are shown rounded.
    const double tolerance = 0.5 * std::pow(10.0, -decimals - 3);
    if (shown < minimum - tolerance || shown > maximum + tolerance) {
        QString range =
            numberText(minimum, decimals) + QStringLiteral("…") + numberText(maximum, decimals);
        if (!unit.isEmpty())
            range += QLatin1Char(' ') + unit;
        return QStringLiteral("вне диапазона %1").arg(range);
    }
    if (isFinerThanShown(shown, decimals))
        return QStringLiteral("точнее, чем показывает поле");
    return QString();
}

QString SettingDescription::relayValueNote(uint16_t value) const
{
    const QString reason = unrepresentableReason(value);
    if (reason.isEmpty())
        return QString();
    // The raw value alone says it all for plain numbers and item numbers.
    const QString shown = scale > 1 ? QStringLiteral(" (%1)").arg(valueWithUnit(value)) : QString();
    return QStringLiteral("в реле: %1%2 — %3").arg(value).arg(shown, reason);
}

const QVector<SettingDescription>& SettingCatalog::all()
{
    static const QVector<SettingDescription> descriptions = describeSettings();
    return descriptions;
}

const SettingDescription* SettingCatalog::find(uint16_t reg)
{
    for (const SettingDescription& description : all()) {
        if (description.reg == reg)
            return &description;
    }
    return nullptr;
}
