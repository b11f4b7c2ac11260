#include "cli/CollectLine.h"

#include "cli/CollectJob.h"
#include "cli/Console.h"
#include "cli/FailureText.h"
#include "session/RelayConnection.h"

namespace {

// Another relay on the same line differs only in its address.
bool sameLine(RelayConnection::Settings a, RelayConnection::Settings b)
{
    return a.transport == b.transport && a.portName == b.portName && a.host == b.host &&
           a.tcpPort == b.tcpPort && a.baudRate == b.baudRate && a.charInterval == b.charInterval &&
           a.demo == b.demo && a.lengthFraming == b.lengthFraming;
}

} // namespace

CollectLine::CollectLine(QObject* parent) : QObject(parent), connection(new RelayConnection(this))
{
    connect(connection, &RelayConnection::networkOpened, this, &CollectLine::networkOpened);
    connect(connection, &RelayConnection::connectionLost, this, &CollectLine::connectionLost);
}

void CollectLine::add(CollectJob* job)
{
    waiting.append(job);
    // Queued: the next relay starts from the event loop, not from inside
    // the signal of the reader that ended the last one.
    connect(job, &CollectJob::attemptEnded, this, &CollectLine::attemptEnded, Qt::QueuedConnection);
}

void CollectLine::start()
{
    startNext();
}

void CollectLine::startNext()
{
    if (waiting.isEmpty()) {
        waiting = again;
        again.clear();
    }
    if (waiting.isEmpty()) {
        connection->stopPolling(true);
        emit finished();
        return;
    }
    current = waiting.takeFirst();
    prepareConnection();
    const RelayConnection::Settings& settings = current->relay().connection;
    if (!connection->usesNetwork()) {
        if (connection->openPort(settings.demo))
            current->start(connection);
        else
            current->failToConnect(FailureText::openFailure(*connection));
        return;
    }
    // The other lines go on meanwhile: openPort() would wait in a loop of
    // its own, which holds up every line that starts one in it.
    opening = true;
    connection->openNetwork();
}

void CollectLine::prepareConnection()
{
    const RelayConnection::Settings& settings = current->relay().connection;
    if (configured && sameLine(connection->settings(), settings)) {
        connection->selectRelay(settings.deviceAddress);
        return;
    }
    connection->configure(settings);
    configured = true;
}

void CollectLine::networkOpened()
{
    if (!opening)
        return;
    opening = false;
    current->start(connection);
}

void CollectLine::connectionLost(const QString& reason)
{
    if (!opening)
        return;
    opening = false;
    current->failToConnect(QStringLiteral("Нет связи по сети: %1").arg(reason));
}

void CollectLine::attemptEnded()
{
    CollectJob* ended = current;
    current = nullptr;
    if (ended->mayRetry() && ended->attempts() == 1) {
        again.append(ended);
        Console::err(QStringLiteral("%1: %2").arg(
            ended->relay().name, waiting.isEmpty() ? QStringLiteral("ещё одна попытка")
                                                   : QStringLiteral("ещё одна попытка после "
                                                                    "остальных реле линии")));
    }
    startNext();
}
