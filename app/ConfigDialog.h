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

    // Empty when the system had no serial port at start.
    QString portName() const;
    // 9600, 19200 or 38400.
    int baudRate() const;
    int deviceAddress() const;
    // Milliseconds of line silence that end a reply frame.
    int charInterval() const;
    // Seconds between polls.
    int pollPeriod() const;
    bool isDemoMode() const;

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
        int speedIndex = 0;
        int address = 0;
        int charInterval = 0;
        int pollPeriod = 0;
        bool demo = false;
    };

    void rememberAccepted();
    void restoreAccepted();

    ConfigDialogForm* ui = nullptr;
    Accepted accepted;
};

#endif
