#include "app/CollectLauncher.h"

#include "app/CollectDialog.h"
#include "relay/SettingsVerifier.h"
#include "session/RelayConnection.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QWidget>

namespace {

const QString title = QStringLiteral("Обход реле");

QAction* windowAction(const QWidget* window, const char* name)
{
    return window->findChild<QAction*>(QString::fromLatin1(name));
}

} // namespace

CollectLauncher::CollectLauncher(const Parts& parts, QObject* parent)
    : QObject(parent), parts(parts)
{
    auto* action = new QAction(QStringLiteral("Обход реле…"), this);
    action->setObjectName(QStringLiteral("actionCollect"));
    // In "Операция", before "Настройки...".
    QAction* configure = windowAction(parts.window, "actionConfigure");
    parts.window->findChild<QMenu*>(QStringLiteral("menu_2"))->insertAction(configure, action);
    connect(action, &QAction::triggered, this, &CollectLauncher::showDialog);
}

void CollectLauncher::showDialog()
{
    if (dialog == nullptr) {
        dialog = new CollectDialog({this, parts.settings, parts.configDialog, parts.store},
                                   parts.window);
    }
    dialog->open();
    dialog->raise();
}

bool CollectLauncher::releaseLine()
{
    if (parts.connection->isReading(RelayConnection::CrashReading) ||
        parts.connection->isReading(RelayConnection::JournalReading) || parts.verifier->isBusy()) {
        QMessageBox::warning(dialog, title,
                             QStringLiteral("Окно ещё читает осциллограмму или журнал либо "
                                            "записывает уставки. Дождитесь окончания и начните "
                                            "обход снова."));
        return false;
    }
    resumePolling = parts.connection->isPolling();
    if (resumePolling &&
        QMessageBox::question(dialog, title,
                              QStringLiteral("На время обхода опрос реле в окне будет остановлен "
                                             "и порт закрыт; после обхода опрос продолжится. "
                                             "Начать обход?"),
                              QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::Yes) != QMessageBox::Yes)
        return false;
    // As "Остановить опрос" does: the line's recovery stops too.
    windowAction(parts.window, "actionStop")->trigger();
    parts.connection->closePort();
    return true;
}

void CollectLauncher::takeLineBack()
{
    if (resumePolling)
        windowAction(parts.window, "actionStart")->trigger();
    resumePolling = false;
}
