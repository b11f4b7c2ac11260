#include "archive/ArchiveTransaction.h"

#include <QSqlError>
#include <QSqlQuery>

ArchiveTransaction::ArchiveTransaction(const QSqlDatabase& database) : db(database) {}

ArchiveTransaction::~ArchiveTransaction()
{
    rollback();
}

bool ArchiveTransaction::isSqlite(const QSqlDatabase& database)
{
    return database.driverName() == QLatin1String("QSQLITE");
}

bool ArchiveTransaction::begin()
{
    // SQLite: the file's write lock is taken at the start. A transaction
    // that reads first and asks for the lock later cannot wait for another
    // writer (SQLite fails it at once to avoid a deadlock); one that asks at
    // the start waits up to the busy timeout.
    active = execute(isSqlite(db) ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
    return active;
}

bool ArchiveTransaction::commit()
{
    if (!active || !execute(QStringLiteral("COMMIT")))
        return false;
    active = false;
    return true;
}

void ArchiveTransaction::rollback()
{
    if (active)
        execute(QStringLiteral("ROLLBACK"));
    active = false;
}

bool ArchiveTransaction::execute(const QString& statement)
{
    QSqlQuery query(db);
    if (query.exec(statement))
        return true;
    const QSqlError failure = query.lastError();
    error = failure.databaseText().isEmpty() ? failure.text() : failure.databaseText();
    return false;
}
