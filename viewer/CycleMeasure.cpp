#include "viewer/CycleMeasure.h"

#include <cmath>
#include <limits>

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

} // namespace

int CycleMeasure::cycleStart(const QVector<double>& timeUs, int end, double frequency)
{
    if (end < 1 || end >= timeUs.size() || !(frequency > 0))
        return -1;
    const double period = 1e6 / frequency;
    // Samples strictly less than a period before the end belong to the
    // cycle; a sample exactly one period back starts the next cycle. The
    // slack absorbs rounding in times computed from the rate.
    const double slack = 1e-6 * period;
    int first = end;
    while (first > 0 && timeUs[end] - timeUs[first - 1] < period - slack)
        --first;
    if (first == end)
        return -1;
    // The cycle is whole when its samples and one more step span a period.
    const double step = (timeUs[end] - timeUs[first]) / (end - first);
    if (timeUs[end] - timeUs[first] + step < period - slack)
        return -1;
    return first;
}

CycleValues CycleMeasure::measure(const QVector<double>& timeUs, const QVector<double>& values,
                                  int end, double frequency)
{
    CycleValues result{notANumber, notANumber};
    if (values.size() != timeUs.size())
        return result;
    const int first = cycleStart(timeUs, end, frequency);
    if (first < 0)
        return result;

    // The phase of each sample from its own time, so that a record sampled
    // off the power frequency's multiples is still measured.
    const double omega = 2 * M_PI * frequency * 1e-6;
    double re = 0;
    double im = 0;
    double squares = 0;
    const int count = end - first + 1;
    for (int i = first; i <= end; ++i) {
        const double x = values[i];
        if (std::isnan(x))
            return result;
        const double phase = omega * (timeUs[i] - timeUs[first]);
        re += x * std::cos(phase);
        im -= x * std::sin(phase);
        squares += x * x;
    }
    // Peak amplitude 2|X|/N, divided by √2 for RMS.
    result.fundamentalRms = 2 * std::hypot(re, im) / count / std::sqrt(2.0);
    result.trueRms = std::sqrt(squares / count);
    return result;
}
