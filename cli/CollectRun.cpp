#include "cli/CollectRun.h"

#include "base/ProgramSettings.h"
#include "cli/Console.h"
#include "collect/CollectJob.h"
#include "collect/Collector.h"
#include "session/ArchiveLocation.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QSettings>

#include <cmath>

namespace {

// Seconds to a tenth, as the table shows them and JSON gives them.
double secondsOf(const CollectOutcome& outcome)
{
    return std::round(static_cast<double>(outcome.elapsedMs) / 100.0) / 10.0;
}

} // namespace

CollectRun::CollectRun(const CommandOptions& options, QObject* parent)
    : QObject(parent), options(options)
{
}

CollectRun::~CollectRun() = default;

void CollectRun::start()
{
    // Everything that can be found wrong without a relay is found before
    // the first one is asked anything.
    if (!readInventory() || !prepareCollector())
        return;
    collector->start();
}

bool CollectRun::readInventory()
{
    QString message;
    bool unreadable = false;
    if (!Inventory::load(options.path, &relays, &message, &unreadable)) {
        fail(unreadable ? ExitFile : ExitUsage, message);
        return false;
    }
    if (!options.outFolder.isEmpty() && !Inventory::checkFolders(relays, options.path, &message)) {
        fail(ExitUsage, message);
        return false;
    }
    return true;
}

bool CollectRun::prepareCollector()
{
    // The frame end of the command line holds for every relay.
    CollectOptions collect;
    collect.charInterval = options.connection.charInterval;
    collect.silenceOnly = !options.connection.lengthFraming;
    collect.outFolder = options.outFolder;
    collect.archiveLocation =
        ArchiveLocation::resolve(options.archive, openProgramSettings().get());
    collector = new Collector(relays, collect, this);
    QString message;
    switch (collector->prepare(&message)) {
    case Collector::Readiness::Ready:
        break;
    case Collector::Readiness::NothingToKeep:
        fail(ExitUsage, QStringLiteral("Архив отключён, и --out не указан: прочитанное некуда "
                                       "сохранить"));
        return false;
    case Collector::Readiness::FolderUnwritable:
    case Collector::Readiness::ArchiveUnusable:
        fail(ExitFile, message);
        return false;
    }
    connect(collector, &Collector::progress, this, [this](int relay, const QString& text) {
        Console::err(QStringLiteral("%1: %2").arg(relays.at(relay).name, text));
    });
    connect(collector, &Collector::finished, this, &CollectRun::collected);
    return true;
}

void CollectRun::collected()
{
    if (options.json)
        printJson();
    else
        printTable();
    emit finished(exitCode());
}

void CollectRun::printTable() const
{
    Console::out(QStringLiteral("Реле\tРезультат\tНовых осциллограмм\tНовых событий\tСекунд"));
    for (int relay = 0; relay < collector->relayCount(); ++relay) {
        const CollectOutcome& outcome = collector->job(relay).outcome();
        Console::out(QStringLiteral("%1\t%2\t%3\t%4\t%5")
                         .arg(relays.at(relay).name,
                              outcome.done ? QStringLiteral("готово")
                                           : QStringLiteral("сбой: %1").arg(outcome.error))
                         .arg(outcome.records)
                         .arg(outcome.events)
                         .arg(secondsOf(outcome), 0, 'f', 1));
    }
}

void CollectRun::printJson() const
{
    QJsonArray list;
    for (int relay = 0; relay < collector->relayCount(); ++relay) {
        const CollectOutcome& outcome = collector->job(relay).outcome();
        list.append(
            QJsonObject{{QStringLiteral("name"), relays.at(relay).name},
                        {QStringLiteral("result"),
                         outcome.done ? QStringLiteral("ok") : QStringLiteral("failed")},
                        {QStringLiteral("records"), outcome.records},
                        {QStringLiteral("events"), outcome.events},
                        {QStringLiteral("seconds"), secondsOf(outcome)},
                        {QStringLiteral("error"),
                         outcome.done ? QJsonValue(QJsonValue::Null) : QJsonValue(outcome.error)}});
    }
    Console::out(QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact)));
}

// A relay that failed outweighs a file that could not be written.
int CollectRun::exitCode() const
{
    int code = ExitSuccess;
    for (int relay = 0; relay < collector->relayCount(); ++relay) {
        const CollectOutcome& outcome = collector->job(relay).outcome();
        if (outcome.done)
            continue;
        if (outcome.failure != CollectOutcome::Failure::File)
            return ExitRelay;
        code = ExitFile;
    }
    return code;
}

void CollectRun::fail(int exitCode, const QString& message)
{
    Console::err(message);
    emit finished(exitCode);
}
