#ifndef TALVIK_BENCH_PACEDRELAY_H
#define TALVIK_BENCH_PACEDRELAY_H

#include "BenchRelay.h"

#include <QString>

#include <atomic>
#include <thread>

// A relay that emulates the wire between it and the program, on a
// pseudo-terminal or, as an Ethernet gateway in transparent mode would pass
// the line's bytes, on a TCP connection to 127.0.0.1. A request is taken only
// once its bytes have "arrived" (its wire time after its first byte); the
// relay turns the line round in 2 ms and sends its answer byte by byte, each
// when it would have crossed the wire at 10 bits a byte.
//
// Faults for the benchmarks of a noisy line: every k-th request (counted from
// 1) has its answer lost, or arrives with a wrong CRC.
class PacedRelay
{
public:
    enum class Line
    {
        Pty,
        Tcp
    };

    PacedRelay(Line line, int baudRate);
    ~PacedRelay();
    PacedRelay(const PacedRelay&) = delete;
    PacedRelay& operator=(const PacedRelay&) = delete;

    bool isValid() const { return listenFd >= 0 && wakeFds[0] >= 0; }
    // Where the program connects: the pty's slave path, or the TCP port.
    QString slavePath() const { return path; }
    quint16 tcpPort() const { return port; }

    // Set before the program sends anything: the thread reads them unguarded.
    BenchRelay& relay() { return bench; }
    void setFaults(int dropEvery, int corruptEvery);

    int requests() const { return requestCount.load(); }
    int answered() const { return answerCount.load(); }
    int dropped() const { return dropCount.load(); }
    int corrupted() const { return corruptCount.load(); }
    // Wire time of every exchange since the last reset: the request's bytes,
    // the relay's turnaround and the answer's bytes.
    double wireMs() const { return wireNs.load() / 1e6; }
    void resetCounts();

    double characterNs() const { return 10.0e9 / baud; }
    static constexpr int turnaroundUs = 2000;

private:
    void openPty();
    void openTcp();
    void run();
    bool acceptConnection();
    void answer(const QByteArray& request, long long firstByteNs);

    BenchRelay bench;
    Line kind;
    int baud;
    // The pty's master side, or the listening socket.
    int listenFd = -1;
    // The descriptor the bytes go through: the pty master or the accepted connection.
    int lineFd = -1;
    int wakeFds[2] = {-1, -1};
    QString path;
    quint16 port = 0;
    std::atomic<int> dropEvery{0};
    std::atomic<int> corruptEvery{0};
    std::atomic<bool> stopping{false};
    std::atomic<int> requestCount{0};
    std::atomic<int> answerCount{0};
    std::atomic<int> dropCount{0};
    std::atomic<int> corruptCount{0};
    std::atomic<long long> wireNs{0};
    std::thread worker;
};

#endif
