#ifndef TALVIK_COLLECT_COLLECTJOB_H
#define TALVIK_COLLECT_COLLECTJOB_H

#include "archive/Archive.h"
#include "collect/Inventory.h"
#include "relay/ModBusDevice.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QVector>

class RelayConnection;
class RelayHistory;

// What collect got from one relay, over all its attempts.
struct CollectOutcome
{
    // Every step of the last attempt was done.
    bool done = false;
    // Records kept for the first time (written, with the archive off), and
    // journal events kept for the first time (read, with the archive off).
    int records = 0;
    int events = 0;
    qint64 elapsedMs = 0;
    // What the last attempt failed on, and why.
    enum class Failure
    {
        None,
        // The relay or its line.
        Relay,
        // A file or the archive.
        File,
        // The run was stopped before the relay had given everything.
        Stopped
    };
    Failure failure = Failure::None;
    QString error;
};

// One relay of collect: its settings image, its journal and every valid
// fault record the archive does not hold yet, read on its line's connection
// with the session's own poller and readers, kept in the archive under the
// inventory's name and, with a folder, written as the program's files
// (settings.json, journal.csv and the records' COMTRADE pairs).
//
// An attempt ends only when the reading under way has ended by the
// reader's own signal, even after the connection was lost, so that the
// line's next relay never shares the readers with a reading still retrying.
// A second attempt goes on from the step that failed: what was kept stays
// kept. A stopped attempt ends at once: what its last step read is
// neither kept nor written, and the files of the steps before stay whole.
//
// Each step is told twice: in progress(), the words of the command line's
// progress line, and in stateText(), the relay's state in a table.
class CollectJob : public QObject
{
    Q_OBJECT

public:
    CollectJob(const InventoryRelay& relay, RelayHistory* history, const QString& outFolder,
               QObject* parent = nullptr);

    const InventoryRelay& relay() const { return inventoryRelay; }
    const CollectOutcome& outcome() const { return result; }
    int attempts() const { return attemptCount; }
    // An attempt is under way (or its line is being connected).
    bool inProgress() const { return step != Step::Idle; }
    // The last attempt failed on the line or the relay, where another may do
    // better; a file, the archive or a header that failed would fail again.
    bool mayRetry() const { return !result.done && retryWorthy; }

    // An attempt on the connection, which is open, set to the relay's line
    // and address; ends with attemptEnded().
    void start(RelayConnection* lineConnection);
    // An attempt that could not begin: the line did not open.
    void failToConnect(const QString& why);
    // The line is being connected for an attempt.
    void connecting();
    // The failed attempt is to be followed by one more, after the line's
    // other relays when `afterOthers`.
    void retryLater(bool afterOthers);
    // Ends the attempt under way (with attemptEnded()), or marks a relay
    // not yet begun as stopped; a relay whose attempt has ended keeps its
    // outcome.
    void stop();

    // "ждёт", "уставки…", "осциллограммы 1 из 3…", "готово", "сбой: …".
    QString stateText() const;

signals:
    void attemptEnded();
    // A line of progress: "уставки…", "журнал — 57 событий, 3 новых".
    void progress(const QString& text);
    // stateText() has changed.
    void stateChanged();

private:
    Q_DISABLE_COPY(CollectJob)

    enum class Step
    {
        Idle,
        Connecting,
        Settings,
        Journal,
        Headers,
        Record
    };

    void beginAttempt();
    void readSettings();
    void readJournal();
    void readHeaders();
    void readNextRecord();
    void settingsRead(const QVector<ModBusDevice::FailedRead>& failed);
    void journalRead();
    void headersRead();
    void recordRead(int number);
    void readingFailed();
    void lineLost(const QString& reason);

    bool writeSettingsFile();
    bool writeJournalFile();
    bool writeRecordFiles(int number);
    // The relay's folder under --out, made on first use; empty when it
    // cannot be made.
    QString folder();
    ArchiveRelayIdentity identity() const;
    void say(const QString& text);
    void enterStep(Step next);

    void failRelay(const QString& why);
    void failFile(const QString& why);
    // worthRetrying: the line or the relay failed; the same attempt may do
    // better later.
    void endAttempt(CollectOutcome::Failure failure, const QString& why, bool worthRetrying);

    InventoryRelay inventoryRelay;
    RelayHistory* history;
    QString outFolder;
    RelayConnection* connection = nullptr;
    CollectOutcome result;
    Step step = Step::Idle;
    int attemptCount = 0;
    bool retryWorthy = false;
    bool retryDue = false;
    QElapsedTimer clock;
    // Why the line broke during this attempt: the network connection or
    // the serial port.
    QString lostReason;
    bool settingsDone = false;
    bool journalDone = false;
    // The records kept so far in this run, by trigger time.
    QSet<QDateTime> recordsDone;
    QList<int> recordsToRead;
    int currentRecord = -1;
    // The new records of this listing, for "осциллограммы 1 из 3…".
    int recordsListed = 0;
    // Valid records whose header the format cannot express.
    QList<int> unexportable;
};

#endif
