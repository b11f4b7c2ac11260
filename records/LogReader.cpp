#include "records/LogReader.h"

#include "base/Logger.h"
#include "modbus/FileRecordReference.h"
#include "modbus/IModBusClient.h"
#include "records/JournalCsv.h"

#include <QString>

#include <algorithm>

namespace {

constexpr uint16_t entryRecordNumber = 0;
constexpr uint16_t entryLength = JournalEntry::size / 2;
constexpr int32_t readerPriority = 0;
// As many whole entries as one function 20 answer carries: 9.
constexpr int maxEntriesPerRequest =
    maxFileRecordResponseData / fileRecordResponseSize(entryLength);

} // namespace

LogReader::LogReader(QObject* parent) : QObject(parent), requests(this, &LogReader::watchdogExpired)
{
}

LogReader::~LogReader() = default;

void LogReader::setClient(IModBusClient* newClient)
{
    client = newClient;
}

void LogReader::setWatchdogInterval(int milliseconds)
{
    requests.setWatchdogInterval(milliseconds);
}

void LogReader::setBatchedReads(bool on)
{
    requests.setBatchedReads(on);
}

int LogReader::entriesPerBatch()
{
    return maxEntriesPerRequest;
}

float LogReader::progress() const
{
    // Divided by 29 so that the bar is full while the last entry is read; it
    // must not run past full once that entry has arrived.
    const float percent = static_cast<float>(entryIndex) * 100.0f / (entryCount - 1);
    return std::min(percent, 100.0f);
}

const JournalEntry* LogReader::entry(int index) const
{
    if (index < 0 || index >= entryCount)
        return nullptr;
    return &entries[index];
}

void LogReader::readRecords(uint8_t deviceAddress)
{
    readerState = ReadingPointer;
    this->deviceAddress = deviceAddress;
    entryIndex = 0;
    requests.startReading();
    requestPointer();
}

void LogReader::holdingRegsRead(uint16_t start, const uint16_t* values, uint16_t count)
{
    if (!requests.isWaiting() || readerState != ReadingPointer || start != pointerRegister ||
        count < 1 || values == nullptr)
        return;
    requests.answered();
    pointer = values[0];
    readerState = ReadingEntries;
    requestEntry();
}

void LogReader::multipleRegsWritten(uint16_t, const uint16_t*, uint16_t) {}

void LogReader::coilsRead(uint16_t, const uint8_t*, uint16_t) {}

void LogReader::coilWritten(uint16_t, bool) {}

void LogReader::fileRecordRead(uint16_t fileNumber, uint16_t recordNumber, const uint8_t* data,
                               uint16_t byteCount)
{
    // The entries of one request arrive one call each, in file order.
    if (!requests.isWaiting() || readerState != ReadingEntries || entryIndex >= batchEnd ||
        fileNumber != firstEntryFile + entryIndex || recordNumber != entryRecordNumber ||
        byteCount != JournalEntry::size || data == nullptr)
        return;
    entries[entryIndex] = JournalEntry::decode(data);
    ++entryIndex;
    if (entryIndex == batchEnd)
        entriesReceived();
}

void LogReader::entriesReceived()
{
    requests.answered();
    if (batchSize > 1)
        requests.batchTaken();
    if (entryIndex >= entryCount) {
        emit logReadingFinished();
        return;
    }
    requestEntry();
}

void LogReader::responseTimeout()
{
    requestEnded(true);
}

void LogReader::requestFailed(Failure failure)
{
    requestEnded(failure == Failure::Exception || failure == Failure::WrongLength);
}

void LogReader::requestEnded(bool refused)
{
    switch (requests.ended(refused, readerState == ReadingEntries && batchSize > 1)) {
    case ReaderRequests::Next::Nothing:
        return;
    case ReaderRequests::Next::FallBack:
        logInfo(
            "Реле не отдаёт несколько записей одним запросом: журнал читается по одной записи.");
        requestEntry();
        return;
    case ReaderRequests::Next::GiveUp:
        emit logReadingFailed();
        return;
    case ReaderRequests::Next::Retry:
        break;
    }
    if (readerState == ReadingPointer)
        requestPointer();
    else if (readerState == ReadingEntries)
        requestEntry();
}

void LogReader::requestPointer()
{
    requests.sent();
    if (client != nullptr)
        client->readHoldingRegs(this, deviceAddress, pointerRegister, 1, readerPriority);
}

void LogReader::requestEntry()
{
    const int count = entriesForNextRequest();
    batchSize = count;
    batchEnd = static_cast<uint16_t>(entryIndex + count);
    requests.sent();
    if (client == nullptr)
        return;
    if (count == 1) {
        client->readFileRecord(this, deviceAddress,
                               static_cast<uint16_t>(firstEntryFile + entryIndex),
                               entryRecordNumber, entryLength, readerPriority);
        return;
    }
    FileRecordReference references[maxEntriesPerRequest];
    for (int i = 0; i < count; ++i)
        references[i] = FileRecordReference{static_cast<uint16_t>(firstEntryFile + entryIndex + i),
                                            entryRecordNumber, entryLength};
    client->readFileRecords(this, deviceAddress, references, static_cast<uint16_t>(count),
                            readerPriority);
}

int LogReader::entriesForNextRequest() const
{
    if (!requests.batchesAllowed())
        return 1;
    return std::max(1, std::min(maxEntriesPerRequest, entryCount - entryIndex));
}

void LogReader::watchdogExpired()
{
    // The client ended the request without calling back: a failed attempt,
    // which decides nothing about batched reads.
    requestEnded(false);
}

QVector<JournalEntry> LogReader::events() const
{
    return JournalCsv::newestFirst(entries.data(), entryCount, pointer);
}

bool LogReader::write(QIODevice& device) const
{
    return JournalCsv::write(device, entries.data(), entryCount, pointer);
}

bool LogReader::save(const QString& fileName) const
{
    return JournalCsv::save(fileName, entries.data(), entryCount, pointer);
}
