#ifndef TALVIK_ANALYSIS_SEQUENCECOMPONENTS_H
#define TALVIK_ANALYSIS_SEQUENCECOMPONENTS_H

#include "analysis/Phasor.h"

#include <QString>
#include <QVector>

struct ComtradeAnalogChannel;

// Three analog channels of one quantity that are the phases A, B and C of
// one circuit, found by the .cfg's phase field or by the channels' names
// ("PhaseA", "Ia", "UB", "I L3" …), and a measured residual channel of the
// same quantity ("3I0", "3U0", phase "N") when the record has one.
struct PhaseTriple
{
    enum class Quantity
    {
        Current,
        Voltage
    };

    Quantity quantity = Quantity::Current;
    QString unit;
    // Analog channel positions (0-based) of phases A, B and C.
    int phase[3] = {-1, -1, -1};
    // The measured 3I0 or 3U0, -1 when none.
    int residual = -1;

    // "I" or "U": the letter the components are named with (I1, U0 …).
    QString letter() const;
};

// The symmetrical components of one triple at one moment:
// a = 1∠120°, X1 = (Xa + a·Xb + a²·Xc)/3, X2 = (Xa + a²·Xb + a·Xc)/3,
// X0 = (Xa + Xb + Xc)/3.
struct SequenceValues
{
    Phasor positive;
    Phasor negative;
    Phasor zero;
    // |X2| / |X1| in %, NaN when X1 is zero.
    double unbalancePercent;
    // 3·X0 from the phases, beside the measured residual (unknown without one).
    Phasor computedResidual;
    Phasor measuredResidual;
};

class SequenceComponents
{
public:
    // Every triple the channels hold, in the order of their phase A.
    static QVector<PhaseTriple> findTriples(const QVector<ComtradeAnalogChannel>& channels);

    // From the phases' phasors (and the residual's, which may be unknown).
    static SequenceValues compute(const Phasor& a, const Phasor& b, const Phasor& c,
                                  const Phasor& residual);

    // 'A', 'B', 'C', or 0 when the channel names no phase; `prefix` receives
    // what the name holds before its phase letters ("Phase", "I"), empty
    // when the phase came from the phase field.
    static char phaseOf(const ComtradeAnalogChannel& channel, QString* prefix);

private:
    SequenceComponents() = delete;
};

#endif
