#ifndef TALVIK_BASE_LOGFILE_H
#define TALVIK_BASE_LOGFILE_H

#include "base/ILogSink.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QString>

#include <functional>

// The application log on disk, for a whole day's traffic: every line that
// reaches the sink is appended with its time stamp and flushed at once, so
// that a crash loses nothing written before it.
//
// In a folder, one file a day, "talvik-YYYY-MM-DD.log", started anew at
// midnight; a day that passes the size limit goes on in
// "talvik-YYYY-MM-DD.1.log", ".2.log" …; files of days older than the kept
// days are deleted. Given a file instead, the lines go to that file, and at
// the size limit it is moved to "<file>.1" (one older file kept).
class LogFile final : public ILogSink
{
public:
    static constexpr qint64 defaultSizeLimit = 50LL * 1024 * 1024;
    static constexpr int keptDays = 30;

    enum class Mode
    {
        DailyInFolder,
        SingleFile
    };

    LogFile(Mode mode, const QString& path);

    // Opens the file the lines go to now: false, with errorText(), when it
    // cannot be written.
    bool start() { return openFor(clock()); }
    // Whether the last line could be written; errorText() says why not.
    bool isWriting() const { return writing; }
    QString errorText() const { return error; }
    // The file the next line goes to.
    QString currentPath() const { return file.fileName(); }
    QString path() const { return place; }

    // For tests: another clock, a smaller limit.
    void setClock(std::function<QDateTime()> now) { clock = std::move(now); }
    void setSizeLimit(qint64 bytes) { sizeLimit = bytes; }

    void logLine(int level, LogLineKind kind, const QString& text) override;

    // "talvik-2026-12-08.log" and its continuation files.
    static QString dayFileName(const QDate& day, int part);

private:
    Q_DISABLE_COPY(LogFile)

    bool openFor(const QDateTime& now);
    void rollOverSize();
    void deleteOldDays(const QDate& today);

    Mode mode;
    QString place;
    QFile file;
    QDate fileDay;
    int part = 0;
    qint64 sizeLimit = defaultSizeLimit;
    std::function<QDateTime()> clock;
    bool writing = true;
    QString error;
};

#endif
