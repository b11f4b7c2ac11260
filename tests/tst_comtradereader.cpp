#include "comtrade/ComtradeReader.h"
#include "records/ComtradeWriter.h"
#include "records/CrashProcessHeader.h"
#include "simulator/DemoRTULink.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace {

// A hand-made record: two analog channels, 17 digital ones (two 16-bit
// words in the binary forms), three samples at 1000 samples per second.
//   IA: a = 0.5, b = 1, primary values;   raw 10, -4, 0  -> 6, -1, 1
//   UN: a = 2,   b = 0, secondary 100:5;  raw -3, 7, 1   -> -120, 280, 40
//       (the 1991 revision has no ratio: -6, 14, 2)
//   digital: D1 set in sample 1, D17 in sample 2, D2 and D16 in sample 3.
const int rawIa[] = {10, -4, 0};
const int rawUn[] = {-3, 7, 1};

QList<int> setBits(int sample)
{
    static const QList<int> bits[] = {{0}, {16}, {1, 15}};
    return bits[sample];
}

QByteArray handMadeCfg(int revision, const QByteArray& format,
                       const QByteArray& rates = "1\r\n1000,3\r\n")
{
    QByteArray cfg;
    if (revision == 1991) {
        cfg += "Station 7,Recorder\r\n19,2A,17D\r\n";
        cfg += "1,IA,A,Line 1,A,0.5,1,0,-32767,32767\r\n";
        cfg += "2,UN,N,Line 1,kV,2,0,0,-32767,32767\r\n";
        for (int d = 1; d <= 17; ++d)
            cfg += QByteArray::number(d) + ",D" + QByteArray::number(d) + ",0\r\n";
    } else {
        cfg += "Station 7,Recorder," + QByteArray::number(revision) + "\r\n19,2A,17D\r\n";
        cfg += "1,IA,A,Line 1,A,0.5,1,0,-32767,32767,1,1,P\r\n";
        cfg += "2,UN,N,Line 1,kV,2,0,0,-32767,32767,100,5,S\r\n";
        for (int d = 1; d <= 17; ++d)
            cfg += QByteArray::number(d) + ",D" + QByteArray::number(d) + ",,,0\r\n";
    }
    cfg += "50\r\n" + rates;
    if (revision == 1991)
        cfg += "03/05/21,10:20:30.123456\r\n03/05/21,10:20:30.124456\r\n" + format + "\r\n";
    else
        cfg +=
            "05/03/2021,10:20:30.123456\r\n05/03/2021,10:20:30.124456\r\n" + format + "\r\n1\r\n";
    if (revision == 2013)
        cfg += "+3h00,+3h00\r\n0,0\r\n";
    return cfg;
}

QByteArray asciiDat(const QList<QByteArray>& stamps = {"0", "1000", "2000"})
{
    QByteArray dat;
    for (int s = 0; s < 3; ++s) {
        dat += QByteArray::number(s + 1) + ',' + stamps[s] + ',' + QByteArray::number(rawIa[s]) +
               ',' + QByteArray::number(rawUn[s]);
        for (int d = 0; d < 17; ++d)
            dat += setBits(s).contains(d) ? ",1" : ",0";
        dat += "\r\n";
    }
    return dat;
}

template <typename T> void appendLittleEndian(QByteArray* bytes, T value)
{
    char buffer[sizeof(T)];
    qToLittleEndian(value, buffer);
    bytes->append(buffer, sizeof(T));
}

// Each sample: number and time stamp as 32-bit words, the analog values in
// the given width, the digital channels packed 16 to a word, least
// significant byte first throughout.
QByteArray binaryDat(const QByteArray& format, const QList<quint32>& stamps = {0, 1000, 2000})
{
    QByteArray dat;
    for (int s = 0; s < 3; ++s) {
        appendLittleEndian<quint32>(&dat, static_cast<quint32>(s + 1));
        appendLittleEndian<quint32>(&dat, stamps[s]);
        for (const int raw : {rawIa[s], rawUn[s]}) {
            if (format == "BINARY") {
                appendLittleEndian<qint16>(&dat, static_cast<qint16>(raw));
            } else if (format == "BINARY32") {
                appendLittleEndian<qint32>(&dat, raw);
            } else {
                const float value = static_cast<float>(raw);
                quint32 bits = 0;
                std::memcpy(&bits, &value, sizeof bits);
                appendLittleEndian<quint32>(&dat, bits);
            }
        }
        quint16 words[2] = {0, 0};
        for (const int bit : setBits(s))
            words[bit / 16] |= static_cast<quint16>(1u << (bit % 16));
        appendLittleEndian<quint16>(&dat, words[0]);
        appendLittleEndian<quint16>(&dat, words[1]);
    }
    return dat;
}

std::optional<ComtradeRecord> readBytes(const QByteArray& cfgBytes, const QByteArray& datBytes,
                                        QString* error)
{
    QBuffer cfg;
    cfg.setData(cfgBytes);
    cfg.open(QIODevice::ReadOnly);
    QBuffer dat;
    dat.setData(datBytes);
    dat.open(QIODevice::ReadOnly);
    return ComtradeReader::read(cfg, dat, error, QStringLiteral("r.cfg"), QStringLiteral("r.dat"));
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The demo relay's record 0: the header and the samples in storage order.
struct RelayRecord
{
    CrashProcessHeader header;
    QByteArray samples;
};

RelayRecord demoRecord()
{
    DemoRTULink relay;
    const QByteArray file = relay.record(0);
    RelayRecord record;
    record.header = CrashProcessHeader::decode(reinterpret_cast<const uint8_t*>(file.constData()));
    record.samples = file.mid(CrashProcessHeader::size);
    return record;
}

// What the relay's counts mean on the primary side, computed from the
// header alone: full scale (7.5·√2 A, 1.5·√2 A, 150·√2 V) times the gain
// over the scale divisor and the converter's counts, times the CT ratio.
double primaryPerCount(const CrashProcessHeader& h, int channel)
{
    const double root2 = std::sqrt(2.0);
    switch (channel) {
    case 0:
        return h.gainIa * 7.5 * root2 / (h.scalePhase * 512.0) * h.ratioPhase;
    case 1:
        return h.gainIb * 7.5 * root2 / (h.scalePhase * 512.0) * h.ratioPhase;
    case 2:
        return h.gainIc * 7.5 * root2 / (h.scalePhase * 512.0) * h.ratioPhase;
    case 3:
        return h.gain3I0 * 1.5 * root2 / (h.scale3I0 * 1024.0) * h.ratio3I0;
    default:
        return h.gain3U0 * 150 * root2 / (h.scale3U0 * 1024.0);
    }
}

// Sample `n` (time order) of the record: the pre-fault ring from its oldest
// sample, then the fault samples.
CrashProcessSample sampleInTimeOrder(const RelayRecord& record, int n)
{
    const CrashProcessHeader& h = record.header;
    const int position = n < 120 ? h.faultSamples + (h.ringPosition + n) % 120 : n - 120;
    return CrashProcessSample::decode(reinterpret_cast<const uint8_t*>(record.samples.constData()) +
                                      position * CrashProcessSample::size);
}

// The export's data lines with the time stamps left empty, as exports made
// before the stamps were written have them.
QByteArray withoutTimestamps(const QByteArray& dat)
{
    QByteArray result;
    for (const QByteArray& line : dat.split('\n')) {
        if (line.isEmpty())
            continue;
        const int first = line.indexOf(',');
        const int second = line.indexOf(',', first + 1);
        result += line.left(first + 1) + line.mid(second) + '\n';
    }
    return result;
}

} // namespace

class TestComtradeReader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void exportReadsBackToPrimaryValues_data();
    void exportReadsBackToPrimaryValues();
    void dataFormatsAndRevisions_data();
    void dataFormatsAndRevisions();
    void sampleTimes_data();
    void sampleTimes();
    void dataFileBesideConfiguration_data();
    void dataFileBesideConfiguration();
    void missingValuesAreNotNumbers_data();
    void missingValuesAreNotNumbers();
    void brokenFilesAreRefused_data();
    void brokenFilesAreRefused();
};

void TestComtradeReader::initTestCase()
{
    // Numbers in the files are read the same whatever the user's locale.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

void TestComtradeReader::exportReadsBackToPrimaryValues_data()
{
    QTest::addColumn<bool>("stamped");
    QTest::newRow("time stamps in µs") << true;
    QTest::newRow("empty time stamps") << false;
}

void TestComtradeReader::exportReadsBackToPrimaryValues()
{
    QFETCH(bool, stamped);
    const RelayRecord relay = demoRecord();
    QVERIFY(relay.header.isValid());

    QBuffer cfg;
    cfg.open(QIODevice::WriteOnly);
    QVERIFY(ComtradeWriter::writeCfg(cfg, relay.header));
    QBuffer dat;
    dat.open(QIODevice::WriteOnly);
    QVERIFY(ComtradeWriter::writeDat(dat, relay.header, relay.samples));
    const QByteArray datBytes = stamped ? dat.data() : withoutTimestamps(dat.data());
    QCOMPARE(datBytes.split('\n').at(1).split(',').at(1), stamped ? QByteArray("1667") : "");

    QString error;
    const std::optional<ComtradeRecord> record = readBytes(cfg.data(), datBytes, &error);
    QVERIFY2(record.has_value(), qPrintable(error));
    QCOMPARE(record->revision, 1999);
    QCOMPARE(record->sampleCount(), relay.header.sampleCount());
    QCOMPARE(record->analog.size(), 5);
    QCOMPARE(record->digital.size(), 11);
    QCOMPARE(record->lineFrequency, 50.0);
    QCOMPARE(record->trigger, ComtradeWriter::triggerTime(relay.header));
    QCOMPARE(record->start, ComtradeWriter::firstSampleTime(relay.header));
    QCOMPARE(record->triggerOffsetUs, 200000.0);
    QVERIFY(!record->timesFromTimestamps);

    for (int n = 0; n < record->sampleCount(); ++n) {
        const CrashProcessSample sample = sampleInTimeOrder(relay, n);
        const int counts[] = {sample.ia, sample.ib, sample.ic, sample.i3I0, sample.u3U0};
        for (int c = 0; c < 5; ++c) {
            const double expected = counts[c] * primaryPerCount(relay.header, c);
            const double actual = record->analog[c].values[n];
            // The .cfg prints the multiplier with seven significant digits.
            if (std::fabs(actual - expected) > 1e-6 * std::fabs(expected) + 1e-9)
                QFAIL(qPrintable(QStringLiteral("sample %1 channel %2: %3 instead of %4")
                                     .arg(n)
                                     .arg(c)
                                     .arg(actual)
                                     .arg(expected)));
        }
        QCOMPARE(record->digital[0].states[n], uint8_t(sample.discrete & 1));
        QCOMPARE(record->timeUs[n], n * 1e6 / 600);
    }
}

void TestComtradeReader::dataFormatsAndRevisions_data()
{
    QTest::addColumn<int>("revision");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QByteArray>("dat");
    QTest::addColumn<QVector<double>>("un");

    const QVector<double> withRatio = {-120, 280, 40};
    QTest::newRow("1991 ASCII") << 1991 << QByteArray("ASCII") << asciiDat()
                                << QVector<double>{-6, 14, 2};
    QTest::newRow("1991 BINARY") << 1991 << QByteArray("BINARY") << binaryDat("BINARY")
                                 << QVector<double>{-6, 14, 2};
    QTest::newRow("1999 ASCII") << 1999 << QByteArray("ASCII") << asciiDat() << withRatio;
    QTest::newRow("1999 BINARY") << 1999 << QByteArray("BINARY") << binaryDat("BINARY")
                                 << withRatio;
    QTest::newRow("2013 ASCII, LF only")
        << 2013 << QByteArray("ASCII") << asciiDat().replace("\r\n", "\n") << withRatio;
    QTest::newRow("2013 BINARY") << 2013 << QByteArray("BINARY") << binaryDat("BINARY")
                                 << withRatio;
    QTest::newRow("2013 BINARY32")
        << 2013 << QByteArray("BINARY32") << binaryDat("BINARY32") << withRatio;
    QTest::newRow("2013 FLOAT32") << 2013 << QByteArray("FLOAT32") << binaryDat("FLOAT32")
                                  << withRatio;
    QTest::newRow("2013 lower-case float32")
        << 2013 << QByteArray("float32") << binaryDat("FLOAT32") << withRatio;
}

void TestComtradeReader::dataFormatsAndRevisions()
{
    QFETCH(int, revision);
    QFETCH(QByteArray, format);
    QFETCH(QByteArray, dat);
    QFETCH(QVector<double>, un);

    QString error;
    const std::optional<ComtradeRecord> record =
        readBytes(handMadeCfg(revision, format), dat, &error);
    QVERIFY2(record.has_value(), qPrintable(error));
    QCOMPARE(record->revision, revision);
    QCOMPARE(record->formatName(), QString::fromLatin1(format.toUpper()));
    QCOMPARE(record->station, QStringLiteral("Station 7"));
    QCOMPARE(record->deviceId, QStringLiteral("Recorder"));
    QCOMPARE(record->sampleCount(), 3);
    QCOMPARE(record->analog.size(), 2);
    QCOMPARE(record->analog[1].name, QStringLiteral("UN"));
    QCOMPARE(record->analog[1].unit, QStringLiteral("kV"));
    QCOMPARE(record->analog[1].phase, QStringLiteral("N"));
    QCOMPARE(record->analog[1].circuit, QStringLiteral("Line 1"));
    QCOMPARE(record->analog[0].values, (QVector<double>{6, -1, 1}));
    QCOMPARE(record->analog[1].values, un);
    QCOMPARE(record->timeUs, (QVector<double>{0, 1000, 2000}));

    QCOMPARE(record->digital.size(), 17);
    QCOMPARE(record->digital[16].name, QStringLiteral("D17"));
    for (int s = 0; s < 3; ++s) {
        for (int d = 0; d < 17; ++d)
            QCOMPARE(int(record->digital[d].states[s]), setBits(s).contains(d) ? 1 : 0);
    }

    // 5 March 2021 in both date orders; 1 ms from the first sample to the trigger.
    QCOMPARE(record->start, QDateTime(QDate(2021, 3, 5), QTime(10, 20, 30, 123), Qt::UTC));
    QCOMPARE(record->startMicroseconds, 456);
    QCOMPARE(record->trigger, QDateTime(QDate(2021, 3, 5), QTime(10, 20, 30, 124), Qt::UTC));
    QCOMPARE(record->triggerOffsetUs, 1000.0);
    QCOMPARE(record->lineFrequency, 50.0);
}

void TestComtradeReader::sampleTimes_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QByteArray>("rates");
    QTest::addColumn<QVector<double>>("times");
    QTest::addColumn<bool>("fromStamps");

    // Stamps 0, 5, 12 in the files; time multiplier 2 below.
    QTest::newRow("no rates, ASCII stamps")
        << QByteArray("ASCII") << QByteArray("0\r\n0,3\r\n") << QVector<double>{0, 10, 24} << true;
    QTest::newRow("rate 0, BINARY stamps")
        << QByteArray("BINARY") << QByteArray("1\r\n0,3\r\n") << QVector<double>{0, 10, 24} << true;
    QTest::newRow("two rates: 1000/s for 2, 500/s up to 3")
        << QByteArray("ASCII") << QByteArray("2\r\n1000,2\r\n500,3\r\n")
        << QVector<double>{0, 1000, 3000} << false;
    QTest::newRow("rate 4000/s ignores the stamps")
        << QByteArray("BINARY32") << QByteArray("1\r\n4000,3\r\n") << QVector<double>{0, 250, 500}
        << false;
}

void TestComtradeReader::sampleTimes()
{
    QFETCH(QByteArray, format);
    QFETCH(QByteArray, rates);
    QFETCH(QVector<double>, times);
    QFETCH(bool, fromStamps);

    QByteArray cfg = handMadeCfg(2013, format, rates);
    cfg.replace(format + "\r\n1\r\n", format + "\r\n2\r\n");
    const QByteArray dat =
        format == "ASCII" ? asciiDat({"0", "5", "12"}) : binaryDat(format, {0, 5, 12});
    QString error;
    const std::optional<ComtradeRecord> record = readBytes(cfg, dat, &error);
    QVERIFY2(record.has_value(), qPrintable(error));
    QCOMPARE(record->timeMultiplier, 2.0);
    QCOMPARE(record->timesFromTimestamps, fromStamps);
    QCOMPARE(record->timeUs, times);
}

void TestComtradeReader::dataFileBesideConfiguration_data()
{
    QTest::addColumn<QString>("cfgName");
    QTest::addColumn<QString>("datName");

    QTest::newRow("lower case") << "rec.cfg"
                                << "rec.dat";
    QTest::newRow("upper case") << "REC.CFG"
                                << "REC.DAT";
    QTest::newRow("lower cfg, upper dat") << "rec.cfg"
                                          << "rec.DAT";
    QTest::newRow("mixed case") << "rec.Cfg"
                                << "rec.dAt";
    QTest::newRow("dots in the name") << "01.01.2019_00_01_00.0000.cfg"
                                      << "01.01.2019_00_01_00.0000.dat";
}

void TestComtradeReader::dataFileBesideConfiguration()
{
    QFETCH(QString, cfgName);
    QFETCH(QString, datName);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeFile(dir.filePath(cfgName), handMadeCfg(1999, "ASCII")));
    QString error;
    QVERIFY(!ComtradeReader::read(dir.filePath(cfgName), &error).has_value());
    QVERIFY2(error.contains(cfgName) && error.contains(QStringLiteral("нет файла данных")),
             qPrintable(error));

    QVERIFY(writeFile(dir.filePath(datName), asciiDat()));
    // Another record's data beside it is not taken.
    QVERIFY(writeFile(dir.filePath("other.dat"), "garbage"));
    const std::optional<ComtradeRecord> record =
        ComtradeReader::read(dir.filePath(cfgName), &error);
    QVERIFY2(record.has_value(), qPrintable(error));
    QCOMPARE(record->analog[1].values, (QVector<double>{-120, 280, 40}));
}

void TestComtradeReader::missingValuesAreNotNumbers_data()
{
    QTest::addColumn<int>("revision");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QByteArray>("dat");
    QTest::addColumn<QVector<bool>>("missing");

    QByteArray ascii = asciiDat();
    ascii.replace("2,1000,-4,7", "2,1000,,99999");
    QTest::newRow("1999 ASCII: blank and 99999")
        << 1999 << QByteArray("ASCII") << ascii << QVector<bool>{true, true};
    QTest::newRow("2013 ASCII: 99999 is a value")
        << 2013 << QByteArray("ASCII") << ascii << QVector<bool>{true, false};
    QByteArray binary = binaryDat("BINARY");
    binary[16 + 8] = '\x00'; // IA of sample 2 (16-byte samples) becomes 0x8000
    binary[16 + 9] = '\x80';
    QTest::newRow("BINARY: 0x8000")
        << 2013 << QByteArray("BINARY") << binary << QVector<bool>{true, false};
}

void TestComtradeReader::missingValuesAreNotNumbers()
{
    QFETCH(int, revision);
    QFETCH(QByteArray, format);
    QFETCH(QByteArray, dat);
    QFETCH(QVector<bool>, missing);

    QString error;
    const std::optional<ComtradeRecord> record =
        readBytes(handMadeCfg(revision, format), dat, &error);
    QVERIFY2(record.has_value(), qPrintable(error));
    QCOMPARE(std::isnan(record->analog[0].values[1]), missing[0]);
    QCOMPARE(std::isnan(record->analog[1].values[1]), missing[1]);
    QCOMPARE(record->analog[0].values[0], 6.0);
}

void TestComtradeReader::brokenFilesAreRefused_data()
{
    QTest::addColumn<QByteArray>("cfg");
    QTest::addColumn<QByteArray>("dat");
    QTest::addColumn<QString>("error");

    const QByteArray cfg = handMadeCfg(1999, "ASCII");
    const QByteArray dat = asciiDat();
    const auto replaced = [](QByteArray bytes, const char* from, const char* to) {
        return bytes.replace(from, to);
    };

    QTest::newRow("empty configuration")
        << QByteArray() << dat << "«r.cfg», строка 1: файл кончился, а ожидалась строка";
    QTest::newRow("unknown revision") << replaced(cfg, "Recorder,1999", "Recorder,2005") << dat
                                      << "«r.cfg», строка 1: неизвестный год редакции «2005»";
    QTest::newRow("channel counts not numbers") << replaced(cfg, "19,2A,17D", "19,twoA,17D") << dat
                                                << "«r.cfg», строка 2: ожидалось число каналов";
    QTest::newRow("channel counts disagree")
        << replaced(cfg, "19,2A,17D", "20,2A,17D") << dat
        << "«r.cfg», строка 2: всего каналов 20, а аналоговых 2 и дискретных 17";
    QTest::newRow("channel counts past the largest number")
        << replaced(cfg, "19,2A,17D", "19,2A,9223372036854775807D") << dat
        << "«r.cfg», строка 2: всего каналов 19, а аналоговых 2 и дискретных 9223372036854775807";
    QTest::newRow("absurd channel count")
        << replaced(cfg, "19,2A,17D", "1000000000,1000000000A,0D") << dat
        << "«r.cfg», строка 2: заявлено 1000000000 каналов, а строк в файле осталось 26";
    QTest::newRow("analog line with too few columns")
        << replaced(cfg, "0,-32767,32767,100,5,S", "0,-32767,32767,100") << dat
        << "«r.cfg», строка 4: ожидалось описание аналогового канала 2 (13 полей";
    QTest::newRow("multiplier not a number")
        << replaced(cfg, "A,0.5,1", "A,0.5x,1") << dat
        << "«r.cfg», строка 3: множитель a аналогового канала 1: ожидалось число, а не «0.5x»";
    QTest::newRow("zero secondary of a secondary channel")
        << replaced(cfg, "100,5,S", "100,0,S") << dat
        << "«r.cfg», строка 4: вторичное значение аналогового канала 2 равно 0";
    QTest::newRow("unknown P/S flag") << replaced(cfg, "100,5,S", "100,5,X") << dat
                                      << "«r.cfg», строка 4: признак P/S аналогового канала 2";
    QTest::newRow("digital normal state 2")
        << replaced(cfg, "17,D17,,,0", "17,D17,,,2") << dat
        << "«r.cfg», строка 21: нормальное состояние дискретного канала 17";
    QTest::newRow("rate line not numbers")
        << replaced(cfg, "1000,3", "fast,3") << dat
        << "«r.cfg», строка 24: частота дискретизации: ожидалось число, а не «fast»";
    QTest::newRow("absurd sample count")
        << replaced(cfg, "1000,3", "1000,1000000000") << dat
        << "«r.cfg», строка 24: заявлено слишком много выборок: 1000000000";
    QTest::newRow("invalid date")
        << replaced(cfg, "05/03/2021,10:20:30.123456", "31/02/2021,10:20:30.123456") << dat
        << "«r.cfg», строка 25: дата и время первой выборки: неверная дата";
    QTest::newRow("time not a time")
        << replaced(cfg, "05/03/2021,10:20:30.124456", "05/03/2021,noon") << dat
        << "«r.cfg», строка 26: дата и время пуска: ожидалось «дд/мм/гггг,чч:мм:сс.ssssss», а не "
           "«05/03/2021,noon»";
    QTest::newRow("unknown data format")
        << replaced(cfg, "ASCII", "EBCDIC") << dat
        << "«r.cfg», строка 27: неизвестный формат файла данных «EBCDIC»";
    QTest::newRow("zero time multiplier") << replaced(cfg, "ASCII\r\n1", "ASCII\r\n0") << dat
                                          << "«r.cfg», строка 28: множитель отметок времени";

    QTest::newRow("fewer samples than declared")
        << cfg << dat.left(dat.lastIndexOf("3,2000"))
        << "«r.dat»: в файле данных 2 выборок, а в конфигурации заявлено 3";
    // Ten million samples declared, three present: nothing is sized after the claim.
    QTest::newRow("many samples declared, three present")
        << replaced(cfg, "1000,3", "1000,10000000") << dat
        << "«r.dat»: в файле данных 3 выборок, а в конфигурации заявлено 10000000";
    QTest::newRow("more samples than declared")
        << cfg << dat + "4,3000,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0\r\n"
        << "«r.dat», строка 4: выборок больше, чем заявлено в конфигурации (3)";
    QTest::newRow("data line with too few columns")
        << cfg << replaced(dat, "2,1000,-4,7,", "2,1000,-4,")
        << "«r.dat», строка 2: ожидалось 21 полей через запятую";
    QTest::newRow("analog value not a number")
        << cfg << replaced(dat, "2,1000,-4,7", "2,1000,x4,7")
        << "«r.dat», строка 2: значение аналогового канала 1: ожидалось число, а не «x4»";
    QTest::newRow("sample number not a number")
        << cfg << replaced(dat, "3,2000", "three,2000") << "«r.dat», строка 3: номер выборки";
    QTest::newRow("digital state 2") << cfg << replaced(dat, "3,2000,0,1,0,1", "3,2000,0,1,0,2")
                                     << "«r.dat», строка 3: состояние дискретного канала 2";
    QTest::newRow("missing time stamp without a rate")
        << replaced(cfg, "1\r\n1000,3", "0\r\n0,3") << replaced(dat, "2,1000,", "2,,")
        << "«r.dat», выборка 2: нет отметки времени";
    QTest::newRow("time stamps going back")
        << replaced(cfg, "1\r\n1000,3", "0\r\n0,3") << replaced(dat, "3,2000,", "3,999,")
        << "«r.dat», выборка 3: отметка времени меньше предыдущей";
    QTest::newRow("binary data with a partial sample")
        << replaced(cfg, "ASCII", "BINARY") << binaryDat("BINARY").chopped(3)
        << "«r.dat»: файл данных кончается неполной выборкой (13 байт из 16)";
}

void TestComtradeReader::brokenFilesAreRefused()
{
    QFETCH(QByteArray, cfg);
    QFETCH(QByteArray, dat);
    QFETCH(QString, error);

    QString actual;
    QVERIFY(!readBytes(cfg, dat, &actual).has_value());
    QVERIFY2(actual.startsWith(error), qPrintable(actual));
}

QTEST_MAIN(TestComtradeReader)
#include "tst_comtradereader.moc"
