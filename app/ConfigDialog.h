#ifndef TALVIK_APP_CONFIGDIALOG_H
#define TALVIK_APP_CONFIGDIALOG_H

#include <QDialog>
#include <QString>

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

    // Empty when the system had no serial port at start; tcpChoice when the
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

public slots:
    void demoModeChanged(bool mode);
    void accept() override;
    void reject() override;

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

    ConfigDialogForm* ui = nullptr;
    Accepted accepted;
};

#endif
