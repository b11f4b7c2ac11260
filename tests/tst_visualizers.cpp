#include "ui/Visualizers.h"

#include "support/FakeRegisterImage.h"

#include <QCheckBox>
#include <QLabel>
#include <QLocale>
#include <QTest>

#include <memory>
#include <vector>

class TestVisualizers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void phaseCurrentsAreScaledByTheRatio_data();
    void phaseCurrentsAreScaledByTheRatio();
    void residualCurrentIsAlwaysShown_data();
    void residualCurrentIsAlwaysShown();
    void residualVoltageIsShownOnlyWhenDirectional_data();
    void residualVoltageIsShownOnlyWhenDirectional();
    void angleIsShownOnlyWhenDirectional_data();
    void angleIsShownOnlyWhenDirectional();
    void decimalPointDoesNotFollowTheLocale();
    void bitFieldChecksTheButtonOfEachSetBit_data();
    void bitFieldChecksTheButtonOfEachSetBit();
    void buttonsBeyondSixteenBitsStayUnchecked();
};

void TestVisualizers::initTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void TestVisualizers::cleanupTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void TestVisualizers::phaseCurrentsAreScaledByTheRatio_data()
{
    QTest::addColumn<int>("ia");
    QTest::addColumn<int>("ib");
    QTest::addColumn<int>("ic");
    QTest::addColumn<int>("ratio");
    QTest::addColumn<int>("execution");
    QTest::addColumn<QString>("textIa");
    QTest::addColumn<QString>("textIb");
    QTest::addColumn<QString>("textIc");

    QTest::newRow("ratio 1") << 150 << 250 << 1234 << 1 << 0 << "1.50"
                             << "2.50"
                             << "12.34";
    QTest::newRow("ratio 40") << 125 << 5 << 0 << 40 << 0 << "50.00"
                              << "2.00"
                              << "0.00";
    QTest::newRow("ratio 0 shows zeros") << 500 << 600 << 700 << 0 << 0 << "0.00"
                                         << "0.00"
                                         << "0.00";
    QTest::newRow("two-phase hides Ib") << 150 << 250 << 350 << 1 << 1 << "1.50"
                                        << ""
                                        << "3.50";
    QTest::newRow("execution 2 shows Ib") << 150 << 250 << 350 << 1 << 2 << "1.50"
                                          << "2.50"
                                          << "3.50";
    QTest::newRow("ratio above 32767") << 65535 << 40000 << 1 << 65535 << 0 << "42948362.25"
                                       << "26214000.00"
                                       << "655.35";
}

void TestVisualizers::phaseCurrentsAreScaledByTheRatio()
{
    QFETCH(int, ia);
    QFETCH(int, ib);
    QFETCH(int, ic);
    QFETCH(int, ratio);
    QFETCH(int, execution);

    FakeRegisterImage image;
    image.set(0, ia);
    image.set(1, ib);
    image.set(2, ic);
    image.set(52, ratio);
    image.set(55, execution);
    QLabel la("0"), lb("0"), lc("0");
    PhaseCurrentsVisualizer visualizer(&la, &lb, &lc, &image);
    visualizer.visualize();

    QTEST(la.text(), "textIa");
    QTEST(lb.text(), "textIb");
    QTEST(lc.text(), "textIc");
}

void TestVisualizers::residualCurrentIsAlwaysShown_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("ratio");
    QTest::addColumn<int>("directional");
    QTest::addColumn<QString>("text");

    QTest::newRow("250 ratio 1") << 250 << 1 << 0 << "2.50";
    QTest::newRow("directional on") << 250 << 1 << 1 << "2.50";
    QTest::newRow("ratio 200") << 3 << 200 << 0 << "6.00";
    QTest::newRow("ratio above 32767") << 65535 << 65535 << 0 << "42948362.25";
}

void TestVisualizers::residualCurrentIsAlwaysShown()
{
    QFETCH(int, value);
    QFETCH(int, ratio);
    QFETCH(int, directional);

    FakeRegisterImage image;
    image.set(3, value);
    image.set(53, ratio);
    image.set(41, directional);
    QLabel label("0");
    MeasuredCurrent3I0Visualizer visualizer(&label, &image, 3);
    visualizer.visualize();

    QTEST(label.text(), "text");
}

void TestVisualizers::residualVoltageIsShownOnlyWhenDirectional_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("ratio");
    QTest::addColumn<int>("directional");
    QTest::addColumn<QString>("text");

    QTest::newRow("57 x 100") << 57 << 100 << 1 << "5700";
    QTest::newRow("zero") << 0 << 100 << 1 << "0";
    QTest::newRow("directional off") << 57 << 100 << 0 << "";
    QTest::newRow("directional 2") << 57 << 100 << 2 << "";
    QTest::newRow("directional 0xFFFF") << 57 << 100 << 0xFFFF << "";
    QTest::newRow("ratio above 32767") << 65535 << 65535 << 1 << "4294836225";
}

void TestVisualizers::residualVoltageIsShownOnlyWhenDirectional()
{
    QFETCH(int, value);
    QFETCH(int, ratio);
    QFETCH(int, directional);

    FakeRegisterImage image;
    image.set(4, value);
    image.set(54, ratio);
    image.set(41, directional);
    QLabel label("0");
    MeasuredVoltageVisualizer visualizer(&label, &image, 4);
    visualizer.visualize();

    QTEST(label.text(), "text");
}

void TestVisualizers::angleIsShownOnlyWhenDirectional_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("directional");
    QTest::addColumn<QString>("text");

    QTest::newRow("3599") << 3599 << 1 << "359.90";
    QTest::newRow("zero") << 0 << 1 << "0.00";
    QTest::newRow("unsigned 65535") << 65535 << 1 << "6553.50";
    QTest::newRow("directional off") << 3599 << 0 << "";
}

void TestVisualizers::angleIsShownOnlyWhenDirectional()
{
    QFETCH(int, value);
    QFETCH(int, directional);

    FakeRegisterImage image;
    image.set(5, value);
    image.set(41, directional);
    QLabel label("0");
    MeasuredAngleVisualizer visualizer(&label, &image, 5);
    visualizer.visualize();

    QTEST(label.text(), "text");
}

void TestVisualizers::decimalPointDoesNotFollowTheLocale()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    FakeRegisterImage image;
    image.set(0, 57920);
    image.set(3, 1250);
    image.set(52, 1);
    image.set(53, 1000);
    QLabel la, lb, lc, residual;
    PhaseCurrentsVisualizer phases(&la, &lb, &lc, &image);
    MeasuredCurrent3I0Visualizer current(&residual, &image, 3);
    phases.visualize();
    current.visualize();
    QLocale::setDefault(QLocale::c());

    QCOMPARE(la.text(), QString("579.20"));
    QCOMPARE(residual.text(), QString("12500.00"));
}

void TestVisualizers::bitFieldChecksTheButtonOfEachSetBit_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("buttonCount");
    QTest::addColumn<QList<int>>("checked");

    QTest::newRow("inputs 0x0401") << 0x0401 << 11 << QList<int>{0, 10};
    QTest::newRow("leds 0x0100") << 0x0100 << 9 << QList<int>{8};
    QTest::newRow("leds 0x0020") << 0x0020 << 9 << QList<int>{5};
    QTest::newRow("zero") << 0 << 11 << QList<int>{};
    QTest::newRow("all eleven") << 0x07FF << 11 << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    QTest::newRow("bits beyond the list") << 0xFE00 << 9 << QList<int>{};
}

void TestVisualizers::bitFieldChecksTheButtonOfEachSetBit()
{
    QFETCH(int, value);
    QFETCH(int, buttonCount);
    QFETCH(QList<int>, checked);

    FakeRegisterImage image;
    image.set(6, value);
    std::vector<std::unique_ptr<QCheckBox>> boxes;
    QList<QAbstractButton*> buttons;
    for (int i = 0; i < buttonCount; ++i) {
        boxes.push_back(std::make_unique<QCheckBox>());
        // Every box starts checked, so a stale state cannot pass for a clear bit.
        boxes.back()->setChecked(true);
        buttons.append(boxes.back().get());
    }
    BinaryVisualizer visualizer(buttons, &image, 6);
    visualizer.visualize();

    for (int i = 0; i < buttonCount; ++i)
        QCOMPARE(boxes[i]->isChecked(), checked.contains(i));
}

void TestVisualizers::buttonsBeyondSixteenBitsStayUnchecked()
{
    FakeRegisterImage image;
    image.set(7, 0xFFFF);
    std::vector<std::unique_ptr<QCheckBox>> boxes;
    QList<QAbstractButton*> buttons;
    for (int i = 0; i < 18; ++i) {
        boxes.push_back(std::make_unique<QCheckBox>());
        boxes.back()->setChecked(true);
        buttons.append(boxes.back().get());
    }
    BinaryVisualizer visualizer(buttons, &image, 7);
    visualizer.visualize();

    for (int i = 0; i < 16; ++i)
        QVERIFY(boxes[i]->isChecked());
    QVERIFY(!boxes[16]->isChecked());
    QVERIFY(!boxes[17]->isChecked());
}

QTEST_MAIN(TestVisualizers)
#include "tst_visualizers.moc"
