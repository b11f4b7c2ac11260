#ifndef TALVIK_APP_LOGVIEWCONTROLS_H
#define TALVIK_APP_LOGVIEWCONTROLS_H

#include <QObject>

class ListLogSink;
class QAction;
class QKeySequence;
class QLineEdit;
class QListWidget;
class QToolButton;
class QWidget;

// The controls of the log list: the pause of following, finding a text,
// copying the selected lines and the time stamps of new lines. The lines
// themselves come from the application log.
class LogViewControls : public QObject
{
    Q_OBJECT

public:
    struct Widgets
    {
        QWidget* logTab = nullptr;
        QListWidget* list = nullptr;
        QToolButton* pause = nullptr;
        QLineEdit* find = nullptr;
        QToolButton* findPrevious = nullptr;
        QToolButton* findNext = nullptr;
        QAction* timeStamps = nullptr;
        // The log's sink that fills the list.
        ListLogSink* sink = nullptr;
    };

    LogViewControls(const Widgets& widgets, QObject* parent);

    // The row of the next line containing the find box's text, searched from
    // the current row on and round past the end; -1 when no line has it.
    int findRow(bool forward) const;
    // The selected lines in list order, one a line.
    QString selectedText() const;

public slots:
    // Ctrl+F: to the find box, its text selected for typing over.
    void focusFind();
    void findNext();
    void findPrevious();
    void copySelection();
    void setPaused(bool paused);
    void setTimeStamps(bool on);

private:
    Q_DISABLE_COPY(LogViewControls)

    void find(bool forward);
    void showFindFailed(bool failed);
    void addShortcut(QWidget* owner, const QKeySequence& keys, Qt::ShortcutContext context,
                     void (LogViewControls::*slot)());

    Widgets ui;
};

#endif
