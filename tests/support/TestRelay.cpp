#include "support/TestRelay.h"

#include "modbus/ByteOrder.h"
#include "modbus/LineTiming.h"
#include "relay/RelayMap.h"
#include "support/PtyPair.h"

#include <QHostAddress>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtEndian>

#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The relay takes a request as complete when the line has been quiet this
// long; the master writes a request in one piece, so a short gap will do.
constexpr int frameSilenceMs = 8;

constexpr uint8_t readCoilsCode = 0x01;
constexpr uint8_t readHoldingRegsCode = 0x03;
constexpr uint8_t writeCoilCode = 0x05;
constexpr uint8_t writeMultipleRegsCode = 0x10;
constexpr uint8_t readFileRecordCode = 0x14;
constexpr uint8_t referenceType = 0x06;

// A sub-request: reference type, file, record number, record length.
constexpr int subRequestSize = 7;
// The most sub-response bytes one answer carries.
constexpr int maxResponseData = 0xF5;
// Transaction id, protocol id and length precede the unit id.
constexpr int mbapHeaderSize = 6;

constexpr uint8_t illegalFunction = 0x01;
constexpr uint8_t illegalDataAddress = 0x02;
constexpr uint8_t illegalDataValue = 0x03;

uint16_t crc16(const QByteArray& body)
{
    uint16_t crc = 0xFFFF;
    for (const char byte : body) {
        crc ^= static_cast<uint8_t>(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<uint16_t>(crc >> 1);
    }
    return crc;
}

} // namespace

RelayMemory::RelayMemory(uint8_t slaveAddress)
    : address(slaveAddress), registers(RelayMap::registerCount, 0),
      coils(RelayMap::coilCount, false), files(RelayMap::fileCount)
{
}

void RelayMemory::setRegister(uint16_t n, uint16_t value)
{
    if (n < RelayMap::registerCount)
        registers[n] = value;
}

uint16_t RelayMemory::registerValue(uint16_t n) const
{
    return n < RelayMap::registerCount ? registers[n] : 0;
}

bool RelayMemory::coil(uint16_t n) const
{
    return n < RelayMap::coilCount && coils[n];
}

void RelayMemory::setFile(uint16_t fileNumber, const QByteArray& bytes)
{
    if (fileNumber < RelayMap::fileCount)
        files[fileNumber] = bytes;
}

TestRelay::TestRelay(uint8_t slaveAddress, QObject* parent)
    : TestRelay(Line::Pty, slaveAddress, parent)
{
}

TestRelay::TestRelay(Line lineKind, uint8_t slaveAddress, QObject* parent)
    : QObject(parent), memory(slaveAddress), relayLine(lineKind), silence(new QTimer(this))
{
    silence->setSingleShot(true);
    connect(silence, &QTimer::timeout, this, &TestRelay::frameEnded);
    if (relayLine == Line::Pty)
        openPty();
    else
        listen();
}

void TestRelay::openPty()
{
    pty.reset(new PtyPair);
    if (!pty->isValid())
        return;
    // Holding the slave side open keeps the master from reading a hang-up
    // (and spinning on it) while the program has its port closed.
    slaveKeeper = ::open(pty->slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    notifier = new QSocketNotifier(pty->masterDescriptor(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &TestRelay::readLine);
}

void TestRelay::listen()
{
    // The loopback address only: nothing outside the machine can reach it.
    server = new QTcpServer(this);
    connect(server, &QTcpServer::newConnection, this, &TestRelay::acceptConnection);
    server->listen(QHostAddress::LocalHost, 0);
}

void TestRelay::acceptConnection()
{
    QTcpSocket* next = server->nextPendingConnection();
    if (next == nullptr)
        return;
    // One connection at a time, as a gateway with one master slot.
    dropConnection();
    socket = next;
    ++connections;
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(socket, &QTcpSocket::readyRead, this, [this, next] {
        if (socket == next)
            bytesArrived(next->readAll());
    });
}

void TestRelay::dropConnection()
{
    if (socket == nullptr)
        return;
    QTcpSocket* dropped = socket;
    socket = nullptr;
    silence->stop();
    rxBuffer.clear();
    dropped->abort();
    dropped->deleteLater();
}

TestRelay::~TestRelay()
{
    unplug();
    if (slaveKeeper >= 0)
        ::close(slaveKeeper);
}

bool TestRelay::isValid() const
{
    if (relayLine != Line::Pty)
        return server != nullptr && server->isListening();
    return pty->isValid() && slaveKeeper >= 0;
}

QString TestRelay::portName() const
{
    return pty ? pty->slavePath() : QString();
}

quint16 TestRelay::tcpPort() const
{
    return server != nullptr ? server->serverPort() : 0;
}

void TestRelay::unplug()
{
    if (relayLine != Line::Pty) {
        dropConnection();
        if (server != nullptr)
            server->close();
        return;
    }
    delete notifier;
    notifier = nullptr;
    silence->stop();
    rxBuffer.clear();
    pty->closeMaster();
    // The slave stays open while the relay lives: its device node is gone
    // with the master, but the terminal's number stays taken, so a program
    // that tries to reopen the vanished port cannot reach the pseudo-terminal
    // of another test run that would get the same number.
}

void TestRelay::clearRecords()
{
    received.clear();
    memory.clearWrites();
    counted = 0;
    badFrames = 0;
    answers = 0;
}

QByteArray TestRelay::withCrc(const QByteArray& body)
{
    const uint16_t crc = crc16(body);
    QByteArray frame = body;
    frame.append(static_cast<char>(crc & 0xFF));
    frame.append(static_cast<char>(crc >> 8));
    return frame;
}

void TestRelay::readLine()
{
    const QByteArray bytes = pty->readMasterAvailable();
    if (!bytes.isEmpty())
        bytesArrived(bytes);
}

void TestRelay::bytesArrived(const QByteArray& bytes)
{
    rxBuffer.append(bytes);
    if (relayLine == Line::ModbusTcp)
        takeMbapRequests();
    else
        silence->start(frameSilenceMs);
}

void TestRelay::takeMbapRequests()
{
    while (rxBuffer.size() >= mbapHeaderSize) {
        const int length = qFromBigEndian<quint16>(rxBuffer.constData() + 4);
        if (qFromBigEndian<quint16>(rxBuffer.constData() + 2) != 0 || length < 2 || length > 254) {
            ++badFrames;
            rxBuffer.clear();
            return;
        }
        if (rxBuffer.size() < mbapHeaderSize + length)
            return;
        const QByteArray frame = rxBuffer.left(mbapHeaderSize + length);
        rxBuffer.remove(0, frame.size());
        transactionId = qFromBigEndian<quint16>(frame.constData());
        requestArrived(frame, frame.mid(mbapHeaderSize));
    }
}

bool TestRelay::heardAtLineSpeed() const
{
    if (lineSpeed == 0)
        return true;
    // The program's port settings are the pseudo-terminal's own.
    termios settings{};
    if (::tcgetattr(slaveKeeper, &settings) != 0)
        return false;
    const speed_t speed = ::cfgetospeed(&settings);
    switch (lineSpeed) {
    case 9600:
        return speed == B9600;
    case 19200:
        return speed == B19200;
    case 38400:
        return speed == B38400;
    default:
        return false;
    }
}

void TestRelay::frameEnded()
{
    QByteArray frame;
    frame.swap(rxBuffer);
    if (!heardAtLineSpeed()) {
        ++badFrames;
        return;
    }
    if (frame.size() < 4 || withCrc(frame.left(frame.size() - 2)) != frame) {
        ++badFrames;
        return;
    }
    requestArrived(frame, frame.left(frame.size() - 2));
}

QByteArray TestRelay::onLine(const QByteArray& reply, bool corrupt) const
{
    if (relayLine != Line::ModbusTcp) {
        QByteArray frame = withCrc(reply);
        if (corrupt)
            frame[frame.size() - 1] = static_cast<char>(frame.at(frame.size() - 1) ^ 0x5A);
        return frame;
    }
    // Modbus TCP has no CRC to spoil: the header's protocol id is.
    QByteArray frame;
    appendBigEndian16(frame, transactionId);
    appendBigEndian16(frame, corrupt ? 0x5A5A : 0);
    appendBigEndian16(frame, static_cast<uint16_t>(reply.size()));
    return frame + reply;
}

void TestRelay::requestArrived(const QByteArray& frame, const QByteArray& body)
{
    received.append(frame);
    emit requestReceived(frame);

    // Broadcasts are carried out but never answered; other slaves' requests
    // are none of this relay's business.
    const uint8_t target = static_cast<uint8_t>(body.at(0));
    if (target == 0) {
        memory.answer(body);
        return;
    }
    if (target != memory.slaveAddress())
        return;

    const int n = ++counted;
    bool silentRefusal = false;
    QByteArray reply = every(faults.exceptionEvery, n)
                           ? memory.exception(body, faults.exceptionCode)
                           : memory.answer(body, &silentRefusal);
    if (every(faults.dropEvery, n) || silentRefusal)
        return;
    if (every(faults.wrongAddressEvery, n)) {
        // Another slave answers, with data of its own.
        reply[0] = static_cast<char>(memory.slaveAddress() + 1);
        for (int i = 3; i < reply.size(); ++i)
            reply[i] = static_cast<char>(~static_cast<uint8_t>(reply.at(i)));
    }
    const QByteArray frameOnLine = onLine(reply, every(faults.corruptCrcEvery, n));
    const bool delayed = faults.answerDelayEvery == 0 || every(faults.answerDelayEvery, n);
    // A delay is measured against the program's timeout: it shrinks with it.
    const int delayMs = delayed ? LineTiming::scaled(faults.answerDelayMs) : 0;
    transmit(frameOnLine, delayMs);

    if (every(faults.noiseEvery, n)) {
        QByteArray noise;
        for (int i = 0; i < faults.noiseBytes; ++i) {
            // xorshift: the same noise in every run.
            noiseSeed ^= noiseSeed << 13;
            noiseSeed ^= noiseSeed >> 17;
            noiseSeed ^= noiseSeed << 5;
            noise.append(static_cast<char>(noiseSeed & 0xFF));
        }
        const int chunks = faults.chunkSize > 0
                               ? (frameOnLine.size() + faults.chunkSize - 1) / faults.chunkSize
                               : 1;
        const int answerEnd = delayMs + (chunks - 1) * faults.chunkGapMs;
        QTimer::singleShot(answerEnd + faults.noiseGapMs, this,
                           [this, noise] { writeLine(noise); });
    }
}

QByteArray RelayMemory::exception(const QByteArray& body, uint8_t code) const
{
    QByteArray reply;
    reply.append(static_cast<char>(address));
    reply.append(static_cast<char>(static_cast<uint8_t>(body.at(1)) | 0x80));
    reply.append(static_cast<char>(code));
    return reply;
}

QByteArray RelayMemory::answer(const QByteArray& body, bool* silent)
{
    if (silent != nullptr)
        *silent = false;
    const uint8_t function = static_cast<uint8_t>(body.at(1));
    QByteArray reply = body.left(2);
    reply[0] = static_cast<char>(address);

    switch (function) {
    case readHoldingRegsCode: {
        if (body.size() != 6)
            return exception(body, illegalDataValue);
        const int start = qFromBigEndian<quint16>(body.constData() + 2);
        const int count = qFromBigEndian<quint16>(body.constData() + 4);
        if (count < 1 || count > 125)
            return exception(body, illegalDataValue);
        if (start + count > RelayMap::registerCount)
            return exception(body, illegalDataAddress);
        reply.append(static_cast<char>(2 * count));
        for (int i = 0; i < count; ++i)
            appendBigEndian16(reply, registers[start + i]);
        return reply;
    }
    case writeMultipleRegsCode: {
        if (body.size() < 7)
            return exception(body, illegalDataValue);
        const int start = qFromBigEndian<quint16>(body.constData() + 2);
        const int count = qFromBigEndian<quint16>(body.constData() + 4);
        const int byteCount = static_cast<uint8_t>(body.at(6));
        if (count < 1 || count > 123 || byteCount != 2 * count || body.size() != 7 + byteCount)
            return exception(body, illegalDataValue);
        if (start + count > RelayMap::registerCount)
            return exception(body, illegalDataAddress);
        const bool touchesSettings = start != RelayMap::passwordRegister || count > 1;
        if (guarded && touchesSettings && registers[RelayMap::passwordRegister] != requiredPassword)
            return exception(body, illegalDataValue);
        for (int i = 0; i < count; ++i) {
            const uint16_t value = qFromBigEndian<quint16>(body.constData() + 7 + 2 * i);
            registers[start + i] = value;
            writes.append(RegisterWrite{static_cast<uint16_t>(start + i), value});
        }
        return body.left(6);
    }
    case readCoilsCode: {
        if (body.size() != 6)
            return exception(body, illegalDataValue);
        const int start = qFromBigEndian<quint16>(body.constData() + 2);
        const int count = qFromBigEndian<quint16>(body.constData() + 4);
        if (count < 1 || count > 2000)
            return exception(body, illegalDataValue);
        if (start + count > RelayMap::coilCount)
            return exception(body, illegalDataAddress);
        const int byteCount = (count + 7) / 8;
        reply.append(static_cast<char>(byteCount));
        for (int b = 0; b < byteCount; ++b) {
            uint8_t bits = 0;
            for (int i = 0; i < 8 && 8 * b + i < count; ++i)
                bits |= coils[start + 8 * b + i] ? (1u << i) : 0u;
            reply.append(static_cast<char>(bits));
        }
        return reply;
    }
    case writeCoilCode: {
        if (body.size() != 6)
            return exception(body, illegalDataValue);
        const int coil = qFromBigEndian<quint16>(body.constData() + 2);
        const uint16_t value = qFromBigEndian<quint16>(body.constData() + 4);
        if (value != 0xFF00 && value != 0x0000)
            return exception(body, illegalDataValue);
        if (coil >= RelayMap::coilCount)
            return exception(body, illegalDataAddress);
        coils[coil] = value == 0xFF00;
        return body;
    }
    case readFileRecordCode:
        return answerFileRecords(body, silent);
    default:
        return exception(body, illegalFunction);
    }
}

QByteArray RelayMemory::answerFileRecords(const QByteArray& body, bool* silent)
{
    // Sub-requests: reference type, file, record number, record length.
    const int byteCount = body.size() > 2 ? static_cast<uint8_t>(body.at(2)) : 0;
    const int count = byteCount / subRequestSize;
    if (count < 1 || byteCount % subRequestSize != 0 || body.size() != 3 + byteCount)
        return exception(body, illegalDataValue);

    QByteArray subResponses;
    bool refused = false;
    for (int i = 0; i < count; ++i) {
        const int offset = 3 + subRequestSize * i;
        if (static_cast<uint8_t>(body.at(offset)) != referenceType)
            return exception(body, illegalDataValue);
        const int file = qFromBigEndian<quint16>(body.constData() + offset + 1);
        const int record = qFromBigEndian<quint16>(body.constData() + offset + 3);
        int length = qFromBigEndian<quint16>(body.constData() + offset + 5);
        if (length < 1)
            return exception(body, illegalDataValue);
        if (file >= RelayMap::fileCount || 2 * (record + length) > files[file].size())
            return exception(body, illegalDataAddress);
        const bool tooLong = limits.maxRecordLength > 0 && length > limits.maxRecordLength;
        const bool tooMany = limits.singleSubRequest && count > 1;
        if (tooLong || tooMany) {
            refused = true;
            if (limits.refusal != Refusal::ShortAnswer)
                break;
            // What an older relay gets out of the request: the first
            // sub-request, of the length it serves.
            if (tooLong)
                length = limits.maxRecordLength;
        }
        subResponses.append(static_cast<char>(2 * length + 1)); // file response length
        subResponses.append(static_cast<char>(referenceType));
        subResponses.append(files[file].mid(2 * record, 2 * length));
        if (refused)
            break;
    }
    if (refused && limits.refusal == Refusal::Exception)
        return exception(body, illegalDataValue);
    if (silent != nullptr)
        *silent = refused && limits.refusal == Refusal::Silence;
    if (subResponses.size() > maxResponseData)
        return exception(body, illegalDataValue);

    QByteArray reply = body.left(2);
    reply[0] = static_cast<char>(address);
    reply.append(static_cast<char>(subResponses.size())); // response data length
    return reply + subResponses;
}

void TestRelay::transmit(QByteArray frame, int delayMs)
{
    ++answers;
    if (faults.chunkSize <= 0) {
        if (delayMs <= 0)
            writeLine(frame);
        else
            QTimer::singleShot(delayMs, this, [this, frame] { writeLine(frame); });
        return;
    }
    int at = delayMs;
    for (int offset = 0; offset < frame.size(); offset += faults.chunkSize) {
        const QByteArray chunk = frame.mid(offset, faults.chunkSize);
        if (at <= 0)
            writeLine(chunk);
        else
            QTimer::singleShot(at, Qt::PreciseTimer, this, [this, chunk] { writeLine(chunk); });
        at += faults.chunkGapMs;
    }
}

void TestRelay::writeLine(const QByteArray& bytes)
{
    if (relayLine != Line::Pty) {
        if (socket != nullptr)
            socket->write(bytes);
        return;
    }
    // Not through PtyPair::writeMaster: it may spin the event loop, and the
    // relay must not answer the next request from inside this one.
    const int fd = pty->masterDescriptor();
    int done = 0;
    for (int tries = 0; fd >= 0 && done < bytes.size() && tries < 1000; ++tries) {
        const ssize_t n = ::write(fd, bytes.constData() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<int>(n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return;
        else
            ::usleep(200);
    }
}
