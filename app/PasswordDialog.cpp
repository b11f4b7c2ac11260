#include "app/PasswordDialog.h"

#include "ui/PasswordDialogForm.h"

#include <QSpinBox>

PasswordDialog::PasswordDialog(QWidget* parent) : QDialog(parent)
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    ui = new PasswordDialogForm;
    ui->setupUi(this);

    connect(this, &QDialog::accepted, this, &PasswordDialog::wasAccepted);
    connect(this, &QDialog::rejected, this, &PasswordDialog::wasRejected);
}

PasswordDialog::~PasswordDialog()
{
    delete ui;
}

int PasswordDialog::password() const
{
    return ui->sbPassword->value();
}

void PasswordDialog::wasAccepted()
{
    passwordAccepted = true;
}

void PasswordDialog::wasRejected()
{
    passwordAccepted = false;
}
