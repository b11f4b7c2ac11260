// The one form of a counted word for every count: 1 and 21 but not 11 take
// the first, 2-4 and 22-24 but not 12-14 the second, the rest the third.
#include "base/RussianPlural.h"
#include "relay/VerificationReport.h"

#include <QTest>

class TestRussianPlural : public QObject
{
    Q_OBJECT

private slots:
    void writtenSettingsAgreeWithTheirCount_data();
    void writtenSettingsAgreeWithTheirCount();
};

void TestRussianPlural::writtenSettingsAgreeWithTheirCount_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("text");
    QTest::newRow("1") << 1 << "Записана 1 уставка";
    QTest::newRow("2") << 2 << "Записаны 2 уставки";
    QTest::newRow("4") << 4 << "Записаны 4 уставки";
    QTest::newRow("5") << 5 << "Записано 5 уставок";
    QTest::newRow("11") << 11 << "Записано 11 уставок";
    QTest::newRow("12") << 12 << "Записано 12 уставок";
    QTest::newRow("14") << 14 << "Записано 14 уставок";
    QTest::newRow("21") << 21 << "Записана 21 уставка";
    QTest::newRow("22") << 22 << "Записаны 22 уставки";
    QTest::newRow("111") << 111 << "Записано 111 уставок";
    QTest::newRow("0") << 0 << "Записано 0 уставок";
}

void TestRussianPlural::writtenSettingsAgreeWithTheirCount()
{
    QFETCH(int, count);
    QFETCH(QString, text);
    QCOMPARE(VerificationReport::writtenText(count), text);
}

QTEST_GUILESS_MAIN(TestRussianPlural)
#include "tst_russianplural.moc"
