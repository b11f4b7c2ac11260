#ifndef TALVIK_ANALYSIS_CYCLEMEASURE_H
#define TALVIK_ANALYSIS_CYCLEMEASURE_H

#include <QVector>

#include <complex>

// RMS figures of one power-frequency cycle of a sampled waveform.
struct CycleValues
{
    // Fundamental (power-frequency) component by a one-cycle DFT, as RMS.
    double fundamentalRms;
    // Square root of the mean square over the cycle: DC and harmonics count.
    double trueRms;
};

// Measures the cycle that ends at a given sample: the round(rate / frequency)
// samples up to and including it, the rate taken from the sampling step just
// before that sample. Figures are NaN when the record holds less than a
// cycle before the sample, or a value in the cycle is missing.
class CycleMeasure
{
public:
    // The highest harmonic order measured.
    static constexpr int highestOrder = 15;

    // timeUs ascending; values of the same length; frequency in Hz (> 0).
    static CycleValues measure(const QVector<double>& timeUs, const QVector<double>& values,
                               int end, double frequency);

    // The first sample of the cycle ending at `end`, or -1 when the record
    // starts too late for a whole cycle.
    static int cycleStart(const QVector<double>& timeUs, int end, double frequency);

    // The cycle's components of orders 0 … highestOrder (index = order) as
    // complex RMS values (order 0: the mean), their phase counted from the
    // cycle's first sample. Orders the cycle holds too few samples for (at or
    // above half the samples a cycle) are NaN. Empty when there is no whole
    // cycle of values.
    static QVector<std::complex<double>> harmonics(const QVector<double>& timeUs,
                                                   const QVector<double>& values, int end,
                                                   double frequency);

private:
    CycleMeasure() = delete;
};

#endif
