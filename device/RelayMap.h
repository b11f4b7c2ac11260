#ifndef TALVIK_DEVICE_RELAYMAP_H
#define TALVIK_DEVICE_RELAYMAP_H

#include <cstdint>

// The relay's memory map as far as more than one part of the client needs it:
// the size of the register image, the registers of the measured values and
// the meaning of the bits of its two bit-field registers.
struct RelayMap
{
    static constexpr uint16_t coilCount = 8;
    static constexpr uint16_t registerCount = 85;

    // Measured values: currents in secondary hundredths of an ampere, the
    // voltage in secondary volts, the angle in tenths of a degree.
    static constexpr uint16_t iaRegister = 0;
    static constexpr uint16_t ibRegister = 1;
    static constexpr uint16_t icRegister = 2;
    static constexpr uint16_t residualCurrentRegister = 3;
    static constexpr uint16_t residualVoltageRegister = 4;
    static constexpr uint16_t angleRegister = 5;
    static constexpr uint16_t inputsOutputsRegister = 6;
    static constexpr uint16_t ledsRegister = 7;

    // Settings the measured values depend on.
    static constexpr uint16_t directionalEarthFaultRegister = 41;
    static constexpr uint16_t currentRatioRegister = 52;
    static constexpr uint16_t residualCurrentRatioRegister = 53;
    static constexpr uint16_t voltageRatioRegister = 54;
    static constexpr uint16_t executionRegister = 55;
    static constexpr int twoPhaseExecution = 1;
    static constexpr int switchedOn = 1;

    // The bits of the LED register and of the inputs/outputs register, in bit
    // order, by the relay's own abbreviations (the window's indicators are
    // named after them). The first inputCount bits of the inputs/outputs
    // register are inputs, the rest outputs.
    static constexpr int ledCount = 9;
    static constexpr const char* ledNames[ledCount] = {
        "MTZ1", "MTZ2", "TO", "ZNZ", "APV", "OTKL", "DI4", "Isprav", "UROV",
    };
    static constexpr int inputOutputCount = 11;
    static constexpr int inputCount = 4;
    static constexpr const char* inputOutputNames[inputOutputCount] = {
        "DI1", "DI2", "DI3", "DI4", "DO1", "DO2", "DO3_1", "DO4", "DO5", "DO6", "DO3_2",
    };
};

#endif
