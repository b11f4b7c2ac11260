#ifndef TALVIK_BENCH_PACEDRELAY_H
#define TALVIK_BENCH_PACEDRELAY_H

#include "support/TestRelay.h"

#include <QString>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

class PtyPair;

// A relay that emulates the wire between it and the program, on a
// pseudo-terminal or, as an Ethernet gateway in transparent mode would pass
// the line's bytes, on a TCP connection to 127.0.0.1. A thread of its own
// answers from the test relay's memory (RelayMemory). A request is taken only
// once its bytes have "arrived" (its wire time after its first byte); the
// relay turns the line round and sends its answer in chunks, each when its
// last byte would have crossed the wire at 10 bits a byte (start bit, 8 data
// bits, stop bit).
//
// Faults for the benchmarks of a noisy line: every k-th request (counted from
// 1) has its answer lost, or arrives with a wrong CRC; and of a slow relay:
// every k-th answer leaves a set time late.
class PacedRelay
{
public:
    enum class Line
    {
        Pty,
        Tcp
    };

    // How the answer leaves the relay.
    struct Pacing
    {
        // The relay's own turnaround between the request's end and its answer.
        int turnaroundUs = 2000;
        // Bytes written at once: one, or a UART receive FIFO's worth.
        int chunkBytes = 1;
    };

    PacedRelay(Line line, int baudRate);
    PacedRelay(Line line, int baudRate, Pacing pacing);
    ~PacedRelay();
    PacedRelay(const PacedRelay&) = delete;
    PacedRelay& operator=(const PacedRelay&) = delete;

    bool isValid() const;
    // Where the program connects: the pty's slave path, or the TCP port.
    QString slavePath() const;
    quint16 tcpPort() const { return port; }

    // Set before the program sends anything: the thread reads it unguarded.
    // Its registers hold relaycontent::loadRegisters()'s values until written.
    RelayMemory& relay() { return memory; }
    // Another relay on the same line (an RS-485 bus with several slaves),
    // set up as relay() is and before the program sends anything. Once there
    // are several, each answers only its own address (relay()'s is 1), and
    // a request for an address nobody has goes unanswered.
    RelayMemory& addRelay(uint8_t address);
    void setFaults(int dropEvery, int corruptEvery);
    void setLateAnswers(int every, int delayMs);

    int requests() const { return requestCount.load(); }
    int answered() const { return answerCount.load(); }
    int dropped() const { return dropCount.load(); }
    int corrupted() const { return corruptCount.load(); }
    int late() const { return lateCount.load(); }
    // Wire time of every exchange since the last reset: the request's bytes,
    // the relay's turnaround and the answer's bytes.
    double wireMs() const { return wireNs.load() / 1e6; }
    void resetCounts();

    static double characterNs(int baudRate) { return 10.0e9 / baudRate; }
    double characterNs() const { return characterNs(baud); }

private:
    // The whole length of the request frame (CRC included) whose first bytes
    // are given: 0 while too few bytes are known, -1 for a function the relay
    // does not serve.
    static int requestLength(const QByteArray& bytes);

    void openTcp();
    void run();
    bool acceptConnection();
    void answer(const QByteArray& request, long long firstByteNs);

    // The relay for a request's address; null when none answers it.
    RelayMemory* relayAt(uint8_t address);

    RelayMemory memory;
    std::vector<std::unique_ptr<RelayMemory>> others;
    Line kind;
    int baud;
    Pacing pace;
    std::unique_ptr<PtyPair> pty;
    // The listening socket (Line::Tcp).
    int listenFd = -1;
    // The descriptor the bytes go through: the pty master or the accepted connection.
    int lineFd = -1;
    int wakeFds[2] = {-1, -1};
    quint16 port = 0;
    std::atomic<int> dropEvery{0};
    std::atomic<int> corruptEvery{0};
    std::atomic<int> lateEvery{0};
    std::atomic<int> lateMs{0};
    std::atomic<bool> stopping{false};
    std::atomic<int> requestCount{0};
    std::atomic<int> answerCount{0};
    std::atomic<int> dropCount{0};
    std::atomic<int> corruptCount{0};
    std::atomic<int> lateCount{0};
    std::atomic<long long> wireNs{0};
    std::thread worker;
};

#endif
