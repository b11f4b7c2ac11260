#include "cli/CommandLine.h"

#include "base/QtTranslation.h"
#include "cli/ArchiveCommands.h"
#include "cli/CollectRun.h"
#include "cli/CommandLog.h"
#include "cli/CommandOptions.h"
#include "cli/CommandRunner.h"
#include "cli/ComtradeInfo.h"
#include "cli/Console.h"
#include "cli/SettingsCommands.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTimer>

#include <cstring>
#include <memory>

namespace {

// The arguments as QCoreApplication will give them, before it exists.
QStringList rawArguments(int argc, char* argv[])
{
    QStringList arguments;
    for (int n = 0; n < argc; ++n)
        arguments << QString::fromLocal8Bit(argv[n]);
    return arguments;
}

QtMessageHandler qtHandler = nullptr;

// Outside a desktop session (cron, ssh as another user) the platform's setup
// complains that it has no runtime folder and makes one in /tmp; nothing the
// user can or needs to act on, so it stays off the command's stderr.
void withoutRuntimeFolderWarning(QtMsgType type, const QMessageLogContext& context,
                                 const QString& message)
{
    if (type == QtWarningMsg &&
        message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    qtHandler(type, context, message);
}

// A PDF's text needs fonts, and fonts need a GUI application object. Its
// platform is "offscreen" whatever the environment says, so the command
// still needs no display; every other command runs on a QCoreApplication.
std::unique_ptr<QCoreApplication> createApplication(int& argc, char* argv[])
{
    if (!CommandOptions::needsGui(rawArguments(argc, argv)))
        return std::make_unique<QCoreApplication>(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qtHandler = qInstallMessageHandler(withoutRuntimeFolderWarning);
    auto application = std::make_unique<QGuiApplication>(argc, argv);
    qInstallMessageHandler(qtHandler);
    return application;
}

int runWithoutRelay(const CommandOptions& options)
{
    if (options.command == CommandOptions::Command::SettingsSheet)
        return SettingsCommands::sheetFromFile(options);
    if (options.command == CommandOptions::Command::SettingsDiff)
        return SettingsCommands::diffFiles(options);
    if (options.command == CommandOptions::Command::Archive)
        return ArchiveCommands::run(options);
    return ComtradeInfo::run(options);
}

} // namespace

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
    const std::unique_ptr<QCoreApplication> application = createApplication(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("talvik-client"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TALVIK_VERSION));
    // Qt's own texts of the help (and of the port's errors) in Russian too.
    QtTranslation::install(application.get());

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
    CommandLog log(options.verbose, options.logFile);
    QString logError;
    if (!log.startFile(&logError)) {
        Console::err(logError);
        return ExitFile;
    }
    if (options.command == CommandOptions::Command::Collect) {
        CollectRun collect(options);
        QObject::connect(&collect, &CollectRun::finished, application.get(),
                         &QCoreApplication::exit, Qt::QueuedConnection);
        QTimer::singleShot(0, &collect, &CollectRun::start);
        return QCoreApplication::exec();
    }
    if (!options.needsRelay())
        return runWithoutRelay(options);

    CommandRunner runner(options, log);
    QObject::connect(&runner, &CommandRunner::finished, application.get(), &QCoreApplication::exit,
                     Qt::QueuedConnection);
    QTimer::singleShot(0, &runner, &CommandRunner::start);
    return QCoreApplication::exec();
}
