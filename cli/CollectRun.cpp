#include "cli/CollectRun.h"

#include "base/ProgramSettings.h"
#include "cli/CollectJob.h"
#include "cli/CollectLine.h"
#include "cli/Console.h"
#include "session/ArchiveLocation.h"
#include "session/RelayHistory.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QMap>
#include <QSettings>
#include <QTimer>

#include <cmath>

namespace {

// Relays with one key share a line, and so its one master: a serial port
// (however it is named: a udev symlink is the same device), a gateway's
// HOST:PORT whatever the protocol. Each demo relay is a line of its own.
QString lineKey(const InventoryRelay& relay, int index)
{
    const RelayConnection::Settings& settings = relay.connection;
    if (settings.demo)
        return QStringLiteral("demo %1").arg(index);
    if (settings.transport == RelayConnection::Transport::Serial) {
        const QString device = QFileInfo(settings.portName).canonicalFilePath();
        return QStringLiteral("port %1").arg(device.isEmpty() ? settings.portName : device);
    }
    return QStringLiteral("net %1:%2").arg(settings.host.toLower()).arg(settings.tcpPort);
}

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
    if (!readInventory() || !checkOutput() || !openArchive())
        return;
    startLines();
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
    // The frame end of the command line holds for every relay.
    for (InventoryRelay& relay : relays) {
        relay.connection.lengthFraming = options.connection.lengthFraming;
        relay.connection.charInterval = options.connection.charInterval;
    }
    return true;
}

bool CollectRun::checkOutput()
{
    if (options.outFolder.isEmpty())
        return true;
    const QFileInfo folder(options.outFolder);
    if (folder.isDir() && folder.isWritable())
        return true;
    fail(ExitFile, QStringLiteral("Невозможно записать в папку %1").arg(options.outFolder));
    return false;
}

bool CollectRun::openArchive()
{
    history = std::make_unique<RelayHistory>(
        ArchiveLocation::resolve(options.archive, openProgramSettings().get()));
    if (!history->enabled() && options.outFolder.isEmpty()) {
        fail(ExitUsage, QStringLiteral("Архив отключён, и --out не указан: прочитанное некуда "
                                       "сохранить"));
        return false;
    }
    if (history->isUsable())
        return true;
    fail(ExitFile, history->takeFailure());
    return false;
}

void CollectRun::startLines()
{
    QMap<QString, CollectLine*> lines;
    for (int index = 0; index < relays.size(); ++index) {
        auto* job = new CollectJob(relays.at(index), history.get(), options.outFolder, this);
        jobs.append(job);
        const QString key = lineKey(relays.at(index), index);
        CollectLine*& line = lines[key];
        if (line == nullptr) {
            line = new CollectLine(this);
            connect(line, &CollectLine::finished, this, &CollectRun::lineFinished);
        }
        line->add(job);
    }
    linesRunning = lines.size();
    for (CollectLine* line : lines)
        line->start();
}

void CollectRun::lineFinished()
{
    if (--linesRunning > 0)
        return;
    if (options.json)
        printJson();
    else
        printTable();
    emit finished(exitCode());
}

void CollectRun::printTable() const
{
    Console::out(QStringLiteral("Реле\tРезультат\tНовых осциллограмм\tНовых событий\tСекунд"));
    for (const CollectJob* job : jobs) {
        const CollectOutcome& outcome = job->outcome();
        Console::out(QStringLiteral("%1\t%2\t%3\t%4\t%5")
                         .arg(job->relay().name,
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
    for (const CollectJob* job : jobs) {
        const CollectOutcome& outcome = job->outcome();
        list.append(
            QJsonObject{{QStringLiteral("name"), job->relay().name},
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
    for (const CollectJob* job : jobs) {
        const CollectOutcome& outcome = job->outcome();
        if (outcome.done)
            continue;
        if (outcome.code == ExitRelay)
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
