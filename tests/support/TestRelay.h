#ifndef TALVIK_TESTS_SUPPORT_TESTRELAY_H
#define TALVIK_TESTS_SUPPORT_TESTRELAY_H

#include "relay/RelayMap.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QVector>

#include <cstdint>
#include <memory>

class PtyPair;
class QSocketNotifier;
class QTcpServer;
class QTcpSocket;
class QTimer;

// The relay's memory — the holding registers, the coils and the files of
// fault records and journal entries of RelayMap — and its answers to the five
// function codes the client speaks, frame bodies in and out (address, function
// code and data; no CRC, no header). No line, no timing and no event loop: the
// test relay puts it behind its line, and the benchmarks' paced relays answer
// from it on a thread of their own.
class RelayMemory
{
public:
    // What a relay that cannot serve a batched read does with one.
    enum class Refusal
    {
        // Refuses with "illegal data value".
        Exception,
        // Answers only the first sub-request, or the first sample of a long
        // record: an answer shorter than the request asked for.
        ShortAnswer,
        // Stays silent.
        Silence
    };

    // Limits of an older relay (0 and false: none).
    struct Limits
    {
        // File record requests for more registers than this are refused.
        int maxRecordLength = 0;
        // Requests of several sub-requests are refused.
        bool singleSubRequest = false;
        Refusal refusal = Refusal::Exception;
    };

    struct RegisterWrite
    {
        uint16_t address;
        uint16_t value;
    };

    explicit RelayMemory(uint8_t slaveAddress = 1);

    uint8_t slaveAddress() const { return address; }
    void setLimits(const Limits& newLimits) { limits = newLimits; }
    // A relay that guards its settings: a write to any register but the
    // password register is refused with exception 3 unless the value last
    // written to the password register is `password`. Reads are answered.
    void requirePassword(uint16_t password)
    {
        guarded = true;
        requiredPassword = password;
    }

    void setRegister(uint16_t address, uint16_t value);
    uint16_t registerValue(uint16_t address) const;
    bool coil(uint16_t address) const;
    // The raw bytes of a file record buffer (files 0..32), little-endian
    // contents as the relay stores them.
    void setFile(uint16_t fileNumber, const QByteArray& bytes);

    // Register writes carried out, in order (function 16, one per register).
    QList<RegisterWrite> registerWrites() const { return writes; }
    void clearWrites() { writes.clear(); }

    // Carries out the request and gives the answer's body, sent from this
    // relay's address. *silent (when given) tells whether a refused batched
    // read is to go unanswered.
    QByteArray answer(const QByteArray& body, bool* silent = nullptr);
    // The exception answer with this code to the request.
    QByteArray exception(const QByteArray& body, uint8_t code) const;

private:
    QByteArray answerFileRecords(const QByteArray& body, bool* silent);

    uint8_t address;
    Limits limits;
    bool guarded = false;
    uint16_t requiredPassword = 0;
    QVector<uint16_t> registers;
    QVector<bool> coils;
    QVector<QByteArray> files;
    QList<RegisterWrite> writes;
};

// A relay on the far end of a pseudo-terminal: the program under test opens
// portName() with its QSerialPort, and this object answers its Modbus RTU
// frames as the relay does — holding registers 0..84, coils 0..7, fault
// records in files 0..2, journal entries in files 3..32 — with real CRCs and
// a frame end found by line silence. Fault switches make it misbehave the
// ways a noisy RS-485 line and a busy relay do; every request it received is
// kept, byte for byte.
//
// The same relay can sit behind an Ethernet gateway instead: listening on
// 127.0.0.1 at tcpPort(), one connection at a time, with RTU frames carried
// as they are (a transparent serial gateway) or as Modbus TCP (MBAP header
// instead of the CRC; requests() then holds the frames with the header).
class TestRelay : public QObject
{
    Q_OBJECT

public:
    // Each switch acts on every k-th request addressed to the relay (counted
    // from 1 over all of them, k = 0 switches it off), so several switches
    // can run together on different requests.
    struct Faults
    {
        // The relay refuses the request with this exception code and does
        // not carry it out.
        int exceptionEvery = 0;
        uint8_t exceptionCode = 0x04;
        // The request is carried out, but its answer is lost on the line.
        int dropEvery = 0;
        // The request is carried out; its answer arrives with a wrong CRC.
        int corruptCrcEvery = 0;
        // The next slave address answers, with a good CRC and its own data.
        int wrongAddressEvery = 0;
        // The answer is written in chunks of this many bytes, chunkGapMs
        // apart (0: in one piece).
        int chunkSize = 0;
        int chunkGapMs = 0;
        // Random bytes put on the line noiseGapMs after the end of an answer.
        int noiseEvery = 0;
        int noiseBytes = 3;
        int noiseGapMs = 60;
        // Every answer leaves this much later; answerDelayEvery limits it to
        // every k-th (0: all answers). Written against the relay's 1000 ms
        // timeout and divided, as the program's waits are, by
        // LineTiming::divisor().
        int answerDelayMs = 0;
        int answerDelayEvery = 0;
    };

    using Refusal = RelayMemory::Refusal;
    using Limits = RelayMemory::Limits;

    enum class Line
    {
        Pty,
        RtuOverTcp,
        ModbusTcp
    };

    using RegisterWrite = RelayMemory::RegisterWrite;

    explicit TestRelay(uint8_t slaveAddress = 1, QObject* parent = nullptr);
    TestRelay(Line line, uint8_t slaveAddress = 1, QObject* parent = nullptr);
    ~TestRelay() override;

    bool isValid() const;
    Line line() const { return relayLine; }
    // The device path the program opens as its serial port (Line::Pty).
    QString portName() const;
    // The port on 127.0.0.1 the program connects to (the TCP lines).
    quint16 tcpPort() const;
    // Connections accepted so far (the TCP lines).
    int connectionCount() const { return connections; }
    // Pulls the cable: the relay's side of the line goes away for good.
    void unplug();
    // Drops the open TCP connection; the relay keeps listening for the next.
    void dropConnection();

    void setFaults(const Faults& newFaults) { faults = newFaults; }
    // The relay's own line speed: a frame sent at another speed reaches it
    // as noise and gets no answer. 0 (the default) hears every speed.
    void setLineSpeed(int baudRate) { lineSpeed = baudRate; }
    Faults currentFaults() const { return faults; }
    void setLimits(const Limits& newLimits) { memory.setLimits(newLimits); }
    // A relay that guards its settings: see RelayMemory::requirePassword().
    void requirePassword(uint16_t password) { memory.requirePassword(password); }

    // The registers, coils and files the relay answers from.
    RelayMemory& content() { return memory; }
    void setRegister(uint16_t address, uint16_t value) { memory.setRegister(address, value); }
    uint16_t registerValue(uint16_t address) const { return memory.registerValue(address); }
    bool coil(uint16_t address) const { return memory.coil(address); }
    // The raw bytes of a file record buffer (files 0..32), little-endian
    // contents as the relay stores them.
    void setFile(uint16_t fileNumber, const QByteArray& bytes)
    {
        memory.setFile(fileNumber, bytes);
    }

    // Every frame with a good CRC that reached the relay, whatever its
    // address, including the CRC.
    QList<QByteArray> requests() const { return received; }
    // Requests addressed to the relay (the ones the fault counters count).
    int requestCount() const { return counted; }
    // Frames that failed the CRC check or were too short.
    int badFrameCount() const { return badFrames; }
    // Register writes carried out, in order (function 16, one per register).
    QList<RegisterWrite> registerWrites() const { return memory.registerWrites(); }
    int answersSent() const { return answers; }
    void clearRecords();

    // CRC-16/MODBUS of a frame body, low byte first as it goes on the line.
    static QByteArray withCrc(const QByteArray& body);

signals:
    void requestReceived(const QByteArray& frame);

private:
    Q_DISABLE_COPY(TestRelay)

    void openPty();
    void listen();
    void acceptConnection();
    void readLine();
    void bytesArrived(const QByteArray& bytes);
    void takeMbapRequests();
    void frameEnded();
    void requestArrived(const QByteArray& frame, const QByteArray& body);
    QByteArray onLine(const QByteArray& reply, bool corrupt) const;
    void transmit(QByteArray frame, int delayMs);
    void writeLine(const QByteArray& bytes);
    static bool every(int k, int n) { return k > 0 && n % k == 0; }

    RelayMemory memory;
    Line relayLine = Line::Pty;
    std::unique_ptr<PtyPair> pty;
    int slaveKeeper = -1;
    QSocketNotifier* notifier = nullptr;
    QTcpServer* server = nullptr;
    QTcpSocket* socket = nullptr;
    int connections = 0;
    QTimer* silence = nullptr;
    QByteArray rxBuffer;
    // Transaction id of the Modbus TCP request being answered.
    uint16_t transactionId = 0;
    Faults faults;
    int lineSpeed = 0;
    bool heardAtLineSpeed() const;

    QList<QByteArray> received;
    int counted = 0;
    int badFrames = 0;
    int answers = 0;
    uint32_t noiseSeed = 0x2545F491u;
};

#endif
