#include "app/LogPage.h"

#include "app/AppSettings.h"
#include "app/LogViewControls.h"
#include "app/SaveFileDialog.h"
#include "base/LogFile.h"
#include "base/LogMemory.h"
#include "base/Logger.h"
#include "ui/ListLogSink.h"
#include "ui/MainWindowForm.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QListWidget>
#include <QMessageBox>
#include <QSaveFile>

namespace {

struct ModeAction
{
    QAction* MainWindowForm::*action;
    LogLevel level;
};

// In the order of the levels, which the settings store keeps by number.
const ModeAction modeActions[] = {
    {&MainWindowForm::actionLogDisable, LogLevel::Disabled},
    {&MainWindowForm::actionLogErrors, LogLevel::Error},
    {&MainWindowForm::actionLogInfo, LogLevel::Info},
    {&MainWindowForm::actionLogDebug, LogLevel::Debug},
};

} // namespace

LogPage::LogPage(MainWindowForm* ui, AppSettings* settings, QWidget* window)
    : QObject(window), ui(ui), settings(settings), window(window),
      sink(new ListLogSink(ui->listLog)), recent(std::make_unique<LogMemory>())
{
    // Errors are kept for the diagnostics even while the log is off.
    Logger::instance().addSink(recent.get(), static_cast<int>(LogLevel::Error));
    auto* modes = new QActionGroup(this);
    modes->setExclusive(true);
    for (const ModeAction& mode : modeActions) {
        QAction* action = ui->*mode.action;
        modes->addAction(action);
        const int level = static_cast<int>(mode.level);
        connect(action, &QAction::triggered, this, [this, action, level] {
            if (action->isChecked())
                setMode(level);
        });
    }
    ui->actionLogDisable->setChecked(true);
    Logger::instance().setLevel(static_cast<int>(LogLevel::Disabled));

    LogViewControls::Widgets widgets;
    widgets.sink = sink;
    widgets.logTab = ui->logTab;
    widgets.list = ui->listLog;
    widgets.pause = ui->btnLogPause;
    widgets.find = ui->editLogFind;
    widgets.findPrevious = ui->btnLogFindPrevious;
    widgets.findNext = ui->btnLogFindNext;
    widgets.timeStamps = ui->actionLogTimeStamps;
    controls = new LogViewControls(widgets, this);

    logToFile = new QAction(QStringLiteral("Записывать в файл…"), this);
    logToFile->setObjectName(QStringLiteral("actionLogToFile"));
    logToFile->setCheckable(true);
    ui->menu_5->insertAction(ui->actionSaveLog, logToFile);
    connect(logToFile, &QAction::triggered, this, &LogPage::logToFileToggled);

    connect(ui->actionSaveLog, &QAction::triggered, this, &LogPage::save);
    connect(ui->actionClearLog, &QAction::triggered, ui->listLog, &QListWidget::clear);
}

LogPage::~LogPage()
{
    Logger::instance().removeSink(recent.get());
    if (file)
        Logger::instance().removeSink(file.get());
    delete sink;
}

QString LogPage::fileFolder() const
{
    return file ? file->path() : QString();
}

bool LogPage::writeToFolder(const QString& folder, bool warn)
{
    if (file) {
        Logger::instance().removeSink(file.get());
        file.reset();
    }
    if (!folder.isEmpty()) {
        auto opened = std::make_unique<LogFile>(LogFile::Mode::DailyInFolder, folder);
        if (opened->start()) {
            file = std::move(opened);
            Logger::instance().addSink(file.get());
        } else if (warn) {
            QMessageBox::warning(window, QStringLiteral("Ошибка"),
                                 QStringLiteral("Не удалось записывать журнал в папку «%1»:\n%2")
                                     .arg(QDir::toNativeSeparators(folder), opened->errorText()));
        } else {
            logError("Журнал не записывается в папку %s: %s", qUtf8Printable(folder),
                     qUtf8Printable(opened->errorText()));
        }
    }
    logToFile->setChecked(file != nullptr);
    settings->setLogFileFolder(fileFolder());
    return file != nullptr || folder.isEmpty();
}

void LogPage::logToFileToggled(bool on)
{
    if (!on) {
        writeToFolder(QString(), true);
        return;
    }
    const QString folder = QFileDialog::getExistingDirectory(
        window, QStringLiteral("Папка для журнала (файл на каждый день)"),
        settings->folder(QStringLiteral("logFiles")));
    if (folder.isEmpty()) {
        logToFile->setChecked(false);
        return;
    }
    settings->setFolderOf(QStringLiteral("logFiles"), folder, true);
    writeToFolder(folder, true);
}

void LogPage::restore()
{
    const int level = settings->logMode();
    (ui->*modeActions[level].action)->setChecked(true);
    Logger::instance().setLevel(level);
    ui->actionLogTimeStamps->setChecked(settings->logTimeStamps());
    writeToFolder(settings->logFileFolder(), false);
    connect(ui->actionLogTimeStamps, &QAction::toggled, this,
            [this](bool on) { settings->setLogTimeStamps(on); });
}

void LogPage::setMode(int level)
{
    Logger::instance().setLevel(level);
    settings->setLogMode(level);
}

void LogPage::save()
{
    const QString fileName = SaveFileDialog::fileName(
        window, "Выберите имя файла", settings->folder("log"), "Log files (*.log)", "log");
    if (fileName.isEmpty())
        return;
    settings->setFolderOf("log", fileName);

    // Written aside and renamed over the target, so a failed save never
    // leaves a truncated log in place of an older one.
    QSaveFile file(fileName);
    bool written = file.open(QIODevice::WriteOnly);
    for (int row = 0; written && row < ui->listLog->count(); ++row) {
        const QByteArray line = (ui->listLog->item(row)->text() + "\r\n").toLocal8Bit();
        written = file.write(line) == line.size();
    }
    if (written)
        written = file.commit();
    else
        file.cancelWriting();
    if (!written)
        QMessageBox::warning(window, "Ошибка", "Неверное имя файла.");
}
