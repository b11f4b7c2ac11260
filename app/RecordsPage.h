#ifndef TALVIK_APP_RECORDSPAGE_H
#define TALVIK_APP_RECORDSPAGE_H

#include "records/CrashProcessHeader.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QVector>

class AppSettings;
class ConfigDialog;
class CrashProcessReader;
class IRelayLine;
class QListWidgetItem;
class QTimer;
class QWidget;
class RelayConnection;
struct MainWindowForm;

// The "Осциллограммы" page: reading the list of record headers (by the
// button, the menu, or by itself when polling starts if the user asked for
// that), saving one record or all of them as COMTRADE, showing a record in
// the viewer, opening a record from disk. Polling pauses for each reading
// (the connection keeps that).
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
    // Asks for a folder and writes every listed record into it under the
    // names "Сохранить" gives, reading each one that is not in memory; the
    // first failure names the record and ends the run.
    void saveAllRecords();
    // Shows the selected record in a viewer without saving it, reading it
    // first unless it has been read completely already.
    void viewCrash();
    // The same for record `number` of the list, wherever it was chosen.
    void viewRecord(int number);
    // Opens any COMTRADE .cfg from disk in a viewer.
    void openRecordFile();
    // Polling was started by the user (not resumed after a reading): the
    // list is read once if the user asked for that.
    void pollingStarted();

    // The headers of the list shown, index = the record's number; slots
    // without a record hold an invalid header. Empty until a list is read.
    const QVector<CrashProcessHeader>& listedHeaders() const { return listed; }

signals:
    // A list was read, or a failed reading left none.
    void recordListChanged();

private:
    friend class MainWindowTestAccess;

    // What a finished record reading is for.
    enum class AfterReading
    {
        Save,
        View,
        SaveAll
    };

    void readHeadersFinished();
    void readCrashFinished(int crashNumber);
    void readCrashFailed();
    void showProgress();
    // Shows the details of record crashNumber, or clears them for -1.
    void showCrashDetails(int crashNumber);
    void createOpenRecordAction();
    bool startCrashReading(int crashNumber, AfterReading after);
    // The buttons and actions that start a reading follow whether one runs.
    void updateControls();
    bool busy() const;
    // A greyed line in the list that cannot be chosen, in place of records.
    void showListHint(const QString& text);
    // Whether the record's samples in memory were read under its header.
    bool isComplete(int crashNumber) const;
    // "№1 (01.01.2019 00:01:00.0250)".
    QString recordName(int crashNumber) const;
    // Exports the record into memory and shows it as a saved pair would read.
    void showRecordViewer(int crashNumber);
    void saveNextOfAll();
    void saveOneOfAll(int crashNumber);
    // Ends "Сохранить все" with the count in the status bar and, after a
    // failure, a box that says what failed.
    void finishSavingAll(const QString& title, const QString& failure);

    QWidget* window;
    MainWindowForm* ui;
    IRelayLine& line;
    RelayConnection* connection;
    CrashProcessReader* crashReader;
    ConfigDialog* configDialog;
    AppSettings* settings;
    QTimer* progressTimer;
    QString saveFolder;
    QString recordFolder;
    // The record whose details are shown, -1 for none.
    int shownCrash = -1;
    // A record is being read: choosing another one must not offer a second
    // reading meanwhile.
    bool recordReading = false;
    bool headersReading = false;
    AfterReading afterReading = AfterReading::Save;
    // Records whose samples were read completely, with the header they were
    // read under: a new header reading may find another record in the slot.
    QHash<int, QByteArray> completeRecords;
    QVector<CrashProcessHeader> listed;
    // "Сохранить все": the records still to save, and those saved.
    bool savingAll = false;
    QList<int> toSave;
    int savedCount = 0;
};

#endif
