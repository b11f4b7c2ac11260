#include "analysis/RecordWindowCsv.h"

#include "comtrade/ComtradeReader.h"

#include <QIODevice>
#include <QSaveFile>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// A spreadsheet would split a name holding the separator, or take a quote
// for the start of a quoted field.
QString field(const QString& text)
{
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString withComma(QString text)
{
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    return text;
}

// The time column keeps the record's microseconds, always three decimals,
// so that the column lines up.
QString milliseconds(double ms)
{
    return withComma(QString::number(ms, 'f', 3));
}

bool writeLine(QIODevice& device, const QStringList& fields)
{
    const QByteArray bytes = (fields.join(QLatin1Char(';')) + QLatin1Char('\n')).toLocal8Bit();
    return device.write(bytes) == bytes.size();
}

} // namespace

QString RecordWindowCsv::number(double value)
{
    if (!std::isfinite(value))
        return QString();
    if (value == 0)
        return QStringLiteral("0");
    // Nine significant digits hold any 32-bit sample scaled to primary units.
    const int magnitude = int(std::floor(std::log10(std::fabs(value))));
    const int decimals = std::clamp(8 - magnitude, 0, 12);
    QString text = QString::number(value, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return withComma(text);
}

std::pair<int, int> RecordWindowCsv::samplesIn(const ComtradeRecord& record, double fromMs,
                                               double toMs)
{
    const QVector<double>& times = record.timeUs;
    const double fromUs = fromMs * 1000.0 + record.triggerOffsetUs;
    const double toUs = toMs * 1000.0 + record.triggerOffsetUs;
    const int first = int(std::lower_bound(times.cbegin(), times.cend(), fromUs) - times.cbegin());
    const int last = int(std::upper_bound(times.cbegin(), times.cend(), toUs) - times.cbegin());
    return {first, std::max(first, last)};
}

bool RecordWindowCsv::write(QIODevice& device, const ComtradeRecord& record, double fromMs,
                            double toMs, const QVector<int>& channels)
{
    const int analogCount = record.analog.size();
    const int channelCount = analogCount + record.digital.size();
    QVector<int> shown;
    QStringList header = {QStringLiteral("Время, мс")};
    for (const int channel : channels) {
        if (channel < 0 || channel >= channelCount)
            continue;
        shown.append(channel);
        header << field(channel < analogCount ? record.analog[channel].name
                                              : record.digital[channel - analogCount].name);
    }
    if (!writeLine(device, header))
        return false;

    const std::pair<int, int> window = samplesIn(record, fromMs, toMs);
    QStringList line;
    for (int sample = window.first; sample < window.second; ++sample) {
        line.clear();
        line << milliseconds((record.timeUs[sample] - record.triggerOffsetUs) / 1000.0);
        for (const int channel : shown) {
            if (channel < analogCount) {
                const QVector<double>& values = record.analog[channel].values;
                line << (sample < values.size() ? number(values[sample]) : QString());
            } else {
                const QVector<uint8_t>& states = record.digital[channel - analogCount].states;
                line << (sample < states.size() ? QString::number(states[sample]) : QString());
            }
        }
        if (!writeLine(device, line))
            return false;
    }
    return true;
}

bool RecordWindowCsv::save(const QString& fileName, const ComtradeRecord& record, double fromMs,
                           double toMs, const QVector<int>& channels)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!write(file, record, fromMs, toMs, channels)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
