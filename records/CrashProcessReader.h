#ifndef TALVIK_RECORDS_CRASHPROCESSREADER_H
#define TALVIK_RECORDS_CRASHPROCESSREADER_H

#include "modbus/IModBusResponseListener.h"
#include "records/CrashProcessHeader.h"
#include "records/ReaderRequests.h"
#include "relay/RelayMap.h"

#include <QByteArray>
#include <QObject>

#include <array>
#include <cstdint>

class IModBusClient;

// Reads the relay's three fault records (files 0, 1, 2) with function 20, one
// request at a time at priority 0: first the three headers, then on request
// the samples of one record. Headers and sample buffers stay after a reading
// so that they can be shown and exported later.
//
// With batched reads on, up to 17 samples (119 registers, as many as one
// answer carries) come in one request. The first such request decides for
// the rest of the connection: refused with an exception, answered with the
// wrong length or not at all, it is sent again for one sample, and the
// reader goes on one sample a request (an Info line says so); that is not a
// failed attempt.
//
// Every request is sent at most three times; a failed attempt is retried at
// once. A watchdog stays as a safety net for a request the client would end
// without calling back, so a reading always ends with one of its signals. An
// answer is used only when its file, record number and length are those of
// the request being waited for.
//
// Use from the records workflow:
//   setClient(client) once; readHeaders(address) -> headersReadingFinished();
//   isHeaderValid(i) / header(i) to list and show the records;
//   readCrashProcess(address, i) -> recordReadingFinished(i), then header(i)
//   and samples(i) go to ComtradeWriter; progress() for the progress bar.
//   recordReadingFailed() ends a failed header or record reading.
class CrashProcessReader : public QObject, public IModBusResponseListener
{
    Q_OBJECT
    Q_INTERFACES(IModBusResponseListener)

public:
    enum State
    {
        Idle = 0,
        ReadingHeaders = 1,
        ReadingRecord = 2
    };

    static constexpr int recordCount = RelayMap::recordFileCount;
    static constexpr int maxAttempts = ReaderRequests::maxAttempts;
    static constexpr int defaultWatchdogInterval = ReaderRequests::defaultWatchdogInterval;

    explicit CrashProcessReader(QObject* parent = nullptr);
    ~CrashProcessReader() override;

    // Not owned. Without a client nothing is sent and a reading ends through
    // the watchdog.
    void setClient(IModBusClient* newClient);
    void setWatchdogInterval(int milliseconds);
    // Off by default. Setting it (for each new connection) forgets whether
    // the relay was found to take batched reads.
    void setBatchedReads(bool on);
    // The samples one batched request asks for.
    static int samplesPerBatch();

    // False for an index outside 0..2.
    bool isHeaderValid(int index) const;
    // The stored header, valid or not; null for an index outside 0..2.
    const CrashProcessHeader* header(int index) const;
    // The record's samples in the relay's storage order (N x 14 bytes); null
    // for an index outside 0..2 and before the record has been read.
    const QByteArray* samples(int index) const;
    // Percentage of the current record reading (0 outside a record reading).
    float progress() const;

    State state() const { return readerState; }

    void holdingRegsRead(uint16_t start, const uint16_t* values, uint16_t count) override;
    void multipleRegsWritten(uint16_t start, const uint16_t* values, uint16_t count) override;
    void coilsRead(uint16_t start, const uint8_t* states, uint16_t count) override;
    void coilWritten(uint16_t coil, bool value) override;
    void fileRecordRead(uint16_t fileNumber, uint16_t recordNumber, const uint8_t* data,
                        uint16_t byteCount) override;
    void responseTimeout() override;
    void requestFailed(Failure failure) override;

signals:
    void headersReadingFinished();
    void recordReadingFinished(int crashNumber);
    void recordReadingFailed();

public slots:
    void readHeaders(uint8_t deviceAddress);
    void readCrashProcess(uint8_t deviceAddress, uint16_t crashProcessNumber);

private:
    Q_DISABLE_COPY(CrashProcessReader)

    void requestHeader();
    void requestSample();
    void sendRequest(uint16_t fileNumber, uint16_t recordNumber, uint16_t recordLength);
    void watchdogExpired();
    // The request ended without its answer; `refused` when the relay may not
    // take the request's form (exception, wrong length, no answer).
    void requestEnded(bool refused);
    void storeSamples(const uint8_t* data);
    uint16_t sampleRecordNumber() const;
    int samplesForNextRequest() const;

    uint8_t deviceAddress = 0;
    IModBusClient* client = nullptr;
    State readerState = Idle;
    // Samples received so far; wider than a register because a record of
    // 65535 fault samples holds more than 65535 samples.
    int sampleIndex = 0;
    int sampleTotal = 0;
    // Reading headers: the header being read (3 when done); reading a record:
    // the record being read.
    uint16_t currentRecord = 0;
    std::array<CrashProcessHeader, recordCount> headers{};
    // A null array marks a record that has not been read.
    std::array<QByteArray, recordCount> sampleBuffers;
    // Samples asked for by the sample request being waited for.
    int requestedSamples = 1;

    // The request being waited for; answers to anything else are stale.
    ReaderRequests requests;
    uint16_t expectedFile = 0;
    uint16_t expectedRecord = 0;
    uint16_t expectedLength = 0;
};

#endif
