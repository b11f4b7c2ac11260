#ifndef TALVIK_VIEWER_MINMAXDECIMATOR_H
#define TALVIK_VIEWER_MINMAXDECIMATOR_H

#include <QVector>

// Reduces a long waveform to what a plot can show: for each pixel column
// the column's lowest and highest sample, in their time order, so that no
// peak is lost however far the plot is zoomed out. Where a column holds no
// more samples than that, the samples are kept as they are.
//
// Built once per channel; each view then costs about the number of columns
// times the block size, not the number of samples in view, since whole
// blocks of samples have their extremes precomputed.
class MinMaxDecimator
{
public:
    // keys ascending (time), values of the same length; NaN values are gaps.
    MinMaxDecimator(const QVector<double>& keys, const QVector<double>& values);

    // The points to draw for the keys [from, to] over `columns` pixel
    // columns, with one sample beyond each end so lines reach the edges. A
    // column holding only missing values gives a NaN point (a gap).
    // Returns whether samples were left out (false: all of them are drawn).
    bool decimate(double from, double to, int columns, QVector<double>* outKeys,
                  QVector<double>* outValues) const;

    // The lowest and highest value of the whole channel (NaN when none).
    double minimum() const { return overallMin; }
    double maximum() const { return overallMax; }

    static constexpr int blockSize = 32;

private:
    // The values are kept beside their indices, so that merging blocks
    // reads the block table in order instead of the samples at random.
    struct Extremes
    {
        int minIndex = -1; // -1: no value in the range
        int maxIndex = -1;
        double min = 0;
        double max = 0;
    };
    Extremes scan(int from, int to) const;
    Extremes extremes(int from, int to) const;
    static void merge(Extremes* into, const Extremes& other);

    QVector<double> keys;
    QVector<double> values;
    QVector<Extremes> blocks; // of samples [k·blockSize, (k+1)·blockSize)
    double overallMin;
    double overallMax;
};

#endif
