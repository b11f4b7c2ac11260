#ifndef TALVIK_ARCHIVE_ARCHIVE_H
#define TALVIK_ARCHIVE_ARCHIVE_H

#include "records/JournalEntry.h"
#include "relay/ConfigFile.h"

#include <QDateTime>
#include <QString>
#include <QVector>

#include <functional>

class ArchiveTransaction;
class QByteArray;
class QSqlDatabase;
class QSqlQuery;
class QVariant;

// A relay as the archive knows it, with the connection and address of its
// newest item and that item's time (local).
struct ArchiveRelay
{
    QString name;
    QString connection;
    int address = 0;
    QDateTime last;
};

enum class ArchiveKind
{
    Settings, // a settings image read from the relay
    Write,    // a write batch: the registers before and after, the verification
    Journal,  // a journal read
    Record    // a fault record as its COMTRADE pair
};

// "settings", "write", "journal", "record": the kind as the database holds it.
QString archiveKindText(ArchiveKind kind);
// False for a text that names no kind.
bool archiveKindFromText(const QString& text, ArchiveKind* kind);

// One stored item: when it was stored (local time), from which relay, over
// which connection and address, and what it holds in one line ("64 уставки",
// "Записано 3 уставки, проверка пройдена", "26 событий (2 новых)",
// "Осциллограмма 01.01.2019 00:01:00.250").
struct ArchiveItem
{
    qint64 id = -1;
    QDateTime time;
    ArchiveKind kind = ArchiveKind::Settings;
    QString relayName;
    QString connection;
    int address = 0;
    QString summary;
};

// Who an item comes from: the relay's name ("Объект / присоединение", free
// text that names one relay in the archive; leading and trailing blanks do
// not count), the connection in force ("/dev/ttyUSB0 19200 Бод",
// "10.0.5.20:4001") and the slave address.
struct ArchiveRelayIdentity
{
    QString name;
    QString connection;
    int address = 0;
};

// Everything read from or written to each relay, in a database: an SQLite
// file (one person's archive) or a PostgreSQL database (an archive shared by
// a team), with the same tables and the same statements for both.
//
// Every item is stored in one transaction: a failure leaves nothing of it
// behind. Values reach the database only as bound parameters. Several
// Archive objects, in one process or several, may use one SQLite file: each
// has its own connection, and a file briefly locked by another writer is
// waited for (busyTimeoutMs) rather than refused.
//
//   Archive archive;
//   if (!archive.open(Archive::defaultLocation())) -> archive.errorText()
//   archive.storeSettings({name, "/dev/ttyUSB0 19200 Бод", 1}, image);
//
// Failures return -1, false or nothing and leave a Russian text in
// errorText().
class Archive
{
public:
    // The schema version this program creates and reads (1). An archive of
    // an older version is upgraded step by step when opened; one of a newer
    // version is refused and left as it is.
    static int schemaVersion();
    // How long a store waits for an SQLite file another writer holds.
    static constexpr int busyTimeoutMs = 5000;
    // How long opening waits for a PostgreSQL server, in seconds.
    static constexpr int connectTimeoutSeconds = 5;

    Archive();
    ~Archive();

    // $XDG_DATA_HOME/talvik/archive.sqlite, or ~/.local/share/talvik/archive.sqlite
    // where XDG_DATA_HOME is not set.
    static QString defaultLocation();

    // location: the path of an SQLite file (created with its folder on first
    // use; "~/" is the home folder) or "postgresql://[user@]host[:port]/dbname"
    // ("?host=/folder" reaches a server on a Unix socket). A password in the
    // address is refused: libpq takes it from ~/.pgpass or PGPASSWORD, so it
    // never lands in a setting that keeps the address. Creates the tables or
    // upgrades them. False with errorText() when the archive cannot be used.
    bool open(const QString& location);
    bool isOpen() const;
    QString errorText() const;
    void close();

    // Each gives the new item's id, or -1.
    //
    // A settings image read from the relay: the registers a settings file
    // holds (ConfigFile::registerValues), in the order given.
    qint64 storeSettings(const ArchiveRelayIdentity& relay,
                         const QVector<ConfigFile::RegisterValue>& image);
    // A write batch of `written` settings: the registers as the relay held
    // them before and as it holds them after (the read-back) — the batch's
    // own or the whole settings image — and whether every written one holds
    // what was written, with the verification's text.
    qint64 storeWrite(const ArchiveRelayIdentity& relay,
                      const QVector<ConfigFile::RegisterValue>& before,
                      const QVector<ConfigFile::RegisterValue>& after, int written, bool verified,
                      const QString& verification);
    // A journal read: the ring as read (position 0 first) and the relay's
    // journal pointer. An entry already stored for this relay with the same
    // bytes is not stored again; the item refers to it. *freshEvents (when
    // given) is set to the number of events stored for the first time.
    qint64 storeJournal(const ArchiveRelayIdentity& relay, const QVector<JournalEntry>& entries,
                        uint16_t pointer, int* freshEvents = nullptr);
    // A fault record as the program writes it: the base name and the bytes
    // of the .cfg and the .dat. The trigger time is taken from the .cfg.
    qint64 storeRecord(const ArchiveRelayIdentity& relay, const QString& baseName,
                       const QByteArray& cfg, const QByteArray& dat);

    // Every relay, by name.
    QVector<ArchiveRelay> relays() const;
    // A relay's items, newest first.
    QVector<ArchiveItem> items(const QString& relayName) const;
    bool item(qint64 id, ArchiveItem* item) const;

    // A settings item's image; a write item's registers after the batch.
    QVector<ConfigFile::RegisterValue> settingsOf(qint64 id) const;
    // A write item's registers before the batch.
    QVector<ConfigFile::RegisterValue> writeBefore(qint64 id) const;
    bool writeVerification(qint64 id, bool* verified, QString* text) const;
    // A journal item's entries in the order the reading gave them, and its
    // pointer.
    QVector<JournalEntry> journalOf(qint64 id) const;
    bool journalPointer(qint64 id, uint16_t* pointer) const;
    bool recordOf(qint64 id, QString* baseName, QByteArray* cfg, QByteArray* dat) const;
    // Whether the relay already has a record triggered at this moment of its
    // own clock (as the record's .cfg gives it): the relay keeps a record in
    // the same slot until a new fault overwrites it, so the trigger time is
    // what tells a record already kept from a new one. False also when the
    // archive cannot be read (errorText()).
    bool hasRecord(const QString& relayName, const QDateTime& trigger) const;

private:
    Q_DISABLE_COPY(Archive)

    using BeforeItem = std::function<bool(qint64 relayId, QString* summary)>;
    using AfterItem = std::function<bool(qint64 itemId)>;

    bool openSqlite(const QString& path);
    bool openPostgres(const QString& location);
    bool finishOpening();
    // The common part of every store: the relay, then `beforeItem` (which
    // gives the summary), the item's row, then `afterItem`, all in one
    // transaction.
    qint64 store(const ArchiveRelayIdentity& relay, ArchiveKind kind, const BeforeItem& beforeItem,
                 const AfterItem& afterItem);
    qint64 relayId(const QString& name);
    bool insertImage(qint64 itemId, int image, const QVector<ConfigFile::RegisterValue>& values);
    QVector<ConfigFile::RegisterValue> imageOf(qint64 id, int image) const;
    // Sets errorText() and rolls back the store under way.
    void fail(const QString& failure, const QString& reason) const;
    // Each false with errorText() set (the database's words after `failure`).
    bool prepare(QSqlQuery& query, const QString& sql, const QString& failure) const;
    // Binds `values` in order to the prepared statement and runs it.
    bool exec(QSqlQuery& query, const QVector<QVariant>& values, const QString& failure) const;
    bool run(QSqlQuery& query, const QString& sql, const QVector<QVariant>& values,
             const QString& failure) const;
    // The next row of a query that must give one.
    bool fetch(QSqlQuery& query, const QString& failure) const;
    bool read(QSqlQuery& query, const QString& sql, const QVector<QVariant>& values) const;
    QSqlDatabase database() const;
    bool checkOpen() const;

    QString connectionName;
    bool opened = false;
    // The transaction of the store under way, rolled back by the first
    // statement that fails.
    ArchiveTransaction* storing = nullptr;
    mutable QString error;
};

#endif
