#include "app/MainWindow.h"

#include "app/AppSettings.h"
#include "app/ArchivePage.h"
#include "app/CollectLauncher.h"
#include "app/CommandButtons.h"
#include "app/ConfigDialog.h"
#include "app/ConnectionStatus.h"
#include "app/DeviceSearchDialog.h"
#include "app/HelpDialog.h"
#include "app/JournalPage.h"
#include "app/DiagnosticsSaver.h"
#include "app/LineRecovery.h"
#include "app/LogPage.h"
#include "app/PasswordDialog.h"
#include "app/RecordsPage.h"
#include "app/SettingsFilePage.h"
#include "app/SettingsPage.h"
#include "app/StaleValueMarker.h"
#include "base/Logger.h"
#include "modbus/ModBusClient.h"
#include "relay/ModBusDevice.h"
#include "session/RelayConnection.h"
#include "ui/Editor.h"
#include "ui/IVisualizer.h"
#include "ui/ListLogSink.h"
#include "ui/MainWindowForm.h"
#include "ui/ParameterMap.h"
#include "ui/ScreenFit.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
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

MainWindow::MainWindow(QWidget* parent, QSettings* store) : QMainWindow(parent)
{
    initResources();
    settings = new AppSettings(store);
    ui = new MainWindowForm;
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/icons/talvik.svg")));
    const bool geometryRestored = restoreGeometry(settings->windowGeometry());

    configDialog = new ConfigDialog(this);
    passwordDialog = new PasswordDialog(this);

    logPage = new LogPage(ui, settings, this);

    // The port, links, client, poller, settings file and readers, wired as
    // the command line has them too.
    connection = new RelayConnection;
    recovery = new LineRecovery(connection, this);
    new DiagnosticsSaver({this, ui->menuHelp, connection, recovery, logPage, settings}, this);
    serialPort = connection->port();
    client = connection->client();
    device = connection->device();
    verifier = new SettingsVerifier(device, this);
    configFile = connection->configFile();

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
    RecordsPage::Parts recordsParts;
    recordsParts.window = this;
    recordsParts.ui = ui;
    recordsParts.line = this;
    recordsParts.connection = connection;
    recordsParts.configDialog = configDialog;
    recordsParts.settings = settings;
    recordsPage = new RecordsPage(recordsParts, this);
    journalPage = new JournalPage(recordsParts, recordsPage, this);
    connectSignals();
    commands->setEnabled(false);
    setUpStatus();
    createFilePage();
    archivePage = new ArchivePage(
        {this, connection, verifier, settingsPage, settings, store, ui->actionArchive, filePage},
        this);
    new CollectLauncher({this, connection, verifier, configDialog, settings, store}, this);
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

void MainWindow::createFilePage()
{
    SettingsFilePage::Parts parts;
    parts.window = this;
    parts.ui = ui;
    parts.line = this;
    parts.visualizers = &visualizers;
    parts.connection = connection;
    parts.device = device;
    parts.settingsPage = settingsPage;
    parts.configDialog = configDialog;
    parts.settings = settings;
    filePage = new SettingsFilePage(parts, this);
    connect(filePage, &SettingsFilePage::modeChanged, this, [this](bool fileShown) {
        // The relay's age says nothing of a file's values.
        staleMarker->setEditorsMarked(!fileShown);
        if (fileShown)
            refreshStop();
        updateStatus();
    });
}

qint64 MainWindow::staleAfterMs() const
{
    return qint64(ConnectionStatus::recentPolls) * configDialog->pollPeriod() * 1000;
}

void MainWindow::updateStatus()
{
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
    if (filePage != nullptr && filePage->isShown())
        snapshot.connection = QStringLiteral("Файл уставок");
    snapshot.polling = isPolling();
    snapshot.recovery = recovery->statusText();
    snapshot.demo = demo;
    snapshot.periodMs =
        refreshTimer->isActive() ? refreshTimer->interval() : configDialog->pollPeriod() * 1000;
    snapshot.pollingForMs = pollingSince.isValid() ? pollingSince.elapsed() : 0;
    snapshot.msSinceAnswer = client->msSinceLastAnswer();
    snapshot.counters = ConnectionStatus::countersOf(client->counters());
    connectionStatus->show(snapshot);
    staleMarker->mark(staleAfterMs());
}

void MainWindow::restoreKeptSettings()
{
    logPage->restore();

    // The relay of the last run is the one the user most likely wants: its
    // settings are applied as if just accepted.
    configDialog->setStore(settings);
    if (settings->hasConnection())
        configAccepted();
}

MainWindow::~MainWindow()
{
    refreshTimer->stop();
    delete refreshTimer;
    device->stop();
    client->clearQueue();
    statusTimer->stop();
    delete staleMarker;
    staleMarker = nullptr;
    qDeleteAll(visualizers);
    visualizers.clear();
    // Nothing is made again for a window that goes.
    delete recovery;
    // Stops the poller, drops the queue and closes the port on its way.
    delete connection;
    // The log must not write into the list that goes with the form.
    delete logPage;
    delete ui;
    delete configDialog;
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
    connect(connection, &RelayConnection::pollingResumeDue, this, [this] {
        // A file shown meanwhile keeps the relay untouched.
        if (!filePage->isShown())
            refreshStart();
    });
    // A line lost while polling is made again by itself; a network
    // connection dropped otherwise is only told.
    connect(recovery, &LineRecovery::pollingLost, this, [this] {
        refreshTimer->stop();
        commands->setEnabled(false);
    });
    connect(recovery, &LineRecovery::lineBack, this, &MainWindow::refreshStart);
    connect(recovery, &LineRecovery::statusChanged, this, &MainWindow::updateStatus);
    connect(recovery, &LineRecovery::lostWhileIdle, this, [this](const QString& reason) {
        refreshStop();
        showConnectionError(reason);
    });
    connect(ui->actionExit, &QAction::triggered, this, &MainWindow::close);
    connect(configDialog, &QDialog::accepted, this, &MainWindow::configAccepted);
    connect(ui->pagesList, &QListWidget::currentRowChanged, ui->displayPages,
            &QStackedWidget::setCurrentIndex);
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
    connect(&search, &DeviceSearchDialog::addAllToRecentRequested, configDialog,
            [this, &search] { configDialog->rememberFound(search.found()); });
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
    // The connection is the relay's: a settings file on show is left first.
    if (filePage->showRelay())
        configDialog->exec();
}

void MainWindow::configAccepted()
{
    connection->configure(ConfigDialog::relaySettings(configDialog->values()));
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
    recovery->stop();
    // Polling shows the relay: a settings file on show is left first, or
    // nothing reaches the relay.
    if (!filePage->showRelay() || !portReady())
        return;
    // Still valid while a reading holds polling back: resuming is no start.
    const bool started = !pollingSince.isValid();
    if (!isPolling())
        pollingSince.start();
    connection->startPolling();
    refreshTimer->start(configDialog->pollPeriod() * 1000);
    commands->setEnabled(true);
    updateStatus();
    if (started)
        recordsPage->pollingStarted();
}

void MainWindow::refreshStop(bool closePort)
{
    // Stopped while the line was being made again: polling had been paused.
    const bool recovering = recovery->isRecovering();
    recovery->stop();
    if (isPolling() || recovering)
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
    if (!filePage->confirmClose())
        return false;
    bool unwritten = false;
    for (IVisualizer* visualizer : filePage->isShown() ? QList<IVisualizer*>() : visualizers) {
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
