#include "ui/PasswordDialogForm.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QMetaObject>
#include <QSpinBox>

void PasswordDialogForm::setupUi(QDialog* dialog)
{
    if (dialog->objectName().isEmpty())
        dialog->setObjectName(QStringLiteral("PasswordDialog"));
    dialog->resize(215, 93);

    gridLayout = new QGridLayout(dialog);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));

    label = new QLabel(dialog);
    label->setObjectName(QStringLiteral("label"));
    gridLayout->addWidget(label, 0, 0);

    // The relay's password is a 16-bit register value, written as hex digits;
    // the prefix says so, as the command line's --password reads them.
    sbPassword = new QSpinBox(dialog);
    sbPassword->setObjectName(QStringLiteral("sbPassword"));
    sbPassword->setRange(0, 0xFFFF);
    sbPassword->setDisplayIntegerBase(16);
    sbPassword->setPrefix(QStringLiteral("0x"));
    // Room for the whole of "0xFFFF" beside the arrows: the size hint the
    // box works out for itself leaves the prefix scrolled out of sight.
    sbPassword->setMinimumWidth(
        sbPassword->fontMetrics().horizontalAdvance(QStringLiteral("0xFFFF")) * 2);
    label->setBuddy(sbPassword);
    gridLayout->addWidget(sbPassword, 0, 1);

    buttonBox = new QDialogButtonBox(dialog);
    buttonBox->setObjectName(QStringLiteral("buttonBox"));
    buttonBox->setOrientation(Qt::Horizontal);
    buttonBox->setStandardButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    gridLayout->addWidget(buttonBox, 1, 0, 1, 2);

    retranslateUi(dialog);

    QObject::connect(buttonBox, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttonBox, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    QMetaObject::connectSlotsByName(dialog);
}

void PasswordDialogForm::retranslateUi(QDialog* dialog)
{
    dialog->setWindowTitle(QCoreApplication::translate("PasswordDialog", "Ввод пароля"));
    label->setText(QCoreApplication::translate("PasswordDialog", "Пароль (шестнадцатеричный)"));
}
