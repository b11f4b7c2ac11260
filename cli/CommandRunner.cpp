#include "cli/CommandRunner.h"

#include "base/ProgramSettings.h"
#include "cli/CommandLog.h"
#include "cli/Console.h"
#include "collect/FailureText.h"
#include "cli/SettingsCommands.h"
#include "cli/TerminationSignals.h"
#include "cli/ValueFormat.h"
#include "modbus/ModBusClient.h"
#include "records/CrashProcessReader.h"
#include "records/LogReader.h"
#include "records/RecordExporter.h"
#include "relay/ConfigFile.h"
#include "relay/MeasuredValues.h"
#include "relay/ModBusDevice.h"
#include "relay/RelayMap.h"
#include "relay/SettingsComparison.h"
#include "relay/SettingsFileNotes.h"
#include "relay/VerificationReport.h"
#include "session/ArchiveLocation.h"
#include "session/Reconnector.h"
#include "session/RelayConnection.h"
#include "session/RelayHistory.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSettings>
#include <QTimer>

namespace {

using Command = CommandOptions::Command;

// As often as the window's progress bar moves.
constexpr int progressInterval = 500;

QString jsonText(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

bool isWritableFolder(const QString& folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable();
}

} // namespace

CommandRunner::CommandRunner(const CommandOptions& options, const CommandLog& log, QObject* parent)
    : QObject(parent), options(options), log(log), connection(new RelayConnection(this)),
      progressTimer(new QTimer(this)),
      history(std::make_unique<RelayHistory>(
          ArchiveLocation::resolve(options.archive, openProgramSettings().get())))
{
    connect(connection->device(), &ModBusDevice::pollEnded, this, &CommandRunner::pollEnded);
    verifier = new SettingsVerifier(connection->device(), this);
    connect(verifier, &SettingsVerifier::verified, this, &CommandRunner::writeVerified);

    CrashProcessReader* crashReader = connection->crashReader();
    connect(crashReader, &CrashProcessReader::headersReadingFinished, this,
            &CommandRunner::headersRead);
    connect(crashReader, &CrashProcessReader::recordReadingFinished, this,
            &CommandRunner::recordRead);
    connect(crashReader, &CrashProcessReader::recordReadingFailed, this,
            &CommandRunner::readingFailed);
    LogReader* logReader = connection->logReader();
    connect(logReader, &LogReader::logReadingFinished, this, &CommandRunner::journalRead);
    connect(logReader, &LogReader::logReadingFailed, this, &CommandRunner::readingFailed);
    connect(progressTimer, &QTimer::timeout, this, &CommandRunner::showProgress);
    // A dropped network connection ends a reading: what it read so far is
    // no whole record. A monitor makes the line again by itself, as the
    // window does, and so for a serial adapter pulled and plugged back.
    reconnector = new Reconnector(connection, this);
    connect(connection, &RelayConnection::connectionLost, this, [this](const QString& reason) {
        if (this->options.command == Command::Monitor)
            monitorLineLost(reason);
        else
            fail(ExitRelay, QStringLiteral("Связь по сети прервана: %1").arg(reason));
    });
    connect(connection, &RelayConnection::portLost, this, [this](const QString& reason) {
        if (this->options.command == Command::Monitor)
            monitorLineLost(reason);
    });
    connect(reconnector, &Reconnector::retryScheduled, this, [](int seconds) {
        Console::err(QStringLiteral("%1 Нет связи — повтор через %2 с")
                         .arg(ValueFormat::timeStamp(QDateTime::currentDateTime()))
                         .arg(seconds));
    });
    connect(reconnector, &Reconnector::reconnected, this, [this] {
        Console::err(QStringLiteral("%1 Связь восстановлена")
                         .arg(ValueFormat::timeStamp(QDateTime::currentDateTime())));
        connection->device()->refresh();
        connection->startPolling();
    });
}

CommandRunner::~CommandRunner() = default;

void CommandRunner::start()
{
    // A file that cannot be written or read is known before the relay is
    // asked for anything: no reading is spent on it.
    if (!checkOutput() || !readInput() || !openConnection())
        return;
    switch (options.command) {
    case Command::Values:
    case Command::SettingsRead:
    case Command::SettingsDiff:
    case Command::SettingsWrite:
    case Command::SettingsSheet:
        startPoll();
        break;
    case Command::Monitor:
        startMonitor();
        break;
    case Command::RecordsList:
    case Command::RecordsRead:
        startHeaders();
        break;
    case Command::JournalRead:
        startJournal();
        break;
    case Command::ComtradeInfo:
    case Command::View:
    case Command::Archive:
    case Command::Collect:
        // Need no relay, or many: the command line and main() run them
        // without a runner.
        break;
    }
}

bool CommandRunner::checkOutput()
{
    if (options.command == Command::RecordsRead) {
        if (isWritableFolder(options.path))
            return true;
        fail(ExitFile, QStringLiteral("Невозможно записать в папку %1").arg(options.path));
        return false;
    }
    if (options.command != Command::SettingsRead && options.command != Command::JournalRead &&
        options.command != Command::SettingsSheet)
        return true;
    const QString path =
        options.command == Command::SettingsSheet ? options.sheetPath : options.path;
    const QFileInfo file(path);
    if (!file.isDir() && isWritableFolder(file.absolutePath()))
        return true;
    fail(ExitFile, QStringLiteral("Невозможно записать файл %1").arg(path));
    return false;
}

bool CommandRunner::readInput()
{
    if (options.command != Command::SettingsDiff && options.command != Command::SettingsWrite)
        return true;
    QJsonDocument document;
    if (!SettingsCommands::loadFile(options.path, &document)) {
        finish(ExitFile);
        return false;
    }
    fileValues = ConfigFile::registerValues(document);
    return true;
}

bool CommandRunner::openConnection()
{
    connection->configure(options.connection);
    if (connection->openPort(options.connection.demo))
        return true;
    fail(ExitRelay, FailureText::openFailure(*connection));
    return false;
}

void CommandRunner::startPoll()
{
    connection->device()->refresh();
}

void CommandRunner::startMonitor()
{
    termination = new TerminationSignals(this);
    connect(termination, &TerminationSignals::received, this,
            [this] { finish(failedPolls > 0 ? ExitRelay : ExitSuccess); });
    // The first poll at once, the poller's timer for the rest.
    connection->device()->refresh();
    connection->startPolling();
}

void CommandRunner::startHeaders()
{
    connection->crashReader()->readHeaders(options.connection.deviceAddress);
}

void CommandRunner::startJournal()
{
    connection->logReader()->readRecords(options.connection.deviceAddress);
}

void CommandRunner::pollEnded(const QVector<ModBusDevice::FailedRead>& failed)
{
    if (done)
        return;
    if (options.command == Command::Monitor) {
        monitorPollEnded(failed);
        return;
    }
    if (!failed.isEmpty()) {
        failRelay(QStringLiteral("Устройство не ответило на опрос"));
        return;
    }
    switch (options.command) {
    case Command::Values:
        printValues();
        break;
    case Command::SettingsRead:
        saveSettings();
        break;
    case Command::SettingsDiff:
        compareSettings();
        break;
    case Command::SettingsWrite:
        writeSettings();
        break;
    case Command::SettingsSheet:
        saveSheet();
        break;
    default:
        break;
    }
}

void CommandRunner::printValues()
{
    const MeasuredValues values = MeasuredValues::read(*connection->device());
    if (options.json)
        Console::out(jsonText(ValueFormat::valuesJson(values)));
    else
        for (const QString& line : ValueFormat::valueLines(values))
            Console::out(line);
    finish(ExitSuccess);
}

void CommandRunner::monitorPollEnded(const QVector<ModBusDevice::FailedRead>& failed)
{
    ++polls;
    if (failed.isEmpty()) {
        const QDateTime now = QDateTime::currentDateTime();
        const MeasuredValues values = MeasuredValues::read(*connection->device());
        Console::out(options.json ? jsonText(ValueFormat::monitorJson(now, values))
                                  : ValueFormat::monitorLine(now, values));
    } else {
        // Polling goes on, as in the window: the next poll may be answered.
        ++failedPolls;
        Console::err(QStringLiteral("%1 Опрос без ответа: %2")
                         .arg(ValueFormat::timeStamp(QDateTime::currentDateTime()),
                              FailureText::failedReads(failed)));
    }
    if (options.count > 0 && polls >= options.count)
        finish(failedPolls > 0 ? ExitRelay : ExitSuccess);
}

void CommandRunner::monitorLineLost(const QString& reason)
{
    if (done)
        return;
    // The outage costs polls: the run ends with 3 as after unanswered ones.
    ++failedPolls;
    connection->stopPolling(false);
    Console::err(QStringLiteral("%1 Связь прервана: %2")
                     .arg(ValueFormat::timeStamp(QDateTime::currentDateTime()), reason));
    reconnector->start();
}

void CommandRunner::saveSettings()
{
    // The notes the window's save puts beside the registers.
    const QJsonObject notes = SettingsFileNotes::describe(
        *connection->device(), options.connection.deviceAddress, QDateTime::currentDateTime());
    const bool saved = connection->configFile()->save(options.path, notes);
    history->keepSettings(archiveIdentity(),
                          ConfigFile::registerValues(connection->configFile()->document()));
    tellArchiveFailure();
    if (saved)
        finish(ExitSuccess);
    else
        fail(ExitFile, QStringLiteral("Невозможно записать файл %1").arg(options.path));
}

// What differs is known only against a complete image: compared with zeros
// never read, a file's zeros would pass for the relay's.
void CommandRunner::compareSettings()
{
    const SettingsComparison comparison =
        SettingsComparison::ofFile(fileValues, *connection->device(), options.ignored);
    SettingsCommands::printComparison(comparison, options.json);
    finish(comparison.isEmpty() ? ExitSuccess : ExitDifferent);
}

void CommandRunner::writeSettings()
{
    const SettingsComparison comparison =
        SettingsComparison::ofFile(fileValues, *connection->device());
    SettingsCommands::printComparison(comparison, options.json);
    if (comparison.isEmpty()) {
        finish(ExitSuccess);
        return;
    }
    if (!options.confirmed) {
        Console::err(QStringLiteral("Ничего не записано: для записи добавьте --yes"));
        finish(ExitDifferent);
        return;
    }
    // The same writes as the window's load: the password before each value,
    // only the registers that differ; then every one is read back.
    imageBefore = ConfigFile::registerValues(connection->configFile()->document());
    verifier->writeChecked(comparison.newValues(), options.password);
}

void CommandRunner::writeVerified(const QVector<SettingsVerifier::Check>& checks)
{
    if (done)
        return;
    const VerificationReport report(checks);
    Console::err(report.text());
    // The whole image before and after: after, the written registers as they
    // were read back (one not read back keeps its last known value).
    QVector<ConfigFile::RegisterValue> imageAfter = imageBefore;
    for (ConfigFile::RegisterValue& item : imageAfter) {
        for (const SettingsVerifier::Check& check : checks) {
            if (check.reg == item.reg && check.readBack)
                item.value = check.actual;
        }
    }
    history->keepWrite(archiveIdentity(), imageBefore, imageAfter, checks.size(), report.allHold(),
                       report.text());
    tellArchiveFailure();
    finish(report.allHold() ? ExitSuccess : ExitRelay);
}

void CommandRunner::saveSheet()
{
    finish(SettingsCommands::sheetFromRelay(options, *connection->device()));
}

void CommandRunner::headersRead()
{
    if (done)
        return;
    const CrashProcessReader* reader = connection->crashReader();
    if (options.command == Command::RecordsList) {
        QJsonArray list;
        if (!options.json)
            Console::out(ValueFormat::recordHeaderLine());
        for (int number = 0; number < CrashProcessReader::recordCount; ++number) {
            if (options.json)
                list.append(ValueFormat::recordJson(number, *reader->header(number)));
            else
                Console::out(ValueFormat::recordLine(number, *reader->header(number)));
        }
        if (options.json)
            Console::out(QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact)));
        finish(ExitSuccess);
        return;
    }

    if (options.record != CommandOptions::allRecords) {
        if (!reader->isHeaderValid(options.record)) {
            fail(ExitRelay,
                 QStringLiteral("Осциллограмма %1 отсутствует в устройстве").arg(options.record));
            return;
        }
        recordsToRead = {options.record};
    } else {
        for (int number = 0; number < CrashProcessReader::recordCount; ++number) {
            if (reader->isHeaderValid(number))
                recordsToRead.append(number);
        }
        if (recordsToRead.isEmpty())
            Console::err(QStringLiteral("В устройстве нет осциллограмм"));
    }
    readNextRecord();
}

void CommandRunner::readNextRecord()
{
    if (recordsToRead.isEmpty()) {
        finish(ExitSuccess);
        return;
    }
    currentRecord = recordsToRead.takeFirst();
    shownProgress = -1;
    if (!options.quiet) {
        showProgress();
        progressTimer->start(progressInterval);
    }
    connection->crashReader()->readCrashProcess(options.connection.deviceAddress,
                                                static_cast<uint16_t>(currentRecord));
}

void CommandRunner::recordRead(int number)
{
    if (done)
        return;
    if (!options.quiet)
        showProgress();
    endProgressLine();
    const CrashProcessReader& reader = *connection->crashReader();
    switch (RecordExporter::saveRecord(reader, number, options.path)) {
    case RecordExporter::Result::Saved: {
        const QString basePath = RecordExporter::basePath(*reader.header(number), options.path);
        Console::out(basePath + QStringLiteral(".cfg"));
        if (const QByteArray* samples = reader.samples(number))
            history->keepRecord(archiveIdentity(), *reader.header(number), *samples);
        tellArchiveFailure();
        readNextRecord();
        return;
    }
    case RecordExporter::Result::Unexportable:
        fail(ExitRelay, QStringLiteral("Некорректный заголовок осциллограммы %1").arg(number));
        return;
    case RecordExporter::Result::WriteFailed:
        fail(ExitFile, QStringLiteral("Не удалось сохранить осциллограмму %1 в папку %2")
                           .arg(number)
                           .arg(options.path));
        return;
    }
}

void CommandRunner::readingFailed()
{
    if (done)
        return;
    if (options.command == Command::JournalRead)
        failRelay(QStringLiteral("Не удалось считать журнал событий"));
    else if (currentRecord >= 0)
        failRelay(QStringLiteral("Не удалось считать осциллограмму %1").arg(currentRecord));
    else
        failRelay(QStringLiteral("Не удалось считать заголовки осциллограмм"));
}

void CommandRunner::journalRead()
{
    if (done)
        return;
    history->keepJournal(archiveIdentity(), *connection->logReader());
    tellArchiveFailure();
    if (connection->logReader()->save(options.path))
        finish(ExitSuccess);
    else
        fail(ExitFile, QStringLiteral("Невозможно записать файл %1").arg(options.path));
}

ArchiveRelayIdentity CommandRunner::archiveIdentity() const
{
    return {options.relayName(), options.connection.lineText(), options.connection.deviceAddress};
}

// Once, on stderr; the run's exit code stays the reading's.
void CommandRunner::tellArchiveFailure()
{
    const QString failure = history->takeFailure();
    if (!failure.isEmpty())
        Console::err(failure);
}

void CommandRunner::showProgress()
{
    const int percent = static_cast<int>(connection->crashReader()->progress());
    if (percent == shownProgress)
        return;
    shownProgress = percent;
    Console::progress(QStringLiteral("Осциллограмма %1: %2 %").arg(currentRecord).arg(percent));
}

void CommandRunner::endProgressLine()
{
    progressTimer->stop();
    if (shownProgress >= 0)
        Console::endProgress();
    shownProgress = -1;
}

void CommandRunner::failRelay(const QString& what)
{
    const QString error = log.lastError();
    fail(ExitRelay, error.isEmpty() ? what : what + QStringLiteral(": ") + error);
}

void CommandRunner::fail(ExitCode code, const QString& message)
{
    if (done)
        return;
    endProgressLine();
    Console::err(message);
    finish(code);
}

void CommandRunner::finish(int exitCode)
{
    if (done)
        return;
    done = true;
    endProgressLine();
    reconnector->stop();
    connection->stopPolling(true);
    emit finished(exitCode);
}
