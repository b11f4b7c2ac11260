#ifndef TALVIK_TESTS_SUPPORT_FAKEREGISTERIMAGE_H
#define TALVIK_TESTS_SUPPORT_FAKEREGISTERIMAGE_H

#include "relay/IModBusDev.h"
#include "relay/RelayMap.h"

#include <QList>
#include <QPair>
#include <QVector>

#include <cstdint>

// A register image the test sets directly; it records every write it is
// asked for and, like the real one, does not change on a write.
class FakeRegisterImage : public IModBusDev
{
public:
    struct Write
    {
        uint16_t start;
        QVector<uint16_t> values;
    };

    uint16_t getRegister(uint16_t n) const override
    {
        return n < RelayMap::registerCount ? registers[n] : 0;
    }
    void writeRegisters(uint16_t start, uint16_t count, const uint16_t* values) override
    {
        writes.append(Write{start, QVector<uint16_t>(values, values + count)});
        ++tickets;
    }
    void writeCoil(uint16_t coil, bool on) override
    {
        coilWrites.append(qMakePair(coil, on));
        ++tickets;
    }
    uint8_t getCoil(uint16_t n) const override { return n < RelayMap::coilCount ? coils[n] : 0; }
    uint64_t lastTicket() const override { return tickets; }
    uint64_t readTicket(uint16_t n) const override
    {
        return n < RelayMap::registerCount ? reads[n] : 0;
    }

    // The value a read queued after everything so far brought back.
    void set(uint16_t n, uint16_t value)
    {
        registers[n] = value;
        reads[n] = ++tickets;
    }

    // The writes as (register, value) pairs, one per written register.
    QList<QPair<int, int>> writtenValues() const
    {
        QList<QPair<int, int>> result;
        for (const Write& write : writes) {
            for (int i = 0; i < write.values.size(); ++i)
                result.append(qMakePair(write.start + i, int(write.values.at(i))));
        }
        return result;
    }

    uint16_t registers[RelayMap::registerCount] = {};
    uint8_t coils[RelayMap::coilCount] = {};
    uint64_t reads[RelayMap::registerCount] = {};
    uint64_t tickets = 0;
    QList<Write> writes;
    QList<QPair<uint16_t, bool>> coilWrites;
};

#endif
