#include "relay/VerificationReport.h"

#include "base/RussianPlural.h"
#include "relay/SettingCatalog.h"

namespace {

QString exceptionText(uint8_t code)
{
    const QString number = QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0'));
    switch (code) {
    case 1:
        return QStringLiteral("отказ: исключение %1, недопустимая функция").arg(number);
    case 2:
        return QStringLiteral("отказ: исключение %1, недопустимый адрес").arg(number);
    case 3:
        // The relay refuses a setting with code 3 when the password was wrong.
        return QStringLiteral("отказ: исключение %1, недопустимое значение (неверный пароль?)")
            .arg(number);
    case 4:
        return QStringLiteral("отказ: исключение %1, сбой устройства").arg(number);
    default:
        return QStringLiteral("отказ: исключение %1").arg(number);
    }
}

QString valueText(const SettingDescription* description, uint16_t value)
{
    return description != nullptr ? description->valueWithUnit(value) : QString::number(value);
}

QString failureLine(const SettingsVerifier::Check& check)
{
    const SettingDescription* description = SettingCatalog::find(check.reg);
    const QString caption = description != nullptr ? description->caption()
                                                   : QStringLiteral("Регистр %1").arg(check.reg);
    const QString actual =
        check.readBack ? valueText(description, check.actual) : QStringLiteral("не прочитано");
    return QStringLiteral("%1 (рег. %2): записывалось %3, в реле %4; %5")
        .arg(caption)
        .arg(check.reg)
        .arg(valueText(description, check.intended), actual,
             VerificationReport::outcomeText(check));
}

} // namespace

VerificationReport::VerificationReport(const QVector<SettingsVerifier::Check>& checks)
    : checks(checks)
{
    for (const SettingsVerifier::Check& check : checks) {
        if (!check.holds())
            failures << failureLine(check);
    }
}

QString VerificationReport::writtenText(int count)
{
    static const QString one = QStringLiteral("Записана %1 уставка");
    static const QString few = QStringLiteral("Записаны %1 уставки");
    static const QString many = QStringLiteral("Записано %1 уставок");
    return russianPlural(count, one, few, many).arg(count);
}

QString VerificationReport::headline() const
{
    if (allHold())
        return writtenText(checks.size());
    // "из" takes the genitive: из 1 уставки, из 2 уставок, из 21 уставки.
    static const QString ofOne = QStringLiteral("уставки");
    static const QString ofMore = QStringLiteral("уставок");
    return QStringLiteral("Реле не хранит записанное значение у %1 из %2 %3:")
        .arg(failures.size())
        .arg(checks.size())
        .arg(russianPlural(checks.size(), ofOne, ofMore, ofMore));
}

QString VerificationReport::text() const
{
    if (allHold())
        return headline();
    return headline() + QLatin1Char('\n') + failures.join(QLatin1Char('\n'));
}

QString VerificationReport::outcomeText(const SettingsVerifier::Check& check)
{
    switch (check.outcome) {
    case SettingsVerifier::Outcome::Written:
        return QStringLiteral("запись подтверждена");
    case SettingsVerifier::Outcome::Refused:
        return exceptionText(check.exceptionCode);
    case SettingsVerifier::Outcome::Timeout:
        return QStringLiteral("нет ответа");
    case SettingsVerifier::Outcome::Failed:
        return QStringLiteral("ответ искажён");
    case SettingsVerifier::Outcome::Lost:
    case SettingsVerifier::Outcome::Waiting:
        break;
    }
    return QStringLiteral("запрос не отправлен");
}
