#ifndef TALVIK_RECORDS_JOURNALENTRY_H
#define TALVIK_RECORDS_JOURNALENTRY_H

#include "relay/RelayMap.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

// One entry of the relay's event journal, parsed from the 24 bytes (12
// registers) of files 3..32. Multi-byte fields are little-endian in the file.
struct JournalEntry
{
    static constexpr int size = RelayMap::journalEntryBytes;
    // Codes 0..5 name a protection function; anything else is an empty slot.
    static constexpr uint8_t lastType = 5;
    static constexpr uint8_t emptyType = 0xFF;

    uint8_t type = emptyType;
    uint16_t current = 0; // raw units
    uint16_t millisecond = 0;
    uint8_t second = 0;
    uint8_t minute = 0;
    uint8_t hour = 0;
    uint8_t day = 0;
    uint8_t month = 0; // bit 7 of the relay's byte cleared
    uint16_t year = 0; // minus 2000
    uint16_t ratioPhase = 0;
    uint16_t ratio3I0 = 0;
    uint16_t scalePhase = 0;
    uint16_t scale3I0 = 0;

    // data must hold at least `size` bytes.
    static JournalEntry decode(const uint8_t* data);
    // The 24 bytes as the relay stores them.
    QByteArray encode() const;

    bool isEvent() const { return type <= lastType; }
    // "ЗНЗ", "МТЗ-1", "МТЗ-2", "ТО", "ВЗ", "УРОВ"; empty for an empty slot.
    QString typeText() const;
    // Currents on the secondary and primary side, in amperes; false when the
    // scale divisor is zero and the current cannot be computed.
    bool secondaryCurrent(float* value) const;
    bool primaryCurrent(float* value) const;

    // The five fields of the CSV line and of the window's journal table: the
    // type, the currents in the default locale's notation (two decimals, empty
    // where they cannot be computed), "d.M.yyyy" and "h:m:s.zzz".
    QStringList csvFields() const;
    // The fields joined by ';', ending in '\n'.
    QString csvLine() const;
};

#endif
