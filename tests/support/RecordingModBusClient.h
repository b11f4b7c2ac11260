#ifndef TALVIK_TESTS_SUPPORT_RECORDINGMODBUSCLIENT_H
#define TALVIK_TESTS_SUPPORT_RECORDINGMODBUSCLIENT_H

#include "modbus/FileRecordReference.h"
#include "modbus/IModBusClient.h"

#include <QList>
#include <QString>
#include <QVector>

class IModBusResponseListener;

// A Modbus client that only records what it was asked for. Tests answer a
// request by calling the recorded listener themselves.
class RecordingModBusClient : public IModBusClient
{
public:
    struct Request
    {
        QString function; // "readHoldingRegs", "writeMultipleRegs", "readCoils",
                          // "writeCoil", "readFileRecord", "readFileRecords"
        IModBusResponseListener* listener = nullptr;
        int address = 0;
        int start = 0;            // start register/coil, coil address or file number
        int count = 0;            // count, coil value (0/1) or record number
        int length = 0;           // record length (readFileRecord)
        QVector<uint16_t> values; // writeMultipleRegs
        int priority = 0;
        // readFileRecords: its sub-requests (start, count and length are the
        // first one's).
        QVector<FileRecordReference> references;
    };

    void readHoldingRegs(IModBusResponseListener* listener, uint8_t address, uint16_t start,
                         uint16_t count, int32_t priority) override
    {
        requests.append(Request{QStringLiteral("readHoldingRegs"),
                                listener,
                                address,
                                start,
                                count,
                                0,
                                {},
                                priority,
                                {}});
    }
    void writeMultipleRegs(IModBusResponseListener* listener, uint8_t address, uint16_t start,
                           uint16_t count, const uint16_t* values, int32_t priority) override
    {
        Request request{QStringLiteral("writeMultipleRegs"),
                        listener,
                        address,
                        start,
                        count,
                        0,
                        {},
                        priority,
                        {}};
        for (int i = 0; i < count; ++i)
            request.values.append(values[i]);
        requests.append(request);
    }
    void readCoils(IModBusResponseListener* listener, uint8_t address, uint16_t start,
                   uint16_t count, int32_t priority) override
    {
        requests.append(Request{
            QStringLiteral("readCoils"), listener, address, start, count, 0, {}, priority, {}});
    }
    void writeCoil(IModBusResponseListener* listener, uint8_t address, uint16_t coil, bool value,
                   int32_t priority) override
    {
        requests.append(Request{QStringLiteral("writeCoil"),
                                listener,
                                address,
                                coil,
                                value ? 1 : 0,
                                0,
                                {},
                                priority,
                                {}});
    }
    void readFileRecord(IModBusResponseListener* listener, uint8_t address, uint16_t fileNumber,
                        uint16_t recordNumber, uint16_t recordLength, int32_t priority) override
    {
        requests.append(Request{QStringLiteral("readFileRecord"),
                                listener,
                                address,
                                fileNumber,
                                recordNumber,
                                recordLength,
                                {},
                                priority,
                                {}});
    }
    void readFileRecords(IModBusResponseListener* listener, uint8_t address,
                         const FileRecordReference* references, uint16_t count,
                         int32_t priority) override
    {
        Request request{QStringLiteral("readFileRecords"),
                        listener,
                        address,
                        references[0].file,
                        references[0].record,
                        references[0].length,
                        {},
                        priority,
                        {}};
        for (int i = 0; i < count; ++i)
            request.references.append(references[i]);
        requests.append(request);
    }
    void clearQueue() override { ++clearQueueCalls; }

    QList<Request> requests;
    int clearQueueCalls = 0;
};

#endif
