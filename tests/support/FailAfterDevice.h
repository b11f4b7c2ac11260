#ifndef TALVIK_TESTS_SUPPORT_FAILAFTERDEVICE_H
#define TALVIK_TESTS_SUPPORT_FAILAFTERDEVICE_H

#include <QByteArray>
#include <QIODevice>

// A write-only device that takes the first `failAfter` bytes and then fails
// every write, like a disk that fills up half-way through a file.
class FailAfterDevice : public QIODevice
{
public:
    explicit FailAfterDevice(qint64 failAfter) : limit(failAfter) { open(QIODevice::WriteOnly); }

    QByteArray written;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        const qint64 room = limit - written.size();
        if (room <= 0)
            return -1;
        const qint64 taken = qMin(room, size);
        written.append(data, static_cast<int>(taken));
        return taken;
    }

private:
    qint64 limit;
};

#endif
