#include "session/Reconnector.h"

#include "modbus/LineTiming.h"
#include "session/RelayConnection.h"

#include <QTimer>

#include <algorithm>

Reconnector::Reconnector(RelayConnection* connection, QObject* parent)
    : QObject(parent), connection(connection), timer(new QTimer(this))
{
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, &Reconnector::attempt);
}

void Reconnector::start()
{
    wanted = true;
    if (isWaiting() || attempting)
        return;
    delayMs = firstDelayMs;
    schedule();
}

void Reconnector::stop()
{
    wanted = false;
    timer->stop();
    delayMs = firstDelayMs;
}

bool Reconnector::isWaiting() const
{
    return timer->isActive();
}

int Reconnector::secondsLeft() const
{
    if (!isWaiting())
        return 0;
    const qint64 left = LineTiming::scaled(delayMs) - sinceScheduled.elapsed();
    return std::max<int>(1, int((left + 999) / 1000));
}

QString Reconnector::statusText() const
{
    QString text = QStringLiteral("Нет связи — повтор через %1 с").arg(secondsLeft());
    if (count > 0)
        text += QStringLiteral(" (переподключений: %1)").arg(count);
    return text;
}

void Reconnector::schedule()
{
    sinceScheduled.start();
    timer->start(LineTiming::scaled(delayMs));
    emit retryScheduled(secondsLeft());
}

void Reconnector::attempt()
{
    // Opening a network connection waits for it with the event loop running:
    // stop() may come meanwhile, and then the outcome is not acted on.
    attempting = true;
    const bool open = connection->openPort(false);
    attempting = false;
    if (!wanted)
        return;
    if (open) {
        wanted = false;
        ++count;
        delayMs = firstDelayMs;
        emit reconnected();
        return;
    }
    delayMs = std::min(delayMs * 2, longestDelayMs);
    schedule();
}
