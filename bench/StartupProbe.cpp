// Started by the start-up benchmark: builds and shows the main window as
// main() does, on a settings store that holds a connection and a window
// geometry, prints "shown" once the platform has exposed and painted it,
// and, when asked for an idle time, idles that long and prints "rss <KiB>".

#include "EventLoop.h"
#include "ProcessMemory.h"

#include "app/MainWindow.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const int idleMs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 0;
    int exitCode = 0;
    {
        // What a returning user's store holds: the last connection (demo, so
        // that it is applied without a port) and the log mode.
        QTemporaryDir folder;
        QSettings store(folder.filePath("talvik-client.conf"), QSettings::IniFormat);
        store.setValue("connection/baudRate", 19200);
        store.setValue("connection/address", 1);
        store.setValue("connection/demo", true);
        store.setValue("log/mode", 1);
        store.sync();
        MainWindow window(nullptr, &store);
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
