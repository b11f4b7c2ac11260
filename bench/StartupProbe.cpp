// Started by the start-up benchmark: builds and shows the main window as
// main() does, prints "shown" once the platform has exposed and painted it,
// and, when asked for an idle time, idles that long and prints "rss <KiB>".

#include "EventLoop.h"
#include "ProcessMemory.h"

#include "app/MainWindow.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const int idleMs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 0;
    int exitCode = 0;
    {
        MainWindow window;
        if (!EventLoop::showAndExpose(&window))
            return 1;
        std::printf("shown\n");
        std::fflush(stdout);
        if (idleMs > 0) {
            QTimer::singleShot(idleMs, &application, &QCoreApplication::quit);
            exitCode = application.exec();
        }
        std::printf("rss %ld\n", ProcessMemory::residentKiB());
        std::fflush(stdout);
    }
    return exitCode;
}
