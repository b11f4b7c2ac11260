// Polling and writing through the whole program — serial port, RTU link,
// client, poller, window — against a relay on a pseudo-terminal whose line
// and answers go wrong in the ways a noisy RS-485 line and a busy relay do.
#include "support/EventWait.h"
#include "support/ReliabilityHarness.h"
#include "support/TestRelay.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <functional>

using namespace reliability;

Q_DECLARE_METATYPE(TestRelay::Faults)
Q_DECLARE_METATYPE(TestRelay::Line)

namespace {

// Two recognisable register images: what the relay holds before the faults
// start and what it holds while they run. The program's image may hold only
// these values, register by register, whatever the line does.
uint16_t before(int reg)
{
    return static_cast<uint16_t>(0x1100 + reg);
}

uint16_t after(int reg)
{
    return static_cast<uint16_t>(0x2200 + reg);
}

void loadRelay(TestRelay& relay, uint16_t (*pattern)(int))
{
    for (int reg = 0; reg < RelayMap::registerCount; ++reg)
        relay.setRegister(static_cast<uint16_t>(reg), pattern(reg));
}

bool imageHolds(const ModBusDevice& device, uint16_t (*pattern)(int))
{
    for (int reg = 0; reg < RelayMap::registerCount; ++reg) {
        if (device.getRegister(static_cast<uint16_t>(reg)) != pattern(reg))
            return false;
    }
    return true;
}

// The first register whose image value is neither the old nor the new value
// of the relay, or -1.
int foreignRegister(const ModBusDevice& device)
{
    for (int reg = 0; reg < RelayMap::registerCount; ++reg) {
        const uint16_t value = device.getRegister(static_cast<uint16_t>(reg));
        if (value != before(reg) && value != after(reg))
            return reg;
    }
    return -1;
}

struct PhaseResult
{
    int foreign = -1;
    uint16_t foreignValue = 0;
    int maxQueued = 0;
    int lateQueued = 0;
    int requests = 0;
};

// Runs the event loop until the relay has received at least `requests`
// requests and `done` holds, or `deadlineMs` has passed; checks the image
// after every answer the poller takes in and the client's queue every 20 ms.
// lateQueued is the largest queue seen over the last quarter of the requests.
PhaseResult watch(
    MainWindowTestAccess& access, const TestRelay& relay, int requests, int deadlineMs,
    const std::function<bool()>& done = [] { return true; })
{
    PhaseResult result;
    ModBusDevice* device = access.device();
    const QMetaObject::Connection checking =
        QObject::connect(device, &ModBusDevice::registersRead, device, [&result, device] {
            const int reg = foreignRegister(*device);
            if (reg >= 0 && result.foreign < 0) {
                result.foreign = reg;
                result.foreignValue = device->getRegister(static_cast<uint16_t>(reg));
            }
        });
    const int requestsBefore = relay.requestCount();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < deadlineMs) {
        eventwait::spin(20);
        result.requests = relay.requestCount() - requestsBefore;
        const int queued = access.client()->queuedCount();
        result.maxQueued = qMax(result.maxQueued, queued);
        if (result.requests > requests * 3 / 4)
            result.lateQueued = qMax(result.lateQueued, queued);
        if (result.requests >= requests && done())
            break;
    }
    QObject::disconnect(checking);
    return result;
}

// Whether one of the window's log lines matches `pattern`.
bool logHas(MainWindow& window, const QString& pattern)
{
    return !logLines(window).filter(QRegularExpression(pattern)).isEmpty();
}

} // namespace

class TestReliabilityPolling : public QObject, private Scenario
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pollingRidesOutFault_data();
    void pollingRidesOutFault();
    void queueStaysBoundedThroughMixedFaults();
    void droppedConnectionIsMadeAgainWithoutABox_data();
    void droppedConnectionIsMadeAgainWithoutABox();
    void refusedConnectionIsReportedAtStart_data();
    void refusedConnectionIsReportedAtStart();
    void settingsWritesReachRelayInPairs_data();
    void settingsWritesReachRelayInPairs();
    void writtenSettingShowsUntilReadBack_data();
    void writtenSettingShowsUntilReadBack();
    void commandReachesRelayOnlyWhenConfirmed();
};

void TestReliabilityPolling::init()
{
    openRelay();
    QVERIFY(relay->isValid());
    openWindow();
}

void TestReliabilityPolling::cleanup()
{
    closeAll();
}

void TestReliabilityPolling::pollingRidesOutFault_data()
{
    QTest::addColumn<TestRelay::Faults>("faults");
    // Every error line must match `allowed`; at least one must match
    // `required` (empty: the log stays empty).
    QTest::addColumn<QString>("required");
    QTest::addColumn<QString>("allowed");
    // Requests the relay must receive under the fault: as many as six
    // seconds of polling once a second brought.
    QTest::addColumn<int>("requests");

    const QString lineErrors = QStringLiteral("^(Ошибка CRC!|Ошибка формата пакета!)$");
    // The link is cleared when the pause after a line error ends; the answer
    // to a request sent during the pause, if it is being received just then,
    // is lost and its request times out.
    const QString afterPause =
        QStringLiteral("^(Ошибка CRC!|Ошибка формата пакета!|Таймаут ответа!)$");
    const QString timeout = QStringLiteral("^Таймаут ответа!$");
    // An answer later than the response timeout would fit the next request
    // of its shape (an RTU frame names no request): it is dropped.
    const QString dropped = QStringLiteral("^Отброшен запоздалый ответ на прежний запрос\\.$");
    const QString lateOrDropped =
        QStringLiteral("^(Таймаут ответа!|Отброшен запоздалый ответ на прежний запрос\\.)$");

    TestRelay::Faults f;
    f.exceptionEvery = 2;
    QTest::newRow("exception answers")
        << f << QStringLiteral("^Код ошибки: 0x4$") << QStringLiteral("^Код ошибки: 0x4$") << 18;
    f = TestRelay::Faults();
    f.dropEvery = 3;
    QTest::newRow("lost answers") << f << timeout << timeout << 9;
    f = TestRelay::Faults();
    f.corruptCrcEvery = 2;
    QTest::newRow("corrupt CRC") << f << QStringLiteral("^Ошибка CRC!$") << afterPause << 15;
    f = TestRelay::Faults();
    f.wrongAddressEvery = 2;
    QTest::newRow("answers from another slave") << f << QString() << QString() << 18;
    f = TestRelay::Faults();
    f.chunkSize = 8;
    f.chunkGapMs = 10;
    QTest::newRow("answers in chunks within the interval") << f << QString() << QString() << 18;
    f = TestRelay::Faults();
    f.chunkSize = 20;
    f.chunkGapMs = 90;
    QTest::newRow("answers torn beyond the interval") << f << lineErrors << afterPause << 8;
    f = TestRelay::Faults();
    f.noiseEvery = 2;
    QTest::newRow("line noise between frames") << f << lineErrors << afterPause << 17;
    f = TestRelay::Faults();
    f.answerDelayMs = 400;
    QTest::newRow("slow answers") << f << QString() << QString() << 11;
    f = TestRelay::Faults();
    f.answerDelayMs = 1150;
    f.answerDelayEvery = 4;
    QTest::newRow("answers later than the timeout") << f << dropped << lateOrDropped << 9;
    f = TestRelay::Faults();
    f.answerDelayMs = 1500;
    f.answerDelayEvery = 3;
    QTest::newRow("every 3rd answer 1.5 s late") << f << dropped << lateOrDropped << 12;
    f.answerDelayEvery = 10;
    QTest::newRow("one answer in ten 1.5 s late") << f << dropped << lateOrDropped << 14;
}

void TestReliabilityPolling::pollingRidesOutFault()
{
    QFETCH(TestRelay::Faults, faults);
    QFETCH(QString, required);
    QFETCH(QString, allowed);
    QFETCH(int, requests);

    MainWindowTestAccess access(*window);
    loadRelay(*relay, before);
    QVERIFY(connectAndPoll(*relay));
    access.setPollPeriod(fastPollMs);
    TRY_VERIFY(imageHolds(*access.device(), before), 4000);

    child<QListWidget>(window, "listLog")->clear();
    loadRelay(*relay, after);
    relay->setFaults(faults);
    // Until the relay has had its share of requests under the fault and the
    // log shows what the fault must bring.
    const PhaseResult phase = watch(access, *relay, requests, 30000, [&] {
        return required.isEmpty() || logHas(*window, required);
    });

    QVERIFY2(phase.foreign < 0, qPrintable(QStringLiteral("register %1 holds 0x%2")
                                               .arg(phase.foreign)
                                               .arg(phase.foreignValue, 0, 16)));
    // Polling went on through the fault.
    QVERIFY2(phase.requests >= requests, qPrintable(QString::number(phase.requests)));
    QVERIFY(access.polling());

    const QStringList lines = logLines(*window);
    if (required.isEmpty()) {
        QCOMPARE(lines, QStringList());
    } else {
        QVERIFY2(!lines.filter(QRegularExpression(required)).isEmpty(),
                 qPrintable(lines.join(QLatin1Char('|'))));
        for (const QString& line : lines)
            QVERIFY2(QRegularExpression(allowed).match(line).hasMatch(), qPrintable(line));
    }

    // Once the line is clean again the image catches up with the relay.
    relay->setFaults(TestRelay::Faults());
    TRY_VERIFY(imageHolds(*access.device(), after), 6000);
}

void TestReliabilityPolling::queueStaysBoundedThroughMixedFaults()
{
    MainWindowTestAccess access(*window);
    loadRelay(*relay, before);
    QVERIFY(connectAndPoll(*relay));
    access.setPollPeriod(fastPollMs);
    TRY_VERIFY(imageHolds(*access.device(), before), 4000);

    // Half the answers lost, and the rest of the faults on top: the relay
    // answers far slower than the poll period asks.
    TestRelay::Faults f;
    f.dropEvery = 2;
    f.exceptionEvery = 5;
    f.corruptCrcEvery = 7;
    f.wrongAddressEvery = 11;
    f.noiseEvery = 13;
    f.chunkSize = 3;
    f.chunkGapMs = 5;
    f.answerDelayMs = 250;
    f.answerDelayEvery = 3;
    loadRelay(*relay, after);
    relay->setFaults(f);
    // As many requests as thirty seconds of polling once a second brought;
    // the poll timer now fires ten times a second, far faster still than the
    // relay answers.
    const int requests = 27;
    const PhaseResult phase = watch(access, *relay, requests, 90000, [&] {
        const QStringList lines = logLines(*window);
        return lines.contains(QStringLiteral("Таймаут ответа!")) &&
               lines.contains(QStringLiteral("Код ошибки: 0x4")) &&
               lines.contains(QStringLiteral("Ошибка CRC!"));
    });

    QVERIFY2(phase.foreign < 0, qPrintable(QString::number(phase.foreign)));
    // A poll is three reads; a few more may wait behind the outstanding one
    // and a write, but not a backlog that keeps growing.
    QVERIFY2(phase.maxQueued <= 6, qPrintable(QString::number(phase.maxQueued)));
    QVERIFY2(phase.lateQueued <= 6, qPrintable(QString::number(phase.lateQueued)));
    QVERIFY2(phase.requests >= requests, qPrintable(QString::number(phase.requests)));
    QVERIFY(access.polling());

    const QStringList lines = logLines(*window);
    QVERIFY(lines.contains(QStringLiteral("Таймаут ответа!")));
    QVERIFY(lines.contains(QStringLiteral("Код ошибки: 0x4")));
    QVERIFY(lines.contains(QStringLiteral("Ошибка CRC!")));

    relay->setFaults(TestRelay::Faults());
    TRY_VERIFY(imageHolds(*access.device(), after), 6000);
}

void TestReliabilityPolling::settingsWritesReachRelayInPairs_data()
{
    QTest::addColumn<TestRelay::Faults>("faults");

    TestRelay::Faults f;
    f.dropEvery = 2;
    QTest::newRow("lost answers") << f;
    f = TestRelay::Faults();
    f.corruptCrcEvery = 2;
    QTest::newRow("corrupt CRC") << f;
    f.dropEvery = 3;
    f.corruptCrcEvery = 4;
    f.noiseEvery = 5;
    QTest::newRow("both, and noise") << f;
}

void TestReliabilityPolling::settingsWritesReachRelayInPairs()
{
    QFETCH(TestRelay::Faults, faults);

    MainWindowTestAccess access(*window);
    relay->setRegister(8, 1);
    QVERIFY(connectAndPoll(*relay));
    access.setPollPeriod(fastPollMs);
    TRY_COMPARE(access.device()->getRegister(8), uint16_t(1), 4000);
    window->refresh();

    // МТЗ-1 current 1.50 A (register 9) and АПВ on (register 48).
    child<QDoubleSpinBox>(window, "sbMTZ1_I")->setValue(1.5);
    child<QComboBox>(window, "cbAPV_On")->setCurrentIndex(1);
    relay->setFaults(faults);
    relay->clearRecords();
    action(*window, "actionLogInfo")->trigger();
    child<QListWidget>(window, "listLog")->clear();

    windowtest::answerChanges(*closer, true);
    closer->expectDialog([](QDialog* dialog) {
        child<QSpinBox>(dialog, "sbPassword")->setValue(0x1234);
        return true;
    });
    action(*window, "actionSaveChanges")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());

    TRY_VERIFY(relay->registerWrites().size() >= 4, 8000);
    // Let anything sent twice show up: a write queued again would go out
    // ahead of the poll's reads, so two polls' worth of requests after the
    // last write would have brought it.
    const int requestsAfterWrites = relay->requestCount();
    TRY_VERIFY(relay->requestCount() >= requestsAfterWrites + 6, 15000);

    const QList<TestRelay::RegisterWrite> writes = relay->registerWrites();
    QCOMPARE(writes.size(), 4);
    const uint16_t expected[4][2] = {{71, 0x1234}, {9, 150}, {71, 0x1234}, {48, 1}};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(writes[i].address, expected[i][0]);
        QCOMPARE(writes[i].value, expected[i][1]);
    }

    // Every write frame on the line is one the program logged as queued.
    int writeFrames = 0;
    for (const QByteArray& frame : relay->requests()) {
        if (frame.size() > 1 && static_cast<uint8_t>(frame.at(1)) == 0x10)
            ++writeFrames;
    }
    const QStringList queued =
        logLines(*window).filter(QStringLiteral("WriteMultipleRegs startReg"));
    QCOMPARE(writeFrames, queued.size());
    QCOMPARE(queued, (QStringList{QStringLiteral("WriteMultipleRegs startReg = 71 Count = 1"),
                                  QStringLiteral("WriteMultipleRegs startReg = 9 Count = 1"),
                                  QStringLiteral("WriteMultipleRegs startReg = 71 Count = 1"),
                                  QStringLiteral("WriteMultipleRegs startReg = 48 Count = 1")}));

    // The relay took the values; the next good polls bring them back.
    relay->setFaults(TestRelay::Faults());
    TRY_COMPARE(access.device()->getRegister(9), uint16_t(150), 4000);
    TRY_COMPARE(access.device()->getRegister(48), uint16_t(1), 4000);
}

void TestReliabilityPolling::writtenSettingShowsUntilReadBack_data()
{
    QTest::addColumn<int>("relayPassword");
    QTest::addColumn<bool>("writeAnswersLost");
    QTest::addColumn<QMessageBox::Icon>("icon");
    QTest::addColumn<QString>("verification");
    QTest::addColumn<double>("shownAfterReadBack");
    QTest::addColumn<uint16_t>("relayValue");

    const QString held = QStringLiteral("Записана 1 уставка");
    QTest::newRow("relay takes the value")
        << 0x1234 << false << QMessageBox::Information << held << 1.5 << uint16_t(150);
    QTest::newRow("relay refuses the password")
        << 0x4321 << false << QMessageBox::Warning
        << QStringLiteral("Реле не хранит записанное значение у 1 из 1 уставки:\n"
                          "МТЗ-1 › Iсраб (рег. 9): записывалось 1.5 А, в реле 1.0 А; "
                          "отказ: исключение 03, недопустимое значение (неверный пароль?)")
        << 1.0 << uint16_t(100);
    // The relay carried the writes out but their answers were lost: the
    // read-back, not the timeouts, says what it holds.
    QTest::newRow("answers to the writes lost")
        << 0x1234 << true << QMessageBox::Information << held << 1.5 << uint16_t(150);
}

void TestReliabilityPolling::writtenSettingShowsUntilReadBack()
{
    QFETCH(int, relayPassword);
    QFETCH(bool, writeAnswersLost);
    QFETCH(QMessageBox::Icon, icon);
    QFETCH(QString, verification);
    QFETCH(double, shownAfterReadBack);
    QFETCH(uint16_t, relayValue);

    MainWindowTestAccess access(*window);
    relay->setRegister(9, 100); // МТЗ-1 current 1.00 A
    relay->requirePassword(static_cast<uint16_t>(relayPassword));
    QVERIFY(connectAndPoll(*relay));
    access.setPollPeriod(fastPollMs);
    TRY_COMPARE(access.device()->getRegister(9), uint16_t(100), 4000);
    // The test polls by hand from here on, so it knows which reads were sent
    // after the write.
    access.refreshTimer()->stop();
    access.device()->stop();
    window->refresh();

    auto* spin = child<QDoubleSpinBox>(window, "sbMTZ1_I");
    QCOMPARE(spin->value(), 1.0);
    spin->setValue(1.5);
    if (writeAnswersLost) {
        // Answers to writes are lost, answers to reads arrive.
        connect(relay, &TestRelay::requestReceived, this, [this](const QByteArray& frame) {
            TestRelay::Faults faults;
            faults.dropEvery = frame.size() > 1 && frame.at(1) == 0x10 ? 1 : 0;
            relay->setFaults(faults);
        });
    }
    const int requestsBefore = relay->requestCount();
    windowtest::answerChanges(*closer, true);
    closer->expectDialog([](QDialog* dialog) {
        child<QSpinBox>(dialog, "sbPassword")->setValue(0x1234);
        return true;
    });
    closer->expectMessageBox();
    action(*window, "actionSaveChanges")->trigger();
    QVERIFY2(closer->waitUntilDone(10000), closer->describe().constData());
    QCOMPARE(closer->seen.size(), 3);
    QCOMPARE(closer->seen[2].icon, icon);
    QCOMPARE(closer->seen[2].text, verification);
    QVERIFY(relay->requestCount() >= requestsBefore + 3);
    TRY_COMPARE(access.client()->queuedCount(), 0, 4000);
    // A write that timed out is not sent again.
    int valueWrites = 0;
    for (const TestRelay::RegisterWrite& write : relay->registerWrites())
        valueWrites += write.address == 9;
    QCOMPARE(valueWrites, relayPassword == 0x1234 ? 1 : 0);

    // Written and answered, but not read back by the poll yet: the written
    // value stays (the check's own read does not count as the poll's).
    window->refresh();
    QCOMPARE(spin->value(), 1.5);
    QVERIFY(spin->font().bold());

    relay->disconnect(this);
    relay->setFaults(TestRelay::Faults());
    const uint64_t ticket = access.device()->lastTicket();
    access.device()->refresh();
    TRY_VERIFY(access.device()->readTicket(9) > ticket, 4000);
    window->refresh();
    QCOMPARE(spin->value(), shownAfterReadBack);
    QCOMPARE(spin->font().bold(), relayValue != 150);
    QCOMPARE(relay->registerValue(9), relayValue);
}

void TestReliabilityPolling::commandReachesRelayOnlyWhenConfirmed()
{
    QVERIFY(connectAndPoll(*relay));
    MainWindowTestAccess(*window).setPollPeriod(fastPollMs);
    auto* button = child<QPushButton>(window, "btnDO4");
    QVERIFY(button->isEnabled());
    auto coilWrites = [this] {
        int count = 0;
        for (const QByteArray& frame : relay->requests())
            count += frame.size() > 1 && static_cast<uint8_t>(frame.at(1)) == 0x05;
        return count;
    };

    closer->expectMessageBox(QMessageBox::No);
    button->click();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    // A write queued on the click would go out ahead of the poll's reads:
    // once a whole poll has followed, none was.
    const int requestsAfterNo = relay->requestCount();
    TRY_VERIFY(relay->requestCount() >= requestsAfterNo + 3, 5000);
    QCOMPARE(coilWrites(), 0);

    closer->expectMessageBox(QMessageBox::Yes);
    button->click();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    TRY_COMPARE(coilWrites(), 2, 4000);
    QList<QByteArray> writes;
    for (const QByteArray& frame : relay->requests()) {
        if (static_cast<uint8_t>(frame.at(1)) == 0x05)
            writes << frame.left(6).toHex();
    }
    QCOMPARE(writes, (QList<QByteArray>{"01050004ff00", "010500040000"}));
    QVERIFY(!relay->coil(4));

    // Stopped, the buttons refuse work.
    action(*window, "actionStop")->trigger();
    QVERIFY(!button->isEnabled());
}

namespace {

void addTcpLines()
{
    QTest::addColumn<TestRelay::Line>("line");
    QTest::newRow("RTU over TCP") << TestRelay::Line::RtuOverTcp;
    QTest::newRow("Modbus TCP") << TestRelay::Line::ModbusTcp;
}

} // namespace

void TestReliabilityPolling::droppedConnectionIsMadeAgainWithoutABox_data()
{
    addTcpLines();
}

void TestReliabilityPolling::droppedConnectionIsMadeAgainWithoutABox()
{
    QFETCH(TestRelay::Line, line);

    MainWindowTestAccess access(*window);
    TestRelay gateway(line);
    QVERIFY(gateway.isValid());
    loadRelay(gateway, before);
    QVERIFY(connectAndPoll(gateway));
    access.setPollPeriod(fastPollMs);
    TRY_VERIFY(imageHolds(*access.device(), before), 4000);

    // The gateway restarts: no box, the window connects again by itself
    // and goes on polling what the relay now holds.
    loadRelay(gateway, after);
    gateway.dropConnection();
    TRY_VERIFY(gateway.connectionCount() == 2 && access.polling(), 5000);
    TRY_VERIFY(imageHolds(*access.device(), after), 4000);
    QCOMPARE(closer->seen.size(), 0);

    // Stopped while the line is away, nothing is tried any more.
    gateway.unplug();
    TRY_VERIFY(window->findChild<QLabel*>("statusPolling")
                   ->text()
                   .startsWith(QStringLiteral("Нет связи — повтор через")),
               5000);
    action(*window, "actionStop")->trigger();
    QVERIFY(!access.polling());
    QCOMPARE(window->findChild<QLabel*>("statusPolling")->text(),
             QStringLiteral("Опрос остановлен"));
    eventwait::spin(1500);
    QCOMPARE(closer->seen.size(), 0);
}

void TestReliabilityPolling::refusedConnectionIsReportedAtStart_data()
{
    addTcpLines();
}

void TestReliabilityPolling::refusedConnectionIsReportedAtStart()
{
    QFETCH(TestRelay::Line, line);

    MainWindowTestAccess access(*window);
    TestRelay gateway(line);
    QVERIFY(gateway.isValid());
    const quint16 port = gateway.tcpPort();
    // Nothing listens on the port any more.
    gateway.unplug();
    QVERIFY(connectTo(*window, *closer, QString(), port, line == TestRelay::Line::ModbusTcp));
    closer->expectMessageBox();
    action(*window, "actionStart")->trigger();
    QVERIFY2(closer->waitUntilDone(5000), closer->describe().constData());
    QCOMPARE(closer->seen.first().title, QStringLiteral("Ошибка соединения"));
    QCOMPARE(closer->seen.first().text,
             QStringLiteral("Нет связи с реле по сети, проверьте настройки\n\nУзел "
                            "127.0.0.1:%1 отклонил соединение.")
                 .arg(port));
    QVERIFY(!access.polling());
}

QTEST_MAIN(TestReliabilityPolling)
#include "tst_reliabilitypolling.moc"
