#ifndef TALVIK_APP_MAINWINDOW_H
#define TALVIK_APP_MAINWINDOW_H

#include <QElapsedTimer>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <QVector>

#include "app/IRelayLine.h"
#include "relay/SettingsVerifier.h"

class AppSettings;
class ArchivePage;
class CommandButtons;
class ConfigDialog;
class ConnectionStatus;
class StaleValueMarker;
class ConfigFile;
class HelpDialog;
class IVisualizer;
class JournalPage;
class LineRecovery;
class LogPage;
class ModBusClient;
class ModBusDevice;
class PasswordDialog;
class QCloseEvent;
class QSerialPort;
class QSettings;
class QTimer;
class RecordsPage;
class RelayConnection;
class SettingsFilePage;
class SettingsPage;
struct MainWindowForm;

// The controller of the whole client: owns every long-lived object, wires
// them together and turns the user's actions into operations on them.
class MainWindow : public QMainWindow, private IRelayLine
{
    Q_OBJECT

public:
    // The settings store keeps the connection, the window's geometry, the
    // dialogs' folders and the log mode between runs; not owned; without
    // one, every start begins with the defaults.
    explicit MainWindow(QWidget* parent = nullptr, QSettings* store = nullptr);
    ~MainWindow() override;

    // The port error box's text: the port, the system's reason and, when the
    // system refused access, what the user can do about it.
    static QString portOpenErrorText(const QString& portName, bool permissionDenied,
                                     const QString& reason);

public slots:
    void configAccepted();
    void configure();
    void refreshStart();
    void refreshStop(bool closePort = true);
    void refresh();
    void showHelp();
    void showAbout();
    // Scans the dialog's port for relays and fills the dialog with the one
    // the user picks; the window's own port is closed meanwhile.
    void searchDevice();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Q_DISABLE_COPY(MainWindow)

    // IRelayLine
    bool isPolling() const override;
    bool portReady() override;
    void warnDemoMode() override;

    void stopPolling(bool closePort);
    void showPortOpenError();
    bool openSerialPort();
    // A refused, unreachable or dropped network connection.
    void showConnectionError(const QString& reason);

    void createVisualizers();
    void connectSignals();
    // Whether leaving now loses nothing the user would miss, or they agree.
    bool confirmClose();
    void widenForStatus();
    void restoreKeptSettings();
    // The status bar and the greying of old values, kept up to date by
    // statusTimer whether polling runs or not.
    void setUpStatus();
    // The settings file shown instead of the relay; polling stops for it.
    void createFilePage();
    void updateStatus();
    qint64 staleAfterMs() const;

    MainWindowForm* ui = nullptr;
    // Owns the port, links, client, poller, settings file and readers, and
    // keeps the record readings' suspension of polling. The members below
    // up to serialPort are its objects, named for the window's use.
    RelayConnection* connection = nullptr;
    ModBusDevice* device = nullptr;
    ModBusClient* client = nullptr;
    ConfigFile* configFile = nullptr;
    QSerialPort* serialPort = nullptr;
    ConfigDialog* configDialog = nullptr;
    PasswordDialog* passwordDialog = nullptr;
    QTimer* refreshTimer = nullptr;
    QList<IVisualizer*> visualizers;
    SettingsVerifier* verifier = nullptr;
    HelpDialog* helpDialog = nullptr;
    // Deleted before the form that owns the log's list.
    LogPage* logPage = nullptr;
    LineRecovery* recovery = nullptr;
    // The command buttons work only while the relay is polled.
    CommandButtons* commands = nullptr;
    SettingsPage* settingsPage = nullptr;
    SettingsFilePage* filePage = nullptr;
    RecordsPage* recordsPage = nullptr;
    JournalPage* journalPage = nullptr;
    ArchivePage* archivePage = nullptr;
    AppSettings* settings = nullptr;
    ConnectionStatus* connectionStatus = nullptr;
    StaleValueMarker* staleMarker = nullptr;
    QTimer* statusTimer = nullptr;
    QElapsedTimer pollingSince;

    friend class MainWindowTestAccess;
};

#endif
