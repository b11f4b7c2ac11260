#include "collect/CollectLine.h"

#include "collect/CollectJob.h"
#include "collect/FailureText.h"
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

void CollectLine::stop()
{
    if (ended || stopping)
        return;
    stopping = true;
    opening = false;
    for (CollectJob* job : waiting + again)
        job->stop();
    waiting.clear();
    again.clear();
    // Its attemptEnded() brings the line to its end.
    if (current != nullptr)
        current->stop();
    else
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
        ended = true;
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
    current->connecting();
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
    CollectJob* job = current;
    current = nullptr;
    if (!stopping && job->mayRetry() && job->attempts() == 1) {
        again.append(job);
        job->retryLater(!waiting.isEmpty());
    }
    startNext();
}
