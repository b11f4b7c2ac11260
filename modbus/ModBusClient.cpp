#include "modbus/ModBusClient.h"

#include "base/Logger.h"
#include "modbus/IModBusRTULink.h"
#include "modbus/IModBusResponse.h"
#include "modbus/IModBusResponseListener.h"
#include "modbus/LineTiming.h"
#include "modbus/ModBusReadCoilsRequest.h"
#include "modbus/ModBusReadFileRecordRequest.h"
#include "modbus/ModBusReadHoldingRegsRequest.h"
#include "modbus/ModBusWriteCoilRequest.h"
#include "modbus/ModBusWriteMultipleRegsRequest.h"

#include <QTimer>

#include <algorithm>

namespace {

IModBusResponse* responseOf(IModBusRequest* request)
{
    return dynamic_cast<IModBusResponse*>(request);
}

IModBusResponseListener* listenerOf(IModBusRequest* request)
{
    IModBusResponse* response = responseOf(request);
    return response != nullptr ? response->listener() : nullptr;
}

} // namespace

ModBusClient::ModBusClient()
    : responseTimer(new QTimer(this)), errorDelayTimer(new QTimer(this)),
      lateAnswerTimer(new QTimer(this))
{
    responseTimer->setSingleShot(true);
    errorDelayTimer->setSingleShot(true);
    lateAnswerTimer->setSingleShot(true);
    // A coarse timer may fire up to 5 % late: every lost answer would cost
    // up to 50 ms more than the relay's 1000 ms, every garbled one 25 ms.
    responseTimer->setTimerType(Qt::PreciseTimer);
    errorDelayTimer->setTimerType(Qt::PreciseTimer);
    lateAnswerTimer->setTimerType(Qt::PreciseTimer);
    connect(responseTimer, &QTimer::timeout, this, &ModBusClient::timeout);
    connect(errorDelayTimer, &QTimer::timeout, this, &ModBusClient::delayAfterError);
    connect(lateAnswerTimer, &QTimer::timeout, this, &ModBusClient::lateAnswerWindowEnded);
}

ModBusClient::~ModBusClient()
{
    qDeleteAll(queue);
    queue.clear();
    delete current;
    current = nullptr;
    delete garbled;
    garbled = nullptr;
}

void ModBusClient::resetCounters()
{
    lineCounters = Counters();
    lastAnswer.invalidate();
}

qint64 ModBusClient::msSinceLastAnswer() const
{
    return lastAnswer.isValid() ? lastAnswer.elapsed() : -1;
}

void ModBusClient::setLink(IModBusRTULink* link)
{
    rtuLink = link;
}

ModBusClient::State ModBusClient::state() const
{
    if (current != nullptr)
        return State::Waiting;
    if (errorDelayTimer->isActive())
        return State::Pausing;
    if (lateAnswerTimer->isActive())
        return State::Settling;
    return State::Idle;
}

void ModBusClient::readHoldingRegs(IModBusResponseListener* listener, uint8_t address,
                                   uint16_t start, uint16_t count, int32_t priority)
{
    if (rtuLink == nullptr)
        return;
    enqueue(new ModBusReadHoldingRegsRequest(listener, address, start, count), priority);
}

void ModBusClient::writeMultipleRegs(IModBusResponseListener* listener, uint8_t address,
                                     uint16_t start, uint16_t count, const uint16_t* values,
                                     int32_t priority)
{
    if (rtuLink == nullptr)
        return;
    enqueue(new ModBusWriteMultipleRegsRequest(listener, address, start, count, values), priority);
}

void ModBusClient::readCoils(IModBusResponseListener* listener, uint8_t address, uint16_t start,
                             uint16_t count, int32_t priority)
{
    if (rtuLink == nullptr)
        return;
    enqueue(new ModBusReadCoilsRequest(listener, address, start, count), priority);
}

void ModBusClient::writeCoil(IModBusResponseListener* listener, uint8_t address, uint16_t coil,
                             bool value, int32_t priority)
{
    if (rtuLink == nullptr)
        return;
    enqueue(new ModBusWriteCoilRequest(listener, address, coil, value), priority);
}

void ModBusClient::readFileRecord(IModBusResponseListener* listener, uint8_t address,
                                  uint16_t fileNumber, uint16_t recordNumber, uint16_t recordLength,
                                  int32_t priority)
{
    if (rtuLink == nullptr)
        return;
    enqueue(
        new ModBusReadFileRecordRequest(listener, address, fileNumber, recordNumber, recordLength),
        priority);
}

void ModBusClient::readFileRecords(IModBusResponseListener* listener, uint8_t address,
                                   const FileRecordReference* references, uint16_t count,
                                   int32_t priority)
{
    if (rtuLink == nullptr || references == nullptr || count == 0)
        return;
    enqueue(new ModBusReadFileRecordRequest(listener, address, references, count), priority);
}

void ModBusClient::clearQueue()
{
    // The outstanding request is on the line already: it completes or times out.
    const QList<IModBusRequest*> dropped = queue;
    queue.clear();
    qDeleteAll(dropped);
}

void ModBusClient::enqueue(IModBusRequest* request, int32_t priority)
{
    request->setPriority(priority);
    queue.append(request);
    // Writes (priority 1) overtake the poll reads still waiting; equal
    // priorities keep their order of arrival.
    std::stable_sort(queue.begin(), queue.end(),
                     [](const IModBusRequest* a, const IModBusRequest* b) {
                         return a->priority() > b->priority();
                     });
    start();
}

void ModBusClient::start()
{
    // With more than one request queued, something is outstanding or a
    // pause runs: the queue moves on when that ends. A request queued during
    // a pause waits for its end too: an answer to the request before it may
    // still arrive, and would be taken for this one's.
    if (queue.size() == 1 && state() == State::Idle)
        sendNext();
}

void ModBusClient::sendNext()
{
    if (queue.isEmpty())
        return;
    current = queue.takeFirst();
    ++lineCounters.requests;
    // Started before the frame is handed over, so a link that answers from
    // within send() stops a running timer rather than one started too late.
    responseTimer->start(LineTiming::scaled(responseTimeoutMs));
    // Without a link nothing goes out, and the request times out like one
    // sent to a closed port.
    if (rtuLink != nullptr) {
        const uint8_t* data = nullptr;
        uint16_t length = 0;
        current->frame(data, length);
        rtuLink->expectAnswer(current->answerLength());
        rtuLink->send(data, length);
    }
}

void ModBusClient::sendNextIfFree()
{
    // A request is never sent while another is outstanding, so none is
    // displaced, nor while a pause runs (a stray frame also lands here).
    if (state() == State::Idle && !queue.isEmpty())
        sendNext();
}

IModBusRequest* ModBusClient::takeCurrent()
{
    IModBusRequest* taken = current;
    current = nullptr;
    return taken;
}

void ModBusClient::dropCurrent()
{
    IModBusRequest* done = takeCurrent();
    if (done != nullptr)
        ended = true;
    delete done;
}

void ModBusClient::reportIdle()
{
    if (!ended || state() != State::Idle || !queue.isEmpty())
        return;
    ended = false;
    emit becameIdle();
}

void ModBusClient::deliverAnswer(IModBusRequest* request)
{
    // The listener runs while the request is still outstanding, so requests
    // it issues from the callback are queued, not sent.
    IModBusResponse* response = responseOf(request);
    if (response != nullptr && response->listener() != nullptr) {
        delivering = true;
        response->notify(response->listener());
        delivering = false;
    }
}

// A request that ended without its answer is off the line before its
// listener hears of it: requests the listener issues go out at once, and a
// modal box the listener opens does not hold up the queue.
void ModBusClient::endWithTimeout(IModBusRequest* request)
{
    ended = true;
    if (IModBusResponseListener* listener = listenerOf(request))
        listener->responseTimeout();
    delete request;
}

void ModBusClient::endWithFailure(IModBusRequest* request, IModBusResponseListener::Failure failure)
{
    ended = true;
    if (IModBusResponseListener* listener = listenerOf(request))
        listener->requestFailed(failure);
    delete request;
}

void ModBusClient::frameReceived(const uint8_t* data, uint16_t length)
{
    // A frame arriving while the previous answer is still being delivered
    // answers nothing outstanding.
    if (delivering)
        return;
    if (current == nullptr) {
        dropStrayFrame(data, length);
        return;
    }
    responseTimer->stop();
    if (length >= 1 && data[0] == current->address()) {
        // An exception or a short answer reaches the listener as
        // requestFailed() from the request itself.
        // Bit 7 of the function code marks the relay's refusal.
        if (length >= 2 && (data[1] & 0x80) != 0) {
            ++lineCounters.exceptions;
            // Kept for the listener: requestFailed() names no code.
            if (length >= 3)
                exceptionCode = data[2];
        } else {
            ++lineCounters.answers;
        }
        lastAnswer.start();
        current->parseResponse(data, length);
        deliverAnswer(current);
        dropCurrent();
    } else {
        // Another slave's answer answers nothing we asked.
        endWithFailure(takeCurrent(), IModBusResponseListener::Failure::OtherSlave);
    }
    sendNextIfFree();
    reportIdle();
}

void ModBusClient::timeout()
{
    if (delivering)
        return;
    responseTimer->stop();
    logError("Таймаут ответа!");
    // An answer that still comes answers nothing outstanding.
    if (rtuLink != nullptr)
        rtuLink->expectAnswer(0);
    if (current != nullptr) {
        ++lineCounters.timeouts;
        // The window starts before the listener hears of the timeout: what
        // it asks again from the callback waits for the window's end.
        awaitLateAnswer(current->address());
        endWithTimeout(takeCurrent());
    }
    sendNextIfFree();
    reportIdle();
}

void ModBusClient::awaitLateAnswer(uint8_t fromAddress)
{
    // Without a link nothing was sent, so nothing can answer late.
    if (rtuLink == nullptr || rtuLink->tellsAnswersApart())
        return;
    lateAnswerAddress = fromAddress;
    lateAnswerTimer->start(LineTiming::scaled(lateAnswerWindowMs));
}

void ModBusClient::dropStrayFrame(const uint8_t* data, uint16_t length)
{
    ++lineCounters.strayFrames;
    if (lateAnswerTimer->isActive()) {
        logError("Отброшен запоздалый ответ на прежний запрос.");
        // The relay answers a request once: with its late answer in, nothing
        // more is on its way, and the line is free again.
        if (length >= 1 && data[0] == lateAnswerAddress)
            lateAnswerWindowEnded();
        return;
    }
    if (errorDelayTimer->isActive())
        return;
    // Nothing was asked, yet something answers: a request timed out longer
    // ago than the window, and more of its kind may follow. The next request
    // waits a window of its own.
    logError("Отброшен ответ, которого никто не ждал.");
    awaitLateAnswer(length >= 1 ? data[0] : 0);
}

void ModBusClient::lateAnswerWindowEnded()
{
    lateAnswerTimer->stop();
    // Half a late frame still in the link's buffer would spoil the next answer.
    if (rtuLink != nullptr)
        rtuLink->clear();
    sendNextIfFree();
    reportIdle();
}

void ModBusClient::linkError()
{
    ++lineCounters.frameErrors;
    // One pause per burst of garbled frames; within the late-answer window
    // a garbled frame answers nothing outstanding, and the window runs on.
    if (errorDelayTimer->isActive() || lateAnswerTimer->isActive())
        return;
    // The request being delivered has its answer; any other outstanding one
    // ends once the pause has passed.
    if (!delivering && current != nullptr)
        garbled = takeCurrent();
    responseTimer->stop();
    errorDelayTimer->start(LineTiming::scaled(errorPauseMs));
}

void ModBusClient::delayAfterError()
{
    // Cleared before the listener hears of the failure: the request it sends
    // again at once must find a clean line.
    if (rtuLink != nullptr)
        rtuLink->clear();
    if (garbled != nullptr) {
        IModBusRequest* failed = garbled;
        garbled = nullptr;
        endWithFailure(failed, IModBusResponseListener::Failure::Garbled);
    }
    // A request created into the empty queue during the pause may be on the
    // line already; the rest waits for its answer or its timeout.
    sendNextIfFree();
    reportIdle();
}
