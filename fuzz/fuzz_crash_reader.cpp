// The fault record reader fed arbitrary sequences of operations and file
// record answers: readings started and restarted, answers to the request
// being waited for, answers with any file number, record number and size,
// timeouts and failures, batched reads switched on and off; a finished record
// goes through the COMTRADE export.
//
// Input: a sequence of operations, each an opcode byte and its operands.
#include "FuzzSupport.h"

#include "modbus/IModBusClient.h"
#include "records/ComtradeWriter.h"
#include "records/CrashProcessHeader.h"
#include "records/CrashProcessReader.h"

#include <QBuffer>
#include <QObject>

#include <vector>

namespace {

// Remembers the last file record request; the input plays the relay.
class RecordingClient : public IModBusClient
{
public:
    void readHoldingRegs(IModBusResponseListener*, uint8_t, uint16_t, uint16_t, int32_t) override
    {
        __builtin_trap();
    }
    void writeMultipleRegs(IModBusResponseListener*, uint8_t, uint16_t, uint16_t, const uint16_t*,
                           int32_t) override
    {
        __builtin_trap();
    }
    void readCoils(IModBusResponseListener*, uint8_t, uint16_t, uint16_t, int32_t) override
    {
        __builtin_trap();
    }
    void writeCoil(IModBusResponseListener*, uint8_t, uint16_t, bool, int32_t) override
    {
        __builtin_trap();
    }
    void readFileRecord(IModBusResponseListener*, uint8_t, uint16_t fileNumber,
                        uint16_t recordNumber, uint16_t recordLength, int32_t) override
    {
        file = fileNumber;
        record = recordNumber;
        length = recordLength;
        ++requests;
    }
    void readFileRecords(IModBusResponseListener*, uint8_t, const FileRecordReference*, uint16_t,
                         int32_t) override
    {
        // The fault record reader batches samples into one long record.
        __builtin_trap();
    }
    void clearQueue() override {}

    uint16_t file = 0;
    uint16_t record = 0;
    uint16_t length = 0;
    long requests = 0;
};

// A header the reader accepts: the input's bytes with the valid byte set, the
// checksum fixed and few fault samples, so that record readings can finish.
QByteArray validHeader(FuzzInput& input)
{
    QByteArray bytes = input.bytes(CrashProcessHeader::size);
    bytes[34] = static_cast<char>(static_cast<uint8_t>(bytes[34]) % 16);
    bytes[35] = 0;
    bytes[38] = 1;
    uint8_t sum = 0;
    for (int i = 0; i < CrashProcessHeader::size - 1; ++i)
        sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(bytes[i]));
    bytes[39] = static_cast<char>(~sum);
    return bytes;
}

const uint8_t* raw(const QByteArray& bytes)
{
    return reinterpret_cast<const uint8_t*>(bytes.constData());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ensureApplication();
    FuzzInput input(data, size);
    RecordingClient client;
    CrashProcessReader reader;
    reader.setClient(&client);
    QObject::connect(&reader, &CrashProcessReader::recordReadingFinished, [&reader](int n) {
        const CrashProcessHeader* header = reader.header(n);
        const QByteArray* samples = reader.samples(n);
        if (header == nullptr || samples == nullptr ||
            samples->size() != header->sampleCount() * CrashProcessSample::size)
            __builtin_trap();
        QBuffer dat;
        dat.open(QIODevice::WriteOnly);
        ComtradeWriter::writeDat(dat, *header, *samples);
    });

    // Bounded so that an input of repeated "answer" operations stays quick.
    for (int step = 0; step < 4000 && !input.atEnd(); ++step) {
        switch (input.u8() % 10) {
        case 0:
            reader.readHeaders(input.u8());
            break;
        case 1:
            reader.readCrashProcess(input.u8(), input.u8() % 5);
            break;
        case 2: {
            // The answer to the request being waited for.
            const QByteArray bytes = input.bytes(2 * client.length);
            reader.fileRecordRead(client.file, client.record, raw(bytes), 2 * client.length);
            break;
        }
        case 3: {
            // Any answer at all, with as many bytes as it claims.
            const uint16_t file = input.u16();
            const uint16_t record = input.u16();
            const uint16_t count = input.u16() % 600;
            const QByteArray bytes = input.bytes(count);
            reader.fileRecordRead(file, record, raw(bytes), count);
            break;
        }
        case 4:
            reader.responseTimeout();
            break;
        case 5:
            reader.requestFailed(static_cast<IModBusResponseListener::Failure>(input.u8() % 4));
            break;
        case 6: {
            const int index = static_cast<int>(input.u8() % 7) - 2;
            reader.isHeaderValid(index);
            if (const QByteArray* samples = reader.samples(index))
                touch(samples->constData(), static_cast<size_t>(samples->size()));
            if (const CrashProcessHeader* header = reader.header(index))
                touch(header, sizeof(*header));
            const float progress = reader.progress();
            if (progress < 0.0f || progress > 100.0f)
                __builtin_trap();
            break;
        }
        case 7: {
            // A valid header as the answer to the request being waited for.
            const QByteArray bytes = validHeader(input);
            reader.fileRecordRead(client.file, client.record, raw(bytes), CrashProcessHeader::size);
            break;
        }
        case 9:
            reader.setBatchedReads((input.u8() & 1) != 0);
            break;
        default: {
            // Answers the outstanding requests until the reading moves no
            // further (a record of up to 135 samples).
            for (int i = 0; i < 200; ++i) {
                const long before = client.requests;
                const QByteArray bytes = input.bytes(2 * client.length);
                reader.fileRecordRead(client.file, client.record, raw(bytes), 2 * client.length);
                if (client.requests == before)
                    break;
            }
            break;
        }
        }
    }
    return 0;
}
