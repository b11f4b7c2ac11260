#include "presentation/Visualizers.h"

#include "device/IModBusDev.h"

#include <QAbstractButton>
#include <QLabel>
#include <QString>

namespace {

constexpr uint16_t iaRegister = 0;
constexpr uint16_t ibRegister = 1;
constexpr uint16_t icRegister = 2;
constexpr uint16_t directionalEarthFaultRegister = 41;
constexpr uint16_t currentRatioRegister = 52;
constexpr uint16_t residualCurrentRatioRegister = 53;
constexpr uint16_t voltageRatioRegister = 54;
constexpr uint16_t executionRegister = 55;
constexpr int twoPhaseExecution = 1;
constexpr int switchedOn = 1;

// QString::number always uses "." whatever the user's locale.
QString fixed2(double value)
{
    return QString::number(value, 'f', 2);
}

// A ratio read from the relay is not held to the limits of the ratio spin
// boxes: with one above 32767 the product no longer fits a signed 32-bit int.
qint64 product(uint16_t value, uint16_t ratio)
{
    return static_cast<qint64>(value) * static_cast<qint64>(ratio);
}

void setText(QLabel* label, const QString& text)
{
    if (label != nullptr)
        label->setText(text);
}

bool directionalOn(const IModBusDev* device)
{
    return static_cast<int16_t>(device->getRegister(directionalEarthFaultRegister)) == switchedOn;
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
    const uint16_t ratio = device->getRegister(currentRatioRegister);
    setText(ia, fixed2(product(device->getRegister(iaRegister), ratio) / 100.0));
    setText(ic, fixed2(product(device->getRegister(icRegister), ratio) / 100.0));
    if (device->getRegister(executionRegister) == twoPhaseExecution)
        setText(ib, QString());
    else
        setText(ib, fixed2(product(device->getRegister(ibRegister), ratio) / 100.0));
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
    const uint16_t ratio = device->getRegister(residualCurrentRatioRegister);
    setText(label, fixed2(product(device->getRegister(reg), ratio) / 100.0));
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
    if (!directionalOn(device)) {
        setText(label, QString());
        return;
    }
    const uint16_t ratio = device->getRegister(voltageRatioRegister);
    setText(label, QString::number(product(device->getRegister(reg), ratio)));
}

MeasuredAngleVisualizer::MeasuredAngleVisualizer(QLabel* label, IModBusDev* device, uint16_t reg)
    : label(label), reg(reg), device(device)
{
}

void MeasuredAngleVisualizer::visualize()
{
    if (device == nullptr)
        return;
    if (!directionalOn(device)) {
        setText(label, QString());
        return;
    }
    setText(label, fixed2(device->getRegister(reg) / 10.0));
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
