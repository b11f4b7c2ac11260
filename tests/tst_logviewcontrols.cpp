#include "app/LogViewControls.h"
#include "base/Logger.h"
#include "ui/ListLogSink.h"
#include "ui/LogListWidget.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

class TestLogViewControls : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void findWalksMatchesRoundTheList_data();
    void findWalksMatchesRoundTheList();
    void findMarksTheMatchAndPauses();
    void findWithoutMatchLeavesTheListAlone();
    void shortcutsReachFindAndCopy();
    void copyTakesSelectedLinesInListOrder();
    void resumingReturnsToTheNewestLine();
    void timeStampActionSwitchesTheLog();

private:
    QWidget* tab = nullptr;
    LogViewControls::Widgets widgets;
    LogViewControls* controls = nullptr;
    ListLogSink* sink = nullptr;
};

void TestLogViewControls::init()
{
    tab = new QWidget;
    auto* column = new QVBoxLayout(tab);
    widgets.logTab = tab;
    widgets.pause = new QToolButton(tab);
    widgets.pause->setCheckable(true);
    widgets.find = new QLineEdit(tab);
    widgets.findPrevious = new QToolButton(tab);
    widgets.findNext = new QToolButton(tab);
    widgets.list = new LogListWidget(tab);
    widgets.timeStamps = new QAction(tab);
    widgets.timeStamps->setCheckable(true);
    const QList<QWidget*> shown = {widgets.pause, widgets.find, widgets.findPrevious,
                                   widgets.findNext, widgets.list};
    for (QWidget* widget : shown)
        column->addWidget(widget);
    sink = new ListLogSink(widgets.list);
    widgets.sink = sink;
    controls = new LogViewControls(widgets, tab);
    Logger::instance().setLevel(static_cast<int>(LogLevel::Debug));
    for (const char* line : {"alpha", "Таймаут ответа!", "beta", "ТАЙМАУТ again", "gamma"})
        logInfo("%s", line);
    tab->show();
    QVERIFY(QTest::qWaitForWindowExposed(tab));
}

void TestLogViewControls::cleanup()
{
    delete sink;
    sink = nullptr;
    delete tab;
    tab = nullptr;
}

void TestLogViewControls::findWalksMatchesRoundTheList_data()
{
    QTest::addColumn<int>("startRow");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<int>("expected");

    // The text is found whatever its case.
    QTest::newRow("next from the top") << 0 << true << 1;
    QTest::newRow("next from a match") << 1 << true << 3;
    QTest::newRow("next wraps to the top") << 3 << true << 1;
    QTest::newRow("previous from the end") << 4 << false << 3;
    QTest::newRow("previous wraps to the end") << 1 << false << 3;
    QTest::newRow("no current line, next") << -1 << true << 1;
}

void TestLogViewControls::findWalksMatchesRoundTheList()
{
    QFETCH(int, startRow);
    QFETCH(bool, forward);
    QFETCH(int, expected);

    widgets.find->setText(QStringLiteral("таймаут"));
    widgets.list->setCurrentRow(startRow);
    QCOMPARE(controls->findRow(forward), expected);
}

void TestLogViewControls::findMarksTheMatchAndPauses()
{
    widgets.find->setText(QStringLiteral("beta"));
    QTest::mouseClick(widgets.findNext, Qt::LeftButton);
    QCOMPARE(widgets.list->currentRow(), 2);
    QCOMPARE(widgets.list->selectedItems(), QList<QListWidgetItem*>{widgets.list->item(2)});
    QVERIFY(widgets.pause->isChecked());
    // New lines no longer move the user away from the match.
    logInfo("delta");
    QCOMPARE(widgets.list->currentRow(), 2);
    QCOMPARE(widgets.list->count(), 6);
}

void TestLogViewControls::findWithoutMatchLeavesTheListAlone()
{
    widgets.list->setCurrentRow(4, QItemSelectionModel::NoUpdate);
    const QColor normal = widgets.find->palette().color(QPalette::Base);
    widgets.find->setText(QStringLiteral("nowhere"));
    QTest::keyClick(widgets.find, Qt::Key_Return);
    QCOMPARE(widgets.list->currentRow(), 4);
    QVERIFY(!widgets.pause->isChecked());
    QVERIFY(widgets.find->palette().color(QPalette::Base) != normal);
    // Typing again takes the mark away.
    QTest::keyClick(widgets.find, Qt::Key_Backspace);
    QCOMPARE(widgets.find->palette().color(QPalette::Base), normal);
}

void TestLogViewControls::shortcutsReachFindAndCopy()
{
    widgets.list->setFocus();
    QTest::keyClick(widgets.list, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(widgets.find->hasFocus());
    QTest::keyClicks(widgets.find, QStringLiteral("gamma"));
    QTest::keyClick(tab, Qt::Key_F3);
    QCOMPARE(widgets.list->currentRow(), 4);

    widgets.list->setFocus();
    QApplication::clipboard()->clear();
    QTest::keyClick(widgets.list, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("gamma"));
}

void TestLogViewControls::copyTakesSelectedLinesInListOrder()
{
    widgets.list->item(3)->setSelected(true);
    widgets.list->item(0)->setSelected(true);
    widgets.list->item(2)->setSelected(true);
    QCOMPARE(controls->selectedText(), QStringLiteral("alpha\nbeta\nТАЙМАУТ again"));
    controls->copySelection();
    QCOMPARE(QApplication::clipboard()->text(), controls->selectedText());
}

void TestLogViewControls::resumingReturnsToTheNewestLine()
{
    widgets.pause->setChecked(true);
    widgets.list->setCurrentRow(0);
    for (int i = 0; i < 200; ++i)
        logInfo("line %d", i);
    QCOMPARE(widgets.list->currentRow(), 0);
    widgets.pause->setChecked(false);
    const int last = widgets.list->count() - 1;
    QCOMPARE(widgets.list->currentRow(), last);
    QVERIFY(widgets.list->viewport()->rect().intersects(
        widgets.list->visualItemRect(widgets.list->item(last))));
    // The user's selection is left as it was.
    QVERIFY(widgets.list->item(0)->isSelected());
}

void TestLogViewControls::timeStampActionSwitchesTheLog()
{
    widgets.timeStamps->setChecked(true);
    QVERIFY(sink->hasTimeStamps());
    widgets.timeStamps->setChecked(false);
    QVERIFY(!sink->hasTimeStamps());
}

QTEST_MAIN(TestLogViewControls)
#include "tst_logviewcontrols.moc"
