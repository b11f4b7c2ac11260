#include "app/MainWindow.h"
#include "simulator/DemoRTULink.h"
#include "support/EventWait.h"
#include "support/MainWindowTestAccess.h"
#include "support/ModalCloser.h"
#include "support/ReliabilityHarness.h"
#include "support/TestRelay.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

namespace {

using windowtest::action;
using windowtest::child;
using windowtest::readFile;

const QString program = QStringLiteral(" — TALVIK Клиент");

// A file laid out unlike a saved one (its ranges swapped, 72..73 left out)
// holding the delivered settings, МТЗ-1 "Вкл/Откл" at 7, which its list
// cannot show, and a member of its own.
QJsonObject oddFile()
{
    const DemoRTULink delivered;
    QJsonArray ranges;
    for (const auto& [start, length] : {std::pair<int, int>{56, 15}, {8, 47}}) {
        QJsonArray values;
        for (int reg = start; reg < start + length; ++reg)
            values.append(reg == 8 ? 7 : delivered.registerValue(reg));
        ranges.append(QJsonObject{{"start", start}, {"length", length}, {"values", values}});
    }
    return QJsonObject{{"regs", ranges}, {"object", QStringLiteral("ПС Северная, яч. 7")}};
}

bool writeJson(const QString& path, const QJsonObject& root)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(root).toJson()) > 0;
}

bool isBold(const QWidget* widget)
{
    return widget->font().weight() == QFont::Bold;
}

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { scenario.closeAll(); }

    void editedFileIsSavedInItsLayoutAndReopens();
    void shownFileKeepsTheRelayUntouched();
    void unsavedChangesAskBeforeLeaving_data();
    void unsavedChangesAskBeforeLeaving();
    void fileWritesOnlyItsDifferencesToTheRelay();

private:
    bool open(const QString& path);

    reliability::Scenario scenario;
    QTemporaryDir dir;
    QString path;
};

void TestSettingsFile::init()
{
    scenario.openWindow();
    path = dir.filePath("feeder7.json");
    QVERIFY(writeJson(path, oddFile()));
}

bool TestSettingsFile::open(const QString& file)
{
    scenario.closer->expectFileDialog(file);
    action(*scenario.window, "actionOpenSettingsFile")->trigger();
    const bool done = scenario.closer->waitUntilDone();
    scenario.closer->seen.clear();
    return done;
}

void TestSettingsFile::editedFileIsSavedInItsLayoutAndReopens()
{
    MainWindow& window = *scenario.window;
    QVERIFY2(open(path), scenario.closer->describe().constData());
    QCOMPARE(window.windowTitle(), "feeder7.json" + program);
    QCOMPARE(child<QLabel>(&window, "statusConnection")->text(), QStringLiteral("Файл уставок"));
    QVERIFY(!child<QGroupBox>(&window, "groupBox")->isEnabled());
    QVERIFY(!action(window, "actionReadHeaders")->isEnabled());
    // The file lacks 72: its setting is not offered.
    QVERIFY(!child<QComboBox>(&window, "cbVZ_PuskPoI")->isEnabled());
    // The value the list cannot show is red, as a relay's would be, and
    // the relay's silence does not replace its note after a refresh.
    window.refresh();
    auto* onOff = child<QComboBox>(&window, "cbMTZ1_On");
    QCOMPARE(onOff->palette().color(QPalette::Text), QColor(0xC0, 0x00, 0x00));
    QVERIFY2(onOff->toolTip().startsWith(QStringLiteral("в реле: 7")),
             qPrintable(onOff->toolTip()));

    auto* current = child<QDoubleSpinBox>(&window, "sbMTZ1_I");
    QCOMPARE(current->value(), 5.0);
    current->setValue(2.5);
    QVERIFY(isBold(current));
    QCOMPARE(window.windowTitle(), "feeder7.json *" + program);

    action(window, "actionSaveSettingsFile")->trigger();
    QCOMPARE(window.windowTitle(), "feeder7.json" + program);
    QVERIFY(!isBold(current));
    const QJsonObject saved = QJsonDocument::fromJson(readFile(path)).object();
    const QJsonArray ranges = saved["regs"].toArray();
    QCOMPARE(ranges.size(), 2);
    QCOMPARE(ranges[0].toObject()["start"].toInt(), 56);
    QCOMPARE(ranges[0].toObject()["values"].toArray().size(), 15);
    const QJsonObject first = ranges[1].toObject();
    QCOMPARE(first["start"].toInt(), 8);
    QCOMPARE(first["length"].toInt(), 47);
    // Only the edited value changed; the red one is kept as the file had it.
    QJsonArray expected = oddFile()["regs"].toArray()[1].toObject()["values"].toArray();
    expected[1] = 250;
    QCOMPARE(first["values"].toArray(), expected);
    QCOMPARE(saved["object"].toString(), QStringLiteral("ПС Северная, яч. 7"));
    // The notes speak of the file's registers, as they now are.
    const QJsonArray settings = saved["settings"].toArray();
    QCOMPARE(settings.size(), 62);
    QCOMPARE(settings[1].toObject()["value"].toString(), QStringLiteral("2.5"));

    // Nothing unsaved: no question on the way to the relay and back.
    action(window, "actionBackToRelay")->trigger();
    QCOMPARE(window.windowTitle(), QStringLiteral("TALVIK Клиент"));
    QVERIFY(child<QComboBox>(&window, "cbVZ_PuskPoI")->isEnabled());
    QVERIFY(current->value() != 2.5);
    QVERIFY2(open(path), scenario.closer->describe().constData());
    QCOMPARE(current->value(), 2.5);
}

void TestSettingsFile::shownFileKeepsTheRelayUntouched()
{
    scenario.openRelay();
    QVERIFY(scenario.relay->isValid());
    MainWindowTestAccess access(*scenario.window);
    QVERIFY(scenario.connectAndPoll(*scenario.relay));
    access.setPollPeriod(reliability::fastPollMs);
    TRY_VERIFY(scenario.relay->requestCount() > 3, 5000);

    QVERIFY2(open(path), scenario.closer->describe().constData());
    QVERIFY(!access.polling());
    QVERIFY(!access.port()->isOpen());
    const int seen = scenario.relay->requestCount();
    child<QDoubleSpinBox>(scenario.window, "sbMTZ1_I")->setValue(2.5);
    // The user tries to poll, then stays with the file.
    scenario.closer->expectMessageBox(QMessageBox::Cancel);
    action(*scenario.window, "actionStart")->trigger();
    QVERIFY2(scenario.closer->waitUntilDone(), scenario.closer->describe().constData());
    QVERIFY(!access.polling());
    QVERIFY(!child<QWidget>(scenario.window, "btnKvit")->isEnabled());
    eventwait::spin(3 * reliability::fastPollMs);
    QCOMPARE(scenario.relay->requestCount(), seen);

    // Giving the file up polls the relay again.
    scenario.closer->expectMessageBox(QMessageBox::Discard);
    action(*scenario.window, "actionStart")->trigger();
    QVERIFY2(scenario.closer->waitUntilDone(), scenario.closer->describe().constData());
    QVERIFY(access.polling());
    TRY_VERIFY(scenario.relay->requestCount() > seen, 5000);
    QCOMPARE(scenario.window->windowTitle(), QStringLiteral("TALVIK Клиент"));
}

void TestSettingsFile::unsavedChangesAskBeforeLeaving_data()
{
    QTest::addColumn<QString>("leave");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("fileShown");
    QTest::addColumn<bool>("saved");

    QTest::newRow("back to the relay, cancel")
        << "actionBackToRelay" << int(QMessageBox::Cancel) << true << false;
    QTest::newRow("back to the relay, discard")
        << "actionBackToRelay" << int(QMessageBox::Discard) << false << false;
    QTest::newRow("new file, save")
        << "actionNewSettingsFile" << int(QMessageBox::Save) << true << true;
    QTest::newRow("close, cancel") << "close" << int(QMessageBox::Cancel) << true << false;
    QTest::newRow("close, save") << "close" << int(QMessageBox::Save) << true << true;
}

void TestSettingsFile::unsavedChangesAskBeforeLeaving()
{
    QFETCH(QString, leave);
    QFETCH(int, answer);
    QFETCH(bool, fileShown);
    QFETCH(bool, saved);

    MainWindow& window = *scenario.window;
    QVERIFY2(open(path), scenario.closer->describe().constData());
    child<QDoubleSpinBox>(&window, "sbMTZ1_I")->setValue(2.5);
    scenario.closer->expectMessageBox(QMessageBox::StandardButton(answer));
    if (leave == "close")
        window.close();
    else
        action(window, qPrintable(leave))->trigger();
    QVERIFY2(scenario.closer->waitUntilDone(), scenario.closer->describe().constData());
    QCOMPARE(scenario.closer->seen[0].text,
             QStringLiteral("Сохранить изменения в «feeder7.json»?"));
    QCOMPARE(child<QLabel>(&window, "statusConnection")->text() == "Файл уставок", fileShown);
    QCOMPARE(window.isVisible(), leave != "close" || !saved);
    const QJsonObject file = QJsonDocument::fromJson(readFile(path)).object();
    QCOMPARE(file["regs"].toArray()[1].toObject()["values"].toArray()[1].toInt(),
             saved ? 250 : 500);
    if (leave == "actionNewSettingsFile")
        QCOMPARE(window.windowTitle(), "Новый файл уставок *" + program);
}

void TestSettingsFile::fileWritesOnlyItsDifferencesToTheRelay()
{
    scenario.openRelay();
    TestRelay& relay = *scenario.relay;
    QVERIFY(relay.isValid());
    relay.requirePassword(7);
    const DemoRTULink delivered;
    for (uint16_t reg = 0; reg < RelayMap::registerCount; ++reg)
        relay.setRegister(reg, delivered.registerValue(reg));
    QVERIFY(reliability::connectTo(*scenario.window, *scenario.closer, relay.portName()));

    MainWindow& window = *scenario.window;
    action(window, "actionNewSettingsFile")->trigger();
    QCOMPARE(window.windowTitle(), "Новый файл уставок *" + program);
    child<QDoubleSpinBox>(&window, "sbMTZ1_I")->setValue(2.5);
    child<QDoubleSpinBox>(&window, "sbMTZ1_T")->setValue(1.23);

    QStringList rows;
    windowtest::answerChanges(*scenario.closer, true, &rows);
    scenario.closer->expectDialog([](QDialog* dialog) {
        child<QSpinBox>(dialog, "sbPassword")->setValue(7);
        return true;
    });
    scenario.closer->expectMessageBox();
    action(window, "actionWriteFileToRelay")->trigger();
    QVERIFY2(scenario.closer->waitUntilDone(10000), scenario.closer->describe().constData());
    QCOMPARE(rows, (QStringList{"МТЗ-1 › Iсраб | 5.0 А | 2.5 А | 9",
                                "МТЗ-1 › Tсраб | 0.50 с | 1.23 с | 10"}));
    QCOMPARE(scenario.closer->seen.last().text, QStringLiteral("Записаны 2 уставки"));
    QList<QPair<int, int>> writes;
    for (const TestRelay::RegisterWrite& write : relay.registerWrites())
        writes.append({write.address, write.value});
    QCOMPARE(writes, (QList<QPair<int, int>>{{71, 7}, {9, 250}, {71, 7}, {10, 123}}));
    QCOMPARE(relay.registerValue(9), uint16_t(250));
    // Still the file, and nothing polls.
    QVERIFY(!MainWindowTestAccess(window).polling());
    QCOMPARE(window.windowTitle(), "Новый файл уставок *" + program);
}

QTEST_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
