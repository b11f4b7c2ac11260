#ifndef TALVIK_TESTS_SUPPORT_THROWAWAYPOSTGRES_H
#define TALVIK_TESTS_SUPPORT_THROWAWAYPOSTGRES_H

#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>

// A PostgreSQL server of the test's own, in a temporary folder: initdb, then
// pg_ctl start, listening only on a Unix socket in that folder, trusting
// every local connection. Stopped (immediately: its data is thrown away) at
// destruction. As root, the server's programs run as the postgres user, as
// initdb refuses root.
class ThrowawayPostgres
{
public:
    ThrowawayPostgres() = default;
    ~ThrowawayPostgres();
    ThrowawayPostgres(const ThrowawayPostgres&) = delete;
    ThrowawayPostgres& operator=(const ThrowawayPostgres&) = delete;

    // False with *why when no server is installed or it does not start.
    bool start(QString* why);
    bool isRunning() const { return running; }
    // A new empty database and its address for Archive::open; empty when it
    // cannot be created.
    QString newDatabase();
    // A connection of the test's own to a database made by newDatabase().
    QSqlDatabase connection(const QString& location, const QString& connectionName) const;

private:
    bool runServerProgram(const QString& program, const QStringList& arguments, QString* output);

    QTemporaryDir folder;
    QString binFolder;
    bool running = false;
    int databases = 0;
};

#endif
