#include "cli/Console.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <unistd.h>

namespace {

void writeLine(std::FILE* stream, const QString& text, char end)
{
    const QByteArray bytes = text.toUtf8() + end;
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

bool stderrIsTerminal()
{
    return ::isatty(::fileno(stderr)) == 1;
}

} // namespace

void Console::out(const QString& line)
{
    writeLine(stdout, line, '\n');
}

void Console::err(const QString& line)
{
    writeLine(stderr, line, '\n');
}

void Console::progress(const QString& text)
{
    writeLine(stderr, text, stderrIsTerminal() ? '\r' : '\n');
}

void Console::endProgress()
{
    if (stderrIsTerminal())
        writeLine(stderr, QString(), '\n');
}
