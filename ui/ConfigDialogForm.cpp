#include "ui/ConfigDialogForm.h"

#include "relay/LineLimits.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>
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
    dialog->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    gridLayout = named(new QGridLayout(dialog), "gridLayout");
    // The dialog takes the size its rows need in the platform's fonts, and
    // keeps it.
    gridLayout->setSizeConstraint(QLayout::SetFixedSize);

    lblPort = named(new QLabel(dialog), "lblPort");
    comboPortName = named(new QComboBox(dialog), "comboPortName");
    comboPortName->setEditable(true);
    comboPortName->setInsertPolicy(QComboBox::NoInsert);
    // Room for a name with its adapter's description.
    comboPortName->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    comboPortName->setMinimumContentsLength(22);
    btnRefreshPorts = named(new QPushButton(dialog), "btnRefreshPorts");
    lblHost = named(new QLabel(dialog), "lblHost");
    editHost = named(new QLineEdit(dialog), "editHost");
    lblTcpPort = named(new QLabel(dialog), "lblTcpPort");
    // 502 is the port Modbus TCP servers listen on.
    spinTcpPort =
        spinBox(dialog, "spinTcpPort", LineLimits::minTcpPort, LineLimits::maxTcpPort, 502);
    lblProtocol = named(new QLabel(dialog), "lblProtocol");
    comboProtocol = named(new QComboBox(dialog), "comboProtocol");
    lblSpeed = named(new QLabel(dialog), "lblSpeed");
    comboSpeed = named(new QComboBox(dialog), "comboSpeed");
    lblAddress = named(new QLabel(dialog), "lblAddress");
    spinAddress = spinBox(dialog, "spinAddress", LineLimits::minAddress, LineLimits::maxAddress, 1);
    lblInterval = named(new QLabel(dialog), "lblInterval");
    spinCharInterval = spinBox(dialog, "spinCharInterval", LineLimits::minCharInterval,
                               LineLimits::maxCharInterval, 100);
    lblLengthFraming = named(new QLabel(dialog), "lblLengthFraming");
    cbLengthFraming = named(new QCheckBox(dialog), "cbLengthFraming");
    cbLengthFraming->setChecked(true);
    lblPeriod = named(new QLabel(dialog), "lblPeriod");
    spinInterval =
        spinBox(dialog, "spinInterval", LineLimits::minPollPeriodS, LineLimits::maxPollPeriodS, 1);
    lblDemo = named(new QLabel(dialog), "lblDemo");
    cbDemoMode = named(new QCheckBox(dialog), "cbDemoMode");

    QLabel* const labels[] = {lblPort,    lblHost,     lblTcpPort,       lblProtocol, lblSpeed,
                              lblAddress, lblInterval, lblLengthFraming, lblPeriod,   lblDemo};
    QWidget* const inputs[] = {comboPortName, editHost,    spinTcpPort,      comboProtocol,
                               comboSpeed,    spinAddress, spinCharInterval, cbLengthFraming,
                               spinInterval,  cbDemoMode};
    constexpr int rows = 10;
    for (int row = 0; row < rows; ++row) {
        labels[row]->setAlignment(Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter);
        labels[row]->setBuddy(inputs[row]);
        gridLayout->addWidget(labels[row], row, 0);
        // A check box is only as wide as its box and caption, so that a click
        // beside it does not toggle it.
        if (qobject_cast<QCheckBox*>(inputs[row]) != nullptr)
            gridLayout->addWidget(inputs[row], row, 1, Qt::AlignLeft | Qt::AlignVCenter);
        else
            gridLayout->addWidget(inputs[row], row, 1);
    }

    gridLayout->addWidget(btnRefreshPorts, 0, 2);

    buttonBox = named(new QDialogButtonBox(dialog), "buttonBox");
    buttonBox->setOrientation(Qt::Horizontal);
    buttonBox->setStandardButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    btnSearchDevice = named(new QPushButton(buttonBox), "btnSearchDevice");
    buttonBox->addButton(btnSearchDevice, QDialogButtonBox::ActionRole);
    gridLayout->addWidget(buttonBox, rows, 0, 1, 3);

    retranslateUi(dialog);

    QObject::connect(buttonBox, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttonBox, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    QMetaObject::connectSlotsByName(dialog);
}

void ConfigDialogForm::retranslateUi(QDialog* dialog)
{
    dialog->setWindowTitle(text("Настройки связи"));
    lblPort->setText(text("Порт"));
    lblHost->setText(text("Адрес узла"));
    editHost->setPlaceholderText(text("IP-адрес или имя"));
    lblTcpPort->setText(text("Порт TCP"));
    lblProtocol->setText(text("Протокол"));
    lblSpeed->setText(text("Скорость связи"));
    lblAddress->setText(text("Адрес устройства"));
    lblInterval->setText(text("Межсимвольный <br>интервал, мс"));
    lblLengthFraming->setText(text("Конец кадра <br>по длине"));
    cbLengthFraming->setText(text("Вкл"));
    cbLengthFraming->setToolTip(
        text("Ответ принимается, как только пришло ожидаемое число байт, без ожидания "
             "межсимвольного интервала; отсчёты осциллограмм и записи журнала читаются по "
             "нескольку за запрос. Выключено: конец кадра только по тишине на линии, чтение "
             "по одной записи."));
    lblPeriod->setText(text("Период опроса, с"));
    lblDemo->setText(text("Демо режим"));
    cbDemoMode->setText(text("Откл"));
    btnRefreshPorts->setText(text("Обновить"));
    btnSearchDevice->setText(text("Поиск устройства…"));
}
