#ifndef TALVIK_MODBUS_TCPCONNECTION_H
#define TALVIK_MODBUS_TCPCONNECTION_H

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;
class QTimer;

// The TCP connection to an Ethernet serial gateway or a Modbus TCP server.
// Connecting is bounded in time; a connection that cannot be made or that
// breaks is reported once, as a message for the user, and left closed:
// nothing is retried on its own.
class TcpConnection : public QObject
{
    Q_OBJECT

public:
    explicit TcpConnection(QObject* parent = nullptr);
    ~TcpConnection() override;

    // Starts connecting (closing what was open); ends with opened() or failed().
    void open(const QString& host, quint16 port);
    void close();
    bool isOpen() const;
    bool isConnecting() const;
    // "host:port" of the last open().
    QString peer() const;

    void write(const QByteArray& bytes);
    // Drops what has arrived and not been read yet.
    void discardInput();

    static constexpr int connectTimeoutMs = 3000;

signals:
    void opened();
    void received(const QByteArray& bytes);
    // The connection could not be made or broke; it is closed now.
    void failed(const QString& message);

private:
    Q_DISABLE_COPY(TcpConnection)

    void connected();
    void readyRead();
    void socketError(QAbstractSocket::SocketError error);
    void disconnected();
    void connectTimedOut();
    void fail(const QString& message);
    QString describe(QAbstractSocket::SocketError error) const;

    QTcpSocket* socket;
    QTimer* connectTimer;
    QString hostName;
    quint16 portNumber = 0;
    // Set while the connection is closed on purpose, so that the socket's
    // own notices of it are not reported as a failure.
    bool closing = false;
};

#endif
