#ifndef TALVIK_VIEWER_CYCLEMEASURE_H
#define TALVIK_VIEWER_CYCLEMEASURE_H

#include <QVector>

// RMS figures of one power-frequency cycle of a sampled waveform.
struct CycleValues
{
    // Fundamental (power-frequency) component by a one-cycle DFT, as RMS.
    double fundamentalRms;
    // Square root of the mean square over the cycle: DC and harmonics count.
    double trueRms;
};

// Measures the cycle that ends at a given sample: that sample and those
// before it within one period. Both figures are NaN when the record holds
// less than a cycle before the sample, or a value in the cycle is missing.
class CycleMeasure
{
public:
    // timeUs ascending; values of the same length; frequency in Hz (> 0).
    static CycleValues measure(const QVector<double>& timeUs, const QVector<double>& values,
                               int end, double frequency);

    // The first sample of the cycle ending at `end`, or -1 when the record
    // starts too late for a whole cycle.
    static int cycleStart(const QVector<double>& timeUs, int end, double frequency);
};

#endif
