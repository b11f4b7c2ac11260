#include "archive/Archive.h"

#include "archive/ArchiveSchema.h"
#include "archive/ArchiveSummary.h"
#include "archive/ArchiveTransaction.h"
#include "comtrade/ComtradeReader.h"

#include <QAtomicInteger>
#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>

#include <algorithm>
#include <optional>

namespace {

struct KindName
{
    ArchiveKind kind;
    const char* text;
};

const KindName kindNames[] = {{ArchiveKind::Settings, "settings"},
                              {ArchiveKind::Write, "write"},
                              {ArchiveKind::Journal, "journal"},
                              {ArchiveKind::Record, "record"}};

// The images of an item in item_registers.
constexpr int imageAfter = 0;
constexpr int imageBefore = 1;

const QString storeFailure = QStringLiteral("Не удалось сохранить в архив");
const QString readFailure = QStringLiteral("Не удалось прочитать архив");

bool isPostgresLocation(const QString& location)
{
    return location.startsWith(QLatin1String("postgresql://")) ||
           location.startsWith(QLatin1String("postgres://"));
}

QString withoutPassword(const QUrl& url)
{
    return url.toString(QUrl::RemovePassword);
}

// What the relay's clock said at the trigger, from the .cfg (and the .dat the
// reader checks it against); invalid when the pair cannot be read.
QDateTime triggerOf(const QByteArray& cfg, const QByteArray& dat)
{
    QBuffer cfgDevice;
    QBuffer datDevice;
    cfgDevice.setData(cfg);
    datDevice.setData(dat);
    if (!cfgDevice.open(QIODevice::ReadOnly) || !datDevice.open(QIODevice::ReadOnly))
        return QDateTime();
    QString ignored;
    const std::optional<ComtradeRecord> record =
        ComtradeReader::read(cfgDevice, datDevice, &ignored);
    return record ? record->trigger : QDateTime();
}

// A null QString is bound as NULL; an unknown connection or an empty text
// is stored as empty text.
QString notNull(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

// A trigger time as the records table holds it: the relay's own clock to the
// millisecond, without a time zone.
QString triggerText(const QDateTime& trigger)
{
    return trigger.isValid() ? trigger.toString(Qt::ISODateWithMs).remove(QLatin1Char('Z'))
                             : QString();
}

QDateTime localTime(qint64 msecsSinceEpoch)
{
    return QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, Qt::LocalTime);
}

// The columns every item query selects, in this order.
const QString itemColumns = QStringLiteral(
    "items.id, items.stored_ms, items.kind, relays.name, items.connection, items.address, "
    "items.summary FROM items JOIN relays ON relays.id = items.relay_id");

QString databaseText(const QSqlError& failure)
{
    return failure.databaseText().isEmpty() ? failure.text() : failure.databaseText();
}

bool itemFromRow(const QSqlQuery& query, ArchiveItem* item)
{
    item->id = query.value(0).toLongLong();
    item->time = localTime(query.value(1).toLongLong());
    item->relayName = query.value(3).toString();
    item->connection = query.value(4).toString();
    item->address = query.value(5).toInt();
    item->summary = query.value(6).toString();
    return archiveKindFromText(query.value(2).toString(), &item->kind);
}

} // namespace

QString archiveKindText(ArchiveKind kind)
{
    for (const KindName& name : kindNames) {
        if (name.kind == kind)
            return QString::fromLatin1(name.text);
    }
    return QString();
}

bool archiveKindFromText(const QString& text, ArchiveKind* kind)
{
    for (const KindName& name : kindNames) {
        if (text == QLatin1String(name.text)) {
            *kind = name.kind;
            return true;
        }
    }
    return false;
}

Archive::Archive()
{
    // Each object its own connection: Qt's connections are named, and two
    // archives (or an archive and a test looking into its file) must not
    // share or close each other's.
    static QAtomicInteger<quint64> created;
    connectionName = QStringLiteral("talvik-archive-%1").arg(created.fetchAndAddRelaxed(1));
}

Archive::~Archive()
{
    close();
}

int Archive::schemaVersion()
{
    return ArchiveSchema::newestVersion();
}

QString Archive::defaultLocation()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    // A relative XDG_DATA_HOME is to be ignored, as desktop programs do.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/talvik/archive.sqlite"));
}

bool Archive::open(const QString& location)
{
    close();
    error.clear();
    return isPostgresLocation(location) ? openPostgres(location) : openSqlite(location);
}

bool Archive::openSqlite(const QString& location)
{
    QString path = location;
    if (path.startsWith(QLatin1String("~/")))
        path = QDir::homePath() + path.mid(1);
    if (path.trimmed().isEmpty()) {
        error = QStringLiteral("Архив недоступен: не указан файл архива.");
        return false;
    }
    const QFileInfo file(path);
    if (!QDir().mkpath(file.absolutePath())) {
        error = QStringLiteral("Архив недоступен: не удалось создать папку «%1».")
                    .arg(QDir::toNativeSeparators(file.absolutePath()));
        return false;
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        error = QStringLiteral("Архив недоступен: нет драйвера SQLite для Qt (пакет "
                               "libqt5sql5-sqlite).");
        return false;
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(file.absoluteFilePath());
        // Another program's store holds the file for a few milliseconds:
        // wait for it rather than fail, but not for ever.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
    }
    return finishOpening();
}

bool Archive::openPostgres(const QString& location)
{
    const QUrl url(location, QUrl::StrictMode);
    const QString databaseName = url.path().mid(1);
    if (!url.isValid() || databaseName.isEmpty() || databaseName.contains(QLatin1Char('/'))) {
        error = QStringLiteral("Архив недоступен: адрес «%1» не вида "
                               "postgresql://пользователь@сервер:порт/база.")
                    .arg(withoutPassword(url));
        return false;
    }
    // A password written into the address would be kept wherever the address
    // is kept; libpq reads it from ~/.pgpass or PGPASSWORD instead.
    if (!url.password().isEmpty()) {
        error = QStringLiteral("Архив недоступен: пароль в адресе архива не принимается; "
                               "укажите его в ~/.pgpass или в переменной PGPASSWORD.");
        return false;
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        error = QStringLiteral("Архив недоступен: нет драйвера PostgreSQL для Qt (пакет "
                               "libqt5sql5-psql).");
        return false;
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
        // "?host=/folder": a server on a Unix socket in that folder.
        const QString socketFolder = QUrlQuery(url).queryItemValue(QStringLiteral("host"));
        db.setHostName(socketFolder.isEmpty() ? url.host() : socketFolder);
        if (url.port() != -1)
            db.setPort(url.port());
        db.setUserName(url.userName());
        db.setDatabaseName(databaseName);
        db.setConnectOptions(QStringLiteral("connect_timeout=%1").arg(connectTimeoutSeconds));
    }
    return finishOpening();
}

bool Archive::finishOpening()
{
    QString failure;
    {
        QSqlDatabase db = database();
        if (db.open()) {
            QSqlQuery setup(db);
            const bool sqlite = ArchiveTransaction::isSqlite(db);
            // Write-ahead logging: a store costs one sync of the log instead
            // of the rollback journal's three or four, and programs reading
            // the file do not hold up the one writing it. Only the file's
            // creator can switch it; a file that cannot be written stays as
            // it is and can still be read.
            if (sqlite)
                setup.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
            // SQLite checks references only when asked, per connection, and
            // every store is on the disk once it has been committed. A row
            // lock another program holds on a shared server is waited for as
            // long as a locked file is.
            const QStringList statements =
                sqlite ? QStringList{QStringLiteral("PRAGMA foreign_keys = ON"),
                                     QStringLiteral("PRAGMA synchronous = FULL")}
                       : QStringList{QStringLiteral("SET lock_timeout = %1").arg(busyTimeoutMs)};
            for (const QString& statement : statements) {
                if (failure.isEmpty() && !setup.exec(statement))
                    failure =
                        QStringLiteral("Архив недоступен: %1").arg(databaseText(setup.lastError()));
            }
            if (failure.isEmpty())
                ArchiveSchema::prepare(db, &failure);
        } else {
            failure = QStringLiteral("Архив недоступен: %1").arg(databaseText(db.lastError()));
        }
    }
    if (!failure.isEmpty()) {
        error = failure;
        close();
        return false;
    }
    opened = true;
    return true;
}

bool Archive::isOpen() const
{
    return opened;
}

QString Archive::errorText() const
{
    return error;
}

void Archive::close()
{
    opened = false;
    if (!QSqlDatabase::contains(connectionName))
        return;
    database().close();
    QSqlDatabase::removeDatabase(connectionName);
}

QSqlDatabase Archive::database() const
{
    return QSqlDatabase::database(connectionName, false);
}

bool Archive::checkOpen() const
{
    if (opened)
        return true;
    error = QStringLiteral("Архив не открыт.");
    return false;
}

void Archive::fail(const QString& failure, const QString& reason) const
{
    error = QStringLiteral("%1: %2").arg(failure, reason);
    if (storing != nullptr)
        storing->rollback();
}

bool Archive::prepare(QSqlQuery& query, const QString& sql, const QString& failure) const
{
    query.setForwardOnly(true);
    if (query.prepare(sql))
        return true;
    fail(failure, databaseText(query.lastError()));
    return false;
}

bool Archive::exec(QSqlQuery& query, const QVector<QVariant>& values, const QString& failure) const
{
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    if (query.exec())
        return true;
    fail(failure, databaseText(query.lastError()));
    return false;
}

bool Archive::run(QSqlQuery& query, const QString& sql, const QVector<QVariant>& values,
                  const QString& failure) const
{
    return prepare(query, sql, failure) && exec(query, values, failure);
}

bool Archive::fetch(QSqlQuery& query, const QString& failure) const
{
    if (query.next())
        return true;
    fail(failure, query.lastError().isValid() ? databaseText(query.lastError())
                                              : QStringLiteral("нет такой записи."));
    return false;
}

bool Archive::read(QSqlQuery& query, const QString& sql, const QVector<QVariant>& values) const
{
    return checkOpen() && run(query, sql, values, readFailure);
}

// --- Storing ------------------------------------------------------------------

qint64 Archive::store(const ArchiveRelayIdentity& relay, ArchiveKind kind,
                      const BeforeItem& beforeItem, const AfterItem& afterItem)
{
    if (!checkOpen())
        return -1;
    const QString name = relay.name.trimmed();
    if (name.isEmpty()) {
        error = QStringLiteral("%1: не указано реле (объект / присоединение).").arg(storeFailure);
        return -1;
    }
    ArchiveTransaction transaction(database());
    if (!transaction.begin()) {
        error = QStringLiteral("%1: %2").arg(storeFailure, transaction.errorText());
        return -1;
    }
    storing = &transaction;
    const auto done = qScopeGuard([this] { storing = nullptr; });
    const qint64 relayRow = relayId(name);
    QString summary;
    if (relayRow < 0 || !beforeItem(relayRow, &summary))
        return -1;
    QSqlQuery insert(database());
    if (!run(insert,
             QStringLiteral("INSERT INTO items (relay_id, stored_ms, kind, connection, address, "
                            "summary) VALUES (?, ?, ?, ?, ?, ?) RETURNING id"),
             {relayRow, QDateTime::currentMSecsSinceEpoch(), archiveKindText(kind),
              notNull(relay.connection), relay.address, summary},
             storeFailure) ||
        !fetch(insert, storeFailure))
        return -1;
    const qint64 itemId = insert.value(0).toLongLong();
    insert.finish();
    if (!afterItem(itemId))
        return -1;
    if (!transaction.commit()) {
        error = QStringLiteral("%1: %2").arg(storeFailure, transaction.errorText());
        return -1;
    }
    return itemId;
}

qint64 Archive::relayId(const QString& name)
{
    QSqlQuery query(database());
    if (!run(query,
             QStringLiteral("INSERT INTO relays (name) VALUES (?) ON CONFLICT (name) DO NOTHING"),
             {name}, storeFailure) ||
        !run(query, QStringLiteral("SELECT id FROM relays WHERE name = ?"), {name}, storeFailure) ||
        !fetch(query, storeFailure))
        return -1;
    return query.value(0).toLongLong();
}

bool Archive::insertImage(qint64 itemId, int image,
                          const QVector<ConfigFile::RegisterValue>& values)
{
    QSqlQuery insert(database());
    if (!prepare(insert,
                 QStringLiteral("INSERT INTO item_registers (item_id, image, position, reg, "
                                "value) VALUES (?, ?, ?, ?, ?)"),
                 storeFailure))
        return false;
    for (int position = 0; position < values.size(); ++position) {
        const ConfigFile::RegisterValue& value = values.at(position);
        if (!exec(insert, {itemId, image, position, value.reg, value.value}, storeFailure))
            return false;
    }
    return true;
}

qint64 Archive::storeSettings(const ArchiveRelayIdentity& relay,
                              const QVector<ConfigFile::RegisterValue>& image)
{
    return store(
        relay, ArchiveKind::Settings,
        [&](qint64, QString* summary) {
            *summary = ArchiveSummary::settings(image.size());
            return true;
        },
        [&](qint64 item) { return insertImage(item, imageAfter, image); });
}

qint64 Archive::storeWrite(const ArchiveRelayIdentity& relay,
                           const QVector<ConfigFile::RegisterValue>& before,
                           const QVector<ConfigFile::RegisterValue>& after, int written,
                           bool verified, const QString& verification)
{
    return store(
        relay, ArchiveKind::Write,
        [&](qint64, QString* summary) {
            *summary = ArchiveSummary::write(written, verified);
            return true;
        },
        [&](qint64 item) {
            QSqlQuery check(database());
            return insertImage(item, imageBefore, before) && insertImage(item, imageAfter, after) &&
                   run(check,
                       QStringLiteral("INSERT INTO write_checks (item_id, verified, "
                                      "verification) VALUES (?, ?, ?)"),
                       {item, verified ? 1 : 0, notNull(verification)}, storeFailure);
        });
}

qint64 Archive::storeJournal(const ArchiveRelayIdentity& relay,
                             const QVector<JournalEntry>& entries, uint16_t pointer,
                             int* freshEvents)
{
    QVector<qint64> entryIds;
    const auto storeEntries = [&](qint64 relayRow, QString* summary) {
        QSqlQuery insert(database());
        QSqlQuery select(database());
        if (!prepare(insert,
                     QStringLiteral("INSERT INTO journal_entries (relay_id, bytes) VALUES (?, ?) "
                                    "ON CONFLICT (relay_id, bytes) DO NOTHING"),
                     storeFailure) ||
            !prepare(select,
                     QStringLiteral("SELECT id FROM journal_entries WHERE relay_id = ? AND "
                                    "bytes = ?"),
                     storeFailure))
            return false;
        int events = 0;
        int fresh = 0;
        for (const JournalEntry& entry : entries) {
            const QByteArray bytes = entry.encode();
            // An entry read before (same relay, same bytes) stays the one row.
            if (!exec(insert, {relayRow, bytes}, storeFailure))
                return false;
            if (entry.isEvent()) {
                ++events;
                fresh += insert.numRowsAffected() > 0 ? 1 : 0;
            }
            if (!exec(select, {relayRow, bytes}, storeFailure) || !fetch(select, storeFailure))
                return false;
            entryIds.append(select.value(0).toLongLong());
        }
        *summary = ArchiveSummary::journal(events, fresh);
        if (freshEvents != nullptr)
            *freshEvents = fresh;
        return true;
    };
    const auto storeReading = [&](qint64 item) {
        QSqlQuery reading(database());
        QSqlQuery seen(database());
        if (!run(reading,
                 QStringLiteral("INSERT INTO journal_readings (item_id, pointer) VALUES (?, ?)"),
                 {item, pointer}, storeFailure) ||
            !prepare(seen,
                     QStringLiteral("INSERT INTO journal_reading_entries (item_id, position, "
                                    "entry_id) VALUES (?, ?, ?)"),
                     storeFailure))
            return false;
        for (int position = 0; position < entryIds.size(); ++position) {
            if (!exec(seen, {item, position, entryIds.at(position)}, storeFailure))
                return false;
        }
        return true;
    };
    return store(relay, ArchiveKind::Journal, storeEntries, storeReading);
}

qint64 Archive::storeRecord(const ArchiveRelayIdentity& relay, const QString& baseName,
                            const QByteArray& cfg, const QByteArray& dat)
{
    const QDateTime trigger = triggerOf(cfg, dat);
    return store(
        relay, ArchiveKind::Record,
        [&](qint64, QString* summary) {
            *summary = ArchiveSummary::record(trigger, baseName);
            return true;
        },
        [&](qint64 item) {
            QSqlQuery insert(database());
            return run(insert,
                       QStringLiteral("INSERT INTO records (item_id, base_name, trigger_time, cfg, "
                                      "dat) VALUES (?, ?, ?, ?, ?)"),
                       {item, notNull(baseName), triggerText(trigger), cfg, dat}, storeFailure);
        });
}

// --- Reading ------------------------------------------------------------------

QVector<ArchiveRelay> Archive::relays() const
{
    QVector<ArchiveRelay> found;
    QSqlQuery query(database());
    // Each relay with its newest item, found through the index on
    // (relay, time, id).
    if (!read(query,
              QStringLiteral("SELECT relays.name, items.connection, items.address, "
                             "items.stored_ms FROM relays JOIN items ON items.id = (SELECT "
                             "newest.id FROM items newest WHERE newest.relay_id = relays.id "
                             "ORDER BY newest.stored_ms DESC, newest.id DESC LIMIT 1)"),
              {}))
        return found;
    while (query.next())
        found.append(ArchiveRelay{query.value(0).toString(), query.value(1).toString(),
                                  query.value(2).toInt(), localTime(query.value(3).toLongLong())});
    // Sorted here, so that both databases give the same order whatever
    // collation they were set up with.
    std::sort(found.begin(), found.end(), [](const ArchiveRelay& a, const ArchiveRelay& b) {
        return QString::localeAwareCompare(a.name, b.name) < 0;
    });
    return found;
}

QVector<ArchiveItem> Archive::items(const QString& relayName) const
{
    QVector<ArchiveItem> found;
    QSqlQuery query(database());
    if (!read(query,
              QStringLiteral("SELECT %1 WHERE relays.name = ? ORDER BY items.stored_ms DESC, "
                             "items.id DESC")
                  .arg(itemColumns),
              {relayName.trimmed()}))
        return found;
    ArchiveItem item;
    while (query.next()) {
        if (itemFromRow(query, &item))
            found.append(item);
    }
    return found;
}

bool Archive::item(qint64 id, ArchiveItem* item) const
{
    QSqlQuery query(database());
    return read(query, QStringLiteral("SELECT %1 WHERE items.id = ?").arg(itemColumns), {id}) &&
           fetch(query, readFailure) && itemFromRow(query, item);
}

QVector<ConfigFile::RegisterValue> Archive::imageOf(qint64 id, int image) const
{
    QVector<ConfigFile::RegisterValue> values;
    QSqlQuery query(database());
    if (!read(query,
              QStringLiteral("SELECT reg, value FROM item_registers WHERE item_id = ? AND image = "
                             "? ORDER BY position"),
              {id, image}))
        return values;
    while (query.next())
        values.append(ConfigFile::RegisterValue{static_cast<uint16_t>(query.value(0).toUInt()),
                                                static_cast<uint16_t>(query.value(1).toUInt())});
    return values;
}

QVector<ConfigFile::RegisterValue> Archive::settingsOf(qint64 id) const
{
    return imageOf(id, imageAfter);
}

QVector<ConfigFile::RegisterValue> Archive::writeBefore(qint64 id) const
{
    return imageOf(id, imageBefore);
}

bool Archive::writeVerification(qint64 id, bool* verified, QString* text) const
{
    QSqlQuery query(database());
    if (!read(query,
              QStringLiteral("SELECT verified, verification FROM write_checks WHERE item_id = ?"),
              {id}) ||
        !fetch(query, readFailure))
        return false;
    *verified = query.value(0).toInt() != 0;
    *text = query.value(1).toString();
    return true;
}

QVector<JournalEntry> Archive::journalOf(qint64 id) const
{
    QVector<JournalEntry> entries;
    QSqlQuery query(database());
    if (!read(query,
              QStringLiteral("SELECT journal_entries.bytes FROM journal_reading_entries JOIN "
                             "journal_entries ON journal_entries.id = "
                             "journal_reading_entries.entry_id WHERE "
                             "journal_reading_entries.item_id = ? ORDER BY "
                             "journal_reading_entries.position"),
              {id}))
        return entries;
    while (query.next()) {
        const QByteArray bytes = query.value(0).toByteArray();
        if (bytes.size() == JournalEntry::size)
            entries.append(JournalEntry::decode(reinterpret_cast<const uint8_t*>(bytes.data())));
    }
    return entries;
}

bool Archive::journalPointer(qint64 id, uint16_t* pointer) const
{
    QSqlQuery query(database());
    if (!read(query, QStringLiteral("SELECT pointer FROM journal_readings WHERE item_id = ?"),
              {id}) ||
        !fetch(query, readFailure))
        return false;
    *pointer = static_cast<uint16_t>(query.value(0).toUInt());
    return true;
}

bool Archive::hasRecord(const QString& relayName, const QDateTime& trigger) const
{
    QSqlQuery query(database());
    return read(query,
                QStringLiteral("SELECT 1 FROM relays JOIN items ON items.relay_id = relays.id JOIN "
                               "records ON records.item_id = items.id WHERE relays.name = ? AND "
                               "records.trigger_time = ?"),
                {relayName.trimmed(), triggerText(trigger)}) &&
           query.next();
}

bool Archive::recordOf(qint64 id, QString* baseName, QByteArray* cfg, QByteArray* dat) const
{
    QSqlQuery query(database());
    if (!read(query, QStringLiteral("SELECT base_name, cfg, dat FROM records WHERE item_id = ?"),
              {id}) ||
        !fetch(query, readFailure))
        return false;
    *baseName = query.value(0).toString();
    *cfg = query.value(1).toByteArray();
    *dat = query.value(2).toByteArray();
    return true;
}
