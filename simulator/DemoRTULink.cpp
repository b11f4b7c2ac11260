#include "simulator/DemoRTULink.h"

#include "base/Logger.h"
#include "modbus/ByteOrder.h"
#include "modbus/FileRecordReference.h"
#include "modbus/IModBusRTUResponseListener.h"
#include "modbus/LineTiming.h"
#include "records/CrashProcessHeader.h"
#include "simulator/DemoFeeder.h"

#include <QTimer>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace {

// The header of built-in record `index`, the simulated records' template
// triggered on 1 January 2019 at <index>:01:00.000, with ratios of 1 and 600
// samples from the trigger on.
CrashProcessHeader builtInHeader(int index)
{
    CrashProcessHeader header = DemoFeeder::headerTemplate();
    header.year = 19;
    header.month = 1;
    header.day = 1;
    header.hour = static_cast<uint8_t>(index);
    header.minute = 1;
    header.ratioPhase = 1;
    header.ratio3I0 = 1;
    header.faultSamples = 600;
    header.checksum = header.expectedChecksum();
    return header;
}

constexpr int samplesPerPeriod = 12;
constexpr double pi = 3.14159265358979323846;

// Answered with "illegal function" and "illegal data value".
constexpr uint8_t illegalFunction = 0x01;
constexpr uint8_t illegalDataValue = 0x03;

// A function 20 sub-request: reference type, file, record number, length.
constexpr int subRequestSize = 7;

// A phase value shifted into 0...amplitude and truncated toward zero.
uint16_t wave(double phase, int amplitude)
{
    const double value = (std::sin(phase) * 0.5 + 0.5) * amplitude;
    return static_cast<uint16_t>(static_cast<int>(value));
}

} // namespace

DemoRTULink::DemoRTULink()
    : ModBusRtuLink(nullptr), registers(), responseTimer(new QTimer(this)), feeder(new DemoFeeder)
{
    DemoFeeder::setDefaults(registers);
    responseTimer->setSingleShot(true);
    responseTimer->setInterval(LineTiming::scaled(responseDelayMs));
    connect(responseTimer, &QTimer::timeout, this, &DemoRTULink::timeout);
    for (int index = 0; index < RelayMap::recordFileCount; ++index)
        buildRecord(index);
    simulate();
}

DemoRTULink::~DemoRTULink()
{
    responseTimer->disconnect(this);
    delete responseTimer;
    for (QByteArray* buffer : recordBuffers)
        delete buffer;
    delete feeder;
}

void DemoRTULink::setTimeScale(int factor)
{
    feeder->setTimeScale(factor);
}

void DemoRTULink::simulate()
{
    feeder->advance(registers);
    feeder->liveRegisters(registers, feeder->now(), registers);
    registers[RelayMap::journalPointerRegister] = feeder->journalPointer();
}

QByteArray DemoRTULink::fileBytes(int file) const
{
    if (file >= 0 && file < RelayMap::recordFileCount) {
        const QByteArray simulated = feeder->record(file);
        return simulated.isEmpty() ? *recordBuffers[file] : simulated;
    }
    // Files past the records hold the journal, one entry in each.
    return feeder->journalEntry(file - RelayMap::firstJournalFile);
}

void DemoRTULink::buildRecord(int index)
{
    const CrashProcessHeader header = builtInHeader(index);
    const int amplitude = header.scalePhase;
    const int samplesBefore = header.faultSamples;
    const int sampleTotal = header.sampleCount();

    QByteArray* buffer = new QByteArray(header.encode());
    buffer->reserve(CrashProcessHeader::size + CrashProcessSample::size * sampleTotal);
    // Three sine waves 120 degrees apart; the count starts again for the
    // samples after the fault.
    for (int sample = 0; sample < sampleTotal; ++sample) {
        const int i = sample < samplesBefore ? sample : sample - samplesBefore;
        const double phase = (i % samplesPerPeriod) * pi / 6;
        CrashProcessSample values;
        values.ia = static_cast<int16_t>(wave(phase, amplitude));
        values.ib = static_cast<int16_t>(wave(phase + 2 * pi / 3, amplitude));
        values.ic = static_cast<int16_t>(wave(phase - 2 * pi / 3, amplitude));
        buffer->append(values.encode());
    }
    recordBuffers[index] = buffer;
}

uint16_t DemoRTULink::registerValue(int index) const
{
    return index >= 0 && index < RelayMap::registerCount ? registers[index] : 0;
}

QByteArray DemoRTULink::record(int index) const
{
    return index >= 0 && index < RelayMap::recordFileCount ? fileBytes(index) : QByteArray();
}

void DemoRTULink::send(const uint8_t* data, uint16_t length)
{
    logSentFrame(data, length);

    // A body without a function code cannot be answered; the client's
    // response timeout covers it.
    if (data == nullptr || length < 2) {
        response.clear();
        responseTimer->stop();
        return;
    }

    switch (data[1]) {
    case 0x03:
        answerReadHoldingRegs(data, length);
        break;
    case 0x10:
        answerWriteMultipleRegs(data, length);
        break;
    case 0x01:
        answerReadCoils(data, length);
        break;
    case 0x05:
        answerWriteCoil(data, length);
        break;
    case 0x14:
        answerReadFileRecord(data, length);
        break;
    default:
        answerException(data, illegalFunction);
        break;
    }
    // Only the last request within the delay is answered.
    responseTimer->start(LineTiming::scaled(responseDelayMs));
}

void DemoRTULink::clear() {}

void DemoRTULink::answerException(const uint8_t* request, uint8_t code)
{
    response.clear();
    response.append(static_cast<char>(request[0]));
    response.append(static_cast<char>(request[1] | 0x80));
    response.append(static_cast<char>(code));
}

void DemoRTULink::answerReadHoldingRegs(const uint8_t* request, uint16_t length)
{
    if (length < 6) {
        answerException(request, illegalDataValue);
        return;
    }
    const int start = qFromBigEndian<quint16>(request + 2);
    const int count = qFromBigEndian<quint16>(request + 4);
    // An answer must fit the 16-bit length the listener is handed.
    if (3 + 2 * count > 0xFFFF) {
        answerException(request, illegalDataValue);
        return;
    }
    simulate();
    response.clear();
    response.append(static_cast<char>(request[0]));
    response.append(static_cast<char>(0x03));
    response.append(static_cast<char>((2 * count) & 0xFF));
    // Registers past the bank read as zero.
    for (int k = 0; k < count; ++k)
        appendBigEndian16(response, registerValue(start + k));
}

void DemoRTULink::answerWriteMultipleRegs(const uint8_t* request, uint16_t length)
{
    if (length < 6) {
        answerException(request, illegalDataValue);
        return;
    }
    const int start = qFromBigEndian<quint16>(request + 2);
    const int count = qFromBigEndian<quint16>(request + 4);
    if (length < 7 + 2 * count) {
        answerException(request, illegalDataValue);
        return;
    }
    // Registers past the bank take nothing; the measured values and the
    // journal pointer are the relay's own and stay as measured.
    for (int k = 0; k < count; ++k) {
        const int index = start + k;
        if (index >= RelayMap::liveRegisterCount && index < RelayMap::registerCount &&
            index != RelayMap::journalPointerRegister)
            registers[index] = qFromBigEndian<quint16>(request + 7 + 2 * k);
    }
    response = QByteArray(reinterpret_cast<const char*>(request), 6);
}

void DemoRTULink::answerReadCoils(const uint8_t* request, uint16_t length)
{
    if (length < 6) {
        answerException(request, illegalDataValue);
        return;
    }
    // Every coil reads as off: the commands are pulses, never kept.
    const int count = qFromBigEndian<quint16>(request + 4);
    const int byteCount = (count + 7) / 8;
    response.clear();
    response.append(static_cast<char>(request[0]));
    response.append(static_cast<char>(0x01));
    response.append(static_cast<char>(byteCount & 0xFF));
    response.append(QByteArray(byteCount, '\0'));
}

void DemoRTULink::answerWriteCoil(const uint8_t* request, uint16_t length)
{
    if (length < 6) {
        answerException(request, illegalDataValue);
        return;
    }
    // "Квитирование" puts the LEDs out; the other coils drive outputs the
    // simulation does not show.
    if (qFromBigEndian<quint16>(request + 2) == RelayMap::acknowledgeCoil &&
        qFromBigEndian<quint16>(request + 4) == 0xFF00)
        feeder->acknowledge();
    response = QByteArray(reinterpret_cast<const char*>(request), 6);
}

void DemoRTULink::answerReadFileRecord(const uint8_t* request, uint16_t length)
{
    if (length < 10) {
        answerException(request, illegalDataValue);
        return;
    }
    simulate();
    const int subRequests = request[2] / subRequestSize;
    if (subRequests > 1) {
        answerFileRecords(request, length, subRequests);
        return;
    }
    const int file = qFromBigEndian<quint16>(request + 4);
    const int recordNumber = qFromBigEndian<quint16>(request + 6);
    const int byteCount = (2 * qFromBigEndian<quint16>(request + 8)) & 0xFF;

    response.clear();
    response.append(static_cast<char>(request[0]));
    response.append(static_cast<char>(0x14));
    response.append(static_cast<char>(byteCount));
    response.append(static_cast<char>(byteCount));
    response.append(static_cast<char>(0x06));
    response.append(recordBytes(file, recordNumber, byteCount));
}

void DemoRTULink::answerFileRecords(const uint8_t* request, uint16_t length, int subRequests)
{
    // Several sub-requests are answered as Modbus frames them: each
    // sub-response carries its own length and reference type.
    if (length < 3 + subRequestSize * subRequests) {
        answerException(request, illegalDataValue);
        return;
    }
    QByteArray subResponses;
    for (int i = 0; i < subRequests; ++i) {
        const int offset = 3 + subRequestSize * i;
        const int byteCount = 2 * qFromBigEndian<quint16>(request + offset + 5);
        subResponses.append(static_cast<char>((fileRecordResponseSize(byteCount / 2) - 1) & 0xFF));
        subResponses.append(static_cast<char>(0x06));
        subResponses.append(recordBytes(qFromBigEndian<quint16>(request + offset + 1),
                                        qFromBigEndian<quint16>(request + offset + 3), byteCount));
    }
    if (subResponses.size() > maxFileRecordResponseData) {
        answerException(request, illegalDataValue);
        return;
    }
    response.clear();
    response.append(static_cast<char>(request[0]));
    response.append(static_cast<char>(0x14));
    response.append(static_cast<char>(subResponses.size()));
    response.append(subResponses);
}

QByteArray DemoRTULink::recordBytes(int file, int recordNumber, int byteCount) const
{
    // Files past the journal, and bytes past a file's end, read as zero.
    QByteArray data(byteCount, '\0');
    const QByteArray buffer = fileBytes(file);
    const int offset = 2 * recordNumber;
    const int available = qBound(0, buffer.size() - offset, byteCount);
    if (available > 0)
        std::memcpy(data.data(), buffer.constData() + offset, static_cast<size_t>(available));
    return data;
}

void DemoRTULink::timeout()
{
    // A copy: the listener may send the next request from inside the call,
    // which rebuilds `response`.
    const QByteArray answer = response;
    logReceivedFrame(reinterpret_cast<const uint8_t*>(answer.constData()), answer.size());
    IModBusRTUResponseListener* receiver = listener();
    if (receiver == nullptr)
        return;
    receiver->frameReceived(reinterpret_cast<const uint8_t*>(answer.constData()),
                            static_cast<uint16_t>(answer.size()));
}
