#include "MainWindowTestAccess.h"

#include "forms/MainWindowForm.h"

ModBusDevice* MainWindowTestAccess::device() const
{
    return window.device;
}

ModBusClient* MainWindowTestAccess::client() const
{
    return window.client;
}

ConfigDialog* MainWindowTestAccess::configDialog() const
{
    return window.configDialog;
}

QListWidget* MainWindowTestAccess::logList() const
{
    return window.ui->listLog;
}

int MainWindowTestAccess::visualizerCount() const
{
    return window.visualizers.size();
}
