#include "analysis/CycleMeasure.h"

#include <cmath>
#include <limits>

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

// The sampling step before `end`, averaged over a few samples so that time
// stamps rounded to the microsecond still give the rate.
double stepBefore(const QVector<double>& timeUs, int end)
{
    const int span = std::min(end, 4);
    return (timeUs[end] - timeUs[end - span]) / span;
}

} // namespace

int CycleMeasure::cycleStart(const QVector<double>& timeUs, int end, double frequency)
{
    if (end < 1 || end >= timeUs.size() || !(frequency > 0))
        return -1;
    const double step = stepBefore(timeUs, end);
    if (!(step > 0))
        return -1;
    const double length = std::round(1e6 / frequency / step);
    if (length < 2 || length > end + 1)
        return -1;
    return end - int(length) + 1;
}

QVector<std::complex<double>> CycleMeasure::harmonics(const QVector<double>& timeUs,
                                                      const QVector<double>& values, int end,
                                                      double frequency)
{
    if (values.size() != timeUs.size())
        return {};
    const int first = cycleStart(timeUs, end, frequency);
    if (first < 0)
        return {};
    const int count = end - first + 1;
    QVector<std::complex<double>> sums(highestOrder + 1);
    // The phase of each sample from its own time, so that a record sampled
    // off the power frequency's multiples is still measured.
    const double omega = 2 * M_PI * frequency * 1e-6;
    for (int i = first; i <= end; ++i) {
        const double x = values[i];
        if (std::isnan(x))
            return {};
        const std::complex<double> turn = std::polar(1.0, -omega * (timeUs[i] - timeUs[first]));
        std::complex<double> rotation = 1.0;
        for (int order = 0; order <= highestOrder; ++order) {
            sums[order] += x * rotation;
            rotation *= turn;
        }
    }
    // Peak amplitude 2|X|/N, divided by √2 for RMS; the mean is X/N.
    sums[0] /= count;
    for (int order = 1; order <= highestOrder; ++order) {
        if (2 * order >= count)
            sums[order] = {notANumber, notANumber};
        else
            sums[order] *= std::sqrt(2.0) / count;
    }
    return sums;
}

CycleValues CycleMeasure::measure(const QVector<double>& timeUs, const QVector<double>& values,
                                  int end, double frequency)
{
    CycleValues result{notANumber, notANumber};
    const QVector<std::complex<double>> orders = harmonics(timeUs, values, end, frequency);
    if (orders.isEmpty())
        return result;
    const int first = cycleStart(timeUs, end, frequency);
    double squares = 0;
    for (int i = first; i <= end; ++i)
        squares += values[i] * values[i];
    result.fundamentalRms = std::abs(orders[1]);
    result.trueRms = std::sqrt(squares / (end - first + 1));
    return result;
}
