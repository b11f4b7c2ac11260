#include "app/DiagnosticsSaver.h"

#include "app/AppSettings.h"
#include "app/DiagnosticsReport.h"
#include "app/LineRecovery.h"
#include "app/LogPage.h"
#include "app/SaveFileDialog.h"
#include "base/LogMemory.h"
#include "session/RelayConnection.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QSaveFile>

DiagnosticsSaver::DiagnosticsSaver(const Parts& parts, QObject* parent)
    : QObject(parent), parts(parts)
{
    auto* action = new QAction(QStringLiteral("Сохранить диагностику…"), this);
    action->setObjectName(QStringLiteral("actionSaveDiagnostics"));
    // Between the help page and "О программе".
    parts.menu->insertAction(parts.menu->actions().value(parts.menu->actions().size() - 1), action);
    connect(action, &QAction::triggered, this, &DiagnosticsSaver::save);
}

QString DiagnosticsSaver::reportText() const
{
    DiagnosticsReport::Facts facts;
    facts.at = QDateTime::currentDateTime();
    facts.programVersion = QStringLiteral(TALVIK_VERSION);
    facts.connection = parts.connection->settings();
    facts.polling = parts.connection->isPolling();
    facts.counters = ConnectionStatus::countersOf(parts.connection->client()->counters());
    facts.reconnections = parts.recovery->reconnections();
    facts.recovery = parts.recovery->statusText();
    facts.logFileFolder = parts.log->fileFolder();
    facts.errors = parts.log->memory().errors();
    facts.logLines = parts.log->memory().lines();
    return DiagnosticsReport::text(facts);
}

bool DiagnosticsSaver::save()
{
    const QString fileName =
        SaveFileDialog::fileName(parts.window, QStringLiteral("Сохранить диагностику"),
                                 parts.settings->folder("diagnostics"),
                                 QStringLiteral("Текстовые файлы (*.txt)"), QStringLiteral("txt"));
    if (fileName.isEmpty())
        return false;
    parts.settings->setFolderOf(QStringLiteral("diagnostics"), fileName);
    QSaveFile file(fileName);
    const QByteArray bytes = reportText().toUtf8();
    const bool written =
        file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!written) {
        QMessageBox::warning(parts.window, QStringLiteral("Ошибка"),
                             QStringLiteral("Не удалось записать файл диагностики."));
    }
    return written;
}
