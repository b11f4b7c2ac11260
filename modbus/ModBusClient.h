#ifndef TALVIK_MODBUS_MODBUSCLIENT_H
#define TALVIK_MODBUS_MODBUSCLIENT_H

#include "modbus/IModBusClient.h"
#include "modbus/IModBusRTUResponseListener.h"

#include <QList>
#include <QObject>

#include <cstdint>

class IModBusRequest;
class IModBusResponseListener;
class IModBusRTULink;
class QTimer;

// The Modbus master's transaction manager: queues requests by priority and
// keeps exactly one of them outstanding on the current link. A request is
// sent once and then completed, timed out or dropped; it is never retried.
class ModBusClient : public QObject, public IModBusRTUResponseListener, public IModBusClient
{
    Q_OBJECT
    Q_INTERFACES(IModBusRTUResponseListener IModBusClient)

public:
    // Idle: nothing outstanding, nothing queued. Waiting: a request is on the
    // line and its response timer runs. Pausing: the line is left alone for a
    // while after a garbled frame.
    enum class State
    {
        Idle,
        Waiting,
        Pausing
    };

    ModBusClient();
    ~ModBusClient() override;

    // Takes effect at the next request sent; the link is not owned.
    void setLink(IModBusRTULink* link);
    IModBusRTULink* link() const { return rtuLink; }

    State state() const;
    int queuedCount() const { return queue.size(); }

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
    void clearQueue() override;

    void frameReceived(const uint8_t* data, uint16_t length) override;
    void linkError() override;

    // The relay answers within this time or not at all.
    static constexpr int responseTimeoutMs = 1000;
    // Lets the rest of a garbled burst die away before the next request.
    static constexpr int errorPauseMs = 500;

signals:
    // A request has ended (answered, refused, timed out or dropped) and
    // nothing is outstanding, queued or pausing any more: what was asked has
    // all been settled. Callers that cannot tell a refused request from one
    // still on its way (the listener hears of neither) wait for this.
    void becameIdle();

public slots:
    void timeout();
    void start();
    void delayAfterError();

private:
    Q_DISABLE_COPY(ModBusClient)

    void enqueue(IModBusRequest* request, int32_t priority);
    void sendNext();
    void dropCurrent();
    void reportIdle();

    QList<IModBusRequest*> queue;
    IModBusRequest* current = nullptr;
    IModBusRTULink* rtuLink = nullptr;
    QTimer* responseTimer;
    QTimer* errorDelayTimer;
    // Set while the outstanding request's listener runs. A listener may open a
    // modal box, whose event loop can deliver more frames or link errors:
    // those must not parse into or delete the request being delivered.
    bool delivering = false;
    // A request ended since becameIdle() was last emitted.
    bool ended = false;
};

#endif
