#include "app/ConfigDialog.h"

#include "forms/ConfigDialogForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QSerialPortInfo>
#include <QSpinBox>

ConfigDialog::ConfigDialog(QWidget* parent) : QDialog(parent)
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    // Ports are listed once: one plugged in later is offered after a restart.
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();

    ui = new ConfigDialogForm;
    ui->setupUi(this);

    ui->comboPortName->clear();
    for (const QSerialPortInfo& port : ports)
        ui->comboPortName->addItem(port.portName());
    // An Ethernet serial gateway or a relay with Modbus TCP, by host and port.
    ui->comboPortName->addItem(QString::fromLatin1(tcpChoice));
    // Without a serial port nothing is chosen until the user chooses.
    ui->comboPortName->setCurrentIndex(ports.isEmpty() ? -1 : 0);

    ui->comboProtocol->clear();
    ui->comboProtocol->addItem(tr("RTU поверх TCP"));
    ui->comboProtocol->addItem(tr("Modbus TCP"));

    ui->comboSpeed->clear();
    for (int speed : {9600, 19200, 38400})
        ui->comboSpeed->addItem(QString::number(speed), speed);

    connect(ui->cbDemoMode, &QCheckBox::clicked, this, &ConfigDialog::demoModeChanged);
    connect(ui->cbLengthFraming, &QCheckBox::toggled, this,
            [this](bool on) { ui->cbLengthFraming->setText(on ? tr("Вкл") : tr("Откл")); });
    connect(ui->comboPortName, &QComboBox::currentTextChanged, this,
            &ConfigDialog::updateLineSettings);
    connect(ui->comboProtocol, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ConfigDialog::updateLineSettings);
    updateLineSettings();
    rememberAccepted();
}

const char ConfigDialog::tcpChoice[] = "TCP";

ConfigDialog::~ConfigDialog()
{
    delete ui;
}

QString ConfigDialog::portName() const
{
    return ui->comboPortName->currentText();
}

bool ConfigDialog::isTcp() const
{
    return ui->comboPortName->currentText() == QLatin1String(tcpChoice);
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
                                     ui->spinAddress};
    for (QWidget* widget : lineSettings)
        widget->setEnabled(line);
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
    accepted.portName = ui->comboPortName->currentText();
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
    const int portIndex = ui->comboPortName->findText(accepted.portName);
    if (portIndex >= 0 || !ui->comboPortName->isEditable())
        ui->comboPortName->setCurrentIndex(portIndex);
    else
        ui->comboPortName->setEditText(accepted.portName);
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
