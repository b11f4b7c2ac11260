#include "app/MainWindow.h"

#include "app/AppSettings.h"
#include "app/CommandButtons.h"
#include "app/ConfigDialog.h"
#include "app/ConnectionStatus.h"
#include "app/DeviceSearchDialog.h"
#include "app/HelpDialog.h"
#include "app/LogViewControls.h"
#include "app/PasswordDialog.h"
#include "app/SaveFileDialog.h"
#include "app/SettingsPage.h"
#include "app/StaleValueMarker.h"
#include "base/Logger.h"
#include "comtrade/ComtradeReader.h"
#include "modbus/ModBusClient.h"
#include "records/ComtradeWriter.h"
#include "records/CrashProcessReader.h"
#include "records/LogReader.h"
#include "records/RecordExporter.h"
#include "relay/ModBusDevice.h"
#include "relay/RelayMap.h"
#include "session/RelayConnection.h"
#include "ui/Editor.h"
#include "ui/EventsReadDialog.h"
#include "ui/IVisualizer.h"
#include "ui/ListLogSink.h"
#include "ui/MainWindowForm.h"
#include "ui/ParameterMap.h"
#include "ui/ScreenFit.h"
#include "viewer/RecordViewer.h"

#include <QAction>
#include <QApplication>
#include <QActionGroup>
#include <QBuffer>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QSerialPort>
#include <QStackedWidget>
#include <QTimer>

// The resources live in the static core library, whose initializer the
// linker would otherwise leave out.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

constexpr int progressInterval = 500;

} // namespace

MainWindow::MainWindow(QWidget* parent, QSettings* store) : QMainWindow(parent)
{
    initResources();
    settings = new AppSettings(store);
    ui = new MainWindowForm;
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/icons/talvik.svg")));
    const bool geometryRestored = restoreGeometry(settings->windowGeometry());

    configDialog = new ConfigDialog(this);
    eventsReadDialog = new EventsReadDialog(this);
    passwordDialog = new PasswordDialog(this);

    logModeGroup = new QActionGroup(this);
    logModeGroup->setExclusive(true);
    logModeGroup->addAction(ui->actionLogDisable);
    logModeGroup->addAction(ui->actionLogErrors);
    logModeGroup->addAction(ui->actionLogInfo);
    logModeGroup->addAction(ui->actionLogDebug);
    ui->actionLogDisable->setChecked(true);
    Logger::instance().setLevel(static_cast<int>(LogLevel::Disabled));
    logSink = new ListLogSink(ui->listLog);
    LogViewControls::Widgets logWidgets;
    logWidgets.sink = logSink;
    logWidgets.logTab = ui->logTab;
    logWidgets.list = ui->listLog;
    logWidgets.pause = ui->btnLogPause;
    logWidgets.find = ui->editLogFind;
    logWidgets.findPrevious = ui->btnLogFindPrevious;
    logWidgets.findNext = ui->btnLogFindNext;
    logWidgets.timeStamps = ui->actionLogTimeStamps;
    logControls = new LogViewControls(logWidgets, this);

    // The port, links, client, poller, settings file and readers, wired as
    // the command line has them too.
    connection = new RelayConnection;
    serialPort = connection->port();
    client = connection->client();
    device = connection->device();
    verifier = new SettingsVerifier(device, this);
    configFile = connection->configFile();
    crashReader = connection->crashReader();
    logReader = connection->logReader();

    progressTimer = new QTimer(this);
    refreshTimer = new QTimer(this);

    createVisualizers();
    commands = new CommandButtons(*ui, device, *this, this);
    SettingsPage::Parts settingsParts;
    settingsParts.window = this;
    settingsParts.ui = ui;
    settingsParts.line = this;
    settingsParts.visualizers = &visualizers;
    settingsParts.connection = connection;
    settingsParts.device = device;
    settingsParts.configFile = configFile;
    settingsParts.verifier = verifier;
    settingsParts.passwordDialog = passwordDialog;
    settingsParts.configDialog = configDialog;
    settingsParts.settings = settings;
    settingsPage = new SettingsPage(settingsParts, this);
    connectSignals();
    createOpenRecordAction();
    commands->setEnabled(false);
    setUpStatus();
    restoreKeptSettings();
    updateStatus();
    // The size the user left the window at wins over the status bar's wish.
    if (!geometryRestored)
        widenForStatus();
    // The initial size, or a restored one, may not fit a small screen (a
    // laptop at 125 %): the window then takes the screen's free area.
    fitIntoScreen(*this);
}

void MainWindow::setUpStatus()
{
    connectionStatus = new ConnectionStatus(ui->statusBar, this);
    connect(connectionStatus, &ConnectionStatus::resetRequested, this, [this] {
        client->resetCounters();
        connectionStatus->forgetPolls();
        updateStatus();
    });
    staleMarker = new StaleValueMarker(device);
    for (const ParameterMap::LiveValue& value : ParameterMap::liveValues())
        staleMarker->addLiveValue(findChild<QWidget*>(value.widgetName), value.reg);
    for (IVisualizer* visualizer : qAsConst(visualizers)) {
        if (auto* editor = dynamic_cast<SettingEditor*>(visualizer))
            staleMarker->addEditor(editor->widget(), editor->registerNumber());
    }
    // Often enough for the answer's age to count up smoothly.
    statusTimer = new QTimer(this);
    connect(statusTimer, &QTimer::timeout, this, &MainWindow::updateStatus);
    statusTimer->start(500);
}

qint64 MainWindow::staleAfterMs() const
{
    return qint64(ConnectionStatus::recentPolls) * configDialog->pollPeriod() * 1000;
}

void MainWindow::updateStatus()
{
    const ModBusClient::Counters& counted = client->counters();
    ConnectionStatus::Snapshot snapshot;
    // What is in force, not what the dialog shows.
    const RelayConnection::Settings& inForce = connection->settings();
    const bool demo = inForce.demo;
    snapshot.connection = ConnectionStatus::connectionText(inForce.portName, inForce.baudRate,
                                                           inForce.deviceAddress, demo);
    // Over the network the line is the host and its port.
    if (!demo && inForce.transport != RelayConnection::Transport::Serial)
        snapshot.connection = QStringLiteral("%1:%2 · адрес %3")
                                  .arg(inForce.host)
                                  .arg(inForce.tcpPort)
                                  .arg(inForce.deviceAddress);
    snapshot.polling = isPolling();
    snapshot.demo = demo;
    snapshot.periodMs =
        refreshTimer->isActive() ? refreshTimer->interval() : configDialog->pollPeriod() * 1000;
    snapshot.pollingForMs = pollingSince.isValid() ? pollingSince.elapsed() : 0;
    snapshot.msSinceAnswer = client->msSinceLastAnswer();
    snapshot.counters.requests = counted.requests;
    snapshot.counters.answers = counted.answers;
    snapshot.counters.timeouts = counted.timeouts;
    snapshot.counters.frameErrors = counted.frameErrors;
    snapshot.counters.exceptions = counted.exceptions;
    connectionStatus->show(snapshot);
    staleMarker->mark(staleAfterMs());
}

void MainWindow::restoreKeptSettings()
{
    saveFolder = settings->folder(QStringLiteral("records"));
    QAction* const modes[] = {ui->actionLogDisable, ui->actionLogErrors, ui->actionLogInfo,
                              ui->actionLogDebug};
    QAction* mode = modes[settings->logMode()];
    mode->setChecked(true);
    Logger::instance().setLevel(settings->logMode());
    ui->actionLogTimeStamps->setChecked(settings->logTimeStamps());
    connect(ui->actionLogTimeStamps, &QAction::toggled, this,
            [this](bool on) { settings->setLogTimeStamps(on); });

    // The relay of the last run is the one the user most likely wants: its
    // settings are applied as if just accepted.
    configDialog->setStore(settings);
    if (settings->hasConnection())
        configAccepted();
}

void MainWindow::keepLogMode(int mode)
{
    settings->setLogMode(mode);
}

MainWindow::~MainWindow()
{
    progressTimer->stop();
    delete progressTimer;
    refreshTimer->stop();
    delete refreshTimer;
    device->stop();
    client->clearQueue();
    statusTimer->stop();
    delete staleMarker;
    staleMarker = nullptr;
    qDeleteAll(visualizers);
    visualizers.clear();
    // Stops the poller, drops the queue and closes the port on its way.
    delete connection;
    // The log must not write into the list that goes with the form.
    delete logSink;
    delete logModeGroup;
    delete ui;
    delete configDialog;
    delete eventsReadDialog;
    delete settings;
}

void MainWindow::createVisualizers()
{
    ParameterMap::create(this, device, visualizers);
}

void MainWindow::connectSignals()
{
    connect(ui->actionConfigure, &QAction::triggered, this, &MainWindow::configure);
    connect(ui->actionStart, &QAction::triggered, this, &MainWindow::refreshStart);
    connect(refreshTimer, &QTimer::timeout, this, &MainWindow::refresh);
    connect(ui->actionStop, &QAction::triggered, this, [this] { refreshStop(); });
    // A reading stops polling through the connection; the window's own
    // timer and the command buttons follow, and come back with polling.
    connect(connection, &RelayConnection::pollingSuspended, this, [this] {
        refreshTimer->stop();
        commands->setEnabled(false);
    });
    connect(connection, &RelayConnection::pollingResumeDue, this, &MainWindow::refreshStart);
    // A dropped network connection is closed by now: the user is told, and
    // nothing is retried until asked again.
    connect(connection, &RelayConnection::connectionLost, this, [this](const QString& reason) {
        refreshStop();
        showConnectionError(reason);
    });
    connect(ui->actionReadHeaders, &QAction::triggered, this, &MainWindow::readHeaders);
    connect(ui->buttonSaveRecord, &QPushButton::clicked, this, &MainWindow::saveCrash);
    connect(ui->buttonViewRecord, &QPushButton::clicked, this, &MainWindow::viewCrash);
    connect(ui->actionExit, &QAction::triggered, this, &MainWindow::close);
    connect(ui->actionClearLog, &QAction::triggered, ui->listLog, &QListWidget::clear);
    connect(configDialog, &QDialog::accepted, this, &MainWindow::configAccepted);
    connect(crashReader, &CrashProcessReader::headersReadingFinished, this,
            &MainWindow::readHeadersFinished);
    connect(crashReader, &CrashProcessReader::recordReadingFinished, this,
            &MainWindow::readCrashFinished);
    connect(crashReader, &CrashProcessReader::recordReadingFailed, this,
            &MainWindow::readCrashFailed);
    connect(logReader, &LogReader::logReadingFinished, this, &MainWindow::readLogFinished);
    connect(logReader, &LogReader::logReadingFailed, this, &MainWindow::readLogFailed);
    connect(ui->crashList, &QListWidget::itemClicked, this, &MainWindow::crashHeaderSelected);
    // The details follow the current record however it changes: a click, the
    // arrow keys, or the list being filled anew.
    connect(ui->crashList, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        showCrashDetails(item != nullptr ? item->data(Qt::UserRole).toInt() : -1);
    });
    connect(progressTimer, &QTimer::timeout, this, &MainWindow::showProgress);
    connect(ui->pagesList, &QListWidget::currentRowChanged, ui->displayPages,
            &QStackedWidget::setCurrentIndex);
    connect(ui->actionLogDebug, &QAction::triggered, this, &MainWindow::logModeDebug);
    connect(ui->actionLogInfo, &QAction::triggered, this, &MainWindow::logModeInfo);
    connect(ui->actionLogErrors, &QAction::triggered, this, &MainWindow::logModeErrors);
    connect(ui->actionLogDisable, &QAction::triggered, this, &MainWindow::logModeDisabled);
    connect(ui->actionSaveLog, &QAction::triggered, this, &MainWindow::logSave);
    connect(ui->actionReadLog, &QAction::triggered, this, &MainWindow::readLogStart);
    connect(ui->actionHelp, &QAction::triggered, this, &MainWindow::showHelp);
    connect(configDialog, &ConfigDialog::deviceSearchRequested, this, &MainWindow::searchDevice);
    connect(ui->actionAbout, &QAction::triggered, this, &MainWindow::showAbout);
}

void MainWindow::widenForStatus()
{
    // Wide enough for the whole status bar; fitIntoScreen() then keeps it
    // within the screen.
    resize(qMax(width(), connectionStatus->preferredWidth()), height());
}

void MainWindow::searchDevice()
{
    // The search opens the port itself: polling stops and the window's port
    // closes for it, and polling starts again afterwards.
    const bool resume = isPolling();
    if (resume)
        stopPolling(true);
    else
        serialPort->close();
    DeviceSearchDialog search(configDialog->portName(), configDialog);
    if (search.exec() == QDialog::Accepted)
        configDialog->showFound(search.chosenAddress(), search.chosenBaudRate());
    if (resume)
        refreshStart();
}

// --- Help -------------------------------------------------------------------

void MainWindow::showHelp()
{
    if (helpDialog == nullptr)
        helpDialog = new HelpDialog(this);
    helpDialog->show();
    helpDialog->raise();
    helpDialog->activateWindow();
}

void MainWindow::showAbout()
{
    QMessageBox::about(
        this, "О программе",
        QStringLiteral("<h3>TALVIK Клиент %1</h3>"
                       "<p>Сервисная программа для реле защиты TALVIK: текущие значения, "
                       "уставки, команды, осциллограммы и журнал событий по Modbus RTU.</p>"
                       "<p>Qt %2 (сборка с Qt %3).</p>"
                       "<p>Библиотека Qt используется на условиях GNU LGPL версии 3, "
                       "библиотека графиков QCustomPlot — на условиях GNU GPL версии 3.</p>")
            .arg(QStringLiteral(TALVIK_VERSION), QString::fromLatin1(qVersion()),
                 QStringLiteral(QT_VERSION_STR)));
}

// --- Connection and polling -------------------------------------------------

bool MainWindow::isPolling() const
{
    return refreshTimer->isActive();
}

void MainWindow::configure()
{
    if (isPolling()) {
        QMessageBox::warning(this, "Внимание", "Остановите опрос");
        return;
    }
    configDialog->exec();
}

void MainWindow::configAccepted()
{
    RelayConnection::Settings settings;
    settings.portName = configDialog->portName();
    settings.baudRate = configDialog->baudRate();
    settings.deviceAddress = static_cast<uint8_t>(configDialog->deviceAddress() & 0xFF);
    settings.pollPeriodMs = configDialog->pollPeriod() * 1000;
    settings.charInterval = configDialog->charInterval();
    settings.demo = configDialog->isDemoMode();
    settings.lengthFraming = configDialog->lengthFraming();
    if (configDialog->isTcp()) {
        settings.transport = configDialog->isModbusTcp() ? RelayConnection::Transport::ModbusTcp
                                                         : RelayConnection::Transport::RtuOverTcp;
        settings.host = configDialog->tcpHost();
        settings.tcpPort = configDialog->tcpPort();
    }
    connection->configure(settings);
    // The counters start again with the connection.
    client->resetCounters();
    if (connectionStatus != nullptr) {
        connectionStatus->forgetPolls();
        updateStatus();
    }
}

bool MainWindow::portReady()
{
    if (!connection->usesNetwork())
        return openSerialPort();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool open = connection->openPort(false);
    QApplication::restoreOverrideCursor();
    if (!open)
        showConnectionError(connection->connectionError());
    return open;
}

bool MainWindow::openSerialPort()
{
    if (connection->openPort(configDialog->isDemoMode()))
        return true;
    showPortOpenError();
    return false;
}

void MainWindow::showConnectionError(const QString& reason)
{
    QMessageBox::warning(
        this, "Ошибка соединения",
        QStringLiteral("Нет связи с реле по сети, проверьте настройки\n\n%1").arg(reason));
}

void MainWindow::showPortOpenError()
{
    QMessageBox::warning(
        this, "Ошибка открытия порта",
        // The name as the user chose it (the port keeps it
        // without "/dev/"); none before settings were accepted.
        portOpenErrorText(serialPort->portName().isEmpty() ? QString() : configDialog->portName(),
                          serialPort->error() == QSerialPort::PermissionError,
                          serialPort->errorString()));
}

QString MainWindow::portOpenErrorText(const QString& portName, bool permissionDenied,
                                      const QString& reason)
{
    QString text = QStringLiteral("Невозможно открыть порт, проверьте настройки\n\nПорт: %1")
                       .arg(portName.isEmpty() ? QStringLiteral("не выбран") : portName);
    if (!reason.isEmpty())
        text += QStringLiteral("\nПричина: %1").arg(reason);
    // On Linux the serial devices belong to the group dialout.
    if (permissionDenied)
        text += QStringLiteral("\n\nНет доступа к порту: пользователь должен входить в группу "
                               "dialout (sudo usermod -aG dialout $USER, затем войти в систему "
                               "заново).");
    return text;
}

void MainWindow::warnDemoMode()
{
    if (configDialog->isDemoMode())
        QMessageBox::warning(this, "Демонстрационный режим",
                             "Вы работаете в демонстрационном режиме.<br>Значения не будут "
                             "записаны в устройство");
}

void MainWindow::refreshStart()
{
    if (!portReady())
        return;
    if (!isPolling())
        pollingSince.start();
    connection->startPolling();
    refreshTimer->start(configDialog->pollPeriod() * 1000);
    commands->setEnabled(true);
    updateStatus();
}

void MainWindow::refreshStop(bool closePort)
{
    if (isPolling())
        stopPolling(closePort);
}

void MainWindow::stopPolling(bool closePort)
{
    connection->stopPolling(closePort);
    refreshTimer->stop();
    pollingSince.invalidate();
    commands->setEnabled(false);
    updateStatus();
}

void MainWindow::refresh()
{
    connectionStatus->notePoll(client->counters().timeouts + client->counters().frameErrors +
                               client->counters().exceptions);
    for (IVisualizer* visualizer : qAsConst(visualizers))
        visualizer->visualize();
    // After the visualizers, which write every value afresh.
    updateStatus();
}

// --- Log controls -----------------------------------------------------------

void MainWindow::logModeDisabled()
{
    if (ui->actionLogDisable->isChecked()) {
        Logger::instance().setLevel(static_cast<int>(LogLevel::Disabled));
        keepLogMode(static_cast<int>(LogLevel::Disabled));
    }
}

void MainWindow::logModeErrors()
{
    if (ui->actionLogErrors->isChecked()) {
        Logger::instance().setLevel(static_cast<int>(LogLevel::Error));
        keepLogMode(static_cast<int>(LogLevel::Error));
    }
}

void MainWindow::logModeInfo()
{
    if (ui->actionLogInfo->isChecked()) {
        Logger::instance().setLevel(static_cast<int>(LogLevel::Info));
        keepLogMode(static_cast<int>(LogLevel::Info));
    }
}

void MainWindow::logModeDebug()
{
    if (ui->actionLogDebug->isChecked()) {
        Logger::instance().setLevel(static_cast<int>(LogLevel::Debug));
        keepLogMode(static_cast<int>(LogLevel::Debug));
    }
}

void MainWindow::logSave()
{
    const QString fileName = SaveFileDialog::fileName(
        this, "Выберите имя файла", settings->folder("log"), "Log files (*.log)", "log");
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
        QMessageBox::warning(this, "Ошибка", "Неверное имя файла.");
}

// --- Writing changes and remote commands ------------------------------------

// --- Records ----------------------------------------------------------------

void MainWindow::readHeaders()
{
    if (!portReady())
        return;
    connection->beginReading(RelayConnection::CrashReading);
    showCrashDetails(-1);
    completeRecords.clear();
    crashReader->readHeaders(static_cast<uint8_t>(configDialog->deviceAddress() & 0xFF));
}

void MainWindow::readHeadersFinished()
{
    ui->crashList->clear();
    for (int record = 0; record < CrashProcessReader::recordCount; ++record) {
        const CrashProcessHeader* header = crashReader->header(record);
        if (header == nullptr || !crashReader->isHeaderValid(record))
            continue;
        auto* item = new QListWidgetItem(ComtradeWriter::dateText(*header) + ' ' +
                                         ComtradeWriter::timeText(*header));
        item->setData(Qt::UserRole, record);
        ui->crashList->addItem(item);
    }
    connection->endReading(RelayConnection::CrashReading);
}

void MainWindow::crashHeaderSelected(QListWidgetItem* item)
{
    if (item != nullptr)
        showCrashDetails(item->data(Qt::UserRole).toInt());
}

void MainWindow::showCrashDetails(int crashNumber)
{
    const CrashProcessHeader* header =
        crashNumber >= 0 ? crashReader->header(crashNumber) : nullptr;
    const bool shown = header != nullptr;
    shownCrash = shown ? crashNumber : -1;
    if (shown) {
        ui->crashDate->setText(ComtradeWriter::dateText(*header));
        ui->crashTime->setText(ComtradeWriter::timeText(*header));
        ui->crashFaultLength->setText(header->faultSecondsText());
        ui->crashPreFaultLength->setText(CrashProcessHeader::preFaultSecondsText());
    } else {
        ui->crashDate->clear();
        ui->crashTime->clear();
        ui->crashFaultLength->clear();
        ui->crashPreFaultLength->clear();
    }
    enableRecordButtons(shown && !recordReading);
    ui->crashSaveProgress->setEnabled(shown);
}

void MainWindow::enableRecordButtons(bool enabled)
{
    ui->buttonSaveRecord->setEnabled(enabled);
    ui->buttonViewRecord->setEnabled(enabled);
}

void MainWindow::saveCrash()
{
    // The record the user sees in the details is the one read and saved.
    const int crashNumber = shownCrash;
    saveFolder = QFileDialog::getExistingDirectory(this, "Выберите папку для сохранения",
                                                   saveFolder, QFileDialog::ShowDirsOnly);
    if (crashNumber < 0 || crashNumber != shownCrash || saveFolder.isEmpty())
        return;
    settings->setFolderOf("records", saveFolder, true);
    startCrashReading(crashNumber, AfterReading::Save);
}

void MainWindow::viewCrash()
{
    const int crashNumber = shownCrash;
    const CrashProcessHeader* header = crashReader->header(crashNumber);
    if (header == nullptr)
        return;
    if (completeRecords.contains(crashNumber) &&
        completeRecords.value(crashNumber) == header->encode())
        showRecordViewer(crashNumber);
    else
        startCrashReading(crashNumber, AfterReading::View);
}

void MainWindow::startCrashReading(int crashNumber, AfterReading after)
{
    connection->beginReading(RelayConnection::CrashReading);
    recordReading = true;
    afterReading = after;
    // The buffer is refilled from the start.
    completeRecords.remove(crashNumber);
    enableRecordButtons(false);
    ui->actionReadHeaders->setEnabled(false);
    crashReader->readCrashProcess(static_cast<uint8_t>(configDialog->deviceAddress() & 0xFF),
                                  static_cast<uint16_t>(crashNumber));
    // A reading that failed at once has already ended inside the call above.
    if (connection->isReading(RelayConnection::CrashReading))
        progressTimer->start(progressInterval);
}

void MainWindow::readCrashFinished(int crashNumber)
{
    progressTimer->stop();
    // A batched reading may end between two ticks of the progress timer: the
    // bar shows the whole record read.
    showProgress();
    recordReading = false;
    if (const CrashProcessHeader* header = crashReader->header(crashNumber))
        completeRecords.insert(crashNumber, header->encode());
    if (afterReading == AfterReading::View) {
        showRecordViewer(crashNumber);
    } else {
        switch (RecordExporter::saveRecord(*crashReader, crashNumber, saveFolder)) {
        case RecordExporter::Result::Saved:
            QMessageBox::information(this, "Успешно", "Осциллограмма успешно считана.");
            break;
        case RecordExporter::Result::Unexportable:
            QMessageBox::warning(this, "Ошибка", "Некорректный заголовок осциллограммы.");
            break;
        case RecordExporter::Result::WriteFailed:
            QMessageBox::warning(this, "Ошибка", "Не удалось сохранить осциллограмму.");
            break;
        }
    }
    enableRecordButtons(true);
    ui->actionReadHeaders->setEnabled(true);
    connection->endReading(RelayConnection::CrashReading);
}

void MainWindow::showRecordViewer(int crashNumber)
{
    const CrashProcessHeader* header = crashReader->header(crashNumber);
    const QByteArray* samples = crashReader->samples(crashNumber);
    if (header == nullptr || samples == nullptr || !ComtradeWriter::isExportable(*header)) {
        QMessageBox::warning(this, "Ошибка", "Некорректный заголовок осциллограммы.");
        return;
    }
    // The viewer reads the record through the same export and reader as a
    // saved pair, so what it shows is what "Сохранить" would write.
    const QString name = ComtradeWriter::baseName(*header);
    QBuffer cfg;
    QBuffer dat;
    cfg.open(QIODevice::ReadWrite);
    dat.open(QIODevice::ReadWrite);
    QString error;
    std::optional<ComtradeRecord> record;
    if (ComtradeWriter::writeCfg(cfg, *header) &&
        ComtradeWriter::writeDat(dat, *header, *samples) && cfg.seek(0) && dat.seek(0))
        record = ComtradeReader::read(cfg, dat, &error, name + ".cfg", name + ".dat");
    if (!record) {
        QMessageBox::warning(this, "Ошибка", "Не удалось показать осциллограмму.\n" + error);
        return;
    }
    RecordViewer::openRecord(*record, name + " (не сохранена)", this);
}

void MainWindow::createOpenRecordAction()
{
    auto* action = new QAction("Открыть осциллограмму…", this);
    action->setObjectName("actionOpenRecord");
    action->setShortcut(QKeySequence::Open);
    ui->menu->insertAction(ui->actionExit, action);
    ui->menu->insertSeparator(ui->actionExit);
    connect(action, &QAction::triggered, this, &MainWindow::openRecordFile);
}

void MainWindow::openRecordFile()
{
    // Records saved here are the likeliest to be opened.
    const QString folder = recordFolder.isEmpty() ? saveFolder : recordFolder;
    const QString path = QFileDialog::getOpenFileName(this, "Открыть осциллограмму", folder,
                                                      "Осциллограммы COMTRADE (*.cfg *.CFG)");
    if (path.isEmpty())
        return;
    recordFolder = QFileInfo(path).absolutePath();
    RecordViewer::openFile(path, this);
}

void MainWindow::readCrashFailed()
{
    recordReading = false;
    QMessageBox::warning(this, "Ошибка связи", "Проверьте настройки и повторите попытку.");
    progressTimer->stop();
    connection->endReading(RelayConnection::CrashReading);
}

void MainWindow::showProgress()
{
    ui->crashSaveProgress->setValue(static_cast<int>(crashReader->progress()));
    eventsReadDialog->setProgress(static_cast<int>(logReader->progress()));
}

void MainWindow::readLogStart()
{
    if (!portReady())
        return;
    connection->beginReading(RelayConnection::JournalReading);
    logReader->readRecords(static_cast<uint8_t>(configDialog->deviceAddress() & 0xFF));
    // A reading that failed at once has already ended inside the call above.
    if (!connection->isReading(RelayConnection::JournalReading))
        return;
    eventsReadDialog->setProgress(0);
    eventsReadDialog->show();
    progressTimer->start(progressInterval);
}

void MainWindow::readLogFinished()
{
    eventsReadDialog->hide();
    const QString fileName = SaveFileDialog::fileName(
        this, "Выберите имя файла", settings->folder("journal"), "Файлы журнала (*.csv)", "csv");
    settings->setFolderOf("journal", fileName);
    if (!fileName.isEmpty() && !logReader->save(fileName))
        QMessageBox::warning(this, "Ошибка", "Неверное имя файла.");
    connection->endReading(RelayConnection::JournalReading);
}

void MainWindow::readLogFailed()
{
    eventsReadDialog->hide();
    QMessageBox::warning(this, "Ошибка", "Возникла проблема при считывании журнала.");
    connection->endReading(RelayConnection::JournalReading);
}

// --- Leaving ----------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (confirmClose()) {
        settings->setWindowGeometry(saveGeometry());
        event->accept();
    } else {
        event->ignore();
    }
}

bool MainWindow::confirmClose()
{
    bool unwritten = false;
    for (IVisualizer* visualizer : qAsConst(visualizers)) {
        const auto* editor = dynamic_cast<const SettingEditor*>(visualizer);
        if (editor != nullptr && editor->isUserChange() && !editor->isWritten())
            unwritten = true;
    }
    if (unwritten && QMessageBox::question(
                         this, "Выход", "Есть незаписанные изменения уставок. Выйти?",
                         QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return false;

    QString reading;
    if (connection->isReading(RelayConnection::CrashReading) &&
        connection->isReading(RelayConnection::JournalReading))
        reading = QStringLiteral("осциллограммы и журнала");
    else if (connection->isReading(RelayConnection::CrashReading))
        reading = QStringLiteral("осциллограммы");
    else if (connection->isReading(RelayConnection::JournalReading))
        reading = QStringLiteral("журнала");
    return reading.isEmpty() ||
           QMessageBox::question(
               this, "Выход", QStringLiteral("Идёт чтение %1. Прервать и выйти?").arg(reading),
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}
