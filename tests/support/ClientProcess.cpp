#include "support/ClientProcess.h"

#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <QSignalSpy>

#include <csignal>

namespace {

QList<QByteArray> linesOf(const QByteArray& bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

ClientProcess::ClientProcess(const QString& program)
{
    // For the spy on finished(int, QProcess::ExitStatus).
    qRegisterMetaType<QProcess::ExitStatus>();
    process.setProgram(program);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("TALVIK_ARCHIVE"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataFolder());
    process.setProcessEnvironment(environment);
}

ClientProcess::~ClientProcess()
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
}

void ClientProcess::start(const QStringList& arguments)
{
    // A new run: the output of an earlier one is gone.
    stdoutBytes.clear();
    stderrBytes.clear();
    process.setArguments(arguments);
    process.start();
    process.waitForStarted(5000);
}

bool ClientProcess::waitForExit(int deadlineMs)
{
    QSignalSpy finished(&process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished));
    QElapsedTimer clock;
    clock.start();
    while (process.state() != QProcess::NotRunning && clock.elapsed() < deadlineMs)
        finished.wait(static_cast<int>(qMax<qint64>(1, deadlineMs - clock.elapsed())));
    collect();
    return process.state() == QProcess::NotRunning;
}

bool ClientProcess::waitForLines(int lines, int deadlineMs)
{
    QSignalSpy ready(&process, &QProcess::readyReadStandardOutput);
    QElapsedTimer clock;
    clock.start();
    collect();
    while (stdoutBytes.count('\n') < lines && process.state() != QProcess::NotRunning &&
           clock.elapsed() < deadlineMs) {
        ready.wait(static_cast<int>(qMax<qint64>(1, deadlineMs - clock.elapsed())));
        collect();
    }
    return stdoutBytes.count('\n') >= lines;
}

void ClientProcess::sendSignal(int signalNumber)
{
    const qint64 pid = process.processId();
    if (pid > 0)
        ::kill(static_cast<pid_t>(pid), signalNumber);
}

QByteArray ClientProcess::out()
{
    collect();
    return stdoutBytes;
}

QByteArray ClientProcess::err()
{
    collect();
    return stderrBytes;
}

QList<QByteArray> ClientProcess::outLines()
{
    return linesOf(out());
}

QList<QByteArray> ClientProcess::errLines()
{
    return linesOf(err());
}

void ClientProcess::collect()
{
    stdoutBytes += process.readAllStandardOutput();
    stderrBytes += process.readAllStandardError();
}
