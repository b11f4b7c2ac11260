#ifndef TALVIK_ARCHIVE_ARCHIVETRANSACTION_H
#define TALVIK_ARCHIVE_ARCHIVETRANSACTION_H

#include <QSqlDatabase>
#include <QString>

// One write transaction on an archive connection, rolled back when it is not
// committed: whatever fails on the way leaves the database as it was.
class ArchiveTransaction
{
public:
    explicit ArchiveTransaction(const QSqlDatabase& database);
    ~ArchiveTransaction();

    // False with errorText() (the database's own words) when the transaction
    // cannot start, e.g. an SQLite file that stays locked or cannot be written.
    bool begin();
    bool commit();
    // Ends it at once. PostgreSQL refuses every statement of a transaction
    // after a failed one, even the one that frees a prepared statement: a
    // store that fails rolls back before its statements are freed.
    void rollback();
    QString errorText() const { return error; }

    static bool isSqlite(const QSqlDatabase& database);

private:
    Q_DISABLE_COPY(ArchiveTransaction)

    bool execute(const QString& statement);

    QSqlDatabase db;
    bool active = false;
    QString error;
};

#endif
