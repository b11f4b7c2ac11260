#include "app/MainWindow.h"
#include "base/ProgramSettings.h"
#include "base/QtTranslation.h"
#include "cli/CommandLine.h"
#include "viewer/RecordViewer.h"

#include <QApplication>
#include <QSettings>

int main(int argc, char* argv[])
{
    // With arguments the program runs a command without its window, except
    // "view", which shows one fault record in a viewer window alone.
    const CommandLine::ViewRequest view = CommandLine::viewRequest(argc, argv);
    if (argc > 1 && !view.requested)
        return CommandLine::run(argc, argv);
    if (view.requested && !view.record)
        return view.exitCode;
    // Before the application object: texts and pixmaps follow the screen's scale.
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QApplication application(argc, argv);
    QtTranslation::install(&application);
    if (view.record) {
        RecordViewer::openRecord(*view.record, view.name, nullptr);
        return application.exec();
    }
    int exitCode = 0;
    {
        const std::unique_ptr<QSettings> store = openProgramSettings();
        MainWindow window(nullptr, store.get());
        window.show();
        exitCode = application.exec();
    }
    return exitCode;
}
