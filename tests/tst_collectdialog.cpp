// "Операция › Обход реле…" end to end: relays on two pseudo-terminal lines,
// one of which the window polls, collected from an inventory file into the
// window's archive; a run stopped in the middle of a record; and the recent
// relays saved as an inventory the command line reads.
#include "app/AppSettings.h"
#include "app/CollectDialog.h"
#include "archive/Archive.h"
#include "collect/Inventory.h"
#include "support/EventWait.h"
#include "support/RelayContent.h"
#include "support/ReliabilityHarness.h"

#include <QDir>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace reliability;

namespace {

constexpr int runMs = 30000;

bool writeFile(const QString& path, const QString& text)
{
    QFile file(path);
    const QByteArray bytes = text.toUtf8();
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

int itemsKept(const QString& location, const QString& relay, ArchiveKind kind)
{
    Archive archive;
    int items = 0;
    for (const ArchiveItem& item :
         archive.open(location) ? archive.items(relay) : QVector<ArchiveItem>())
        items += item.kind == kind ? 1 : 0;
    return items;
}

QString cell(QTableWidget* table, int row, int column)
{
    return table->item(row, column)->text();
}

// The window on a store whose archive is in `dir`, and its collect dialog
// with `inventory` loaded through "Открыть опись…".
struct Bench
{
    explicit Bench(const QTemporaryDir& dir)
        : location(dir.filePath("archive.sqlite")),
          store(dir.filePath("store.ini"), QSettings::IniFormat)
    {
        store.setValue("archive/location", location);
        window = std::make_unique<MainWindow>(nullptr, &store);
        window->show();
    }

    CollectDialog* openDialog()
    {
        action(*window, "actionCollect")->trigger();
        auto* dialog = window->findChild<CollectDialog*>();
        closer.tolerate(dialog);
        return dialog;
    }

    bool load(CollectDialog* dialog, const QString& inventory)
    {
        closer.expectFileDialog(inventory);
        child<QPushButton>(dialog, "btnCollectOpen")->click();
        return closer.waitUntilDone();
    }

    QString location;
    QSettings store;
    std::unique_ptr<MainWindow> window;
    // Declared last, gone first: it watches the window's boxes.
    ModalCloser closer;
};

} // namespace

class TestCollectDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { shortenLineTiming(); }
    void substationIsCollectedWhileTheWindowLetsGoOfItsLine();
    void stoppedRunLeavesOnlyWholeFiles();
    void recentRelaysSaveAsAnInventoryTheCommandLineReads();
};

// Line 1: relay A at address 5. Line 2, which the window polls: a relay at
// address 9 that never answers, then relay B. A and B give everything; the
// silent one fails (twice: once more after B) and holds nothing up.
void TestCollectDialog::substationIsCollectedWhileTheWindowLetsGoOfItsLine()
{
    TestRelay relayA(5);
    TestRelay relayB(1);
    QVERIFY(relayA.isValid() && relayB.isValid());
    for (TestRelay* relay : {&relayA, &relayB}) {
        relaycontent::loadRegisters(relay->content());
        relaycontent::loadRecords(*relay, 1);
    }
    relaycontent::loadRecords(relayB, 2);
    relayB.setFile(1, QByteArray(RelayMap::recordHeaderBytes, '\0'));
    QTemporaryDir dir;
    const QString inventory = dir.filePath("substation.json");
    QVERIFY(writeFile(inventory, QStringLiteral(R"({"relays": [
        {"name": "Яч. 7", "port": "%1", "address": 5},
        {"name": "Яч. 8", "port": "%2", "address": 9},
        {"name": "Яч. 9", "port": "%2"}]})")
                                     .arg(relayA.portName(), relayB.portName())));

    Bench bench(dir);
    QVERIFY(connectTo(*bench.window, bench.closer, relayB.portName(), 0, false, true));
    action(*bench.window, "actionStart")->trigger();
    MainWindowTestAccess access(*bench.window);
    TRY_VERIFY(relayB.answersSent() > 0, 5000);

    CollectDialog* dialog = bench.openDialog();
    QVERIFY(bench.load(dialog, inventory));
    auto* table = child<QTableWidget>(dialog, "collectTable");
    QCOMPARE(table->rowCount(), 3);
    QVERIFY(cell(table, 1, 1).startsWith("2: ") && cell(table, 2, 1).startsWith("2: "));

    // The window asks before it stops polling, and lets go of the port.
    bench.closer.expectMessageBox(QMessageBox::Yes);
    child<QPushButton>(dialog, "btnCollectStart")->click();
    QVERIFY2(bench.closer.waitUntilDone(), bench.closer.describe().constData());
    QVERIFY(!access.polling() && !access.port()->isOpen());
    TRY_VERIFY(!dialog->isRunning(), runMs);

    QCOMPARE(cell(table, 0, 2), QStringLiteral("готово"));
    QCOMPARE(cell(table, 2, 2), QStringLiteral("готово"));
    QVERIFY2(cell(table, 1, 2).startsWith("сбой: Устройство не ответило на опрос"),
             qPrintable(cell(table, 1, 2)));
    QCOMPARE(cell(table, 0, 3), QStringLiteral("3"));
    QCOMPARE(cell(table, 2, 3), QStringLiteral("2"));
    QVERIFY(cell(table, 0, 4).toInt() > 0 && cell(table, 2, 4).toInt() > 0);
    const QString summary = child<QLabel>(dialog, "collectSummary")->text();
    QVERIFY2(summary.startsWith("Готово: 2 реле из 3; 5 новых осциллограмм, "),
             qPrintable(summary));

    QCOMPARE(itemsKept(bench.location, "Яч. 7", ArchiveKind::Record), 3);
    QCOMPARE(itemsKept(bench.location, "Яч. 9", ArchiveKind::Record), 2);
    QCOMPARE(itemsKept(bench.location, "Яч. 8", ArchiveKind::Settings), 0);
    // The window polls again, on its own port.
    TRY_VERIFY(access.polling() && access.port()->isOpen(), 5000);
}

// Stopped while record 0 is read: the settings and journal files are there,
// whole; nothing of the record, in the folder or the archive.
void TestCollectDialog::stoppedRunLeavesOnlyWholeFiles()
{
    TestRelay relay;
    QVERIFY(relay.isValid());
    relaycontent::loadRegisters(relay.content());
    relaycontent::loadRecords(relay, 1);
    QTemporaryDir dir;
    const QString out = dir.filePath("out");
    QVERIFY(QDir().mkpath(out));
    const QString inventory = dir.filePath("one.json");
    QVERIFY(writeFile(
        inventory,
        QStringLiteral(R"({"relays": [{"name": "Ф-1", "port": "%1"}]})").arg(relay.portName())));
    Bench bench(dir);
    CollectDialog* dialog = bench.openDialog();
    QVERIFY(bench.load(dialog, inventory));
    child<QCheckBox>(dialog, "collectOutCheck")->setChecked(true);
    child<QLineEdit>(dialog, "collectOutFolder")->setText(out);
    auto* stop = child<QPushButton>(dialog, "btnCollectStop");
    connect(&relay, &TestRelay::requestReceived, stop, [stop](const QByteArray& frame) {
        // Function 20 for the registers past the record's header: its samples.
        const auto* bytes = reinterpret_cast<const uchar*>(frame.constData());
        if (frame.size() >= 8 && frame.at(1) == 0x14 &&
            qFromBigEndian<quint16>(bytes + 6) >= RelayMap::recordHeaderBytes / 2)
            QTimer::singleShot(0, stop, &QPushButton::click);
    });
    child<QPushButton>(dialog, "btnCollectStart")->click();
    TRY_VERIFY(!dialog->isRunning(), runMs);

    auto* table = child<QTableWidget>(dialog, "collectTable");
    QCOMPARE(cell(table, 0, 2), QStringLiteral("остановлено"));
    QVERIFY(child<QLabel>(dialog, "collectSummary")
                ->text()
                .startsWith("Остановлено. Готово: 0 реле из 1"));
    QCOMPARE(
        QDir(out + "/Ф-1").entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
        QStringList({"journal.csv", "settings.json"}));
    QCOMPARE(itemsKept(bench.location, "Ф-1", ArchiveKind::Journal), 1);
    QCOMPARE(itemsKept(bench.location, "Ф-1", ArchiveKind::Record), 0);
}

// Newest first, each named as the archive knows it: the relay named for the
// archive by its name, the gateway's by its recent text, the demo relay as the
// window names it.
void TestCollectDialog::recentRelaysSaveAsAnInventoryTheCommandLineReads()
{
    QTemporaryDir dir;
    Bench bench(dir);
    AppSettings settings(&bench.store);
    AppSettings::Connection serial;
    serial.portName = "/dev/ttyUSB0";
    serial.baudRate = 38400;
    serial.address = 5;
    AppSettings::Connection gateway;
    gateway.portName = "TCP";
    gateway.host = "10.0.5.20";
    gateway.tcpPort = 4001;
    gateway.address = 7;
    AppSettings::Connection demo;
    demo.demo = true;
    demo.address = 2;
    for (const AppSettings::Connection& connection : {serial, gateway, demo})
        settings.rememberRecent(connection);
    settings.setRelayName("/dev/ttyUSB0 · 38400", 5, "ПС Северная, яч. 7");

    CollectDialog* dialog = bench.openDialog();
    child<QPushButton>(dialog, "btnCollectRecent")->click();
    const QString path = dir.filePath("recent.json");
    bench.closer.expectFileDialog(path);
    child<QPushButton>(dialog, "btnCollectSave")->click();
    QVERIFY2(bench.closer.waitUntilDone(), bench.closer.describe().constData());

    QVector<InventoryRelay> relays;
    QString message;
    bool unreadable = false;
    QVERIFY2(Inventory::load(path, &relays, &message, &unreadable), qPrintable(message));
    QCOMPARE(relays.size(), 3);
    QCOMPARE(relays.at(0).name, QStringLiteral("Демо · адрес 2"));
    QVERIFY(relays.at(0).connection.demo);
    QCOMPARE(relays.at(1).name, QStringLiteral("10.0.5.20:4001 · RTU через TCP · адрес 7"));
    QCOMPARE(relays.at(1).connection.host, QStringLiteral("10.0.5.20"));
    QCOMPARE(relays.at(1).connection.tcpPort, quint16(4001));
    QCOMPARE(relays.at(1).connection.deviceAddress, uint8_t(7));
    QCOMPARE(relays.at(2).name, QStringLiteral("ПС Северная, яч. 7"));
    QCOMPARE(relays.at(2).connection.portName, QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(relays.at(2).connection.baudRate, 38400);
    QCOMPARE(relays.at(2).connection.deviceAddress, uint8_t(5));
}

QTEST_MAIN(TestCollectDialog)
#include "tst_collectdialog.moc"
