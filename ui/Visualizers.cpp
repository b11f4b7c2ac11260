#include "ui/Visualizers.h"

#include "relay/IModBusDev.h"
#include "relay/MeasuredValues.h"
#include "relay/RelayMap.h"

#include <QAbstractButton>
#include <QLabel>
#include <QString>

namespace {

void setText(QLabel* label, const QString& text)
{
    if (label != nullptr)
        label->setText(text);
}

} // namespace

PhaseCurrentsVisualizer::PhaseCurrentsVisualizer(QLabel* ia, QLabel* ib, QLabel* ic,
                                                 IModBusDev* device)
    : ia(ia), ib(ib), ic(ic), device(device)
{
}

void PhaseCurrentsVisualizer::visualize()
{
    if (device == nullptr)
        return;
    setText(ia,
            MeasuredValues::fixed2(MeasuredValues::phaseCurrent(*device, RelayMap::iaRegister)));
    setText(ic,
            MeasuredValues::fixed2(MeasuredValues::phaseCurrent(*device, RelayMap::icRegister)));
    if (MeasuredValues::isTwoPhase(*device))
        setText(ib, QString());
    else
        setText(ib, MeasuredValues::fixed2(
                        MeasuredValues::phaseCurrent(*device, RelayMap::ibRegister)));
}

MeasuredCurrent3I0Visualizer::MeasuredCurrent3I0Visualizer(QLabel* label, IModBusDev* device,
                                                           uint16_t reg)
    : label(label), reg(reg), device(device)
{
}

void MeasuredCurrent3I0Visualizer::visualize()
{
    if (device == nullptr)
        return;
    setText(label, MeasuredValues::fixed2(MeasuredValues::residualCurrentOf(*device, reg)));
}

MeasuredVoltageVisualizer::MeasuredVoltageVisualizer(QLabel* label, IModBusDev* device,
                                                     uint16_t reg)
    : label(label), reg(reg), device(device)
{
}

void MeasuredVoltageVisualizer::visualize()
{
    if (device == nullptr)
        return;
    if (!MeasuredValues::isDirectional(*device)) {
        setText(label, QString());
        return;
    }
    setText(label, MeasuredValues::voltageText(MeasuredValues::residualVoltageOf(*device, reg)));
}

MeasuredAngleVisualizer::MeasuredAngleVisualizer(QLabel* label, IModBusDev* device, uint16_t reg)
    : label(label), reg(reg), device(device)
{
}

void MeasuredAngleVisualizer::visualize()
{
    if (device == nullptr)
        return;
    if (!MeasuredValues::isDirectional(*device)) {
        setText(label, QString());
        return;
    }
    setText(label, MeasuredValues::fixed2(MeasuredValues::angleOf(*device, reg)));
}

BinaryVisualizer::BinaryVisualizer(const QList<QAbstractButton*>& buttons, IModBusDev* device,
                                   uint16_t reg)
    : buttons(buttons), reg(reg), device(device)
{
}

void BinaryVisualizer::visualize()
{
    if (device == nullptr)
        return;
    const uint16_t value = device->getRegister(reg);
    for (int bit = 0; bit < buttons.size(); ++bit) {
        QAbstractButton* button = buttons.at(bit);
        if (button == nullptr)
            continue;
        // A register has 16 bits; buttons past them have nothing to show.
        button->setChecked(bit < 16 && ((value >> bit) & 1u) != 0);
    }
}
