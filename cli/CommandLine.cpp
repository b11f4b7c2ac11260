#include "cli/CommandLine.h"

#include "app/QtTranslation.h"
#include "cli/CommandLog.h"
#include "cli/CommandOptions.h"
#include "cli/CommandRunner.h"
#include "cli/ComtradeInfo.h"
#include "cli/Console.h"

#include <QCoreApplication>
#include <QTimer>

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

    if (!options.needsRelay())
        return ComtradeInfo::run(options.path, options.json);

    CommandLog log(options.verbose);
    CommandRunner runner(options, log);
    QObject::connect(&runner, &CommandRunner::finished, &application, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    QTimer::singleShot(0, &runner, &CommandRunner::start);
    return QCoreApplication::exec();
}
