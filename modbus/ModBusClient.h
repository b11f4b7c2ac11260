#ifndef TALVIK_MODBUS_MODBUSCLIENT_H
#define TALVIK_MODBUS_MODBUSCLIENT_H

#include "modbus/IModBusClient.h"
#include "modbus/IModBusRTUResponseListener.h"
#include "modbus/IModBusResponseListener.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>

#include <cstdint>

class IModBusRequest;
class IModBusRTULink;
class QTimer;

// The Modbus master's transaction manager: queues requests by priority and
// keeps exactly one of them outstanding on the current link. A request is
// sent once and never retried; it ends exactly once toward its listener:
// answered, timed out, or failed (an exception, an answer too short, another
// slave's answer, or a garbled answer once the pause after it has passed).
// Requests dropped by clearQueue() or the destructor end without a word.
//
// An RTU answer carries nothing that names the request it answers: a relay
// that answers after the timeout sends a frame of the very length and
// function the next request of the same kind awaits, with a good CRC. So
// after a timeout nothing is sent until the late answer has come or its
// window has passed; what arrives meanwhile is dropped. A link that tells
// answers apart by itself (Modbus TCP's transaction id) needs no window.
class ModBusClient : public QObject, public IModBusRTUResponseListener, public IModBusClient
{
    Q_OBJECT
    Q_INTERFACES(IModBusRTUResponseListener IModBusClient)

public:
    // Idle: nothing outstanding, nothing queued. Waiting: a request is on the
    // line and its response timer runs. Pausing: the line is left alone for a
    // while after a garbled frame; the request it garbled ends when the
    // pause does. Settling: a request timed out and its late answer may still
    // come; the line is left alone until it has come or its window has passed.
    enum class State
    {
        Idle,
        Waiting,
        Pausing,
        Settling
    };

    // What happened on the line since the counters were last reset: requests
    // sent, answers delivered, requests that timed out, frames the link
    // rejected (bad CRC or too short), exception answers, and frames dropped
    // because nothing outstanding awaited them (late answers among them).
    struct Counters
    {
        quint64 requests = 0;
        quint64 answers = 0;
        quint64 timeouts = 0;
        quint64 frameErrors = 0;
        quint64 exceptions = 0;
        quint64 strayFrames = 0;
    };

    ModBusClient();
    ~ModBusClient() override;

    const Counters& counters() const { return lineCounters; }
    void resetCounters();
    // Milliseconds since the last answer (exception answers included: the
    // relay is there), or -1 when none came since the counters were reset.
    qint64 msSinceLastAnswer() const;

    // Takes effect at the next request sent; the link is not owned.
    void setLink(IModBusRTULink* link);
    IModBusRTULink* link() const { return rtuLink; }

    State state() const;
    int queuedCount() const { return queue.size(); }
    // The code of the newest exception answer (0 before any): a listener told
    // requestFailed(Exception) reads it during that call.
    uint8_t lastExceptionCode() const { return exceptionCode; }

    void readHoldingRegs(IModBusResponseListener* listener, uint8_t address, uint16_t start,
                         uint16_t count, int32_t priority) override;
    void writeMultipleRegs(IModBusResponseListener* listener, uint8_t address, uint16_t start,
                           uint16_t count, const uint16_t* values, int32_t priority) override;
    void readCoils(IModBusResponseListener* listener, uint8_t address, uint16_t start,
                   uint16_t count, int32_t priority) override;
    void writeCoil(IModBusResponseListener* listener, uint8_t address, uint16_t coil, bool value,
                   int32_t priority) override;
    void readFileRecord(IModBusResponseListener* listener, uint8_t address, uint16_t fileNumber,
                        uint16_t recordNumber, uint16_t recordLength, int32_t priority) override;
    void readFileRecords(IModBusResponseListener* listener, uint8_t address,
                         const FileRecordReference* references, uint16_t count,
                         int32_t priority) override;
    void clearQueue() override;

    void frameReceived(const uint8_t* data, uint16_t length) override;
    void linkError() override;

    // The relay answers within this time or not at all.
    static constexpr int responseTimeoutMs = 1000;
    // Lets the rest of a garbled burst die away before the next request.
    static constexpr int errorPauseMs = 500;
    // After a timeout: a relay that answers up to twice its timeout after the
    // request is heard out before the next request goes on the line.
    static constexpr int lateAnswerWindowMs = 1000;

signals:
    // A request has ended (answered, refused, timed out or failed) and
    // nothing is outstanding, queued or pausing any more: what was asked has
    // all been settled.
    void becameIdle();

public slots:
    void timeout();
    void start();
    void delayAfterError();
    // The late answer has come or can no longer be told from the next one's.
    void lateAnswerWindowEnded();

private:
    Q_DISABLE_COPY(ModBusClient)

    void enqueue(IModBusRequest* request, int32_t priority);
    void sendNext();
    void sendNextIfFree();
    // Takes the outstanding request off the line; the caller ends it.
    IModBusRequest* takeCurrent();
    void dropCurrent();
    void deliverAnswer(IModBusRequest* request);
    // Tells the request's listener (if any) and deletes the request.
    void endWithTimeout(IModBusRequest* request);
    void endWithFailure(IModBusRequest* request, IModBusResponseListener::Failure failure);
    void reportIdle();
    void awaitLateAnswer(uint8_t fromAddress);
    void dropStrayFrame(const uint8_t* data, uint16_t length);

    QList<IModBusRequest*> queue;
    IModBusRequest* current = nullptr;
    // The request a garbled answer ended, kept until the pause has passed.
    IModBusRequest* garbled = nullptr;
    IModBusRTULink* rtuLink = nullptr;
    QTimer* responseTimer;
    QTimer* errorDelayTimer;
    QTimer* lateAnswerTimer;
    // The slave whose answer the late-answer window waits for.
    uint8_t lateAnswerAddress = 0;
    // Set while the outstanding request's listener runs. A listener may open a
    // modal box, whose event loop can deliver more frames or link errors:
    // those must not parse into or delete the request being delivered.
    bool delivering = false;
    // A request ended since becameIdle() was last emitted.
    bool ended = false;
    Counters lineCounters;
    QElapsedTimer lastAnswer;
    uint8_t exceptionCode = 0;
};

#endif
