#ifndef TALVIK_MODBUS_MODBUSRTUOVERTCPLINK_H
#define TALVIK_MODBUS_MODBUSRTUOVERTCPLINK_H

#include "modbus/ModBusRtuLink.h"

class TcpConnection;

// Modbus RTU frames (address, PDU, CRC) on a TCP connection to an Ethernet
// serial gateway in transparent mode: the gateway passes the bytes to and
// from its serial line, so the framing is the serial line's, frame end by
// silence or by length and the turnaround of the gateway's line included.
class ModBusRtuOverTcpLink : public ModBusRtuLink
{
    Q_OBJECT

public:
    ModBusRtuOverTcpLink();
    ~ModBusRtuOverTcpLink() override;

    TcpConnection* connection() const { return tcp; }

protected:
    bool lineOpen() const override;
    void writeLine(const QByteArray& frame) override;
    void flushLine() override;
    const char* closedLineMessage() const override;

private:
    Q_DISABLE_COPY(ModBusRtuOverTcpLink)

    TcpConnection* tcp;
};

#endif
