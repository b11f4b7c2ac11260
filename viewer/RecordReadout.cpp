#include "viewer/RecordReadout.h"

#include "analysis/RecordAnalysis.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

QLocale readoutLocale()
{
    QLocale locale(QLocale::Russian, QLocale::Russia);
    locale.setNumberOptions(QLocale::DefaultNumberOptions);
    return locale;
}

// A value that rounds to zero is written without a sign: "-0,0" would
// read as a direction where there is none.
QString fixed(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    if (std::round(std::fabs(value) * scale) == 0)
        value = 0;
    return readoutLocale().toString(value, 'f', decimals);
}

int decimalsFor(double magnitude)
{
    return magnitude >= 1000 ? 0 : magnitude >= 100 ? 1 : magnitude >= 10 ? 2 : 3;
}

} // namespace

RecordReadout::RecordReadout(const ComtradeRecord& source)
    : record(source), lineFrequency(source.lineFrequency > 0 ? source.lineFrequency : 50.0)
{
}

double RecordReadout::timeMs(int sample) const
{
    return RecordAnalysis::timeMs(record, sample);
}

int RecordReadout::nearestSample(double ms) const
{
    return RecordAnalysis::nearestSample(record, ms);
}

double RecordReadout::deltaMs(int first, int second) const
{
    return timeMs(second) - timeMs(first);
}

int RecordReadout::firstDigitalChangeAfter(int sample) const
{
    int first = -1;
    for (const ComtradeDigitalChannel& channel : record.digital) {
        const int end = first < 0 ? channel.states.size() : first;
        for (int i = std::max(1, sample + 1); i < end; ++i) {
            if (channel.states[i] != channel.states[i - 1]) {
                first = i;
                break;
            }
        }
    }
    return first;
}

RecordReadout::AnalogReading RecordReadout::analog(int channel, int sample) const
{
    const QVector<double>& values = record.analog[channel].values;
    AnalogReading reading{std::nan(""), {std::nan(""), std::nan("")}};
    if (sample < 0 || sample >= values.size())
        return reading;
    reading.instant = values[sample];
    reading.cycle = CycleMeasure::measure(record.timeUs, values, sample, lineFrequency);
    return reading;
}

QStringList RecordReadout::header()
{
    return {QStringLiteral("Канал"),
            QStringLiteral("Ед."),
            QStringLiteral("К1 мгн."),
            QStringLiteral("К1 действ. 1-й гарм."),
            QStringLiteral("К1 действ. полн."),
            QStringLiteral("К2 мгн."),
            QStringLiteral("К2 действ. 1-й гарм."),
            QStringLiteral("К2 действ. полн.")};
}

QVector<QStringList> RecordReadout::rows(int first, int second) const
{
    QVector<QStringList> table;
    table.append({QStringLiteral("Время от пуска"), QStringLiteral("мс"),
                  milliseconds(timeMs(first)), QString(), QString(), milliseconds(timeMs(second)),
                  QString(), QString()});
    for (int c = 0; c < record.analog.size(); ++c) {
        QStringList row = {record.analog[c].name, record.analog[c].unit};
        for (const int sample : {first, second}) {
            const AnalogReading reading = analog(c, sample);
            row << number(reading.instant) << number(reading.cycle.fundamentalRms)
                << number(reading.cycle.trueRms);
        }
        table.append(row);
    }
    for (const ComtradeDigitalChannel& channel : record.digital) {
        QStringList row = {channel.name, QString()};
        for (const int sample : {first, second}) {
            const bool known = sample >= 0 && sample < channel.states.size();
            row << (known ? QString::number(channel.states[sample]) : QStringLiteral("—"))
                << QString() << QString();
        }
        table.append(row);
    }
    table.append({QStringLiteral("Δt (К2 − К1)"), QStringLiteral("мс"),
                  milliseconds(deltaMs(first, second)), QString(), QString(), QString(), QString(),
                  QString()});
    return table;
}

QString RecordReadout::text(int first, int second) const
{
    QString result = header().join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (const QStringList& row : rows(first, second))
        result += row.join(QLatin1Char('\t')) + QLatin1Char('\n');
    return result;
}

QString RecordReadout::number(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("—");
    // Rounded, 99.996 is 100,00: it is written as 100 is, "100,0".
    const int first = decimalsFor(std::fabs(value));
    const double scale = std::pow(10.0, first);
    return fixed(value, decimalsFor(std::round(std::fabs(value) * scale) / scale));
}

QString RecordReadout::milliseconds(double ms)
{
    if (!std::isfinite(ms))
        return QStringLiteral("—");
    // Three decimals: the µs of the time stamps.
    return fixed(ms, 3);
}

QString RecordReadout::tenths(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("—");
    return fixed(value, 1);
}
