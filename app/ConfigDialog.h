#ifndef TALVIK_APP_CONFIGDIALOG_H
#define TALVIK_APP_CONFIGDIALOG_H

#include "app/AppSettings.h"
#include "session/RelayConnection.h"

#include <QDialog>
#include <QPair>
#include <QString>
#include <QVector>

class QMenu;
class QShowEvent;
struct ConfigDialogForm;

// The connection settings. The dialog's widgets hold the settings last
// accepted: the main window reads them through the accessors at any time, so
// Cancel (or closing the dialog) puts back every widget as it was accepted.
class ConfigDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ConfigDialog(QWidget* parent = nullptr);
    ~ConfigDialog() override;

    // The port's name as the system knows it (without its description), or
    // what the user typed; empty when there is neither; tcpChoice when the
    // relay is reached through the network.
    QString portName() const;
    bool isTcp() const;
    QString tcpHost() const;
    quint16 tcpPort() const;
    // Modbus TCP; otherwise RTU frames over TCP (a transparent serial gateway).
    bool isModbusTcp() const;
    // Answers end by their length, the next request waits out the bus
    // turnaround, and records are read several at a time.
    bool lengthFraming() const;
    // 9600, 19200 or 38400.
    int baudRate() const;
    int deviceAddress() const;
    // Milliseconds of line silence that end a reply frame.
    int charInterval() const;
    // Seconds between polls.
    int pollPeriod() const;
    bool isDemoMode() const;

    // The port list's last choice.
    static const char tcpChoice[];

    AppSettings::Connection values() const;
    // The connection's settings as the relay connection takes them.
    static RelayConnection::Settings relaySettings(const AppSettings::Connection& values);
    // "ПС Северная, яч. 7 — /dev/ttyUSB0 · 19200 · адрес 5": how the recent
    // list names a connection (the name when the archive knows one).
    QString recentText(const AppSettings::Connection& values) const;
    // The relays a device search found on this dialog's port join the recent ones.
    void rememberFound(const QVector<QPair<int, int>>& found);
    // Shows these values and takes them as the accepted ones.
    void setValues(const AppSettings::Connection& values);
    // Where accepted settings are kept; the store's last ones are shown at
    // once. Not owned; null keeps nothing.
    void setStore(AppSettings* newStore);

    // The text a listed port is shown with: its name, then what the system
    // says of the adapter.
    static QString portLabel(const QString& name, const QString& description,
                             const QString& vendorProduct);

    // Item data of a listed port: its bare name.
    static constexpr int portNameRole = Qt::UserRole;

public slots:
    void demoModeChanged(bool mode);
    void accept() override;
    void reject() override;
    // Lists the ports present now, keeping the chosen or typed name.
    void refreshPorts();
    // Fills in what a device search found; Ok still has to accept it.
    void showFound(int address, int baudRate);

signals:
    // "Поиск устройства…": the owner of the port runs the search.
    void deviceSearchRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    Q_DISABLE_COPY(ConfigDialog)

    // What the widgets showed when the dialog was last accepted (at first,
    // the defaults the window starts with).
    struct Accepted
    {
        QString portName;
        QString host;
        int tcpPort = 0;
        int protocolIndex = 0;
        bool lengthFraming = true;
        int speedIndex = 0;
        int address = 0;
        int charInterval = 0;
        int pollPeriod = 0;
        bool demo = false;
    };

    void rememberAccepted();
    void restoreAccepted();
    // Enables the settings that apply to the chosen way to the relay.
    void updateLineSettings();
    void showPortName(const QString& name);
    void fillRecentMenu();
    // Shows a recent connection; Ok still has to accept it.
    void showRecent(const AppSettings::Connection& values);

    ConfigDialogForm* ui = nullptr;
    Accepted accepted;
    AppSettings* store = nullptr;
    QMenu* recentMenu = nullptr;
};

#endif
