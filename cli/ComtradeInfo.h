#ifndef TALVIK_CLI_COMTRADEINFO_H
#define TALVIK_CLI_COMTRADEINFO_H

#include <QJsonObject>
#include <QStringList>
#include <QVector>

class QJsonArray;
class RecordAnalysis;
struct CommandOptions;
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

    // Reads the .cfg of options.path and prints the summary, with --at the
    // analysis at that moment and with --events the digital changes;
    // returns the exit code.
    static int run(const CommandOptions& options);

    static Statistics statistics(const QVector<double>& values);
    // station, start, sampleRate, samples, analog [{name, unit, min, max,
    // rms}], digital [names]; null where the record has no such value.
    static QJsonObject json(const ComtradeRecord& record);
    static QStringList textLines(const ComtradeRecord& record);

    // "at": the sample nearest to `ms` from the trigger (its number from 1,
    // as the .dat counts), every analog channel's values, phasor (angle from
    // analog channel `reference`), harmonics 2…15 and THD, and the sequence
    // components I1 … U0 of the first triple of each quantity.
    static QJsonObject atJson(const RecordAnalysis& analysis, double ms, int reference);
    // "events": every digital change in time order (time_ms, channel, state).
    static QJsonArray eventsJson(const RecordAnalysis& analysis);
    static QStringList atLines(const RecordAnalysis& analysis, double ms, int reference);
    static QStringList eventLines(const RecordAnalysis& analysis);

private:
    ComtradeInfo() = delete;
};

#endif
