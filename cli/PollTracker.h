#ifndef TALVIK_CLI_POLLTRACKER_H
#define TALVIK_CLI_POLLTRACKER_H

#include <QBitArray>
#include <QObject>

#include <cstdint>

class ModBusClient;
class ModBusDevice;

// Tells when a poll has ended and whether it read the whole register image.
// The poller hears only of answers and timeouts: a refused read or an answer
// from another address ends without a word to it. So a poll counts as ended
// when the client has nothing more to do, and as complete when every
// register was answered since the last poll ended.
class PollTracker : public QObject
{
    Q_OBJECT

public:
    PollTracker(ModBusDevice* device, ModBusClient* client, uint16_t registerCount,
                QObject* parent = nullptr);

signals:
    void pollEnded(bool complete);

private:
    void registersRead(uint16_t start, uint16_t count);
    void clientIdle();

    QBitArray answered;
};

#endif
