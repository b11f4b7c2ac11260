#ifndef TALVIK_SIMULATOR_DEMORTULINK_H
#define TALVIK_SIMULATOR_DEMORTULINK_H

#include "modbus/ModBusRtuLink.h"
#include "relay/RelayMap.h"

#include <QByteArray>

#include <cstdint>

class DemoFeeder;
class QTimer;

// A simulated relay in place of the serial line: answers every request
// itself 10 ms later, from a bank of holding registers, a feeder in service
// (live measured values, a fault once a minute) with its journal, and three
// fault records, and hands the answer to the link's listener. No CRC is
// added or checked, and the port is never touched. File records are read
// one sub-request at a time or several in one request, of any length an
// answer can carry.
class DemoRTULink : public ModBusRtuLink
{
    Q_OBJECT

public:
    DemoRTULink();
    ~DemoRTULink() override;

    void send(const uint8_t* data, uint16_t length) override;
    // Nothing is buffered from a line, so there is nothing to drop.
    void clear() override;

    uint16_t registerValue(int index) const;
    // Simulated time runs `factor` times faster (a test sees a minute's
    // fault in a second).
    void setTimeScale(int factor);
    const DemoFeeder& simulation() const { return *feeder; }
    // The simulated fault record of file 0, 1 or 2; empty for any other.
    QByteArray record(int index) const;
    QByteArray pendingResponse() const { return response; }

    static constexpr int responseDelayMs = 10;

public slots:
    void timeout();

private:
    Q_DISABLE_COPY(DemoRTULink)

    void buildRecord(int index);
    void answerReadHoldingRegs(const uint8_t* request, uint16_t length);
    void answerWriteMultipleRegs(const uint8_t* request, uint16_t length);
    void answerReadCoils(const uint8_t* request, uint16_t length);
    void answerWriteCoil(const uint8_t* request, uint16_t length);
    void answerReadFileRecord(const uint8_t* request, uint16_t length);
    void answerFileRecords(const uint8_t* request, uint16_t length, int subRequests);
    QByteArray recordBytes(int file, int recordNumber, int byteCount) const;
    void answerException(const uint8_t* request, uint8_t code);
    // Brings the live registers and the records up to the simulated now.
    void simulate();
    QByteArray fileBytes(int file) const;

    // The client's whole register image, settings included.
    uint16_t registers[RelayMap::registerCount];
    QByteArray response;
    QTimer* responseTimer;
    QByteArray* recordBuffers[RelayMap::recordFileCount];
    DemoFeeder* feeder;
};

#endif
