#include "cli/CommandLog.h"

#include "base/LogFile.h"
#include "base/Logger.h"
#include "cli/Console.h"

#include <QFileInfo>

CommandLog::CommandLog(bool verbose, const QString& logFile)
    : verbose(verbose), previousLevel(Logger::instance().level())
{
    if (!logFile.isEmpty()) {
        file = std::make_unique<LogFile>(QFileInfo(logFile).isDir() ? LogFile::Mode::DailyInFolder
                                                                    : LogFile::Mode::SingleFile,
                                         logFile);
    }
    // Errors are always let through, to be remembered.
    const LogLevel threshold = verbose || file ? LogLevel::Debug : LogLevel::Error;
    Logger::instance().setLevel(static_cast<int>(threshold));
    Logger::instance().addSink(this);
}

CommandLog::~CommandLog()
{
    Logger::instance().removeSink(this);
    Logger::instance().setLevel(previousLevel);
}

bool CommandLog::startFile(QString* error)
{
    if (!file || file->start())
        return true;
    *error = QStringLiteral("Не удалось открыть журнал обмена %1: %2")
                 .arg(file->path(), file->errorText());
    return false;
}

void CommandLog::logLine(int level, LogLineKind kind, const QString& line)
{
    if (file)
        file->logLine(level, kind, line);
    if (level == static_cast<int>(LogLevel::Error))
        lastErrorLine = line;
    if (verbose)
        Console::err(line);
}
