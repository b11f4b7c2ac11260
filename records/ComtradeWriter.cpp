#include "records/ComtradeWriter.h"

#include "records/CrashProcessHeader.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QIODevice>
#include <QSaveFile>
#include <QStringList>
#include <QTime>

namespace {

// 7.5·√2, 1.5·√2 and 150·√2: the relay's full-scale amplitudes of the phase
// inputs, the residual current input and the residual voltage input.
constexpr double phaseFactor = 10.606601717798213;
constexpr double residualCurrentFactor = 2.121320343559643;
constexpr double residualVoltageFactor = 212.1320343559643;
constexpr int phaseCounts = 512;
constexpr int residualCounts = 1024;

// The 120 pre-fault samples at 600 samples per second.
constexpr int preFaultMs =
    CrashProcessHeader::preFaultSamples * 1000 / ComtradeWriter::samplesPerSecond;

// Digital channels 1..11 in the order of the configuration file; DO3_2 is
// the relay's last-added output and sits in bit 10.
constexpr int digitalBits[] = {0, 1, 2, 3, 4, 5, 6, 10, 7, 8, 9};

QString multiplierText(uint16_t gain, double factor, uint16_t scale, int counts)
{
    const double multiplier =
        static_cast<double>(gain) * factor / (static_cast<double>(scale) * counts);
    // Fixed to the C locale: one digit, six decimals, "E", a signed exponent
    // of at least two digits.
    return QString::number(multiplier, 'E', 6);
}

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

bool writeLine(QIODevice& device, const QString& line)
{
    const QByteArray bytes = line.toLocal8Bit();
    return device.write(bytes) == bytes.size();
}

} // namespace

ComtradeWriter::ComtradeWriter(const QString& path) : basePath(path) {}

bool ComtradeWriter::isExportable(const CrashProcessHeader& header)
{
    return header.ringPosition < CrashProcessHeader::preFaultSamples && header.scalePhase != 0 &&
           header.scale3I0 != 0 && header.scale3U0 != 0 && triggerTime(header).isValid();
}

QString ComtradeWriter::baseName(const CrashProcessHeader& header)
{
    QString time = header.timeText();
    time.replace(QLatin1Char(':'), QLatin1Char('_'));
    return header.dateText() + QLatin1Char('_') + time;
}

QString ComtradeWriter::dateText(const CrashProcessHeader& header)
{
    return header.dateText();
}

QString ComtradeWriter::timeText(const CrashProcessHeader& header)
{
    return header.timeText();
}

QDateTime ComtradeWriter::triggerTime(const CrashProcessHeader& header)
{
    const QDate date(2000 + header.year, header.month, header.day);
    const QTime time(header.hour, header.minute, header.second, header.millisecond);
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    // The relay's clock is a plain calendar clock: arithmetic on it must not
    // skip or repeat an hour where the PC's time zone changes to summer time.
    return QDateTime(date, time, Qt::UTC);
}

QDateTime ComtradeWriter::firstSampleTime(const CrashProcessHeader& header)
{
    const QDateTime trigger = triggerTime(header);
    return trigger.isValid() ? trigger.addMSecs(-preFaultMs) : QDateTime();
}

QString ComtradeWriter::dateTimeLine(const QDateTime& dateTime)
{
    const QDate date = dateTime.date();
    const QTime time = dateTime.time();
    return QStringLiteral("%1/%2/%3,%4:%5:%6.%7\r\n")
        .arg(twoDigits(date.day()), twoDigits(date.month()))
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(twoDigits(time.hour()), twoDigits(time.minute()), twoDigits(time.second()))
        .arg(time.msec() * 1000, 6, 10, QLatin1Char('0'));
}

QString ComtradeWriter::dataLine(int number, const CrashProcessSample& sample)
{
    // The time stamp in microseconds since the first sample (time multiplier
    // 1): readers that require it refuse a record whose stamps are empty.
    const qint64 microseconds = qRound64((number - 1) * 1000000.0 / samplesPerSecond);
    QString line = QString::number(number) + QLatin1Char(',') + QString::number(microseconds) +
                   QLatin1Char(',');
    const int analog[] = {sample.ia, sample.ib, sample.ic, sample.i3I0, sample.u3U0};
    for (const int value : analog)
        line += QString::number(value) + QLatin1Char(',');
    for (int channel = 0; channel < 11; ++channel) {
        if (channel > 0)
            line += QLatin1Char(',');
        line +=
            ((sample.discrete >> digitalBits[channel]) & 1) ? QLatin1Char('1') : QLatin1Char('0');
    }
    line += QStringLiteral("\r\n");
    return line;
}

namespace {

double multiplier(uint16_t gain, double factor, uint16_t scale, int counts)
{
    return scale == 0 ? 0.0
                      : static_cast<double>(gain) * factor / (static_cast<double>(scale) * counts);
}

} // namespace

double ComtradeWriter::phaseMultiplier(const CrashProcessHeader& header)
{
    return multiplier(header.gainIa, phaseFactor, header.scalePhase, phaseCounts);
}

double ComtradeWriter::residualCurrentMultiplier(const CrashProcessHeader& header)
{
    return multiplier(header.gain3I0, residualCurrentFactor, header.scale3I0, residualCounts);
}

double ComtradeWriter::residualVoltageMultiplier(const CrashProcessHeader& header)
{
    return multiplier(header.gain3U0, residualVoltageFactor, header.scale3U0, residualCounts);
}

bool ComtradeWriter::writeCfg(QIODevice& device, const CrashProcessHeader& header)
{
    // Every analog channel declares the whole range of its signed 16-bit
    // samples: fault currents go far beyond the rated values, and readers
    // that honour the range would clip them.
    const QString phaseLine = QStringLiteral("%1,%2,,,A,%3,0,,-32767,32767,%4,1,S\r\n");
    const QStringList lines = {
        QStringLiteral("TestSubst,0,1999\r\n"),
        QStringLiteral("16,5A,11D\r\n"),
        phaseLine.arg(QStringLiteral("1"), QStringLiteral("PhaseA"),
                      multiplierText(header.gainIa, phaseFactor, header.scalePhase, phaseCounts),
                      QString::number(header.ratioPhase)),
        phaseLine.arg(QStringLiteral("2"), QStringLiteral("PhaseB"),
                      multiplierText(header.gainIb, phaseFactor, header.scalePhase, phaseCounts),
                      QString::number(header.ratioPhase)),
        phaseLine.arg(QStringLiteral("3"), QStringLiteral("PhaseC"),
                      multiplierText(header.gainIc, phaseFactor, header.scalePhase, phaseCounts),
                      QString::number(header.ratioPhase)),
        QStringLiteral("4,3I0,,,A,%1,0,,-32767,32767,%2,1,S\r\n")
            .arg(multiplierText(header.gain3I0, residualCurrentFactor, header.scale3I0,
                                residualCounts),
                 QString::number(header.ratio3I0)),
        QStringLiteral("5,3U0,,,V,%1,0,,-32767,32767,1,1,S\r\n")
            .arg(multiplierText(header.gain3U0, residualVoltageFactor, header.scale3U0,
                                residualCounts)),
        QStringLiteral("1,DI1,,,1\r\n"),
        QStringLiteral("2,DI2,,,1\r\n"),
        QStringLiteral("3,DI3,,,1\r\n"),
        QStringLiteral("4,DI4,,,1\r\n"),
        QStringLiteral("5,DO1,,,1\r\n"),
        QStringLiteral("6,DO2,,,1\r\n"),
        QStringLiteral("7,DO3_1,,,1\r\n"),
        QStringLiteral("8,DO3_2,,,1\r\n"),
        QStringLiteral("9,DO4,,,1\r\n"),
        QStringLiteral("10,DO5,,,1\r\n"),
        QStringLiteral("11,DO6,,,1\r\n"),
        QStringLiteral("50\r\n"),
        QStringLiteral("1\r\n"),
        QStringLiteral("%1,%2\r\n").arg(samplesPerSecond).arg(header.sampleCount()),
        dateTimeLine(firstSampleTime(header)),
        dateTimeLine(triggerTime(header)),
        QStringLiteral("ASCII\r\n"),
        QStringLiteral("1\r\n"),
    };
    for (const QString& line : lines) {
        if (!writeLine(device, line))
            return false;
    }
    return true;
}

bool ComtradeWriter::writeDat(QIODevice& device, const CrashProcessHeader& header,
                              const QByteArray& samples)
{
    const int faultSamples = header.faultSamples;
    const int ring = CrashProcessHeader::preFaultSamples;
    const int total = header.sampleCount();
    if (header.ringPosition >= ring || samples.size() < total * CrashProcessSample::size)
        return false;

    // Storage order: the fault samples first, then the pre-fault ring whose
    // oldest sample sits at F + ringPosition. Time order starts with that one.
    const auto* bytes = reinterpret_cast<const uint8_t*>(samples.constData());
    int number = 1;
    auto writeSample = [&](int position) {
        const CrashProcessSample sample =
            CrashProcessSample::decode(bytes + position * CrashProcessSample::size);
        return writeLine(device, dataLine(number++, sample));
    };
    for (int step = 0; step < ring; ++step) {
        if (!writeSample(faultSamples + (header.ringPosition + step) % ring))
            return false;
    }
    for (int position = 0; position < faultSamples; ++position) {
        if (!writeSample(position))
            return false;
    }
    return true;
}

bool ComtradeWriter::save(const CrashProcessHeader& header, const QByteArray& samples) const
{
    // Neither file can describe such a record truthfully.
    if (!isExportable(header) || samples.size() < header.sampleCount() * CrashProcessSample::size)
        return false;

    // Each file stands on its own: a configuration that cannot be written
    // must not cost the user the samples.
    QSaveFile cfg(basePath + QStringLiteral(".cfg"));
    const bool cfgWritten = cfg.open(QIODevice::WriteOnly) && writeCfg(cfg, header) && cfg.commit();
    if (!cfgWritten)
        cfg.cancelWriting();

    QSaveFile dat(basePath + QStringLiteral(".dat"));
    const bool datWritten =
        dat.open(QIODevice::WriteOnly) && writeDat(dat, header, samples) && dat.commit();
    if (!datWritten)
        dat.cancelWriting();

    return cfgWritten && datWritten;
}

bool ComtradeWriter::save(const CrashProcessHeader& header, const QByteArray* samples) const
{
    return samples != nullptr && save(header, *samples);
}
