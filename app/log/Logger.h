#ifndef TALVIK_APP_LOG_LOGGER_H
#define TALVIK_APP_LOG_LOGGER_H

#include <QtGlobal>

#include <cstdarg>

class ILogSink;
class QColor;
class QListWidget;
class QString;

// The level of a message and, used as a threshold, the log mode: a message of
// level L is shown when L <= threshold.
enum class LogLevel : int
{
    Disabled = 0,
    Error = 1,
    Info = 2,
    Debug = 3
};

// The application log: one line per message in the main window's list (or,
// without a window, handed to a sink). Nothing is kept anywhere else; the
// user saves the list explicitly.
class Logger
{
public:
    // What a line reports, told apart on screen by its colour alone.
    enum class LineKind
    {
        Plain,
        Sent,
        Received,
        Error
    };

    // How frames sent and received begin in the log.
    static constexpr const char* sentPrefix = "Отправлен пакет:";
    static constexpr const char* receivedPrefix = "Принят пакет:";

    static Logger& instance();

    void setLevel(int threshold);
    int level() const { return threshold; }
    void setOutput(QListWidget* list);
    QListWidget* output() const { return outputList; }
    // A second output beside the list (not owned; null for none): the command
    // line has no list and takes the lines itself.
    void setSink(ILogSink* newSink);
    ILogSink* sink() const { return lineSink; }

    // With time stamps on, each new line starts with "hh:mm:ss.zzz ".
    void setTimeStamps(bool on) { timeStamps = on; }
    bool hasTimeStamps() const { return timeStamps; }
    // While following, the newest line is made current as it arrives; when
    // paused, lines are still added but the list stays where the user is.
    void setFollowing(bool on) { following = on; }
    bool isFollowing() const { return following; }

    static LineKind kindOf(int level, const QString& text);
    static QColor colourOf(LineKind kind);

    void write(int level, const char* format, va_list args) Q_ATTRIBUTE_FORMAT_PRINTF(3, 0);

    // Messages are formatted into a fixed buffer of this size; longer texts
    // are cut to its size minus the terminating zero.
    static constexpr int bufferSize = 1024;

private:
    Logger() = default;
    Q_DISABLE_COPY(Logger)

    QListWidget* outputList = nullptr;
    ILogSink* lineSink = nullptr;
    int threshold = static_cast<int>(LogLevel::Error);
    bool timeStamps = false;
    bool following = true;
};

void logError(const char* format, ...) Q_ATTRIBUTE_FORMAT_PRINTF(1, 2);
void logInfo(const char* format, ...) Q_ATTRIBUTE_FORMAT_PRINTF(1, 2);
void logDebug(const char* format, ...) Q_ATTRIBUTE_FORMAT_PRINTF(1, 2);

#endif
