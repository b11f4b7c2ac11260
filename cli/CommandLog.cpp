#include "cli/CommandLog.h"

#include "base/Logger.h"
#include "cli/Console.h"

CommandLog::CommandLog(bool verbose) : verbose(verbose), previousLevel(Logger::instance().level())
{
    // Errors are always let through, to be remembered.
    const LogLevel threshold = verbose ? LogLevel::Debug : LogLevel::Error;
    Logger::instance().setLevel(static_cast<int>(threshold));
    Logger::instance().addSink(this);
}

CommandLog::~CommandLog()
{
    Logger::instance().removeSink(this);
    Logger::instance().setLevel(previousLevel);
}

void CommandLog::logLine(int level, LogLineKind, const QString& line)
{
    if (level == static_cast<int>(LogLevel::Error))
        lastErrorLine = line;
    if (verbose)
        Console::err(line);
}
