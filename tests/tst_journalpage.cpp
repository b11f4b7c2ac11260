// The events page and the record list through the whole program, from a
// relay on a pseudo-terminal.
#include "records/JournalTableModel.h"
#include "records/LogReader.h"
#include "support/EventWait.h"
#include "support/RelayContent.h"
#include "support/ReliabilityHarness.h"
#include "viewer/RecordViewer.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace reliability;

namespace {

QString statusText(MainWindow& window)
{
    return window.statusBar()->currentMessage();
}

// The table's rows as they are shown, each as a CSV line.
QStringList shownLines(QTableView* table)
{
    QStringList lines;
    for (int row = 0; row < table->model()->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table->model()->columnCount(); ++column)
            cells << table->model()->index(row, column).data().toString();
        lines << cells.join(';') + '\n';
    }
    return lines;
}

// The COMTRADE pair names of the listed records.
QStringList pairNames(QListWidget* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i) {
        const QString base = list->item(i)->text().replace(' ', '_').replace(':', '_');
        names << base + ".cfg" << base + ".dat";
    }
    names.sort();
    return names;
}

} // namespace

class TestJournalPage : public QObject, private Scenario
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { closeAll(); }

    void journalIsShownSortedFilteredAndSavedAsToday();
    void eventIsMarkedWithItsRecordOnceTheListIsRead();
    void listReadAtStartIsSavedAsOneSavesWriteAndStopsAtAFailure();
};

void TestJournalPage::init()
{
    openRelay();
    QVERIFY(relay->isValid());
    relaycontent::loadRecords(*relay);
    openWindow();
    QVERIFY(connectAndPoll(*relay, true));
}

void TestJournalPage::journalIsShownSortedFilteredAndSavedAsToday()
{
    QVERIFY(windowtest::readJournal(*window));
    QCOMPARE(statusText(*window), QStringLiteral("Считано 26 событий"));
    QTemporaryDir dir;
    QVERIFY(windowtest::saveJournal(*window, *closer, dir.filePath("a.csv")));
    const QByteArray csv = readFile(dir.filePath("a.csv"));
    // The newest event first (ring position 4), as the file has always had it.
    QVERIFY2(csv.startsWith("Тип;Iвтор;Iперв;Дата;Время\nВЗ;1.24;49.60;5.5.2019;4:55:4.040\n"),
             csv.constData());
    QBuffer written;
    written.open(QIODevice::WriteOnly);
    QVERIFY(MainWindowTestAccess(*window).logReader()->write(written));
    QCOMPARE(csv, written.data());
    // The table shows the file's lines in the file's order.
    auto* table = child<QTableView>(window, "journalTable");
    QCOMPARE(shownLines(table).join(QString()).toUtf8(), csv.mid(csv.indexOf('\n') + 1));

    // Sorted by the primary current, then only МТЗ-1, then a text.
    table->horizontalHeader()->setSortIndicator(JournalTableModel::PrimaryColumn,
                                                Qt::AscendingOrder);
    for (int row = 1; row < table->model()->rowCount(); ++row)
        QVERIFY(table->model()->index(row - 1, 2).data().toDouble() <=
                table->model()->index(row, 2).data().toDouble());
    auto* types = child<QComboBox>(window, "comboJournalType");
    types->setCurrentText(QStringLiteral("МТЗ-1"));
    QCOMPARE(table->model()->rowCount(), 5);
    child<QLineEdit>(window, "editJournalFilter")->setText("9.9.2019");
    QCOMPARE(shownLines(table), QStringList{"МТЗ-1;1.98;79.20;9.9.2019;8:51:8.080\n"});

    // What the table shows changes nothing in the file.
    QVERIFY(windowtest::saveJournal(*window, *closer, dir.filePath("b.csv")));
    QCOMPARE(readFile(dir.filePath("b.csv")), csv);
}

void TestJournalPage::eventIsMarkedWithItsRecordOnceTheListIsRead()
{
    // The newest event 650 ms after record 1's trigger (1.1.2019 0:02:00.250).
    QByteArray trip = relaycontent::journalEntry(relaycontent::journalPointer);
    trip[4] = char(900 & 0xFF);
    trip[5] = char(900 >> 8);
    trip[6] = 0;
    trip[7] = 2;
    trip[8] = 0;
    trip[10] = 1;
    trip[12] = char(0x81);
    relay->setFile(RelayMap::firstJournalFile + relaycontent::journalPointer, trip);
    auto* list = child<QListWidget>(window, "crashList");
    QCOMPARE(list->item(0)->text(), QStringLiteral("Список пуст — нажмите «Считать список»"));
    QCOMPARE(list->item(0)->flags(), Qt::NoItemFlags);

    QVERIFY(windowtest::readJournal(*window));
    auto* table = child<QTableView>(window, "journalTable");
    const QModelIndex newest = table->model()->index(0, JournalTableModel::TimeColumn);
    QCOMPARE(newest.data().toString(), QStringLiteral("0:2:0.900"));
    QCOMPARE(newest.data(JournalTableModel::RecordRole).toInt(), -1);

    // The list read afterwards marks it.
    child<QPushButton>(window, "btnReadRecords")->click();
    TRY_COMPARE(list->count(), 3, 10000);
    QCOMPARE(newest.data(JournalTableModel::RecordRole).toInt(), 1);
    QVERIFY2(newest.data(Qt::ToolTipRole).toString().startsWith("Осциллограмма №1 (01.01.2019"),
             qPrintable(newest.data(Qt::ToolTipRole).toString()));
    QCOMPARE(table->model()->index(1, 0).data(JournalTableModel::RecordRole).toInt(), -1);

    // A double click reads the record and shows it.
    // A widget's double click in QtTest comes without its first press.
    const QPoint onEvent = table->visualRect(newest).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, onEvent);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, onEvent);
    TRY_VERIFY(window->findChild<RecordViewer*>() != nullptr, 10000);
    QVERIFY(window->findChild<RecordViewer*>()->windowTitle().contains("01.01.2019_00_02_00"));
}

void TestJournalPage::listReadAtStartIsSavedAsOneSavesWriteAndStopsAtAFailure()
{
    // Asked for, the list is read as polling starts.
    action(*window, "actionStop")->trigger();
    child<QCheckBox>(window, "checkReadRecordsOnConnect")->setChecked(true);
    action(*window, "actionStart")->trigger();
    auto* list = child<QListWidget>(window, "crashList");
    TRY_COMPARE(list->count(), 3, 10000);
    QTemporaryDir all;
    closer->expectFileDialog(all.path());
    child<QPushButton>(window, "btnSaveAllRecords")->click();
    TRY_COMPARE(statusText(*window), QStringLiteral("Сохранено 3 осциллограммы"), 20000);
    QVERIFY2(closer->waitUntilDone(0), closer->describe().constData());
    QCOMPARE(QDir(all.path()).entryList(QDir::Files, QDir::Name), pairNames(list));

    // Record 2 saved alone: the same bytes.
    QTemporaryDir one;
    list->setCurrentRow(2);
    closer->expectFileDialog(one.path());
    closer->expectMessageBox();
    child<QPushButton>(window, "buttonSaveRecord")->click();
    QVERIFY2(closer->waitUntilDone(20000), closer->describe().constData());
    const QStringList pair = QDir(one.path()).entryList(QDir::Files);
    QCOMPARE(pair, pairNames(list).mid(4));
    for (const QString& name : pair)
        QCOMPARE(readFile(all.filePath(name)), readFile(one.filePath(name)));

    // Record 1's configuration cannot be written (a folder has its name):
    // the box names it, and record 2 is not begun.
    QTemporaryDir blocked;
    QVERIFY(QDir(blocked.path()).mkdir(pairNames(list).at(2)));
    closer->seen.clear();
    closer->expectFileDialog(blocked.path());
    closer->expectMessageBox();
    child<QPushButton>(window, "btnSaveAllRecords")->click();
    QVERIFY2(closer->waitUntilDone(20000), closer->describe().constData());
    const QString text = closer->seen.last().text;
    QVERIFY2(text.contains("осциллограмму №1 (01.01.2019") &&
                 text.endsWith("\nСохранено 1 осциллограмма."),
             qPrintable(text));
    QCOMPARE(statusText(*window), QStringLiteral("Сохранено 1 осциллограмма"));
    QVERIFY(QFile::exists(blocked.filePath(pairNames(list).at(0))));
    QVERIFY(!QFile::exists(blocked.filePath(pairNames(list).at(4))));
}

QTEST_MAIN(TestJournalPage)
#include "tst_journalpage.moc"
