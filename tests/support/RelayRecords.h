#ifndef TALVIK_TESTS_SUPPORT_RELAYRECORDS_H
#define TALVIK_TESTS_SUPPORT_RELAYRECORDS_H

#include "support/TestRelay.h"

#include <QByteArray>

#include <cstdint>

// Fault records and journal entries for the test relay's files, every sample
// and entry different, so that a byte out of place shows in the export.
namespace relayrecords {

constexpr int faultSamples = 12;
constexpr int sampleCount = faultSamples + 120;

inline void putLe16(QByteArray& bytes, int offset, int value)
{
    bytes[offset] = static_cast<char>(value & 0xFF);
    bytes[offset + 1] = static_cast<char>((value >> 8) & 0xFF);
}

// Fault record `index` as the relay keeps it in its file: the 40-byte header
// (triggered on 1 January 2019 at 00:0<index+1>:00.250), then `fault` + 120
// samples of 14 bytes.
inline QByteArray faultRecord(int index, int fault = faultSamples)
{
    QByteArray header(40, '\0');
    header[0] = 19;
    header[1] = 1;
    header[2] = 1;
    header[4] = static_cast<char>(index + 1);
    putLe16(header, 6, 250);
    for (int gain = 8; gain <= 16; gain += 2)
        putLe16(header, gain, 1024);
    putLe16(header, 18, 1949);
    putLe16(header, 20, 8066);
    putLe16(header, 22, 1905);
    putLe16(header, 24, 40);
    putLe16(header, 26, 10);
    putLe16(header, 30, 5); // ring position
    putLe16(header, 34, fault);
    header[38] = 1;
    uint8_t sum = 0;
    for (int i = 0; i < 39; ++i)
        sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(header.at(i)));
    header[39] = static_cast<char>(~sum);

    QByteArray record = header;
    for (int k = 0; k < fault + 120; ++k) {
        QByteArray sample(14, '\0');
        for (int channel = 0; channel < 5; ++channel)
            putLe16(sample, 2 * channel, (k * 37 + channel * 101 + index) % 4096 - 2048);
        putLe16(sample, 10, (k * 13) & 0x07FF);
        putLe16(sample, 12, k);
        record.append(sample);
    }
    return record;
}

// Journal entry at ring position `position`: six kinds of events and some
// empty slots.
inline QByteArray journalEntry(int position)
{
    QByteArray entry(24, '\0');
    entry[0] = static_cast<char>(position % 7 == 6 ? 0xFF : position % 7);
    putLe16(entry, 2, 100 + 37 * position);
    putLe16(entry, 4, 10 * position);
    entry[6] = static_cast<char>(position);
    entry[7] = static_cast<char>(59 - position);
    entry[8] = static_cast<char>(position % 24);
    entry[10] = static_cast<char>(1 + position % 28);
    entry[12] = static_cast<char>(0x80 | (1 + position % 12));
    putLe16(entry, 14, 19);
    putLe16(entry, 16, 40);
    putLe16(entry, 18, 10);
    putLe16(entry, 20, 1000);
    putLe16(entry, 22, 100);
    return entry;
}

// The three records (of `fault` fault samples each), the 30 entries and the
// journal pointer 4.
inline void loadRecords(TestRelay& relay, int fault = faultSamples)
{
    for (int record = 0; record < 3; ++record)
        relay.setFile(static_cast<uint16_t>(record), faultRecord(record, fault));
    for (int position = 0; position < 30; ++position)
        relay.setFile(static_cast<uint16_t>(3 + position), journalEntry(position));
    relay.setRegister(TestRelay::journalPointerRegister, 4);
}

} // namespace relayrecords

#endif
