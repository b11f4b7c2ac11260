#ifndef TALVIK_APP_JOURNALPAGE_H
#define TALVIK_APP_JOURNALPAGE_H

#include "app/RecordsPage.h"

#include <QObject>

class AppSettings;
class ConfigDialog;
class EventsReadDialog;
class IRelayLine;
class JournalTableModel;
class LogReader;
class QModelIndex;
class QSortFilterProxyModel;
class QTimer;
class QWidget;
class RelayConnection;
struct MainWindowForm;

// The "События" page: reads the relay's event journal behind its progress
// dialog into the table (newest first, sortable, filtered by type and by
// text), saves the journal shown as the CSV file, and marks the events a
// fault record of the records page belongs to; a double click on such an
// event shows its record. Polling pauses for the reading.
class JournalPage : public QObject
{
    Q_OBJECT

public:
    // The records page's parts, and the page itself for the record list.
    JournalPage(const RecordsPage::Parts& parts, RecordsPage* records, QObject* parent);
    ~JournalPage() override;

    void readJournal();
    // Asks for a file name and writes the journal shown as CSV.
    void saveCsv();

private:
    friend class MainWindowTestAccess;

    void readingFinished();
    void readingFailed();
    void showProgress();
    void setUpTable();
    // "Все типы" and the types of the journal shown, keeping the choice.
    void fillTypes();
    void filterByType();
    void openRecordOf(const QModelIndex& index);

    QWidget* window;
    MainWindowForm* ui;
    IRelayLine& line;
    RelayConnection* connection;
    LogReader* logReader;
    ConfigDialog* configDialog;
    AppSettings* settings;
    RecordsPage* records;
    JournalTableModel* model;
    QSortFilterProxyModel* byType;
    QSortFilterProxyModel* byText;
    EventsReadDialog* eventsReadDialog;
    QTimer* progressTimer;
};

#endif
