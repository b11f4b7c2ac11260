#include "ui/LogListWidget.h"

#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

// The log list places row r at r line heights and scrolls sideways as far
// as its widest line; these checks hold it to what a plain list shows.
class TestLogListWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rowsStandOneLineHeightApart();
    void pointsMapBackToTheirRows_data();
    void pointsMapBackToTheirRows();
    void followingTheNewestLineShowsIt();
    void widestLineSetsTheSidewaysRange();
    void clearingForgetsTheWidth();
    void keysMoveTheCurrentLine_data();
    void keysMoveTheCurrentLine();
    void dragSelectsTheRowsCovered();
    void paintsOnlyWhatIsShown();

private:
    void addLines(int count, const QString& text = QStringLiteral("line"));

    LogListWidget* list = nullptr;
};

void TestLogListWidget::init()
{
    list = new LogListWidget;
    list->resize(300, 200);
    list->show();
    QVERIFY(QTest::qWaitForWindowExposed(list));
}

void TestLogListWidget::cleanup()
{
    delete list;
    list = nullptr;
}

void TestLogListWidget::addLines(int count, const QString& text)
{
    for (int i = 0; i < count; ++i)
        list->addItem(text + QString::number(list->count()));
}

void TestLogListWidget::rowsStandOneLineHeightApart()
{
    addLines(50);
    const int height = list->lineHeight();
    QVERIFY(height >= list->fontMetrics().height());
    for (int row : {0, 1, 7, 49}) {
        const QRect rect = list->visualRect(list->model()->index(row, 0));
        QCOMPARE(rect.top(), row * height);
        QCOMPARE(rect.height(), height);
        // Marked across the whole list when selected.
        QVERIFY(rect.width() >= list->viewport()->width());
    }
    QVERIFY(!list->visualRect(QModelIndex()).isValid());
}

void TestLogListWidget::pointsMapBackToTheirRows_data()
{
    QTest::addColumn<int>("scrolledLines");
    QTest::addColumn<int>("row");

    QTest::newRow("unscrolled, first") << 0 << 0;
    QTest::newRow("unscrolled, fifth") << 0 << 4;
    QTest::newRow("scrolled, far down") << 500 << 503;
}

void TestLogListWidget::pointsMapBackToTheirRows()
{
    QFETCH(int, scrolledLines);
    QFETCH(int, row);

    addLines(1000);
    // The ranges catch up with the new lines when the event loop runs.
    QCoreApplication::processEvents();
    list->verticalScrollBar()->setValue(scrolledLines * list->lineHeight());
    const QModelIndex index = list->model()->index(row, 0);
    const QRect rect = list->visualRect(index);
    QCOMPARE(list->indexAt(rect.center()), index);
    QCOMPARE(list->indexAt(rect.topLeft()), index);
    // Below the last line there is nothing.
    list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
    QVERIFY(
        !list->indexAt(QPoint(5, list->viewport()->height() + 5 * list->lineHeight())).isValid());
}

void TestLogListWidget::followingTheNewestLineShowsIt()
{
    for (int i = 0; i < 400; ++i) {
        list->addItem(QStringLiteral("line %1").arg(i));
        list->setCurrentRow(list->count() - 1, QItemSelectionModel::NoUpdate);
    }
    const QRect last = list->visualRect(list->model()->index(399, 0));
    QVERIFY(list->viewport()->rect().contains(last));
    QCOMPARE(list->indexAt(QPoint(5, list->viewport()->height() - 2)).row(), 399);

    list->scrollTo(list->model()->index(0, 0), QAbstractItemView::PositionAtTop);
    QCOMPARE(list->verticalScrollBar()->value(), 0);
    list->scrollTo(list->model()->index(200, 0), QAbstractItemView::PositionAtCenter);
    QVERIFY(list->viewport()->rect().contains(list->visualRect(list->model()->index(200, 0))));
}

void TestLogListWidget::widestLineSetsTheSidewaysRange()
{
    addLines(10);
    QCoreApplication::processEvents();
    QCOMPARE(list->horizontalScrollBar()->maximum(), 0);

    const QString frame = QStringLiteral("Принят пакет: ") + QString(400, QLatin1Char('F'));
    list->addItem(frame);
    addLines(10);
    QCoreApplication::processEvents();
    const int needed = list->fontMetrics().horizontalAdvance(frame);
    QVERIFY(list->contentWidth() >= needed);
    QVERIFY(list->horizontalScrollBar()->maximum() >= needed - list->viewport()->width());

    // A line made longer afterwards counts too.
    list->item(0)->setText(frame + frame);
    QVERIFY(list->contentWidth() >= 2 * needed);
}

void TestLogListWidget::clearingForgetsTheWidth()
{
    list->addItem(QString(500, QLatin1Char('x')));
    QCoreApplication::processEvents();
    QVERIFY(list->horizontalScrollBar()->maximum() > 0);
    list->clear();
    QCoreApplication::processEvents();
    QCOMPARE(list->contentWidth(), 0);
    QCOMPARE(list->horizontalScrollBar()->maximum(), 0);
    QCOMPARE(list->verticalScrollBar()->maximum(), 0);
}

void TestLogListWidget::keysMoveTheCurrentLine_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected");

    const int start = 100;
    QTest::newRow("down") << int(Qt::Key_Down) << start + 1;
    QTest::newRow("up") << int(Qt::Key_Up) << start - 1;
    QTest::newRow("home") << int(Qt::Key_Home) << 0;
    QTest::newRow("end") << int(Qt::Key_End) << 299;
    QTest::newRow("page down") << int(Qt::Key_PageDown) << -1;
}

void TestLogListWidget::keysMoveTheCurrentLine()
{
    QFETCH(int, key);
    QFETCH(int, expected);

    addLines(300);
    list->setCurrentRow(100);
    list->setFocus();
    QTest::keyClick(list, Qt::Key(key));
    if (expected < 0) {
        // A page further: as many lines as the list shows.
        const int page = list->viewport()->height() / list->lineHeight();
        QCOMPARE(list->currentRow(), 100 + page);
    } else {
        QCOMPARE(list->currentRow(), expected);
    }
    QVERIFY(list->viewport()->rect().intersects(list->visualItemRect(list->currentItem())));
}

void TestLogListWidget::dragSelectsTheRowsCovered()
{
    addLines(50);
    const QRect second = list->visualRect(list->model()->index(1, 0));
    const QRect fourth = list->visualRect(list->model()->index(3, 0));
    QTest::mousePress(list->viewport(), Qt::LeftButton, Qt::NoModifier, second.center());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier, fourth.center());
    QList<int> rows;
    for (QListWidgetItem* item : list->selectedItems())
        rows << list->row(item);
    std::sort(rows.begin(), rows.end());
    QCOMPARE(rows, QList<int>({1, 2, 3}));
}

void TestLogListWidget::paintsOnlyWhatIsShown()
{
    // A delegate that counts the rows it is asked to paint.
    class Counting : public QStyledItemDelegate
    {
    public:
        using QStyledItemDelegate::QStyledItemDelegate;
        void paint(QPainter* painter, const QStyleOptionViewItem& option,
                   const QModelIndex& index) const override
        {
            ++painted;
            QStyledItemDelegate::paint(painter, option, index);
        }
        mutable int painted = 0;
    };
    auto* counting = new Counting(list);
    list->setItemDelegate(counting);
    addLines(20000);
    list->scrollToBottom();
    list->viewport()->repaint();
    const int shown = list->viewport()->height() / list->lineHeight() + 2;
    QVERIFY2(counting->painted > 0 && counting->painted <= 2 * shown,
             qPrintable(QString::number(counting->painted)));
}

QTEST_MAIN(TestLogListWidget)
#include "tst_loglistwidget.moc"
