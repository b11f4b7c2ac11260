#ifndef TALVIK_TESTS_SUPPORT_RELAYCONTENT_H
#define TALVIK_TESTS_SUPPORT_RELAYCONTENT_H

#include "relay/RelayMap.h"
#include "support/TestRelay.h"

#include <QByteArray>
#include <QtEndian>

#include <cstdint>

// Fault records and journal entries for the test relay's files, as the relay
// keeps them: little-endian fields, valid checksums, every sample different.
// The fields are put at their byte offsets here, not through the client's
// own encoders, so that what the tests read back is checked against the
// relay's layout rather than against the client's idea of it.
namespace relaycontent {

constexpr int defaultFaultSamples = 12;
constexpr int journalPointer = 4;

// What register n holds after loadRegisters(): live values, states and
// settings that are not all zero.
constexpr uint16_t plausibleRegister(int n)
{
    return static_cast<uint16_t>(n * 7 + 1);
}

inline void loadRegisters(RelayMemory& relay)
{
    for (int n = 0; n < RelayMap::registerCount; ++n)
        relay.setRegister(static_cast<uint16_t>(n), plausibleRegister(n));
}

// Fault record `index` as the relay keeps it in its file: the 40-byte header
// (triggered on 1 January 2019 at 00:0<index+1>:00.250), then faultSamples
// + 120 samples of 14 bytes.
inline QByteArray faultRecord(int index, int faultSamples = defaultFaultSamples)
{
    char header[RelayMap::recordHeaderBytes] = {};
    header[0] = 19;
    header[1] = 1;
    header[2] = 1;
    header[4] = static_cast<char>(index + 1);
    qToLittleEndian<quint16>(250, header + 6);
    for (int gain = 8; gain <= 16; gain += 2)
        qToLittleEndian<quint16>(1024, header + gain);
    qToLittleEndian<quint16>(1949, header + 18);
    qToLittleEndian<quint16>(8066, header + 20);
    qToLittleEndian<quint16>(1905, header + 22);
    qToLittleEndian<quint16>(40, header + 24);
    qToLittleEndian<quint16>(10, header + 26);
    qToLittleEndian<quint16>(5, header + 30); // ring position
    qToLittleEndian<quint16>(faultSamples, header + 34);
    header[38] = 1;
    uint8_t sum = 0;
    for (int i = 0; i < RelayMap::recordHeaderBytes - 1; ++i)
        sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(header[i]));
    header[39] = static_cast<char>(~sum);

    QByteArray record(header, sizeof header);
    const int sampleCount = faultSamples + RelayMap::preFaultSamples;
    for (int k = 0; k < sampleCount; ++k) {
        char sample[RelayMap::recordSampleBytes] = {};
        for (int channel = 0; channel < 5; ++channel)
            qToLittleEndian<quint16>((k * 37 + channel * 101 + index) % 4096 - 2048,
                                     sample + 2 * channel);
        qToLittleEndian<quint16>((k * 13) & 0x07FF, sample + 10);
        qToLittleEndian<quint16>(k, sample + 12);
        record.append(sample, sizeof sample);
    }
    return record;
}

// Journal entry at ring position `position`: six kinds of events and some
// empty slots.
inline QByteArray journalEntry(int position)
{
    char entry[RelayMap::journalEntryBytes] = {};
    entry[0] = static_cast<char>(position % 7 == 6 ? 0xFF : position % 7);
    qToLittleEndian<quint16>(100 + 37 * position, entry + 2);
    qToLittleEndian<quint16>(10 * position, entry + 4);
    entry[6] = static_cast<char>(position);
    entry[7] = static_cast<char>(59 - position);
    entry[8] = static_cast<char>(position % 24);
    entry[10] = static_cast<char>(1 + position % 28);
    entry[12] = static_cast<char>(0x80 | (1 + position % 12));
    qToLittleEndian<quint16>(19, entry + 14);
    qToLittleEndian<quint16>(40, entry + 16);
    qToLittleEndian<quint16>(10, entry + 18);
    qToLittleEndian<quint16>(1000, entry + 20);
    qToLittleEndian<quint16>(100, entry + 22);
    return QByteArray(entry, sizeof entry);
}

// Three valid records and a full journal whose pointer is journalPointer.
inline void loadRecords(RelayMemory& relay, int faultSamples = defaultFaultSamples)
{
    for (int record = 0; record < RelayMap::recordFileCount; ++record)
        relay.setFile(static_cast<uint16_t>(record), faultRecord(record, faultSamples));
    for (int position = 0; position < RelayMap::journalEntryCount; ++position)
        relay.setFile(static_cast<uint16_t>(RelayMap::firstJournalFile + position),
                      journalEntry(position));
    relay.setRegister(RelayMap::journalPointerRegister, journalPointer);
}

inline void loadRecords(TestRelay& relay, int faultSamples = defaultFaultSamples)
{
    loadRecords(relay.content(), faultSamples);
}

} // namespace relaycontent

#endif
