#ifndef TALVIK_SESSION_RECONNECTOR_H
#define TALVIK_SESSION_RECONNECTOR_H

#include <QElapsedTimer>
#include <QObject>

class QTimer;
class RelayConnection;

// Makes a lost line again while the user wants polling: a gateway that
// restarts, or a serial adapter pulled and plugged back. The first attempt
// comes 1 s after the loss, each failed one doubles the wait up to 30 s, and
// it goes on until it succeeds or stop() is called; the owner then resumes
// polling. The waits run at LineTiming's scale.
class Reconnector : public QObject
{
    Q_OBJECT

public:
    static constexpr int firstDelayMs = 1000;
    static constexpr int longestDelayMs = 30000;

    explicit Reconnector(RelayConnection* connection, QObject* parent = nullptr);

    // The line was lost: attempts begin (a running series goes on as it is).
    void start();
    void stop();
    bool isWaiting() const;
    // Whole seconds until the next attempt (at least 1 while waiting).
    int secondsLeft() const;
    // The line was made again this many times since resetCount().
    int reconnections() const { return count; }
    void resetCount() { count = 0; }
    // "Нет связи — повтор через 4 с (переподключений: 2)".
    QString statusText() const;

signals:
    // An attempt is due in `seconds`.
    void retryScheduled(int seconds);
    void reconnected();

private:
    Q_DISABLE_COPY(Reconnector)

    void attempt();
    void schedule();

    RelayConnection* connection;
    QTimer* timer;
    QElapsedTimer sinceScheduled;
    int delayMs = firstDelayMs;
    int count = 0;
    bool attempting = false;
    // Between start() and stop(): an attempt's success is acted on only then.
    bool wanted = false;
};

#endif
