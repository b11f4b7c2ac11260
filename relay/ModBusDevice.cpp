#include "relay/ModBusDevice.h"

#include "modbus/IModBusClient.h"
#include "modbus/ModBusClient.h"
#include "relay/IWriteTracker.h"

#include <QTimer>

#include <algorithm>

namespace {

// Reads left without an answer (an exception, a dropped queue) stay in the
// list until a later answer passes them; beyond this many the oldest go. A
// poll queues its reads only onto an empty queue, so no read that old is
// still alive.
constexpr int maxPendingReads = 64;

ModBusDevice::ReadFailure readFailureOf(IModBusResponseListener::Failure failure)
{
    using Failure = IModBusResponseListener::Failure;
    switch (failure) {
    case Failure::Exception:
        return ModBusDevice::ReadFailure::Refused;
    case Failure::WrongLength:
        return ModBusDevice::ReadFailure::WrongLength;
    case Failure::Garbled:
        return ModBusDevice::ReadFailure::Garbled;
    case Failure::OtherSlave:
        break;
    }
    return ModBusDevice::ReadFailure::OtherSlave;
}

} // namespace

// Listens to the poll's reads alone. The client ends requests in the order
// it sent them, and poll reads keep their order among themselves, so a read
// that ends without its answer is the oldest one pending.
class ModBusDevice::PollReads final : public IModBusResponseListener
{
public:
    explicit PollReads(ModBusDevice& owner) : device(owner) {}

    void holdingRegsRead(uint16_t start, const uint16_t* values, uint16_t count) override
    {
        device.holdingRegsRead(start, values, count);
    }
    void multipleRegsWritten(uint16_t, const uint16_t*, uint16_t) override {}
    void coilsRead(uint16_t, const uint8_t*, uint16_t) override {}
    void coilWritten(uint16_t, bool) override {}
    void fileRecordRead(uint16_t, uint16_t, const uint8_t*, uint16_t) override {}
    void responseTimeout() override { device.pollReadFailed(ReadFailure::NoAnswer); }
    void requestFailed(Failure failure) override { device.pollReadFailed(readFailureOf(failure)); }

private:
    ModBusDevice& device;
};

ModBusDevice::ModBusDevice(uint16_t newCoilCount, uint16_t newRegisterCount)
    : pollTimer(new QTimer(this)), registers(new uint16_t[newRegisterCount]()),
      registerCount(newRegisterCount), coils(new uint8_t[newCoilCount]()), coilCount(newCoilCount),
      readTickets(new uint64_t[newRegisterCount]()), pollReads(new PollReads(*this)),
      readTimes(new qint64[newRegisterCount])
{
    clock.start();
    forgetReadTimes();
    pollTimer->setSingleShot(false);
    connect(pollTimer, &QTimer::timeout, this, &ModBusDevice::refresh);
}

ModBusDevice::~ModBusDevice()
{
    pollTimer->stop();
    delete pollTimer;
    delete[] registers;
    delete[] coils;
    delete[] readTickets;
    delete[] readTimes;
    delete pollReads;
}

void ModBusDevice::setClient(IModBusClient* newClient)
{
    client = newClient;
}

void ModBusDevice::setDeviceAddress(uint8_t address)
{
    deviceAddress = address;
}

void ModBusDevice::setPeriod(int ms)
{
    // A zero interval would make the repeating timer fire on every pass of the
    // event loop and flood the client's queue with reads.
    if (ms < 1)
        return;
    period = ms;
}

uint16_t ModBusDevice::getRegister(uint16_t n) const
{
    return n < registerCount ? registers[n] : 0;
}

void ModBusDevice::writeRegisters(uint16_t start, uint16_t count, const uint16_t* values)
{
    if (client == nullptr || (values == nullptr && count > 0))
        return;
    IModBusResponseListener* listener = this;
    if (writeTracker != nullptr) {
        writeTracker->writeQueued(start, count, values);
        listener = writeTracker;
    }
    client->writeMultipleRegs(listener, deviceAddress, start, count, values, writePriority);
    ++tickets;
}

void ModBusDevice::setWriteTracker(IWriteTracker* tracker)
{
    writeTracker = tracker;
}

void ModBusDevice::writeCoil(uint16_t coil, bool on)
{
    if (client == nullptr)
        return;
    client->writeCoil(this, deviceAddress, coil, on, writePriority);
    ++tickets;
}

uint8_t ModBusDevice::getCoil(uint16_t n) const
{
    return n < coilCount ? coils[n] : 0;
}

uint64_t ModBusDevice::lastTicket() const
{
    return tickets;
}

uint64_t ModBusDevice::readTicket(uint16_t n) const
{
    return n < registerCount ? readTickets[n] : 0;
}

void ModBusDevice::forgetReadTimes()
{
    std::fill(readTimes, readTimes + registerCount, qint64(-1));
}

qint64 ModBusDevice::imageAgeMs() const
{
    if (registerCount == 0)
        return -1;
    const qint64 oldest = *std::min_element(readTimes, readTimes + registerCount);
    return oldest < 0 ? -1 : clock.elapsed() - oldest;
}

qint64 ModBusDevice::registerAgeMs(uint16_t n) const
{
    if (n >= registerCount || readTimes[n] < 0)
        return -1;
    return clock.elapsed() - readTimes[n];
}

void ModBusDevice::holdingRegsRead(uint16_t start, const uint16_t* values, uint16_t count)
{
    if (values == nullptr)
        return;
    PendingRead read{0, start, count, 0};
    const bool pending = takePendingRead(start, count, &read);
    const uint64_t ticket = read.ticket;
    const qint64 now = clock.elapsed();
    // Computed in int: a block near the top of the address space must not
    // wrap around onto the low registers.
    for (int i = 0; i < count; ++i) {
        const int n = start + i;
        if (n >= registerCount)
            break;
        registers[n] = values[i];
        readTickets[n] = std::max(readTickets[n], ticket);
        readTimes[n] = now;
    }
    emit registersRead(start, count);
    // Ended once its registers are in the image: the end of a poll may be
    // the moment its values are read.
    if (pending)
        endRead(read, nullptr);
}

void ModBusDevice::queueRead(uint16_t start, uint16_t count, uint64_t poll)
{
    // Listed before it is queued: a client may answer from within the call.
    pendingReads.append(PendingRead{++tickets, start, count, poll});
    if (pendingReads.size() > maxPendingReads) {
        const ReadFailure notSent = ReadFailure::NotSent;
        endRead(pendingReads.takeFirst(), &notSent);
    }
    client->readHoldingRegs(pollReads, deviceAddress, start, count, pollPriority);
}

// The answer belongs to the oldest pending read of the same block: the reads
// before it ended without an answer. Should an older, silently ended read of
// the same block still be listed, the answer is taken for that one, whose
// ticket is smaller: a written value then waits one poll longer, but an
// answer is never taken for a read sent later than it was.
bool ModBusDevice::takePendingRead(uint16_t start, uint16_t count, PendingRead* taken)
{
    for (int i = 0; i < pendingReads.size(); ++i) {
        const PendingRead read = pendingReads.at(i);
        if (read.start == start && read.count == count) {
            // The reads before it were dropped from the queue unsent: an
            // ended one would have been taken off the list already.
            const QVector<PendingRead> dropped = pendingReads.mid(0, i);
            pendingReads.remove(0, i + 1);
            const ReadFailure notSent = ReadFailure::NotSent;
            for (const PendingRead& unsent : dropped)
                endRead(unsent, &notSent);
            *taken = read;
            return true;
        }
    }
    return false;
}

void ModBusDevice::pollReadFailed(ReadFailure failure)
{
    if (!pendingReads.isEmpty())
        endRead(pendingReads.takeFirst(), &failure);
}

void ModBusDevice::endRead(const PendingRead& read, const ReadFailure* failure)
{
    for (int i = 0; i < pollsInFlight.size(); ++i) {
        PollInFlight& poll = pollsInFlight[i];
        if (poll.number != read.poll)
            continue;
        if (failure != nullptr)
            poll.failed.append(FailedRead{read.start, read.count, *failure});
        if (--poll.readsLeft > 0)
            return;
        const QVector<FailedRead> failed = poll.failed;
        pollsInFlight.remove(i);
        emit pollEnded(failed);
        return;
    }
}

void ModBusDevice::multipleRegsWritten(uint16_t, const uint16_t*, uint16_t)
{
    // The written values reach the image with the next poll.
}

void ModBusDevice::coilsRead(uint16_t start, const uint8_t* states, uint16_t count)
{
    if (states == nullptr)
        return;
    for (int i = 0; i < count; ++i) {
        const int n = start + i;
        if (n >= coilCount)
            break;
        coils[n] = states[i] != 0 ? 1 : 0;
    }
}

void ModBusDevice::coilWritten(uint16_t coil, bool value)
{
    if (coil < coilCount)
        coils[coil] = value ? 1 : 0;
}

void ModBusDevice::fileRecordRead(uint16_t, uint16_t, const uint8_t*, uint16_t) {}

// A failed poll leaves the image as it was; the client and the link have
// logged the failure and the next poll tries again.
void ModBusDevice::responseTimeout() {}

void ModBusDevice::requestFailed(Failure) {}

void ModBusDevice::refresh()
{
    if (client == nullptr)
        return;
    // When the relay answers slower than the poll period (timeouts, pauses
    // after line errors), the reads of the last poll are still waiting: more
    // reads of the same registers would only make the queue grow without
    // bound. The poll is skipped until the queue has drained.
    const auto* queue = dynamic_cast<const ModBusClient*>(client);
    if (queue != nullptr && queue->queuedCount() > 0)
        return;
    const int fullBlocks = registerCount / readBlockSize;
    const uint16_t rest = registerCount % readBlockSize;
    const int reads = fullBlocks + (rest != 0 ? 1 : 0);
    if (reads == 0)
        return;
    const uint64_t poll = ++polls;
    pollsInFlight.append(PollInFlight{poll, reads, {}});
    for (int i = 0; i < fullBlocks; ++i)
        queueRead(static_cast<uint16_t>(i * readBlockSize), readBlockSize, poll);
    if (rest != 0)
        queueRead(static_cast<uint16_t>(fullBlocks * readBlockSize), rest, poll);
}

void ModBusDevice::stop()
{
    if (pollTimer->isActive())
        pollTimer->stop();
}

void ModBusDevice::start()
{
    if (!pollTimer->isActive())
        pollTimer->start(period);
}
