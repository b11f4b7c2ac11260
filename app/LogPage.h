#ifndef TALVIK_APP_LOGPAGE_H
#define TALVIK_APP_LOGPAGE_H

#include <QObject>

class AppSettings;
class ListLogSink;
class LogViewControls;
class QWidget;
struct MainWindowForm;

// The "Журнал" tab: the log's list as a sink of the application log, the
// log modes (one at a time, kept between runs), its controls, saving and
// clearing it.
class LogPage : public QObject
{
    Q_OBJECT

public:
    // The log starts disabled until restore().
    LogPage(MainWindowForm* ui, AppSettings* settings, QWidget* window);
    ~LogPage() override;

    // The log mode and time stamps of the last run.
    void restore();
    void save();

private:
    void setMode(int level);

    MainWindowForm* ui;
    AppSettings* settings;
    QWidget* window;
    // Deleted before the form that owns the list.
    ListLogSink* sink;
    LogViewControls* controls;
};

#endif
