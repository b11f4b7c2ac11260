#ifndef TALVIK_RELAY_MEASUREDVALUES_H
#define TALVIK_RELAY_MEASUREDVALUES_H

#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <optional>

class IModBusDev;

// The relay's live values as the client shows them, computed from the
// register image: currents and voltage on the primary side (the secondary
// values times the transformer ratios), the angle in degrees, and the two bit
// fields as they are. The window's labels and the command line both take
// their numbers and texts from here.
struct MeasuredValues
{
    // Empty where the window leaves its label empty: Ib in the two-phase
    // execution, 3U0 and the angle while directional earth-fault protection
    // is off.
    std::optional<double> ia;
    std::optional<double> ib;
    std::optional<double> ic;
    double residualCurrent = 0.0;
    std::optional<qint64> residualVoltage;
    std::optional<double> angle;
    uint16_t leds = 0;
    uint16_t inputsOutputs = 0;

    static MeasuredValues read(const IModBusDev& device);

    // One value each, from the register given; the ratios and switches come
    // from their fixed registers.
    static double phaseCurrent(const IModBusDev& device, uint16_t reg);
    static double residualCurrentOf(const IModBusDev& device, uint16_t reg);
    static qint64 residualVoltageOf(const IModBusDev& device, uint16_t reg);
    static double angleOf(const IModBusDev& device, uint16_t reg);
    static bool isTwoPhase(const IModBusDev& device);
    static bool isDirectional(const IModBusDev& device);

    // The texts of the window: two decimals for currents and the angle, whole
    // volts, always with a point whatever the locale.
    static QString fixed2(double value);
    static QString voltageText(qint64 value);
};

#endif
