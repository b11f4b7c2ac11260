#ifndef TALVIK_TESTS_SYNTHETICRECORD_H
#define TALVIK_TESTS_SYNTHETICRECORD_H

#include "comtrade/ComtradeReader.h"

#include <QFile>
#include <QString>
#include <QVector>

#include <cmath>

// Records whose phasors are known: each analog channel is
// √2·rms·cos(ωt + angle) plus a second harmonic of `secondPercent`, sampled
// at `rate` per second, the trigger at sample `triggerSample`.
struct SyntheticChannel
{
    QString name;
    QString unit = QStringLiteral("A");
    QString phase;
    double rms = 0;
    double angle = 0; // degrees
    double secondPercent = 0;
};

// A digital channel that goes 0→1 at `rise` and back at `fall` (-1: never).
struct SyntheticDigital
{
    QString name;
    int rise = -1;
    int fall = -1;
};

inline ComtradeRecord syntheticRecord(const QVector<SyntheticChannel>& channels,
                                      const QVector<SyntheticDigital>& digital = {},
                                      double rate = 4000, int samples = 800,
                                      int triggerSample = 400)
{
    ComtradeRecord record;
    record.station = QStringLiteral("Synthetic");
    record.lineFrequency = 50;
    record.rates = {{rate, samples}};
    record.triggerOffsetUs = triggerSample * 1e6 / rate;
    for (int i = 0; i < samples; ++i)
        record.timeUs.append(i * 1e6 / rate);
    for (int c = 0; c < channels.size(); ++c) {
        ComtradeAnalogChannel channel;
        channel.index = c + 1;
        channel.name = channels[c].name;
        channel.unit = channels[c].unit;
        channel.phase = channels[c].phase;
        for (const double t : record.timeUs) {
            const double wt = 2 * M_PI * 50 * t * 1e-6 + channels[c].angle * M_PI / 180;
            const double peak = channels[c].rms * std::sqrt(2.0);
            channel.values.append(peak * std::cos(wt) +
                                  peak * channels[c].secondPercent / 100 * std::cos(2 * wt));
        }
        record.analog.append(channel);
    }
    for (int d = 0; d < digital.size(); ++d) {
        ComtradeDigitalChannel channel;
        channel.index = d + 1;
        channel.name = digital[d].name;
        for (int i = 0; i < samples; ++i) {
            const bool on = digital[d].rise >= 0 && i >= digital[d].rise &&
                            (digital[d].fall < 0 || i < digital[d].fall);
            channel.states.append(on ? 1 : 0);
        }
        record.digital.append(channel);
    }
    return record;
}

// The record as an ASCII COMTRADE pair `base`.cfg / .dat (values in steps of
// 0.001 of their unit).
inline bool writeSyntheticRecord(const ComtradeRecord& record, const QString& base)
{
    constexpr double step = 0.001;
    const int samples = record.sampleCount();
    QString cfg = QStringLiteral("%1,synthetic,1999\r\n%2,%3A,%4D\r\n")
                      .arg(record.station)
                      .arg(record.analog.size() + record.digital.size())
                      .arg(record.analog.size())
                      .arg(record.digital.size());
    for (const ComtradeAnalogChannel& channel : record.analog) {
        cfg += QStringLiteral("%1,%2,%3,,%4,%5,0,0,-99999999,99999999,1,1,P\r\n")
                   .arg(channel.index)
                   .arg(channel.name, channel.phase, channel.unit)
                   .arg(step);
    }
    for (const ComtradeDigitalChannel& channel : record.digital)
        cfg += QStringLiteral("%1,%2,,,0\r\n").arg(channel.index).arg(channel.name);
    const long triggerUs = std::lround(record.triggerOffsetUs);
    cfg += QStringLiteral("50\r\n1\r\n%1,%2\r\n01/02/2020,10:00:00.000000\r\n"
                          "01/02/2020,10:00:%3.%4\r\nASCII\r\n1\r\n")
               .arg(record.rates.constFirst().rate)
               .arg(samples)
               .arg(triggerUs / 1000000, 2, 10, QLatin1Char('0'))
               .arg(triggerUs % 1000000, 6, 10, QLatin1Char('0'));
    QByteArray dat;
    for (int i = 0; i < samples; ++i) {
        QString line = QStringLiteral("%1,%2").arg(i + 1).arg(std::lround(record.timeUs[i]));
        for (const ComtradeAnalogChannel& channel : record.analog)
            line += QStringLiteral(",%1").arg(std::lround(channel.values[i] / step));
        for (const ComtradeDigitalChannel& channel : record.digital)
            line += QStringLiteral(",%1").arg(channel.states[i]);
        dat += line.toLatin1() + "\r\n";
    }
    QFile cfgFile(base + QStringLiteral(".cfg"));
    QFile datFile(base + QStringLiteral(".dat"));
    return cfgFile.open(QIODevice::WriteOnly) && cfgFile.write(cfg.toUtf8()) > 0 &&
           datFile.open(QIODevice::WriteOnly) && datFile.write(dat) == dat.size();
}

#endif
