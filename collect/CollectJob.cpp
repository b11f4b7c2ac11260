#include "collect/CollectJob.h"

#include "base/RussianPlural.h"
#include "collect/FailureText.h"
#include "records/ComtradeWriter.h"
#include "records/CrashProcessReader.h"
#include "records/LogReader.h"
#include "records/RecordExporter.h"
#include "relay/ConfigFile.h"
#include "relay/SettingsFileNotes.h"
#include "session/RelayConnection.h"
#include "session/RelayHistory.h"

#include <QDir>

namespace {

// The names the settings-read and journal-read of a script would give them.
const QString settingsFileName = QStringLiteral("settings.json");
const QString journalFileName = QStringLiteral("journal.csv");

int eventCount(const LogReader& reader)
{
    int events = 0;
    for (int index = 0; index < LogReader::entryCount; ++index) {
        const JournalEntry* entry = reader.entry(index);
        events += entry != nullptr && entry->isEvent() ? 1 : 0;
    }
    return events;
}

QString eventsText(int count)
{
    return QStringLiteral("%1 %2").arg(count).arg(russianPlural(
        count, QStringLiteral("событие"), QStringLiteral("события"), QStringLiteral("событий")));
}

// "1 новое" (событие), "1 новая" (осциллограмма), "2 новых".
QString freshText(int count, const QString& one)
{
    return QStringLiteral("%1 %2").arg(count).arg(
        russianPlural(count, one, QStringLiteral("новых"), QStringLiteral("новых")));
}

} // namespace

CollectJob::CollectJob(const InventoryRelay& relay, RelayHistory* history, const QString& outFolder,
                       QObject* parent)
    : QObject(parent), inventoryRelay(relay), history(history), outFolder(outFolder)
{
}

void CollectJob::start(RelayConnection* lineConnection)
{
    connection = lineConnection;
    beginAttempt();
    connect(connection->device(), &ModBusDevice::pollEnded, this, &CollectJob::settingsRead);
    LogReader* logReader = connection->logReader();
    connect(logReader, &LogReader::logReadingFinished, this, &CollectJob::journalRead);
    connect(logReader, &LogReader::logReadingFailed, this, &CollectJob::readingFailed);
    CrashProcessReader* crashReader = connection->crashReader();
    connect(crashReader, &CrashProcessReader::headersReadingFinished, this,
            &CollectJob::headersRead);
    connect(crashReader, &CrashProcessReader::recordReadingFinished, this, &CollectJob::recordRead);
    connect(crashReader, &CrashProcessReader::recordReadingFailed, this,
            &CollectJob::readingFailed);
    connect(connection, &RelayConnection::connectionLost, this, [this](const QString& reason) {
        lineLost(QStringLiteral("связь по сети прервана: %1").arg(reason));
    });
    connect(connection, &RelayConnection::portLost, this, &CollectJob::lineLost);
    if (!settingsDone)
        readSettings();
    else if (!journalDone)
        readJournal();
    else
        readHeaders();
}

void CollectJob::failToConnect(const QString& why)
{
    connection = nullptr;
    beginAttempt();
    failRelay(why);
}

void CollectJob::connecting()
{
    enterStep(Step::Connecting);
}

void CollectJob::retryLater(bool afterOthers)
{
    retryDue = true;
    say(afterOthers ? QStringLiteral("ещё одна попытка после остальных реле линии")
                    : QStringLiteral("ещё одна попытка"));
    emit stateChanged();
}

void CollectJob::stop()
{
    if (step != Step::Idle) {
        if (step == Step::Connecting)
            beginAttempt();
        endAttempt(CollectOutcome::Failure::Stopped, QStringLiteral("остановлено"), false);
        return;
    }
    // Begun and ended: the outcome stands, but no second attempt follows.
    retryDue = false;
    if (attemptCount == 0)
        result.failure = CollectOutcome::Failure::Stopped;
    emit stateChanged();
}

QString CollectJob::stateText() const
{
    switch (step) {
    case Step::Connecting:
        return QStringLiteral("связь…");
    case Step::Settings:
        return QStringLiteral("уставки…");
    case Step::Journal:
        return QStringLiteral("журнал…");
    case Step::Headers:
        return QStringLiteral("осциллограммы…");
    case Step::Record:
        return QStringLiteral("осциллограммы %1 из %2…")
            .arg(recordsListed - recordsToRead.size())
            .arg(recordsListed);
    case Step::Idle:
        break;
    }
    if (result.done)
        return QStringLiteral("готово");
    if (result.failure == CollectOutcome::Failure::Stopped)
        return QStringLiteral("остановлено");
    if (attemptCount == 0)
        return QStringLiteral("ждёт");
    const QString failed = QStringLiteral("сбой: %1").arg(result.error);
    return retryDue ? QStringLiteral("%1; ещё одна попытка").arg(failed) : failed;
}

void CollectJob::beginAttempt()
{
    ++attemptCount;
    retryDue = false;
    result.done = false;
    result.error.clear();
    result.failure = CollectOutcome::Failure::None;
    lostReason.clear();
    clock.start();
}

void CollectJob::enterStep(Step next)
{
    step = next;
    emit stateChanged();
}

void CollectJob::readSettings()
{
    say(QStringLiteral("уставки…"));
    enterStep(Step::Settings);
    connection->device()->refresh();
}

void CollectJob::readJournal()
{
    enterStep(Step::Journal);
    connection->logReader()->readRecords(inventoryRelay.connection.deviceAddress);
}

void CollectJob::readHeaders()
{
    enterStep(Step::Headers);
    connection->crashReader()->readHeaders(inventoryRelay.connection.deviceAddress);
}

// Only a complete image is kept: after a failed read some registers hold no
// reading, or the last relay's on this line.
void CollectJob::settingsRead(const QVector<ModBusDevice::FailedRead>& failed)
{
    if (step != Step::Settings)
        return;
    if (!failed.isEmpty()) {
        failRelay(QStringLiteral("Устройство не ответило на опрос: %1")
                      .arg(FailureText::failedReads(failed)));
        return;
    }
    if (history->enabled() &&
        !history->keepSettings(identity(),
                               ConfigFile::registerValues(connection->configFile()->document()))) {
        failFile(history->errorText());
        return;
    }
    if (!writeSettingsFile())
        return;
    settingsDone = true;
    readJournal();
}

void CollectJob::journalRead()
{
    if (step != Step::Journal)
        return;
    const LogReader& reader = *connection->logReader();
    const int events = eventCount(reader);
    int fresh = events;
    if (history->enabled()) {
        fresh = history->keepJournal(identity(), reader);
        if (fresh < 0) {
            failFile(history->errorText());
            return;
        }
    }
    if (!writeJournalFile())
        return;
    result.events += fresh;
    journalDone = true;
    say(QStringLiteral("журнал — %1, %2")
            .arg(eventsText(events), freshText(fresh, QStringLiteral("новое"))));
    readHeaders();
}

void CollectJob::headersRead()
{
    if (step != Step::Headers)
        return;
    const CrashProcessReader& reader = *connection->crashReader();
    recordsToRead.clear();
    unexportable.clear();
    QSet<QDateTime> listed = recordsDone;
    for (int number = 0; number < CrashProcessReader::recordCount; ++number) {
        if (!reader.isHeaderValid(number))
            continue;
        const CrashProcessHeader& header = *reader.header(number);
        if (!ComtradeWriter::isExportable(header)) {
            unexportable.append(number);
            continue;
        }
        // Two slots of one trigger time hold one record.
        const QDateTime trigger = ComtradeWriter::triggerTime(header);
        if (listed.contains(trigger) || history->knowsRecord(inventoryRelay.name, header))
            continue;
        listed.insert(trigger);
        recordsToRead.append(number);
    }
    recordsListed = recordsToRead.size();
    say(QStringLiteral("осциллограммы — %1")
            .arg(freshText(recordsToRead.size(), QStringLiteral("новая"))));
    readNextRecord();
}

void CollectJob::readNextRecord()
{
    if (recordsToRead.isEmpty()) {
        if (unexportable.isEmpty()) {
            endAttempt(CollectOutcome::Failure::None, QString(), false);
            return;
        }
        // Not the line's fault: read again, the header would be the same.
        endAttempt(
            CollectOutcome::Failure::Relay,
            QStringLiteral("Некорректный заголовок осциллограммы %1").arg(unexportable.first()),
            false);
        return;
    }
    currentRecord = recordsToRead.takeFirst();
    const CrashProcessHeader& header = *connection->crashReader()->header(currentRecord);
    say(QStringLiteral("осциллограмма %1 от %2 %3…")
            .arg(currentRecord)
            .arg(ComtradeWriter::dateText(header), ComtradeWriter::timeText(header)));
    enterStep(Step::Record);
    connection->crashReader()->readCrashProcess(inventoryRelay.connection.deviceAddress,
                                                static_cast<uint16_t>(currentRecord));
}

void CollectJob::recordRead(int number)
{
    if (step != Step::Record || number != currentRecord)
        return;
    const CrashProcessReader& reader = *connection->crashReader();
    const CrashProcessHeader& header = *reader.header(number);
    const QByteArray* samples = reader.samples(number);
    if (history->enabled() &&
        (samples == nullptr || !history->keepRecord(identity(), header, *samples))) {
        failFile(history->errorText());
        return;
    }
    if (!writeRecordFiles(number))
        return;
    recordsDone.insert(ComtradeWriter::triggerTime(header));
    ++result.records;
    readNextRecord();
}

void CollectJob::readingFailed()
{
    QString what;
    switch (step) {
    case Step::Journal:
        what = QStringLiteral("Не удалось считать журнал событий");
        break;
    case Step::Headers:
        what = QStringLiteral("Не удалось считать заголовки осциллограмм");
        break;
    case Step::Record:
        what = QStringLiteral("Не удалось считать осциллограмму %1").arg(currentRecord);
        break;
    case Step::Idle:
    case Step::Connecting:
    case Step::Settings:
        return;
    }
    failRelay(what);
}

// The reading under way ends by itself (its requests time out on the closed
// line); the reason goes into its failure.
void CollectJob::lineLost(const QString& reason)
{
    if (lostReason.isEmpty())
        lostReason = reason;
}

bool CollectJob::writeSettingsFile()
{
    if (outFolder.isEmpty())
        return true;
    const QString dir = folder();
    // The notes a settings file saved by the window carries.
    const QJsonObject notes =
        SettingsFileNotes::describe(*connection->device(), inventoryRelay.connection.deviceAddress,
                                    QDateTime::currentDateTime());
    if (!dir.isEmpty() &&
        connection->configFile()->save(dir + QLatin1Char('/') + settingsFileName, notes))
        return true;
    failFile(QStringLiteral("Невозможно записать файл %1/%2").arg(dir, settingsFileName));
    return false;
}

bool CollectJob::writeJournalFile()
{
    if (outFolder.isEmpty())
        return true;
    const QString dir = folder();
    if (!dir.isEmpty() && connection->logReader()->save(dir + QLatin1Char('/') + journalFileName))
        return true;
    failFile(QStringLiteral("Невозможно записать файл %1/%2").arg(dir, journalFileName));
    return false;
}

bool CollectJob::writeRecordFiles(int number)
{
    if (outFolder.isEmpty())
        return true;
    const QString dir = folder();
    if (!dir.isEmpty() && RecordExporter::saveRecord(*connection->crashReader(), number, dir) ==
                              RecordExporter::Result::Saved)
        return true;
    failFile(
        QStringLiteral("Не удалось сохранить осциллограмму %1 в папку %2").arg(number).arg(dir));
    return false;
}

QString CollectJob::folder()
{
    const QString path = outFolder + QLatin1Char('/') + Inventory::folderName(inventoryRelay.name);
    return QDir().mkpath(path) ? path : QString();
}

ArchiveRelayIdentity CollectJob::identity() const
{
    return {inventoryRelay.name, inventoryRelay.connection.lineText(),
            inventoryRelay.connection.deviceAddress};
}

void CollectJob::say(const QString& text)
{
    emit progress(text);
}

void CollectJob::failRelay(const QString& why)
{
    endAttempt(CollectOutcome::Failure::Relay,
               lostReason.isEmpty() ? why : QStringLiteral("%1: %2").arg(why, lostReason), true);
}

void CollectJob::failFile(const QString& why)
{
    endAttempt(CollectOutcome::Failure::File, why, false);
}

void CollectJob::endAttempt(CollectOutcome::Failure failure, const QString& why, bool worthRetrying)
{
    step = Step::Idle;
    if (connection != nullptr) {
        // The line's next relay takes the connection and its readers over.
        for (QObject* sender :
             std::initializer_list<QObject*>{connection, connection->device(),
                                             connection->logReader(), connection->crashReader()})
            disconnect(sender, nullptr, this, nullptr);
    }
    connection = nullptr;
    result.elapsedMs += clock.elapsed();
    result.done = failure == CollectOutcome::Failure::None;
    result.failure = failure;
    result.error = why;
    retryWorthy = worthRetrying;
    if (failure != CollectOutcome::Failure::Stopped)
        say(result.done ? QStringLiteral("готово") : QStringLiteral("сбой: %1").arg(why));
    emit stateChanged();
    emit attemptEnded();
}
