#include "records/CrashProcessHeader.h"
#include "records/JournalEntry.h"
#include "records/RecordMatch.h"

#include <QDateTime>
#include <QTest>
#include <QVector>

#include <climits>

namespace {

// Just before midnight on New Year's Eve: a second later is another day,
// month and year.
const QDateTime trip(QDate(2024, 12, 31), QTime(23, 59, 59, 600), Qt::UTC);
// A slot without a record, stamped at the trip all the same.
constexpr int emptySlot = INT_MIN;

// A journal entry or a record header stamped at `at`.
template <class Stamped> Stamped stampedAt(Stamped item, const QDateTime& at)
{
    item.year = static_cast<decltype(item.year)>(at.date().year() - 2000);
    item.month = static_cast<uint8_t>(at.date().month());
    item.day = static_cast<uint8_t>(at.date().day());
    item.hour = static_cast<uint8_t>(at.time().hour());
    item.minute = static_cast<uint8_t>(at.time().minute());
    item.second = static_cast<uint8_t>(at.time().second());
    item.millisecond = static_cast<uint16_t>(at.time().msec());
    return item;
}

} // namespace

class TestRecordMatch : public QObject
{
    Q_OBJECT

private slots:
    void eventFindsTheRecordWithinASecond_data();
    void eventFindsTheRecordWithinASecond();
};

void TestRecordMatch::eventFindsTheRecordWithinASecond_data()
{
    // Each record's trigger in milliseconds from an МТЗ-1 trip.
    QTest::addColumn<QVector<int>>("triggers");
    QTest::addColumn<int>("expected");

    const int hourBefore = -3600 * 1000;
    QTest::newRow("half a second before") << QVector<int>{hourBefore, -500} << 1;
    QTest::newRow("exactly a second after, a new year") << QVector<int>{1000} << 0;
    QTest::newRow("just over a second before") << QVector<int>{-1001} << -1;
    QTest::newRow("just over a second after") << QVector<int>{1001} << -1;
    QTest::newRow("several within: the nearest") << QVector<int>{-900, hourBefore, 300, -400} << 2;
    QTest::newRow("empty slot at the trip") << QVector<int>{emptySlot, hourBefore} << -1;
    QTest::newRow("no headers") << QVector<int>{} << -1;
}

void TestRecordMatch::eventFindsTheRecordWithinASecond()
{
    QFETCH(QVector<int>, triggers);
    QFETCH(int, expected);
    QVector<CrashProcessHeader> headers;
    for (const int offset : triggers) {
        CrashProcessHeader header =
            stampedAt(CrashProcessHeader(), trip.addMSecs(offset == emptySlot ? 0 : offset));
        header.valid = offset == emptySlot ? 0 : 1;
        header.checksum = header.expectedChecksum();
        headers << header;
    }
    JournalEntry event = stampedAt(JournalEntry(), trip);
    event.type = 1;
    QCOMPARE(matchingRecord(event, headers), expected);
}

QTEST_MAIN(TestRecordMatch)
#include "tst_recordmatch.moc"
