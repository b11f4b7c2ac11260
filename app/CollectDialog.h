#ifndef TALVIK_APP_COLLECTDIALOG_H
#define TALVIK_APP_COLLECTDIALOG_H

#include "collect/Inventory.h"

#include <QDialog>
#include <QString>
#include <QVector>

class AppSettings;
class Collector;
class ConfigDialog;
class ICollectLine;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;
class QTableWidget;

// "Обход реле…": the relays of a substation read in one run, as the
// command line's collect reads them (the same Collector: the lines side by
// side, each relay's settings, journal and new fault records into the
// window's archive and, if chosen, a folder). The inventory comes from a
// file, or from the connection dialog's recent relays, and can be saved as
// the command line's inventory file. One row per relay shows its line, its
// state and what it gave; a line of totals follows the run.
class CollectDialog : public QDialog
{
    Q_OBJECT

public:
    struct Parts
    {
        // The window's own line, let go of for a run.
        ICollectLine* line = nullptr;
        AppSettings* settings = nullptr;
        ConfigDialog* configDialog = nullptr;
        // The program's settings store, which names the archive; without
        // one no archive is kept.
        QSettings* store = nullptr;
    };

    CollectDialog(const Parts& parts, QWidget* parent);
    ~CollectDialog() override;

    const QVector<InventoryRelay>& relays() const { return inventory; }
    bool isRunning() const;

    // "Готово: 3 реле из 4; 2 новые осциллограммы, 57 новых событий".
    static QString summaryText(int done, int relays, int records, int events, bool stopped);

public slots:
    // Closing waits for the run: "Остановить" ends it first.
    void reject() override;

private:
    void buildWidgets();
    QPushButton* addButton(const QString& name, const QString& text);
    void openInventory();
    void takeRecentRelays();
    void saveInventory();
    void chooseFolder();
    void showInventory(const QVector<InventoryRelay>& relays, const QString& from);
    void showSource();
    // The relays the connection dialog's "Недавние" holds, each named as
    // the archive knows it.
    QVector<InventoryRelay> recentRelays() const;
    QString archiveLocation() const;

    void start();
    bool mayStart();
    void stop();
    void showRelay(int relay);
    void collected();
    void setRunning(bool running);
    void fillRows();

    Parts parts;
    QVector<InventoryRelay> inventory;
    // The inventory's file name, or what it was made from, for messages.
    QString source;
    Collector* collector = nullptr;
    bool stopped = false;

    QLabel* sourceLabel = nullptr;
    QLabel* archiveLabel = nullptr;
    QTableWidget* table = nullptr;
    QCheckBox* outCheck = nullptr;
    QLineEdit* outFolder = nullptr;
    QPushButton* openButton = nullptr;
    QPushButton* recentButton = nullptr;
    QPushButton* saveButton = nullptr;
    QPushButton* chooseButton = nullptr;
    QPushButton* startButton = nullptr;
    QPushButton* stopButton = nullptr;
    QPushButton* closeButton = nullptr;
    QLabel* summary = nullptr;
};

#endif
