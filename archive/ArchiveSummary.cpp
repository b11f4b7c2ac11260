#include "archive/ArchiveSummary.h"

#include "base/RussianPlural.h"
#include "relay/VerificationReport.h"

#include <QDateTime>
#include <QString>

QString ArchiveSummary::agree(int n, const char* one, const char* few, const char* many)
{
    return russianPlural(n, QString::fromUtf8(one), QString::fromUtf8(few),
                         QString::fromUtf8(many));
}

QString ArchiveSummary::settings(int count)
{
    return QStringLiteral("%1 %2").arg(count).arg(agree(count, "уставка", "уставки", "уставок"));
}

QString ArchiveSummary::write(int count, bool verified)
{
    return QStringLiteral("%1, %2").arg(VerificationReport::writtenText(count),
                                        verified ? QStringLiteral("проверка пройдена")
                                                 : QStringLiteral("проверка не пройдена"));
}

QString ArchiveSummary::journal(int events, int fresh)
{
    return QStringLiteral("%1 %2 (%3 %4)")
        .arg(events)
        .arg(agree(events, "событие", "события", "событий"))
        .arg(fresh)
        .arg(agree(fresh, "новое", "новых", "новых"));
}

QString ArchiveSummary::record(const QDateTime& trigger, const QString& baseName)
{
    const QString when =
        trigger.isValid() ? trigger.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss.zzz")) : baseName;
    return QStringLiteral("Осциллограмма %1").arg(when);
}
