#include "modbus/ModBusRtuOverTcpLink.h"

#include "modbus/TcpConnection.h"

ModBusRtuOverTcpLink::ModBusRtuOverTcpLink() : ModBusRtuLink(nullptr), tcp(new TcpConnection(this))
{
    connect(tcp, &TcpConnection::received, this, &ModBusRtuOverTcpLink::appendReceived);
}

ModBusRtuOverTcpLink::~ModBusRtuOverTcpLink() = default;

bool ModBusRtuOverTcpLink::lineOpen() const
{
    return tcp->isOpen();
}

void ModBusRtuOverTcpLink::writeLine(const QByteArray& frame)
{
    tcp->write(frame);
}

void ModBusRtuOverTcpLink::flushLine()
{
    tcp->discardInput();
}

const char* ModBusRtuOverTcpLink::closedLineMessage() const
{
    return "Не могу отправить пакет. Соединение закрыто.";
}
