#ifndef TALVIK_CLI_COMMANDOPTIONS_H
#define TALVIK_CLI_COMMANDOPTIONS_H

#include "device/RelayConnection.h"

#include <QString>
#include <QStringList>

// What the program tells a script by its exit code.
enum ExitCode
{
    ExitSuccess = 0,
    ExitUsage = 2,
    // The port could not be opened, or the relay did not answer or refused.
    ExitRelay = 3,
    // A file could not be read or written.
    ExitFile = 4
};

// One run of the command line: the command, its arguments and the options,
// checked against each other.
struct CommandOptions
{
    enum class Command
    {
        Values,
        Monitor,
        SettingsRead,
        RecordsList,
        RecordsRead,
        JournalRead,
        ComtradeInfo,
        // Opens a window: main() runs it, not the command line.
        View
    };

    enum class Outcome
    {
        Run,
        ShowHelp,
        ShowVersion,
        UsageError
    };

    // records-read all
    static constexpr int allRecords = -1;
    static constexpr int defaultMonitorPeriodMs = 1000;

    Command command = Command::Values;
    RelayConnection::Settings connection;
    // settings-read, journal-read and comtrade-info: the file; records-read:
    // the folder of --out.
    QString path;
    int record = allRecords;
    // monitor: polls before it ends; 0 until it is interrupted.
    int count = 0;
    int periodMs = defaultMonitorPeriodMs;
    bool json = false;
    bool verbose = false;
    bool quiet = false;

    // arguments as QCoreApplication::arguments() gives them, program first.
    // With UsageError, *message is a one-line reason naming the option; with
    // ShowHelp and ShowVersion it is the text to print.
    static Outcome parse(const QStringList& arguments, CommandOptions* options, QString* message);

    bool needsRelay() const { return command != Command::ComtradeInfo && command != Command::View; }
};

#endif
