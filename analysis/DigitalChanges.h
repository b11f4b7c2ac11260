#ifndef TALVIK_ANALYSIS_DIGITALCHANGES_H
#define TALVIK_ANALYSIS_DIGITALCHANGES_H

#include <QVector>

struct ComtradeRecord;

// One change of state of a digital channel.
struct DigitalChange
{
    int sample;  // the first sample in the new state
    int channel; // position among the record's digital channels
    int from;    // 0 or 1
    int to;
};

// Every change of every digital channel of a record, in time order (the
// channels' order within one sample), found once: a record of a million
// samples is scanned in one pass.
class DigitalChanges
{
public:
    explicit DigitalChanges(const ComtradeRecord& record);

    const QVector<DigitalChange>& all() const { return changes; }
    // The sample of the change nearest to `sample` (the earlier one on a
    // tie), or -1 when the record has none.
    int nearestChange(int sample) const;

private:
    QVector<DigitalChange> changes;
};

#endif
