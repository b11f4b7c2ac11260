#ifndef TALVIK_APP_RECORDSPAGE_H
#define TALVIK_APP_RECORDSPAGE_H

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

class AppSettings;
class ConfigDialog;
class CrashProcessReader;
class EventsReadDialog;
class IRelayLine;
class LogReader;
class QListWidgetItem;
class QTimer;
class QWidget;
class RelayConnection;
struct MainWindowForm;

// The "Осциллограммы" page and the journal: reading the record headers,
// saving a record as COMTRADE or showing it in the viewer, opening a record
// from disk, and reading the journal into a CSV file. Polling pauses for
// each reading (the connection keeps that).
class RecordsPage : public QObject
{
    Q_OBJECT

public:
    struct Parts
    {
        QWidget* window = nullptr;
        MainWindowForm* ui = nullptr;
        IRelayLine* line = nullptr;
        RelayConnection* connection = nullptr;
        ConfigDialog* configDialog = nullptr;
        AppSettings* settings = nullptr;
    };

    RecordsPage(const Parts& parts, QObject* parent);
    ~RecordsPage() override;

    void readHeaders();
    void crashHeaderSelected(QListWidgetItem* item);
    void saveCrash();
    // Shows the selected record in a viewer without saving it, reading it
    // first unless it has been read completely already.
    void viewCrash();
    // Opens any COMTRADE .cfg from disk in a viewer.
    void openRecordFile();
    void readLogStart();

private:
    friend class MainWindowTestAccess;

    // What a finished record reading is for.
    enum class AfterReading
    {
        Save,
        View
    };

    void readHeadersFinished();
    void readCrashFinished(int crashNumber);
    void readCrashFailed();
    void readLogFinished();
    void readLogFailed();
    void showProgress();
    // Shows the details of record crashNumber, or clears them for -1.
    void showCrashDetails(int crashNumber);
    void createOpenRecordAction();
    void startCrashReading(int crashNumber, AfterReading after);
    // "Сохранить" and "Просмотр" are offered together.
    void enableRecordButtons(bool enabled);
    // Exports the record into memory and shows it as a saved pair would read.
    void showRecordViewer(int crashNumber);

    QWidget* window;
    MainWindowForm* ui;
    IRelayLine& line;
    RelayConnection* connection;
    CrashProcessReader* crashReader;
    LogReader* logReader;
    ConfigDialog* configDialog;
    AppSettings* settings;
    EventsReadDialog* eventsReadDialog;
    QTimer* progressTimer;
    QString saveFolder;
    QString recordFolder;
    // The record whose details are shown, -1 for none.
    int shownCrash = -1;
    // A record is being read: choosing another one must not offer a second
    // reading meanwhile.
    bool recordReading = false;
    AfterReading afterReading = AfterReading::Save;
    // Records whose samples were read completely, with the header they were
    // read under: a new header reading may find another record in the slot.
    QHash<int, QByteArray> completeRecords;
};

#endif
