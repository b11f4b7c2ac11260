#ifndef TALVIK_BENCH_BENCHRELAY_H
#define TALVIK_BENCH_BENCHRELAY_H

#include <QByteArray>

#include <array>
#include <cstdint>

// The relay end of the benchmarks' lines: answers the five function codes the
// client speaks from a bank of holding registers, CRC included, as the relay
// does on the wire. It checks nothing a benchmark does not need.
class BenchRelay
{
public:
    static constexpr int registerCount = 85;

    BenchRelay();

    // The whole length of the request frame (CRC included) whose first bytes
    // are given: 0 while too few bytes are known, -1 for a function the relay
    // does not serve.
    static int requestLength(const QByteArray& bytes);
    // Length in bytes of the answer frame (CRC included) to a request.
    static int answerLength(const QByteArray& request);
    // The answer frame to a whole request frame, CRC included; empty for a
    // request it does not serve.
    QByteArray answer(const QByteArray& request);

    static QByteArray withCrc(QByteArray body);
    // What register `index` holds until it is written.
    static uint16_t initialValue(int index) { return static_cast<uint16_t>(index * 7 + 1); }

    void setRegister(int index, uint16_t value);

private:
    std::array<uint16_t, registerCount> registers{};
};

#endif
