#ifndef TALVIK_CLI_COMMANDRUNNER_H
#define TALVIK_CLI_COMMANDRUNNER_H

#include "archive/Archive.h"
#include "cli/CommandOptions.h"
#include "relay/ConfigFile.h"
#include "relay/ModBusDevice.h"
#include "relay/SettingsVerifier.h"

#include <QList>
#include <QObject>
#include <QVector>

#include <memory>

class CommandLog;
class QTimer;
class Reconnector;
class RelayConnection;
class RelayHistory;
class TerminationSignals;

// Runs one command that talks to the relay, on the same connection, poller,
// readers and writers the window uses: it connects as the window does,
// starts the poll or the reading, prints or saves what came back and ends
// with finished() and the exit code. Whatever ends the run (the result, a
// failure, a termination signal) stops polling and closes the port first.
class CommandRunner : public QObject
{
    Q_OBJECT

public:
    CommandRunner(const CommandOptions& options, const CommandLog& log, QObject* parent = nullptr);
    ~CommandRunner() override;

    // finished() follows from the event loop, or from within when the run
    // cannot start.
    void start();

signals:
    void finished(int exitCode);

private:
    Q_DISABLE_COPY(CommandRunner)

    bool checkOutput();
    bool readInput();
    bool openConnection();
    void startPoll();
    void startMonitor();
    void startHeaders();
    void startJournal();

    void pollEnded(const QVector<ModBusDevice::FailedRead>& failed);
    void printValues();
    void monitorPollEnded(const QVector<ModBusDevice::FailedRead>& failed);
    void monitorLineLost(const QString& reason);
    void saveSettings();
    void compareSettings();
    void writeSettings();
    void writeVerified(const QVector<SettingsVerifier::Check>& checks);
    void saveSheet();
    void headersRead();
    void readNextRecord();
    void recordRead(int number);
    void readingFailed();
    void journalRead();
    ArchiveRelayIdentity archiveIdentity() const;
    void tellArchiveFailure();
    void showProgress();
    void endProgressLine();

    void failRelay(const QString& what);
    void fail(ExitCode code, const QString& message);
    void finish(int exitCode);

    CommandOptions options;
    const CommandLog& log;
    RelayConnection* connection = nullptr;
    Reconnector* reconnector = nullptr;
    SettingsVerifier* verifier = nullptr;
    TerminationSignals* termination = nullptr;
    QTimer* progressTimer = nullptr;
    // settings-diff and settings-write: the file's values, read before the
    // relay is asked anything.
    QVector<ConfigFile::RegisterValue> fileValues;
    // settings-write: the settings image before the batch.
    QVector<ConfigFile::RegisterValue> imageBefore;
    // What was read and written goes to the archive too.
    std::unique_ptr<RelayHistory> history;
    QList<int> recordsToRead;
    int currentRecord = -1;
    int shownProgress = -1;
    int polls = 0;
    int failedPolls = 0;
    bool done = false;
};

#endif
