#ifndef TALVIK_ARCHIVE_ARCHIVESCHEMA_H
#define TALVIK_ARCHIVE_ARCHIVESCHEMA_H

class QSqlDatabase;
class QString;

// The archive's tables, the same for SQLite and PostgreSQL but for the two
// column types they spell differently (generated ids and byte strings), and
// the steps that bring an archive of any older version up to this program's.
//
// The version is the one row of archive_schema. Version 0 is a database
// without it (a new file, an empty PostgreSQL database).
class ArchiveSchema
{
public:
    // Upgrades the database to newestVersion(), the steps and the version's
    // update in one transaction, or leaves it as it is when it is up to date.
    // A database of a newer version is refused and not touched. False with a
    // Russian text in *error.
    static bool prepare(QSqlDatabase& database, QString* error);
    // The version the database holds (0 without the version table); -1 when
    // it cannot be read.
    static int version(const QSqlDatabase& database);
    // The number of upgrade steps this program knows: the newest version.
    static int newestVersion();

private:
    ArchiveSchema() = delete;
};

#endif
