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

// A read-only table of compact rows without a row header, its columns as
// wide as their texts but `stretched`, which takes the room left.
inline void setUpReadOnly(QTableWidget* table, const QStringList& header, int stretched)
{
    table->setColumnCount(header.size());
    table->setHorizontalHeaderLabels(header);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    for (int column = 0; column < header.size(); ++column)
        table->horizontalHeader()->setSectionResizeMode(
            column, column == stretched ? QHeaderView::Stretch : QHeaderView::ResizeToContents);
}

} // namespace tablecells

#endif
