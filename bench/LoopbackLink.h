#ifndef TALVIK_BENCH_LOOPBACKLINK_H
#define TALVIK_BENCH_LOOPBACKLINK_H

#include "modbus/ModBusRtuLink.h"
#include "support/TestRelay.h"

#include <QByteArray>

// A link whose relay (the test relay's memory, loaded with registers, records
// and a journal) answers at once: the request is framed with its CRC as on
// the line, the relay's answer is posted to the event loop and, when the
// loop delivers it, goes through the link's own frame evaluation (hex dump,
// length and CRC checks) to the listener. No port and no silence timer: what
// remains is the program's own cost of a transaction.
class LoopbackLink : public ModBusRtuLink
{
    Q_OBJECT

public:
    LoopbackLink();

    void send(const uint8_t* data, uint16_t length) override;
    void clear() override;

    int framesSent() const { return sent; }

private:
    Q_DISABLE_COPY(LoopbackLink)

    void deliver();

    RelayMemory relay;
    // The relay's answer is the same for the same request: compute it once,
    // so that the relay's work stays out of the measured cost.
    QByteArray lastRequest;
    QByteArray lastAnswer;
    QByteArray pending;
    int sent = 0;
};

#endif
