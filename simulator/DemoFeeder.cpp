#include "simulator/DemoFeeder.h"

#include "records/ComtradeWriter.h"
#include "records/CrashProcessHeader.h"
#include "records/JournalEntry.h"
#include "relay/RelayMap.h"

#include <cmath>

namespace {

// Bits of the inputs/outputs and LED registers.
constexpr uint16_t breakerClosedInput = 1u << 0; // DI1
constexpr uint16_t tripOutput = 1u << 4;         // DO1
constexpr uint16_t pickupOutput = 1u << 6;       // DO3_1, "Пуск на DO3"
constexpr uint16_t mtz1Led = 1u << 0;
constexpr uint16_t breakerOpenLed = 1u << 5; // РПВ/РПО
constexpr uint16_t healthyLed = 1u << 7;     // Исправно

constexpr uint8_t mtz1JournalType = 1;
constexpr int samplesPerSecond = RelayMap::samplesPerSecond;
constexpr int recordCount = RelayMap::recordFileCount;
constexpr int journalSize = RelayMap::journalEntryCount;
constexpr double pi = 3.14159265358979323846;
constexpr double mainsHz = 50.0;
// A typical time constant of a feeder's fault current offset.
constexpr double offsetDecaySeconds = 0.04;

// Deterministic noise in [-1, 1] for a tick of simulated time and a channel.
double noise(qint64 tick, int channel)
{
    uint64_t x = static_cast<uint64_t>(tick) * 0x9E3779B97F4A7C15ull +
                 uint64_t(channel) * 0xBF58476D1CE4E5B9ull;
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    x ^= x >> 31;
    return static_cast<double>(x % 20001) / 10000.0 - 1.0;
}

// The load in one phase relative to its mean: a slow drift over ten minutes
// and noise, together within ±2 %.
double loadFactor(qint64 t, int phase)
{
    const double drift = 0.012 * std::sin(2 * pi * double(t) / 600000.0 + 0.7 * phase);
    return 1.0 + drift + 0.008 * noise(t / 200, phase);
}

uint16_t ratioOf(const uint16_t* registers, int reg)
{
    return registers[reg] == 0 ? 1 : registers[reg];
}

uint16_t clampRegister(double value)
{
    return static_cast<uint16_t>(qBound(0.0, std::round(value), 65535.0));
}

} // namespace

DemoFeeder::DemoFeeder(const QDateTime& start)
    : startTime(start), records(recordCount), journal(journalSize)
{
    clock.start();
    JournalEntry empty;
    for (QByteArray& slot : journal)
        slot = empty.encode();
}

void DemoFeeder::setDefaults(uint16_t* registers)
{
    struct Setting
    {
        int reg;
        uint16_t value;
    };
    // A 300/5 A feeder: МТЗ-1 at 5 A secondary after 0.5 s, МТЗ-2 at 4 A
    // after 1 s, ТО at 20 A, directional earth-fault protection on, and
    // settings the editors can show.
    const Setting settings[] = {
        {8, 1},    {9, 500}, {10, 50},  {20, 400}, {21, 100},  {29, 2000}, {36, 20},
        {37, 100}, {41, 1},  {42, 900}, {43, 900}, {49, 1000}, {50, 100},  {52, 60},
        {53, 10},  {54, 1},  {61, 1},   {64, 100}, {69, 200},  {76, 50},   {78, 30},
    };
    for (const Setting& setting : settings)
        registers[setting.reg] = setting.value;
}

CrashProcessHeader DemoFeeder::headerTemplate()
{
    CrashProcessHeader header;
    header.gainIa = header.gainIb = header.gainIc = header.gain3I0 = header.gain3U0 = 0x0400;
    header.scalePhase = 1949;
    header.scale3I0 = 8066;
    header.scale3U0 = 1905;
    header.reserved28 = 1;
    header.valid = 1;
    return header;
}

void DemoFeeder::setTimeScale(int factor)
{
    simulatedBase = now();
    realBase = clock.elapsed();
    timeScale = qMax(1, factor);
}

qint64 DemoFeeder::now() const
{
    return simulatedBase + (clock.elapsed() - realBase) * timeScale;
}

QDateTime DemoFeeder::wallTime(qint64 simulatedMs) const
{
    return startTime.addMSecs(simulatedMs);
}

qint64 DemoFeeder::tripDelayMs(const uint16_t* registers)
{
    // Hundredths of a second; the relay needs some time even at zero.
    return qMax<qint64>(20, qint64(registers[RelayMap::mtz1TimeRegister]) * 10);
}

void DemoFeeder::advance(const uint16_t* registers)
{
    const qint64 t = now();
    while (inceptionOf(faultsDone) + tripDelayMs(registers) <= t) {
        makeFault(faultsDone, registers);
        ++faultsDone;
    }
}

void DemoFeeder::acknowledge()
{
    acknowledgedAt = now();
}

void DemoFeeder::makeFault(int fault, const uint16_t* registers)
{
    records[fault % recordCount] = faultRecord(fault, registers);
    journal[fault % journalSize] = faultJournalEntry(fault, registers);
}

void DemoFeeder::liveRegisters(const uint16_t* registers, qint64 t, uint16_t* live) const
{
    const double ratio = ratioOf(registers, RelayMap::currentRatioRegister);
    const double secondaryHundredths = loadPrimaryAmperes * 100.0 / ratio;
    uint16_t inputsOutputs = breakerClosedInput;
    uint16_t leds = healthyLed;
    double multiple = 1.0;

    const qint64 latest = t < faultOffsetMs ? -1 : (t - faultOffsetMs) / faultPeriodMs;
    if (latest >= 0) {
        const qint64 inception = inceptionOf(int(latest));
        const qint64 since = t - inception;
        const qint64 trip = tripDelayMs(registers);
        if (since < trip + breakerMs) {
            multiple = faultMultiple;
            inputsOutputs |= pickupOutput;
        } else if (since < trip + recloseMs) {
            multiple = 0.0;
            inputsOutputs &= ~breakerClosedInput;
            leds |= breakerOpenLed;
        }
        if (since >= trip && since < trip + tripPulseMs)
            inputsOutputs |= tripOutput;
        // Latched from the pickup until acknowledged.
        if (acknowledgedAt < inception)
            leds |= mtz1Led;
    }

    for (int phase = 0; phase < 3; ++phase)
        live[RelayMap::iaRegister + phase] =
            clampRegister(secondaryHundredths * multiple * loadFactor(t, phase));
    // About 3 A primary of residual current, a volt of residual voltage,
    // and the angle between them near 95°.
    live[RelayMap::residualCurrentRegister] =
        clampRegister(300.0 / ratioOf(registers, RelayMap::residualCurrentRatioRegister) *
                      (1.0 + 0.05 * noise(t / 200, 3)));
    live[RelayMap::residualVoltageRegister] = clampRegister(
        (1.0 + 0.4 * noise(t / 200, 4)) / ratioOf(registers, RelayMap::voltageRatioRegister));
    live[RelayMap::angleRegister] = clampRegister(950 + 20 * noise(t / 200, 5));
    live[RelayMap::inputsOutputsRegister] = inputsOutputs;
    live[RelayMap::ledsRegister] = leds;
}

QByteArray DemoFeeder::faultRecord(int fault, const uint16_t* registers) const
{
    CrashProcessHeader header = headerTemplate();
    const QDateTime at = wallTime(inceptionOf(fault));
    header.year = static_cast<uint8_t>(at.date().year() - 2000);
    header.month = static_cast<uint8_t>(at.date().month());
    header.day = static_cast<uint8_t>(at.date().day());
    header.hour = static_cast<uint8_t>(at.time().hour());
    header.minute = static_cast<uint8_t>(at.time().minute());
    header.second = static_cast<uint8_t>(at.time().second());
    header.millisecond = static_cast<uint16_t>(at.time().msec());
    header.ratioPhase = ratioOf(registers, RelayMap::currentRatioRegister);
    header.ratio3I0 = ratioOf(registers, RelayMap::residualCurrentRatioRegister);
    // The oscillograph's recording time, in hundredths of a second.
    header.faultSamples = static_cast<uint16_t>(
        qBound(120, registers[RelayMap::oscillographTimeRegister] * samplesPerSecond / 100, 600));
    header.checksum = header.expectedChecksum();

    const double phaseCount = ComtradeWriter::phaseMultiplier(header);
    const double residualCount = ComtradeWriter::residualCurrentMultiplier(header);
    const double voltageCount = ComtradeWriter::residualVoltageMultiplier(header);
    const double loadPeak = loadPrimaryAmperes / header.ratioPhase * std::sqrt(2.0);
    const double residualPeak = 3.0 / header.ratio3I0 * std::sqrt(2.0);
    const double trip = tripDelayMs(registers) / 1000.0;
    const double cleared = trip + breakerMs / 1000.0;
    // The fault current lags its voltage by a feeder's typical 60°.
    const double lag = pi / 3;

    QByteArray bytes = header.encode();
    const int total = header.sampleCount();
    const int faultSamples = header.faultSamples;
    for (int k = 0; k < total; ++k) {
        // The relay stores the samples from the trigger on first, then its
        // ring of the 120 before it, the oldest at the ring position (0).
        const int fromTrigger =
            k < faultSamples ? k : k - faultSamples - CrashProcessHeader::preFaultSamples;
        // Seconds from the fault's inception, negative before it.
        const double s = double(fromTrigger) / samplesPerSecond;
        const double wt = 2 * pi * mainsHz * s;
        CrashProcessSample sample;
        double phases[3];
        for (int phase = 0; phase < 3; ++phase) {
            const double shift = -2 * pi / 3 * phase;
            if (s < 0) {
                phases[phase] = loadPeak * std::sin(wt + shift);
            } else if (s < cleared) {
                // Sine and a decaying offset that starts it from zero.
                const double peak = faultMultiple * loadPeak;
                phases[phase] = peak * (std::sin(wt + shift - lag) -
                                        std::sin(shift - lag) * std::exp(-s / offsetDecaySeconds));
            } else {
                phases[phase] = 0.0;
            }
        }
        sample.ia = static_cast<int16_t>(std::lround(phases[0] / phaseCount));
        sample.ib = static_cast<int16_t>(std::lround(phases[1] / phaseCount));
        sample.ic = static_cast<int16_t>(std::lround(phases[2] / phaseCount));
        const double residual = s < cleared ? residualPeak * std::sin(wt + 0.3) : 0.0;
        sample.i3I0 = static_cast<int16_t>(std::lround(residual / residualCount));
        sample.u3U0 = static_cast<int16_t>(std::lround(std::sin(wt + 1.9) / voltageCount));
        uint16_t discrete = s < cleared ? breakerClosedInput : 0;
        if (s >= 0 && s < cleared)
            discrete |= pickupOutput;
        if (s >= trip)
            discrete |= tripOutput;
        sample.discrete = discrete;
        bytes.append(sample.encode());
    }
    return bytes;
}

QByteArray DemoFeeder::faultJournalEntry(int fault, const uint16_t* registers) const
{
    const CrashProcessHeader scales = headerTemplate();
    const QDateTime at = wallTime(inceptionOf(fault) + tripDelayMs(registers));
    JournalEntry entry;
    entry.type = mtz1JournalType;
    const double faultSecondary =
        faultMultiple * loadPrimaryAmperes / ratioOf(registers, RelayMap::currentRatioRegister);
    // The relay keeps a phase current scaled to its 5 A rating.
    entry.current = clampRegister(faultSecondary * scales.scalePhase / 5.0);
    entry.millisecond = static_cast<uint16_t>(at.time().msec());
    entry.second = static_cast<uint8_t>(at.time().second());
    entry.minute = static_cast<uint8_t>(at.time().minute());
    entry.hour = static_cast<uint8_t>(at.time().hour());
    entry.day = static_cast<uint8_t>(at.date().day());
    entry.month = static_cast<uint8_t>(at.date().month());
    entry.year = static_cast<uint16_t>(at.date().year() - 2000);
    entry.ratioPhase = ratioOf(registers, RelayMap::currentRatioRegister);
    entry.ratio3I0 = ratioOf(registers, RelayMap::residualCurrentRatioRegister);
    entry.scalePhase = scales.scalePhase;
    entry.scale3I0 = scales.scale3I0;
    return entry.encode();
}

QByteArray DemoFeeder::record(int file) const
{
    return file >= 0 && file < recordCount ? records.at(file) : QByteArray();
}

QByteArray DemoFeeder::journalEntry(int index) const
{
    return index >= 0 && index < journalSize ? journal.at(index) : QByteArray();
}

uint16_t DemoFeeder::journalPointer() const
{
    return faultsDone == 0 ? 0 : static_cast<uint16_t>((faultsDone - 1) % journalSize);
}
