#ifndef TALVIK_RECORDS_CRASHPROCESSHEADER_H
#define TALVIK_RECORDS_CRASHPROCESSHEADER_H

#include "relay/RelayMap.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// The 40-byte header of a fault record as the relay keeps it at record numbers
// 0..19 of the record's file. Every multi-byte field is little-endian inside
// the file, unlike the big-endian Modbus fields around it. The words the
// client does not interpret are kept as well, since the checksum covers them.
struct CrashProcessHeader
{
    static constexpr int size = RelayMap::recordHeaderBytes;
    // The recorder keeps 120 samples (0.2 s) from before the trigger.
    static constexpr int preFaultSamples = RelayMap::preFaultSamples;

    uint8_t year = 0; // year of the trigger minus 2000
    uint8_t month = 0;
    uint8_t day = 0;
    uint8_t hour = 0;
    uint8_t minute = 0;
    uint8_t second = 0;
    uint16_t millisecond = 0;
    uint16_t gainIa = 0; // calibration gains of the five analog channels
    uint16_t gainIb = 0;
    uint16_t gainIc = 0;
    uint16_t gain3I0 = 0;
    uint16_t gain3U0 = 0;
    uint16_t scalePhase = 0; // scale divisors
    uint16_t scale3I0 = 0;
    uint16_t scale3U0 = 0;
    uint16_t ratioPhase = 0; // current transformer ratios
    uint16_t ratio3I0 = 0;
    uint16_t reserved28 = 0;
    uint16_t ringPosition = 0; // oldest pre-fault sample in the 120-sample ring
    uint16_t reserved32 = 0;
    uint16_t faultSamples = 0; // F: samples recorded from the trigger on
    uint16_t reserved36 = 0;
    uint8_t valid = 0; // non-zero when the slot holds a record
    uint8_t checksum = 0;

    // data must hold at least `size` bytes.
    static CrashProcessHeader decode(const uint8_t* data);
    QByteArray encode() const;

    // Bitwise NOT of the 8-bit sum of bytes 0..38 of the encoded header.
    uint8_t expectedChecksum() const;
    // The slot holds a record: the checksum matches and `valid` is set.
    bool isValid() const;

    // N = F + 120, the number of samples stored in the record.
    int sampleCount() const { return faultSamples + preFaultSamples; }

    // "dd.MM.yyyy" and "hh:mm:ss.zzzz" of the trigger, as the record list, the
    // details and the exported file names show them.
    QString dateText() const;
    QString timeText() const;

    // Durations at 600 samples a second, in seconds, and their texts in the
    // record details: the fault part with three decimals (600 samples give
    // "1.000"), the pre-fault part always 0.2.
    double faultSeconds() const;
    QString faultSecondsText() const;
    static double preFaultSeconds();
    static QString preFaultSecondsText();
};

// One 14-byte sample (7 registers) of a fault record; 600 samples per second.
struct CrashProcessSample
{
    static constexpr int size = RelayMap::recordSampleBytes;

    int16_t ia = 0; // ADC counts
    int16_t ib = 0;
    int16_t ic = 0;
    int16_t i3I0 = 0;
    int16_t u3U0 = 0;
    // Bits 0..10: DI1, DI2, DI3, DI4, DO1, DO2, DO3_1, DO4, DO5, DO6, DO3_2.
    uint16_t discrete = 0;
    uint16_t reserved = 0;

    // data must hold at least `size` bytes.
    static CrashProcessSample decode(const uint8_t* data);
    QByteArray encode() const;
};

#endif
