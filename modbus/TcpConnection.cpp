#include "modbus/TcpConnection.h"

#include <QTcpSocket>
#include <QTimer>

TcpConnection::TcpConnection(QObject* parent)
    : QObject(parent), socket(new QTcpSocket(this)), connectTimer(new QTimer(this))
{
    connectTimer->setSingleShot(true);
    connect(connectTimer, &QTimer::timeout, this, &TcpConnection::connectTimedOut);
    connect(socket, &QTcpSocket::connected, this, &TcpConnection::connected);
    connect(socket, &QTcpSocket::readyRead, this, &TcpConnection::readyRead);
    connect(socket, &QTcpSocket::errorOccurred, this, &TcpConnection::socketError);
    connect(socket, &QTcpSocket::disconnected, this, &TcpConnection::disconnected);
}

TcpConnection::~TcpConnection()
{
    closing = true;
    socket->abort();
}

void TcpConnection::open(const QString& host, quint16 port)
{
    close();
    hostName = host;
    portNumber = port;
    connectTimer->start(connectTimeoutMs);
    socket->connectToHost(host, port);
}

void TcpConnection::close()
{
    connectTimer->stop();
    closing = true;
    socket->abort();
    closing = false;
}

bool TcpConnection::isOpen() const
{
    return socket->state() == QAbstractSocket::ConnectedState;
}

bool TcpConnection::isConnecting() const
{
    return connectTimer->isActive();
}

QString TcpConnection::peer() const
{
    return QStringLiteral("%1:%2").arg(hostName).arg(portNumber);
}

void TcpConnection::write(const QByteArray& bytes)
{
    if (isOpen())
        socket->write(bytes);
}

void TcpConnection::discardInput()
{
    // A request retried after the connection broke finds it closed: there is
    // nothing to drop, and Qt would warn of reading a closed device.
    if (socket->isOpen())
        socket->readAll();
}

void TcpConnection::connected()
{
    connectTimer->stop();
    // Modbus frames are small and each waits for its answer: sent at once,
    // not held back to be joined with the next.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    emit opened();
}

void TcpConnection::readyRead()
{
    const QByteArray bytes = socket->readAll();
    if (!bytes.isEmpty())
        emit received(bytes);
}

void TcpConnection::socketError(QAbstractSocket::SocketError error)
{
    if (!closing)
        fail(describe(error));
}

void TcpConnection::disconnected()
{
    // A peer that closes without an error notice is a broken connection too.
    if (!closing)
        fail(describe(QAbstractSocket::RemoteHostClosedError));
}

void TcpConnection::connectTimedOut()
{
    fail(QStringLiteral("Узел %1 не ответил за %2 с.").arg(peer()).arg(connectTimeoutMs / 1000));
}

void TcpConnection::fail(const QString& message)
{
    // The socket's error and its disconnection come for the same failure:
    // the first one is reported, the rest find the connection closed.
    close();
    emit failed(message);
}

QString TcpConnection::describe(QAbstractSocket::SocketError error) const
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("Узел %1 отклонил соединение.").arg(peer());
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("Узел %1 не найден.").arg(hostName);
    case QAbstractSocket::NetworkError:
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("Узел %1 недоступен.").arg(peer());
    case QAbstractSocket::RemoteHostClosedError:
        return QStringLiteral("Соединение с %1 разорвано.").arg(peer());
    default:
        return QStringLiteral("Ошибка соединения с %1: %2").arg(peer(), socket->errorString());
    }
}
