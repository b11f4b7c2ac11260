#ifndef TALVIK_RELAY_VERIFICATIONREPORT_H
#define TALVIK_RELAY_VERIFICATIONREPORT_H

#include "relay/SettingsVerifier.h"

#include <QString>
#include <QStringList>
#include <QVector>

// Puts the read-back of a settings batch into words, for the window's box and
// for the command line alike.
class VerificationReport
{
public:
    explicit VerificationReport(const QVector<SettingsVerifier::Check>& checks);

    bool allHold() const { return failures.isEmpty(); }
    int count() const { return checks.size(); }
    // "Записано N уставок" when every value holds; otherwise the first line
    // of the warning.
    QString headline() const;
    // One line per setting that does not hold its intended value: caption,
    // intended, read back and how its write ended.
    const QStringList& failureLines() const { return failures; }
    // The headline and the failure lines.
    QString text() const;

    // How the relay answered the write, in words: "запись подтверждена",
    // "отказ: исключение 03, недопустимое значение (неверный пароль?)",
    // "нет ответа".
    static QString outcomeText(const SettingsVerifier::Check& check);
    // "Записана 1 уставка", "Записаны 2 уставки", "Записано 5 уставок".
    static QString writtenText(int count);

private:
    QVector<SettingsVerifier::Check> checks;
    QStringList failures;
};

#endif
