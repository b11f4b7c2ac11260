#ifndef TALVIK_CLI_COMTRADEINFO_H
#define TALVIK_CLI_COMTRADEINFO_H

#include <QJsonObject>
#include <QStringList>
#include <QVector>

struct ComtradeRecord;

// The comtrade-info command: a COMTRADE pair read from disk by the record
// reader, summed up as station, start time, sampling, and per analog
// channel the range and RMS of its primary values over the whole record.
class ComtradeInfo
{
public:
    // Over the values that are present (missing samples are NaN); `present`
    // is false when there are none.
    struct Statistics
    {
        bool present = false;
        double min = 0.0;
        double max = 0.0;
        double rms = 0.0;
    };

    // Reads cfgPath and prints the summary; returns the exit code.
    static int run(const QString& cfgPath, bool json);

    static Statistics statistics(const QVector<double>& values);
    // station, start, sampleRate, samples, analog [{name, unit, min, max,
    // rms}], digital [names]; null where the record has no such value.
    static QJsonObject json(const ComtradeRecord& record);
    static QStringList textLines(const ComtradeRecord& record);

private:
    ComtradeInfo() = delete;
};

#endif
