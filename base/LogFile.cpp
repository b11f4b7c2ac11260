#include "base/LogFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// Why a log file does not open, in the user's words.
QString openFailure(const QString& name)
{
    const QFileInfo info(name);
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("нет папки «%1»").arg(QDir::toNativeSeparators(folder.filePath()));
    if (info.isDir())
        return QStringLiteral("это папка, а не файл");
    if (!folder.isWritable() || (info.exists() && !info.isWritable()))
        return QStringLiteral("нет прав на запись");
    return QStringLiteral("файл не открывается для записи");
}

} // namespace

LogFile::LogFile(Mode mode, const QString& path)
    : mode(mode), place(path), clock([] { return QDateTime::currentDateTime(); })
{
}

QString LogFile::dayFileName(const QDate& day, int part)
{
    const QString date = day.toString(QStringLiteral("yyyy-MM-dd"));
    return part == 0 ? QStringLiteral("talvik-%1.log").arg(date)
                     : QStringLiteral("talvik-%1.%2.log").arg(date).arg(part);
}

void LogFile::logLine(int, LogLineKind, const QString& text)
{
    const QDateTime now = clock();
    if (!openFor(now))
        return;
    const QByteArray line =
        (now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) + text + QLatin1Char('\n'))
            .toUtf8();
    writing = file.write(line) == line.size() && file.flush();
    if (!writing)
        error = file.errorString();
    else if (file.size() >= sizeLimit)
        rollOverSize();
}

// The file for this moment is open: a new day starts a new file in a folder.
bool LogFile::openFor(const QDateTime& now)
{
    const QDate today = now.date();
    if (file.isOpen() && (mode == Mode::SingleFile || today == fileDay))
        return true;
    file.close();
    QString name = place;
    if (mode == Mode::DailyInFolder) {
        if (!QDir().mkpath(place)) {
            writing = false;
            error = QStringLiteral("не удалось создать папку «%1»").arg(place);
            return false;
        }
        if (today != fileDay)
            part = 0;
        fileDay = today;
        deleteOldDays(today);
        // A restart on the same day goes on after the day's last part.
        while (QFileInfo::exists(QDir(place).filePath(dayFileName(today, part + 1))))
            ++part;
        name = QDir(place).filePath(dayFileName(today, part));
    }
    file.setFileName(name);
    writing = file.open(QIODevice::WriteOnly | QIODevice::Append);
    if (!writing)
        error = openFailure(name);
    return writing;
}

void LogFile::rollOverSize()
{
    file.close();
    if (mode == Mode::DailyInFolder) {
        ++part;
        return;
    }
    const QString older = place + QStringLiteral(".1");
    QFile::remove(older);
    QFile::rename(place, older);
}

void LogFile::deleteOldDays(const QDate& today)
{
    static const QRegularExpression dayFile(
        QStringLiteral("^talvik-(\\d{4}-\\d{2}-\\d{2})(\\.\\d+)?\\.log$"));
    const QDate oldestKept = today.addDays(-(keptDays - 1));
    QDir folder(place);
    for (const QString& name : folder.entryList({QStringLiteral("talvik-*.log")}, QDir::Files)) {
        const QRegularExpressionMatch match = dayFile.match(name);
        if (!match.hasMatch())
            continue;
        const QDate day = QDate::fromString(match.captured(1), QStringLiteral("yyyy-MM-dd"));
        if (day.isValid() && day < oldestKept)
            folder.remove(name);
    }
}
