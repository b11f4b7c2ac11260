#include "app/HelpDialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

HelpDialog::HelpDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("HelpDialog"));
    setWindowTitle(QStringLiteral("Справка"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    resize(560, 520);

    page = new QTextBrowser(this);
    page->setObjectName(QStringLiteral("helpBrowser"));
    page->setOpenLinks(false);
    QFile text(QStringLiteral(":/help/help.html"));
    if (text.open(QIODevice::ReadOnly))
        page->setHtml(QString::fromUtf8(text.readAll()));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* column = new QVBoxLayout(this);
    column->addWidget(page);
    column->addWidget(buttons);
}
