#include "records/ComtradeWriter.h"
#include "records/CrashProcessHeader.h"
#include "simulator/DemoRTULink.h"
#include "support/FailAfterDevice.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

// ---------------------------------------------------------------------------
// A reading routine for ASCII COMTRADE files after the 1999 rules, kept apart
// from the writer: it knows nothing of the relay, only of the file format.

struct AnalogChannel
{
    int index = 0;
    QString id;
    QString unit;
    double a = 0;
    double b = 0;
    int min = 0;
    int max = 0;
    double primary = 1;
    double secondary = 1;
    QString ps;
};

struct DigitalChannel
{
    int index = 0;
    QString id;
    int normal = 0;
};

struct DataRow
{
    int number = 0;
    QString timestamp;
    QVector<int> analog;
    QVector<int> digital;
};

struct Comtrade
{
    QString error;
    QString station;
    int revision = 0;
    int totalChannels = 0;
    QVector<AnalogChannel> analog;
    QVector<DigitalChannel> digital;
    double lineFrequency = 0;
    double rate = 0;
    int lastSample = 0;
    QDateTime start;
    QDateTime trigger;
    QString fileType;
    double timeMultiplier = 0;
    QVector<DataRow> rows;

    // Scaled value of analog channel `channel` at row `row`, on the primary
    // side when the file stores secondary values.
    double primaryValue(int channel, int row) const
    {
        const AnalogChannel& c = analog[channel];
        const double value = c.a * rows[row].analog[channel] + c.b;
        return c.ps == QLatin1String("S") ? value * c.primary / c.secondary : value;
    }
    // Time of row `row` from the sampling rate, as the empty time stamps ask.
    QDateTime rowTime(int row) const
    {
        return start.addMSecs(qint64(rows[row].number - 1) * 1000 / qRound64(rate));
    }
};

// Splits a file into lines, requiring CR LF after every one of them.
bool crlfLines(const QByteArray& bytes, QStringList* lines)
{
    int from = 0;
    while (from < bytes.size()) {
        const int end = bytes.indexOf("\r\n", from);
        if (end < 0)
            return false;
        const QByteArray line = bytes.mid(from, end - from);
        if (line.contains('\r') || line.contains('\n'))
            return false;
        lines->append(QString::fromLatin1(line));
        from = end + 2;
    }
    return !bytes.isEmpty();
}

// "dd/mm/yyyy,hh:mm:ss.ssssss"
QDateTime parseStamp(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2)
        return QDateTime();
    const QDate date = QDate::fromString(parts[0], QStringLiteral("dd/MM/yyyy"));
    const QStringList clock = parts[1].split(QLatin1Char('.'));
    if (clock.size() != 2 || clock[1].size() != 6)
        return QDateTime();
    const QTime whole = QTime::fromString(clock[0], QStringLiteral("hh:mm:ss"));
    bool ok = false;
    const int micro = clock[1].toInt(&ok);
    if (!date.isValid() || !whole.isValid() || !ok)
        return QDateTime();
    return QDateTime(date, whole.addMSecs(micro / 1000), Qt::UTC);
}

Comtrade readComtrade(const QByteArray& cfgBytes, const QByteArray& datBytes)
{
    Comtrade result;
    QStringList cfg;
    QStringList dat;
    if (!crlfLines(cfgBytes, &cfg) || !crlfLines(datBytes, &dat)) {
        result.error = QStringLiteral("lines must end in CR LF");
        return result;
    }
    int line = 0;
    auto fields = [&](int expected) {
        const QStringList f =
            line < cfg.size() ? cfg[line++].split(QLatin1Char(',')) : QStringList();
        if (f.size() != expected && result.error.isEmpty())
            result.error = QStringLiteral("cfg line %1: %2 fields").arg(line).arg(f.size());
        if (f.size() >= expected)
            return f;
        QStringList padded = f;
        while (padded.size() < expected)
            padded.append(QString());
        return padded;
    };

    QStringList f = fields(3);
    result.station = f[0];
    result.revision = f[2].toInt();
    f = fields(3);
    result.totalChannels = f[0].toInt();
    const int analogCount = f[1].chopped(1).toInt();
    const int digitalCount = f[2].chopped(1).toInt();
    if (!f[1].endsWith(QLatin1Char('A')) || !f[2].endsWith(QLatin1Char('D')) ||
        analogCount + digitalCount != result.totalChannels)
        result.error = QStringLiteral("bad channel count line");
    for (int i = 0; i < analogCount; ++i) {
        f = fields(13);
        AnalogChannel c;
        c.index = f[0].toInt();
        c.id = f[1];
        c.unit = f[4];
        c.a = f[5].toDouble();
        c.b = f[6].toDouble();
        c.min = f[8].toInt();
        c.max = f[9].toInt();
        c.primary = f[10].toDouble();
        c.secondary = f[11].toDouble();
        c.ps = f[12];
        result.analog.append(c);
    }
    for (int i = 0; i < digitalCount; ++i) {
        f = fields(5);
        result.digital.append(DigitalChannel{f[0].toInt(), f[1], f[4].toInt()});
    }
    result.lineFrequency = fields(1)[0].toDouble();
    const int rates = fields(1)[0].toInt();
    if (rates != 1)
        result.error = QStringLiteral("expected one sampling rate");
    f = fields(2);
    result.rate = f[0].toDouble();
    result.lastSample = f[1].toInt();
    result.start = line < cfg.size() ? parseStamp(cfg[line++]) : QDateTime();
    result.trigger = line < cfg.size() ? parseStamp(cfg[line++]) : QDateTime();
    result.fileType = fields(1)[0];
    result.timeMultiplier = fields(1)[0].toDouble();
    if (line != cfg.size() && result.error.isEmpty())
        result.error = QStringLiteral("extra cfg lines");

    for (const QString& text : dat) {
        const QStringList v = text.split(QLatin1Char(','));
        if (v.size() != 2 + analogCount + digitalCount) {
            result.error = QStringLiteral("dat line with %1 fields").arg(v.size());
            break;
        }
        DataRow row;
        row.number = v[0].toInt();
        row.timestamp = v[1];
        for (int i = 0; i < analogCount; ++i)
            row.analog.append(v[2 + i].toInt());
        for (int i = 0; i < digitalCount; ++i)
            row.digital.append(v[2 + analogCount + i].toInt());
        result.rows.append(row);
    }
    return result;
}

// ---------------------------------------------------------------------------

CrashProcessHeader demoLikeHeader()
{
    CrashProcessHeader header;
    header.year = 19;
    header.month = 1;
    header.day = 1;
    header.minute = 1;
    header.gainIa = header.gainIb = header.gainIc = header.gain3I0 = header.gain3U0 = 1024;
    header.scalePhase = 1949;
    header.scale3I0 = 8066;
    header.scale3U0 = 1905;
    header.ratioPhase = 40;
    header.ratio3I0 = 10;
    header.faultSamples = 600;
    header.valid = 1;
    header.checksum = header.expectedChecksum();
    return header;
}

// Storage-order buffer whose sample at position p has ia = p.
QByteArray positionSamples(int count)
{
    QByteArray buffer;
    for (int p = 0; p < count; ++p) {
        CrashProcessSample sample;
        sample.ia = static_cast<int16_t>(p);
        sample.ib = static_cast<int16_t>(-p);
        buffer += sample.encode();
    }
    return buffer;
}

QStringList cfgLines(const CrashProcessHeader& header)
{
    QBuffer device;
    device.open(QIODevice::WriteOnly);
    if (!ComtradeWriter::writeCfg(device, header))
        return {};
    QStringList lines;
    crlfLines(device.data(), &lines);
    return lines;
}

QStringList datLines(const CrashProcessHeader& header, const QByteArray& samples)
{
    QBuffer device;
    device.open(QIODevice::WriteOnly);
    if (!ComtradeWriter::writeDat(device, header, samples))
        return {};
    QStringList lines;
    crlfLines(device.data(), &lines);
    return lines;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// The demo-like header, fit for export, with one field then set to `value`.
template <typename Field>
CrashProcessHeader exportableWith(Field CrashProcessHeader::*field, int value)
{
    CrashProcessHeader header = demoLikeHeader();
    header.month = 2;
    header.*field = static_cast<Field>(value);
    return header;
}

} // namespace

Q_DECLARE_METATYPE(CrashProcessHeader)

class TestComtradeWriter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void multipliers_data();
    void multipliers();
    void configurationHasTwentyFiveLines();
    void sampleCountLineAndNumbering();
    void firstSampleAndTriggerLines_data();
    void firstSampleAndTriggerLines();
    void dataInTimeOrderFromTheRing_data();
    void dataInTimeOrderFromTheRing();
    void digitalChannelBitOrder_data();
    void digitalChannelBitOrder();
    void analogValuesAreSignedDecimals();
    void sampleTimeStampsAreRoundedMicroseconds_data();
    void sampleTimeStampsAreRoundedMicroseconds();
    void everyLineEndsInCrLf();
    void baseNames_data();
    void baseNames();

    void saveWritesPairNamedAfterTrigger();
    void headerThatCannotBeExportedIsNotWritten_data();
    void headerThatCannotBeExportedIsNotWritten();
    void saveIntoMissingFolderFails();
    void fileThatCannotBeWrittenDoesNotStopTheOther_data();
    void fileThatCannotBeWrittenDoesNotStopTheOther();
    void shortBufferIsNotWritten();
    void writeErrorsAreReported_data();
    void writeErrorsAreReported();

    void demoRecordReadsBackAsComtrade();
};

void TestComtradeWriter::initTestCase()
{
    // The file format is fixed to points whatever the user's locale says.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

void TestComtradeWriter::multipliers_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("expected");

    QTest::newRow("PhaseA") << 3 << "1,PhaseA,,,A,1.088415E-02,0,,-32767,32767,40,1,S";
    QTest::newRow("3I0") << 6 << "4,3I0,,,A,2.629953E-04,0,,-32767,32767,10,1,S";
    QTest::newRow("3U0") << 7 << "5,3U0,,,V,1.113554E-01,0,,-32767,32767,1,1,S";
}

void TestComtradeWriter::multipliers()
{
    QFETCH(int, line);
    QFETCH(QString, expected);
    const QStringList lines = cfgLines(demoLikeHeader());
    QCOMPARE(lines.size(), 25);
    QCOMPARE(lines.at(line - 1), expected);
}

void TestComtradeWriter::configurationHasTwentyFiveLines()
{
    CrashProcessHeader header = demoLikeHeader();
    header.gainIb = 2048;
    header.gainIc = 0;
    const QStringList lines = cfgLines(header);
    const QStringList expected = {
        "TestSubst,0,1999",
        "16,5A,11D",
        "1,PhaseA,,,A,1.088415E-02,0,,-32767,32767,40,1,S",
        "2,PhaseB,,,A,2.176829E-02,0,,-32767,32767,40,1,S",
        "3,PhaseC,,,A,0.000000E+00,0,,-32767,32767,40,1,S",
        "4,3I0,,,A,2.629953E-04,0,,-32767,32767,10,1,S",
        "5,3U0,,,V,1.113554E-01,0,,-32767,32767,1,1,S",
        "1,DI1,,,1",
        "2,DI2,,,1",
        "3,DI3,,,1",
        "4,DI4,,,1",
        "5,DO1,,,1",
        "6,DO2,,,1",
        "7,DO3_1,,,1",
        "8,DO3_2,,,1",
        "9,DO4,,,1",
        "10,DO5,,,1",
        "11,DO6,,,1",
        "50",
        "1",
        "600,720",
        "01/01/2019,00:00:59.800000",
        "01/01/2019,00:01:00.000000",
        "ASCII",
        "1",
    };
    QCOMPARE(lines, expected);
}

void TestComtradeWriter::sampleCountLineAndNumbering()
{
    const CrashProcessHeader header = demoLikeHeader();
    QCOMPARE(cfgLines(header).at(20), QStringLiteral("600,720"));
    const QStringList lines = datLines(header, positionSamples(720));
    QCOMPARE(lines.size(), 720);
    for (int i = 0; i < lines.size(); ++i)
        QCOMPARE(lines.at(i).section(QLatin1Char(','), 0, 0).toInt(), i + 1);
}

void TestComtradeWriter::firstSampleAndTriggerLines_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("firstLine");
    QTest::addColumn<QString>("triggerLine");

    QTest::newRow("across new year")
        << QDate(2019, 1, 1) << QTime(0, 0, 0, 100) << "31/12/2018,23:59:59.900000"
        << "01/01/2019,00:00:00.100000";
    QTest::newRow("across a leap day")
        << QDate(2020, 3, 1) << QTime(0, 0, 0, 50) << "29/02/2020,23:59:59.850000"
        << "01/03/2020,00:00:00.050000";
    QTest::newRow("within a second")
        << QDate(2019, 7, 9) << QTime(8, 5, 3, 323) << "09/07/2019,08:05:03.123000"
        << "09/07/2019,08:05:03.323000";
    QTest::newRow("exactly on the second")
        << QDate(2021, 5, 31) << QTime(12, 0, 0, 200) << "31/05/2021,12:00:00.000000"
        << "31/05/2021,12:00:00.200000";
}

void TestComtradeWriter::firstSampleAndTriggerLines()
{
    QFETCH(QDate, date);
    QFETCH(QTime, time);
    QFETCH(QString, firstLine);
    QFETCH(QString, triggerLine);

    CrashProcessHeader header = demoLikeHeader();
    header.year = static_cast<uint8_t>(date.year() - 2000);
    header.month = static_cast<uint8_t>(date.month());
    header.day = static_cast<uint8_t>(date.day());
    header.hour = static_cast<uint8_t>(time.hour());
    header.minute = static_cast<uint8_t>(time.minute());
    header.second = static_cast<uint8_t>(time.second());
    header.millisecond = static_cast<uint16_t>(time.msec());
    const QStringList lines = cfgLines(header);
    QCOMPARE(lines.size(), 25);
    QCOMPARE(lines.at(21), firstLine);
    QCOMPARE(lines.at(22), triggerLine);
}

void TestComtradeWriter::dataInTimeOrderFromTheRing_data()
{
    QTest::addColumn<int>("faultSamples");
    QTest::addColumn<int>("ringPosition");

    QTest::newRow("ring from 0") << 4 << 0;
    QTest::newRow("ring from 5") << 4 << 5;
    QTest::newRow("ring from 119") << 2 << 119;
    QTest::newRow("no fault samples") << 0 << 5;
}

void TestComtradeWriter::dataInTimeOrderFromTheRing()
{
    QFETCH(int, faultSamples);
    QFETCH(int, ringPosition);

    CrashProcessHeader header = demoLikeHeader();
    header.faultSamples = static_cast<uint16_t>(faultSamples);
    header.ringPosition = static_cast<uint16_t>(ringPosition);
    const int total = faultSamples + 120;
    const QStringList lines = datLines(header, positionSamples(total));
    QCOMPARE(lines.size(), total);

    QVector<int> expected;
    for (int p = faultSamples + ringPosition; p < faultSamples + 120; ++p)
        expected << p;
    for (int p = faultSamples; p < faultSamples + ringPosition; ++p)
        expected << p;
    for (int p = 0; p < faultSamples; ++p)
        expected << p;

    QVector<int> positions;
    for (const QString& line : lines)
        positions << line.section(QLatin1Char(','), 2, 2).toInt();
    QCOMPARE(positions, expected);
}

void TestComtradeWriter::digitalChannelBitOrder_data()
{
    QTest::addColumn<int>("discrete");
    QTest::addColumn<QString>("fields");

    QTest::newRow("DO3_2 in bit 10") << 0x0400 << "0,0,0,0,0,0,0,1,0,0,0";
    QTest::newRow("DI1 in bit 0") << 0x0001 << "1,0,0,0,0,0,0,0,0,0,0";
    QTest::newRow("DO3_1 in bit 6") << 0x0040 << "0,0,0,0,0,0,1,0,0,0,0";
    QTest::newRow("DO4 in bit 7") << 0x0080 << "0,0,0,0,0,0,0,0,1,0,0";
    QTest::newRow("DO6 in bit 9") << 0x0200 << "0,0,0,0,0,0,0,0,0,0,1";
    QTest::newRow("unused bits") << 0xF800 << "0,0,0,0,0,0,0,0,0,0,0";
    QTest::newRow("all") << 0xFFFF << "1,1,1,1,1,1,1,1,1,1,1";
}

void TestComtradeWriter::digitalChannelBitOrder()
{
    QFETCH(int, discrete);
    QFETCH(QString, fields);
    CrashProcessSample sample;
    sample.discrete = static_cast<uint16_t>(discrete);
    const QString line = ComtradeWriter::dataLine(1, sample);
    QVERIFY(line.endsWith(QLatin1String("\r\n")));
    QCOMPARE(line.chopped(2).section(QLatin1Char(','), 7), fields);
}

void TestComtradeWriter::analogValuesAreSignedDecimals()
{
    CrashProcessSample sample;
    sample.ia = -5;
    sample.ib = 7;
    sample.ic = -32768;
    sample.i3I0 = 32767;
    sample.u3U0 = 0;
    sample.discrete = 0x0001;
    sample.reserved = 0x1234;
    QCOMPARE(ComtradeWriter::dataLine(12, sample),
             QStringLiteral("12,18333,-5,7,-32768,32767,0,1,0,0,0,0,0,0,0,0,0,0\r\n"));
}

void TestComtradeWriter::sampleTimeStampsAreRoundedMicroseconds_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("stamp");

    QTest::newRow("first sample at 0") << 1 << "0";
    QTest::newRow("1666.67 rounds up") << 2 << "1667";
    QTest::newRow("3333.33 rounds down") << 3 << "3333";
    QTest::newRow("exact 5000") << 4 << "5000";
    QTest::newRow("trigger after 200 ms") << 121 << "200000";
    QTest::newRow("last of 720") << 720 << "1198333";
}

void TestComtradeWriter::sampleTimeStampsAreRoundedMicroseconds()
{
    QFETCH(int, number);
    QFETCH(QString, stamp);
    const QString line = ComtradeWriter::dataLine(number, CrashProcessSample());
    QCOMPARE(line.section(QLatin1Char(','), 0, 0), QString::number(number));
    QCOMPARE(line.section(QLatin1Char(','), 1, 1), stamp);
}

void TestComtradeWriter::everyLineEndsInCrLf()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString base = dir.filePath(QStringLiteral("record"));
    CrashProcessHeader header = demoLikeHeader();
    header.faultSamples = 3;
    const QByteArray buffer = positionSamples(123);
    QVERIFY(ComtradeWriter(base).save(header, &buffer));
    for (const QString& suffix : {QStringLiteral(".cfg"), QStringLiteral(".dat")}) {
        const QByteArray bytes = readFile(base + suffix);
        QVERIFY(!bytes.isEmpty());
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
        QCOMPARE(bytes.count('\r'), bytes.count("\r\n"));
        QVERIFY(bytes.endsWith("\r\n"));
    }
    QCOMPARE(readFile(base + ".cfg").count("\r\n"), 25);
    QCOMPARE(readFile(base + ".dat").count("\r\n"), 123);
}

void TestComtradeWriter::baseNames_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("name");

    QTest::newRow("new year") << QDate(2019, 1, 1) << QTime(0, 1, 0, 0)
                              << "01.01.2019_00_01_00.0000";
    QTest::newRow("end of century")
        << QDate(2099, 12, 31) << QTime(23, 59, 59, 999) << "31.12.2099_23_59_59.0999";
    QTest::newRow("single digits")
        << QDate(2005, 3, 5) << QTime(9, 7, 3, 45) << "05.03.2005_09_07_03.0045";
}

void TestComtradeWriter::baseNames()
{
    QFETCH(QDate, date);
    QFETCH(QTime, time);
    QFETCH(QString, name);

    CrashProcessHeader header;
    header.year = static_cast<uint8_t>(date.year() - 2000);
    header.month = static_cast<uint8_t>(date.month());
    header.day = static_cast<uint8_t>(date.day());
    header.hour = static_cast<uint8_t>(time.hour());
    header.minute = static_cast<uint8_t>(time.minute());
    header.second = static_cast<uint8_t>(time.second());
    header.millisecond = static_cast<uint16_t>(time.msec());
    QCOMPARE(ComtradeWriter::baseName(header), name);
    // The list and the details show the same texts with ':' kept.
    QCOMPARE(ComtradeWriter::dateText(header) + QLatin1Char('_') +
                 ComtradeWriter::timeText(header).replace(':', '_'),
             name);
}

void TestComtradeWriter::saveWritesPairNamedAfterTrigger()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const CrashProcessHeader header = demoLikeHeader();
    const QString base = dir.path() + QLatin1Char('/') + ComtradeWriter::baseName(header);

    // An older pair of the same name is replaced.
    QFile old(base + ".dat");
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("stale contents that are longer than nothing\r\n");
    old.close();

    QVERIFY(ComtradeWriter(base).save(header, positionSamples(720)));
    QVERIFY(QFile::exists(dir.filePath("01.01.2019_00_01_00.0000.cfg")));
    QVERIFY(QFile::exists(dir.filePath("01.01.2019_00_01_00.0000.dat")));
    const QByteArray dat = readFile(base + ".dat");
    QVERIFY(!dat.contains("stale"));
    QCOMPARE(dat.count("\r\n"), 720);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

void TestComtradeWriter::headerThatCannotBeExportedIsNotWritten_data()
{
    QTest::addColumn<CrashProcessHeader>("header");

    using H = CrashProcessHeader;
    QTest::newRow("ring position 120") << exportableWith(&H::ringPosition, 120);
    QTest::newRow("phase scale zero") << exportableWith(&H::scalePhase, 0);
    QTest::newRow("3I0 scale zero") << exportableWith(&H::scale3I0, 0);
    QTest::newRow("3U0 scale zero") << exportableWith(&H::scale3U0, 0);
    QTest::newRow("month 13") << exportableWith(&H::month, 13);
    QTest::newRow("month 0") << exportableWith(&H::month, 0);
    QTest::newRow("30 February") << exportableWith(&H::day, 30);
    QTest::newRow("hour 24") << exportableWith(&H::hour, 24);
    QTest::newRow("second 60") << exportableWith(&H::second, 60);
    QTest::newRow("1000 ms") << exportableWith(&H::millisecond, 1000);
}

void TestComtradeWriter::headerThatCannotBeExportedIsNotWritten()
{
    QFETCH(CrashProcessHeader, header);

    // The header it was made from passes; the one field set spoils it.
    QVERIFY(ComtradeWriter::isExportable(exportableWith(&CrashProcessHeader::month, 2)));
    QVERIFY(!ComtradeWriter::isExportable(header));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(!ComtradeWriter(dir.filePath("record")).save(header, positionSamples(720)));
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

void TestComtradeWriter::saveIntoMissingFolderFails()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString base = dir.filePath("missing/record");
    QVERIFY(!ComtradeWriter(base).save(demoLikeHeader(), positionSamples(720)));
    QVERIFY(!QFile::exists(base + ".cfg"));
}

void TestComtradeWriter::fileThatCannotBeWrittenDoesNotStopTheOther_data()
{
    QTest::addColumn<QString>("blocked");
    QTest::addColumn<QString>("written");
    QTest::addColumn<int>("lines");

    QTest::newRow("cfg blocked, dat written") << ".cfg"
                                              << ".dat" << 720;
    QTest::newRow("dat blocked, cfg written") << ".dat"
                                              << ".cfg" << 25;
}

void TestComtradeWriter::fileThatCannotBeWrittenDoesNotStopTheOther()
{
    QFETCH(QString, blocked);
    QFETCH(QString, written);
    QFETCH(int, lines);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString base = dir.filePath("record");
    // A folder of that name cannot be replaced by a file.
    QVERIFY(QDir(dir.path()).mkdir("record" + blocked));

    QVERIFY(!ComtradeWriter(base).save(demoLikeHeader(), positionSamples(720)));
    QVERIFY(QFileInfo(base + blocked).isDir());
    const QByteArray other = readFile(base + written);
    QCOMPARE(other.count("\r\n"), lines);
    QVERIFY(other.endsWith("\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 2);
}

void TestComtradeWriter::shortBufferIsNotWritten()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString base = dir.filePath("record");
    QVERIFY(!ComtradeWriter(base).save(demoLikeHeader(), positionSamples(719)));
    const QByteArray* noBuffer = nullptr;
    QVERIFY(!ComtradeWriter(base).save(demoLikeHeader(), noBuffer));
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());

    QBuffer device;
    device.open(QIODevice::WriteOnly);
    QVERIFY(!ComtradeWriter::writeDat(device, demoLikeHeader(), positionSamples(719)));
}

void TestComtradeWriter::writeErrorsAreReported_data()
{
    QTest::addColumn<bool>("configuration");
    QTest::addColumn<int>("failAfter");
    QTest::addColumn<bool>("written");

    QTest::newRow("cfg: full at once") << true << 0 << false;
    QTest::newRow("cfg: full mid-line") << true << 30 << false;
    QTest::newRow("cfg: one byte short") << true << -1 << false;
    QTest::newRow("cfg: room enough") << true << 100000 << true;
    QTest::newRow("dat: full at once") << false << 0 << false;
    QTest::newRow("dat: full late") << false << 20000 << false;
    QTest::newRow("dat: one byte short") << false << -1 << false;
    QTest::newRow("dat: room enough") << false << 1000000 << true;
}

void TestComtradeWriter::writeErrorsAreReported()
{
    QFETCH(bool, configuration);
    QFETCH(int, failAfter);
    QFETCH(bool, written);

    const CrashProcessHeader header = demoLikeHeader();
    if (failAfter < 0) {
        // Relative to the complete file.
        QBuffer whole;
        whole.open(QIODevice::WriteOnly);
        QVERIFY(configuration ? ComtradeWriter::writeCfg(whole, header)
                              : ComtradeWriter::writeDat(whole, header, positionSamples(720)));
        failAfter += whole.data().size();
    }
    FailAfterDevice device(failAfter);
    const bool result = configuration
                            ? ComtradeWriter::writeCfg(device, header)
                            : ComtradeWriter::writeDat(device, header, positionSamples(720));
    QCOMPARE(result, written);
}

void TestComtradeWriter::demoRecordReadsBackAsComtrade()
{
    // Export the demo relay's record 0 as it comes out of the relay's file.
    DemoRTULink relay;
    const QByteArray file = relay.record(0);
    QCOMPARE(file.size(), 40 + 720 * 14);
    const CrashProcessHeader header =
        CrashProcessHeader::decode(reinterpret_cast<const uint8_t*>(file.constData()));
    QVERIFY(header.isValid());
    const QByteArray samples = file.mid(40);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString base = dir.path() + QLatin1Char('/') + ComtradeWriter::baseName(header);
    QVERIFY(ComtradeWriter(base).save(header, samples));

    const Comtrade record = readComtrade(readFile(base + ".cfg"), readFile(base + ".dat"));
    QVERIFY2(record.error.isEmpty(), qPrintable(record.error));
    QCOMPARE(record.revision, 1999);
    QCOMPARE(record.totalChannels, 16);
    QCOMPARE(record.analog.size(), 5);
    QCOMPARE(record.digital.size(), 11);
    QCOMPARE(record.analog[0].id, QStringLiteral("PhaseA"));
    QCOMPARE(record.analog[4].unit, QStringLiteral("V"));
    QCOMPARE(record.digital[7].id, QStringLiteral("DO3_2"));
    QCOMPARE(record.lineFrequency, 50.0);
    QCOMPARE(record.rate, 600.0);
    QCOMPARE(record.lastSample, 720);
    QCOMPARE(record.rows.size(), 720);
    QCOMPARE(record.fileType, QStringLiteral("ASCII"));
    QCOMPARE(record.timeMultiplier, 1.0);

    // Trigger 01.01.2019 00:01:00.000; the file starts 120 samples earlier.
    QCOMPARE(record.trigger, QDateTime(QDate(2019, 1, 1), QTime(0, 1, 0), Qt::UTC));
    QCOMPARE(record.start.msecsTo(record.trigger), 200);
    for (int row = 0; row < record.rows.size(); ++row) {
        QCOMPARE(record.rows[row].number, row + 1);
        // The stamps agree with the sample rate to the rounding, so a reader
        // that times the samples by their stamps gets the same times.
        bool isNumber = false;
        const double stamp = record.rows[row].timestamp.toDouble(&isNumber) * record.timeMultiplier;
        QVERIFY(isNumber);
        QVERIFY(qAbs(stamp - row * 1e6 / record.rate) <= 0.5);
    }
    QCOMPARE(record.rows[120].timestamp, QStringLiteral("200000"));
    QCOMPARE(record.rowTime(120), record.trigger);

    // The demo relay records three sines of amplitude M/2 around M/2 counts,
    // 12 samples per period, starting at phase 0 both in the pre-fault ring
    // and at the trigger. Phase A at phase 0 is M/2 counts: 974.
    const double phaseMultiplier =
        1024 * 7.5 * std::sqrt(2.0) / (1949.0 * 512); // gain, rating, scale, counts
    QVERIFY(std::fabs(record.analog[0].a / phaseMultiplier - 1) < 1e-6);
    for (int row : {0, 120}) {
        QCOMPARE(record.rows[row].analog[0], 974);
        QVERIFY(std::fabs(record.primaryValue(0, row) - 974 * phaseMultiplier) < 1e-4);
    }
    // A quarter period later phase A peaks.
    const int peak = int((std::sin(3 * M_PI / 6) * 0.5 + 0.5) * 1949);
    QVERIFY(peak >= 1948);
    QCOMPARE(record.rows[3].analog[0], peak);
    QCOMPARE(record.rows[123].analog[0], peak);
    for (int row = 0; row < record.rows.size(); ++row) {
        QCOMPARE(record.rows[row].analog[3], 0);
        QCOMPARE(record.rows[row].digital, QVector<int>(11, 0));
    }
}

QTEST_MAIN(TestComtradeWriter)
#include "tst_comtradewriter.moc"
