#include "forms/ConfigDialogForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QMetaObject>
#include <QSpinBox>

namespace {

QString text(const char* source)
{
    return QCoreApplication::translate("ConfigDialog", source);
}

template <class Widget> Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QSpinBox* spinBox(QWidget* parent, const char* name, int minimum, int maximum, int value)
{
    auto* box = named(new QSpinBox(parent), name);
    box->setRange(minimum, maximum);
    box->setValue(value);
    return box;
}

} // namespace

void ConfigDialogForm::setupUi(QDialog* dialog)
{
    if (dialog->objectName().isEmpty())
        dialog->setObjectName(QStringLiteral("ConfigDialog"));
    dialog->resize(215, 239);
    dialog->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    gridLayout = named(new QGridLayout(dialog), "gridLayout");

    lblPort = named(new QLabel(dialog), "lblPort");
    comboPortName = named(new QComboBox(dialog), "comboPortName");
    lblSpeed = named(new QLabel(dialog), "lblSpeed");
    comboSpeed = named(new QComboBox(dialog), "comboSpeed");
    lblAddress = named(new QLabel(dialog), "lblAddress");
    // Modbus slave addresses 1...247; 0 is broadcast and gets no answer.
    spinAddress = spinBox(dialog, "spinAddress", 1, 247, 1);
    lblInterval = named(new QLabel(dialog), "lblInterval");
    spinCharInterval = spinBox(dialog, "spinCharInterval", 40, 200, 100);
    lblPeriod = named(new QLabel(dialog), "lblPeriod");
    spinInterval = spinBox(dialog, "spinInterval", 1, 100, 1);
    lblDemo = named(new QLabel(dialog), "lblDemo");
    cbDemoMode = named(new QCheckBox(dialog), "cbDemoMode");

    QLabel* const labels[] = {lblPort, lblSpeed, lblAddress, lblInterval, lblPeriod, lblDemo};
    QWidget* const inputs[] = {comboPortName,    comboSpeed,   spinAddress,
                               spinCharInterval, spinInterval, cbDemoMode};
    for (int row = 0; row < 6; ++row) {
        labels[row]->setAlignment(Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter);
        labels[row]->setBuddy(inputs[row]);
        gridLayout->addWidget(labels[row], row, 0);
        gridLayout->addWidget(inputs[row], row, 1);
    }

    buttonBox = named(new QDialogButtonBox(dialog), "buttonBox");
    buttonBox->setOrientation(Qt::Horizontal);
    buttonBox->setStandardButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    gridLayout->addWidget(buttonBox, 6, 0, 1, 2);

    retranslateUi(dialog);

    QObject::connect(buttonBox, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttonBox, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    QMetaObject::connectSlotsByName(dialog);
}

void ConfigDialogForm::retranslateUi(QDialog* dialog)
{
    dialog->setWindowTitle(text("Настройки связи"));
    lblPort->setText(text("Порт"));
    lblSpeed->setText(text("Скорость связи"));
    lblAddress->setText(text("Адрес устройства"));
    lblInterval->setText(text("Межсимвольный <br>интервал, мс"));
    lblPeriod->setText(text("Период опроса, с"));
    lblDemo->setText(text("Демо режим"));
    cbDemoMode->setText(text("Откл"));
}
