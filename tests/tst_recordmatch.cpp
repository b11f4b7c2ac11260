#include "records/CrashProcessHeader.h"
#include "records/JournalEntry.h"
#include "records/RecordMatch.h"

#include <QDateTime>
#include <QTest>
#include <QVector>

Q_DECLARE_METATYPE(JournalEntry)
Q_DECLARE_METATYPE(QVector<CrashProcessHeader>)

namespace {

// A record triggered at `at`; `valid` false: an empty slot with that time.
CrashProcessHeader recordAt(const QDateTime& at, bool valid = true)
{
    CrashProcessHeader header;
    header.year = static_cast<uint8_t>(at.date().year() - 2000);
    header.month = static_cast<uint8_t>(at.date().month());
    header.day = static_cast<uint8_t>(at.date().day());
    header.hour = static_cast<uint8_t>(at.time().hour());
    header.minute = static_cast<uint8_t>(at.time().minute());
    header.second = static_cast<uint8_t>(at.time().second());
    header.millisecond = static_cast<uint16_t>(at.time().msec());
    header.ringPosition = 5;
    header.scalePhase = header.scale3I0 = header.scale3U0 = 1000;
    header.valid = valid ? 1 : 0;
    header.checksum = header.expectedChecksum();
    return header;
}

JournalEntry eventAt(const QDateTime& at, uint8_t type = 1)
{
    JournalEntry entry;
    entry.type = type;
    entry.year = static_cast<uint16_t>(at.date().year() - 2000);
    entry.month = static_cast<uint8_t>(at.date().month());
    entry.day = static_cast<uint8_t>(at.date().day());
    entry.hour = static_cast<uint8_t>(at.time().hour());
    entry.minute = static_cast<uint8_t>(at.time().minute());
    entry.second = static_cast<uint8_t>(at.time().second());
    entry.millisecond = static_cast<uint16_t>(at.time().msec());
    return entry;
}

// Just before midnight on New Year's Eve: a second later is another day,
// month and year.
const QDateTime trip(QDate(2024, 12, 31), QTime(23, 59, 59, 600), Qt::UTC);

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
    QTest::addColumn<JournalEntry>("event");
    QTest::addColumn<QVector<CrashProcessHeader>>("records");
    QTest::addColumn<int>("expected");

    const CrashProcessHeader elsewhere = recordAt(trip.addSecs(-3600));
    QTest::newRow("trigger half a second before the trip")
        << eventAt(trip) << QVector<CrashProcessHeader>{elsewhere, recordAt(trip.addMSecs(-500))}
        << 1;
    QTest::newRow("exactly a second, across the new year")
        << eventAt(trip) << QVector<CrashProcessHeader>{recordAt(trip.addMSecs(1000))} << 0;
    QTest::newRow("just over a second before")
        << eventAt(trip) << QVector<CrashProcessHeader>{recordAt(trip.addMSecs(-1001))} << -1;
    QTest::newRow("just over a second after")
        << eventAt(trip) << QVector<CrashProcessHeader>{recordAt(trip.addMSecs(1001))} << -1;
    QTest::newRow("several within a second: the nearest")
        << eventAt(trip)
        << QVector<CrashProcessHeader>{recordAt(trip.addMSecs(-900)), elsewhere,
                                       recordAt(trip.addMSecs(300)), recordAt(trip.addMSecs(-400))}
        << 2;
    QTest::newRow("empty slot at the same time")
        << eventAt(trip) << QVector<CrashProcessHeader>{recordAt(trip, false), elsewhere} << -1;
    QTest::newRow("no headers") << eventAt(trip) << QVector<CrashProcessHeader>{} << -1;
    QTest::newRow("empty journal slot") << eventAt(trip, JournalEntry::emptyType)
                                        << QVector<CrashProcessHeader>{recordAt(trip)} << -1;
    JournalEntry noDate = eventAt(trip);
    noDate.month = 13;
    QTest::newRow("event without a real date")
        << noDate << QVector<CrashProcessHeader>{recordAt(trip)} << -1;
}

void TestRecordMatch::eventFindsTheRecordWithinASecond()
{
    QFETCH(JournalEntry, event);
    QFETCH(QVector<CrashProcessHeader>, records);
    QFETCH(int, expected);
    QCOMPARE(matchingRecord(event, records), expected);
}

QTEST_MAIN(TestRecordMatch)
#include "tst_recordmatch.moc"
