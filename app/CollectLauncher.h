#ifndef TALVIK_APP_COLLECTLAUNCHER_H
#define TALVIK_APP_COLLECTLAUNCHER_H

#include "app/ICollectLine.h"

#include <QObject>

class AppSettings;
class CollectDialog;
class ConfigDialog;
class QSettings;
class QWidget;
class RelayConnection;
class SettingsVerifier;

// "Операция › Обход реле…": opens the collect dialog (made on first use
// and kept, so that the last run's table stays on show) and hands the
// window's line over to it for a run.
class CollectLauncher : public QObject, private ICollectLine
{
    Q_OBJECT

public:
    struct Parts
    {
        // The main window, whose "Операция" menu gets the action and whose
        // polling actions stop and start polling.
        QWidget* window = nullptr;
        RelayConnection* connection = nullptr;
        SettingsVerifier* verifier = nullptr;
        ConfigDialog* configDialog = nullptr;
        AppSettings* settings = nullptr;
        // The program's settings store, which names the archive; may be null.
        QSettings* store = nullptr;
    };

    CollectLauncher(const Parts& parts, QObject* parent);

    void showDialog();

private:
    // ICollectLine
    bool releaseLine() override;
    void takeLineBack() override;

    Parts parts;
    CollectDialog* dialog = nullptr;
    bool resumePolling = false;
};

#endif
