#ifndef TALVIK_RELAY_SETTINGSVERIFIER_H
#define TALVIK_RELAY_SETTINGSVERIFIER_H

#include "relay/ConfigFile.h"
#include "relay/IWriteTracker.h"

#include <QObject>
#include <QPointer>
#include <QVector>

#include <cstdint>

class ModBusDevice;
class QTimer;

// Checks a batch of settings writes against what the relay holds afterwards.
// While a batch runs it follows every write the image queues and how it
// ended; once the last one has ended it reads back every written register
// (function 3, the ranges that cover them) and reports, register by
// register, the value intended, the value read back and how its write ended.
// Nothing is written again: what the relay holds is the answer.
class SettingsVerifier : public QObject, public IWriteTracker
{
    Q_OBJECT

public:
    enum class Outcome
    {
        Waiting,
        Written,
        Refused, // an exception answer
        Timeout,
        Failed, // the line garbled the answer or another slave answered
        Lost    // dropped from the queue (polling stopped) or never ended
    };

    struct Check
    {
        uint16_t reg = 0;
        uint16_t intended = 0;
        Outcome outcome = Outcome::Waiting;
        uint8_t exceptionCode = 0;
        bool readBack = false;
        uint16_t actual = 0;

        bool holds() const { return readBack && actual == intended; }
    };

    // A step of the batch (a write or a read) that has not ended after this
    // long is taken as lost.
    static constexpr int stepTimeoutMs = 5000;
    // Written registers at most this far apart are read back in one request.
    static constexpr int maxGap = 4;

    explicit SettingsVerifier(ModBusDevice* device, QObject* parent = nullptr);
    ~SettingsVerifier() override;

    // Follows the writes queued from now until endBatch(). False while an
    // earlier batch is still being checked.
    bool beginBatch();
    // No more writes; the read-back follows once they have all ended. A batch
    // without a setting write ends quietly.
    void endBatch();
    // The batch of a settings file or a comparison: every value written after
    // the password, then read back; verified() follows. Should an earlier
    // batch still be checked, the values are written unchecked.
    void writeChecked(const QVector<ConfigFile::RegisterValue>& values, uint16_t password);
    bool isBusy() const { return phase != Phase::Idle; }

    // IWriteTracker
    void writeQueued(uint16_t start, uint16_t count, const uint16_t* values) override;
    void holdingRegsRead(uint16_t start, const uint16_t* values, uint16_t count) override;
    void multipleRegsWritten(uint16_t start, const uint16_t* values, uint16_t count) override;
    void coilsRead(uint16_t start, const uint8_t* states, uint16_t count) override;
    void coilWritten(uint16_t coil, bool value) override;
    void fileRecordRead(uint16_t fileNumber, uint16_t recordNumber, const uint8_t* data,
                        uint16_t byteCount) override;
    void responseTimeout() override;
    void requestFailed(Failure failure) override;

signals:
    // A batch begins, before its first write is queued: the image still
    // shows what the relay held.
    void batchStarted();
    void verified(const QVector<SettingsVerifier::Check>& checks);

private:
    Q_DISABLE_COPY(SettingsVerifier)

    enum class Phase
    {
        Idle,
        Writing,
        Reading
    };

    struct Write
    {
        uint16_t start;
        uint16_t value;
        Outcome outcome;
        uint8_t exceptionCode;
    };
    struct Read
    {
        uint16_t start;
        uint16_t count;
    };

    void endWrite(Outcome outcome, uint8_t exceptionCode = 0);
    void endRead();
    void advance();
    void startReading();
    void finish();
    void stepTimedOut();

    // The poller may go first when both belong to the same window.
    QPointer<ModBusDevice> device;
    QTimer* watchdog;
    Phase phase = Phase::Idle;
    bool batchOpen = false;
    QVector<Write> writes;
    int writesEnded = 0;
    QVector<Read> reads;
    int readsEnded = 0;
    QVector<Check> checks;
};

#endif
