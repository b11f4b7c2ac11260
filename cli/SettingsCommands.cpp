#include "cli/SettingsCommands.h"

#include "cli/CommandOptions.h"
#include "cli/Console.h"
#include "relay/IModBusDev.h"
#include "relay/LineLimits.h"
#include "relay/SettingsComparison.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QJsonObject>

namespace {

// The file's own word on when its values were taken, else when it was
// written last.
QDateTime fileTime(const QString& path, const QJsonObject& notes)
{
    const QDateTime saved =
        QDateTime::fromString(notes.value(QStringLiteral("saved")).toString(), Qt::ISODate);
    return saved.isValid() ? saved.toLocalTime() : QFileInfo(path).lastModified();
}

} // namespace

bool SettingsCommands::loadFile(const QString& path, QJsonDocument* document)
{
    bool readable = false;
    *document = ConfigFile::load(path, &readable);
    if (!readable) {
        Console::err(QStringLiteral("Невозможно прочитать файл %1").arg(path));
        return false;
    }
    if (!ConfigFile::hasRanges(*document)) {
        Console::err(QStringLiteral("Неверный файл конфигурации: %1").arg(path));
        return false;
    }
    return true;
}

void SettingsCommands::printComparison(const SettingsComparison& comparison, bool json)
{
    const QStringList headers = SettingsComparison::headers();
    printComparison(comparison, json, {headers.at(1), headers.at(2)},
                    {QStringLiteral("relay"), QStringLiteral("file")},
                    QStringLiteral("Уставки в файле совпадают с уставками реле"));
}

void SettingsCommands::printComparison(const SettingsComparison& comparison, bool json,
                                       const QStringList& columns, const QStringList& jsonKeys,
                                       const QString& sameText)
{
    if (json)
        Console::out(QString::fromUtf8(
            QJsonDocument(comparisonJson(comparison, jsonKeys)).toJson(QJsonDocument::Compact)));
    else if (!comparison.isEmpty())
        // toText() ends with a line end that Console adds too.
        Console::out(comparison.toText(SettingsComparison::headers(columns.at(0), columns.at(1)))
                         .chopped(1));
    if (comparison.isEmpty())
        Console::err(sameText);
    if (comparison.ignoredCount() > 0)
        Console::err(comparison.ignoredText());
}

int SettingsCommands::diffFiles(const CommandOptions& options)
{
    QJsonDocument first;
    QJsonDocument second;
    if (!loadFile(options.path, &first) || !loadFile(options.secondPath, &second))
        return ExitFile;
    const SettingsComparison comparison = SettingsComparison::ofFiles(
        ConfigFile::registerValues(first), ConfigFile::registerValues(second), options.ignored);
    printComparison(comparison, options.json,
                    {QFileInfo(options.path).fileName(), QFileInfo(options.secondPath).fileName()},
                    {QStringLiteral("file1"), QStringLiteral("file2")},
                    QStringLiteral("Уставки в файлах совпадают"));
    return comparison.isEmpty() ? ExitSuccess : ExitDifferent;
}

QJsonArray SettingsCommands::comparisonJson(const SettingsComparison& comparison)
{
    return comparisonJson(comparison, {QStringLiteral("relay"), QStringLiteral("file")});
}

QJsonArray SettingsCommands::comparisonJson(const SettingsComparison& comparison,
                                            const QStringList& keys)
{
    QJsonArray list;
    for (const SettingsComparison::Change& change : comparison.changes()) {
        const QStringList cells = SettingsComparison::cells(change);
        list.append(QJsonObject{{QStringLiteral("register"), change.reg},
                                {QStringLiteral("caption"), cells.at(0)},
                                {keys.at(0), cells.at(1)},
                                {keys.at(1), cells.at(2)}});
    }
    return list;
}

int SettingsCommands::sheetFromFile(const CommandOptions& options)
{
    QJsonDocument document;
    if (!loadFile(options.path, &document))
        return ExitFile;
    QHash<uint16_t, uint16_t> values;
    for (const ConfigFile::RegisterValue& item : ConfigFile::registerValues(document))
        values.insert(item.reg, item.value);
    return saveSheet(options.sheetPath, fileHeading(options, document),
                     [values](uint16_t reg, uint16_t* value) {
                         *value = values.value(reg);
                         return values.contains(reg);
                     });
}

int SettingsCommands::sheetFromRelay(const CommandOptions& options, const IModBusDev& image)
{
    return saveSheet(options.sheetPath, relayHeading(options),
                     [&image](uint16_t reg, uint16_t* value) {
                         *value = image.getRegister(reg);
                         return true;
                     });
}

SettingsSheet::Heading SettingsCommands::fileHeading(const CommandOptions& options,
                                                     const QJsonDocument& document)
{
    const QJsonObject notes = document.object();
    const int address = notes.value(QStringLiteral("address")).toInt();
    SettingsSheet::Heading heading;
    heading.object = options.object;
    heading.address =
        address >= LineLimits::minAddress && address <= LineLimits::maxAddress ? address : 0;
    heading.connection = QFileInfo(options.path).fileName();
    heading.source = QStringLiteral("файл настроек");
    heading.time = fileTime(options.path, notes);
    return heading;
}

SettingsSheet::Heading SettingsCommands::relayHeading(const CommandOptions& options)
{
    const RelayConnection::Settings& connection = options.connection;
    SettingsSheet::Heading heading;
    heading.object = options.object;
    heading.address = connection.deviceAddress;
    heading.connection = connection.lineText();
    heading.source = QStringLiteral("уставки реле");
    heading.time = QDateTime::currentDateTime();
    return heading;
}

int SettingsCommands::saveSheet(const QString& fileName, const SettingsSheet::Heading& heading,
                                const SettingsSheet::ValueOf& valueOf)
{
    if (SettingsSheet::save(fileName, SettingsSheet::html(heading, valueOf)))
        return ExitSuccess;
    Console::err(QStringLiteral("Невозможно записать файл %1").arg(fileName));
    return ExitFile;
}
