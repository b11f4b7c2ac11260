#ifndef TALVIK_APP_ARCHIVEPAGE_H
#define TALVIK_APP_ARCHIVEPAGE_H

#include "archive/Archive.h"
#include "relay/SettingsVerifier.h"

#include <QObject>
#include <QSet>
#include <QVector>

#include <memory>

class AppSettings;
class QAction;
class QMainWindow;
class QSettings;
class RelayConnection;
class RelayHistory;
class SettingsFilePage;
class SettingsPage;

// What the window reads from and writes to the relay goes to the archive
// too: the settings image the user saves, every write batch (the image
// before and after, with the read-back's verdict), every journal reading and
// every fault record read. The relay is named "Объект / присоединение" once
// for its connection and address; the name is kept in the settings. A
// failing archive never stands in the way of the reading: the status bar
// says so once. Without a settings store (or with the archive turned off)
// nothing is kept. "Архив…" shows what is kept; a snapshot from there opens
// as an unsaved settings file, or is written to the relay by the checked
// write.
class ArchivePage : public QObject
{
    Q_OBJECT

public:
    struct Parts
    {
        QMainWindow* window = nullptr;
        RelayConnection* connection = nullptr;
        SettingsVerifier* verifier = nullptr;
        SettingsPage* settingsPage = nullptr;
        AppSettings* settings = nullptr;
        QSettings* store = nullptr;
        // "Архив…": the archive window, whose snapshots open as settings
        // files or go to the relay through the file page.
        QAction* archiveAction = nullptr;
        SettingsFilePage* filePage = nullptr;
    };

    ArchivePage(const Parts& parts, QObject* parent);
    ~ArchivePage() override;

    // The relay's name for the connection in force: kept, or asked (once a
    // run), or for the demo relay "Демо · адрес N".
    QString relayName();

private:
    ArchiveRelayIdentity identity();
    void keepSettingsImage();
    void keepImageBeforeWrite();
    void keepWrite(const QVector<SettingsVerifier::Check>& checks);
    void keepJournal();
    void keepRecord(int number);
    void tellFailure();
    // The archive the settings name now (after "Другой архив…").
    void useLocation();
    void writeSnapshot(const QVector<ConfigFile::RegisterValue>& values, const QString& title);

    Parts parts;
    std::unique_ptr<RelayHistory> history;
    QVector<ConfigFile::RegisterValue> imageBefore;
    // Connections whose name the user was asked for this run.
    QSet<QString> asked;
};

#endif
