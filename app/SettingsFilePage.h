#ifndef TALVIK_APP_SETTINGSFILEPAGE_H
#define TALVIK_APP_SETTINGSFILEPAGE_H

#include "relay/ConfigFile.h"

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QString>
#include <QVector>

class AppSettings;
class ConfigDialog;
class IRelayLine;
class IVisualizer;
class ModBusDevice;
class QAction;
class QKeySequence;
class QMenu;
class QWidget;
class RelayConnection;
class SettingEditor;
class SettingsDocument;
class SettingsPage;
struct MainWindowForm;

// A settings file shown in the setting pages instead of the relay, so that
// settings can be prepared with no relay attached: opening a file or starting
// a new one from the demo relay's delivered settings, editing it in the same
// editors, saving it, and writing it to the relay through the settings
// page's checked write. While a file is shown nothing polls the relay, and
// the measured values, commands and readings are disabled.
class SettingsFilePage : public QObject
{
    Q_OBJECT

public:
    struct Parts
    {
        QWidget* window = nullptr;
        MainWindowForm* ui = nullptr;
        IRelayLine* line = nullptr;
        // The window's visualizers, the setting editors among them.
        const QList<IVisualizer*>* visualizers = nullptr;
        RelayConnection* connection = nullptr;
        ModBusDevice* device = nullptr;
        SettingsPage* settingsPage = nullptr;
        ConfigDialog* configDialog = nullptr;
        AppSettings* settings = nullptr;
    };

    SettingsFilePage(const Parts& parts, QObject* parent);

    bool isShown() const { return shown; }
    // Shows the relay's image again, after asking about unsaved changes;
    // false when the user chose to stay with the file. True at once while
    // no file is shown.
    bool showRelay();
    // Whether the window may close: unsaved changes are saved or given up.
    bool confirmClose() { return mayLeaveFile(); }

    void openFile();
    void newFile();
    // Values from elsewhere (an archive snapshot) as a new, unsaved file
    // called `title`; false when the user chose to stay with the file shown.
    bool openValues(const QVector<ConfigFile::RegisterValue>& values, const QString& title);
    // False when nothing was written (cancelled, or the file could not be).
    bool save();
    bool saveAs();
    // Reads the relay, then writes the file's values that differ from it.
    void writeToRelay();

signals:
    // Emitted as a file comes on show (before the editors take it) and once
    // the relay's image is back.
    void modeChanged(bool fileShown);

private:
    QAction* addAction(QMenu* menu, const char* name, const QString& text,
                       const QKeySequence& keys);
    void createActions();
    // The title names the file and marks unsaved changes.
    void watchEditors();
    QList<SettingEditor*> editors() const;

    // Leaving the relay drops the user's unwritten changes and is refused
    // during a reading; leaving a file asks about unsaved changes.
    bool mayLeaveRelay();
    bool mayLeaveFile();
    bool mayLeave() { return shown ? mayLeaveFile() : mayLeaveRelay(); }
    bool hasUnsavedChanges() const;
    // Puts the editors' pending changes into the document.
    void applyEditorChanges();
    bool writeFile(const QString& path);
    void showDocument(const QString& path);
    void setRelayPartsEnabled(bool enabled);
    void updateTitle();
    QString shownName() const;
    void relayRead(bool answered);

    QWidget* window;
    MainWindowForm* ui;
    IRelayLine& line;
    const QList<IVisualizer*>& visualizers;
    RelayConnection* connection;
    ModBusDevice* device;
    SettingsPage* settingsPage;
    ConfigDialog* configDialog;
    AppSettings* settings;
    SettingsDocument* document;
    QString baseTitle;
    QString fileName;
    // What an unsaved file without a name is called.
    QString untitledName;
    bool shown = false;
    // Editors of registers the file does not hold, disabled while it is shown.
    QList<QWidget*> disabledEditors;
    QList<QAction*> fileActions;
    QMetaObject::Connection pendingRead;
};

#endif
