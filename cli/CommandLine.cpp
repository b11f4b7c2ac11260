#include "cli/CommandLine.h"

#include "app/QtTranslation.h"
#include "cli/CommandLog.h"
#include "cli/CommandOptions.h"
#include "cli/CommandRunner.h"
#include "cli/ComtradeInfo.h"
#include "cli/Console.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstring>

CommandLine::ViewRequest CommandLine::viewRequest(int argc, char* argv[])
{
    // Only the plain form "view FILE.cfg": the parser needs an application
    // object, which must not exist yet. Any other form (help, options, a
    // missing file name) goes to run(), which answers it as a usage error.
    ViewRequest request;
    if (argc != 3 || std::strcmp(argv[1], "view") != 0 || argv[2][0] == '-')
        return request;
    request.requested = true;
    const QString path = QString::fromLocal8Bit(argv[2]);
    request.name = QFileInfo(path).fileName();
    QString error;
    request.record = ComtradeReader::read(path, &error);
    if (!request.record) {
        Console::err(error);
        request.exitCode = ExitFile;
    }
    return request;
}

int CommandLine::run(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("talvik-client"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TALVIK_VERSION));
    // Qt's own texts of the help (and of the port's errors) in Russian too.
    QtTranslation::install(&application);

    CommandOptions options;
    QString message;
    switch (CommandOptions::parse(QCoreApplication::arguments(), &options, &message)) {
    case CommandOptions::Outcome::ShowHelp:
    case CommandOptions::Outcome::ShowVersion:
        Console::out(message.trimmed());
        return ExitSuccess;
    case CommandOptions::Outcome::UsageError:
        Console::err(message);
        return ExitUsage;
    case CommandOptions::Outcome::Run:
        break;
    }

    if (options.command == CommandOptions::Command::View) {
        // main() opens the viewer for "view FILE.cfg" before it gets here.
        Console::err(QStringLiteral("Команде view нужен только аргумент FILE.cfg"));
        return ExitUsage;
    }
    if (!options.needsRelay())
        return ComtradeInfo::run(options.path, options.json);

    CommandLog log(options.verbose);
    CommandRunner runner(options, log);
    QObject::connect(&runner, &CommandRunner::finished, &application, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    QTimer::singleShot(0, &runner, &CommandRunner::start);
    return QCoreApplication::exec();
}
