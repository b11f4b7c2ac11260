#ifndef TALVIK_APP_CONFIGDIALOG_H
#define TALVIK_APP_CONFIGDIALOG_H

#include <QDialog>
#include <QString>

struct ConfigDialogForm;

// The connection settings. The dialog's widgets are the only store of the
// settings while the program runs: the main window reads them through the
// accessors, and Cancel leaves whatever the user entered.
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

private:
    Q_DISABLE_COPY(ConfigDialog)

    ConfigDialogForm* ui = nullptr;
};

#endif
