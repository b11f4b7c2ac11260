#include "PtyRelay.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
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

PtyRelay::PtyRelay(int baudRate) : baud(baudRate)
{
    masterFd = posix_openpt(O_RDWR | O_NOCTTY);
    if (masterFd < 0)
        return;
    const char* name = nullptr;
    if (grantpt(masterFd) != 0 || unlockpt(masterFd) != 0 ||
        (name = ptsname(masterFd)) == nullptr) {
        ::close(masterFd);
        masterFd = -1;
        return;
    }
    path = QString::fromLocal8Bit(name);
    termios settings{};
    if (tcgetattr(masterFd, &settings) == 0) {
        cfmakeraw(&settings);
        tcsetattr(masterFd, TCSANOW, &settings);
    }
    if (pipe(wakeFds) != 0) {
        wakeFds[0] = wakeFds[1] = -1;
        return;
    }
    worker = std::thread(&PtyRelay::run, this);
}

PtyRelay::~PtyRelay()
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
    for (int fd : {masterFd, wakeFds[0], wakeFds[1]}) {
        if (fd >= 0)
            ::close(fd);
    }
}

void PtyRelay::run()
{
    QByteArray received;
    long long firstByteNs = 0;
    char chunk[512];
    while (!stopping) {
        pollfd fds[2] = {{masterFd, POLLIN, 0}, {wakeFds[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        if (fds[0].revents & (POLLERR | POLLNVAL))
            return;
        if (fds[0].revents & POLLHUP) {
            // No slave open yet, or it was closed: wait for the next opening.
            usleep(1000);
            continue;
        }
        const ssize_t n = ::read(masterFd, chunk, sizeof(chunk));
        if (n <= 0)
            continue;
        if (received.isEmpty())
            firstByteNs = monotonicNs();
        received.append(chunk, static_cast<int>(n));

        int length = BenchRelay::requestLength(received);
        while (length != 0) {
            if (length < 0) {
                received.clear();
                break;
            }
            if (received.size() < length)
                break;
            answer(received.left(length), firstByteNs);
            received.remove(0, length);
            length = BenchRelay::requestLength(received);
            firstByteNs = monotonicNs();
        }
    }
}

void PtyRelay::answer(const QByteArray& request, long long firstByteNs)
{
    const QByteArray reply = relay.answer(request);
    if (reply.isEmpty())
        return;
    // The master wrote the whole request at once; on a real line its last
    // byte reaches the relay one request's wire time later, and each answer
    // byte takes one character time after that.
    const double charNs = characterTimeUs(baud) * 1000.0;
    const long long requestEnd = firstByteNs + static_cast<long long>(request.size() * charNs);
    for (int offset = 0; offset < reply.size(); offset += fifoChunk) {
        const int size = qMin(fifoChunk, reply.size() - offset);
        sleepUntilNs(requestEnd + static_cast<long long>((offset + size) * charNs));
        if (!writeAll(masterFd, reply.constData() + offset, size))
            return;
    }
    ++answerCount;
}
