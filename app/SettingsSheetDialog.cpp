#include "app/SettingsSheetDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

SettingsSheetDialog::SettingsSheetDialog(QWidget* parent) : QDialog(parent)
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowTitle(QStringLiteral("Экспорт карты уставок"));
    auto* form = new QFormLayout(this);
    object = new QLineEdit(this);
    object->setObjectName(QStringLiteral("lineObject"));
    object->setMinimumWidth(280);
    form->addRow(QStringLiteral("Объект / присоединение"), object);

    relay = new QRadioButton(QStringLiteral("Текущие уставки реле"), this);
    relay->setObjectName(QStringLiteral("radioRelay"));
    relay->setChecked(true);
    file = new QRadioButton(QStringLiteral("Файл настроек…"), this);
    file->setObjectName(QStringLiteral("radioFile"));
    auto* sources = new QVBoxLayout;
    sources->addWidget(relay);
    sources->addWidget(file);
    form->addRow(QStringLiteral("Источник"), sources);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

void SettingsSheetDialog::setObjectText(const QString& text)
{
    object->setText(text);
}

QString SettingsSheetDialog::objectText() const
{
    return object->text().trimmed();
}

bool SettingsSheetDialog::fromFile() const
{
    return file->isChecked();
}
