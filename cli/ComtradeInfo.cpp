#include "cli/ComtradeInfo.h"

#include "cli/CommandOptions.h"
#include "cli/Console.h"
#include "analysis/RecordAnalysis.h"
#include "comtrade/ComtradeReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QPair>
#include <QSet>

#include <cmath>
#include <optional>

namespace {

// The first sample's time to the microsecond, as the .cfg gives it; empty
// when the file has no date.
QString startText(const ComtradeRecord& record)
{
    if (!record.start.isValid())
        return QString();
    return record.start.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) +
           QStringLiteral("%1").arg(record.startMicroseconds, 3, 10, QLatin1Char('0'));
}

// The rate of the first line of the table; 0 when the samples carry their
// own time stamps instead.
double sampleRate(const ComtradeRecord& record)
{
    if (record.timesFromTimestamps || record.rates.isEmpty())
        return 0.0;
    return record.rates.constFirst().rate;
}

QJsonValue orNull(bool present, double value)
{
    return present ? QJsonValue(value) : QJsonValue();
}

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

QString orDash(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}

QJsonValue orNull(double value)
{
    return orNull(!std::isnan(value), value);
}

QString numberOrDash(double value)
{
    return std::isnan(value) ? QStringLiteral("-") : number(value);
}

// --reference NAME among the analog channels; the first one without a name.
int referenceChannel(const ComtradeRecord& record, const QString& name)
{
    if (name.isEmpty())
        return record.analog.isEmpty() ? -1 : 0;
    for (int i = 0; i < record.analog.size(); ++i) {
        if (record.analog[i].name == name)
            return i;
    }
    return -1;
}

QJsonObject phasorJson(const Phasor& phasor)
{
    return QJsonObject{{QStringLiteral("magnitude"), orNull(phasor.magnitude)},
                       {QStringLiteral("angle"), orNull(phasor.angle)}};
}

QJsonObject channelJson(const ComtradeAnalogChannel& channel, const ChannelAnalysis& analysis)
{
    QJsonArray harmonics;
    for (int i = 0; i < analysis.harmonicPercent.size(); ++i) {
        harmonics.append(
            QJsonObject{{QStringLiteral("order"), i + 2},
                        {QStringLiteral("percent"), orNull(analysis.harmonicPercent[i])}});
    }
    return QJsonObject{{QStringLiteral("name"), channel.name},
                       {QStringLiteral("unit"), channel.unit},
                       {QStringLiteral("instant"), orNull(analysis.instant)},
                       {QStringLiteral("rms"), orNull(analysis.rms)},
                       {QStringLiteral("magnitude"), orNull(analysis.phasor.magnitude)},
                       {QStringLiteral("angle"), orNull(analysis.phasor.angle)},
                       {QStringLiteral("harmonics"), harmonics},
                       {QStringLiteral("thd"), orNull(analysis.thdPercent)}};
}

// The components of the first triple of each quantity, named I1 … U0.
QVector<QPair<QString, Phasor>> sequenceNamed(const RecordAnalysis& analysis,
                                              const QVector<ChannelAnalysis>& channels)
{
    QVector<QPair<QString, Phasor>> named;
    QSet<QString> letters;
    for (const PhaseTriple& triple : analysis.triples()) {
        const QString letter = triple.letter();
        if (letters.contains(letter))
            continue;
        letters.insert(letter);
        const SequenceValues values = RecordAnalysis::sequence(triple, channels);
        named.append({letter + QLatin1Char('1'), values.positive});
        named.append({letter + QLatin1Char('2'), values.negative});
        named.append({letter + QLatin1Char('0'), values.zero});
    }
    return named;
}

QString stateChange(const DigitalChange& change)
{
    return QStringLiteral("%1→%2").arg(change.from).arg(change.to);
}

} // namespace

int ComtradeInfo::run(const CommandOptions& options)
{
    QString error;
    const std::optional<ComtradeRecord> record = ComtradeReader::read(options.path, &error);
    if (!record) {
        Console::err(error.isEmpty()
                         ? QStringLiteral("Невозможно прочитать файл %1").arg(options.path)
                         : error);
        return ExitFile;
    }
    const int reference = referenceChannel(*record, options.reference);
    if (options.analyseAt && reference < 0) {
        Console::err(
            options.reference.isEmpty()
                ? QStringLiteral("В записи нет аналоговых каналов для анализа")
                : QStringLiteral("В записи нет аналогового канала %1").arg(options.reference));
        return ExitUsage;
    }
    const std::optional<RecordAnalysis> analysis = options.analyseAt || options.events
                                                       ? std::make_optional<RecordAnalysis>(*record)
                                                       : std::nullopt;
    if (options.json) {
        QJsonObject object = json(*record);
        if (options.analyseAt)
            object.insert(QStringLiteral("at"), atJson(*analysis, options.atMs, reference));
        if (options.events)
            object.insert(QStringLiteral("events"), eventsJson(*analysis));
        Console::out(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
        return ExitSuccess;
    }
    QStringList lines = textLines(*record);
    if (options.analyseAt)
        lines += atLines(*analysis, options.atMs, reference);
    if (options.events)
        lines += eventLines(*analysis);
    for (const QString& line : lines)
        Console::out(line);
    return ExitSuccess;
}

QJsonObject ComtradeInfo::atJson(const RecordAnalysis& analysis, double ms, int reference)
{
    const ComtradeRecord& record = analysis.record();
    const int sample = analysis.nearestSample(ms);
    const QVector<ChannelAnalysis> channels = analysis.channelsAt(sample, reference);
    QJsonArray channelArray;
    for (int i = 0; i < channels.size(); ++i)
        channelArray.append(channelJson(record.analog[i], channels[i]));
    QJsonObject object{{QStringLiteral("time_ms"), orNull(analysis.timeMs(sample))},
                       {QStringLiteral("sample"), sample + 1},
                       {QStringLiteral("channels"), channelArray}};
    QJsonObject sequence;
    for (const auto& component : sequenceNamed(analysis, channels))
        sequence.insert(component.first, phasorJson(component.second));
    if (!sequence.isEmpty())
        object.insert(QStringLiteral("sequence"), sequence);
    return object;
}

QJsonArray ComtradeInfo::eventsJson(const RecordAnalysis& analysis)
{
    QJsonArray events;
    for (const DigitalChange& change : analysis.digitalChanges().all()) {
        events.append(
            QJsonObject{{QStringLiteral("time_ms"), orNull(analysis.timeMs(change.sample))},
                        {QStringLiteral("channel"), analysis.record().digital[change.channel].name},
                        {QStringLiteral("state"), change.to}});
    }
    return events;
}

QStringList ComtradeInfo::atLines(const RecordAnalysis& analysis, double ms, int reference)
{
    const ComtradeRecord& record = analysis.record();
    const int sample = analysis.nearestSample(ms);
    const QVector<ChannelAnalysis> channels = analysis.channelsAt(sample, reference);
    QStringList lines{QStringLiteral("at = %1 ms (sample %2), angles from %3")
                          .arg(numberOrDash(analysis.timeMs(sample)))
                          .arg(sample + 1)
                          .arg(record.analog[reference].name)};
    for (int i = 0; i < channels.size(); ++i) {
        const ChannelAnalysis& channel = channels[i];
        QStringList harmonics;
        for (int k = 0; k < channel.harmonicPercent.size(); ++k) {
            if (!std::isnan(channel.harmonicPercent[k]))
                harmonics << QStringLiteral("%1: %2%").arg(k + 2).arg(
                    number(channel.harmonicPercent[k]));
        }
        lines << QStringLiteral("%1, %2: instant = %3, rms = %4, magnitude = %5, angle = %6, "
                                "thd = %7%")
                     .arg(record.analog[i].name, orDash(record.analog[i].unit),
                          numberOrDash(channel.instant), numberOrDash(channel.rms),
                          numberOrDash(channel.phasor.magnitude),
                          numberOrDash(channel.phasor.angle), numberOrDash(channel.thdPercent));
        lines
            << QStringLiteral("  harmonics: %1").arg(orDash(harmonics.join(QStringLiteral(", "))));
    }
    for (const auto& component : sequenceNamed(analysis, channels)) {
        lines << QStringLiteral("%1 = %2, angle = %3")
                     .arg(component.first, numberOrDash(component.second.magnitude),
                          numberOrDash(component.second.angle));
    }
    return lines;
}

QStringList ComtradeInfo::eventLines(const RecordAnalysis& analysis)
{
    QStringList lines{QStringLiteral("events = %1").arg(analysis.digitalChanges().all().size())};
    for (const DigitalChange& change : analysis.digitalChanges().all()) {
        lines << QStringLiteral("%1 ms: %2 %3")
                     .arg(numberOrDash(analysis.timeMs(change.sample)),
                          analysis.record().digital[change.channel].name, stateChange(change));
    }
    return lines;
}

ComtradeInfo::Statistics ComtradeInfo::statistics(const QVector<double>& values)
{
    Statistics result;
    double sumOfSquares = 0.0;
    int count = 0;
    for (const double value : values) {
        if (std::isnan(value))
            continue;
        if (count == 0 || value < result.min)
            result.min = value;
        if (count == 0 || value > result.max)
            result.max = value;
        sumOfSquares += value * value;
        ++count;
    }
    result.present = count > 0;
    if (result.present)
        result.rms = std::sqrt(sumOfSquares / count);
    return result;
}

QJsonObject ComtradeInfo::json(const ComtradeRecord& record)
{
    QJsonArray analog;
    for (const ComtradeAnalogChannel& channel : record.analog) {
        const Statistics stats = statistics(channel.values);
        analog.append(QJsonObject{{QStringLiteral("name"), channel.name},
                                  {QStringLiteral("unit"), channel.unit},
                                  {QStringLiteral("min"), orNull(stats.present, stats.min)},
                                  {QStringLiteral("max"), orNull(stats.present, stats.max)},
                                  {QStringLiteral("rms"), orNull(stats.present, stats.rms)}});
    }
    QJsonArray digital;
    for (const ComtradeDigitalChannel& channel : record.digital)
        digital.append(channel.name);
    const QString start = startText(record);
    const double rate = sampleRate(record);
    return QJsonObject{
        {QStringLiteral("station"), record.station},
        {QStringLiteral("start"), start.isEmpty() ? QJsonValue() : QJsonValue(start)},
        {QStringLiteral("sampleRate"), orNull(rate > 0.0, rate)},
        {QStringLiteral("samples"), record.sampleCount()},
        {QStringLiteral("analog"), analog},
        {QStringLiteral("digital"), digital},
    };
}

QStringList ComtradeInfo::textLines(const ComtradeRecord& record)
{
    const double rate = sampleRate(record);
    QStringList lines{
        QStringLiteral("station = %1").arg(record.station),
        QStringLiteral("start = %1").arg(orDash(startText(record))),
        QStringLiteral("sampleRate = %1").arg(rate > 0.0 ? number(rate) : QStringLiteral("-")),
        QStringLiteral("samples = %1").arg(record.sampleCount()),
    };
    for (const ComtradeAnalogChannel& channel : record.analog) {
        const Statistics stats = statistics(channel.values);
        const QString values =
            stats.present ? QStringLiteral("min = %1, max = %2, rms = %3")
                                .arg(number(stats.min), number(stats.max), number(stats.rms))
                          : QStringLiteral("нет значений");
        lines << QStringLiteral("%1, %2: %3").arg(channel.name, orDash(channel.unit), values);
    }
    QStringList digital;
    for (const ComtradeDigitalChannel& channel : record.digital)
        digital << channel.name;
    lines << QStringLiteral("digital = %1").arg(orDash(digital.join(QLatin1Char(' '))));
    return lines;
}
