#include "PacedRelay.h"

#include "support/PtyPair.h"
#include "support/RelayContent.h"

#include <arpa/inet.h>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

long long monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

void sleepUntilNs(long long deadline)
{
    timespec at{};
    at.tv_sec = static_cast<time_t>(deadline / 1000000000LL);
    at.tv_nsec = static_cast<long>(deadline % 1000000000LL);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
}

bool writeAll(int fd, const char* data, int size)
{
    int done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, static_cast<size_t>(size - done));
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false;
        }
        done += static_cast<int>(n);
    }
    return true;
}

} // namespace

PacedRelay::PacedRelay(Line line, int baudRate) : PacedRelay(line, baudRate, Pacing()) {}

PacedRelay::PacedRelay(Line line, int baudRate, Pacing pacing)
    : kind(line), baud(baudRate), pace(pacing)
{
    relaycontent::loadRegisters(memory);
    if (line == Line::Pty) {
        pty.reset(new PtyPair);
        lineFd = pty->masterDescriptor();
    } else {
        openTcp();
    }
    if ((line == Line::Pty ? lineFd : listenFd) < 0 || pipe(wakeFds) != 0) {
        wakeFds[0] = wakeFds[1] = -1;
        return;
    }
    worker = std::thread(&PacedRelay::run, this);
}

PacedRelay::~PacedRelay()
{
    stopping = true;
    if (wakeFds[1] >= 0) {
        const char stop = 0;
        if (::write(wakeFds[1], &stop, 1) < 0) {
            // The thread still sees the flag at its next wake-up.
        }
    }
    if (worker.joinable())
        worker.join();
    // The pty's master is the pair's own to close.
    if (kind == Line::Tcp && lineFd >= 0)
        ::close(lineFd);
    for (int fd : {listenFd, wakeFds[0], wakeFds[1]}) {
        if (fd >= 0)
            ::close(fd);
    }
}

bool PacedRelay::isValid() const
{
    const bool line = kind == Line::Pty ? pty->isValid() : listenFd >= 0;
    return line && wakeFds[0] >= 0;
}

QString PacedRelay::slavePath() const
{
    return pty ? pty->slavePath() : QString();
}

void PacedRelay::openTcp()
{
    // The loopback address only, on a port the system picks.
    listenFd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listenFd < 0)
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof(address);
    if (::bind(listenFd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listenFd, 1) != 0 ||
        ::getsockname(listenFd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ::close(listenFd);
        listenFd = -1;
        return;
    }
    port = ntohs(address.sin_port);
}

void PacedRelay::setFaults(int drop, int corrupt)
{
    dropEvery = drop;
    corruptEvery = corrupt;
}

void PacedRelay::setLateAnswers(int every, int delayMs)
{
    lateEvery = every;
    lateMs = delayMs;
}

void PacedRelay::resetCounts()
{
    requestCount = 0;
    answerCount = 0;
    dropCount = 0;
    corruptCount = 0;
    lateCount = 0;
    wireNs = 0;
}

bool PacedRelay::acceptConnection()
{
    const int connection = ::accept(listenFd, nullptr, nullptr);
    if (connection < 0)
        return false;
    // Each answer byte is written on its own: sent at once, not gathered.
    const int on = 1;
    setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
    if (lineFd >= 0 && lineFd != listenFd)
        ::close(lineFd);
    lineFd = connection;
    return true;
}

void PacedRelay::run()
{
    QByteArray received;
    long long firstByteNs = 0;
    char chunk[512];
    const bool tcp = kind == Line::Tcp;
    while (!stopping) {
        const int watched = tcp ? listenFd : -1;
        pollfd fds[3] = {{lineFd, POLLIN, 0}, {wakeFds[0], POLLIN, 0}, {watched, POLLIN, 0}};
        if (poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        if (tcp && (fds[2].revents & POLLIN)) {
            acceptConnection();
            received.clear();
            continue;
        }
        if (fds[0].revents & POLLNVAL)
            return;
        if (fds[0].revents & (POLLHUP | POLLERR)) {
            // No slave open yet, or it was closed; a dropped connection waits
            // for the next one.
            if (tcp && lineFd >= 0) {
                ::close(lineFd);
                lineFd = -1;
            }
            usleep(1000);
            continue;
        }
        if (!(fds[0].revents & POLLIN))
            continue;
        const ssize_t n = ::read(lineFd, chunk, sizeof(chunk));
        if (n <= 0) {
            if (tcp && n == 0) {
                ::close(lineFd);
                lineFd = -1;
            }
            continue;
        }
        if (received.isEmpty())
            firstByteNs = monotonicNs();
        received.append(chunk, static_cast<int>(n));

        int length = requestLength(received);
        while (length != 0) {
            if (length < 0) {
                received.clear();
                break;
            }
            if (received.size() < length)
                break;
            answer(received.left(length), firstByteNs);
            received.remove(0, length);
            firstByteNs = monotonicNs();
            length = requestLength(received);
        }
    }
}

RelayMemory& PacedRelay::addRelay(uint8_t address)
{
    others.push_back(std::make_unique<RelayMemory>(address));
    relaycontent::loadRegisters(*others.back());
    return *others.back();
}

RelayMemory* PacedRelay::relayAt(uint8_t address)
{
    if (others.empty() || address == memory.slaveAddress())
        return &memory;
    for (const std::unique_ptr<RelayMemory>& other : others) {
        if (other->slaveAddress() == address)
            return other.get();
    }
    return nullptr;
}

void PacedRelay::answer(const QByteArray& request, long long firstByteNs)
{
    const int n = ++requestCount;
    const double charNs = characterNs();
    // The master wrote the whole request at once; on the line its last byte
    // arrives one request's wire time after its first.
    const long long requestEnd = firstByteNs + static_cast<long long>(request.size() * charNs);
    sleepUntilNs(requestEnd);
    RelayMemory* addressed = relayAt(static_cast<uint8_t>(request.at(0)));
    if (addressed == nullptr)
        return;
    QByteArray reply = TestRelay::withCrc(addressed->answer(request.left(request.size() - 2)));
    const int drop = dropEvery.load();
    const int corrupt = corruptEvery.load();
    if (drop > 0 && n % drop == 0) {
        ++dropCount;
        return;
    }
    if (corrupt > 0 && n % corrupt == 0) {
        reply[reply.size() - 1] = static_cast<char>(reply.at(reply.size() - 1) ^ 0x5A);
        ++corruptCount;
    }
    long long answerStart = requestEnd + pace.turnaroundUs * 1000LL;
    const int late = lateEvery.load();
    if (late > 0 && n % late == 0) {
        answerStart += lateMs.load() * 1000000LL;
        ++lateCount;
    }
    for (int offset = 0; offset < reply.size(); offset += pace.chunkBytes) {
        const int size = qMin(pace.chunkBytes, reply.size() - offset);
        sleepUntilNs(answerStart + static_cast<long long>((offset + size) * charNs));
        if (!writeAll(lineFd, reply.constData() + offset, size))
            return;
    }
    wireNs += static_cast<long long>((request.size() + reply.size()) * charNs) +
              pace.turnaroundUs * 1000LL;
    ++answerCount;
}

int PacedRelay::requestLength(const QByteArray& bytes)
{
    if (bytes.size() < 2)
        return 0;
    switch (static_cast<uint8_t>(bytes.at(1))) {
    case 0x01:
    case 0x03:
    case 0x05:
        return 8;
    case 0x10:
        // Address, function, start, count, byte count, the values, CRC.
        return bytes.size() < 7 ? 0 : 9 + static_cast<uint8_t>(bytes.at(6));
    case 0x14:
        // Address, function, byte count, the sub-requests, CRC.
        return bytes.size() < 3 ? 0 : 5 + static_cast<uint8_t>(bytes.at(2));
    default:
        return -1;
    }
}
