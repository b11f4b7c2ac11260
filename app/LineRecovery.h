#ifndef TALVIK_APP_LINERECOVERY_H
#define TALVIK_APP_LINERECOVERY_H

#include <QObject>
#include <QString>

class QTimer;
class Reconnector;
class RelayConnection;

// The window's side of a lost line. While the window polls, a gateway that
// drops its connection or a serial adapter that is pulled pauses polling,
// and the line is made again by itself (after 1 s, then doubling to 30 s)
// until it is back or the user stops polling; the status bar counts down to
// the next attempt and counts the reconnections. Outside polling a dropped
// network connection is only told, as before: a reading that loses its line
// fails once with its reason.
class LineRecovery : public QObject
{
    Q_OBJECT

public:
    LineRecovery(RelayConnection* connection, QObject* parent);

    bool isRecovering() const;
    // "Нет связи — повтор через 4 с (переподключений: 2)"; empty when the
    // line is not being made again.
    QString statusText() const;
    int reconnections() const;
    // The user stopped polling (or started it by hand): no more attempts.
    void stop();

signals:
    // Polling was on and the line is gone: the poller is stopped, the window
    // pauses what follows polling.
    void pollingLost();
    // The line is back: the window resumes polling.
    void lineBack();
    // A network connection dropped while the window was not polling.
    void lostWhileIdle(const QString& reason);
    // The countdown or the state changed: the status bar follows.
    void statusChanged();

private:
    void lineLost(const QString& reason);

    RelayConnection* connection;
    Reconnector* reconnector;
    QTimer* countdown;
};

#endif
