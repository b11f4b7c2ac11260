#include "app/LineRecovery.h"

#include "base/Logger.h"
#include "session/Reconnector.h"
#include "session/RelayConnection.h"

#include <QTimer>

LineRecovery::LineRecovery(RelayConnection* connection, QObject* parent)
    : QObject(parent), connection(connection), reconnector(new Reconnector(connection, this)),
      countdown(new QTimer(this))
{
    countdown->setInterval(1000);
    connect(countdown, &QTimer::timeout, this, &LineRecovery::statusChanged);
    connect(connection, &RelayConnection::connectionLost, this, [this](const QString& reason) {
        if (this->connection->isPolling())
            lineLost(reason);
        else
            emit lostWhileIdle(reason);
    });
    connect(connection, &RelayConnection::portLost, this, [this](const QString& reason) {
        if (this->connection->isPolling())
            lineLost(reason);
    });
    connect(reconnector, &Reconnector::reconnected, this, [this] {
        countdown->stop();
        logInfo("Связь восстановлена");
        emit lineBack();
        emit statusChanged();
    });
}

bool LineRecovery::isRecovering() const
{
    return reconnector->isWaiting();
}

QString LineRecovery::statusText() const
{
    return isRecovering() ? reconnector->statusText() : QString();
}

int LineRecovery::reconnections() const
{
    return reconnector->reconnections();
}

void LineRecovery::stop()
{
    reconnector->stop();
    countdown->stop();
}

void LineRecovery::lineLost(const QString& reason)
{
    logError("Связь прервана: %s", qUtf8Printable(reason));
    connection->stopPolling(false);
    emit pollingLost();
    reconnector->start();
    countdown->start();
    emit statusChanged();
}
