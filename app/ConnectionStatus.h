#ifndef TALVIK_APP_CONNECTIONSTATUS_H
#define TALVIK_APP_CONNECTIONSTATUS_H

#include "modbus/ModBusClient.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <cstdint>

class QLabel;
class QStatusBar;

// The status bar's account of the connection: where the client talks to,
// whether it polls and how often, how long ago the relay last answered, the
// client's counters since connecting, and a coloured mark that sums it up.
class ConnectionStatus : public QObject
{
    Q_OBJECT

public:
    enum class State
    {
        Stopped,   // grey: not polling
        Waiting,   // grey: polling, no answer yet, not yet three periods
        Answering, // green
        Errors,    // amber: failures within the last three polls
        Silent,    // red: no answer for three poll periods
        Demo       // blue: polling the simulated relay
    };

    struct Counters
    {
        quint64 requests = 0;
        quint64 answers = 0;
        quint64 timeouts = 0;
        quint64 frameErrors = 0;
        quint64 exceptions = 0;
        quint64 failures() const { return timeouts + frameErrors + exceptions; }
    };

    // What the window knows at one moment.
    struct Snapshot
    {
        QString connection; // "/dev/ttyUSB0 · 19200 · адрес 1", "Демо"
        bool polling = false;
        bool demo = false;
        int periodMs = 1000;
        qint64 pollingForMs = 0;
        qint64 msSinceAnswer = -1;
        Counters counters;
        // "Нет связи — повтор через N с …" while the line is made again.
        QString recovery;
    };

    // Polls that count as "the last ones" for failures and silence.
    static constexpr int recentPolls = 3;

    ConnectionStatus(QStatusBar* bar, QObject* parent);

    // One poll period has passed: its failures join the recent ones.
    void notePoll(quint64 failuresSoFar);
    // The counters start again (a new connection, or the user's click).
    void forgetPolls();
    void show(const Snapshot& snapshot);

    State state() const { return current; }
    // The width the status bar needs to show every text in full.
    int preferredWidth() const;
    static State classify(const Snapshot& snapshot, bool recentFailures);
    static QString stateName(State state);
    static QString connectionText(const QString& portName, int baudRate, int address, bool demo);
    static QString countersText(const Counters& counters);
    static Counters countersOf(const ModBusClient::Counters& counted);

signals:
    // The user clicked the counters.
    void resetRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Q_DISABLE_COPY(ConnectionStatus)

    bool hasRecentFailures(quint64 failuresNow) const;
    void showMark(State state);

    QLabel* mark = nullptr;
    QLabel* connection = nullptr;
    QLabel* polling = nullptr;
    QLabel* answerAge = nullptr;
    QLabel* counters = nullptr;
    // The failure count at the end of each of the last polls, oldest first.
    QVector<quint64> failuresAtPoll;
    State current = State::Stopped;
    bool markShown = false;
};

#endif
