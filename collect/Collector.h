#ifndef TALVIK_COLLECT_COLLECTOR_H
#define TALVIK_COLLECT_COLLECTOR_H

#include "collect/CollectOptions.h"
#include "collect/Inventory.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <memory>

class CollectJob;
class CollectLine;
class RelayHistory;

// One collecting run over an inventory's relays: the lines side by side, the
// relays of one line one after another on one connection (a line has one
// master), each relay kept in the archive and, with a folder, written as
// files. The command line prints what it says; the window shows it in a
// table. A run is used once: a new run takes a new Collector.
class Collector : public QObject
{
    Q_OBJECT

public:
    // What stands in the way of a run before any relay is asked.
    enum class Readiness
    {
        Ready,
        // The folder for the files is not a writable folder.
        FolderUnwritable,
        // No archive and no folder: what is read would go nowhere.
        NothingToKeep,
        ArchiveUnusable
    };

    // The relays as an inventory gives them; the options' frame end holds
    // for each of them.
    Collector(const QVector<InventoryRelay>& relays, const CollectOptions& options,
              QObject* parent = nullptr);
    ~Collector() override;

    // Checks the folder and opens the archive; anything but Ready comes with
    // *message (for FolderUnwritable and ArchiveUnusable; NothingToKeep is
    // the caller's to word).
    Readiness prepare(QString* message);
    // After prepare() gave Ready: every line begins at once. finished()
    // follows from the event loop.
    void start();
    // Ends every relay under way and leaves the rest unread (see
    // CollectJob::stop()); finished() follows.
    void stop();
    bool isRunning() const { return linesRunning > 0; }

    int relayCount() const { return jobs.size(); }
    // In the inventory's order.
    const CollectJob& job(int relay) const { return *jobs.at(relay); }

    // Each relay's line, numbered from 1 in the order the lines first
    // appear: relays of one number are read one after another.
    static QVector<int> lineNumbersOf(const QVector<InventoryRelay>& relays);

signals:
    // A line of progress for a relay: "уставки…", "готово", "сбой: …".
    void progress(int relay, const QString& text);
    // The relay's stateText() or outcome has changed.
    void relayChanged(int relay);
    void finished();

private:
    Q_DISABLE_COPY(Collector)

    void buildLines(const QVector<InventoryRelay>& relays);
    void lineFinished(CollectLine* line);

    CollectOptions options;
    std::unique_ptr<RelayHistory> history;
    QVector<CollectJob*> jobs;
    QVector<CollectLine*> lines;
    int linesRunning = 0;
};

#endif
