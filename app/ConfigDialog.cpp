#include "app/ConfigDialog.h"

#include "relay/LineLimits.h"

#include "ui/ConfigDialogForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QDialogButtonBox>
#include <QList>
#include <QMenu>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QSpinBox>

ConfigDialog::ConfigDialog(QWidget* parent) : QDialog(parent)
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    ui = new ConfigDialogForm;
    ui->setupUi(this);

    refreshPorts();

    ui->comboProtocol->clear();
    ui->comboProtocol->addItem(tr("RTU поверх TCP"));
    ui->comboProtocol->addItem(tr("Modbus TCP"));

    ui->comboSpeed->clear();
    for (int speed : LineLimits::baudRates)
        ui->comboSpeed->addItem(QString::number(speed), speed);

    connect(ui->cbDemoMode, &QCheckBox::clicked, this, &ConfigDialog::demoModeChanged);
    connect(ui->cbLengthFraming, &QCheckBox::toggled, this,
            [this](bool on) { ui->cbLengthFraming->setText(on ? tr("Вкл") : tr("Откл")); });
    connect(ui->comboPortName, &QComboBox::currentTextChanged, this,
            &ConfigDialog::updateLineSettings);
    connect(ui->comboProtocol, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ConfigDialog::updateLineSettings);
    connect(ui->btnRefreshPorts, &QPushButton::clicked, this, &ConfigDialog::refreshPorts);
    connect(ui->btnSearchDevice, &QPushButton::clicked, this, &ConfigDialog::deviceSearchRequested);

    // "Недавние": the last ten connections accepted, one click fills the dialog.
    auto* recent = new QPushButton(tr("Недавние"), ui->buttonBox);
    recent->setObjectName(QStringLiteral("btnRecent"));
    recentMenu = new QMenu(recent);
    recentMenu->setObjectName(QStringLiteral("menuRecent"));
    recent->setMenu(recentMenu);
    ui->buttonBox->addButton(recent, QDialogButtonBox::ActionRole);
    connect(recentMenu, &QMenu::aboutToShow, this, &ConfigDialog::fillRecentMenu);
    fillRecentMenu();
    updateLineSettings();
    rememberAccepted();
}

const char ConfigDialog::tcpChoice[] = "TCP";

QString ConfigDialog::portLabel(const QString& name, const QString& description,
                                const QString& vendorProduct)
{
    QString label = name;
    if (!description.isEmpty())
        label += QStringLiteral(" — ") + description;
    if (!vendorProduct.isEmpty())
        label += QStringLiteral(" (%1)").arg(vendorProduct);
    return label;
}

void ConfigDialog::refreshPorts()
{
    const QString chosen = portName();
    const bool hadPorts = ui->comboPortName->count() > 0;
    ui->comboPortName->clear();
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        QString vendorProduct;
        if (port.hasVendorIdentifier() && port.hasProductIdentifier())
            vendorProduct = QStringLiteral("%1:%2")
                                .arg(port.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                                .arg(port.productIdentifier(), 4, 16, QLatin1Char('0'));
        ui->comboPortName->addItem(portLabel(port.portName(), port.description(), vendorProduct),
                                   port.portName());
    }
    const bool serialPorts = ui->comboPortName->count() > 0;
    // An Ethernet serial gateway or a relay with Modbus TCP, by host and port.
    ui->comboPortName->addItem(QString::fromLatin1(tcpChoice), QString::fromLatin1(tcpChoice));
    if (!chosen.isEmpty() || hadPorts)
        showPortName(chosen);
    else
        // The first port found is offered; without a serial port nothing is
        // chosen until the user chooses.
        ui->comboPortName->setCurrentIndex(serialPorts ? 0 : -1);
}

void ConfigDialog::showPortName(const QString& name)
{
    const int listed = ui->comboPortName->findData(name, portNameRole);
    if (listed >= 0) {
        ui->comboPortName->setCurrentIndex(listed);
        return;
    }
    ui->comboPortName->setCurrentIndex(-1);
    ui->comboPortName->setEditText(name);
}

RelayConnection::Settings ConfigDialog::relaySettings(const AppSettings::Connection& values)
{
    RelayConnection::Settings settings;
    settings.portName = values.portName;
    settings.baudRate = values.baudRate;
    settings.deviceAddress = static_cast<uint8_t>(values.address & 0xFF);
    settings.pollPeriodMs = values.pollPeriod * 1000;
    settings.charInterval = values.charInterval;
    settings.demo = values.demo;
    settings.lengthFraming = values.lengthFraming;
    if (values.portName == QLatin1String(tcpChoice)) {
        settings.transport = values.modbusTcp ? RelayConnection::Transport::ModbusTcp
                                              : RelayConnection::Transport::RtuOverTcp;
        settings.host = values.host;
        settings.tcpPort = static_cast<quint16>(values.tcpPort);
    }
    return settings;
}

QString ConfigDialog::recentText(const AppSettings::Connection& values) const
{
    const QString line = relaySettings(values).lineText();
    const QString where =
        values.demo ? line : QStringLiteral("%1 · адрес %2").arg(line).arg(values.address);
    const QString name = store != nullptr ? store->relayName(line, values.address) : QString();
    return name.isEmpty() ? where : QStringLiteral("%1 — %2").arg(name, where);
}

void ConfigDialog::fillRecentMenu()
{
    recentMenu->clear();
    const QVector<AppSettings::Connection> recent =
        store != nullptr ? store->recentConnections() : QVector<AppSettings::Connection>();
    for (const AppSettings::Connection& values : recent) {
        QAction* action = recentMenu->addAction(recentText(values));
        connect(action, &QAction::triggered, this, [this, values] { showRecent(values); });
    }
    if (recent.isEmpty())
        recentMenu->addAction(tr("Нет недавних подключений"))->setEnabled(false);
}

void ConfigDialog::showRecent(const AppSettings::Connection& values)
{
    const Accepted kept = accepted;
    setValues(values);
    // Shown, not accepted: Cancel still puts back the settings in force.
    accepted = kept;
}

void ConfigDialog::rememberFound(const QVector<QPair<int, int>>& found)
{
    if (store == nullptr)
        return;
    // The oldest first, so that the first relay found heads the list.
    for (int i = found.size() - 1; i >= 0; --i) {
        AppSettings::Connection values = this->values();
        values.demo = false;
        values.address = found[i].first;
        values.baudRate = found[i].second;
        store->rememberRecent(values);
    }
}

void ConfigDialog::showFound(int address, int baudRate)
{
    ui->spinAddress->setValue(address);
    const int speed = ui->comboSpeed->findData(baudRate);
    if (speed >= 0)
        ui->comboSpeed->setCurrentIndex(speed);
}

void ConfigDialog::showEvent(QShowEvent* event)
{
    // A port plugged in since the last time is offered at once.
    refreshPorts();
    QDialog::showEvent(event);
}

AppSettings::Connection ConfigDialog::values() const
{
    AppSettings::Connection values;
    values.portName = portName();
    values.host = tcpHost();
    values.tcpPort = tcpPort();
    values.modbusTcp = ui->comboProtocol->currentIndex() == 1;
    values.lengthFraming = lengthFraming();
    values.baudRate = baudRate();
    values.address = deviceAddress();
    values.charInterval = charInterval();
    values.pollPeriod = pollPeriod();
    values.demo = isDemoMode();
    return values;
}

void ConfigDialog::setValues(const AppSettings::Connection& values)
{
    showPortName(values.portName);
    ui->editHost->setText(values.host);
    if (values.tcpPort > 0)
        ui->spinTcpPort->setValue(values.tcpPort);
    ui->comboProtocol->setCurrentIndex(values.modbusTcp ? 1 : 0);
    ui->cbLengthFraming->setChecked(values.lengthFraming);
    const int speed = ui->comboSpeed->findData(values.baudRate);
    if (speed >= 0)
        ui->comboSpeed->setCurrentIndex(speed);
    ui->spinAddress->setValue(values.address);
    ui->spinCharInterval->setValue(values.charInterval);
    ui->spinInterval->setValue(values.pollPeriod);
    ui->cbDemoMode->setChecked(values.demo);
    demoModeChanged(values.demo);
    rememberAccepted();
}

void ConfigDialog::setStore(AppSettings* newStore)
{
    store = newStore;
    if (store != nullptr && store->hasConnection())
        setValues(store->connection());
}

ConfigDialog::~ConfigDialog()
{
    delete ui;
}

QString ConfigDialog::portName() const
{
    const QString shown = ui->comboPortName->currentText().trimmed();
    // A listed port shows its description too; the line knows only the name.
    const int listed = ui->comboPortName->findText(shown, Qt::MatchExactly);
    if (listed >= 0) {
        const QVariant name = ui->comboPortName->itemData(listed, portNameRole);
        if (name.isValid())
            return name.toString();
    }
    return shown;
}

bool ConfigDialog::isTcp() const
{
    return portName() == QLatin1String(tcpChoice);
}

QString ConfigDialog::tcpHost() const
{
    return ui->editHost->text().trimmed();
}

quint16 ConfigDialog::tcpPort() const
{
    return static_cast<quint16>(ui->spinTcpPort->value());
}

bool ConfigDialog::isModbusTcp() const
{
    return isTcp() && ui->comboProtocol->currentIndex() == 1;
}

bool ConfigDialog::lengthFraming() const
{
    return ui->cbLengthFraming->isChecked();
}

int ConfigDialog::baudRate() const
{
    return ui->comboSpeed->currentData().toInt();
}

int ConfigDialog::deviceAddress() const
{
    return ui->spinAddress->value();
}

int ConfigDialog::charInterval() const
{
    return ui->spinCharInterval->value();
}

int ConfigDialog::pollPeriod() const
{
    return ui->spinInterval->value();
}

bool ConfigDialog::isDemoMode() const
{
    return ui->cbDemoMode->isChecked();
}

void ConfigDialog::demoModeChanged(bool mode)
{
    ui->cbDemoMode->setText(mode ? tr("Вкл") : tr("Откл"));
    updateLineSettings();
}

void ConfigDialog::updateLineSettings()
{
    // The demo relay needs no line; the poll period still applies.
    const bool line = !isDemoMode();
    QWidget* const lineSettings[] = {ui->lblAddress, ui->lblPort, ui->comboPortName,
                                     ui->spinAddress, ui->btnRefreshPorts};
    for (QWidget* widget : lineSettings)
        widget->setEnabled(line);
    // The search scans a serial line.
    ui->btnSearchDevice->setEnabled(line && !isTcp());
    // Host, port and protocol belong to the network choice.
    QWidget* const networkSettings[] = {ui->lblHost,     ui->editHost,    ui->lblTcpPort,
                                        ui->spinTcpPort, ui->lblProtocol, ui->comboProtocol};
    for (QWidget* widget : networkSettings)
        widget->setEnabled(line && isTcp());
    // Modbus TCP frames every answer by its header: no serial timing applies.
    const bool serialTiming = line && !isModbusTcp();
    QWidget* const timingSettings[] = {ui->lblSpeed,         ui->comboSpeed,
                                       ui->lblInterval,      ui->spinCharInterval,
                                       ui->lblLengthFraming, ui->cbLengthFraming};
    for (QWidget* widget : timingSettings)
        widget->setEnabled(serialTiming);
}

void ConfigDialog::accept()
{
    rememberAccepted();
    if (store != nullptr)
        store->setConnection(values());
    QDialog::accept();
}

// Escape, the window's close button and Cancel all end here.
void ConfigDialog::reject()
{
    restoreAccepted();
    QDialog::reject();
}

void ConfigDialog::rememberAccepted()
{
    accepted.portName = portName();
    accepted.host = ui->editHost->text();
    accepted.tcpPort = ui->spinTcpPort->value();
    accepted.protocolIndex = ui->comboProtocol->currentIndex();
    accepted.lengthFraming = ui->cbLengthFraming->isChecked();
    accepted.speedIndex = ui->comboSpeed->currentIndex();
    accepted.address = ui->spinAddress->value();
    accepted.charInterval = ui->spinCharInterval->value();
    accepted.pollPeriod = ui->spinInterval->value();
    accepted.demo = ui->cbDemoMode->isChecked();
}

void ConfigDialog::restoreAccepted()
{
    showPortName(accepted.portName);
    ui->editHost->setText(accepted.host);
    ui->spinTcpPort->setValue(accepted.tcpPort);
    ui->comboProtocol->setCurrentIndex(accepted.protocolIndex);
    ui->cbLengthFraming->setChecked(accepted.lengthFraming);
    ui->comboSpeed->setCurrentIndex(accepted.speedIndex);
    ui->spinAddress->setValue(accepted.address);
    ui->spinCharInterval->setValue(accepted.charInterval);
    ui->spinInterval->setValue(accepted.pollPeriod);
    ui->cbDemoMode->setChecked(accepted.demo);
    demoModeChanged(accepted.demo);
}
