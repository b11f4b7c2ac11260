#include "app/SettingsFilePage.h"

#include "app/AppSettings.h"
#include "app/ConfigDialog.h"
#include "app/IRelayLine.h"
#include "app/SaveFileDialog.h"
#include "app/SettingsPage.h"
#include "relay/ConfigFile.h"
#include "relay/ModBusDevice.h"
#include "relay/SettingsDocument.h"
#include "relay/SettingsFileNotes.h"
#include "session/RelayConnection.h"
#include "simulator/DemoRTULink.h"
#include "ui/Editor.h"
#include "ui/IVisualizer.h"
#include "ui/MainWindowForm.h"

#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QJsonDocument>
#include <QKeySequence>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace {

const QString fileFilter = QStringLiteral("Configuration (*.json)");
const QString folderKey = QStringLiteral("settingsFile");
const QString boxTitle = QStringLiteral("Файл уставок");

} // namespace

SettingsFilePage::SettingsFilePage(const Parts& parts, QObject* parent)
    : QObject(parent), window(parts.window), ui(parts.ui), line(*parts.line),
      visualizers(*parts.visualizers), connection(parts.connection), device(parts.device),
      settingsPage(parts.settingsPage), configDialog(parts.configDialog), settings(parts.settings),
      document(new SettingsDocument(this)), baseTitle(parts.window->windowTitle())
{
    createActions();
    watchEditors();
    connect(document, &SettingsDocument::changed, this, &SettingsFilePage::updateTitle);
}

QAction* SettingsFilePage::addAction(QMenu* menu, const char* name, const QString& text,
                                     const QKeySequence& keys)
{
    auto* action = new QAction(text, window);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(keys);
    menu->addAction(action);
    return action;
}

void SettingsFilePage::createActions()
{
    QMenu* menu = ui->menu_4;
    menu->addSeparator();
    connect(addAction(menu, "actionOpenSettingsFile", QStringLiteral("Открыть файл уставок…"),
                      QKeySequence(Qt::CTRL + Qt::SHIFT + Qt::Key_O)),
            &QAction::triggered, this, &SettingsFilePage::openFile);
    connect(addAction(menu, "actionNewSettingsFile", QStringLiteral("Новый файл уставок"),
                      QKeySequence()),
            &QAction::triggered, this, &SettingsFilePage::newFile);
    QAction* save =
        addAction(menu, "actionSaveSettingsFile", QStringLiteral("Сохранить"), QKeySequence::Save);
    connect(save, &QAction::triggered, this, &SettingsFilePage::save);
    QAction* saveAs = addAction(menu, "actionSaveSettingsFileAs", QStringLiteral("Сохранить как…"),
                                QKeySequence(Qt::CTRL + Qt::SHIFT + Qt::Key_S));
    connect(saveAs, &QAction::triggered, this, &SettingsFilePage::saveAs);
    QAction* write = addAction(menu, "actionWriteFileToRelay", QStringLiteral("Записать в реле…"),
                               QKeySequence());
    connect(write, &QAction::triggered, this, &SettingsFilePage::writeToRelay);

    // First in "Операция": the way back from a file to the relay.
    auto* back = new QAction(QStringLiteral("Связь с реле"), window);
    back->setObjectName(QStringLiteral("actionBackToRelay"));
    ui->menu_2->insertAction(ui->actionStart, back);
    connect(back, &QAction::triggered, this, &SettingsFilePage::showRelay);

    fileActions = {save, saveAs, write, back};
    for (QAction* action : qAsConst(fileActions))
        action->setEnabled(false);
}

void SettingsFilePage::watchEditors()
{
    // Connected after each editor's own slot, so the editor has marked the
    // change by the time the title asks.
    for (SettingEditor* editor : editors()) {
        QWidget* widget = editor->widget();
        if (auto* box = qobject_cast<QComboBox*>(widget))
            connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                    &SettingsFilePage::updateTitle);
        else if (auto* spin = qobject_cast<QDoubleSpinBox*>(widget))
            connect(spin, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
                    &SettingsFilePage::updateTitle);
        else if (auto* spin = qobject_cast<QSpinBox*>(widget))
            connect(spin, QOverload<int>::of(&QSpinBox::valueChanged), this,
                    &SettingsFilePage::updateTitle);
    }
}

QList<SettingEditor*> SettingsFilePage::editors() const
{
    QList<SettingEditor*> found;
    for (IVisualizer* visualizer : visualizers) {
        if (auto* editor = dynamic_cast<SettingEditor*>(visualizer))
            found.append(editor);
    }
    return found;
}

// --- Changing what is shown --------------------------------------------------

bool SettingsFilePage::mayLeaveRelay()
{
    if (connection->isReading(RelayConnection::CrashReading) ||
        connection->isReading(RelayConnection::JournalReading)) {
        QMessageBox::warning(window, boxTitle,
                             "Идёт чтение из реле. Дождитесь его окончания и повторите.");
        return false;
    }
    bool unwritten = false;
    for (const SettingEditor* editor : editors())
        unwritten = unwritten || (editor->isUserChange() && !editor->isWritten());
    return !unwritten ||
           QMessageBox::question(
               window, boxTitle, "Есть незаписанные изменения уставок реле. Отказаться от них?",
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

bool SettingsFilePage::mayLeaveFile()
{
    if (!hasUnsavedChanges())
        return true;
    QMessageBox ask(QMessageBox::Question, boxTitle,
                    QStringLiteral("Сохранить изменения в «%1»?").arg(shownName()),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, window);
    ask.setDefaultButton(QMessageBox::Save);
    // Qt's own Russian word for Discard reads as a refusal of the question.
    ask.button(QMessageBox::Discard)->setText(QStringLiteral("Не сохранять"));
    const int answer = ask.exec();
    if (answer == QMessageBox::Save)
        return save();
    return answer == QMessageBox::Discard;
}

bool SettingsFilePage::hasUnsavedChanges() const
{
    if (!shown)
        return false;
    if (fileName.isEmpty() || document->isModified())
        return true;
    for (const SettingEditor* editor : editors()) {
        if (editor->isUserChange())
            return true;
    }
    return false;
}

void SettingsFilePage::openFile()
{
    if (!mayLeave())
        return;
    const QString kept = settings->folder(folderKey);
    const QString path = QFileDialog::getOpenFileName(
        window, "Открыть файл уставок", kept.isEmpty() ? QStringLiteral(".") : kept, fileFilter);
    if (path.isEmpty())
        return;
    settings->setFolderOf(folderKey, path);
    bool readable = false;
    const QJsonDocument file = ConfigFile::load(path, &readable);
    if (!readable || !document->load(file)) {
        QMessageBox::warning(window, "Ошибка", "Неверный файл конфигурации.");
        return;
    }
    showDocument(path);
}

void SettingsFilePage::newFile()
{
    if (!mayLeave())
        return;
    // The ranges a saved file holds, with the settings the relay is
    // delivered with: a known-good start.
    document->load(ConfigFile(nullptr).document());
    const DemoRTULink delivered;
    for (const ConfigFile::RegisterValue& item : document->registerValues()) {
        const uint16_t value = delivered.registerValue(item.reg);
        document->writeRegisters(item.reg, 1, &value);
    }
    untitledName.clear();
    showDocument(QString());
}

bool SettingsFilePage::openValues(const QVector<ConfigFile::RegisterValue>& values,
                                  const QString& title)
{
    if (!mayLeave())
        return false;
    // The ranges a saved file holds, with the snapshot's values.
    document->load(ConfigFile(nullptr).document());
    for (const ConfigFile::RegisterValue& item : values) {
        if (document->holds(item.reg))
            document->writeRegisters(item.reg, 1, &item.value);
    }
    untitledName = title;
    showDocument(QString());
    return true;
}

void SettingsFilePage::showDocument(const QString& path)
{
    fileName = path;
    if (!shown) {
        shown = true;
        // Polling stops before the editors leave the relay's image.
        emit modeChanged(true);
        setRelayPartsEnabled(false);
    }
    for (QWidget* widget : qAsConst(disabledEditors))
        widget->setEnabled(true);
    disabledEditors.clear();
    for (SettingEditor* editor : editors()) {
        editor->bindTo(document);
        // A setting the file lacks cannot be kept in it: it is not offered.
        QWidget* widget = editor->widget();
        if (!document->holds(editor->registerNumber()) && widget->isEnabled()) {
            widget->setEnabled(false);
            disabledEditors.append(widget);
        }
    }
    updateTitle();
}

bool SettingsFilePage::showRelay()
{
    if (!shown)
        return true;
    if (!mayLeaveFile())
        return false;
    shown = false;
    fileName.clear();
    untitledName.clear();
    for (QWidget* widget : qAsConst(disabledEditors))
        widget->setEnabled(true);
    disabledEditors.clear();
    for (SettingEditor* editor : editors())
        editor->bindTo(device);
    setRelayPartsEnabled(true);
    window->setWindowTitle(baseTitle);
    emit modeChanged(false);
    return true;
}

void SettingsFilePage::setRelayPartsEnabled(bool enabled)
{
    // The live values, the commands and the readings are the relay's alone.
    for (QWidget* part :
         {static_cast<QWidget*>(ui->groupBox), static_cast<QWidget*>(ui->groupBox_2),
          static_cast<QWidget*>(ui->groupBox_3), static_cast<QWidget*>(ui->groupBox_15),
          ui->crashProcessTab, static_cast<QWidget*>(ui->btnReadJournal)})
        part->setEnabled(enabled);
    for (QAction* action : {ui->actionReadHeaders, ui->actionReadLog, ui->actionSaveChanges,
                            ui->actionSaveConfig, ui->actionLoadConfig, ui->actionCompareConfig})
        action->setEnabled(enabled);
    for (QAction* action : qAsConst(fileActions))
        action->setEnabled(!enabled);
}

QString SettingsFilePage::shownName() const
{
    if (!fileName.isEmpty())
        return QFileInfo(fileName).fileName();
    return untitledName.isEmpty() ? QStringLiteral("Новый файл уставок") : untitledName;
}

void SettingsFilePage::updateTitle()
{
    if (!shown)
        return;
    window->setWindowTitle(
        QStringLiteral("%1%2 — %3")
            .arg(shownName(), hasUnsavedChanges() ? QStringLiteral(" *") : QString(), baseTitle));
}

// --- Saving -----------------------------------------------------------------

void SettingsFilePage::applyEditorChanges()
{
    // The document takes a write at once and ignores the password.
    for (SettingEditor* editor : editors())
        editor->save(0);
    // The values taken are no longer changes: the bold goes.
    for (SettingEditor* editor : editors())
        editor->visualize();
}

bool SettingsFilePage::save()
{
    if (!shown)
        return false;
    return fileName.isEmpty() ? saveAs() : writeFile(fileName);
}

bool SettingsFilePage::saveAs()
{
    if (!shown)
        return false;
    const QString path = SaveFileDialog::fileName(window, "Сохранить файл уставок",
                                                  settings->folder(folderKey), fileFilter, "json");
    if (path.isEmpty())
        return false;
    settings->setFolderOf(folderKey, path);
    return writeFile(path);
}

bool SettingsFilePage::writeFile(const QString& path)
{
    applyEditorChanges();
    const uint8_t address =
        document->savedAddress(static_cast<uint8_t>(configDialog->deviceAddress()));
    const QJsonObject notes = SettingsFileNotes::describe(
        *document, address, QDateTime::currentDateTime(), document->heldRegisters());
    if (!ConfigFile::write(path, document->fileRoot(notes))) {
        QMessageBox::warning(window, "Ошибка",
                             QStringLiteral("Не удалось записать файл «%1».").arg(path));
        updateTitle();
        return false;
    }
    document->markSaved();
    fileName = path;
    updateTitle();
    return true;
}

// --- Writing to the relay ----------------------------------------------------

void SettingsFilePage::writeToRelay()
{
    if (!shown || pendingRead)
        return;
    applyEditorChanges();
    updateTitle();
    if (!line.portReady())
        return;
    // Only what differs from the relay is written, so the relay is read
    // first: nothing polls it while a file is shown.
    pendingRead =
        connect(device, &ModBusDevice::pollEnded, this,
                [this](const QVector<ModBusDevice::FailedRead>& failed) {
                    disconnect(pendingRead);
                    pendingRead = QMetaObject::Connection();
                    // The boxes follow once the client has delivered
                    // the answer.
                    const bool answered = failed.isEmpty();
                    QTimer::singleShot(0, this, [this, answered] { relayRead(answered); });
                });
    device->refresh();
}

void SettingsFilePage::relayRead(bool answered)
{
    // The user went back to the relay meanwhile: the file is no longer theirs to write.
    if (!shown)
        return;
    if (!answered) {
        QMessageBox::warning(window, "Ошибка связи",
                             "Реле не ответило на чтение уставок: ничего не записано.\n"
                             "Проверьте настройки и повторите попытку.");
        return;
    }
    settingsPage->writeDifferences(document->registerValues());
}
