#include "cli/ArchiveCommands.h"

#include "archive/Archive.h"
#include "archive/ArchiveExport.h"
#include "base/ProgramSettings.h"
#include "cli/CommandOptions.h"
#include "cli/Console.h"
#include "cli/SettingsCommands.h"
#include "relay/SettingsComparison.h"
#include "session/ArchiveLocation.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

namespace {

using Action = CommandOptions::ArchiveAction;

QString timeText(const QDateTime& time)
{
    return time.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
}

void printJson(const QJsonArray& list)
{
    Console::out(QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact)));
}

int listRelays(const Archive& archive, bool json)
{
    const QVector<ArchiveRelay> relays = archive.relays();
    QJsonArray list;
    if (!json)
        Console::out(QStringLiteral("Реле\tСвязь\tАдрес\tПоследняя запись"));
    for (const ArchiveRelay& relay : relays) {
        if (json)
            list.append(QJsonObject{{QStringLiteral("name"), relay.name},
                                    {QStringLiteral("connection"), relay.connection},
                                    {QStringLiteral("address"), relay.address},
                                    {QStringLiteral("last"), relay.last.toString(Qt::ISODate)}});
        else
            Console::out(QStringLiteral("%1\t%2\t%3\t%4")
                             .arg(relay.name, relay.connection)
                             .arg(relay.address)
                             .arg(timeText(relay.last)));
    }
    if (json)
        printJson(list);
    return ExitSuccess;
}

int listItems(const Archive& archive, const QString& relay, bool json)
{
    QJsonArray list;
    if (!json)
        Console::out(QStringLiteral("Номер\tВремя\tВид\tСодержание"));
    for (const ArchiveItem& item : archive.items(relay)) {
        const QString kind = archiveKindText(item.kind);
        if (json)
            list.append(QJsonObject{{QStringLiteral("id"), item.id},
                                    {QStringLiteral("time"), item.time.toString(Qt::ISODate)},
                                    {QStringLiteral("kind"), kind},
                                    {QStringLiteral("summary"), item.summary}});
        else
            Console::out(QStringLiteral("%1\t%2\t%3\t%4")
                             .arg(item.id)
                             .arg(timeText(item.time), kind, item.summary));
    }
    if (json)
        printJson(list);
    return ExitSuccess;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

int showItem(const Archive& archive, const ArchiveItem& item, const QString& path)
{
    bool written = false;
    QStringList paths{path};
    switch (item.kind) {
    case ArchiveKind::Settings:
    case ArchiveKind::Write:
        written = ArchiveExport::saveSettingsFile(archive, item.id, path);
        break;
    case ArchiveKind::Journal:
        written = ArchiveExport::saveJournalCsv(archive, item.id, path);
        break;
    case ArchiveKind::Record: {
        QString baseName;
        QByteArray cfg;
        QByteArray dat;
        paths = QStringList{path + QStringLiteral(".cfg"), path + QStringLiteral(".dat")};
        written = archive.recordOf(item.id, &baseName, &cfg, &dat) && writeFile(paths.at(0), cfg) &&
                  writeFile(paths.at(1), dat);
        break;
    }
    }
    if (!written) {
        Console::err(QStringLiteral("Невозможно записать файл %1").arg(path));
        return ExitFile;
    }
    for (const QString& written : paths)
        Console::out(written);
    return ExitSuccess;
}

bool findSnapshot(const Archive& archive, qint64 id, ArchiveItem* item)
{
    if (!archive.item(id, item)) {
        Console::err(QStringLiteral("В архиве нет записи %1").arg(id));
        return false;
    }
    if (item->kind != ArchiveKind::Settings && item->kind != ArchiveKind::Write) {
        Console::err(QStringLiteral("Запись %1 архива — не уставки").arg(id));
        return false;
    }
    return true;
}

// The second snapshot against the first, as settings-diff compares files.
int diffSnapshots(const Archive& archive, const CommandOptions& options)
{
    ArchiveItem first;
    ArchiveItem second;
    if (!findSnapshot(archive, options.itemId, &first) ||
        !findSnapshot(archive, options.secondItemId, &second))
        return ExitFile;
    const SettingsComparison comparison = SettingsComparison::ofFiles(
        archive.settingsOf(first.id), archive.settingsOf(second.id), options.ignored);
    const auto name = [](const ArchiveItem& item) {
        return QStringLiteral("№%1 %2").arg(item.id).arg(timeText(item.time));
    };
    SettingsCommands::printComparison(comparison, options.json, {name(first), name(second)},
                                      {QStringLiteral("first"), QStringLiteral("second")},
                                      QStringLiteral("Уставки снимков совпадают"));
    return comparison.isEmpty() ? ExitSuccess : ExitDifferent;
}

} // namespace

int ArchiveCommands::run(const CommandOptions& options)
{
    const QString location = ArchiveLocation::resolve(options.archive, openProgramSettings().get());
    if (location.isEmpty()) {
        Console::err(QStringLiteral("Архив отключён"));
        return ExitFile;
    }
    Archive archive;
    if (!archive.open(location)) {
        Console::err(archive.errorText());
        return ExitFile;
    }
    switch (options.archiveAction) {
    case Action::Relays:
        return listRelays(archive, options.json);
    case Action::List:
        return listItems(archive, options.archiveRelay, options.json);
    case Action::Show: {
        ArchiveItem item;
        if (!archive.item(options.itemId, &item)) {
            Console::err(QStringLiteral("В архиве нет записи %1").arg(options.itemId));
            return ExitFile;
        }
        return showItem(archive, item, options.path);
    }
    case Action::Diff:
        return diffSnapshots(archive, options);
    }
    return ExitUsage;
}
