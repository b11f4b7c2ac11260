#ifndef TALVIK_RECORDS_LOGREADER_H
#define TALVIK_RECORDS_LOGREADER_H

#include "modbus/IModBusResponseListener.h"
#include "records/JournalEntry.h"
#include "records/ReaderRequests.h"
#include "relay/RelayMap.h"

#include <QObject>
#include <QVector>

#include <array>
#include <cstdint>

class IModBusClient;
class QIODevice;
class QString;

// Reads the relay's event journal: the ring pointer from holding register
// 0x004A (function 3), then the 30 entries from files 3..32 (function 20),
// one request at a time at priority 0, and saves them as a CSV file going
// backwards round the ring from the pointer.
//
// With batched reads on, up to 9 entries (as many as one answer carries) come
// in one request of several sub-requests. The first such request decides for
// the rest of the connection: refused with an exception, answered with the
// wrong length or not at all, it is sent again for one entry, and the reader
// goes on one entry a request (an Info line says so); that is not a failed
// attempt.
//
// Every request is sent at most three times; a failed attempt is retried at
// once. A watchdog stays as a safety net for a request the client would end
// without calling back, so a reading always ends with one of its signals. An
// answer is used only when it is the one being waited for (register, file
// and record).
//
// Use from the records workflow:
//   setClient(client) once; readRecords(address) -> logReadingFinished() or
//   logReadingFailed(); progress() for the dialog; events() or save(fileName)
//   afterwards.
class LogReader : public QObject, public IModBusResponseListener
{
    Q_OBJECT
    Q_INTERFACES(IModBusResponseListener)

public:
    enum State
    {
        Idle = 0,
        ReadingPointer = 1,
        ReadingEntries = 2
    };

    static constexpr int entryCount = RelayMap::journalEntryCount;
    static constexpr int maxAttempts = ReaderRequests::maxAttempts;
    static constexpr uint16_t pointerRegister = RelayMap::journalPointerRegister;
    static constexpr uint16_t firstEntryFile = RelayMap::firstJournalFile;
    static constexpr int defaultWatchdogInterval = ReaderRequests::defaultWatchdogInterval;

    explicit LogReader(QObject* parent = nullptr);
    ~LogReader() override;

    // Not owned. Without a client nothing is sent and a reading ends through
    // the watchdog.
    void setClient(IModBusClient* newClient);
    void setWatchdogInterval(int milliseconds);
    // Off by default. Setting it (for each new connection) forgets whether
    // the relay was found to take batched reads.
    void setBatchedReads(bool on);
    // The entries one batched request asks for.
    static int entriesPerBatch();

    // 0..100: entries received x 100 / 29, so 100 while the last one is read.
    float progress() const;

    // Writes the journal as it is in memory; false when the file cannot be
    // opened or written (an existing file is then left as it was).
    bool save(const QString& fileName) const;
    // The same text to any device.
    bool write(QIODevice& device) const;

    State state() const { return readerState; }
    uint16_t journalPointer() const { return pointer; }
    // Entry at ring position index (0..29), or null outside the ring.
    const JournalEntry* entry(int index) const;
    // The events in memory, newest first, as save() lists them.
    QVector<JournalEntry> events() const;

    void holdingRegsRead(uint16_t start, const uint16_t* values, uint16_t count) override;
    void multipleRegsWritten(uint16_t start, const uint16_t* values, uint16_t count) override;
    void coilsRead(uint16_t start, const uint8_t* states, uint16_t count) override;
    void coilWritten(uint16_t coil, bool value) override;
    void fileRecordRead(uint16_t fileNumber, uint16_t recordNumber, const uint8_t* data,
                        uint16_t byteCount) override;
    void responseTimeout() override;
    void requestFailed(Failure failure) override;

signals:
    void logReadingFinished();
    void logReadingFailed();

public slots:
    void readRecords(uint8_t deviceAddress);

private:
    Q_DISABLE_COPY(LogReader)

    void requestPointer();
    void requestEntry();
    void watchdogExpired();
    // The request ended without its answer; `refused` when the relay may not
    // take the request's form (exception, wrong length, no answer).
    void requestEnded(bool refused);
    void entriesReceived();
    int entriesForNextRequest() const;

    State readerState = Idle;
    uint8_t deviceAddress = 0;
    IModBusClient* client = nullptr;
    std::array<JournalEntry, entryCount> entries{};
    uint16_t pointer = 0;
    uint16_t entryIndex = 0;
    // The entries the request being waited for asks for, and one past the
    // last of them.
    int batchSize = 1;
    uint16_t batchEnd = 0;

    // The request being waited for; answers to anything else are stale.
    ReaderRequests requests;
};

#endif
