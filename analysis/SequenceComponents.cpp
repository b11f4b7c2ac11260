#include "analysis/SequenceComponents.h"

#include "comtrade/ComtradeReader.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// Cyrillic А, В and С look like their Latin letters and are typed for them.
QString latinPhaseLetters(QString text)
{
    text.replace(QChar(0x0410), QLatin1Char('A'));
    text.replace(QChar(0x0430), QLatin1Char('A'));
    text.replace(QChar(0x0412), QLatin1Char('B'));
    text.replace(QChar(0x0432), QLatin1Char('B'));
    text.replace(QChar(0x0421), QLatin1Char('C'));
    text.replace(QChar(0x0441), QLatin1Char('C'));
    return text.toUpper();
}

char phaseLetter(const QString& text)
{
    if (text == QLatin1String("A") || text == QLatin1String("L1"))
        return 'A';
    if (text == QLatin1String("B") || text == QLatin1String("L2"))
        return 'B';
    if (text == QLatin1String("C") || text == QLatin1String("L3"))
        return 'C';
    return 0;
}

std::optional<PhaseTriple::Quantity> quantityOf(const QString& unit)
{
    const QString text = latinPhaseLetters(unit.trimmed());
    // kA, A, mA; kV, V, and the Cyrillic В for volts (read as B above).
    if (text.endsWith(QLatin1Char('A')))
        return PhaseTriple::Quantity::Current;
    if (text.endsWith(QLatin1Char('V')) || text.endsWith(QLatin1Char('B')))
        return PhaseTriple::Quantity::Voltage;
    return std::nullopt;
}

bool isResidual(const ComtradeAnalogChannel& channel)
{
    if (latinPhaseLetters(channel.phase.trimmed()) == QLatin1String("N"))
        return true;
    static const QRegularExpression residualName(
        QStringLiteral("^(3[IU][0O]|[IU]N|3[IU]0[_ ]?.*)$"));
    const QString name = latinPhaseLetters(channel.name).remove(QLatin1Char(' '));
    return residualName.match(name).hasMatch();
}

constexpr std::complex<double> rotate120()
{
    return {-0.5, 0.8660254037844386};
}

} // namespace

QString PhaseTriple::letter() const
{
    return quantity == Quantity::Current ? QStringLiteral("I") : QStringLiteral("U");
}

char SequenceComponents::phaseOf(const ComtradeAnalogChannel& channel, QString* prefix)
{
    prefix->clear();
    if (const char fromField = phaseLetter(latinPhaseLetters(channel.phase.trimmed())))
        return fromField;
    static const QRegularExpression namedPhase(QStringLiteral("^(.*?)[ _\\-.]*(L[123]|[ABC])$"));
    const QRegularExpressionMatch match =
        namedPhase.match(latinPhaseLetters(channel.name.trimmed()));
    if (!match.hasMatch())
        return 0;
    *prefix = match.captured(1);
    return phaseLetter(match.captured(2));
}

QVector<PhaseTriple> SequenceComponents::findTriples(const QVector<ComtradeAnalogChannel>& channels)
{
    // Channels of one triple share quantity, unit, circuit and what the name
    // holds before its phase; the first channel of each phase counts.
    QVector<QString> keys;
    QHash<QString, PhaseTriple> byKey;
    for (int i = 0; i < channels.size(); ++i) {
        const ComtradeAnalogChannel& channel = channels[i];
        const std::optional<PhaseTriple::Quantity> quantity = quantityOf(channel.unit);
        QString prefix;
        const char phase = phaseOf(channel, &prefix);
        if (!quantity || phase == 0)
            continue;
        const QString key = QStringLiteral("%1|%2|%3|%4")
                                .arg(int(*quantity))
                                .arg(channel.unit.trimmed(), channel.circuit.trimmed(), prefix);
        if (!byKey.contains(key)) {
            keys.append(key);
            byKey[key].quantity = *quantity;
            byKey[key].unit = channel.unit.trimmed();
        }
        int& slot = byKey[key].phase[phase - 'A'];
        if (slot < 0)
            slot = i;
    }
    QVector<PhaseTriple> triples;
    for (const QString& key : keys) {
        PhaseTriple triple = byKey.value(key);
        if (triple.phase[0] < 0 || triple.phase[1] < 0 || triple.phase[2] < 0)
            continue;
        for (int i = 0; i < channels.size() && triple.residual < 0; ++i) {
            if (isResidual(channels[i]) && quantityOf(channels[i].unit) == triple.quantity)
                triple.residual = i;
        }
        triples.append(triple);
    }
    return triples;
}

SequenceValues SequenceComponents::compute(const Phasor& a, const Phasor& b, const Phasor& c,
                                           const Phasor& residual)
{
    const std::complex<double> op = rotate120();
    const std::complex<double> op2 = op * op;
    const std::complex<double> xa = a.complex();
    const std::complex<double> xb = b.complex();
    const std::complex<double> xc = c.complex();
    const std::complex<double> positive = (xa + op * xb + op2 * xc) / 3.0;
    const std::complex<double> negative = (xa + op2 * xb + op * xc) / 3.0;
    const std::complex<double> zero = (xa + xb + xc) / 3.0;

    // A component that only rounding leaves of a set that has none reads
    // as 0∠0, not as a tiny value at a random angle.
    const double noise = 1e-9 * std::max({std::abs(xa), std::abs(xb), std::abs(xc)});
    const auto cleaned = [noise](std::complex<double> value) {
        return std::abs(value) < noise ? std::complex<double>() : value;
    };
    SequenceValues values;
    values.positive = Phasor::of(cleaned(positive));
    values.negative = Phasor::of(cleaned(negative));
    values.zero = Phasor::of(cleaned(zero));
    const double positiveSize = std::abs(cleaned(positive));
    values.unbalancePercent =
        positiveSize > 0 ? 100.0 * std::abs(cleaned(negative)) / positiveSize : std::nan("");
    values.computedResidual = Phasor::of(3.0 * cleaned(zero));
    values.measuredResidual = residual;
    return values;
}
