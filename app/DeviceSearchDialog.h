#ifndef TALVIK_APP_DEVICESEARCHDIALOG_H
#define TALVIK_APP_DEVICESEARCHDIALOG_H

#include <QDialog>
#include <QPair>
#include <QString>
#include <QVector>

class DeviceSearch;
class QDialogButtonBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QShowEvent;

// "Поиск устройства": scans one port over the three speeds and every slave
// address, lists each relay that answered and lets the user pick one. The
// scan starts when the dialog is shown; Cancel or closing stops it.
class DeviceSearchDialog : public QDialog
{
    Q_OBJECT

public:
    DeviceSearchDialog(const QString& portName, QWidget* parent = nullptr);

    // The relay picked when the dialog was accepted.
    int chosenAddress() const { return address; }
    int chosenBaudRate() const { return baudRate; }
    DeviceSearch* search() const { return scanner; }
    // Every relay that answered so far: address and speed.
    QVector<QPair<int, int>> found() const;

    static QString foundText(int address, int baudRate);

signals:
    // "Добавить все в недавние": every relay found joins the connection
    // dialog's recent ones.
    void addAllToRecentRequested();

public slots:
    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    Q_DISABLE_COPY(DeviceSearchDialog)

    void startSearch();
    void showProgress(int done, int total);
    void addFound(int foundAddress, int foundBaudRate);
    void showFinished();

    QString port;
    DeviceSearch* scanner = nullptr;
    QLabel* status = nullptr;
    QProgressBar* bar = nullptr;
    QListWidget* results = nullptr;
    QDialogButtonBox* buttons = nullptr;
    bool started = false;
    int address = 0;
    int baudRate = 0;
};

#endif
