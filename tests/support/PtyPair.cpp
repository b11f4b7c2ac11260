#include "support/PtyPair.h"

#include "support/EventWait.h"

#include <QElapsedTimer>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    masterFd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (masterFd < 0)
        return;
    if (grantpt(masterFd) != 0 || unlockpt(masterFd) != 0) {
        closeMaster();
        return;
    }
    const char* name = ptsname(masterFd);
    if (name == nullptr) {
        closeMaster();
        return;
    }
    path = QString::fromLocal8Bit(name);

    // Raw mode on the master side: no echo, no line discipline translations.
    termios settings{};
    if (tcgetattr(masterFd, &settings) == 0) {
        cfmakeraw(&settings);
        tcsetattr(masterFd, TCSANOW, &settings);
    }
}

PtyPair::~PtyPair()
{
    closeMaster();
}

void PtyPair::closeMaster()
{
    if (masterFd >= 0)
        ::close(masterFd);
    masterFd = -1;
}

bool PtyPair::writeMaster(const QByteArray& bytes)
{
    int done = 0;
    while (masterFd >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(masterFd, bytes.constData() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                eventwait::spin(1);
                continue;
            }
            return false;
        }
        done += static_cast<int>(n);
    }
    return done == bytes.size();
}

QByteArray PtyPair::readMasterAvailable()
{
    QByteArray result;
    char chunk[512];
    while (masterFd >= 0) {
        const ssize_t n = ::read(masterFd, chunk, sizeof(chunk));
        if (n <= 0)
            break;
        result.append(chunk, static_cast<int>(n));
    }
    return result;
}

QByteArray PtyPair::readMaster(int count, int timeoutMs)
{
    QByteArray result;
    QElapsedTimer clock;
    clock.start();
    while (result.size() < count && clock.elapsed() < timeoutMs) {
        result.append(readMasterAvailable());
        if (result.size() < count)
            eventwait::spin(2);
    }
    return result;
}
