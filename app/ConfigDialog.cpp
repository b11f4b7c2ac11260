#include "app/ConfigDialog.h"

#include "forms/ConfigDialogForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
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

    ui->comboSpeed->clear();
    for (int speed : {9600, 19200, 38400})
        ui->comboSpeed->addItem(QString::number(speed), speed);

    connect(ui->cbDemoMode, &QCheckBox::clicked, this, &ConfigDialog::demoModeChanged);
    rememberAccepted();
}

ConfigDialog::~ConfigDialog()
{
    delete ui;
}

QString ConfigDialog::portName() const
{
    return ui->comboPortName->currentText();
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

    // The demo relay needs no serial line; the poll period still applies.
    QWidget* const lineSettings[] = {ui->lblAddress,  ui->lblInterval,     ui->lblPort,
                                     ui->lblSpeed,    ui->comboPortName,   ui->comboSpeed,
                                     ui->spinAddress, ui->spinCharInterval};
    for (QWidget* widget : lineSettings)
        widget->setEnabled(!mode);
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
    ui->comboSpeed->setCurrentIndex(accepted.speedIndex);
    ui->spinAddress->setValue(accepted.address);
    ui->spinCharInterval->setValue(accepted.charInterval);
    ui->spinInterval->setValue(accepted.pollPeriod);
    ui->cbDemoMode->setChecked(accepted.demo);
    demoModeChanged(accepted.demo);
}
