#ifndef TALVIK_TESTS_SUPPORT_RELIABILITYHARNESS_H
#define TALVIK_TESTS_SUPPORT_RELIABILITYHARNESS_H

#include "app/MainWindow.h"
#include "device/ModBusDevice.h"
#include "modbus/ModBusClient.h"
#include "support/ModalCloser.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QListWidget>
#include <QSerialPort>
#include <QSpinBox>
#include <QStringList>
#include <QTimer>

// Reaches the window's private members for the checks of the end-to-end tests.
class MainWindowTestAccess
{
public:
    explicit MainWindowTestAccess(MainWindow& window) : window(window) {}
    bool polling() const { return window.refreshTimer->isActive(); }
    ModBusDevice* device() const { return window.device; }
    ModBusClient* client() const { return window.client; }
    QSerialPort* port() const { return window.serialPort; }
    QTimer* progressTimer() const { return window.progressTimer; }

private:
    MainWindow& window;
};

namespace reliability {

template <typename T> T* child(QObject* root, const char* name)
{
    T* found = root->findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr)
        qFatal("%s not found", name);
    return found;
}

inline QAction* action(MainWindow& window, const char* name)
{
    return child<QAction>(&window, name);
}

// Accepts the connection dialog for a relay on `portName` at slave address
// 1, with the shortest poll period (1 s) and inter-character interval (40 ms).
inline bool connectTo(MainWindow& window, ModalCloser& closer, const QString& portName)
{
    closer.expectDialog([portName](QDialog* dialog) {
        child<QCheckBox>(dialog, "cbDemoMode")->setChecked(false);
        child<QSpinBox>(dialog, "spinInterval")->setValue(1);
        child<QSpinBox>(dialog, "spinCharInterval")->setValue(40);
        auto* ports = child<QComboBox>(dialog, "comboPortName");
        ports->addItem(portName);
        ports->setCurrentIndex(ports->count() - 1);
        return true;
    });
    action(window, "actionConfigure")->trigger();
    const bool done = closer.waitUntilDone();
    closer.seen.clear();
    return done;
}

inline QStringList logLines(MainWindow& window)
{
    auto* list = child<QListWidget>(&window, "listLog");
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

} // namespace reliability

#endif
