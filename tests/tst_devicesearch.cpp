#include "app/ConfigDialog.h"
#include "app/DeviceSearchDialog.h"
#include "app/MainWindow.h"
#include "relay/DeviceSearch.h"
#include "support/EventWait.h"
#include "support/MainWindowTestAccess.h"
#include "support/ModalCloser.h"
#include "support/TestRelay.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

Q_DECLARE_METATYPE(TestRelay::Faults)

class TestDeviceSearch : public QObject
{
    Q_OBJECT

private slots:
    void findsTheRelayWhereItIs_data();
    void findsTheRelayWhereItIs();
    void probeWaitsJustOverTheWireTime_data();
    void probeWaitsJustOverTheWireTime();
    void unopenablePortIsReported();
    void cancelStopsAtOnce();
    void windowFillsTheDialogWithThePickAndResumesPolling();
};

void TestDeviceSearch::findsTheRelayWhereItIs_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("baudRate");
    QTest::addColumn<TestRelay::Faults>("faults");
    QTest::addColumn<bool>("found");

    const TestRelay::Faults none;
    TestRelay::Faults refusing;
    refusing.exceptionEvery = 1;
    TestRelay::Faults silent;
    silent.dropEvery = 1;
    QTest::newRow("address 17 at 38400") << 17 << 38400 << none << true;
    QTest::newRow("address 12 at 9600") << 12 << 9600 << none << true;
    QTest::newRow("refusing with exceptions is there too") << 19 << 19200 << refusing << true;
    QTest::newRow("a silent line") << 15 << 38400 << silent << false;
}

void TestDeviceSearch::findsTheRelayWhereItIs()
{
    QFETCH(int, address);
    QFETCH(int, baudRate);
    QFETCH(TestRelay::Faults, faults);
    QFETCH(bool, found);

    TestRelay relay(static_cast<uint8_t>(address));
    QVERIFY(relay.isValid());
    relay.setLineSpeed(baudRate);
    relay.setFaults(faults);
    DeviceSearch search;
    QSignalSpy finished(&search, &DeviceSearch::finished);
    QSignalSpy progress(&search, &DeviceSearch::progress);
    // Addresses 10-20 at each speed keep the test short.
    QVERIFY(search.start(relay.portName(), {9600, 19200, 38400}, 10, 20));
    QVERIFY(finished.wait(20000));
    QCOMPARE(progress.size(), 33);
    QCOMPARE(progress.last().at(0).toInt(), 33);
    QCOMPARE(search.found().size(), found ? 1 : 0);
    if (found) {
        QCOMPARE(search.found().first().address, address);
        QCOMPARE(search.found().first().baudRate, baudRate);
    }
    // One read of register 0 per probe at the relay's speed, nothing else.
    for (const QByteArray& request : relay.requests())
        QCOMPARE(request.mid(1, 5), QByteArray::fromHex("0300000001"));
    QCOMPARE(relay.requests().size(), 11);
    QVERIFY(!search.isRunning());
}

void TestDeviceSearch::probeWaitsJustOverTheWireTime_data()
{
    QTest::addColumn<int>("baudRate");
    QTest::addColumn<double>("wireMs");

    // 8 bytes out, 7 back, 10 bits each.
    QTest::newRow("9600") << 9600 << 15.6;
    QTest::newRow("19200") << 19200 << 7.8;
    QTest::newRow("38400") << 38400 << 3.9;
}

void TestDeviceSearch::probeWaitsJustOverTheWireTime()
{
    QFETCH(int, baudRate);
    QFETCH(double, wireMs);
    const int timeout = DeviceSearch::probeTimeoutMs(baudRate);
    QVERIFY(timeout > wireMs + DeviceSearch::frameSilenceMs(baudRate));
    QVERIFY2(timeout < wireMs + 40, qPrintable(QString::number(timeout)));
    // All three speeds over every address within a minute on a silent line.
    const int total =
        247 * (DeviceSearch::probeTimeoutMs(9600) + DeviceSearch::probeTimeoutMs(19200) +
               DeviceSearch::probeTimeoutMs(38400));
    QVERIFY2(total < 60000, qPrintable(QString::number(total)));
}

void TestDeviceSearch::unopenablePortIsReported()
{
    DeviceSearch search;
    QVERIFY(!search.start(QStringLiteral("/dev/talvik-no-such-port")));
    QVERIFY(!search.errorText().isEmpty());
    QVERIFY(!search.isRunning());
}

void TestDeviceSearch::cancelStopsAtOnce()
{
    TestRelay relay(200);
    QVERIFY(relay.isValid());
    DeviceSearch search;
    QSignalSpy finished(&search, &DeviceSearch::finished);
    QVERIFY(search.start(relay.portName()));
    eventwait::spin(150);
    search.cancel();
    QCOMPARE(finished.size(), 1);
    const int done = search.probesDone();
    eventwait::spin(150);
    QCOMPARE(search.probesDone(), done);
    QVERIFY(done < search.probeCount());
}

void TestDeviceSearch::windowFillsTheDialogWithThePickAndResumesPolling()
{
    // At the first speed searched, off the dialog's default speed.
    TestRelay relay(17);
    QVERIFY(relay.isValid());
    relay.setLineSpeed(9600);
    QTemporaryDir folder;
    QSettings store(folder.filePath("talvik-client.conf"), QSettings::IniFormat);
    MainWindow window(nullptr, &store);
    window.show();
    MainWindowTestAccess access(window);
    {
        ModalCloser closer;
        windowtest::Settings settings;
        settings.demo = false;
        settings.portName = relay.portName();
        QVERIFY(windowtest::acceptSettings(window, closer, settings));
    }
    windowtest::action(window, "actionStart")->trigger();
    QVERIFY(access.polling());

    // The search's own dialog: the test picks the relay as soon as it is
    // listed, or gives up after a minute.
    bool pollingDuringSearch = true;
    QElapsedTimer waited;
    waited.start();
    QTimer picker;
    connect(&picker, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<DeviceSearchDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        pollingDuringSearch = access.polling();
        auto* found = dialog->findChild<QListWidget*>(QStringLiteral("listFound"));
        if (found->count() > 0) {
            dialog->findChild<QPushButton*>(QStringLiteral("btnAddAllToRecent"))->click();
            dialog->accept();
        }
        else if (waited.elapsed() > 60000)
            dialog->reject();
    });
    picker.start(50);
    window.searchDevice();
    picker.stop();

    auto* dialog = window.findChild<ConfigDialog*>();
    QCOMPARE(dialog->deviceAddress(), 17);
    QCOMPARE(dialog->baudRate(), 9600);
    QVERIFY(!pollingDuringSearch);
    QVERIFY(access.polling());
    // The relay found is among the recent connections too.
    auto* recent = dialog->findChild<QMenu*>(QStringLiteral("menuRecent"));
    emit recent->aboutToShow();
    QCOMPARE(recent->actions().first()->text(),
             relay.portName() + QStringLiteral(" · 9600 · адрес 17"));
    windowtest::action(window, "actionStop")->trigger();
}

QTEST_MAIN(TestDeviceSearch)
#include "tst_devicesearch.moc"
