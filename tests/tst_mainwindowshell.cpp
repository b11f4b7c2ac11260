#include "app/MainWindow.h"
#include "records/JournalTableModel.h"
#include "support/EventWait.h"
#include "support/MainWindowTestAccess.h"
#include "support/ModalCloser.h"
#include "support/ShortLineTiming.h"
#include "support/TestRelay.h"

#include "base/Logger.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QDir>
#include <QFileDialog>
#include <QFile>
#include <QSerialPort>
#include <QSettings>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTest>
#include <QTextBrowser>

namespace {

using windowtest::action;
using windowtest::child;

} // namespace

// The window as an everyday tool: it fits a laptop, has its icon and help.
class TestMainWindowShell : public QObject
{
    Q_OBJECT

private slots:
    // Whole readings from the demo relay, at a quarter of its answer delay.
    void initTestCase() { shortenLineTiming(); }
    void windowFitsSmallScreens_data();
    void windowFitsSmallScreens();
    void everyPageScrollsInsteadOfGrowing();
    void windowHasItsIcon();
    void helpPageDescribesTheWorkflows();
    void aboutNamesVersionsAndLicence();
    void settingsOutliveTheWindow();
    void typedPortNameReachesTheLink();
    void pollingGoesOnAfterAGatewayRestartAndDiagnosticsTellIt();
    void demoFaultLightsLedAndLeavesJournalAndRecord();
};

void TestMainWindowShell::windowFitsSmallScreens_data()
{
    QTest::addColumn<QSize>("room");

    // A 96 dpi limit, and a 1366 x 768 laptop at 125 % less a task bar.
    QTest::newRow("1024 x 640") << QSize(1024, 640);
    QTest::newRow("1366 x 768 at 125 %") << QSize(1366 * 4 / 5, 768 * 4 / 5 - 40);
}

void TestMainWindowShell::windowFitsSmallScreens()
{
    QFETCH(QSize, room);
    // The 9-point font of a usual desktop; the headless platform's own
    // default of 12 points is used by none.
    const QFont previous = QApplication::font();
    QApplication::setFont(QFont(previous.family(), 9));
    QSize needed;
    {
        MainWindow window;
        needed = window.minimumSizeHint().expandedTo(window.minimumSize());
    }
    QApplication::setFont(previous);
    QVERIFY2(needed.width() <= room.width() && needed.height() <= room.height(),
             qPrintable(QStringLiteral("%1 x %2").arg(needed.width()).arg(needed.height())));
}

void TestMainWindowShell::everyPageScrollsInsteadOfGrowing()
{
    MainWindow window;
    window.resize(790, 420);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* pages = child<QStackedWidget>(&window, "displayPages");
    for (int index = 0; index < pages->count(); ++index) {
        pages->setCurrentIndex(index);
        QCoreApplication::processEvents();
        auto* area = qobject_cast<QScrollArea*>(pages->widget(index));
        QVERIFY(area);
        // The page keeps the room it needs and the area scrolls over it.
        QWidget* page = area->widget();
        QVERIFY(page->height() >= page->minimumSizeHint().height());
        QVERIFY2(area->verticalScrollBar()->maximum() > 0, qPrintable(page->objectName()));
    }
    QCOMPARE(window.size(), QSize(790, 420));
}

void TestMainWindowShell::windowHasItsIcon()
{
    MainWindow window;
    const QIcon icon = window.windowIcon();
    QVERIFY(!icon.isNull());
    // Drawn from the SVG at every size asked, not scaled from one bitmap.
    for (int side : {16, 32, 64, 256}) {
        const QPixmap pixmap = icon.pixmap(side, side);
        QVERIFY2(!pixmap.isNull(), qPrintable(QString::number(side)));
        QCOMPARE(pixmap.width(), side);
    }
}

void TestMainWindowShell::helpPageDescribesTheWorkflows()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(action(window, "actionHelp")->shortcut(), QKeySequence(Qt::Key_F1));
    action(window, "actionHelp")->trigger();
    auto* help = child<QDialog>(&window, "HelpDialog");
    QVERIFY(help->isVisible());
    QVERIFY(!help->isModal());
    const QString text = child<QTextBrowser>(help, "helpBrowser")->toPlainText();
    for (const char* topic :
         {"Подключение к реле", "Запись уставок", "Осциллограммы и журнал", "Поиск устройства"})
        QVERIFY2(text.contains(QString::fromUtf8(topic)), topic);
    // Asked again, the same page comes forward.
    action(window, "actionHelp")->trigger();
    QCOMPARE(window.findChildren<QDialog*>("HelpDialog").size(), 1);
}

void TestMainWindowShell::aboutNamesVersionsAndLicence()
{
    MainWindow window;
    window.show();
    ModalCloser closer;
    closer.expectMessageBox();
    action(window, "actionAbout")->trigger();
    QVERIFY2(closer.waitUntilDone(), closer.describe().constData());
    QCOMPARE(closer.seen.value(0).title, QStringLiteral("О программе"));
    const QString text = closer.seen.value(0).text;
    QVERIFY(text.contains(QStringLiteral("TALVIK Клиент")));
    QVERIFY(text.contains(QString::fromLatin1(qVersion())));
    QVERIFY(text.contains(QStringLiteral("LGPL")));
}

void TestMainWindowShell::settingsOutliveTheWindow()
{
    QTemporaryDir folder;
    QSettings store(folder.filePath("talvik-client.conf"), QSettings::IniFormat);
    const QString logFile = folder.filePath("traffic.log");
    const QString logFolder = folder.filePath("traffic");
    QVERIFY(QDir().mkpath(logFolder));
    const QString dayFile =
        QDir(logFolder).filePath(QDate::currentDate().toString("'talvik-'yyyy-MM-dd'.log'"));
    {
        MainWindow window(nullptr, &store);
        window.resize(790, 500);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ModalCloser closer;
        closer.expectDialog([](QDialog* dialog) {
            child<QComboBox>(dialog, "comboPortName")->setEditText("/dev/pts/41");
            child<QComboBox>(dialog, "comboSpeed")->setCurrentIndex(1);
            child<QSpinBox>(dialog, "spinAddress")->setValue(17);
            child<QSpinBox>(dialog, "spinCharInterval")->setValue(60);
            child<QSpinBox>(dialog, "spinInterval")->setValue(4);
            return true;
        });
        action(window, "actionConfigure")->trigger();
        QVERIFY2(closer.waitUntilDone(), closer.describe().constData());
        action(window, "actionLogInfo")->trigger();
        action(window, "actionLogTimeStamps")->trigger();
        closer.expectFileDialog(logFolder);
        action(window, "actionLogToFile")->trigger();
        QVERIFY2(closer.waitUntilDone(), closer.describe().constData());
        logInfo("first run");
        closer.expectFileDialog(logFile);
        action(window, "actionSaveLog")->trigger();
        QVERIFY2(closer.waitUntilDone(), closer.describe().constData());
        QVERIFY(window.close());
    }
    MainWindow window(nullptr, &store);
    MainWindowTestAccess access(window);
    // The dialog shows the last accepted values and they are in force.
    auto* dialog = window.findChild<QDialog*>("ConfigDialog");
    QVERIFY(dialog);
    QCOMPARE(child<QComboBox>(dialog, "comboPortName")->currentText(),
             QStringLiteral("/dev/pts/41"));
    QCOMPARE(child<QComboBox>(dialog, "comboSpeed")->currentData().toInt(), 19200);
    QCOMPARE(access.port()->portName(), QStringLiteral("pts/41"));
    QCOMPARE(access.port()->baudRate(), 19200);
    QVERIFY(action(window, "actionLogInfo")->isChecked());
    QCOMPARE(Logger::instance().level(), 2);
    QVERIFY(action(window, "actionLogTimeStamps")->isChecked());
    QCOMPARE(window.size(), QSize(790, 500));
    // The log goes on into the day's file without being asked again.
    QVERIFY(action(window, "actionLogToFile")->isChecked());
    logInfo("second run");
    QFile traffic(dayFile);
    QVERIFY(traffic.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = traffic.readAll().split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].endsWith(" first run"));
    QVERIFY(lines[1].endsWith(" second run"));
    // The save dialog opens where the last log was saved.
    ModalCloser closer;
    QString shownFolder;
    closer.expectFileDialog(QString(), [&shownFolder] {
        if (auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()))
            shownFolder = files->directory().absolutePath();
    });
    action(window, "actionSaveLog")->trigger();
    QVERIFY2(closer.waitUntilDone(), closer.describe().constData());
    QCOMPARE(shownFolder, QDir(folder.path()).absolutePath());
}

// The gateway drops its connection while the window polls: the status bar
// counts down, the line is made again without a click, polling goes on, and
// the diagnostics file tells the reconnection and the error.
void TestMainWindowShell::pollingGoesOnAfterAGatewayRestartAndDiagnosticsTellIt()
{
    TestRelay gateway(TestRelay::Line::RtuOverTcp);
    QVERIFY(gateway.isValid());
    QTemporaryDir folder;
    MainWindow window;
    window.show();
    MainWindowTestAccess access(window);
    ModalCloser closer;
    windowtest::Settings settings;
    settings.demo = false;
    settings.byLength = true;
    settings.tcpPort = gateway.tcpPort();
    QVERIFY(windowtest::acceptSettings(window, closer, settings));
    action(window, "actionStart")->trigger();
    TRY_VERIFY(gateway.answersSent() >= 3, 5000);

    auto* status = window.findChild<QLabel*>("statusPolling");
    gateway.dropConnection();
    TRY_VERIFY(status->text().startsWith(QStringLiteral("Нет связи — повтор через")), 5000);
    TRY_VERIFY(gateway.connectionCount() == 2 && access.polling(), 5000);
    const int answered = gateway.answersSent();
    TRY_VERIFY(gateway.answersSent() > answered, 5000);
    QVERIFY2(status->text().startsWith(QStringLiteral("Опрос:")), qPrintable(status->text()));

    const QString report = folder.filePath("diagnostics.txt");
    closer.expectFileDialog(report);
    action(window, "actionSaveDiagnostics")->trigger();
    QVERIFY2(closer.waitUntilDone(), closer.describe().constData());
    QFile file(report);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY2(
        text.contains(
            QStringLiteral("Связь: 127.0.0.1:%1 · RTU через TCP · адрес 1").arg(gateway.tcpPort())),
        qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Переподключений: 1")));
    QVERIFY(text.contains(QStringLiteral("Связь прервана")));
    action(window, "actionStop")->trigger();
}

void TestMainWindowShell::typedPortNameReachesTheLink()
{
    TestRelay relay(1);
    QVERIFY(relay.isValid());
    MainWindow window;
    window.show();
    ModalCloser closer;
    // Not in the system's list: typed as a user would.
    closer.expectDialog([&relay](QDialog* dialog) {
        auto* ports = child<QComboBox>(dialog, "comboPortName");
        ports->setEditText(QString());
        QTest::keyClicks(ports, relay.portName());
        child<QSpinBox>(dialog, "spinCharInterval")->setValue(40);
        return true;
    });
    action(window, "actionConfigure")->trigger();
    QVERIFY2(closer.waitUntilDone(), closer.describe().constData());
    action(window, "actionStart")->trigger();
    QVERIFY(MainWindowTestAccess(window).polling());
    TRY_VERIFY(relay.answersSent() >= 3, 5000);
    action(window, "actionStop")->trigger();
}

void TestMainWindowShell::demoFaultLightsLedAndLeavesJournalAndRecord()
{
    MainWindow window;
    window.show();
    ModalCloser closer;
    MainWindowTestAccess access(window);
    QVERIFY(windowtest::acceptSettings(window, closer, windowtest::Settings{}));
    // A simulated minute a second: the fault at half past comes at once.
    access.demoLink()->setTimeScale(60);
    action(window, "actionStart")->trigger();
    QCOMPARE(child<QLabel>(&window, "statusMark")->property("state").toString(),
             QStringLiteral("demo"));
    auto* led = child<QCheckBox>(&window, "ledMTZ1");
    TRY_VERIFY(led->isChecked(), 6000);
    // No further faults while the journal and the record are read.
    access.demoLink()->setTimeScale(1);
    QVERIFY(child<QCheckBox>(&window, "ledIsprav")->isChecked());
    const double ia = child<QLabel>(&window, "lblIa")->text().toDouble();
    QVERIFY2((ia > 140 && ia < 160) || (ia > 1150 && ia < 1250) || ia == 0.0,
             qPrintable(QString::number(ia)));

    QTemporaryDir folder;
    const QString csvPath = folder.filePath("journal.csv");
    QVERIFY(windowtest::readJournal(window));
    QVERIFY(windowtest::saveJournal(window, closer, csvPath));
    const QString csv = QString::fromUtf8(windowtest::readFile(csvPath));
    // 8 x 150 A primary is 20 A on a 300/5 transformer; dated today.
    const QString today = QDate::currentDate().toString("d.M.yyyy");
    const QString line =
        QStringLiteral("МТЗ-1;%1;%2;%3")
            .arg(QLocale().toString(20.0, 'f', 2), QLocale().toString(1200.0, 'f', 2), today);
    QVERIFY2(csv.contains(line), qPrintable(csv));

    action(window, "actionReadHeaders")->trigger();
    auto* records = child<QListWidget>(&window, "crashList");
    TRY_COMPARE(records->count(), 3, 5000);
    int row = -1;
    const QString todayInList = QDate::currentDate().toString("dd.MM.yyyy");
    for (int i = 0; i < records->count(); ++i) {
        if (records->item(i)->text().startsWith(todayInList))
            row = i;
    }
    QVERIFY2(row >= 0, "no record of today's fault");
    // The trip's event, half a second after the record's trigger, is marked
    // with that record once the list is known.
    auto* journal = child<QTableView>(&window, "journalTable");
    const QModelIndex newest = journal->model()->index(0, 0);
    QCOMPARE(newest.data().toString(), QStringLiteral("МТЗ-1"));
    QCOMPARE(newest.data(JournalTableModel::RecordRole), records->item(row)->data(Qt::UserRole));
    records->setCurrentRow(row);
    const QString baseName = records->item(row)->text().replace(' ', '_').replace(':', '_');
    closer.expectFileDialog(folder.path());
    closer.expectMessageBox();
    child<QPushButton>(&window, "buttonSaveRecord")->click();
    QVERIFY2(closer.waitUntilDone(20000), closer.describe().constData());
    QCOMPARE(closer.seen.last().title, QStringLiteral("Успешно"));

    // Read back: phase A in primary amperes from the .cfg's multiplier and
    // ratio, the DO1 trip output from its digital column.
    const QList<QByteArray> cfg =
        windowtest::readFile(folder.filePath(baseName + ".cfg")).split('\n');
    const QList<QByteArray> phaseA = cfg.value(2).split(',');
    QCOMPARE(phaseA.value(1), QByteArray("PhaseA"));
    const double perCount = phaseA.value(5).toDouble() * phaseA.value(10).toDouble();
    const QList<QByteArray> dat =
        windowtest::readFile(folder.filePath(baseName + ".dat")).trimmed().split('\n');
    QCOMPARE(dat.size(), 720);
    double preFault = 0;
    double fault = 0;
    bool tripped = false;
    for (int k = 0; k < dat.size(); ++k) {
        const QList<QByteArray> fields = dat.at(k).trimmed().split(',');
        const double amperes = qAbs(fields.value(2).toDouble() * perCount);
        (k < 120 ? preFault : fault) = qMax(k < 120 ? preFault : fault, amperes);
        tripped = tripped || fields.value(11) == "1";
    }
    QVERIFY2(qAbs(preFault - 212.1) < 12, qPrintable(QString::number(preFault)));
    QVERIFY2(fault > 1600, qPrintable(QString::number(fault)));
    QCOMPARE(dat.last().trimmed().split(',').value(2).toInt(), 0);
    QVERIFY(tripped);
    action(window, "actionStop")->trigger();
}

QTEST_MAIN(TestMainWindowShell)
#include "tst_mainwindowshell.moc"
