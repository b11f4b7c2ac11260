#ifndef TALVIK_BENCH_MAINWINDOWTESTACCESS_H
#define TALVIK_BENCH_MAINWINDOWTESTACCESS_H

#include "app/MainWindow.h"

class ConfigDialog;
class ModBusClient;
class ModBusDevice;
class QListWidget;

// Reaches the window's private members, as the window's own tests do, so the
// benchmarks can drive its poller and its refresh directly.
class MainWindowTestAccess
{
public:
    explicit MainWindowTestAccess(MainWindow& window) : window(window) {}

    ModBusDevice* device() const;
    ModBusClient* client() const;
    ConfigDialog* configDialog() const;
    QListWidget* logList() const;
    int visualizerCount() const;

private:
    MainWindow& window;
};

#endif
