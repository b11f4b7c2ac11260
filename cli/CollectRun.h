#ifndef TALVIK_CLI_COLLECTRUN_H
#define TALVIK_CLI_COLLECTRUN_H

#include "cli/CommandOptions.h"
#include "collect/Inventory.h"

#include <QObject>
#include <QVector>

class Collector;

// collect INVENTORY.json [--out DIR] [--json]: every relay of the inventory
// read into the archive (and the folder), the lines side by side and the
// relays of one line one after another; progress on stderr, one line per
// relay and step; at the end one row per relay on stdout, in the
// inventory's order. The exit code is 0 when every relay gave everything,
// 3 when a relay or its line failed, else 4 when a file or the archive did;
// 2 and 4 before anything is read for a wrong inventory or option and for a
// file, folder or archive that cannot be used.
class CollectRun : public QObject
{
    Q_OBJECT

public:
    explicit CollectRun(const CommandOptions& options, QObject* parent = nullptr);
    ~CollectRun() override;

    // finished() follows from the event loop, or from within when the run
    // cannot start.
    void start();

signals:
    void finished(int exitCode);

private:
    Q_DISABLE_COPY(CollectRun)

    bool readInventory();
    bool prepareCollector();
    void collected();
    void printTable() const;
    void printJson() const;
    int exitCode() const;
    void fail(int exitCode, const QString& message);

    CommandOptions options;
    QVector<InventoryRelay> relays;
    Collector* collector = nullptr;
};

#endif
