#include "app/DiagnosticsReport.h"

#include <QSysInfo>

namespace {

QString framingText(const RelayConnection::Settings& settings)
{
    return settings.lengthFraming ? QStringLiteral("по длине ответа")
                                  : QStringLiteral("только по паузе");
}

QString section(const QString& title, const QStringList& lines)
{
    QString text = QStringLiteral("\n%1 (%2):\n").arg(title).arg(lines.size());
    for (const QString& line : lines)
        text += line + QLatin1Char('\n');
    return text;
}

} // namespace

QString DiagnosticsReport::text(const Facts& facts)
{
    const RelayConnection::Settings& line = facts.connection;
    QString text;
    text += QStringLiteral("TALVIK Клиент %1, Qt %2 (сборка с Qt %3), %4 %5\n")
                .arg(facts.programVersion, QString::fromLatin1(qVersion()),
                     QStringLiteral(QT_VERSION_STR), QSysInfo::prettyProductName(),
                     QSysInfo::currentCpuArchitecture());
    text += QStringLiteral("Время: %1\n").arg(facts.at.toString(Qt::ISODateWithMs));
    text += QStringLiteral("Связь: %1 · адрес %2\n").arg(line.lineText()).arg(line.deviceAddress);
    text += QStringLiteral("Межсимвольный интервал: %1 мс; конец кадра %2; период опроса %3 мс\n")
                .arg(line.charInterval)
                .arg(framingText(line))
                .arg(line.pollPeriodMs);
    text += QStringLiteral("Опрос: %1\n")
                .arg(facts.polling ? QStringLiteral("идёт") : QStringLiteral("остановлен"));
    text += QStringLiteral("Счётчики: %1\n").arg(ConnectionStatus::countersText(facts.counters));
    text += QStringLiteral("Переподключений: %1\n").arg(facts.reconnections);
    if (!facts.recovery.isEmpty())
        text += facts.recovery + QLatin1Char('\n');
    text += QStringLiteral("Журнал в файлы: %1\n")
                .arg(facts.logFileFolder.isEmpty() ? QStringLiteral("нет") : facts.logFileFolder);
    text += section(QStringLiteral("Последние ошибки"), facts.errors);
    text += section(QStringLiteral("Последние строки журнала"), facts.logLines);
    return text;
}
