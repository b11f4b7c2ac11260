#include "app/SettingsPage.h"

#include "app/AppSettings.h"
#include "app/ConfigDialog.h"
#include "app/IRelayLine.h"
#include "app/PasswordDialog.h"
#include "app/SaveFileDialog.h"
#include "app/SettingsChangeDialog.h"
#include "app/SettingsSheetDialog.h"
#include "relay/ConfigFile.h"
#include "relay/ModBusDevice.h"
#include "relay/SettingsComparison.h"
#include "relay/SettingsFileNotes.h"
#include "relay/SettingsSheet.h"
#include "relay/VerificationReport.h"
#include "session/RelayConnection.h"
#include "ui/Editor.h"
#include "ui/IEditor.h"
#include "ui/IVisualizer.h"
#include "ui/MainWindowForm.h"

#include <QAction>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QMessageBox>
#include <QTimer>

namespace {

// Data older than this many poll periods is no longer the relay's present.
constexpr int stalePollPeriods = 3;

QString ageText(qint64 ms)
{
    const qint64 seconds = ms / 1000;
    if (seconds < 60)
        return QStringLiteral("%1 с").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 мин %2 с").arg(seconds / 60).arg(seconds % 60);
    return QStringLiteral("%1 ч %2 мин").arg(seconds / 3600).arg(seconds % 3600 / 60);
}

} // namespace

SettingsPage::SettingsPage(const Parts& parts, QObject* parent)
    : QObject(parent), window(parts.window), ui(parts.ui), line(*parts.line),
      visualizers(*parts.visualizers), connection(parts.connection), device(parts.device),
      configFile(parts.configFile), verifier(parts.verifier), passwordDialog(parts.passwordDialog),
      configDialog(parts.configDialog), settings(parts.settings)
{
    connect(ui->actionSaveChanges, &QAction::triggered, this, &SettingsPage::saveChanges);
    connect(ui->actionResetChanges, &QAction::triggered, this, &SettingsPage::resetChanges);
    connect(ui->actionSaveConfig, &QAction::triggered, this, &SettingsPage::saveConfig);
    connect(ui->actionLoadConfig, &QAction::triggered, this, &SettingsPage::loadConfig);
    connect(ui->actionCompareConfig, &QAction::triggered, this, &SettingsPage::compareConfig);
    connect(ui->actionCompareFiles, &QAction::triggered, this, &SettingsPage::compareFiles);
    connect(ui->actionExportSheet, &QAction::triggered, this, &SettingsPage::exportSheet);
    // Shown once the client has finished delivering the last answer.
    connect(verifier, &SettingsVerifier::verified, this,
            [this](const QVector<SettingsVerifier::Check>& checks) {
                QTimer::singleShot(0, this, [this, checks] { showVerification(checks); });
            });
}

void SettingsPage::saveChanges()
{
    // The user sees every setting about to change before the password.
    SettingsComparison pending;
    for (IVisualizer* visualizer : qAsConst(visualizers)) {
        const auto* editor = dynamic_cast<const SettingEditor*>(visualizer);
        if (editor != nullptr && editor->willSave())
            pending.append(SettingsComparison::Change{editor->registerNumber(),
                                                      device->getRegister(editor->registerNumber()),
                                                      editor->shownRegisterValue()});
    }
    if (!pending.isEmpty() && !SettingsChangeDialog::confirmWrite(window, pending)) {
        ui->pagesList->setFocus(Qt::OtherFocusReason);
        return;
    }
    passwordDialog->exec();
    const uint16_t password = static_cast<uint16_t>(passwordDialog->password());
    if (passwordDialog->isAccepted() && line.portReady()) {
        line.warnDemoMode();
        const bool verifying = verifier->beginBatch();
        for (IVisualizer* visualizer : qAsConst(visualizers)) {
            if (auto* editor = dynamic_cast<IEditor*>(visualizer))
                editor->save(password);
        }
        if (verifying)
            verifier->endBatch();
    }
    ui->pagesList->setFocus(Qt::OtherFocusReason);
}

void SettingsPage::resetChanges()
{
    for (IVisualizer* visualizer : qAsConst(visualizers)) {
        if (auto* editor = dynamic_cast<IEditor*>(visualizer))
            editor->reset();
    }
    ui->pagesList->setFocus(Qt::OtherFocusReason);
}

bool SettingsPage::confirmImageUse(const QString& purpose)
{
    const qint64 age = device->imageAgeMs();
    if (age < 0) {
        QMessageBox::warning(window, "Нет данных",
                             QStringLiteral("Уставки ещё не считаны из реле: %1 нечего.\n"
                                            "Запустите опрос и дождитесь ответа реле.")
                                 .arg(purpose));
        return false;
    }
    const qint64 staleAfter = qint64(stalePollPeriods) * configDialog->pollPeriod() * 1000;
    if (age <= staleAfter)
        return true;
    const QMessageBox::StandardButton answer = QMessageBox::warning(
        window, "Данные устарели",
        QStringLiteral("Последний ответ реле получен %1 назад: реле может хранить другие "
                       "значения.\nВсё равно %2?")
            .arg(ageText(age), purpose),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes;
}

void SettingsPage::saveConfig()
{
    if (!confirmImageUse(QStringLiteral("сохранить")))
        return;
    const QString fileName =
        SaveFileDialog::fileName(window, "Выберите имя файла", settings->folder("settingsFile"),
                                 "Configuration (*.json)", "json");
    if (fileName.isEmpty())
        return;
    settings->setFolderOf("settingsFile", fileName);
    const QJsonObject notes = SettingsFileNotes::describe(
        *device, static_cast<uint8_t>(configDialog->deviceAddress()), QDateTime::currentDateTime());
    if (!configFile->save(fileName, notes))
        QMessageBox::warning(window, "Ошибка", "Неверное имя файла.");
    else
        emit settingsSaved();
}

bool SettingsPage::chooseSettingsFile(QJsonDocument* document, QString* chosenName)
{
    const QString keptFolder = settings->folder("settingsFile");
    const QString fileName = QFileDialog::getOpenFileName(
        window, "Выберите имя файла", keptFolder.isEmpty() ? QStringLiteral(".") : keptFolder,
        "Configuration (*.json)");
    if (fileName.isEmpty())
        return false;
    settings->setFolderOf("settingsFile", fileName);
    if (chosenName != nullptr)
        *chosenName = QFileInfo(fileName).fileName();
    bool readable = false;
    *document = configFile->load(fileName, &readable);
    if (!readable || !ConfigFile::hasRanges(*document)) {
        QMessageBox::warning(window, "Ошибка", "Неверный файл конфигурации.");
        return false;
    }
    return true;
}

void SettingsPage::loadConfig()
{
    QJsonDocument document;
    // Only what differs from the relay is written, so the relay's values
    // must be known: compared with zeros never read, a file's zeros would be
    // skipped although the relay may hold something else.
    if (!chooseSettingsFile(&document) || !confirmImageUse(QStringLiteral("загружать")))
        return;
    writeDifferences(ConfigFile::registerValues(document));
}

void SettingsPage::writeDifferences(const QVector<ConfigFile::RegisterValue>& values)
{
    const SettingsComparison comparison = SettingsComparison::ofFile(values, *device);
    if (comparison.isEmpty()) {
        QMessageBox::information(window, "Загрузка уставок",
                                 "Уставки в файле совпадают с уставками реле. Записывать нечего.");
        return;
    }
    if (!SettingsChangeDialog::confirmWrite(window, comparison))
        return;
    if (!line.portReady())
        return;
    line.warnDemoMode();
    passwordDialog->exec();
    const uint16_t password = static_cast<uint16_t>(passwordDialog->password());
    if (!passwordDialog->isAccepted())
        return;
    verifier->writeChecked(comparison.newValues(), password);
}

void SettingsPage::showVerification(const QVector<SettingsVerifier::Check>& checks)
{
    const VerificationReport report(checks);
    if (report.allHold())
        QMessageBox::information(window, "Запись уставок", report.text());
    else
        QMessageBox::warning(window, "Запись уставок", report.text());
}

void SettingsPage::compareConfig()
{
    QJsonDocument document;
    if (!chooseSettingsFile(&document) || !confirmImageUse(QStringLiteral("сравнивать")))
        return;
    const SettingsComparison comparison =
        SettingsComparison::ofFile(ConfigFile::registerValues(document), *device);
    if (comparison.isEmpty())
        QMessageBox::information(window, "Сравнение с файлом",
                                 "Уставки в файле совпадают с уставками реле.");
    else
        SettingsChangeDialog::showComparison(window, comparison, SettingsChangeDialog::Sides(),
                                             settings);
}

void SettingsPage::compareWithRelay(const QVector<ConfigFile::RegisterValue>& values,
                                    const QString& title)
{
    if (!confirmImageUse(QStringLiteral("сравнивать")))
        return;
    SettingsChangeDialog::Sides sides;
    sides.title = QStringLiteral("Сравнение с реле");
    sides.second = title;
    const SettingsComparison comparison = SettingsComparison::ofFile(values, *device);
    if (comparison.isEmpty())
        QMessageBox::information(window, sides.title, "Уставки снимка совпадают с уставками реле.");
    else
        SettingsChangeDialog::showComparison(window, comparison, sides, settings);
}

void SettingsPage::compareFiles()
{
    QJsonDocument first;
    QJsonDocument second;
    SettingsChangeDialog::Sides sides;
    if (!chooseSettingsFile(&first, &sides.first) || !chooseSettingsFile(&second, &sides.second))
        return;
    sides.title = QStringLiteral("Сравнение файлов уставок");
    sides.differFrom.clear();
    const SettingsComparison comparison = SettingsComparison::ofFiles(
        ConfigFile::registerValues(first), ConfigFile::registerValues(second));
    if (comparison.isEmpty())
        QMessageBox::information(window, sides.title, "Уставки в файлах совпадают.");
    else
        SettingsChangeDialog::showComparison(window, comparison, sides, settings);
}

void SettingsPage::exportSheet()
{
    SettingsSheetDialog ask(window);
    // The name the relay was given for the archive, if it has one.
    const RelayConnection::Settings& named = connection->settings();
    ask.setObjectText(settings->relayName(named.lineText(), named.deviceAddress));
    if (ask.exec() != QDialog::Accepted)
        return;
    SettingsSheet::Heading heading;
    heading.object = ask.objectText();
    // The connection in force, as the status bar names it: over the network
    // the gateway or relay, not the serial port the dialog still holds.
    const RelayConnection::Settings& inForce = connection->settings();
    heading.address = inForce.deviceAddress;
    heading.connection = inForce.lineText();
    heading.time = QDateTime::currentDateTime();
    SettingsSheet::ValueOf valueOf;
    if (ask.fromFile()) {
        QJsonDocument document;
        if (!chooseSettingsFile(&document))
            return;
        QHash<uint16_t, uint16_t> values;
        for (const ConfigFile::RegisterValue& item : ConfigFile::registerValues(document))
            values.insert(item.reg, item.value);
        heading.source = QStringLiteral("файл настроек");
        valueOf = [values](uint16_t reg, uint16_t* value) {
            *value = values.value(reg);
            return values.contains(reg);
        };
    } else {
        if (!confirmImageUse(QStringLiteral("экспортировать")))
            return;
        heading.source = QStringLiteral("уставки реле");
        valueOf = [this](uint16_t reg, uint16_t* value) {
            *value = device->getRegister(reg);
            return true;
        };
    }
    const QString fileName = SaveFileDialog::fileName(window, "Выберите имя файла", "",
                                                      "PDF (*.pdf);;HTML (*.html)", "pdf");
    if (fileName.isEmpty())
        return;
    if (!SettingsSheet::save(fileName, SettingsSheet::html(heading, valueOf)))
        QMessageBox::warning(window, "Ошибка", "Неверное имя файла.");
}
