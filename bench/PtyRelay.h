#ifndef TALVIK_BENCH_PTYRELAY_H
#define TALVIK_BENCH_PTYRELAY_H

#include "BenchRelay.h"

#include <QString>

#include <atomic>
#include <thread>

// A relay behind a pseudo-terminal: the program opens slavePath() with its
// QSerialPort, and a thread of this class answers on the master side. A pty
// moves bytes at once, so the relay paces its answer as the serial line
// would: the answer's last byte arrives when the request and the answer have
// spent their time on the wire at the set baud rate (10 bits a character:
// start bit, 8 data bits, stop bit). The answer goes out in chunks of a UART
// receive FIFO, each when its last byte would have arrived.
class PtyRelay
{
public:
    explicit PtyRelay(int baudRate);
    ~PtyRelay();
    PtyRelay(const PtyRelay&) = delete;
    PtyRelay& operator=(const PtyRelay&) = delete;

    bool isValid() const { return masterFd >= 0 && wakeFds[0] >= 0; }
    QString slavePath() const { return path; }

    static double characterTimeUs(int baudRate) { return 10.0e6 / baudRate; }

    int answered() const { return answerCount.load(); }

    static constexpr int fifoChunk = 8;

private:
    void run();
    void answer(const QByteArray& request, long long firstByteNs);

    BenchRelay relay;
    int baud;
    int masterFd = -1;
    int wakeFds[2] = {-1, -1};
    QString path;
    std::atomic<bool> stopping{false};
    std::atomic<int> answerCount{0};
    std::thread worker;
};

#endif
