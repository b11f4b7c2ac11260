#ifndef TALVIK_APP_ARCHIVEWINDOW_H
#define TALVIK_APP_ARCHIVEWINDOW_H

#include "archive/Archive.h"
#include "relay/ConfigFile.h"

#include <QDialog>
#include <QString>
#include <QVector>

#include <functional>
#include <memory>

class AppSettings;
class QAction;
class QLabel;
class QPushButton;
class QSettings;
class QShowEvent;
class QTableWidget;

// The archive on screen: every relay it knows, the chosen relay's items
// newest first, and what can be done with them — compare two settings
// snapshots or one with a file, save an item as the file the program writes
// when it reads the relay, look at a stored fault record, or hand a snapshot
// to the window to open or to write. The window only reads the archive; the
// archive is opened (again) whenever the window is shown or refreshed, so a
// changed location or items stored meanwhile are seen, and a location that
// cannot be used is named with the reason instead of an error box.
class ArchiveWindow : public QDialog
{
    Q_OBJECT

public:
    // `store` gives the archive's location (see session/ArchiveLocation),
    // the ignore list of comparisons and the dialogs' folders; not owned, may
    // be null.
    explicit ArchiveWindow(QSettings* store, QWidget* parent = nullptr);
    ~ArchiveWindow() override;

    // `action` opens the archive window over `window`: one instance, created
    // the first time (then `created`, if given, connects its signals) and
    // brought to the front when it is already open.
    static void attach(QAction* action, QWidget* window, QSettings* store,
                       const std::function<void(ArchiveWindow*)>& created = {});

    // "Уставки", "Запись уставок", "Журнал", "Осциллограмма".
    static QString kindText(ArchiveKind kind);

public slots:
    // Opens the archive again and lists its relays and the chosen one's items.
    void refresh();

signals:
    // A snapshot to show as a settings file, titled by its relay and time.
    void openSnapshotRequested(const QVector<ConfigFile::RegisterValue>& values,
                               const QString& title);
    // A snapshot to write to the relay through the checked write.
    void writeSnapshotRequested(const QVector<ConfigFile::RegisterValue>& values);
    // The user chose another archive (kept in the settings as
    // "archive/location").
    void locationChanged();
    // A snapshot to compare with what the relay holds now.
    void compareWithRelayRequested(const QVector<ConfigFile::RegisterValue>& values,
                                   const QString& title);

protected:
    void showEvent(QShowEvent* event) override;

private:
    Q_DISABLE_COPY(ArchiveWindow)

    // When an action's button is enabled, by the items selected.
    enum class Needs
    {
        TwoSnapshots,
        OneSnapshot,
        OneItem,
        OneRecord
    };
    struct ActionButton
    {
        QPushButton* button;
        Needs needs;
    };

    void buildLayout();
    QPushButton* addButton(const char* name, const QString& text, Needs needs,
                           void (ArchiveWindow::*action)());
    bool openArchive();
    void listRelays(const QString& chosen);
    void listItems();
    void updateButtons();
    QVector<ArchiveItem> selectedItems() const;
    // The snapshot's registers, or false after a box that says why.
    bool snapshotValues(const ArchiveItem& item, QVector<ConfigFile::RegisterValue>* values);
    QString folder() const;
    void keepFolder(const QString& path, bool isFolder = false);
    void warn(const QString& title, const QString& text);

    void compareSnapshots();
    void compareWithFile();
    void saveAs();
    void saveRecord(const ArchiveItem& item);
    void openRecord();
    void openSnapshot();
    void compareWithRelay();
    void chooseLocation();
    void writeSnapshot();

    QSettings* store;
    std::unique_ptr<AppSettings> settings;
    Archive archive;
    QVector<ArchiveItem> shownItems;
    QLabel* labelArchive = nullptr;
    QTableWidget* relayTable = nullptr;
    QTableWidget* itemTable = nullptr;
    QVector<ActionButton> actionButtons;
};

#endif
