#include "ui/LogListWidget.h"

#include <QAbstractItemDelegate>
#include <QEvent>
#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>

LogListWidget::LogListWidget(QWidget* parent) : QListWidget(parent)
{
    // Scroll positions are pixels: row r starts at r times the line height.
    setVerticalScrollMode(ScrollPerPixel);
    setHorizontalScrollMode(ScrollPerPixel);
    setUniformItemSizes(true);
    setSelectionMode(ExtendedSelection);
}

int LogListWidget::lineHeight() const
{
    if (cachedLineHeight <= 0) {
        // What the delegate asks of the style for a one-line text item.
        QStyleOptionViewItem option = viewOptions();
        option.features |= QStyleOptionViewItem::HasDisplay;
        option.text = QStringLiteral("Xg");
        const QSize size =
            style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this);
        cachedLineHeight = qMax(size.height(), fontMetrics().height());
    }
    return cachedLineHeight;
}

int LogListWidget::textWidth(int row) const
{
    const QListWidgetItem* line = item(row);
    if (line == nullptr)
        return 0;
    // The delegate keeps this margin on each side of the text.
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    return fontMetrics().horizontalAdvance(line->text()) + 2 * margin;
}

void LogListWidget::measureRows(int first, int last)
{
    for (int row = first; row <= last; ++row)
        widest = qMax(widest, textWidth(row));
}

void LogListWidget::measureAll()
{
    widest = 0;
    measureRows(0, count() - 1);
}

int LogListWidget::rowAtY(int y) const
{
    const int position = y + verticalOffset();
    // Division rounds toward zero; a point above the first row is row -1.
    return position < 0 ? -1 : position / lineHeight();
}

int LogListWidget::rowsPerPage() const
{
    return qMax(1, viewport()->height() / lineHeight());
}

QRect LogListWidget::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != model() || index.column() != 0)
        return QRect();
    const int height = lineHeight();
    // A line is as wide as the viewport at least, so a selection is marked
    // across the whole list.
    return QRect(-horizontalOffset(), index.row() * height - verticalOffset(),
                 qMax(widest, viewport()->width()), height);
}

QModelIndex LogListWidget::indexAt(const QPoint& point) const
{
    const int row = rowAtY(point.y());
    if (row < 0 || row >= count())
        return QModelIndex();
    return model()->index(row, 0, rootIndex());
}

void LogListWidget::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid())
        return;
    // The ranges may still wait for the lines added since the last layout.
    updateScrollRanges();
    const int height = lineHeight();
    const int top = index.row() * height;
    const int bottom = top + height;
    const int page = viewport()->height();
    QScrollBar* bar = verticalScrollBar();
    int value = bar->value();
    switch (hint) {
    case EnsureVisible:
        if (top < value)
            value = top;
        else if (bottom > value + page)
            value = bottom - page;
        break;
    case PositionAtTop:
        value = top;
        break;
    case PositionAtBottom:
        value = bottom - page;
        break;
    case PositionAtCenter:
        value = top - (page - height) / 2;
        break;
    }
    // The sideways position stays: following new lines must not jump back
    // from the part of a long frame the user scrolled to.
    bar->setValue(value);
}

void LogListWidget::doItemsLayout()
{
    // Nothing to place: every row's position follows from its number. Only
    // the scroll ranges and the picture need bringing up to date.
    QAbstractItemView::doItemsLayout();
}

void LogListWidget::reset()
{
    widest = 0;
    QListWidget::reset();
}

QModelIndex LogListWidget::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const int rows = count();
    if (rows == 0)
        return QModelIndex();
    const QModelIndex current = currentIndex();
    int row = current.isValid() ? current.row() : 0;
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious:
        --row;
        break;
    case MoveDown:
    case MoveNext:
        ++row;
        break;
    case MovePageUp:
        row -= rowsPerPage();
        break;
    case MovePageDown:
        row += rowsPerPage();
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = rows - 1;
        break;
    case MoveLeft:
    case MoveRight: {
        // One column of lines: sideways keys scroll the long frames.
        QScrollBar* bar = horizontalScrollBar();
        const int step = bar->singleStep() * (cursorAction == MoveLeft ? -1 : 1);
        bar->setValue(bar->value() + step);
        return current;
    }
    }
    return model()->index(qBound(0, row, rows - 1), 0, rootIndex());
}

int LogListWidget::horizontalOffset() const
{
    return horizontalScrollBar()->value();
}

int LogListWidget::verticalOffset() const
{
    return verticalScrollBar()->value();
}

bool LogListWidget::isIndexHidden(const QModelIndex&) const
{
    return false;
}

void LogListWidget::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command)
{
    const QRect area = rect.normalized();
    const int first = qMax(0, rowAtY(area.top()));
    const int last = qMin(count() - 1, rowAtY(area.bottom()));
    if (first > last) {
        selectionModel()->select(QItemSelection(), command);
        return;
    }
    const QItemSelection rows(model()->index(first, 0, rootIndex()),
                              model()->index(last, 0, rootIndex()));
    selectionModel()->select(rows, command);
}

QRegion LogListWidget::visualRegionForSelection(const QItemSelection& selection) const
{
    const int height = lineHeight();
    const QRect shown = viewport()->rect();
    QRegion region;
    for (const QItemSelectionRange& range : selection) {
        if (!range.isValid() || range.parent() != rootIndex())
            continue;
        const int top = range.top() * height - verticalOffset();
        const int bottom = (range.bottom() + 1) * height - verticalOffset();
        region += QRect(0, top, shown.width(), bottom - top).intersected(shown);
    }
    return region;
}

void LogListWidget::paintEvent(QPaintEvent* event)
{
    const int rows = count();
    if (rows == 0)
        return;
    const QRect area = event->rect();
    const int first = qMax(0, rowAtY(area.top()));
    const int last = qMin(rows - 1, rowAtY(area.bottom()));

    QPainter painter(viewport());
    QStyleOptionViewItem option = viewOptions();
    const QStyle::State baseState = option.state;
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const QItemSelectionModel* selections = selectionModel();
    QAbstractItemDelegate* delegate = itemDelegate();
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        option.rect = visualRect(index);
        option.state = baseState;
        if (selections != nullptr && selections->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (focus && index == current)
            option.state |= QStyle::State_HasFocus;
        delegate->paint(&painter, option, index);
    }
}

void LogListWidget::updateScrollRanges()
{
    const int height = lineHeight();
    const QSize shown = viewport()->size();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setSingleStep(height);
    vertical->setPageStep(shown.height());
    vertical->setRange(0, qMax(0, count() * height - shown.height()));
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setSingleStep(qMax(1, fontMetrics().averageCharWidth() * 4));
    horizontal->setPageStep(shown.width());
    horizontal->setRange(0, qMax(0, widest - shown.width()));
}

void LogListWidget::updateGeometries()
{
    updateScrollRanges();
    QAbstractItemView::updateGeometries();
}

void LogListWidget::scrollContentsBy(int dx, int dy)
{
    viewport()->scroll(dx, dy);
}

void LogListWidget::rowsInserted(const QModelIndex& parent, int start, int end)
{
    // The base list would lay out every row again here.
    QAbstractItemView::rowsInserted(parent, start, end);
    measureRows(start, end);
    // One update of the ranges and the picture for all the lines added
    // before the event loop runs again.
    scheduleDelayedItemsLayout();
}

void LogListWidget::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end)
{
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
    scheduleDelayedItemsLayout();
}

void LogListWidget::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                const QVector<int>& roles)
{
    if (roles.isEmpty() || roles.contains(Qt::DisplayRole))
        measureRows(topLeft.row(), bottomRight.row());
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
    scheduleDelayedItemsLayout();
}

void LogListWidget::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        // The only times every line is measured again.
        cachedLineHeight = 0;
        measureAll();
        scheduleDelayedItemsLayout();
    }
    QListWidget::changeEvent(event);
}

QSize LogListWidget::viewportSizeHint() const
{
    return QSize(widest, count() * lineHeight());
}
