#ifndef TALVIK_UI_LOGLISTWIDGET_H
#define TALVIK_UI_LOGLISTWIDGET_H

#include <QListWidget>

class QModelIndex;
class QPaintEvent;

// The log's list: one item per line, every line of one height. A plain list
// view lays out all its items again whenever one is added, so a log that
// grows all day gets slower with every line. Here row r simply stands at
// r times the line height, and the widest line seen so far sets how far the
// list scrolls sideways, so adding a line costs the same at any length.
class LogListWidget : public QListWidget
{
    Q_OBJECT

public:
    explicit LogListWidget(QWidget* parent = nullptr);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void doItemsLayout() override;
    void reset() override;

    int lineHeight() const;
    // The width of the widest line held, in pixels.
    int contentWidth() const { return widest; }

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void paintEvent(QPaintEvent* event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QVector<int>& roles = QVector<int>()) override;
    void changeEvent(QEvent* event) override;
    QSize viewportSizeHint() const override;

private:
    Q_DISABLE_COPY(LogListWidget)

    int textWidth(int row) const;
    void measureRows(int first, int last);
    void measureAll();
    void updateScrollRanges();
    // The row at viewport height y, not clamped to the rows held.
    int rowAtY(int y) const;
    int rowsPerPage() const;

    int widest = 0;
    mutable int cachedLineHeight = 0;
};

#endif
