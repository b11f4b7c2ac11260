#ifndef TALVIK_APP_LOGPAGE_H
#define TALVIK_APP_LOGPAGE_H

#include <QObject>

#include <memory>

class AppSettings;
class ListLogSink;
class LogFile;
class LogMemory;
class QAction;
class LogViewControls;
class QWidget;
struct MainWindowForm;

// The "Журнал" tab: the log's list as a sink of the application log, the
// log modes (one at a time, kept between runs), its controls, saving and
// clearing it, and writing it to disk as well ("Записывать в файл…": a file
// a day in a chosen folder, kept between runs).
class LogPage : public QObject
{
    Q_OBJECT

public:
    // The log starts disabled until restore().
    LogPage(MainWindowForm* ui, AppSettings* settings, QWidget* window);
    ~LogPage() override;

    // The log mode, time stamps and log file folder of the last run.
    void restore();
    void save();

    // The folder the log is being written to; empty when it is not.
    QString fileFolder() const;
    // The newest lines and errors, whatever the list shows.
    const LogMemory& memory() const { return *recent; }
    // Starts writing the log into `folder` (false, with a warning box when
    // `warn`, if it cannot), or stops with an empty folder.
    bool writeToFolder(const QString& folder, bool warn);

private:
    void setMode(int level);
    void logToFileToggled(bool on);

    MainWindowForm* ui;
    AppSettings* settings;
    QWidget* window;
    // Deleted before the form that owns the list.
    ListLogSink* sink;
    LogViewControls* controls;
    QAction* logToFile;
    std::unique_ptr<LogFile> file;
    std::unique_ptr<LogMemory> recent;
};

#endif
