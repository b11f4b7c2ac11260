// The window keeps what it reads from and writes to the relay in the
// archive: the relay on a pseudo-terminal is named once for its connection
// and address, and the settings saved, a write batch, the journal and a
// fault record are found in the archive under that name.
#include "app/ArchiveWindow.h"
#include "archive/Archive.h"
#include "support/EventWait.h"
#include "support/RelayContent.h"
#include "support/ReliabilityHarness.h"
#include "support/ShortLineTiming.h"

#include <QDoubleSpinBox>
#include <QInputDialog>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace reliability;

class TestWindowArchive : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { shortenLineTiming(); }
    void everyReadingAndWritingIsKeptUnderTheNameGivenOnce();
    void unusableArchiveLeavesTheSaveDoneAndSaysSo();
    void snapshotFromTheArchiveWindowOpensAsAnUnsavedFile();
    void snapshotComparesWithTheRelay();
};

namespace {

const QString name = QStringLiteral("ПС Южная / Ф-3");

// Answers the name question with `name`.
void expectName(ModalCloser& closer)
{
    closer.expectDialog([](QDialog* dialog) {
        auto* ask = qobject_cast<QInputDialog*>(dialog);
        if (ask == nullptr)
            return false;
        ask->setTextValue(name);
        return true;
    });
}

} // namespace

void TestWindowArchive::everyReadingAndWritingIsKeptUnderTheNameGivenOnce()
{
    QTemporaryDir dir;
    const QString location = dir.filePath("archive.sqlite");
    QSettings store(dir.filePath("store.ini"), QSettings::IniFormat);
    store.setValue("archive/location", location);
    TestRelay relay;
    QVERIFY(relay.isValid());
    relaycontent::loadRecords(relay);
    relay.setRegister(9, 250);
    // Register 73 comes with the poll's last read.
    relay.setRegister(73, 1);
    MainWindow window(nullptr, &store);
    window.show();
    ModalCloser closer;
    QVERIFY(connectTo(window, closer, relay.portName()));
    action(window, "actionStart")->trigger();
    MainWindowTestAccess access(window);
    access.setPollPeriod(fastPollMs);
    TRY_COMPARE(access.device()->getRegister(73), uint16_t(1), 5000);

    // Saved twice: the name is asked the first time only, once the file is
    // written.
    closer.expectFileDialog(dir.filePath("first.json"));
    expectName(closer);
    action(window, "actionSaveConfig")->trigger();
    closer.expectFileDialog(dir.filePath("second.json"));
    action(window, "actionSaveConfig")->trigger();
    QVERIFY2(closer.waitUntilDone(), closer.describe().constData());

    // A write batch through the editor, with the password.
    auto* editor = child<QDoubleSpinBox>(&window, "sbMTZ1_I");
    editor->setValue(3.0);
    closer.expectDialog([](QDialog*) { return true; });
    closer.expectDialog([](QDialog*) { return true; });
    closer.expectMessageBox();
    action(window, "actionSaveChanges")->trigger();
    QVERIFY2(closer.waitUntilDone(10000), closer.describe().constData());

    // The journal, saved as a file too.
    QVERIFY(windowtest::readJournal(window, 20000));
    QVERIFY(windowtest::saveJournal(window, closer, dir.filePath("journal.csv")));

    // Record 0, saved into the folder.
    auto* list = child<QListWidget>(&window, "crashList");
    action(window, "actionReadHeaders")->trigger();
    TRY_COMPARE(list->count(), 3, 10000);
    list->setCurrentRow(0);
    emit list->itemClicked(list->item(0));
    closer.expectFileDialog(dir.path());
    closer.expectMessageBox();
    child<QPushButton>(&window, "buttonSaveRecord")->click();
    QVERIFY2(closer.waitUntilDone(30000), closer.describe().constData());
    action(window, "actionStop")->trigger();

    Archive archive;
    QVERIFY2(archive.open(location), qPrintable(archive.errorText()));
    const QVector<ArchiveRelay> relays = archive.relays();
    QCOMPARE(relays.size(), 1);
    QCOMPARE(relays.first().name, name);
    QVERIFY(relays.first().connection.startsWith(relay.portName()));
    QStringList kinds;
    for (const ArchiveItem& item : archive.items(name))
        kinds << archiveKindText(item.kind);
    QCOMPARE(kinds, (QStringList{"record", "journal", "write", "settings", "settings"}));
    const qint64 write = archive.items(name).at(2).id;
    QCOMPARE(archive.items(name).at(2).summary,
             QStringLiteral("Записана 1 уставка, проверка пройдена"));
    QVector<ConfigFile::RegisterValue> after = archive.settingsOf(write);
    for (const ConfigFile::RegisterValue& item : archive.writeBefore(write)) {
        if (item.reg == 9)
            QCOMPARE(item.value, uint16_t(250));
    }
    bool found = false;
    for (const ConfigFile::RegisterValue& item : after) {
        if (item.reg == 9) {
            found = true;
            QCOMPARE(item.value, relay.registerValue(9));
        }
    }
    QVERIFY(found);
    QVERIFY(relay.registerValue(9) != 250);

    // The record as the window wrote it, byte for byte.
    QString baseName;
    QByteArray cfg;
    QByteArray dat;
    QVERIFY(archive.recordOf(archive.items(name).at(0).id, &baseName, &cfg, &dat));
    QCOMPARE(cfg, readFile(dir.filePath(baseName + ".cfg")));
    QCOMPARE(dat, readFile(dir.filePath(baseName + ".dat")));
}

// The archive's folder cannot be made: the file is saved all the same, and
// the status bar tells why the archive did not keep it.
void TestWindowArchive::unusableArchiveLeavesTheSaveDoneAndSaysSo()
{
    QTemporaryDir dir;
    QSettings store(dir.filePath("store.ini"), QSettings::IniFormat);
    store.setValue("archive/location", "/proc/talvik/archive.sqlite");
    MainWindow window(nullptr, &store);
    window.show();
    ModalCloser closer;
    windowtest::Settings demo;
    QVERIFY(windowtest::acceptSettings(window, closer, demo));
    action(window, "actionStart")->trigger();
    MainWindowTestAccess(window).setPollPeriod(fastPollMs);
    TRY_VERIFY(MainWindowTestAccess(window).client()->counters().answers >= 3, 5000);
    closer.expectFileDialog(dir.filePath("saved.json"));
    action(window, "actionSaveConfig")->trigger();
    QVERIFY2(closer.waitUntilDone(), closer.describe().constData());
    QVERIFY(QFile::exists(dir.filePath("saved.json")));
    QVERIFY2(window.statusBar()->currentMessage().startsWith("Архив недоступен: "),
             qPrintable(window.statusBar()->currentMessage()));
    action(window, "actionStop")->trigger();
}

// "Открыть как файл уставок" in the archive window: the snapshot's values
// in the editors, the window titled by the snapshot, and nothing polled.
void TestWindowArchive::snapshotFromTheArchiveWindowOpensAsAnUnsavedFile()
{
    QTemporaryDir dir;
    QSettings store(dir.filePath("store.ini"), QSettings::IniFormat);
    store.setValue("archive/location", dir.filePath("archive.sqlite"));
    MainWindow window(nullptr, &store);
    window.show();
    action(window, "actionArchive")->trigger();
    auto* archive = window.findChild<ArchiveWindow*>();
    QVERIFY(archive != nullptr);
    emit archive->openSnapshotRequested({{9, 320}, {10, 150}}, QStringLiteral("Ф-1 №4"));
    QCOMPARE(child<QDoubleSpinBox>(&window, "sbMTZ1_I")->value(), 3.2);
    QVERIFY2(window.windowTitle().startsWith(QStringLiteral("Ф-1 №4")),
             qPrintable(window.windowTitle()));
    QVERIFY(!MainWindowTestAccess(window).polling());
    archive->close();
}

// "Сравнить с реле": the snapshot's values against the demo relay's image,
// in the comparison table with the snapshot as the second column.
void TestWindowArchive::snapshotComparesWithTheRelay()
{
    QTemporaryDir dir;
    QSettings store(dir.filePath("store.ini"), QSettings::IniFormat);
    store.setValue("archive/location", dir.filePath("archive.sqlite"));
    MainWindow window(nullptr, &store);
    window.show();
    ModalCloser closer;
    QVERIFY(windowtest::acceptSettings(window, closer, windowtest::Settings{}));
    action(window, "actionStart")->trigger();
    MainWindowTestAccess access(window);
    access.setPollPeriod(fastPollMs);
    TRY_VERIFY(access.client()->counters().answers >= 8, 5000);
    action(window, "actionArchive")->trigger();
    auto* archive = window.findChild<ArchiveWindow*>();
    QVERIFY(archive != nullptr);
    const uint16_t held = access.device()->getRegister(9);
    QStringList rows;
    closer.expectDialog([&rows](QDialog* dialog) {
        auto* table = dialog->findChild<QTableWidget*>("tableChanges");
        rows << table->horizontalHeaderItem(2)->text();
        for (int row = 0; row < table->rowCount(); ++row)
            rows << table->item(row, 3)->text();
        return false;
    });
    emit archive->compareWithRelayRequested(
        {{9, static_cast<uint16_t>(held + 10)}, {10, access.device()->getRegister(10)}},
        QStringLiteral("№4 08.12.2026 10:15"));
    QVERIFY2(closer.waitUntilDone(), closer.describe().constData());
    QCOMPARE(rows, (QStringList{"№4 08.12.2026 10:15", "9"}));
    archive->close();
    action(window, "actionStop")->trigger();
}

QTEST_MAIN(TestWindowArchive)
#include "tst_windowarchive.moc"
