#include "cli/ComtradeInfo.h"

#include "cli/CommandOptions.h"
#include "cli/Console.h"
#include "comtrade/ComtradeReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <cmath>

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

} // namespace

int ComtradeInfo::run(const QString& cfgPath, bool json)
{
    QString error;
    const std::optional<ComtradeRecord> record = ComtradeReader::read(cfgPath, &error);
    if (!record) {
        Console::err(error.isEmpty() ? QStringLiteral("Невозможно прочитать файл %1").arg(cfgPath)
                                     : error);
        return ExitFile;
    }
    if (json) {
        Console::out(QString::fromUtf8(
            QJsonDocument(ComtradeInfo::json(*record)).toJson(QJsonDocument::Compact)));
        return ExitSuccess;
    }
    for (const QString& line : textLines(*record))
        Console::out(line);
    return ExitSuccess;
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
