#include "app/MainWindow.h"
#include "app/QtTranslation.h"
#include "cli/CommandLine.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // With arguments the program runs a command without its window.
    if (argc > 1)
        return CommandLine::run(argc, argv);
    QApplication application(argc, argv);
    QtTranslation::install(&application);
    int exitCode = 0;
    {
        MainWindow window;
        window.show();
        exitCode = application.exec();
    }
    return exitCode;
}
