#ifndef TALVIK_ANALYSIS_RECORDANALYSIS_H
#define TALVIK_ANALYSIS_RECORDANALYSIS_H

#include "analysis/DigitalChanges.h"
#include "analysis/Phasor.h"
#include "analysis/SequenceComponents.h"
#include "comtrade/ComtradeReader.h"

#include <QVector>

// One analog channel at one sample: its value, the RMS of the cycle ending
// there, the fundamental as a phasor and the harmonics of that cycle.
struct ChannelAnalysis
{
    double instant;
    double rms;
    // The fundamental's RMS and its angle relative to the reference channel.
    Phasor phasor;
    // Orders 2 … 15 (index = order − 2) as % of the fundamental; NaN where
    // the cycle holds too few samples for the order.
    QVector<double> harmonicPercent;
    // √(Σ h_k²)/h_1 over the orders measured, in %.
    double thdPercent;
};

// What the engineer reads at a moment of a fault record. The cycle is the
// round(rate / line frequency) samples ending at the sample asked for; its
// DFT gives every channel's phasor and harmonics, and the angles are counted
// from the reference channel's fundamental. The record is shared, not copied.
class RecordAnalysis
{
public:
    explicit RecordAnalysis(const ComtradeRecord& record);

    const ComtradeRecord& record() const { return source; }
    // The record's line frequency; 50 Hz when the file gives none.
    double frequency() const { return lineFrequency; }

    // Time of a sample in ms from the trigger (negative before it); NaN
    // outside the record.
    static double timeMs(const ComtradeRecord& record, int sample);
    // The sample nearest to a time in ms from the trigger; -1 for an empty record.
    static int nearestSample(const ComtradeRecord& record, double ms);
    double timeMs(int sample) const { return timeMs(source, sample); }
    int nearestSample(double ms) const { return nearestSample(source, ms); }

    // Every analog channel at `sample`, angles relative to analog channel
    // `reference` (unknown when that channel has no fundamental there).
    QVector<ChannelAnalysis> channelsAt(int sample, int reference) const;

    const QVector<PhaseTriple>& triples() const { return phaseTriples; }
    // The components of a triple from channelsAt()'s result.
    static SequenceValues sequence(const PhaseTriple& triple,
                                   const QVector<ChannelAnalysis>& channels);

    const DigitalChanges& digitalChanges() const { return changes; }

private:
    ComtradeRecord source;
    double lineFrequency;
    QVector<PhaseTriple> phaseTriples;
    DigitalChanges changes;
};

#endif
