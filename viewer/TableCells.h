#ifndef TALVIK_VIEWER_TABLECELLS_H
#define TALVIK_VIEWER_TABLECELLS_H

#include <QHeaderView>
#include <QTableWidget>

// The analysis tables change only their texts as a cursor moves; their
// cells are made once and then reused.
namespace tablecells {

inline QTableWidgetItem* set(QTableWidget* table, int row, int column, const QString& text,
                             Qt::Alignment alignment = Qt::AlignRight | Qt::AlignVCenter)
{
    QTableWidgetItem* item = table->item(row, column);
    if (item == nullptr) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setTextAlignment(alignment);
        table->setItem(row, column, item);
    }
    if (item->text() != text)
        item->setText(text);
    return item;
}

// A read-only table of compact rows without a row header.
inline void setUpReadOnly(QTableWidget* table, const QStringList& header)
{
    table->setColumnCount(header.size());
    table->setHorizontalHeaderLabels(header);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setStretchLastSection(true);
}

} // namespace tablecells

#endif
