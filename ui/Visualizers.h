#ifndef TALVIK_UI_VISUALIZERS_H
#define TALVIK_UI_VISUALIZERS_H

#include "ui/IVisualizer.h"

#include <QList>

#include <cstdint>

class IModBusDev;
class QAbstractButton;
class QLabel;

// The visualizers show live values of the register image in read-only
// widgets. They own neither the widgets nor the image; a null widget (one the
// form does not have) is left out.

// Phase currents Ia, Ib, Ic: secondary hundredths of an ampere (registers
// 0, 1, 2) times the current transformer ratio (register 52), in amperes.
// In the two-phase execution (register 55 = 1) there is no Ib.
class PhaseCurrentsVisualizer : public IVisualizer
{
public:
    PhaseCurrentsVisualizer(QLabel* ia, QLabel* ib, QLabel* ic, IModBusDev* device);
    void visualize() override;

private:
    QLabel* ia;
    QLabel* ib;
    QLabel* ic;
    IModBusDev* device;
};

// Residual current 3I0 times the zero-sequence transformer ratio (register 53).
class MeasuredCurrent3I0Visualizer : public IVisualizer
{
public:
    MeasuredCurrent3I0Visualizer(QLabel* label, IModBusDev* device, uint16_t reg);
    void visualize() override;

private:
    QLabel* label;
    uint16_t reg;
    IModBusDev* device;
};

// Residual voltage 3U0 times the voltage transformer ratio (register 54),
// shown only while directional earth-fault protection is on (register 41).
class MeasuredVoltageVisualizer : public IVisualizer
{
public:
    MeasuredVoltageVisualizer(QLabel* label, IModBusDev* device, uint16_t reg);
    void visualize() override;

private:
    QLabel* label;
    uint16_t reg;
    IModBusDev* device;
};

// The angle between 3I0 and 3U0 in tenths of a degree, shown only while
// directional earth-fault protection is on (register 41).
class MeasuredAngleVisualizer : public IVisualizer
{
public:
    MeasuredAngleVisualizer(QLabel* label, IModBusDev* device, uint16_t reg);
    void visualize() override;

private:
    QLabel* label;
    uint16_t reg;
    IModBusDev* device;
};

// A bit field: button i is checked when bit i of the register is set.
class BinaryVisualizer : public IVisualizer
{
public:
    BinaryVisualizer(const QList<QAbstractButton*>& buttons, IModBusDev* device, uint16_t reg);
    void visualize() override;

private:
    QList<QAbstractButton*> buttons;
    uint16_t reg;
    IModBusDev* device;
};

#endif
