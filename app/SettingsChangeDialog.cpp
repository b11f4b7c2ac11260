#include "app/SettingsChangeDialog.h"

#include "relay/SettingsComparison.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString summaryText(const SettingsComparison& comparison, SettingsChangeDialog::Mode mode)
{
    QString text =
        mode == SettingsChangeDialog::ConfirmWrite
            ? QStringLiteral("Будут записаны уставки: %1.").arg(comparison.changes().size())
            : QStringLiteral("Отличаются от реле: %1.").arg(comparison.changes().size());
    if (comparison.unchangedCount() > 0)
        text += QStringLiteral(" Совпадают с реле и не записываются: %1.")
                    .arg(comparison.unchangedCount());
    return text;
}

QTableWidget* changesTable(const SettingsComparison& comparison, QWidget* parent)
{
    auto* table = new QTableWidget(comparison.changes().size(), 4, parent);
    table->setObjectName(QStringLiteral("tableChanges"));
    table->setHorizontalHeaderLabels(SettingsComparison::headers());
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    int row = 0;
    for (const SettingsComparison::Change& change : comparison.changes()) {
        const QStringList cells = SettingsComparison::cells(change);
        for (int column = 0; column < cells.size(); ++column)
            table->setItem(row, column, new QTableWidgetItem(cells.at(column)));
        ++row;
    }
    table->resizeColumnsToContents();
    // Spare width goes to the caption, the longest text; the register number
    // stays narrow at the end.
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    return table;
}

} // namespace

SettingsChangeDialog::SettingsChangeDialog(const SettingsComparison& comparison, Mode mode,
                                           QWidget* parent)
    : QDialog(parent)
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowTitle(mode == ConfirmWrite ? QStringLiteral("Запись уставок")
                                        : QStringLiteral("Сравнение с файлом"));
    auto* layout = new QVBoxLayout(this);
    auto* summary = new QLabel(summaryText(comparison, mode), this);
    summary->setObjectName(QStringLiteral("labelSummary"));
    summary->setWordWrap(true);
    layout->addWidget(summary);
    QTableWidget* table = changesTable(comparison, this);
    layout->addWidget(table);

    auto* buttons = new QDialogButtonBox(this);
    if (mode == ConfirmWrite) {
        QPushButton* write =
            buttons->addButton(QStringLiteral("Записать"), QDialogButtonBox::AcceptRole);
        write->setObjectName(QStringLiteral("buttonWrite"));
        buttons->addButton(QDialogButtonBox::Cancel);
        // Writing must be a deliberate choice, not an Enter pressed in passing.
        buttons->button(QDialogButtonBox::Cancel)->setDefault(true);
    } else {
        QPushButton* copy =
            buttons->addButton(QStringLiteral("Копировать"), QDialogButtonBox::ActionRole);
        copy->setObjectName(QStringLiteral("buttonCopy"));
        const QString text = comparison.toText();
        connect(copy, &QPushButton::clicked, this,
                [text] { QApplication::clipboard()->setText(text); });
        buttons->addButton(QDialogButtonBox::Close);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(qMax(640, table->horizontalHeader()->length() + 40), 420);
}

bool SettingsChangeDialog::confirmWrite(QWidget* parent, const SettingsComparison& comparison)
{
    SettingsChangeDialog dialog(comparison, ConfirmWrite, parent);
    return dialog.exec() == QDialog::Accepted;
}

void SettingsChangeDialog::showComparison(QWidget* parent, const SettingsComparison& comparison)
{
    SettingsChangeDialog dialog(comparison, CompareOnly, parent);
    dialog.exec();
}
