#include "analysis/RecordAnalysis.h"

#include "analysis/CycleMeasure.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

double thdPercent(const QVector<std::complex<double>>& orders)
{
    const double fundamental = std::abs(orders[1]);
    if (!(fundamental > 0))
        return notANumber;
    double squares = 0;
    for (int order = 2; order < orders.size(); ++order) {
        const double size = std::abs(orders[order]);
        if (!std::isnan(size))
            squares += size * size;
    }
    return 100.0 * std::sqrt(squares) / fundamental;
}

QVector<double> harmonicPercent(const QVector<std::complex<double>>& orders)
{
    QVector<double> percent(CycleMeasure::highestOrder - 1, notANumber);
    const double fundamental = std::abs(orders[1]);
    if (!(fundamental > 0))
        return percent;
    for (int order = 2; order <= CycleMeasure::highestOrder; ++order)
        percent[order - 2] = 100.0 * std::abs(orders[order]) / fundamental;
    return percent;
}

double cycleRms(const QVector<double>& values, int first, int end)
{
    double squares = 0;
    for (int i = first; i <= end; ++i)
        squares += values[i] * values[i];
    return std::sqrt(squares / (end - first + 1));
}

} // namespace

RecordAnalysis::RecordAnalysis(const ComtradeRecord& record)
    : source(record), lineFrequency(record.lineFrequency > 0 ? record.lineFrequency : 50.0),
      phaseTriples(SequenceComponents::findTriples(record.analog)), changes(record)
{
}

double RecordAnalysis::timeMs(const ComtradeRecord& record, int sample)
{
    if (sample < 0 || sample >= record.timeUs.size())
        return notANumber;
    return (record.timeUs[sample] - record.triggerOffsetUs) / 1000.0;
}

int RecordAnalysis::nearestSample(const ComtradeRecord& record, double ms)
{
    const QVector<double>& times = record.timeUs;
    if (times.isEmpty())
        return -1;
    const double us = ms * 1000.0 + record.triggerOffsetUs;
    const int after = int(std::lower_bound(times.cbegin(), times.cend(), us) - times.cbegin());
    if (after == 0)
        return 0;
    if (after == times.size())
        return after - 1;
    return us - times[after - 1] <= times[after] - us ? after - 1 : after;
}

QVector<ChannelAnalysis> RecordAnalysis::channelsAt(int sample, int reference) const
{
    QVector<ChannelAnalysis> channels;
    channels.reserve(source.analog.size());
    QVector<std::complex<double>> fundamentals;
    for (const ComtradeAnalogChannel& channel : source.analog) {
        ChannelAnalysis result{notANumber, notANumber, Phasor::unknown(),
                               QVector<double>(CycleMeasure::highestOrder - 1, notANumber),
                               notANumber};
        std::complex<double> fundamental(notANumber, notANumber);
        if (sample >= 0 && sample < channel.values.size()) {
            result.instant = channel.values[sample];
            const QVector<std::complex<double>> orders =
                CycleMeasure::harmonics(source.timeUs, channel.values, sample, lineFrequency);
            if (!orders.isEmpty()) {
                fundamental = orders[1];
                result.rms = cycleRms(
                    channel.values, CycleMeasure::cycleStart(source.timeUs, sample, lineFrequency),
                    sample);
                result.harmonicPercent = harmonicPercent(orders);
                result.thdPercent = thdPercent(orders);
            }
        }
        fundamentals.append(fundamental);
        channels.append(result);
    }
    // Angles from the reference: the cycle's own phase origin cancels out.
    std::complex<double> turn(notANumber, notANumber);
    if (reference >= 0 && reference < fundamentals.size() && std::abs(fundamentals[reference]) > 0)
        turn = std::conj(fundamentals[reference]) / std::abs(fundamentals[reference]);
    for (int i = 0; i < channels.size(); ++i) {
        channels[i].phasor = Phasor::of(fundamentals[i] * turn);
        if (std::isnan(turn.real()) && !std::isnan(fundamentals[i].real()))
            channels[i].phasor.magnitude = std::abs(fundamentals[i]);
    }
    return channels;
}

SequenceValues RecordAnalysis::sequence(const PhaseTriple& triple,
                                        const QVector<ChannelAnalysis>& channels)
{
    const auto phasorOf = [&channels](int channel) {
        return channel >= 0 && channel < channels.size() ? channels[channel].phasor
                                                         : Phasor::unknown();
    };
    return SequenceComponents::compute(phasorOf(triple.phase[0]), phasorOf(triple.phase[1]),
                                       phasorOf(triple.phase[2]), phasorOf(triple.residual));
}
