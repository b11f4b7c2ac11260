#ifndef TALVIK_COLLECT_COLLECTLINE_H
#define TALVIK_COLLECT_COLLECTLINE_H

#include <QList>
#include <QObject>
#include <QString>

class CollectJob;
class RelayConnection;

// The relays of collect on one line (a serial port, a gateway's HOST:PORT,
// or a demo relay), read one after another on one connection: the line has
// one master, so its relays wait their turn. A relay whose attempt failed on
// the line is tried once more after the others. The connection stays open
// from one relay to the next; it is made again when it was lost.
class CollectLine : public QObject
{
    Q_OBJECT

public:
    explicit CollectLine(QObject* parent = nullptr);

    void add(CollectJob* job);
    // Works the relays in the order added; ends with finished().
    void start();
    // Ends the relay under way and leaves the rest unread; finished()
    // follows once that relay's attempt has ended, with the port or the
    // network connection closed.
    void stop();

signals:
    void finished();

private:
    Q_DISABLE_COPY(CollectLine)

    void startNext();
    void prepareConnection();
    void networkOpened();
    void connectionLost(const QString& reason);
    void attemptEnded();

    RelayConnection* connection;
    QList<CollectJob*> waiting;
    QList<CollectJob*> again;
    CollectJob* current = nullptr;
    bool configured = false;
    bool stopping = false;
    bool ended = false;
    // Set while the network connection for `current` is being made.
    bool opening = false;
};

#endif
