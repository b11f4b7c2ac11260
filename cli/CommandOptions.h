#ifndef TALVIK_CLI_COMMANDOPTIONS_H
#define TALVIK_CLI_COMMANDOPTIONS_H

#include "session/RelayConnection.h"

#include <QSet>
#include <QString>
#include <QStringList>

// What the program tells a script by its exit code.
enum ExitCode
{
    ExitSuccess = 0,
    // settings-diff: the file differs from the relay; settings-write without
    // --yes: it would write something.
    ExitDifferent = 1,
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
        SettingsDiff,
        SettingsWrite,
        SettingsSheet,
        Archive,
        // Every relay of an inventory file, line by line.
        Collect,
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
    // settings-read, journal-read, comtrade-info and the settings-diff,
    // -write and -sheet files: the file (empty for settings-sheet --relay);
    // records-read: the folder of --out.
    QString path;
    // collect: the folder of --out (empty: the archive only).
    QString outFolder;
    // settings-diff FILE FILE2: the second file, compared with the first
    // without a relay.
    QString secondPath;
    // settings-diff: registers not compared (--ignore).
    QSet<uint16_t> ignored;
    // The archive for this run as --archive gives it (empty: as the settings
    // say; "none": off), and the relay's name in it (--name; empty: the
    // default, see relayName()).
    QString archive;
    QString name;
    // archive: what to do and with what.
    enum class ArchiveAction
    {
        Relays,
        List,
        Show,
        Diff
    };
    ArchiveAction archiveAction = ArchiveAction::Relays;
    // archive list: the relay's name.
    QString archiveRelay;
    // archive show and diff: the items' ids.
    qint64 itemId = -1;
    qint64 secondItemId = -1;
    // settings-sheet: the sheet's file, .html or .pdf.
    QString sheetPath;
    // settings-sheet: "Объект / присоединение" for its heading.
    QString object;
    // settings-sheet --relay: the values come from the relay, not a file.
    bool fromRelay = false;
    // settings-write: the password sent before each value; without --yes
    // nothing is written.
    uint16_t password = 0;
    bool confirmed = false;
    // comtrade-info: the moment analysed (--at, ms from the trigger), the
    // channel the angles are counted from (--reference; empty: the first
    // analog one), and the digital changes (--events).
    bool analyseAt = false;
    double atMs = 0;
    QString reference;
    bool events = false;
    int record = allRecords;
    // monitor: polls before it ends; 0 until it is interrupted.
    int count = 0;
    int periodMs = defaultMonitorPeriodMs;
    bool json = false;
    bool verbose = false;
    // --log-file: the log, down to the debug level, also on disk (a file, or
    // a folder for a file a day); empty: not.
    QString logFile;
    bool quiet = false;

    // arguments as QCoreApplication::arguments() gives them, program first.
    // With UsageError, *message is a one-line reason naming the option; with
    // ShowHelp and ShowVersion it is the text to print.
    static Outcome parse(const QStringList& arguments, CommandOptions* options, QString* message);

    // Without a GUI application object, as early as the arguments are known:
    // whether this run writes a PDF, which needs fonts. Gives false for
    // arguments that parse() refuses.
    static bool needsGui(const QStringList& arguments);

    // The relay's name in the archive: --name, else "PORT · адрес N" (the
    // host and port over the network).
    QString relayName() const;

    bool needsRelay() const
    {
        return command != Command::ComtradeInfo && command != Command::View &&
               command != Command::Archive && command != Command::Collect &&
               (command != Command::SettingsSheet || fromRelay) &&
               (command != Command::SettingsDiff || secondPath.isEmpty());
    }
};

#endif
