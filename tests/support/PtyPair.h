#ifndef TALVIK_TESTS_SUPPORT_PTYPAIR_H
#define TALVIK_TESTS_SUPPORT_PTYPAIR_H

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair: the program under test opens slavePath() with a
// QSerialPort, the test reads and writes raw bytes on the master side.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool isValid() const { return masterFd >= 0; }
    QString slavePath() const { return path; }
    int masterDescriptor() const { return masterFd; }

    bool writeMaster(const QByteArray& bytes);
    // Reads what is available now, without blocking.
    QByteArray readMasterAvailable();
    // Reads until at least `count` bytes arrived or `timeoutMs` passed,
    // keeping the Qt event loop running meanwhile.
    QByteArray readMaster(int count, int timeoutMs);
    void closeMaster();

private:
    int masterFd = -1;
    QString path;
};

#endif
