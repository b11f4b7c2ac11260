#ifndef TALVIK_VIEWER_RECORDREADOUT_H
#define TALVIK_VIEWER_RECORDREADOUT_H

#include "comtrade/ComtradeReader.h"
#include "analysis/CycleMeasure.h"

#include <QStringList>
#include <QVector>

// What the viewer's two cursors read off a record: the time of each from
// the trigger, Δt between them, and for each channel its value at each
// cursor. Cursors sit on samples, so every figure belongs to a sample that
// was recorded. The table's cells and the text copied to the clipboard come
// from here, so the two always agree.
class RecordReadout
{
public:
    explicit RecordReadout(const ComtradeRecord& record);

    // The record's line frequency; 50 Hz when the file gives none.
    double frequency() const { return lineFrequency; }

    // Time of a sample in ms from the trigger (negative before the fault).
    double timeMs(int sample) const;
    // The sample nearest to a time in ms from the trigger.
    int nearestSample(double ms) const;
    // Time from the first cursor's sample to the second's, in ms.
    double deltaMs(int first, int second) const;
    // The first sample after `sample` at which a digital channel changes
    // state (typically the trip), or -1 when none does.
    int firstDigitalChangeAfter(int sample) const;

    struct AnalogReading
    {
        double instant;
        CycleValues cycle; // the power-frequency cycle ending at the sample
    };
    AnalogReading analog(int channel, int sample) const;

    // The table: a header, then rows for the time, each analog channel,
    // each digital channel and Δt.
    static QStringList header();
    QVector<QStringList> rows(int first, int second) const;
    // The same as tab-separated lines, header first.
    QString text(int first, int second) const;

    // A figure as the readout shows it: Russian digit grouping and decimal
    // comma, fewer decimals for larger values, "—" for a missing value.
    static QString number(double value);
    static QString milliseconds(double ms);
    // An angle in degrees or a share in %: one decimal ("—" when missing).
    static QString tenths(double value);

private:
    ComtradeRecord record;
    double lineFrequency;
};

#endif
