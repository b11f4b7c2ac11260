#include "base/Logger.h"
#include "modbus/ModBusClient.h"
#include "records/JournalEntry.h"
#include "records/LogReader.h"
#include "simulator/DemoRTULink.h"
#include "support/EventWait.h"
#include "support/FailAfterDevice.h"
#include "support/LogCapture.h"
#include "support/RecordingModBusClient.h"
#include "support/ScriptedRelay.h"
#include "ui/EventsReadDialog.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct EntryFields
{
    int type = 1;
    int current = 1000;
    int millisecond = 45;
    int second = 3;
    int minute = 7;
    int hour = 9;
    int day = 5;
    int month = 3;
    int year = 19;
    int ratioPhase = 40;
    int ratio3I0 = 10;
    int scalePhase = 1000;
    int scale3I0 = 100;
};

// The 24 bytes of a journal entry as the relay keeps them, little-endian.
QByteArray entryBytes(const EntryFields& f)
{
    QByteArray bytes(24, '\0');
    auto put16 = [&bytes](int offset, int value) {
        bytes[offset] = char(value & 0xFF);
        bytes[offset + 1] = char((value >> 8) & 0xFF);
    };
    bytes[0] = char(f.type);
    bytes[1] = char(0xAA); // not interpreted
    put16(2, f.current);
    put16(4, f.millisecond);
    bytes[6] = char(f.second);
    bytes[7] = char(f.minute);
    bytes[8] = char(f.hour);
    bytes[9] = char(0xAA);
    bytes[10] = char(f.day);
    bytes[11] = char(0xAA);
    bytes[12] = char(f.month);
    bytes[13] = char(0xAA);
    put16(14, f.year);
    put16(16, f.ratioPhase);
    put16(18, f.ratio3I0);
    put16(20, f.scalePhase);
    put16(22, f.scale3I0);
    return bytes;
}

// An МТЗ-1 entry tagged by its ring position in the hour field.
QByteArray taggedEntry(int position, int type = 1)
{
    EntryFields f;
    f.type = type;
    f.hour = position;
    return entryBytes(f);
}

JournalEntry decoded(const QByteArray& bytes)
{
    return JournalEntry::decode(reinterpret_cast<const uint8_t*>(bytes.constData()));
}

// The relay's journal: its pointer register and the 30 entry files, each
// entry tagged by its ring position unless a test puts another there.
class FakeRelay : public ScriptedRelay
{
public:
    explicit FakeRelay(RecordingModBusClient& recording) : ScriptedRelay(recording)
    {
        for (int i = 0; i < 30; ++i)
            entries[i] = taggedEntry(i);
    }

    uint16_t pointer = 0;
    QByteArray entries[30];
    // An older relay ends a request of several sub-requests with this: a
    // timeout (noAnswer) or a failure of the kind given.
    static constexpr int noAnswer = -1;
    bool refusesSeveral = false;
    int refusal = noAnswer;

    void answer() override
    {
        const RecordingModBusClient::Request request = client.requests.last();
        if (request.function == QLatin1String("readHoldingRegs")) {
            request.listener->holdingRegsRead(static_cast<uint16_t>(request.start), &pointer, 1);
            return;
        }
        if (request.function == QLatin1String("readFileRecords")) {
            answerSeveral(request);
            return;
        }
        deliverFileRecord(*request.listener, static_cast<uint16_t>(request.start),
                          static_cast<uint16_t>(request.count), entries[request.start - 3]);
    }

private:
    void answerSeveral(const RecordingModBusClient::Request& request)
    {
        if (refusesSeveral && refusal == noAnswer) {
            request.listener->responseTimeout();
        } else if (refusesSeveral) {
            request.listener->requestFailed(static_cast<IModBusResponseListener::Failure>(refusal));
        } else {
            for (const FileRecordReference& reference : request.references)
                deliverFileRecord(*request.listener, reference.file, reference.record,
                                  entries[reference.file - 3]);
        }
    }
};

QByteArray csvOf(const LogReader& reader)
{
    QBuffer device;
    device.open(QIODevice::WriteOnly);
    if (!reader.write(device))
        return QByteArray("write failed");
    return device.data();
}

// The hour fields of the entry lines: the ring positions in file order.
QVector<int> positionsInFile(const QByteArray& csv)
{
    QVector<int> positions;
    const QList<QByteArray> lines = csv.split('\n');
    for (int i = 1; i < lines.size(); ++i) {
        if (!lines[i].isEmpty())
            positions << lines[i].split(';').at(4).split(':').at(0).toInt();
    }
    return positions;
}

void deliverEntry(LogReader& reader, uint16_t file, const QByteArray& data)
{
    deliverFileRecord(reader, file, 0, data);
}

const QByteArray headerLine = QStringLiteral("Тип;Iвтор;Iперв;Дата;Время\n").toLocal8Bit();

} // namespace

class TestLogReader : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanupTestCase();

    void entryFieldsAreLittleEndian();
    void entryLines_data();
    void entryLines();
    void currentsFollowTheLocale_data();
    void currentsFollowTheLocale();

    void readingSendsPointerThenThirtyEntries();
    void fileGoesBackwardsRoundTheRing_data();
    void fileGoesBackwardsRoundTheRing();
    void emptyPositionsAreLeftOut();
    void progressOverTwentyNine();
    void retries_data();
    void retries();
    void droppedRequestIsRetriedByWatchdog();
    void staleAnswersAreIgnored();
    void saveWritesFileAndReportsFailures();
    void writeErrorsAreReported();

    void progressDialog();
    void readsDemoRelayEndToEnd();

    void batchedJournalTakesFourRequests();
    void firstBatchRefusedFallsBackToOneEntry_data();
    void firstBatchRefusedFallsBackToOneEntry();
};

void TestLogReader::init()
{
    QLocale::setDefault(QLocale::c());
}

void TestLogReader::cleanupTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void TestLogReader::entryFieldsAreLittleEndian()
{
    EntryFields f;
    f.current = 0x1234;
    f.millisecond = 999;
    f.year = 0x0102;
    f.ratioPhase = 0xFFFE;
    f.month = 0x83;
    const JournalEntry entry = decoded(entryBytes(f));
    QCOMPARE(int(entry.type), 1);
    QCOMPARE(int(entry.current), 0x1234);
    QCOMPARE(int(entry.millisecond), 999);
    QCOMPARE(int(entry.second), 3);
    QCOMPARE(int(entry.minute), 7);
    QCOMPARE(int(entry.hour), 9);
    QCOMPARE(int(entry.day), 5);
    QCOMPARE(int(entry.month), 3);
    QCOMPARE(int(entry.year), 0x0102);
    QCOMPARE(int(entry.ratioPhase), 0xFFFE);
    QCOMPARE(int(entry.ratio3I0), 10);
    QCOMPARE(int(entry.scalePhase), 1000);
    QCOMPARE(int(entry.scale3I0), 100);
}

void TestLogReader::entryLines_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("scalePhase");
    QTest::addColumn<int>("scale3I0");
    QTest::addColumn<int>("month");
    QTest::addColumn<QString>("line");

    QTest::newRow("МТЗ-1, phase scaling")
        << 1 << 1000 << 1000 << 100 << 3 << "МТЗ-1;5.00;200.00;5.3.2019;9:7:3.045\n";
    QTest::newRow("ЗНЗ, residual scaling")
        << 0 << 150 << 1000 << 100 << 3 << "ЗНЗ;1.50;15.00;5.3.2019;9:7:3.045\n";
    QTest::newRow("МТЗ-2") << 2 << 1 << 3 << 0 << 3 << "МТЗ-2;1.67;66.67;5.3.2019;9:7:3.045\n";
    QTest::newRow("ТО") << 3 << 0 << 1 << 1 << 12 << "ТО;0.00;0.00;5.12.2019;9:7:3.045\n";
    QTest::newRow("ВЗ") << 4 << 200 << 1000 << 1 << 3 << "ВЗ;1.00;40.00;5.3.2019;9:7:3.045\n";
    QTest::newRow("УРОВ") << 5 << 200 << 1000 << 1 << 3 << "УРОВ;1.00;40.00;5.3.2019;9:7:3.045\n";
    QTest::newRow("month bit 7 ignored")
        << 1 << 1000 << 1000 << 100 << 0x83 << "МТЗ-1;5.00;200.00;5.3.2019;9:7:3.045\n";
    QTest::newRow("zero phase divisor")
        << 1 << 1000 << 0 << 100 << 3 << "МТЗ-1;;;5.3.2019;9:7:3.045\n";
    QTest::newRow("zero residual divisor")
        << 0 << 150 << 1000 << 0 << 3 << "ЗНЗ;;;5.3.2019;9:7:3.045\n";
}

void TestLogReader::entryLines()
{
    QFETCH(int, type);
    QFETCH(int, current);
    QFETCH(int, scalePhase);
    QFETCH(int, scale3I0);
    QFETCH(int, month);
    QFETCH(QString, line);

    EntryFields f;
    f.type = type;
    f.current = current;
    f.scalePhase = scalePhase;
    f.scale3I0 = scale3I0;
    f.month = month;
    QCOMPARE(decoded(entryBytes(f)).csvLine(), line);
}

void TestLogReader::currentsFollowTheLocale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("ratio");
    QTest::addColumn<QString>("line");

    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("МТЗ-1 example, comma locale")
        << russian << 1 << 1000 << 40 << "МТЗ-1;5,00;200,00;5.3.2019;9:7:3.045\n";
    QTest::newRow("ЗНЗ, comma locale")
        << russian << 0 << 150 << 10 << "ЗНЗ;1,50;15,00;5.3.2019;9:7:3.045\n";
    QTest::newRow("digit grouping")
        << german << 1 << 1000 << 6000 << "МТЗ-1;5,00;30.000,00;5.3.2019;9:7:3.045\n";
}

void TestLogReader::currentsFollowTheLocale()
{
    QFETCH(QLocale, locale);
    QFETCH(int, type);
    QFETCH(int, current);
    QFETCH(int, ratio);
    QFETCH(QString, line);

    QLocale::setDefault(locale);
    EntryFields f;
    f.type = type;
    f.current = current;
    f.ratioPhase = ratio;
    f.ratio3I0 = ratio;
    QCOMPARE(decoded(entryBytes(f)).csvLine(), line);
}

void TestLogReader::readingSendsPointerThenThirtyEntries()
{
    RecordingModBusClient client;
    FakeRelay relay(client);
    LogReader reader;
    reader.setClient(&client);
    QSignalSpy finished(&reader, &LogReader::logReadingFinished);
    QSignalSpy failed(&reader, &LogReader::logReadingFailed);

    reader.readRecords(9);
    QCOMPARE(client.requests.size(), 1);
    relay.answerAll();

    QCOMPARE(client.requests.size(), 31);
    const auto& pointer = client.requests.first();
    QCOMPARE(pointer.function, QStringLiteral("readHoldingRegs"));
    QCOMPARE(pointer.start, 0x004A);
    QCOMPARE(pointer.count, 1);
    QCOMPARE(pointer.address, 9);
    QCOMPARE(pointer.priority, 0);
    QVERIFY(pointer.listener == &reader);
    for (int k = 0; k < 30; ++k) {
        const auto& request = client.requests.at(k + 1);
        QCOMPARE(request.function, QStringLiteral("readFileRecord"));
        QCOMPARE(request.start, k + 3);
        QCOMPARE(request.count, 0);
        QCOMPARE(request.length, 12);
        QCOMPARE(request.address, 9);
        QCOMPARE(request.priority, 0);
    }
    QCOMPARE(finished.count(), 1);
    QCOMPARE(failed.count(), 0);
    QCOMPARE(int(reader.entry(17)->hour), 17);
}

void TestLogReader::fileGoesBackwardsRoundTheRing_data()
{
    QTest::addColumn<int>("pointer");
    QTest::addColumn<QVector<int>>("order");

    QVector<int> fromFour = {4, 3, 2, 1, 0};
    for (int p = 29; p >= 5; --p)
        fromFour << p;
    QVector<int> fromTop;
    for (int p = 29; p >= 0; --p)
        fromTop << p;
    QVector<int> fromZero = {0};
    for (int p = 29; p >= 1; --p)
        fromZero << p;

    QTest::newRow("pointer 4") << 4 << fromFour;
    QTest::newRow("pointer 29") << 29 << fromTop;
    QTest::newRow("pointer 0") << 0 << fromZero;
    QTest::newRow("pointer outside the ring") << 35 << fromTop;
}

void TestLogReader::fileGoesBackwardsRoundTheRing()
{
    QFETCH(int, pointer);
    QFETCH(QVector<int>, order);

    RecordingModBusClient client;
    FakeRelay relay(client);
    relay.pointer = static_cast<uint16_t>(pointer);
    LogReader reader;
    reader.setClient(&client);
    reader.readRecords(1);
    relay.answerAll();
    QCOMPARE(int(reader.journalPointer()), pointer);
    QCOMPARE(positionsInFile(csvOf(reader)), order);
}

void TestLogReader::emptyPositionsAreLeftOut()
{
    RecordingModBusClient client;
    FakeRelay relay(client);
    relay.pointer = 2;
    relay.entries[2] = taggedEntry(2, 0xFF);
    relay.entries[29] = taggedEntry(29, 6);
    relay.entries[0] = taggedEntry(0, 0xFF);
    LogReader reader;
    reader.setClient(&client);
    reader.readRecords(1);
    relay.answerAll();

    QVector<int> expected = {1};
    for (int p = 28; p >= 3; --p)
        expected << p;
    QCOMPARE(positionsInFile(csvOf(reader)), expected);

    // Nothing at all: the header line alone.
    for (QByteArray& entry : relay.entries)
        entry = taggedEntry(0, 0xFF);
    reader.readRecords(1);
    relay.answerAll();
    QCOMPARE(csvOf(reader), headerLine);

    // A reader that never read anything holds only empty positions.
    LogReader fresh;
    QCOMPARE(csvOf(fresh), headerLine);
}

void TestLogReader::progressOverTwentyNine()
{
    RecordingModBusClient client;
    FakeRelay relay(client);
    LogReader reader;
    reader.setClient(&client);
    QCOMPARE(reader.progress(), 0.0f);
    reader.readRecords(1);
    relay.answer(); // pointer
    QCOMPARE(reader.progress(), 0.0f);
    for (int k = 0; k < 29; ++k)
        relay.answer();
    QCOMPARE(reader.progress(), 100.0f);
    relay.answer();
    QCOMPARE(reader.state(), LogReader::ReadingEntries);
    // The bar never runs past full.
    QCOMPARE(reader.progress(), 100.0f);

    reader.readRecords(1);
    QCOMPARE(reader.progress(), 0.0f);
}

void TestLogReader::retries_data()
{
    QTest::addColumn<bool>("atPointer");
    QTest::addColumn<bool>("useRequestFailed");
    QTest::addColumn<int>("failures");
    QTest::addColumn<bool>("gaveUp");

    QTest::newRow("pointer: two timeouts then an answer") << true << false << 2 << false;
    QTest::newRow("pointer: three timeouts") << true << false << 3 << true;
    QTest::newRow("entry: two failures then an answer") << false << true << 2 << false;
    QTest::newRow("entry: three timeouts") << false << false << 3 << true;
}

void TestLogReader::retries()
{
    QFETCH(bool, atPointer);
    QFETCH(bool, useRequestFailed);
    QFETCH(int, failures);
    QFETCH(bool, gaveUp);

    RecordingModBusClient client;
    FakeRelay relay(client);
    LogReader reader;
    reader.setClient(&client);
    QSignalSpy finished(&reader, &LogReader::logReadingFinished);
    QSignalSpy failed(&reader, &LogReader::logReadingFailed);

    reader.readRecords(1);
    if (!atPointer) {
        for (int k = 0; k < 6; ++k)
            relay.answer(); // pointer and entries 0..4: entry 5 is asked for
    }
    const auto asked = client.requests.last();
    const int before = client.requests.size();
    failRequest(reader, failures, useRequestFailed);

    QCOMPARE(client.requests.size(), before + (gaveUp ? 2 : failures));
    for (int i = before; i < client.requests.size(); ++i) {
        QCOMPARE(client.requests.at(i).function, asked.function);
        QCOMPARE(client.requests.at(i).start, asked.start);
    }
    QCOMPARE(failed.count(), gaveUp ? 1 : 0);
    if (gaveUp) {
        // Entries received so far stay.
        if (!atPointer)
            QCOMPARE(int(reader.entry(4)->hour), 4);
        return;
    }
    relay.answerAll();
    QCOMPARE(finished.count(), 1);
}

void TestLogReader::droppedRequestIsRetriedByWatchdog()
{
    RecordingModBusClient client;
    FakeRelay relay(client);
    LogReader reader;
    reader.setClient(&client);
    reader.setWatchdogInterval(50);
    QSignalSpy failed(&reader, &LogReader::logReadingFailed);
    QSignalSpy finished(&reader, &LogReader::logReadingFinished);

    // The first pointer request is dropped by the client; its resend is answered.
    reader.readRecords(1);
    QElapsedTimer clock;
    clock.start();
    while (client.requests.size() < 2 && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCOMPARE(client.requests.size(), 2);
    QCOMPARE(client.requests.last().start, 0x004A);
    relay.answerAll();
    QCOMPARE(finished.count(), 1);

    // Then every request is dropped.
    reader.readRecords(1);
    QVERIFY(failed.wait(2000));
    QCOMPARE(client.requests.size(), 32 + 3);
    eventwait::spin(100);
    QCOMPARE(client.requests.size(), 32 + 3);
    QCOMPARE(failed.count(), 1);
}

void TestLogReader::staleAnswersAreIgnored()
{
    RecordingModBusClient client;
    FakeRelay relay(client);
    relay.pointer = 29;
    LogReader reader;
    reader.setClient(&client);
    QSignalSpy finished(&reader, &LogReader::logReadingFinished);

    reader.readRecords(1);
    const uint16_t wrongPointer = 7;
    reader.holdingRegsRead(0x0000, &wrongPointer, 1);
    reader.holdingRegsRead(0x004A, &wrongPointer, 0);
    deliverEntry(reader, 3, taggedEntry(21));
    QCOMPARE(client.requests.size(), 1);

    relay.answer();                           // pointer 29
    relay.answer();                           // entry 0
    deliverEntry(reader, 3, taggedEntry(22)); // entry 0 again
    deliverEntry(reader, 5, taggedEntry(23)); // entry 2 before entry 1
    deliverEntry(reader, 4, taggedEntry(24).left(22));
    reader.holdingRegsRead(0x004A, &wrongPointer, 1);
    QCOMPARE(client.requests.size(), 3);
    QCOMPARE(int(reader.journalPointer()), 29);
    QCOMPARE(int(reader.entry(0)->hour), 0);

    relay.answerAll();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(int(reader.entry(1)->hour), 1);
    QCOMPARE(int(reader.entry(2)->hour), 2);

    // After the end, late answers and failures change nothing.
    QSignalSpy failed(&reader, &LogReader::logReadingFailed);
    failRequest(reader, 4, false);
    deliverEntry(reader, 32, taggedEntry(25));
    QCOMPARE(failed.count(), 0);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(int(reader.entry(29)->hour), 29);
    QCOMPARE(client.requests.size(), 31);
}

void TestLogReader::saveWritesFileAndReportsFailures()
{
    RecordingModBusClient client;
    FakeRelay relay(client);
    relay.pointer = 1;
    for (int i = 2; i < 30; ++i)
        relay.entries[i] = taggedEntry(i, 0xFF);
    EntryFields f;
    f.type = 0;
    f.current = 150;
    f.hour = 1;
    relay.entries[1] = entryBytes(f);
    LogReader reader;
    reader.setClient(&client);
    reader.readRecords(1);
    relay.answerAll();

    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString name = dir.filePath("journal.csv");
    QFile old(name);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'x'));
    old.close();

    QVERIFY(reader.save(name));
    QFile file(name);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray expected =
        headerLine + QStringLiteral("ЗНЗ;1,50;15,00;5.3.2019;1:7:3.045\n"
                                    "МТЗ-1;5,00;200,00;5.3.2019;0:7:3.045\n")
                         .toLocal8Bit();
    QCOMPARE(file.readAll(), expected);
    QVERIFY(!expected.contains('\r'));

    QVERIFY(!reader.save(dir.filePath("missing/journal.csv")));
    QVERIFY(!reader.save(QString()));
    QVERIFY(!QFile::exists(dir.filePath("missing")));
}

void TestLogReader::writeErrorsAreReported()
{
    LogReader reader;
    FailAfterDevice none(0);
    QVERIFY(!reader.write(none));
    FailAfterDevice header(10);
    QVERIFY(!reader.write(header));
    FailAfterDevice room(1000);
    QVERIFY(reader.write(room));
    QCOMPARE(room.written, headerLine);
}

void TestLogReader::progressDialog()
{
    EventsReadDialog dialog;
    QCOMPARE(dialog.objectName(), QStringLiteral("EventsReadDialog"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Чтение событий..."));
    QCOMPARE(dialog.size(), QSize(530, 46));
    QCOMPARE(dialog.minimumSize(), QSize(530, 46));
    QCOMPARE(dialog.maximumSize(), QSize(530, 46));
    QCOMPARE(dialog.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(dialog.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    QVERIFY(!dialog.isSizeGripEnabled());
    QVERIFY(!dialog.isModal());
    QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));

    auto* bar = dialog.findChild<QProgressBar*>(QStringLiteral("progressBar"));
    QVERIFY(bar != nullptr);
    QCOMPARE(bar->value(), 0);
    dialog.setProgress(37);
    QCOMPARE(bar->value(), 37);
    QCOMPARE(dialog.progress(), 37);

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    dialog.hide();
}

void TestLogReader::readsDemoRelayEndToEnd()
{
    DemoRTULink link;
    ModBusClient client;
    link.setListener(&client);
    client.setLink(&link);

    LogReader reader;
    reader.setClient(&client);
    QSignalSpy finished(&reader, &LogReader::logReadingFinished);
    QSignalSpy failed(&reader, &LogReader::logReadingFailed);
    reader.readRecords(1);
    QVERIFY(finished.wait(5000));
    QCOMPARE(failed.count(), 0);

    // Until its first fault the demo relay's journal holds empty slots only:
    // the file has its header line alone.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(reader.save(dir.filePath("demo.csv")));
    QFile file(dir.filePath("demo.csv"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), headerLine);
}

void TestLogReader::batchedJournalTakesFourRequests()
{
    QByteArray csv[2];
    for (bool batched : {false, true}) {
        RecordingModBusClient client;
        FakeRelay relay(client);
        relay.pointer = 17;
        relay.entries[5] = taggedEntry(5, 0xFF);
        LogReader reader;
        reader.setClient(&client);
        reader.setBatchedReads(batched);
        QSignalSpy finished(&reader, &LogReader::logReadingFinished);
        reader.readRecords(1);
        relay.answerAll();
        QCOMPARE(finished.count(), 1);
        csv[batched ? 1 : 0] = csvOf(reader);
        if (!batched) {
            QCOMPARE(client.requests.size(), 31);
            continue;
        }
        QCOMPARE(LogReader::entriesPerBatch(), 9);
        QCOMPARE(client.requests.size(), 5);
        const int sizes[] = {9, 9, 9, 3};
        int file = 3;
        for (int i = 0; i < 4; ++i) {
            const RecordingModBusClient::Request& request = client.requests.at(1 + i);
            QCOMPARE(request.function, QStringLiteral("readFileRecords"));
            QCOMPARE(request.references.size(), sizes[i]);
            for (const FileRecordReference& reference : request.references) {
                QCOMPARE(int(reference.file), file++);
                QCOMPARE(int(reference.record), 0);
                QCOMPARE(int(reference.length), 12);
            }
        }
    }
    QCOMPARE(csv[1], csv[0]);
    QCOMPARE(positionsInFile(csv[1]).size(), 29);
}

void TestLogReader::firstBatchRefusedFallsBackToOneEntry_data()
{
    QTest::addColumn<int>("refusal");
    QTest::addColumn<bool>("fallsBack");

    using Failure = IModBusResponseListener::Failure;
    QTest::newRow("exception") << int(Failure::Exception) << true;
    QTest::newRow("wrong length") << int(Failure::WrongLength) << true;
    QTest::newRow("no answer") << int(FakeRelay::noAnswer) << true;
    QTest::newRow("garbled answer") << int(Failure::Garbled) << false;
    QTest::newRow("another slave's answer") << int(Failure::OtherSlave) << false;
}

void TestLogReader::firstBatchRefusedFallsBackToOneEntry()
{
    QFETCH(int, refusal);
    QFETCH(bool, fallsBack);

    RecordingModBusClient client;
    FakeRelay relay(client);
    relay.refusesSeveral = true;
    relay.refusal = refusal;
    LogReader reader;
    reader.setClient(&client);
    reader.setBatchedReads(true);
    LogCapture log(static_cast<int>(LogLevel::Info));
    QSignalSpy finished(&reader, &LogReader::logReadingFinished);
    QSignalSpy failed(&reader, &LogReader::logReadingFailed);
    reader.readRecords(1);
    relay.answer(); // the pointer
    relay.answer(); // the first batch, refused
    QCOMPARE(client.requests.size(), 3);
    if (!fallsBack) {
        QCOMPARE(client.requests.at(2).function, QStringLiteral("readFileRecords"));
        for (int attempt = 1; attempt < LogReader::maxAttempts; ++attempt)
            relay.answer();
        QCOMPARE(failed.count(), 1);
        QVERIFY(log.lines().isEmpty());
        return;
    }
    QCOMPARE(log.lines(), QStringList{QStringLiteral("Реле не отдаёт несколько записей одним "
                                                     "запросом: журнал читается по одной "
                                                     "записи.")});
    // The fallback was no failed attempt: the entry survives two more.
    failRequest(reader, 2, false);
    relay.answerAll();
    QCOMPARE(failed.count(), 0);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(client.requests.size(), 2 + 3 + 29);
    // File 3 three times (the fallback and two failed attempts), then one
    // request for each further file.
    for (int i = 2; i < client.requests.size(); ++i) {
        QCOMPARE(client.requests.at(i).function, QStringLiteral("readFileRecord"));
        QCOMPARE(client.requests.at(i).start, i <= 4 ? 3 : i - 1);
    }
    QCOMPARE(int(reader.entry(29)->hour), 29);
}

QTEST_MAIN(TestLogReader)
#include "tst_logreader.moc"
