#ifndef TALVIK_RELAY_MODBUSDEVICE_H
#define TALVIK_RELAY_MODBUSDEVICE_H

#include "modbus/IModBusResponseListener.h"
#include "relay/IModBusDev.h"

#include <QElapsedTimer>
#include <QObject>
#include <QVector>

#include <cstdint>

class IModBusClient;
class IWriteTracker;
class QTimer;

// The register poller: keeps the client's copy of the relay's holding
// registers and command coils, reads the registers once per poll period and
// passes register and coil writes on to the Modbus client.
//
// The images change only when the relay answers: a write is queued with
// priority 1 (ahead of waiting poll reads) and its value shows in the image
// after the next poll has been answered; a coil takes the relay's echo.
class ModBusDevice : public QObject, public IModBusDev, public IModBusResponseListener
{
    Q_OBJECT
    Q_INTERFACES(IModBusDev IModBusResponseListener)

public:
    // Until the connection settings are first accepted the poller talks to
    // slave 1 every 1000 ms, the connection dialog's defaults.
    static constexpr uint8_t defaultDeviceAddress = 1;
    static constexpr int defaultPeriod = 1000;
    // A poll reads the image in blocks of at most this many registers, so the
    // 85 registers take three reads.
    static constexpr uint16_t readBlockSize = 32;
    static constexpr int32_t pollPriority = 0;
    static constexpr int32_t writePriority = 1;

    // Why a read of a poll brought no registers.
    // NoAnswer is the timeout; the next four are the client's failures (an
    // exception answer, an answer too short, a garbled answer, another
    // slave's); NotSent a read dropped from the queue before it was sent.
    enum class ReadFailure
    {
        NoAnswer,
        Refused,
        WrongLength,
        Garbled,
        OtherSlave,
        NotSent
    };
    struct FailedRead
    {
        uint16_t start;
        uint16_t count;
        ReadFailure failure;
    };

    ModBusDevice(uint16_t coilCount, uint16_t registerCount);
    ~ModBusDevice() override;

    // The client is not owned; with none, nothing is ever queued.
    void setClient(IModBusClient* newClient);
    void setDeviceAddress(uint8_t address);
    // A running poll timer keeps its interval until stop() and start().
    // Periods below 1 ms are ignored.
    void setPeriod(int ms);

    // IModBusDev
    uint16_t getRegister(uint16_t n) const override;
    void writeRegisters(uint16_t start, uint16_t count, const uint16_t* values) override;
    void writeCoil(uint16_t coil, bool on) override;
    uint8_t getCoil(uint16_t n) const override;
    uint64_t lastTicket() const override;
    uint64_t readTicket(uint16_t n) const override;

    // While set, register writes are reported to the tracker and answered to
    // it instead of the image (the frames on the line are the same). Null
    // ends the tracking.
    void setWriteTracker(IWriteTracker* tracker);
    IModBusClient* modBusClient() const { return client; }
    uint8_t address() const { return deviceAddress; }

    // Forgets when the registers were read: the next relay may hold other
    // values, so nothing read before counts as its data.
    void forgetReadTimes();
    // Milliseconds since the oldest register of the image was read, or -1
    // while some register has not been read since forgetReadTimes().
    qint64 imageAgeMs() const;
    // Milliseconds since register n was last read, or -1 when it was not
    // read since forgetReadTimes() (or n is past the image).
    qint64 registerAgeMs(uint16_t n) const;

    // IModBusResponseListener
    void holdingRegsRead(uint16_t start, const uint16_t* values, uint16_t count) override;
    void multipleRegsWritten(uint16_t start, const uint16_t* values, uint16_t count) override;
    void coilsRead(uint16_t start, const uint8_t* states, uint16_t count) override;
    void coilWritten(uint16_t coil, bool value) override;
    void fileRecordRead(uint16_t fileNumber, uint16_t recordNumber, const uint8_t* data,
                        uint16_t byteCount) override;
    void responseTimeout() override;
    void requestFailed(Failure failure) override;

public slots:
    // One poll: queues reads of the whole register image, 32 registers each.
    void refresh();
    void stop();
    // The first poll comes one period after start; a running timer is left alone.
    void start();

signals:
    void pollErrors();
    // The relay's answer to one read of a poll has been copied into the image.
    void registersRead(uint16_t start, uint16_t count);
    // Every read of one poll has ended; `failed` lists those that brought no
    // registers, in the order they were sent (empty: the whole image was read).
    void pollEnded(const QVector<ModBusDevice::FailedRead>& failed);

private:
    Q_DISABLE_COPY(ModBusDevice)

    class PollReads;
    friend class PollReads;

    // A poll read on its way: answers come back in the order the reads were
    // sent, each naming its start and count.
    struct PendingRead
    {
        uint64_t ticket;
        uint16_t start;
        uint16_t count;
        uint64_t poll;
    };
    // Reads of one poll that have not ended yet, and those that failed.
    struct PollInFlight
    {
        uint64_t number;
        int readsLeft;
        QVector<FailedRead> failed;
    };

    void queueRead(uint16_t start, uint16_t count, uint64_t poll);
    // Takes the pending read the answer of this block belongs to off the
    // list; false when none is pending.
    bool takePendingRead(uint16_t start, uint16_t count, PendingRead* taken);
    // The oldest pending read ended without its registers.
    void pollReadFailed(ReadFailure failure);
    // A pending read has ended; `failure` is null when it was answered.
    void endRead(const PendingRead& read, const ReadFailure* failure);

    QTimer* pollTimer = nullptr;
    IModBusClient* client = nullptr;
    uint8_t deviceAddress = defaultDeviceAddress;
    uint16_t* registers = nullptr;
    uint16_t registerCount = 0;
    uint8_t* coils = nullptr;
    uint16_t coilCount = 0;
    int period = defaultPeriod;
    IWriteTracker* writeTracker = nullptr;
    uint64_t tickets = 0;
    uint64_t* readTickets = nullptr;
    QVector<PendingRead> pendingReads;
    // The listener of the poll's reads, so that their ends are told apart
    // from those of writes.
    PollReads* pollReads = nullptr;
    uint64_t polls = 0;
    QVector<PollInFlight> pollsInFlight;
    QElapsedTimer clock;
    qint64* readTimes = nullptr;
};

Q_DECLARE_METATYPE(QVector<ModBusDevice::FailedRead>)

#endif
