#ifndef TALVIK_RELAY_RELAYMAP_H
#define TALVIK_RELAY_RELAYMAP_H

#include <cstdint>

// The relay's memory map as far as more than one part of the client needs it:
// the size of the register image, the registers of the measured values and of
// the settings the client acts on, the meaning of the bits of its two
// bit-field registers, the command coils, and the files of its fault records
// and of its event journal with their layout. Each of these numbers is
// written here and nowhere else; the product, the demo relay, the test relay
// and the benchmarks take them from here.
struct RelayMap
{
    // Holding registers 0..84 and coils 0..7.
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
    // Registers 0..7 are the relay's live values (the measured values and the
    // two bit fields); the settings start after them.
    static constexpr uint16_t liveRegisterCount = 8;
    static constexpr uint16_t firstSettingRegister = liveRegisterCount;

    // Settings the measured values depend on.
    static constexpr uint16_t directionalEarthFaultRegister = 41;
    static constexpr uint16_t currentRatioRegister = 52;
    static constexpr uint16_t residualCurrentRatioRegister = 53;
    static constexpr uint16_t voltageRatioRegister = 54;
    static constexpr uint16_t executionRegister = 55;
    static constexpr int twoPhaseExecution = 1;
    static constexpr int switchedOn = 1;
    // Settings the demo relay's feeder acts on: МТЗ-1's time and the
    // oscillograph's recording time, both in hundredths of a second.
    static constexpr uint16_t mtz1TimeRegister = 10;
    static constexpr uint16_t oscillographTimeRegister = 64;

    // The relay accepts a settings write only right after this register has
    // been written with the password, so every saved value costs two writes.
    static constexpr uint16_t passwordRegister = 71;
    // The ring position of the newest journal entry (0..29); the relay's own,
    // never written by the client.
    static constexpr uint16_t journalPointerRegister = 74;

    // The remote-command coils: "Квитирование" (the LEDs go out), then the
    // outputs in the relay's own order DO1, DO2, DO3_1, DO4, DO5, DO6, DO3_2.
    // A command is a pulse: the coil is written on, then off.
    static constexpr uint16_t acknowledgeCoil = 0;
    static constexpr uint16_t coilDO1 = 1;
    static constexpr uint16_t coilDO2 = 2;
    static constexpr uint16_t coilDO3_1 = 3;
    static constexpr uint16_t coilDO4 = 4;
    static constexpr uint16_t coilDO5 = 5;
    static constexpr uint16_t coilDO6 = 6;
    static constexpr uint16_t coilDO3_2 = 7;

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

    // Files (function 20): the fault records in files 0..2, then the event
    // journal, one entry a file, in files 3..32.
    static constexpr int recordFileCount = 3;
    static constexpr uint16_t firstJournalFile = recordFileCount;
    static constexpr int journalEntryCount = 30;
    static constexpr int fileCount = firstJournalFile + journalEntryCount;

    // A fault record's file: the header at record numbers 0..19, then the
    // samples, 7 registers each. Every multi-byte field in a file is
    // little-endian, unlike the big-endian Modbus fields around it.
    static constexpr int recordHeaderBytes = 40;
    static constexpr int recordSampleBytes = 14;
    // The recorder keeps this many samples (0.2 s) from before the trigger,
    // and samples 600 times a second.
    static constexpr int preFaultSamples = 120;
    static constexpr int samplesPerSecond = 600;
    // A journal entry: 12 registers at record number 0 of its file.
    static constexpr int journalEntryBytes = 24;
};

#endif
