#include "support/ThrowawayPostgres.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUrlQuery>

#include <pwd.h>
#include <unistd.h>

namespace {

// The socket is the folder's own, so the port only names the socket file and
// cannot clash with another server's.
constexpr int port = 5432;

QString newestServerBinFolder()
{
    const QDir versions(QStringLiteral("/usr/lib/postgresql"));
    const QStringList found =
        versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
    for (const QString& version : found) {
        const QString bin = versions.filePath(version + QStringLiteral("/bin"));
        if (QFile::exists(bin + QStringLiteral("/initdb")))
            return bin;
    }
    return QString();
}

} // namespace

ThrowawayPostgres::~ThrowawayPostgres()
{
    if (running)
        runServerProgram(QStringLiteral("pg_ctl"),
                         {QStringLiteral("-D"), folder.filePath(QStringLiteral("data")),
                          QStringLiteral("stop"), QStringLiteral("-m"),
                          QStringLiteral("immediate")},
                         nullptr);
}

bool ThrowawayPostgres::runServerProgram(const QString& program, const QStringList& arguments,
                                         QString* output)
{
    QStringList command{binFolder + QLatin1Char('/') + program};
    command += arguments;
    if (geteuid() == 0)
        command = QStringList{QStringLiteral("runuser"), QStringLiteral("-u"),
                              QStringLiteral("postgres"), QStringLiteral("--")} +
                  command;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.takeFirst(), command);
    const bool ended = process.waitForFinished(60000);
    if (output != nullptr)
        *output = QString::fromLocal8Bit(process.readAll());
    return ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool ThrowawayPostgres::start(QString* why)
{
    binFolder = newestServerBinFolder();
    if (binFolder.isEmpty()) {
        *why = QStringLiteral("no PostgreSQL server in /usr/lib/postgresql/*/bin "
                              "(scripts/install-packages.sh test installs it)");
        return false;
    }
    if (geteuid() == 0 && getpwnam("postgres") == nullptr) {
        *why = QStringLiteral("running as root and there is no postgres user to run initdb as");
        return false;
    }
    // The server's user creates its data folder and socket in here.
    QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                             QFileDevice::WriteOther | QFileDevice::ExeOther);
    const QString data = folder.filePath(QStringLiteral("data"));
    QString output;
    if (!runServerProgram(QStringLiteral("initdb"),
                          {QStringLiteral("-D"), data, QStringLiteral("-A"),
                           QStringLiteral("trust"), QStringLiteral("-U"),
                           QStringLiteral("postgres"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                           QStringLiteral("--locale=C"), QStringLiteral("--no-sync")},
                          &output) ||
        !runServerProgram(
            QStringLiteral("pg_ctl"),
            {QStringLiteral("-D"), data, QStringLiteral("-l"),
             folder.filePath(QStringLiteral("server.log")), QStringLiteral("-o"),
             QStringLiteral("-p %1 -k %2 -c listen_addresses='' -F").arg(port).arg(folder.path()),
             QStringLiteral("-w"), QStringLiteral("start")},
            &output)) {
        *why = QStringLiteral("the throwaway server did not start: ") + output;
        return false;
    }
    running = true;
    return true;
}

QString ThrowawayPostgres::newDatabase()
{
    const QString name = QStringLiteral("archive%1").arg(++databases);
    const QString location = QStringLiteral("postgresql://postgres@localhost:%1/%2?host=%3")
                                 .arg(port)
                                 .arg(name, folder.path());
    {
        QSqlDatabase admin = connection(QStringLiteral("postgresql://postgres@localhost/postgres"),
                                        QStringLiteral("throwaway-admin"));
        if (!admin.open() || !QSqlQuery(admin).exec(QStringLiteral("CREATE DATABASE ") + name))
            return QString();
        admin.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("throwaway-admin"));
    return location;
}

QSqlDatabase ThrowawayPostgres::connection(const QString& location,
                                           const QString& connectionName) const
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    db.setHostName(folder.path());
    db.setPort(port);
    db.setUserName(QStringLiteral("postgres"));
    db.setDatabaseName(QUrl(location).path().mid(1));
    return db;
}
