#ifndef TALVIK_TESTS_SUPPORT_CLIENTPROCESS_H
#define TALVIK_TESTS_SUPPORT_CLIENTPROCESS_H

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// The built program run as a child process with command-line arguments, as
// a script runs it: without a display (no QT_QPA_PLATFORM, no DISPLAY), and
// with settings and data folders of its own (XDG_CONFIG_HOME, XDG_DATA_HOME
// in a temporary folder), so that its archive is never the user's.
// Every wait spins the test's event loop, so a relay living in the test
// process answers meanwhile, and every wait has a deadline; a child still
// running at destruction is killed.
class ClientProcess
{
public:
    explicit ClientProcess(const QString& program);
    ~ClientProcess();
    ClientProcess(const ClientProcess&) = delete;
    ClientProcess& operator=(const ClientProcess&) = delete;

    void start(const QStringList& arguments);
    // The child's XDG_DATA_HOME: its default archive is talvik/archive.sqlite
    // in it.
    QString dataFolder() const { return home.filePath(QStringLiteral("data")); }
    // True when the child ended by itself within the deadline.
    bool waitForExit(int deadlineMs);
    // True when stdout holds at least `lines` complete lines within the deadline.
    bool waitForLines(int lines, int deadlineMs);
    void sendSignal(int signalNumber);

    int exitCode() const { return process.exitCode(); }
    bool exitedNormally() const { return process.exitStatus() == QProcess::NormalExit; }
    QByteArray out();
    QByteArray err();
    // stdout (or stderr) split into its lines, without the last newline.
    QList<QByteArray> outLines();
    QList<QByteArray> errLines();

private:
    void collect();

    QTemporaryDir home;
    QProcess process;
    QByteArray stdoutBytes;
    QByteArray stderrBytes;
};

#endif
