#include "relay/SettingsVerifier.h"

#include "modbus/LineTiming.h"
#include "modbus/ModBusClient.h"
#include "relay/ConfigFile.h"
#include "relay/ModBusDevice.h"
#include "relay/SettingWrite.h"

#include <QMap>
#include <QTimer>

SettingsVerifier::SettingsVerifier(ModBusDevice* device, QObject* parent)
    : QObject(parent), device(device), watchdog(new QTimer(this))
{
    watchdog->setSingleShot(true);
    watchdog->setInterval(LineTiming::scaled(stepTimeoutMs));
    connect(watchdog, &QTimer::timeout, this, &SettingsVerifier::stepTimedOut);
}

SettingsVerifier::~SettingsVerifier()
{
    if (!device.isNull())
        device->setWriteTracker(nullptr);
}

bool SettingsVerifier::beginBatch()
{
    if (isBusy())
        return false;
    emit batchStarted();
    writes.clear();
    reads.clear();
    checks.clear();
    writesEnded = 0;
    readsEnded = 0;
    phase = Phase::Writing;
    batchOpen = true;
    device->setWriteTracker(this);
    return true;
}

void SettingsVerifier::endBatch()
{
    device->setWriteTracker(nullptr);
    batchOpen = false;
    if (phase == Phase::Writing)
        advance();
}

void SettingsVerifier::writeQueued(uint16_t start, uint16_t count, const uint16_t* values)
{
    // The relay's settings are written one register a request.
    const uint16_t value = count > 0 && values != nullptr ? values[0] : 0;
    writes.append(Write{start, value, Outcome::Waiting, 0});
    watchdog->start();
}

void SettingsVerifier::multipleRegsWritten(uint16_t, const uint16_t*, uint16_t)
{
    endWrite(Outcome::Written);
}

void SettingsVerifier::holdingRegsRead(uint16_t start, const uint16_t* values, uint16_t count)
{
    if (phase != Phase::Reading || values == nullptr)
        return;
    for (Check& check : checks) {
        const int offset = int(check.reg) - int(start);
        if (offset >= 0 && offset < count) {
            check.readBack = true;
            check.actual = values[offset];
        }
    }
    endRead();
}

void SettingsVerifier::coilsRead(uint16_t, const uint8_t*, uint16_t) {}

void SettingsVerifier::coilWritten(uint16_t, bool) {}

void SettingsVerifier::fileRecordRead(uint16_t, uint16_t, const uint8_t*, uint16_t) {}

void SettingsVerifier::responseTimeout()
{
    if (phase == Phase::Writing)
        endWrite(Outcome::Timeout);
    else if (phase == Phase::Reading)
        endRead();
}

void SettingsVerifier::requestFailed(Failure failure)
{
    if (phase == Phase::Reading) {
        endRead();
        return;
    }
    if (phase != Phase::Writing)
        return;
    if (failure == Failure::Exception) {
        const auto* client = dynamic_cast<const ModBusClient*>(device->modBusClient());
        endWrite(Outcome::Refused, client != nullptr ? client->lastExceptionCode() : 0);
    } else {
        endWrite(Outcome::Failed);
    }
}

// Every request ends exactly once and this verifier's writes are sent in the
// order they were queued, so the next write without an outcome is the one
// that just ended.
void SettingsVerifier::endWrite(Outcome outcome, uint8_t exceptionCode)
{
    if (phase != Phase::Writing || writesEnded >= writes.size())
        return;
    writes[writesEnded].outcome = outcome;
    writes[writesEnded].exceptionCode = exceptionCode;
    ++writesEnded;
    advance();
}

void SettingsVerifier::endRead()
{
    ++readsEnded;
    if (readsEnded >= reads.size())
        finish();
    else
        watchdog->start();
}

void SettingsVerifier::advance()
{
    if (batchOpen || writesEnded < writes.size()) {
        if (writesEnded < writes.size())
            watchdog->start();
        return;
    }
    startReading();
}

void SettingsVerifier::startReading()
{
    // The last write of each setting register is what the relay should hold.
    QMap<uint16_t, int> lastWrite;
    for (int i = 0; i < writes.size(); ++i) {
        if (writes.at(i).start != ConfigFile::passwordRegister)
            lastWrite.insert(writes.at(i).start, i);
    }
    if (lastWrite.isEmpty()) {
        watchdog->stop();
        phase = Phase::Idle;
        return;
    }
    for (auto item = lastWrite.constBegin(); item != lastWrite.constEnd(); ++item) {
        const Write& write = writes.at(item.value());
        Check check;
        check.reg = item.key();
        check.intended = write.value;
        check.outcome = write.outcome;
        check.exceptionCode = write.exceptionCode;
        checks.append(check);
    }
    // Registers close together share one read.
    for (const Check& check : qAsConst(checks)) {
        if (!reads.isEmpty() &&
            check.reg - (reads.last().start + reads.last().count - 1) <= maxGap &&
            check.reg - reads.last().start < ModBusDevice::readBlockSize)
            reads.last().count = static_cast<uint16_t>(check.reg - reads.last().start + 1);
        else
            reads.append(Read{check.reg, 1});
    }
    phase = Phase::Reading;
    for (const Read& read : qAsConst(reads))
        device->modBusClient()->readHoldingRegs(this, device->address(), read.start, read.count,
                                                ModBusDevice::writePriority);
    watchdog->start();
}

void SettingsVerifier::finish()
{
    watchdog->stop();
    phase = Phase::Idle;
    emit verified(checks);
}

void SettingsVerifier::stepTimedOut()
{
    if (phase == Phase::Writing) {
        // The rest never ended: dropped with the queue or lost on the way.
        for (int i = writesEnded; i < writes.size(); ++i)
            writes[i].outcome = Outcome::Lost;
        writesEnded = writes.size();
        if (!batchOpen)
            startReading();
    } else if (phase == Phase::Reading) {
        finish();
    }
}

void SettingsVerifier::writeChecked(const QVector<ConfigFile::RegisterValue>& values,
                                    uint16_t password)
{
    const bool checking = beginBatch();
    for (const ConfigFile::RegisterValue& item : values)
        writeSetting(*device, item.reg, item.value, password);
    if (checking)
        endBatch();
}
