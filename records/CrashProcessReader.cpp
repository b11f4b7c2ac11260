#include "records/CrashProcessReader.h"

#include "base/Logger.h"
#include "modbus/FileRecordReference.h"
#include "modbus/IModBusClient.h"

#include <algorithm>

namespace {

// The header occupies record numbers 0..19; sample k sits at 20 + 7k.
constexpr uint16_t headerRecordNumber = 0;
constexpr uint16_t headerLength = CrashProcessHeader::size / 2;
constexpr uint16_t firstSampleRecord = headerLength;
constexpr uint16_t sampleLength = CrashProcessSample::size / 2;
constexpr int32_t readerPriority = 0;
// As many whole samples as one function 20 answer carries: 17.
constexpr int maxSamplesPerRequest =
    (maxFileRecordResponseData - fileRecordResponseSize(0)) / CrashProcessSample::size;

} // namespace

CrashProcessReader::CrashProcessReader(QObject* parent)
    : QObject(parent), requests(this, &CrashProcessReader::watchdogExpired)
{
}

CrashProcessReader::~CrashProcessReader() = default;

void CrashProcessReader::setClient(IModBusClient* newClient)
{
    client = newClient;
}

void CrashProcessReader::setWatchdogInterval(int milliseconds)
{
    requests.setWatchdogInterval(milliseconds);
}

void CrashProcessReader::setBatchedReads(bool on)
{
    requests.setBatchedReads(on);
}

int CrashProcessReader::samplesPerBatch()
{
    return maxSamplesPerRequest;
}

bool CrashProcessReader::isHeaderValid(int index) const
{
    const CrashProcessHeader* stored = header(index);
    return stored != nullptr && stored->isValid();
}

const CrashProcessHeader* CrashProcessReader::header(int index) const
{
    if (index < 0 || index >= recordCount)
        return nullptr;
    return &headers[index];
}

const QByteArray* CrashProcessReader::samples(int index) const
{
    if (index < 0 || index >= recordCount || sampleBuffers[index].isNull())
        return nullptr;
    return &sampleBuffers[index];
}

float CrashProcessReader::progress() const
{
    // After a header reading the current record is 3, which names no record.
    if (readerState != ReadingRecord || currentRecord >= recordCount || sampleTotal <= 0)
        return 0.0f;
    return static_cast<float>(sampleIndex) * 100.0f / static_cast<float>(sampleTotal);
}

void CrashProcessReader::readHeaders(uint8_t deviceAddress)
{
    readerState = ReadingHeaders;
    this->deviceAddress = deviceAddress;
    requests.startReading();
    currentRecord = 0;
    requestHeader();
}

void CrashProcessReader::readCrashProcess(uint8_t deviceAddress, uint16_t crashProcessNumber)
{
    if (crashProcessNumber >= recordCount || !headers[crashProcessNumber].isValid()) {
        emit recordReadingFailed();
        return;
    }
    currentRecord = crashProcessNumber;
    this->deviceAddress = deviceAddress;
    requests.startReading();
    readerState = ReadingRecord;
    sampleIndex = 0;
    sampleTotal = headers[crashProcessNumber].sampleCount();
    sampleBuffers[crashProcessNumber] = QByteArray(sampleTotal * CrashProcessSample::size, '\0');
    requestSample();
}

void CrashProcessReader::holdingRegsRead(uint16_t, const uint16_t*, uint16_t) {}

void CrashProcessReader::multipleRegsWritten(uint16_t, const uint16_t*, uint16_t) {}

void CrashProcessReader::coilsRead(uint16_t, const uint8_t*, uint16_t) {}

void CrashProcessReader::coilWritten(uint16_t, bool) {}

void CrashProcessReader::fileRecordRead(uint16_t fileNumber, uint16_t recordNumber,
                                        const uint8_t* data, uint16_t byteCount)
{
    // A late answer to a request of an earlier or restarted reading must not
    // land in the current one (nor in a buffer that does not exist).
    if (!requests.isWaiting() || fileNumber != expectedFile || recordNumber != expectedRecord ||
        byteCount != 2 * expectedLength || data == nullptr)
        return;
    requests.answered();

    if (readerState == ReadingHeaders) {
        headers[currentRecord] = CrashProcessHeader::decode(data);
        ++currentRecord;
        if (currentRecord >= recordCount) {
            emit headersReadingFinished();
            return;
        }
        requestHeader();
        return;
    }

    if (readerState == ReadingRecord)
        storeSamples(data);
}

void CrashProcessReader::storeSamples(const uint8_t* data)
{
    QByteArray& buffer = sampleBuffers[currentRecord];
    const int offset = sampleIndex * CrashProcessSample::size;
    const int bytes = requestedSamples * CrashProcessSample::size;
    if (offset + bytes > buffer.size()) {
        emit recordReadingFailed();
        return;
    }
    std::copy(data, data + bytes, buffer.begin() + offset);
    sampleIndex += requestedSamples;
    if (requestedSamples > 1)
        requests.batchTaken();
    if (sampleIndex < sampleTotal) {
        requestSample();
        return;
    }
    emit recordReadingFinished(currentRecord);
}

void CrashProcessReader::responseTimeout()
{
    requestEnded(true);
}

void CrashProcessReader::requestFailed(Failure failure)
{
    requestEnded(failure == Failure::Exception || failure == Failure::WrongLength);
}

void CrashProcessReader::requestEnded(bool refused)
{
    switch (requests.ended(refused, readerState == ReadingRecord && requestedSamples > 1)) {
    case ReaderRequests::Next::Nothing:
        return;
    case ReaderRequests::Next::FallBack:
        logInfo("Реле не отдаёт несколько отсчётов одним запросом: осциллограммы читаются по "
                "одному отсчёту.");
        requestSample();
        return;
    case ReaderRequests::Next::GiveUp:
        emit recordReadingFailed();
        return;
    case ReaderRequests::Next::Retry:
        break;
    }
    if (readerState == ReadingHeaders)
        requestHeader();
    else if (readerState == ReadingRecord)
        requestSample();
}

void CrashProcessReader::requestHeader()
{
    sendRequest(currentRecord, headerRecordNumber, headerLength);
}

void CrashProcessReader::requestSample()
{
    requestedSamples = samplesForNextRequest();
    sendRequest(currentRecord, sampleRecordNumber(),
                static_cast<uint16_t>(sampleLength * requestedSamples));
}

int CrashProcessReader::samplesForNextRequest() const
{
    if (!requests.batchesAllowed())
        return 1;
    return std::max(1, std::min(maxSamplesPerRequest, sampleTotal - sampleIndex));
}

uint16_t CrashProcessReader::sampleRecordNumber() const
{
    // Record numbers are 16-bit and wrap.
    return static_cast<uint16_t>(firstSampleRecord + sampleLength * sampleIndex);
}

void CrashProcessReader::sendRequest(uint16_t fileNumber, uint16_t recordNumber,
                                     uint16_t recordLength)
{
    expectedFile = fileNumber;
    expectedRecord = recordNumber;
    expectedLength = recordLength;
    requests.sent();
    if (client != nullptr)
        client->readFileRecord(this, deviceAddress, fileNumber, recordNumber, recordLength,
                               readerPriority);
}

void CrashProcessReader::watchdogExpired()
{
    // The client ended the request without calling back: a failed attempt,
    // which decides nothing about batched reads.
    requestEnded(false);
}
