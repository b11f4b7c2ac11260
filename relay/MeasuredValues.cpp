#include "relay/MeasuredValues.h"

#include "relay/IModBusDev.h"
#include "relay/RelayMap.h"

namespace {

// A ratio read from the relay is not held to the limits of the ratio spin
// boxes: with one above 32767 the product no longer fits a signed 32-bit int.
qint64 product(uint16_t value, uint16_t ratio)
{
    return static_cast<qint64>(value) * static_cast<qint64>(ratio);
}

} // namespace

MeasuredValues MeasuredValues::read(const IModBusDev& device)
{
    MeasuredValues values;
    values.ia = phaseCurrent(device, RelayMap::iaRegister);
    if (!isTwoPhase(device))
        values.ib = phaseCurrent(device, RelayMap::ibRegister);
    values.ic = phaseCurrent(device, RelayMap::icRegister);
    values.residualCurrent = residualCurrentOf(device, RelayMap::residualCurrentRegister);
    if (isDirectional(device)) {
        values.residualVoltage = residualVoltageOf(device, RelayMap::residualVoltageRegister);
        values.angle = angleOf(device, RelayMap::angleRegister);
    }
    values.leds = device.getRegister(RelayMap::ledsRegister);
    values.inputsOutputs = device.getRegister(RelayMap::inputsOutputsRegister);
    return values;
}

double MeasuredValues::phaseCurrent(const IModBusDev& device, uint16_t reg)
{
    const uint16_t ratio = device.getRegister(RelayMap::currentRatioRegister);
    return product(device.getRegister(reg), ratio) / 100.0;
}

double MeasuredValues::residualCurrentOf(const IModBusDev& device, uint16_t reg)
{
    const uint16_t ratio = device.getRegister(RelayMap::residualCurrentRatioRegister);
    return product(device.getRegister(reg), ratio) / 100.0;
}

qint64 MeasuredValues::residualVoltageOf(const IModBusDev& device, uint16_t reg)
{
    return product(device.getRegister(reg), device.getRegister(RelayMap::voltageRatioRegister));
}

double MeasuredValues::angleOf(const IModBusDev& device, uint16_t reg)
{
    return device.getRegister(reg) / 10.0;
}

bool MeasuredValues::isTwoPhase(const IModBusDev& device)
{
    return device.getRegister(RelayMap::executionRegister) == RelayMap::twoPhaseExecution;
}

bool MeasuredValues::isDirectional(const IModBusDev& device)
{
    return static_cast<int16_t>(device.getRegister(RelayMap::directionalEarthFaultRegister)) ==
           RelayMap::switchedOn;
}

QString MeasuredValues::fixed2(double value)
{
    // QString::number always uses "." whatever the user's locale.
    return QString::number(value, 'f', 2);
}

QString MeasuredValues::voltageText(qint64 value)
{
    return QString::number(value);
}
