#include "viewer/MinMaxDecimator.h"

#include <algorithm>
#include <cmath>
#include <limits>

MinMaxDecimator::MinMaxDecimator(const QVector<double>& keyVector,
                                 const QVector<double>& valueVector)
    : keys(keyVector), values(valueVector)
{
    if (values.size() > keys.size())
        values.resize(keys.size());
    const int count = values.size();
    blocks.reserve(count / blockSize + 1);
    for (int from = 0; from < count; from += blockSize)
        blocks.append(scan(from, std::min(count, from + blockSize)));
    const Extremes all = extremes(0, count);
    overallMin = all.minIndex < 0 ? std::numeric_limits<double>::quiet_NaN() : all.min;
    overallMax = all.maxIndex < 0 ? std::numeric_limits<double>::quiet_NaN() : all.max;
}

MinMaxDecimator::Extremes MinMaxDecimator::scan(int from, int to) const
{
    Extremes found;
    for (int i = from; i < to; ++i) {
        const double v = values[i];
        if (std::isnan(v))
            continue;
        if (found.minIndex < 0 || v < found.min) {
            found.minIndex = i;
            found.min = v;
        }
        if (found.maxIndex < 0 || v > found.max) {
            found.maxIndex = i;
            found.max = v;
        }
    }
    return found;
}

void MinMaxDecimator::merge(Extremes* into, const Extremes& other)
{
    if (other.minIndex < 0)
        return;
    if (into->minIndex < 0 || other.min < into->min) {
        into->minIndex = other.minIndex;
        into->min = other.min;
    }
    if (into->maxIndex < 0 || other.max > into->max) {
        into->maxIndex = other.maxIndex;
        into->max = other.max;
    }
}

// Samples [from, to): the partial blocks at either end sample by sample,
// the whole blocks between from their precomputed extremes.
MinMaxDecimator::Extremes MinMaxDecimator::extremes(int from, int to) const
{
    const int firstWhole = (from + blockSize - 1) / blockSize;
    const int endWhole = to / blockSize;
    if (firstWhole >= endWhole)
        return scan(from, to);
    Extremes found = scan(from, firstWhole * blockSize);
    for (int k = firstWhole; k < endWhole; ++k)
        merge(&found, blocks[k]);
    merge(&found, scan(endWhole * blockSize, to));
    return found;
}

bool MinMaxDecimator::decimate(double from, double to, int columns, QVector<double>* outKeys,
                               QVector<double>* outValues) const
{
    outKeys->clear();
    outValues->clear();
    const int count = values.size();
    if (count == 0 || columns < 1 || !(to > from))
        return false;
    // One sample before the view and one after it.
    const int first = std::max(
        0, int(std::lower_bound(keys.cbegin(), keys.cbegin() + count, from) - keys.cbegin()) - 1);
    const int last = std::min(
        count, int(std::upper_bound(keys.cbegin(), keys.cbegin() + count, to) - keys.cbegin()) + 1);

    // Few enough samples: every one of them is drawn.
    if (last - first <= 4 * columns) {
        outKeys->reserve(last - first);
        outValues->reserve(last - first);
        for (int i = first; i < last; ++i) {
            outKeys->append(keys[i]);
            outValues->append(values[i]);
        }
        return false;
    }

    outKeys->reserve(2 * columns + 4);
    outValues->reserve(2 * columns + 4);
    const auto add = [&](int i) {
        outKeys->append(keys[i]);
        outValues->append(values[i]);
    };
    add(first);
    const double width = (to - from) / columns;
    int begin = first + 1;
    for (int column = 0; column < columns && begin < last - 1; ++column) {
        const double columnEnd = column + 1 == columns ? to : from + (column + 1) * width;
        const int end = std::min(
            last - 1,
            int(std::upper_bound(keys.cbegin() + begin, keys.cbegin() + last - 1, columnEnd) -
                keys.cbegin()));
        if (end == begin)
            continue;
        const Extremes found = extremes(begin, end);
        if (found.minIndex < 0) {
            outKeys->append(keys[begin]);
            outValues->append(std::numeric_limits<double>::quiet_NaN());
        } else {
            add(std::min(found.minIndex, found.maxIndex));
            if (found.minIndex != found.maxIndex)
                add(std::max(found.minIndex, found.maxIndex));
        }
        begin = end;
    }
    add(last - 1);
    return true;
}
