#ifndef TALVIK_CLI_SETTINGSCOMMANDS_H
#define TALVIK_CLI_SETTINGSCOMMANDS_H

#include "relay/ConfigFile.h"
#include "relay/SettingsSheet.h"

#include <QJsonArray>
#include <QStringList>
#include <QVector>

class IModBusDev;
class QString;
class SettingsComparison;
struct CommandOptions;

// What settings-diff, settings-write and settings-sheet share: reading a
// settings file as the window does, printing a comparison, and the sheet
// with its heading, from a file (no relay needed) or from the relay's image.
class SettingsCommands
{
public:
    // The file's register values; false (with the message on stderr) for a
    // file that cannot be read or is not a settings file. *document gets the
    // whole file, notes included.
    static bool loadFile(const QString& path, QJsonDocument* document);

    // The table on stdout (tab-separated with a heading line, or with json
    // an array of {register, caption, relay, file}); with nothing to show, a
    // line on stderr says so.
    // The settings on the ignore list, if any, are counted on stderr.
    static void printComparison(const SettingsComparison& comparison, bool json);
    // Two named sources (files, archive snapshots): the value columns named
    // `columns`, in json the keys `jsonKeys`; `sameText` on stderr when
    // nothing differs.
    static void printComparison(const SettingsComparison& comparison, bool json,
                                const QStringList& columns, const QStringList& jsonKeys,
                                const QString& sameText);
    static QJsonArray comparisonJson(const SettingsComparison& comparison);

    // settings-diff FILE FILE2: the second file against the first, the
    // columns named by the files (in json "file1" and "file2"); the exit code.
    static int diffFiles(const CommandOptions& options);

    // settings-sheet FILE: reads the file, writes the sheet; the exit code.
    static int sheetFromFile(const CommandOptions& options);
    // settings-sheet --relay, once the image has been polled; the exit code.
    static int sheetFromRelay(const CommandOptions& options, const IModBusDev& image);

    // For a file: the relay address and the time the file notes, its name as
    // the connection.
    static SettingsSheet::Heading fileHeading(const CommandOptions& options,
                                              const QJsonDocument& document);
    static SettingsSheet::Heading relayHeading(const CommandOptions& options);

private:
    SettingsCommands() = delete;

    static QJsonArray comparisonJson(const SettingsComparison& comparison, const QStringList& keys);

    static int saveSheet(const QString& fileName, const SettingsSheet::Heading& heading,
                         const SettingsSheet::ValueOf& valueOf);
};

#endif
