// The event journal: arbitrary 24-byte entries through the entry parser, the
// journal reader and the CSV writer.
//
// Input: flags, the 16-bit journal pointer (little-endian), then up to 30
// entries of 24 bytes. Flag bit 0 delivers each entry with a byte count taken
// from the input instead of 24; bit 1 uses a locale with a decimal comma and
// digit grouping.
#include "FuzzSupport.h"

#include "modbus/IModBusClient.h"
#include "records/JournalEntry.h"
#include "records/LogReader.h"

#include <QBuffer>
#include <QLocale>

namespace {

// Sends nothing: the test answers the reader's requests itself.
class SilentClient : public IModBusClient
{
public:
    void readHoldingRegs(IModBusResponseListener*, uint8_t, uint16_t, uint16_t, int32_t) override
    {
        ++requests;
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
    void readFileRecord(IModBusResponseListener*, uint8_t, uint16_t, uint16_t, uint16_t,
                        int32_t) override
    {
        ++requests;
    }
    void readFileRecords(IModBusResponseListener*, uint8_t, const FileRecordReference*, uint16_t,
                         int32_t) override
    {
        ++requests;
    }
    void clearQueue() override {}

    int requests = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ensureApplication();
    FuzzInput input(data, size);
    const uint8_t flags = input.u8();
    const uint16_t pointer = input.u16();
    QLocale::setDefault((flags & 2) ? QLocale(QLocale::German) : QLocale::c());

    SilentClient client;
    LogReader reader;
    reader.setClient(&client);
    reader.readRecords(1);
    reader.holdingRegsRead(LogReader::pointerRegister, &pointer, 1);

    int delivered = 0;
    while (!input.atEnd() && delivered < LogReader::entryCount) {
        const QByteArray bytes = input.bytes(JournalEntry::size);
        const auto* raw = reinterpret_cast<const uint8_t*>(bytes.constData());
        const JournalEntry entry = JournalEntry::decode(raw);
        entry.csvLine();
        if (entry.month > 0x7F)
            __builtin_trap();
        const uint16_t byteCount = (flags & 1)
                                       ? static_cast<uint16_t>(raw[1] % (JournalEntry::size + 1))
                                       : static_cast<uint16_t>(JournalEntry::size);
        reader.fileRecordRead(static_cast<uint16_t>(LogReader::firstEntryFile + delivered), 0, raw,
                              byteCount);
        ++delivered;
        reader.progress();
    }
    if (reader.progress() < 0.0f || reader.progress() > 100.0f)
        __builtin_trap();

    QBuffer csv;
    csv.open(QIODevice::WriteOnly);
    if (!reader.write(csv))
        __builtin_trap();
    // The header line and at most one line per entry of the ring.
    if (csv.data().count('\n') > 1 + LogReader::entryCount)
        __builtin_trap();
    return 0;
}
