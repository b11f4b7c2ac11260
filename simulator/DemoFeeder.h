#ifndef TALVIK_SIMULATOR_DEMOFEEDER_H
#define TALVIK_SIMULATOR_DEMOFEEDER_H

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QVector>

#include <cstdint>

struct CrashProcessHeader;

// The demo relay's feeder in service. Everything follows from the time since
// the demo started, so a test can predict it: balanced load currents of
// about 150 A primary with a slow drift and a little noise, a small residual
// current, and once a minute (at half past) a phase fault that МТЗ-1 picks
// up and trips after its time setting. Each trip leaves a journal entry and
// a fault record in the next of the three record files.
class DemoFeeder
{
public:
    // When in each simulated minute the fault begins, and its size.
    static constexpr qint64 faultPeriodMs = 60000;
    static constexpr qint64 faultOffsetMs = 30000;
    static constexpr int faultMultiple = 8;
    // The breaker opens this long after the trip command, and the feeder is
    // switched on again (auto-reclose) this long after the trip.
    static constexpr qint64 breakerMs = 60;
    static constexpr qint64 recloseMs = 5000;
    static constexpr qint64 tripPulseMs = 1000;
    static constexpr double loadPrimaryAmperes = 150.0;

    explicit DemoFeeder(const QDateTime& start = QDateTime::currentDateTime());

    // Settings of a feeder in service, written into a fresh register bank.
    static void setDefaults(uint16_t* registers);
    // The header every simulated record starts from: the calibration gains
    // and scale divisors of the relay's inputs, marked valid; no date, no
    // ratios, no samples and no checksum yet.
    static CrashProcessHeader headerTemplate();

    // Simulated time runs `factor` times faster than the real one.
    void setTimeScale(int factor);
    // Milliseconds of simulated time since the start.
    qint64 now() const;
    QDateTime wallTime(qint64 simulatedMs) const;

    // Processes every trip up to now with the settings as they are: its
    // journal entry and fault record.
    void advance(const uint16_t* registers);
    // Registers 0..7 (measured values, inputs/outputs, LEDs) at time t.
    void liveRegisters(const uint16_t* registers, qint64 t, uint16_t* live) const;
    // "Квитирование": the LEDs latched so far go out.
    void acknowledge();

    int faultCount() const { return faultsDone; }
    // The record made by the latest trip into file `file`, empty if none.
    QByteArray record(int file) const;
    // The 24 bytes of journal slot `index` (an empty slot until written).
    QByteArray journalEntry(int index) const;
    // The newest entry's slot (0 while the journal is empty).
    uint16_t journalPointer() const;

    static qint64 inceptionOf(int fault) { return fault * faultPeriodMs + faultOffsetMs; }
    static qint64 tripDelayMs(const uint16_t* registers);

private:
    void makeFault(int fault, const uint16_t* registers);
    QByteArray faultRecord(int fault, const uint16_t* registers) const;
    QByteArray faultJournalEntry(int fault, const uint16_t* registers) const;

    QDateTime startTime;
    QElapsedTimer clock;
    int timeScale = 1;
    // Simulated time gathered before the last change of scale.
    qint64 simulatedBase = 0;
    qint64 realBase = 0;
    int faultsDone = 0;
    qint64 acknowledgedAt = -1;
    QVector<QByteArray> records;
    QVector<QByteArray> journal;
};

#endif
