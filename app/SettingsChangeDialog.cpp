#include "app/SettingsChangeDialog.h"

#include "app/AppSettings.h"
#include "relay/SettingsComparison.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

SettingsChangeDialog::SettingsChangeDialog(const SettingsComparison& comparison, Mode mode,
                                           QWidget* parent, const Sides& sides,
                                           AppSettings* settings)
    : QDialog(parent), comparison(comparison), sides(sides), settings(settings),
      ignored(mode == CompareOnly && settings != nullptr ? settings->ignoredInComparison()
                                                         : QSet<uint16_t>()),
      summary(new QLabel(this)), table(new QTableWidget(this))
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowTitle(mode == ConfirmWrite ? QStringLiteral("Запись уставок") : sides.title);
    auto* layout = new QVBoxLayout(this);
    summary->setObjectName(QStringLiteral("labelSummary"));
    summary->setWordWrap(true);
    layout->addWidget(summary);
    fillTable(mode, sides);
    layout->addWidget(table);
    showSummary(mode);

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
        connect(copy, &QPushButton::clicked, this,
                [this] { QApplication::clipboard()->setText(comparedText()); });
        buttons->addButton(QDialogButtonBox::Close);
        connect(table, &QTableWidget::itemChanged, this, &SettingsChangeDialog::ignoreToggled);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(qMax(640, table->horizontalHeader()->length() + 40), 420);
}

void SettingsChangeDialog::fillTable(Mode mode, const Sides& sides)
{
    const bool comparing = mode == CompareOnly;
    table->setObjectName(QStringLiteral("tableChanges"));
    table->setRowCount(comparison.changes().size());
    QStringList headers = SettingsComparison::headers(sides.first, sides.second);
    if (comparing)
        headers << QStringLiteral("Не сравнивать");
    table->setColumnCount(headers.size());
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    int row = 0;
    for (const SettingsComparison::Change& change : comparison.changes()) {
        const QStringList cells = SettingsComparison::cells(change);
        for (int column = 0; column < cells.size(); ++column)
            table->setItem(row, column, new QTableWidgetItem(cells.at(column)));
        if (comparing) {
            auto* box = new QTableWidgetItem;
            box->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            box->setData(Qt::UserRole, change.reg);
            box->setCheckState(ignored.contains(change.reg) ? Qt::Checked : Qt::Unchecked);
            table->setItem(row, ignoreColumn, box);
            ignoreToggled(box);
        }
        ++row;
    }
    table->resizeColumnsToContents();
    // Spare width goes to the caption, the longest text; the register number
    // stays narrow at the end.
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
}

// A row left out of the comparison is greyed, and the store keeps the choice.
void SettingsChangeDialog::ignoreToggled(QTableWidgetItem* item)
{
    if (item->column() != ignoreColumn)
        return;
    const auto reg = static_cast<uint16_t>(item->data(Qt::UserRole).toUInt());
    const bool ignore = item->checkState() == Qt::Checked;
    const QBrush text = ignore ? palette().brush(QPalette::Disabled, QPalette::Text)
                               : palette().brush(QPalette::Active, QPalette::Text);
    for (int column = 0; column < ignoreColumn; ++column) {
        if (QTableWidgetItem* cell = table->item(item->row(), column))
            cell->setForeground(text);
    }
    if (ignore == ignored.contains(reg))
        return;
    if (ignore)
        ignored.insert(reg);
    else
        ignored.remove(reg);
    if (settings != nullptr)
        settings->setIgnoredInComparison(ignored);
    showSummary(CompareOnly);
}

void SettingsChangeDialog::showSummary(Mode mode)
{
    if (mode == ConfirmWrite) {
        QString text =
            QStringLiteral("Будут записаны уставки: %1.").arg(comparison.changes().size());
        if (comparison.unchangedCount() > 0)
            text += QStringLiteral(" Совпадают с реле и не записываются: %1.")
                        .arg(comparison.unchangedCount());
        summary->setText(text);
        return;
    }
    int differing = 0;
    for (const SettingsComparison::Change& change : comparison.changes())
        differing += ignored.contains(change.reg) ? 0 : 1;
    int leftOut = 0;
    for (const uint16_t reg : comparison.comparedRegisters())
        leftOut += ignored.contains(reg) ? 1 : 0;
    const int same = comparison.comparedRegisters().size() - leftOut - differing;
    QString text = sides.differFrom.isEmpty()
                       ? QStringLiteral("Отличаются: %1.").arg(differing)
                       : QStringLiteral("Отличаются %1: %2.").arg(sides.differFrom).arg(differing);
    if (same > 0)
        text += QStringLiteral(" Совпадают: %1.").arg(same);
    if (leftOut > 0)
        text += QLatin1Char(' ') + SettingsComparison::ignoredText(leftOut) + QLatin1Char('.');
    summary->setText(text);
}

// The compared rows as tab-separated lines with a heading line.
QString SettingsChangeDialog::comparedText() const
{
    SettingsComparison shown;
    for (const SettingsComparison::Change& change : comparison.changes()) {
        if (!ignored.contains(change.reg))
            shown.append(change);
    }
    return shown.toText(SettingsComparison::headers(sides.first, sides.second));
}

bool SettingsChangeDialog::confirmWrite(QWidget* parent, const SettingsComparison& comparison)
{
    SettingsChangeDialog dialog(comparison, ConfirmWrite, parent);
    return dialog.exec() == QDialog::Accepted;
}

void SettingsChangeDialog::showComparison(QWidget* parent, const SettingsComparison& comparison,
                                          const Sides& sides, AppSettings* settings)
{
    SettingsChangeDialog dialog(comparison, CompareOnly, parent, sides, settings);
    dialog.exec();
}
