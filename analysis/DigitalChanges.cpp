#include "analysis/DigitalChanges.h"

#include "comtrade/ComtradeReader.h"

#include <algorithm>

DigitalChanges::DigitalChanges(const ComtradeRecord& record)
{
    for (int channel = 0; channel < record.digital.size(); ++channel) {
        const QVector<uint8_t>& states = record.digital[channel].states;
        for (int i = 1; i < states.size(); ++i) {
            if (states[i] != states[i - 1])
                changes.append({i, channel, states[i - 1], states[i]});
        }
    }
    std::stable_sort(
        changes.begin(), changes.end(),
        [](const DigitalChange& a, const DigitalChange& b) { return a.sample < b.sample; });
}

int DigitalChanges::nearestChange(int sample) const
{
    if (changes.isEmpty())
        return -1;
    const auto after = std::lower_bound(
        changes.cbegin(), changes.cend(), sample,
        [](const DigitalChange& change, int value) { return change.sample < value; });
    if (after == changes.cbegin())
        return after->sample;
    if (after == changes.cend())
        return (after - 1)->sample;
    const int before = (after - 1)->sample;
    return sample - before <= after->sample - sample ? before : after->sample;
}
