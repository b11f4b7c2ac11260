#ifndef TALVIK_APP_SETTINGSPAGE_H
#define TALVIK_APP_SETTINGSPAGE_H

#include "relay/SettingsVerifier.h"

#include <QList>
#include <QObject>
#include <QVector>

class AppSettings;
class ConfigDialog;
class ConfigFile;
class IRelayLine;
class IVisualizer;
class ModBusDevice;
class PasswordDialog;
class QJsonDocument;
class QWidget;
class RelayConnection;
struct MainWindowForm;

// The settings pages' work: writing the user's changes (confirm, password,
// writes, read-back), resetting them, the settings file (save, load, compare)
// and the settings sheet. The window builds it and hands it what it needs.
class SettingsPage : public QObject
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
        ConfigFile* configFile = nullptr;
        SettingsVerifier* verifier = nullptr;
        PasswordDialog* passwordDialog = nullptr;
        ConfigDialog* configDialog = nullptr;
        AppSettings* settings = nullptr;
    };

    SettingsPage(const Parts& parts, QObject* parent);

    void saveChanges();
    void resetChanges();
    void saveConfig();
    void loadConfig();
    void compareConfig();
    // Two settings files, no relay needed.
    void compareFiles();
    // Values from elsewhere (an archive snapshot called `title`) against the
    // relay's image.
    void compareWithRelay(const QVector<ConfigFile::RegisterValue>& values, const QString& title);
    void exportSheet();
    // The values of a settings file that differ from the relay's image:
    // listed for the user's yes, then written after the password and read
    // back. The image must hold the relay's present values.
    void writeDifferences(const QVector<ConfigFile::RegisterValue>& values);

signals:
    // The relay's settings image was saved into a file.
    void settingsSaved();

private:
    // Whether the register image may be used to `purpose` (e.g. "сохранить"):
    // refused before any answer since the connection was made, asked when
    // the data is old.
    bool confirmImageUse(const QString& purpose);
    // A settings file chosen by the user, with its "regs" checked; false
    // (after saying why) when there is none to use. *chosenName (if given)
    // gets the file's name.
    bool chooseSettingsFile(QJsonDocument* document, QString* chosenName = nullptr);
    // Tells the user whether the relay holds what the last batch wrote.
    void showVerification(const QVector<SettingsVerifier::Check>& checks);

    QWidget* window;
    MainWindowForm* ui;
    IRelayLine& line;
    const QList<IVisualizer*>& visualizers;
    RelayConnection* connection;
    ModBusDevice* device;
    ConfigFile* configFile;
    SettingsVerifier* verifier;
    PasswordDialog* passwordDialog;
    ConfigDialog* configDialog;
    AppSettings* settings;
};

#endif
