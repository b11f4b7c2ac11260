#ifndef TALVIK_UI_LISTLOGSINK_H
#define TALVIK_UI_LISTLOGSINK_H

#include "base/ILogSink.h"

class QColor;
class QListWidget;

// Shows the application log in a list, one item a line: frames sent blue,
// frames received brown, errors red. Joins the log while it lives.
class ListLogSink final : public ILogSink
{
public:
    // The list is not owned and must outlive the sink.
    explicit ListLogSink(QListWidget* list);
    ~ListLogSink();
    ListLogSink(const ListLogSink&) = delete;
    ListLogSink& operator=(const ListLogSink&) = delete;

    QListWidget* list() const { return output; }
    // With time stamps on, each new line starts with "hh:mm:ss.zzz ".
    void setTimeStamps(bool on) { timeStamps = on; }
    bool hasTimeStamps() const { return timeStamps; }
    // While following, the newest line is made current as it arrives; when
    // paused, lines are still added but the list stays where the user is.
    void setFollowing(bool on) { following = on; }
    bool isFollowing() const { return following; }

    void logLine(int level, LogLineKind kind, const QString& text) override;

    static QColor colourOf(LogLineKind kind);

private:
    QListWidget* output;
    bool timeStamps = false;
    bool following = true;
};

#endif
