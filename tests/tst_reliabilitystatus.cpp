#include "app/StaleValueMarker.h"
#include "support/EventWait.h"
#include "support/ReliabilityHarness.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>

using namespace reliability;

Q_DECLARE_METATYPE(TestRelay::Faults)

namespace {

QString markState(MainWindow& window)
{
    return child<QLabel>(&window, "statusMark")->property("state").toString();
}

QString countersText(MainWindow& window)
{
    return child<QLabel>(&window, "statusCounters")->text();
}

} // namespace

// The status bar and the greying of old values, against a relay on a
// pseudo-terminal whose faults are switched on and off.
class TestReliabilityStatus : public QObject, private Scenario
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void markAndCountersFollowTheLine_data();
    void markAndCountersFollowTheLine();
    void clickOnCountersResetsThem();
    void valuesGreyAfterThreePeriodsWithoutAnswers();
};

void TestReliabilityStatus::init()
{
    openRelay();
    QVERIFY(relay->isValid());
    openWindow();
}

void TestReliabilityStatus::cleanup()
{
    closeAll();
}

void TestReliabilityStatus::markAndCountersFollowTheLine_data()
{
    QTest::addColumn<TestRelay::Faults>("faults");
    QTest::addColumn<QString>("state");
    // Which counter must have grown, by its caption.
    QTest::addColumn<QString>("counter");

    TestRelay::Faults none;
    QTest::newRow("answering") << none << "answering"
                               << "Ответы";
    TestRelay::Faults corrupt;
    corrupt.corruptCrcEvery = 2;
    QTest::newRow("bad CRC") << corrupt << "errors"
                             << "CRC/формат";
    TestRelay::Faults refusing;
    refusing.exceptionEvery = 3;
    QTest::newRow("exceptions") << refusing << "errors"
                                << "Исключения";
    TestRelay::Faults silent;
    silent.dropEvery = 1;
    QTest::newRow("no answers") << silent << "silent"
                                << "Таймауты";
}

void TestReliabilityStatus::markAndCountersFollowTheLine()
{
    QFETCH(TestRelay::Faults, faults);
    QFETCH(QString, state);
    QFETCH(QString, counter);

    QCOMPARE(markState(*window), QStringLiteral("stopped"));
    relay->setFaults(faults);
    QVERIFY(connectAndPoll(*relay));
    TRY_COMPARE(markState(*window), state, 7000);

    // The caption is followed by a count above zero.
    const QRegularExpression grown(QRegularExpression::escape(counter) + " [1-9]");
    QVERIFY2(grown.match(countersText(*window)).hasMatch(), qPrintable(countersText(*window)));
    const ModBusClient::Counters& counted = MainWindowTestAccess(*window).client()->counters();
    // Every request ends one way or another, the one on the line aside.
    const quint64 ended =
        counted.answers + counted.timeouts + counted.frameErrors + counted.exceptions;
    QVERIFY(counted.requests >= ended && counted.requests <= ended + 1);
    QVERIFY(child<QLabel>(window, "statusConnection")->text().contains(relay->portName()));

    action(*window, "actionStop")->trigger();
    QCOMPARE(markState(*window), QStringLiteral("stopped"));
    QCOMPARE(child<QLabel>(window, "statusPolling")->text(), QStringLiteral("Опрос остановлен"));
}

void TestReliabilityStatus::clickOnCountersResetsThem()
{
    QVERIFY(connectAndPoll(*relay));
    // The counters, not the poll period, are what is checked here.
    MainWindowTestAccess(*window).setPollPeriod(fastPollMs);
    TRY_VERIFY(MainWindowTestAccess(*window).client()->counters().answers >= 3, 5000);
    action(*window, "actionStop")->trigger();
    eventwait::spin(200);
    QTest::mouseClick(child<QLabel>(window, "statusCounters"), Qt::LeftButton);
    QCOMPARE(countersText(*window),
             QStringLiteral("Запросы 0 · Ответы 0 · Таймауты 0 · CRC/формат 0 · Исключения 0"));
    QCOMPARE(child<QLabel>(window, "statusAnswerAge")->text(), QStringLiteral("Ответов не было"));
}

void TestReliabilityStatus::valuesGreyAfterThreePeriodsWithoutAnswers()
{
    auto* ia = child<QLabel>(window, "lblIa");
    auto* led = child<QCheckBox>(window, "ledMTZ1");
    auto* editor = child<QDoubleSpinBox>(window, "sbMTZ1_I");
    // Nothing read yet: nothing may look measured.
    QVERIFY(!ia->isEnabled());
    QCOMPARE(ia->text(), StaleValueMarker::neverReadText());
    QCOMPARE(editor->toolTip(), StaleValueMarker::noDataText());

    relay->setRegister(0, 250);
    relay->setRegister(52, 1);
    QVERIFY(connectAndPoll(*relay));
    TRY_COMPARE(ia->text(), QStringLiteral("2.50"), 5000);
    QVERIFY(ia->isEnabled() && led->isEnabled());
    QVERIFY(editor->toolTip() != StaleValueMarker::noDataText());

    // The relay falls silent; three periods of 1 s later the values grey.
    TestRelay::Faults silent;
    silent.dropEvery = 1;
    relay->setFaults(silent);
    QElapsedTimer waited;
    waited.start();
    TRY_VERIFY(!ia->isEnabled(), 6000);
    QVERIFY2(waited.elapsed() >= 2000, qPrintable(QString::number(waited.elapsed())));
    QVERIFY(!led->isEnabled());
    // The last value stays readable, only greyed.
    QCOMPARE(ia->text(), QStringLiteral("2.50"));
    QCOMPARE(editor->toolTip(), StaleValueMarker::noDataText());

    relay->setFaults(TestRelay::Faults());
    TRY_VERIFY(ia->isEnabled(), 5000);
    QVERIFY(editor->toolTip() != StaleValueMarker::noDataText());
}

QTEST_MAIN(TestReliabilityStatus)
#include "tst_reliabilitystatus.moc"
