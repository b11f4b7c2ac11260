#ifndef TALVIK_CLI_TERMINATIONSIGNALS_H
#define TALVIK_CLI_TERMINATIONSIGNALS_H

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal, so that Ctrl+C or a kill ends a
// run through the event loop like any other end: polling stopped, port
// closed, exit code given. The handler only writes the signal's number into
// a pipe whose read end the event loop watches, which is all a signal
// handler may safely do. One instance at a time; the default handling comes
// back when it is destroyed.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    bool isValid() const { return notifier != nullptr; }

signals:
    void received(int signalNumber);

private:
    Q_DISABLE_COPY(TerminationSignals)

    void readPipe();

    QSocketNotifier* notifier = nullptr;
};

#endif
