#ifndef TALVIK_TESTS_SUPPORT_MAINWINDOWTESTACCESS_H
#define TALVIK_TESTS_SUPPORT_MAINWINDOWTESTACCESS_H

#include "app/ConfigDialog.h"
#include "app/JournalPage.h"
#include "app/MainWindow.h"
#include "app/RecordsPage.h"
#include "modbus/ModBusClient.h"
#include "relay/ModBusDevice.h"
#include "session/RelayConnection.h"
#include "simulator/DemoRTULink.h"
#include "support/EventWait.h"
#include "support/ModalCloser.h"
#include "ui/EventsReadDialog.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSerialPort>
#include <QSpinBox>
#include <QTableWidget>
#include <QString>
#include <QStringList>
#include <QTimer>

// Reaches the window's private members for the checks of the window tests.
class MainWindowTestAccess
{
public:
    explicit MainWindowTestAccess(MainWindow& window) : window(window) {}
    bool polling() const { return window.refreshTimer->isActive(); }
    QTimer* refreshTimer() const { return window.refreshTimer; }
    QTimer* progressTimer() const { return window.recordsPage->progressTimer; }
    ModBusDevice* device() const { return window.device; }
    ModBusClient* client() const { return window.client; }
    DemoRTULink* demoLink() const { return window.connection->demoRelay(); }
    QSerialPort* port() const { return window.serialPort; }
    QString saveFolder() const { return window.recordsPage->saveFolder; }
    int visualizerCount() const { return window.visualizers.size(); }
    EventsReadDialog* eventsDialog() const { return window.journalPage->eventsReadDialog; }
    ConfigDialog* configDialog() const { return window.configDialog; }
    bool journalReading() const
    {
        return window.connection->isReading(RelayConnection::JournalReading);
    }
    LogReader* logReader() const { return window.connection->logReader(); }
    // Polls every `ms` from now on, the first poll `ms` from now, instead of
    // every whole second the connection dialog allows: for the checks whose
    // subject is what the polls bring, not how often they come. The window
    // keeps refreshing its widgets at the dialog's period.
    void setPollPeriod(int ms)
    {
        window.device->setPeriod(ms);
        window.device->stop();
        window.device->start();
    }

private:
    MainWindow& window;
};

namespace windowtest {

// A named child the test cannot go on without.
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

// What a test enters in the connection dialog.
struct Settings
{
    bool demo = true;
    int periodSeconds = 1;
    int charInterval = 40;
    QString portName;
    // Frame end by length and batched reads; off: by silence, one by one.
    bool byLength = false;
    // A relay on 127.0.0.1 at this TCP port instead of a serial port (0).
    quint16 tcpPort = 0;
    bool modbusTcp = false;
};

// Opens the connection dialog through its menu action and accepts it; the
// closer then forgets the dialog, so a test sees only its own boxes.
inline bool acceptSettings(MainWindow& window, ModalCloser& closer, const Settings& settings)
{
    closer.expectDialog([settings](QDialog* dialog) {
        child<QCheckBox>(dialog, "cbDemoMode")->setChecked(settings.demo);
        child<QSpinBox>(dialog, "spinInterval")->setValue(settings.periodSeconds);
        child<QSpinBox>(dialog, "spinCharInterval")->setValue(settings.charInterval);
        child<QCheckBox>(dialog, "cbLengthFraming")->setChecked(settings.byLength);
        if (!settings.portName.isEmpty()) {
            auto* ports = child<QComboBox>(dialog, "comboPortName");
            ports->addItem(settings.portName);
            ports->setCurrentIndex(ports->count() - 1);
        }
        if (settings.tcpPort != 0) {
            auto* ports = child<QComboBox>(dialog, "comboPortName");
            ports->setCurrentIndex(ports->findText(QStringLiteral("TCP")));
            child<QLineEdit>(dialog, "editHost")->setText(QStringLiteral("127.0.0.1"));
            child<QSpinBox>(dialog, "spinTcpPort")->setValue(settings.tcpPort);
            child<QComboBox>(dialog, "comboProtocol")->setCurrentIndex(settings.modbusTcp ? 1 : 0);
        }
        return true;
    });
    action(window, "actionConfigure")->trigger();
    const bool done = closer.waitUntilDone();
    closer.seen.clear();
    return done;
}

// Answers the list of settings about to be written (or compared): keeps its
// rows as "caption | relay | new | register" in *rows, then writes (accept)
// or cancels.
inline void answerChanges(ModalCloser& closer, bool accept, QStringList* rows = nullptr)
{
    closer.expectDialog([accept, rows](QDialog* dialog) {
        auto* table = child<QTableWidget>(dialog, "tableChanges");
        for (int row = 0; rows != nullptr && row < table->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < table->columnCount(); ++column)
                cells << table->item(row, column)->text();
            rows->append(cells.join(QStringLiteral(" | ")));
        }
        return accept;
    });
}

// The lines the window shows in its log list, oldest first.
inline QStringList logLines(MainWindow& window)
{
    auto* list = child<QListWidget>(&window, "listLog");
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

// Reads the journal into the window's table by its button; whether the
// reading ended (done or failed) by the deadline.
inline bool readJournal(MainWindow& window, int timeoutMs = 10000)
{
    MainWindowTestAccess access(window);
    child<QPushButton>(&window, "btnReadJournal")->click();
    return eventwait::until([&access] { return !access.journalReading(); }, timeoutMs);
}

// "Сохранить CSV…" into `path`; whether the file dialog was answered.
inline bool saveJournal(MainWindow& window, ModalCloser& closer, const QString& path)
{
    closer.expectFileDialog(path);
    child<QPushButton>(&window, "btnSaveJournal")->click();
    return closer.waitUntilDone();
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

} // namespace windowtest

#endif
