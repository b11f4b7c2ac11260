#ifndef TALVIK_BENCH_BENCHRELAY_H
#define TALVIK_BENCH_BENCHRELAY_H

#include <QByteArray>

#include <array>
#include <cstdint>

// The relay end of the benchmarks' lines: answers the five function codes the
// client speaks from a bank of holding registers and the files of fault
// records and journal entries, CRC included, as the relay does on the wire.
// File records come one sub-request or several a request, of any length an
// answer carries. It checks nothing a benchmark does not need.
class BenchRelay
{
public:
    static constexpr int registerCount = 85;
    // Files 0..2 hold fault records, 3..32 journal entries.
    static constexpr int fileCount = 33;

    BenchRelay();

    // The whole length of the request frame (CRC included) whose first bytes
    // are given: 0 while too few bytes are known, -1 for a function the relay
    // does not serve.
    static int requestLength(const QByteArray& bytes);
    // The answer frame to a whole request frame, CRC included; empty for a
    // request it does not serve.
    QByteArray answer(const QByteArray& request);

    static QByteArray withCrc(QByteArray body);
    // What register `index` holds until it is written.
    static uint16_t initialValue(int index) { return static_cast<uint16_t>(index * 7 + 1); }

    void setRegister(int index, uint16_t value);
    void setFile(int index, const QByteArray& bytes);

private:
    QByteArray fileRecords(const QByteArray& request) const;

    std::array<uint16_t, registerCount> registers{};
    std::array<QByteArray, fileCount> files;
};

#endif
