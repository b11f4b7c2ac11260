// The command line end to end: the built program run as a script runs it,
// headless, against the test relay on a pseudo-terminal (living in this
// process) and against the demo relay. Files are checked against what the
// window's own code writes for the same data.
#include "records/ComtradeWriter.h"
#include "records/CrashProcessHeader.h"
#include "records/LogReader.h"
#include "relay/ConfigFile.h"
#include "relay/RelayMap.h"
#include "relay/SettingCatalog.h"
#include "relay/SettingsFileNotes.h"
#include "relay/SettingsSheet.h"
#include "session/RelayConnection.h"
#include "simulator/DemoRTULink.h"
#include "support/ClientProcess.h"
#include "support/FakeRegisterImage.h"
#include "support/RelayContent.h"
#include "support/SyntheticRecord.h"
#include "support/TestRelay.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <QTimer>

#include <cmath>
#include <csignal>

Q_DECLARE_METATYPE(TestRelay::Faults)
Q_DECLARE_METATYPE(TestRelay::Line)

namespace {

constexpr int quickMs = 15000;
constexpr int readingMs = 60000;
// One fault sample keeps a record short: 121 samples over the line.
constexpr int faultSamples = 1;

using Registers = QList<QPair<int, int>>;

// Measured values and the settings they depend on.
const Registers measured = {
    {0, 150},  {1, 250},  {2, 1234}, {3, 125}, {4, 57},  {5, 1234},
    {6, 0x21}, {7, 0x81}, {41, 1},   {52, 40}, {53, 10}, {54, 100},
};

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QJsonObject jsonObject(const QByteArray& text)
{
    return QJsonDocument::fromJson(text).object();
}

// Records 0 and 2 as the relay keeps them; slot 1 holds a spoiled header.
void loadTwoRecords(TestRelay& relay)
{
    relaycontent::loadRecords(relay, faultSamples);
    QByteArray spoiled = relaycontent::faultRecord(1, faultSamples);
    spoiled[39] = static_cast<char>(spoiled.at(39) ^ 0x5A);
    relay.setFile(1, spoiled);
}

// What the window writes for a record file: its header and samples through
// the COMTRADE writer, named after the trigger time.
QString writeExpectedRecord(const QByteArray& file, const QString& folder)
{
    const CrashProcessHeader header =
        CrashProcessHeader::decode(reinterpret_cast<const uint8_t*>(file.constData()));
    const QString base = folder + QLatin1Char('/') + ComtradeWriter::baseName(header);
    ComtradeWriter(base).save(header, file.mid(CrashProcessHeader::size));
    return base;
}

// The journal as the window's connection reads and writes it.
QByteArray journalThroughConnection(const RelayConnection::Settings& settings)
{
    RelayConnection connection;
    connection.configure(settings);
    if (!connection.openPort(settings.demo))
        return QByteArray("<port>");
    QSignalSpy finished(connection.logReader(), &LogReader::logReadingFinished);
    connection.logReader()->readRecords(settings.deviceAddress);
    if (!finished.wait(readingMs))
        return QByteArray("<not read>");
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    connection.logReader()->write(buffer);
    return buffer.data();
}

QStringList fileNames(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// The connection options for a relay on a pseudo-terminal.
QStringList onRelayAt(const TestRelay& relay)
{
    return {QStringLiteral("--port"), relay.portName(), QStringLiteral("--char-interval"),
            QStringLiteral("40")};
}

QStringList withPaths(QStringList arguments, const QString& folder)
{
    arguments.replaceInStrings(QStringLiteral("{tmp}"), folder);
    return arguments;
}

// The relay's image while its settings are written: the demo relay's values.
void loadDemoImage(TestRelay& relay, FakeRegisterImage* image)
{
    const DemoRTULink demoRelay;
    for (uint16_t n = 0; n < RelayMap::registerCount; ++n) {
        relay.setRegister(n, demoRelay.registerValue(n));
        image->set(n, demoRelay.registerValue(n));
    }
}

// Three settings far apart on the pages, in register order (the order in
// which a file lists them).
QList<uint16_t> threeSettings()
{
    const QVector<SettingDescription>& all = SettingCatalog::all();
    QList<uint16_t> regs{all.first().reg, all.at(all.size() / 2).reg, all.last().reg};
    std::sort(regs.begin(), regs.end());
    return regs;
}

// What a file holds where it differs from the relay.
uint16_t changedValue(uint16_t value)
{
    return value ^ 1;
}

// When the window saved the test's settings files.
const QDateTime fileSaved(QDate(2024, 3, 1), QTime(10, 20, 30));

// The image with `changed` altered, saved as the window saves it (notes
// naming address 5) or as an older program did (no notes).
bool writeSettingsFile(const FakeRegisterImage& relayImage, const QList<uint16_t>& changed,
                       const QString& path, bool notes = true)
{
    FakeRegisterImage image;
    for (uint16_t n = 0; n < RelayMap::registerCount; ++n)
        image.set(n, relayImage.getRegister(n));
    for (const uint16_t reg : changed)
        image.set(reg, changedValue(relayImage.getRegister(reg)));
    return ConfigFile(&image).save(path, notes ? SettingsFileNotes::describe(image, 5, fileSaved)
                                               : QJsonObject());
}

// The registers a settings file holds, with their values.
QHash<uint16_t, uint16_t> fileValues(const QString& path)
{
    QHash<uint16_t, uint16_t> values;
    for (const ConfigFile::RegisterValue& item : ConfigFile::registerValues(ConfigFile::load(path)))
        values.insert(item.reg, item.value);
    return values;
}

// The row of a setting in a sheet, as its HTML has it: a dash for a value
// the source does not hold.
QString sheetRow(const SettingDescription& description, const uint16_t* value)
{
    const QString text = value != nullptr ? description.valueText(*value) : QStringLiteral("—");
    return QStringLiteral("<td>%1</td><td>%2</td>")
        .arg(description.label.toHtmlEscaped(), text.toHtmlEscaped());
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void usageErrorsExitWithTwo_data();
    void usageErrorsExitWithTwo();
    void helpAndVersionExitWithZero_data();
    void helpAndVersionExitWithZero();

    void valuesArePrintedAsTheWindowShowsThem_data();
    void valuesArePrintedAsTheWindowShowsThem();
    void demoValuesKeepTheJsonShape();
    void verboseRoutesTheLogToStderr();
    void monitorPrintsOneLinePerPoll_data();
    void monitorPrintsOneLinePerPoll();
    void monitorEndsCleanlyOnSignal_data();
    void monitorEndsCleanlyOnSignal();

    void settingsFileIsTheWindowsFile_data();
    void settingsFileIsTheWindowsFile();
    void recordsListShowsEverySlot_data();
    void recordsListShowsEverySlot();
    void recordsAreWrittenAsTheWindowWritesThem();
    void demoRecordIsWrittenAsTheWindowWritesIt();
    void journalIsWrittenAsTheWindowWritesIt_data();
    void journalIsWrittenAsTheWindowWritesIt();

    void relayFailuresExitWithThree_data();
    void relayFailuresExitWithThree();
    void lateAnswersGiveTheRelaysDataOrFail_data();
    void lateAnswersGiveTheRelaysDataOrFail();
    void monitorReportsEveryPollOnALateLine_data();
    void monitorReportsEveryPollOnALateLine();
    void relayLostMidReadingLeavesNoFile_data();
    void relayLostMidReadingLeavesNoFile();
    void unwritableOutputExitsWithFourBeforeAsking_data();
    void unwritableOutputExitsWithFourBeforeAsking();

    void valuesOverTheNetwork_data();
    void valuesOverTheNetwork();
    void refusedConnectionExitsWithThree_data();
    void refusedConnectionExitsWithThree();
    void monitorMakesTheLineAgainAfterAGatewayRestart();
    void recordIsTheSameWhicheverWayItIsRead_data();
    void recordIsTheSameWhicheverWayItIsRead();
    void settingsDiffListsWhatDiffers_data();
    void settingsDiffListsWhatDiffers();
    void settingsDiffComparesTwoFilesAndLeavesOutTheIgnored_data();
    void settingsDiffComparesTwoFilesAndLeavesOutTheIgnored();
    void settingsWriteWritesNothingUnasked_data();
    void settingsWriteWritesNothingUnasked();
    void settingsWriteVerifiesWhatTheRelayHolds_data();
    void settingsWriteVerifiesWhatTheRelayHolds();
    void settingsSheetHtmlShowsEverySetting_data();
    void settingsSheetHtmlShowsEverySetting();
    void settingsSheetFromAFileIsTheWindowsSheet_data();
    void settingsSheetFromAFileIsTheWindowsSheet();
    void settingsSheetPdfIsWrittenWithoutADisplay_data();
    void settingsSheetPdfIsWrittenWithoutADisplay();
    void unreadableSettingsFileExitsWithFourBeforeAsking_data();
    void unreadableSettingsFileExitsWithFourBeforeAsking();

    void comtradeInfoSumsUpPrimaryValues_data();
    void comtradeInfoSumsUpPrimaryValues();
    void comtradeInfoReadsTheProgramsOwnExport();
    void comtradeInfoAnalysesAMoment_data();
    void comtradeInfoAnalysesAMoment();
    void unreadableComtradeExitsWithFour_data();
    void unreadableComtradeExitsWithFour();
    void viewOfAnUnreadableRecordExitsWithFourWithoutAWindow_data();
    void viewOfAnUnreadableRecordExitsWithFourWithoutAWindow();

    void archiveKeepsEveryReadingAndWritingAndGivesThemBack();
    void unusableArchiveLeavesTheReadingCompleteAndSaysSo_data();
    void unusableArchiveLeavesTheReadingCompleteAndSaysSo();

    void cleanupTestCase();

private:
    // The connection options for the test relay.
    QStringList onRelay() const;
    void setRegisters(const Registers& registers);

    // The rows of a failing relay each wait out its timeouts, so they run
    // side by side: each row's relay (set up by the table) and program are
    // started as the table is built, and the row, when its turn comes, takes
    // them over in place of init()'s and waits for its own program.
    struct StartedRow
    {
        TestRelay* relay = nullptr;
        ClientProcess* client = nullptr;
        QTemporaryDir* folder = nullptr;
        // What the relay held before its faults were switched on, as far as
        // the row needs it.
        QByteArray reference;
    };
    void startRow(const char* tag, TestRelay* rowRelay, const QStringList& connection,
                  const QStringList& command, const QByteArray& reference = QByteArray());
    // The current row's started relay, program and folder; its reference.
    QByteArray takeStartedRow();

    TestRelay* relay = nullptr;
    ClientProcess* client = nullptr;
    QTemporaryDir* folder = nullptr;
    QHash<QByteArray, StartedRow> startedRows;
};

void TestCommandLine::init()
{
    relay = new TestRelay(1);
    QVERIFY(relay->isValid());
    client = new ClientProcess(QStringLiteral(TALVIK_CLIENT_PATH));
    folder = new QTemporaryDir;
    QVERIFY(folder->isValid());
}

void TestCommandLine::cleanup()
{
    delete client;
    client = nullptr;
    delete relay;
    relay = nullptr;
    delete folder;
    folder = nullptr;
}

QStringList TestCommandLine::onRelay() const
{
    return onRelayAt(*relay);
}

void TestCommandLine::startRow(const char* tag, TestRelay* rowRelay, const QStringList& connection,
                               const QStringList& command, const QByteArray& reference)
{
    StartedRow row;
    row.relay = rowRelay;
    row.folder = new QTemporaryDir;
    row.client = new ClientProcess(QStringLiteral(TALVIK_CLIENT_PATH));
    row.client->start(connection + withPaths(command, row.folder->path()));
    row.reference = reference;
    startedRows.insert(tag, row);
}

QByteArray TestCommandLine::takeStartedRow()
{
    const StartedRow row = startedRows.take(QTest::currentDataTag());
    if (row.client == nullptr)
        return QByteArray();
    cleanup();
    relay = row.relay;
    client = row.client;
    folder = row.folder;
    return row.reference;
}

void TestCommandLine::cleanupTestCase()
{
    for (const StartedRow& row : qAsConst(startedRows)) {
        delete row.client;
        delete row.relay;
        delete row.folder;
    }
    startedRows.clear();
}

void TestCommandLine::setRegisters(const Registers& registers)
{
    for (const auto& reg : registers)
        relay->setRegister(static_cast<uint16_t>(reg.first), static_cast<uint16_t>(reg.second));
}

// --- Usage -------------------------------------------------------------------

void TestCommandLine::usageErrorsExitWithTwo_data()
{
    QTest::addColumn<QStringList>("arguments");
    // What the one line on stderr must name.
    QTest::addColumn<QString>("named");

    QTest::newRow("no connection") << QStringList{"values"} << "--demo";
    QTest::newRow("demo and port")
        << QStringList{"--demo", "--port", "/dev/null", "values"} << "--port";
    QTest::newRow("baud 4800") << QStringList{"--demo", "--baud", "4800", "values"} << "--baud";
    QTest::newRow("address 0") << QStringList{"--demo", "--address", "0", "values"} << "--address";
    QTest::newRow("address 248") << QStringList{"--demo", "--address", "248", "values"}
                                 << "--address";
    QTest::newRow("address not a number")
        << QStringList{"--demo", "--address", "x1", "values"} << "--address";
    QTest::newRow("char interval 39")
        << QStringList{"--demo", "--char-interval", "39", "values"} << "--char-interval";
    QTest::newRow("char interval 201")
        << QStringList{"--demo", "--char-interval", "201", "values"} << "--char-interval";
    QTest::newRow("unknown option") << QStringList{"--demo", "--fast", "values"} << "--fast";
    QTest::newRow("option without its value")
        << QStringList{"values", "--demo", "--port"} << "--port";
    QTest::newRow("unknown command") << QStringList{"--demo", "frobnicate"} << "frobnicate";
    QTest::newRow("no command") << QStringList{"--demo"} << "команда";
    QTest::newRow("file missing") << QStringList{"--demo", "settings-read"} << "FILE";
    QTest::newRow("extra argument") << QStringList{"--demo", "values", "extra"} << "extra";
    QTest::newRow("two settings files and a connection")
        << QStringList{"--demo", "settings-diff", "a.json", "b.json"} << "--demo";
    QTest::newRow("ignore a register the relay has not")
        << QStringList{"settings-diff", "a.json", "b.json", "--ignore", "52,85"} << "--ignore";
    QTest::newRow("archive without what to do") << QStringList{"archive"} << "relays";
    QTest::newRow("archive show without --out") << QStringList{"archive", "show", "3"} << "--out";
    QTest::newRow("archive diff of one") << QStringList{"archive", "diff", "3"} << "diff ID1 ID2";
    QTest::newRow("archive item not a number")
        << QStringList{"archive", "show", "x", "--out", "/tmp/x"} << "x";
    QTest::newRow("ignore for values")
        << QStringList{"--demo", "values", "--ignore", "52"} << "--ignore";
    QTest::newRow("records-read without --out")
        << QStringList{"--demo", "records-read", "0"} << "--out";
    QTest::newRow("record 3") << QStringList{"--demo", "records-read", "3", "--out", "/tmp"} << "3";
    QTest::newRow("count for values")
        << QStringList{"--demo", "values", "--count", "2"} << "--count";
    QTest::newRow("count 0") << QStringList{"--demo", "monitor", "--count", "0"} << "--count";
    QTest::newRow("period 50") << QStringList{"--demo", "monitor", "--period", "50"} << "--period";
    QTest::newRow("json for a file")
        << QStringList{"--demo", "journal-read", "j.csv", "--json"} << "--json";
    QTest::newRow("connection for a file on disk")
        << QStringList{"--demo", "comtrade-info", "a.cfg"} << "--demo";
    QTest::newRow("view without its file") << QStringList{"view"} << "FILE.cfg";
    QTest::newRow("json for view") << QStringList{"view", "a.cfg", "--json"} << "--json";
    QTest::newRow("connection for view") << QStringList{"--demo", "view", "a.cfg"} << "--demo";
    QTest::newRow("port and gateway")
        << QStringList{"--port", "/dev/null", "--tcp", "127.0.0.1:502", "values"} << "--tcp";
    QTest::newRow("gateway without its port")
        << QStringList{"--tcp", "127.0.0.1", "values"} << "--tcp";
    QTest::newRow("Modbus TCP port 0")
        << QStringList{"--modbus-tcp", "127.0.0.1:0", "values"} << "--modbus-tcp";
    QTest::newRow("silence only for a file on disk")
        << QStringList{"--silence-only", "comtrade-info", "a.cfg"} << "--silence-only";
    QTest::newRow("write without a password")
        << QStringList{"--demo", "settings-write", "s.json", "--yes"} << "--password";
    QTest::newRow("password past 16 bits")
        << QStringList{"--demo", "settings-write", "s.json", "--password", "65536"} << "--password";
    QTest::newRow("password not hexadecimal")
        << QStringList{"--demo", "settings-write", "s.json", "--password", "0x12G"} << "--password";
    QTest::newRow("decimal password past 16 bits")
        << QStringList{"--demo", "settings-write", "s.json", "--password-decimal", "65536"}
        << "--password-decimal";
    QTest::newRow("both password forms")
        << QStringList{"--demo", "settings-write",     "s.json", "--password",
                       "1",      "--password-decimal", "1"}
        << "--password-decimal";
    QTest::newRow("--at that is no time")
        << QStringList{"comtrade-info", "r.cfg", "--at", "12,5"} << "--at";
    QTest::newRow("--reference without --at")
        << QStringList{"comtrade-info", "r.cfg", "--reference", "IA"} << "--reference";
    QTest::newRow("--events on another command")
        << QStringList{"--demo", "values", "--events"} << "--events";
    QTest::newRow("yes for a diff")
        << QStringList{"--demo", "settings-diff", "s.json", "--yes"} << "--yes";
    QTest::newRow("relay for a diff")
        << QStringList{"--demo", "settings-diff", "s.json", "--relay"} << "--relay";
    QTest::newRow("sheet without --out") << QStringList{"settings-sheet", "s.json"} << "--out";
    QTest::newRow("sheet from nothing")
        << QStringList{"settings-sheet", "--out", "s.pdf"} << "FILE|--relay";
    QTest::newRow("sheet from a file and the relay")
        << QStringList{"--demo", "settings-sheet", "s.json", "--relay", "--out", "s.pdf"}
        << "s.json";
    QTest::newRow("connection for a sheet from a file")
        << QStringList{"--demo", "settings-sheet", "s.json", "--out", "s.pdf"} << "--demo";
    QTest::newRow("sheet from the relay without a connection")
        << QStringList{"settings-sheet", "--relay", "--out", "s.pdf"} << "--port";
    QTest::newRow("collect with a port")
        << QStringList{"--port", "/dev/null", "collect", "inv.json"} << "связь с каждым реле";
    QTest::newRow("collect without an inventory") << QStringList{"collect"} << "INVENTORY.json";
}

void TestCommandLine::usageErrorsExitWithTwo()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, named);

    client->start(arguments);
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), 2);
    QCOMPARE(client->out(), QByteArray());
    const QList<QByteArray> lines = client->errLines();
    QCOMPARE(lines.size(), 1);
    QVERIFY2(QString::fromUtf8(lines.first()).contains(named), lines.first().constData());
}

void TestCommandLine::helpAndVersionExitWithZero_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("shows");

    QTest::newRow("help") << "--help"
                          << "records-read N|all";
    QTest::newRow("version") << "--version"
                             << "talvik-client";
    QTest::newRow("help names the viewer") << "--help"
                                           << "view FILE.cfg";
    QTest::newRow("help names collect") << "--help"
                                        << "collect INVENTORY.json";
}

void TestCommandLine::helpAndVersionExitWithZero()
{
    QFETCH(QString, option);
    QFETCH(QString, shows);

    client->start({option});
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), 0);
    QVERIFY(QString::fromUtf8(client->out()).contains(shows));
    QCOMPARE(client->err(), QByteArray());
}

// --- Live values -------------------------------------------------------------

void TestCommandLine::valuesArePrintedAsTheWindowShowsThem_data()
{
    QTest::addColumn<Registers>("registers");
    QTest::addColumn<QStringList>("text");
    QTest::addColumn<QByteArray>("json");

    QTest::newRow("three-phase, directional")
        << measured << QStringList{"Ia = 60.00 А",       "Ib = 100.00 А", "Ic = 493.60 А",
                                   "3I0 = 12.50 А",      "3U0 = 5700 В",  "angle = 123.40 гр.",
                                   "leds = MTZ1 Isprav", "inputs = DI1",  "outputs = DO2"}
        << QByteArray(R"({"Ia": 60, "Ib": 100, "Ic": 493.6, "3I0": 12.5, "3U0": 5700,
            "angle": 123.4,
            "leds": {"MTZ1": true, "MTZ2": false, "TO": false, "ZNZ": false, "APV": false,
                     "OTKL": false, "DI4": false, "Isprav": true, "UROV": false},
            "inputs": {"DI1": true, "DI2": false, "DI3": false, "DI4": false},
            "outputs": {"DO1": false, "DO2": true, "DO3_1": false, "DO4": false,
                        "DO5": false, "DO6": false, "DO3_2": false}})");

    QTest::newRow("two-phase, not directional")
        << (Registers(measured) << qMakePair(55, 1) << qMakePair(41, 0) << qMakePair(6, 0x7F0)
                                << qMakePair(7, 0x100))
        << QStringList{"Ia = 60.00 А",  "Ib = -",     "Ic = 493.60 А",
                       "3I0 = 12.50 А", "3U0 = -",    "angle = -",
                       "leds = UROV",   "inputs = -", "outputs = DO1 DO2 DO3_1 DO4 DO5 DO6 DO3_2"}
        << QByteArray(R"({"Ia": 60, "Ib": null, "Ic": 493.6, "3I0": 12.5, "3U0": null,
            "angle": null,
            "leds": {"MTZ1": false, "MTZ2": false, "TO": false, "ZNZ": false, "APV": false,
                     "OTKL": false, "DI4": false, "Isprav": false, "UROV": true},
            "inputs": {"DI1": false, "DI2": false, "DI3": false, "DI4": false},
            "outputs": {"DO1": true, "DO2": true, "DO3_1": true, "DO4": true,
                        "DO5": true, "DO6": true, "DO3_2": true}})");
}

void TestCommandLine::valuesArePrintedAsTheWindowShowsThem()
{
    QFETCH(Registers, registers);
    QFETCH(QStringList, text);
    QFETCH(QByteArray, json);

    setRegisters(registers);
    client->start(onRelay() << "values");
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), 0);
    QStringList lines;
    for (const QByteArray& line : client->outLines())
        lines << QString::fromUtf8(line);
    QCOMPARE(lines, text);

    ClientProcess jsonClient{QStringLiteral(TALVIK_CLIENT_PATH)};
    jsonClient.start(onRelay() << "values"
                               << "--json");
    QVERIFY(jsonClient.waitForExit(quickMs));
    QCOMPARE(jsonClient.exitCode(), 0);
    QCOMPARE(jsonClient.outLines().size(), 1);
    QCOMPARE(jsonObject(jsonClient.out()), jsonObject(json));
    QCOMPARE(jsonClient.err(), QByteArray());
}

void TestCommandLine::demoValuesKeepTheJsonShape()
{
    client->start({"--demo", "values", "--json"});
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), 0);
    const QJsonObject values = jsonObject(client->out());
    for (const char* number : {"Ia", "Ib", "Ic", "3I0"})
        QVERIFY2(values.value(QLatin1String(number)).isDouble(), number);
    // The demo relay's feeder has directional earth-fault protection on, so
    // the residual voltage and the angle are measured too.
    QVERIFY(values.value("3U0").isDouble());
    QVERIFY(values.value("angle").isDouble());
    const double ia = values.value("Ia").toDouble();
    QVERIFY2(ia == 0.0 || (ia > 140 && ia < 1250), qPrintable(QString::number(ia)));
    QCOMPARE(values.value("leds").toObject().size(), 9);
    QCOMPARE(values.value("inputs").toObject().size(), 4);
    QCOMPARE(values.value("outputs").toObject().size(), 7);
}

void TestCommandLine::verboseRoutesTheLogToStderr()
{
    client->start({"--demo", "values", "--verbose"});
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), 0);
    // The poll's three reads as the window's log shows them in debug mode.
    const QList<QByteArray> log = client->errLines();
    QVERIFY(log.contains("ReadHoldingRegs startReg = 0 Count = 32"));
    QVERIFY(log.contains("ReadHoldingRegs startReg = 64 Count = 21"));
    QCOMPARE(client->outLines().size(), 9);

    // --log-file keeps the same lines on disk, time-stamped, without --verbose.
    client->start({"--demo", "values", "--log-file", folder->path()});
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), 0);
    QCOMPARE(client->err(), QByteArray());
    QFile day(folder->filePath(QDate::currentDate().toString("'talvik-'yyyy-MM-dd'.log'")));
    QVERIFY(day.open(QIODevice::ReadOnly));
    const QByteArray onDisk = day.readAll();
    QVERIFY(onDisk.contains(" ReadHoldingRegs startReg = 64 Count = 21\n"));
    client->start({"--demo", "values", "--log-file", folder->filePath("none/x.log")});
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), 4);
}

void TestCommandLine::monitorPrintsOneLinePerPoll_data()
{
    QTest::addColumn<bool>("json");
    QTest::newRow("text") << false;
    QTest::newRow("json lines") << true;
}

void TestCommandLine::monitorPrintsOneLinePerPoll()
{
    QFETCH(bool, json);

    setRegisters(measured);
    QStringList arguments = onRelay() << "monitor"
                                      << "--count"
                                      << "3"
                                      << "--period"
                                      << "300";
    if (json)
        arguments << "--json";
    client->start(arguments);
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), 0);
    const QList<QByteArray> lines = client->outLines();
    QCOMPARE(lines.size(), 3);

    QList<QDateTime> times;
    for (const QByteArray& line : lines) {
        QString stamp;
        if (json) {
            const QJsonObject object = jsonObject(line);
            QCOMPARE(object.value("Ia").toDouble(), 60.0);
            stamp = object.value("time").toString();
        } else {
            QVERIFY2(line.contains(" Ia=60.00 Ib=100.00 Ic=493.60 3I0=12.50 3U0=5700 "
                                   "angle=123.40 leds=MTZ1,Isprav inputs=DI1 outputs=DO2"),
                     line.constData());
            stamp = QString::fromUtf8(line.left(line.indexOf(' ')));
        }
        times << QDateTime::fromString(stamp, Qt::ISODateWithMs);
        QVERIFY2(times.last().isValid(), qPrintable(stamp));
    }
    // The first poll at once, the others one period apart.
    for (int i = 1; i < times.size(); ++i) {
        const qint64 gap = times.at(i - 1).msecsTo(times.at(i));
        QVERIFY2(gap >= 200 && gap < 1000, qPrintable(QString::number(gap)));
    }
}

void TestCommandLine::monitorEndsCleanlyOnSignal_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("Ctrl+C") << SIGINT;
    QTest::newRow("kill") << SIGTERM;
}

void TestCommandLine::monitorEndsCleanlyOnSignal()
{
    QFETCH(int, signalNumber);

    client->start(onRelay() << "monitor"
                            << "--period"
                            << "200");
    QVERIFY(client->waitForLines(1, quickMs));
    client->sendSignal(signalNumber);
    QVERIFY(client->waitForExit(quickMs));
    QVERIFY(client->exitedNormally());
    QCOMPARE(client->exitCode(), 0);
    QCOMPARE(client->err(), QByteArray());
    // The port was let go: the program opens it again at once.
    ClientProcess again{QStringLiteral(TALVIK_CLIENT_PATH)};
    again.start(onRelay() << "values");
    QVERIFY(again.waitForExit(quickMs));
    QCOMPARE(again.exitCode(), 0);
}

// --- Files -------------------------------------------------------------------

void TestCommandLine::settingsFileIsTheWindowsFile_data()
{
    QTest::addColumn<bool>("demo");
    QTest::addColumn<int>("address");
    QTest::newRow("relay on a pty at address 5") << false << 5;
    QTest::newRow("demo relay") << true << 1;
}

void TestCommandLine::settingsFileIsTheWindowsFile()
{
    QFETCH(bool, demo);
    QFETCH(int, address);

    QStringList arguments{"--demo"};
    if (!demo) {
        delete relay;
        relay = new TestRelay(static_cast<uint8_t>(address));
        QVERIFY(relay->isValid());
        arguments = onRelay() << "--address" << QString::number(address);
    }
    FakeRegisterImage image;
    const DemoRTULink demoRelay;
    for (uint16_t n = 0; n < RelayMap::registerCount; ++n) {
        const uint16_t value = demo ? demoRelay.registerValue(n) : static_cast<uint16_t>(n * 7 + 3);
        relay->setRegister(n, value);
        image.set(n, value);
    }

    const QString saved = folder->filePath("settings.json");
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    client->start(arguments << "settings-read" << saved);
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), 0);
    bool readable = false;
    const QJsonDocument document = ConfigFile::load(saved, &readable);
    QVERIFY(readable);
    QVERIFY(ConfigFile::hasRanges(document));

    // The window's save of the same image at the same moment.
    const QDateTime at =
        QDateTime::fromString(document.object().value("saved").toString(), Qt::ISODate);
    QVERIFY(at >= before && at <= QDateTime::currentDateTime());
    const QString expected = folder->filePath("window.json");
    QVERIFY(ConfigFile(&image).save(
        expected, SettingsFileNotes::describe(image, static_cast<uint8_t>(address), at)));
    QCOMPARE(readFile(saved), readFile(expected));
}

void TestCommandLine::recordsListShowsEverySlot_data()
{
    QTest::addColumn<bool>("json");
    QTest::newRow("text") << false;
    QTest::newRow("json") << true;
}

void TestCommandLine::recordsListShowsEverySlot()
{
    QFETCH(bool, json);

    loadTwoRecords(*relay);
    QStringList arguments = onRelay() << "records-list";
    if (json)
        arguments << "--json";
    client->start(arguments);
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), 0);
    if (!json) {
        QCOMPARE(client->outLines(),
                 (QList<QByteArray>{"number state date time preFaultSeconds faultSeconds",
                                    "0 valid 01.01.2019 00:01:00.0250 0.2 0.002", "1 invalid",
                                    "2 valid 01.01.2019 00:03:00.0250 0.2 0.002"}));
        return;
    }
    const QJsonArray list = QJsonDocument::fromJson(client->out()).array();
    const QJsonArray expected = QJsonDocument::fromJson(R"([
        {"number": 0, "valid": true, "date": "01.01.2019", "time": "00:01:00.0250",
         "preFaultSeconds": 0.2, "faultSeconds": 0.002},
        {"number": 1, "valid": false, "date": null, "time": null,
         "preFaultSeconds": null, "faultSeconds": null},
        {"number": 2, "valid": true, "date": "01.01.2019", "time": "00:03:00.0250",
         "preFaultSeconds": 0.2, "faultSeconds": 0.002}])")
                                    .array();
    QCOMPARE(list, expected);
}

void TestCommandLine::recordsAreWrittenAsTheWindowWritesThem()
{
    loadTwoRecords(*relay);
    QTemporaryDir expected;
    const QString first =
        writeExpectedRecord(relaycontent::faultRecord(0, faultSamples), expected.path());
    const QString last =
        writeExpectedRecord(relaycontent::faultRecord(2, faultSamples), expected.path());

    client->start(onRelay() << "records-read"
                            << "all"
                            << "--out" << folder->path());
    QVERIFY(client->waitForExit(readingMs));
    QCOMPARE(client->exitCode(), 0);
    QCOMPARE(fileNames(folder->path()), fileNames(expected.path()));
    for (const QString& name : fileNames(expected.path()))
        QVERIFY2(readFile(folder->filePath(name)) == readFile(expected.filePath(name)),
                 qPrintable(name));
    // The written pairs, by their .cfg, in record order.
    QCOMPARE(
        client->outLines(),
        (QList<QByteArray>{(folder->path() + first.mid(expected.path().size()) + ".cfg").toUtf8(),
                           (folder->path() + last.mid(expected.path().size()) + ".cfg").toUtf8()}));
    // Progress on stderr, ending at 100 % for each record.
    QVERIFY(client->err().contains("Осциллограмма 0: 100 %"));
    QVERIFY(client->err().contains("Осциллограмма 2: 100 %"));
}

void TestCommandLine::demoRecordIsWrittenAsTheWindowWritesIt()
{
    QTemporaryDir expected;
    writeExpectedRecord(DemoRTULink().record(0), expected.path());

    client->start({"--demo", "records-read", "0", "--out", folder->path(), "--quiet"});
    QVERIFY(client->waitForExit(readingMs));
    QCOMPARE(client->exitCode(), 0);
    QCOMPARE(client->err(), QByteArray());
    QCOMPARE(fileNames(folder->path()).size(), 2);
    QCOMPARE(fileNames(folder->path()), fileNames(expected.path()));
    for (const QString& name : fileNames(expected.path()))
        QVERIFY2(readFile(folder->filePath(name)) == readFile(expected.filePath(name)),
                 qPrintable(name));
}

void TestCommandLine::journalIsWrittenAsTheWindowWritesIt_data()
{
    QTest::addColumn<bool>("demo");
    QTest::newRow("relay on a pty") << false;
    QTest::newRow("demo relay") << true;
}

void TestCommandLine::journalIsWrittenAsTheWindowWritesIt()
{
    QFETCH(bool, demo);

    relaycontent::loadRecords(*relay);
    const QString saved = folder->filePath("journal.csv");
    client->start((demo ? QStringList{"--demo"} : onRelay()) << "journal-read" << saved);
    QVERIFY(client->waitForExit(readingMs));
    QCOMPARE(client->exitCode(), 0);

    RelayConnection::Settings settings;
    settings.demo = demo;
    settings.portName = relay->portName();
    settings.charInterval = 40;
    const QByteArray expected = journalThroughConnection(settings);
    QVERIFY(expected.startsWith("Тип;"));
    QCOMPARE(readFile(saved), expected);
}

// --- Failures ----------------------------------------------------------------

void TestCommandLine::relayFailuresExitWithThree_data()
{
    QTest::addColumn<QString>("message");

    TestRelay::Faults refusing;
    refusing.exceptionEvery = 1;
    TestRelay::Faults silent;
    silent.dropEvery = 1;
    // The relay answers at `relayAddress`; the program asks address 1 (0: no
    // relay, a port that does not exist).
    const auto add = [this](const char* tag, const QStringList& command,
                            const TestRelay::Faults& faults, int relayAddress,
                            const QString& message) {
        QTest::newRow(tag) << message;
        auto* rowRelay = new TestRelay(static_cast<uint8_t>(qMax(relayAddress, 1)));
        rowRelay->setFaults(faults);
        QStringList connection = onRelayAt(*rowRelay);
        if (relayAddress == 0)
            connection[1] = QStringLiteral("/nonexistent/tty");
        startRow(tag, rowRelay, connection, command);
    };
    add("values, relay refuses", {"values"}, refusing, 1,
        "Устройство не ответило на опрос: Код ошибки: 0x4");
    add("values, relay silent", {"values"}, silent, 1,
        "Устройство не ответило на опрос: Таймаут ответа!");
    add("values, nobody at the address", {"values"}, TestRelay::Faults(), 2, "Таймаут ответа!");
    add("settings-read, relay refuses", {"settings-read", "{tmp}/settings.json"}, refusing, 1,
        "Код ошибки: 0x4");
    add("records-list, relay silent", {"records-list"}, silent, 1,
        "Не удалось считать заголовки осциллограмм: Таймаут ответа!");
    add("journal-read, relay silent", {"journal-read", "{tmp}/journal.csv"}, silent, 1,
        "Не удалось считать журнал событий: Таймаут ответа!");
    add("no such port", {"values"}, TestRelay::Faults(), 0,
        "Невозможно открыть порт /nonexistent/tty");
}

void TestCommandLine::relayFailuresExitWithThree()
{
    QFETCH(QString, message);

    takeStartedRow();
    QVERIFY(relay->isValid());
    QVERIFY(client->waitForExit(readingMs));
    QCOMPARE(client->exitCode(), 3);
    QCOMPARE(client->out(), QByteArray());
    const QList<QByteArray> lines = client->errLines();
    QCOMPARE(lines.size(), 1);
    QVERIFY2(QString::fromUtf8(lines.first()).contains(message), lines.first().constData());
    QCOMPARE(fileNames(folder->path()), QStringList());
}

// A relay that answers some requests 1.5 s after it got them, past the
// program's 1 s answer timeout: such an answer has the length and function
// the next request of its kind awaits, and a good CRC.
TestRelay::Faults lateEvery(int k)
{
    TestRelay::Faults late;
    late.answerDelayMs = 1500;
    late.answerDelayEvery = k;
    return late;
}

void TestCommandLine::lateAnswersGiveTheRelaysDataOrFail_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<int>("late");

    const auto add = [this](const char* tag, const QStringList& command, int late,
                            TestRelay::Line line) {
        QTest::newRow(tag) << command << late;
        auto* rowRelay = new TestRelay(line);
        loadTwoRecords(*rowRelay);
        QStringList connection = onRelayAt(*rowRelay);
        if (line != TestRelay::Line::Pty) {
            connection = QStringList{line == TestRelay::Line::ModbusTcp ? "--modbus-tcp" : "--tcp",
                                     QStringLiteral("127.0.0.1:%1").arg(rowRelay->tcpPort())};
        }
        QByteArray journal;
        if (command.contains("journal-read")) {
            RelayConnection::Settings settings;
            settings.portName = rowRelay->portName();
            settings.charInterval = 40;
            journal = journalThroughConnection(settings);
        }
        rowRelay->setFaults(lateEvery(late));
        startRow(tag, rowRelay, connection, command, journal);
    };
    const QStringList list{"records-list"};
    const QStringList record{"records-read", "0", "--out", "{tmp}", "--quiet"};
    const QStringList journal{"journal-read", "{tmp}/journal.csv"};
    const QStringList silenceOnly{"--silence-only"};
    // Every 2nd: the headers are three requests, and an answer late for
    // the 1st or 2nd lands on the next header's request.
    const TestRelay::Line pty = TestRelay::Line::Pty;
    add("records-list, every 2nd late, by length", list, 2, pty);
    add("records-list, every 2nd late, silence only", silenceOnly + list, 2, pty);
    add("records, every 3rd late, by length", record, 3, pty);
    add("journal, one in ten late, silence only", silenceOnly + journal, 10, pty);
    // A transparent gateway passes RTU frames as they are; Modbus TCP's
    // transaction id tells a late answer by itself.
    add("records, every 3rd late, RTU over TCP", record, 3, TestRelay::Line::RtuOverTcp);
    add("records, every 3rd late, Modbus TCP", record, 3, TestRelay::Line::ModbusTcp);
}

// The readings of the command line on a line with late answers: exactly the
// relay's data, or a failure with nothing written; never the data of another
// request.
void TestCommandLine::lateAnswersGiveTheRelaysDataOrFail()
{
    QFETCH(QStringList, command);
    QFETCH(int, late);

    const QByteArray journal = takeStartedRow();
    QVERIFY(relay->isValid());
    QTemporaryDir expected;
    writeExpectedRecord(relaycontent::faultRecord(0, faultSamples), expected.path());
    if (command.contains("journal-read"))
        QVERIFY(journal.startsWith("Тип;"));

    QVERIFY(client->waitForExit(readingMs));
    // A late answer costs time, and the reader asks again.
    QVERIFY2(client->exitCode() == 0, client->err().constData());
    if (command.contains("records-list")) {
        QCOMPARE(client->outLines(),
                 (QList<QByteArray>{"number state date time preFaultSeconds faultSeconds",
                                    "0 valid 01.01.2019 00:01:00.0250 0.2 0.002", "1 invalid",
                                    "2 valid 01.01.2019 00:03:00.0250 0.2 0.002"}));
    } else if (command.contains("journal-read")) {
        QCOMPARE(readFile(folder->filePath("journal.csv")), journal);
    } else {
        QCOMPARE(fileNames(folder->path()), fileNames(expected.path()));
        for (const QString& name : fileNames(expected.path()))
            QVERIFY2(readFile(folder->filePath(name)) == readFile(expected.filePath(name)),
                     qPrintable(name));
    }
    QVERIFY(relay->requestCount() >= late);
}

void TestCommandLine::monitorReportsEveryPollOnALateLine_data()
{
    QTest::addColumn<int>("late");

    const auto add = [this](const char* tag, bool silenceOnly, int late) {
        QTest::newRow(tag) << late;
        auto* rowRelay = new TestRelay(1);
        for (const auto& reg : measured)
            rowRelay->setRegister(static_cast<uint16_t>(reg.first),
                                  static_cast<uint16_t>(reg.second));
        rowRelay->setFaults(lateEvery(late));
        QStringList connection = onRelayAt(*rowRelay);
        if (silenceOnly)
            connection << "--silence-only";
        startRow(tag, rowRelay, connection, {"monitor", "--count", "4", "--period", "300"});
    };
    add("every 3rd late, by length", false, 3);
    add("every 3rd late, silence only", true, 3);
}

// Every poll is one line: its values on stdout, or on stderr the read that
// failed and why; a failed poll counts toward --count and makes the exit code 3.
void TestCommandLine::monitorReportsEveryPollOnALateLine()
{
    QFETCH(int, late);

    takeStartedRow();
    QVERIFY(relay->isValid());
    QVERIFY(client->waitForExit(readingMs));
    QCOMPARE(client->exitCode(), 3);
    const QList<QByteArray> values = client->outLines();
    const QList<QByteArray> failures = client->errLines();
    QCOMPARE(values.size() + failures.size(), 4);
    QVERIFY(!failures.isEmpty());
    for (const QByteArray& line : values)
        QVERIFY2(line.contains(" Ia=60.00 Ib=100.00 Ic=493.60 3I0=12.50 3U0=5700 "
                               "angle=123.40 leds=MTZ1,Isprav inputs=DI1 outputs=DO2"),
                 line.constData());
    for (const QByteArray& line : failures)
        QVERIFY2(QString::fromUtf8(line).contains(QStringLiteral("Опрос без ответа: регистры ")) &&
                     QString::fromUtf8(line).contains(QStringLiteral("нет ответа")),
                 line.constData());
    QVERIFY(relay->requestCount() >= late);
}

void TestCommandLine::relayLostMidReadingLeavesNoFile_data()
{
    QTest::addColumn<QString>("message");

    // The relay goes away after answering `answered` requests: few enough
    // that 17 samples or 9 entries a request have not read it all.
    const auto add = [this](const char* tag, const QStringList& command, int answered, bool unplug,
                            const QString& message) {
        QTest::newRow(tag) << message;
        auto* rowRelay = new TestRelay(1);
        relaycontent::loadRecords(*rowRelay, faultSamples);
        connect(rowRelay, &TestRelay::requestReceived, rowRelay, [rowRelay, answered, unplug] {
            if (rowRelay->requestCount() != answered)
                return;
            if (unplug) {
                // Once this answer is on its way.
                QTimer::singleShot(0, rowRelay, [rowRelay] { rowRelay->unplug(); });
            } else {
                TestRelay::Faults silent;
                silent.dropEvery = 1;
                rowRelay->setFaults(silent);
            }
        });
        startRow(tag, rowRelay, onRelayAt(*rowRelay), command);
    };
    add("record, relay stops answering", {"records-read", "0", "--out", "{tmp}", "--quiet"}, 5,
        false, "Не удалось считать осциллограмму 0: Таймаут ответа!");
    add("record, cable pulled", {"records-read", "all", "--out", "{tmp}", "--quiet"}, 5, true,
        "Не удалось считать осциллограмму 0: Таймаут ответа!");
    add("journal, relay stops answering", {"journal-read", "{tmp}/journal.csv"}, 2, false,
        "Не удалось считать журнал событий: Таймаут ответа!");
    add("journal, cable pulled", {"journal-read", "{tmp}/journal.csv"}, 2, true,
        "Не удалось считать журнал событий: Таймаут ответа!");
}

void TestCommandLine::relayLostMidReadingLeavesNoFile()
{
    QFETCH(QString, message);

    // The relay may be unplugged by now.
    takeStartedRow();
    QVERIFY(client->waitForExit(readingMs));
    QCOMPARE(client->exitCode(), 3);
    QCOMPARE(client->errLines().size(), 1);
    QVERIFY2(QString::fromUtf8(client->errLines().first()).endsWith(message),
             client->err().constData());
    QCOMPARE(fileNames(folder->path()), QStringList());
}

// --- The network and the frame end -------------------------------------------

namespace {

void addNetworkLines()
{
    QTest::addColumn<TestRelay::Line>("line");
    QTest::addColumn<QString>("option");
    QTest::newRow("RTU over TCP") << TestRelay::Line::RtuOverTcp << "--tcp";
    QTest::newRow("Modbus TCP") << TestRelay::Line::ModbusTcp << "--modbus-tcp";
}

QStringList onGateway(const QString& option, quint16 port)
{
    return {option, QStringLiteral("127.0.0.1:%1").arg(port)};
}

} // namespace

void TestCommandLine::valuesOverTheNetwork_data()
{
    addNetworkLines();
}

void TestCommandLine::valuesOverTheNetwork()
{
    QFETCH(TestRelay::Line, line);
    QFETCH(QString, option);

    TestRelay gateway(line);
    QVERIFY(gateway.isValid());
    for (const auto& reg : measured)
        gateway.setRegister(static_cast<uint16_t>(reg.first), static_cast<uint16_t>(reg.second));
    client->start(onGateway(option, gateway.tcpPort()) << "values");
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), 0);
    QCOMPARE(client->outLines().first(), QByteArray("Ia = 60.00 А"));
    QCOMPARE(client->outLines().size(), 9);
    QCOMPARE(gateway.connectionCount(), 1);
}

// The gateway drops its connection in the middle of a monitor: the program
// says so, connects again a second later and goes on polling by itself.
void TestCommandLine::monitorMakesTheLineAgainAfterAGatewayRestart()
{
    TestRelay gateway(TestRelay::Line::RtuOverTcp);
    QVERIFY(gateway.isValid());
    client->start(onGateway("--tcp", gateway.tcpPort()) << "monitor"
                                                        << "--count"
                                                        << "4"
                                                        << "--period"
                                                        << "100");
    QVERIFY(client->waitForLines(2, quickMs));
    gateway.dropConnection();
    QVERIFY(client->waitForExit(quickMs));
    // The outage is no clean run.
    QCOMPARE(client->exitCode(), 3);
    QVERIFY(client->outLines().size() >= 2);
    const QByteArray err = client->err();
    QVERIFY2(err.contains("Нет связи — повтор через 1 с") && err.contains("Связь восстановлена"),
             err.constData());
    QCOMPARE(gateway.connectionCount(), 2);
}

void TestCommandLine::refusedConnectionExitsWithThree_data()
{
    addNetworkLines();
}

void TestCommandLine::refusedConnectionExitsWithThree()
{
    QFETCH(TestRelay::Line, line);
    QFETCH(QString, option);

    TestRelay gateway(line);
    QVERIFY(gateway.isValid());
    const quint16 port = gateway.tcpPort();
    gateway.unplug();
    client->start(onGateway(option, port) << "values");
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), 3);
    QCOMPARE(client->out(), QByteArray());
    QCOMPARE(client->errLines(),
             QList<QByteArray>{QStringLiteral("Нет связи по сети: Узел 127.0.0.1:%1 отклонил "
                                              "соединение.")
                                   .arg(port)
                                   .toUtf8()});
}

void TestCommandLine::recordIsTheSameWhicheverWayItIsRead_data()
{
    QTest::addColumn<TestRelay::Line>("line");
    QTest::addColumn<bool>("silenceOnly");
    // Requests the relay gets for the headers and record 0 (121 samples).
    QTest::addColumn<int>("requests");

    QTest::newRow("serial line, 17 samples a request") << TestRelay::Line::Pty << false << 3 + 8;
    QTest::newRow("serial line, silence only, one a request")
        << TestRelay::Line::Pty << true << 3 + 121;
    QTest::newRow("RTU over TCP") << TestRelay::Line::RtuOverTcp << false << 3 + 8;
    QTest::newRow("Modbus TCP") << TestRelay::Line::ModbusTcp << false << 3 + 8;
}

void TestCommandLine::recordIsTheSameWhicheverWayItIsRead()
{
    QFETCH(TestRelay::Line, line);
    QFETCH(bool, silenceOnly);
    QFETCH(int, requests);

    TestRelay gateway(line);
    TestRelay& target = line == TestRelay::Line::Pty ? *relay : gateway;
    QVERIFY(target.isValid());
    relaycontent::loadRecords(target, faultSamples);
    QTemporaryDir expected;
    writeExpectedRecord(relaycontent::faultRecord(0, faultSamples), expected.path());

    QStringList arguments =
        line == TestRelay::Line::Pty
            ? onRelay()
            : onGateway(line == TestRelay::Line::ModbusTcp ? "--modbus-tcp" : "--tcp",
                        gateway.tcpPort());
    if (silenceOnly)
        arguments << "--silence-only";
    client->start(arguments << "records-read"
                            << "0"
                            << "--out" << folder->path() << "--quiet");
    QVERIFY(client->waitForExit(readingMs));
    QCOMPARE(client->exitCode(), 0);
    QCOMPARE(target.requestCount(), requests);
    QCOMPARE(fileNames(folder->path()), fileNames(expected.path()));
    for (const QString& name : fileNames(expected.path()))
        QVERIFY2(readFile(folder->filePath(name)) == readFile(expected.filePath(name)),
                 qPrintable(name));
}

void TestCommandLine::unwritableOutputExitsWithFourBeforeAsking_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QString>("message");

    QTest::newRow("records into a missing folder")
        << QStringList{"records-read", "all", "--out", "{tmp}/missing"}
        << "Невозможно записать в папку {tmp}/missing";
    QTest::newRow("records into a file") << QStringList{"records-read", "0", "--out", "{tmp}/file"}
                                         << "Невозможно записать в папку {tmp}/file";
    QTest::newRow("settings into a missing folder")
        << QStringList{"settings-read", "{tmp}/missing/settings.json"}
        << "Невозможно записать файл {tmp}/missing/settings.json";
    QTest::newRow("settings onto a folder")
        << QStringList{"settings-read", "{tmp}/folder"} << "Невозможно записать файл {tmp}/folder";
    QTest::newRow("journal into a missing folder")
        << QStringList{"journal-read", "{tmp}/missing/journal.csv"}
        << "Невозможно записать файл {tmp}/missing/journal.csv";
    QTest::newRow("journal onto a folder")
        << QStringList{"journal-read", "{tmp}/folder"} << "Невозможно записать файл {tmp}/folder";
    QTest::newRow("sheet into a missing folder")
        << QStringList{"settings-sheet", "--relay", "--out", "{tmp}/missing/sheet.html"}
        << "Невозможно записать файл {tmp}/missing/sheet.html";
}

void TestCommandLine::unwritableOutputExitsWithFourBeforeAsking()
{
    QFETCH(QStringList, command);
    QFETCH(QString, message);

    QFile file(folder->filePath("file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(QDir(folder->path()).mkdir("folder"));
    relaycontent::loadRecords(*relay);

    client->start(onRelay() << withPaths(command, folder->path()));
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), 4);
    QCOMPARE(client->errLines(),
             QList<QByteArray>{message.replace("{tmp}", folder->path()).toUtf8()});
    QCOMPARE(relay->requestCount(), 0);
    QCOMPARE(fileNames(folder->path()), QStringList{"file"});
}

// --- Settings ----------------------------------------------------------------

void TestCommandLine::settingsDiffListsWhatDiffers_data()
{
    QTest::addColumn<int>("changed");
    QTest::addColumn<bool>("json");

    QTest::newRow("same, text") << 0 << false;
    QTest::newRow("same, json") << 0 << true;
    QTest::newRow("three differ, text") << 3 << false;
    QTest::newRow("three differ, json") << 3 << true;
}

void TestCommandLine::settingsDiffListsWhatDiffers()
{
    QFETCH(int, changed);
    QFETCH(bool, json);

    FakeRegisterImage image;
    loadDemoImage(*relay, &image);
    const QList<uint16_t> regs = threeSettings().mid(0, changed);
    const QString file = folder->filePath("settings.json");
    QVERIFY(writeSettingsFile(image, regs, file));

    QStringList arguments = onRelay() << "settings-diff" << file;
    if (json)
        arguments << "--json";
    client->start(arguments);
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), changed == 0 ? 0 : 1);
    QCOMPARE(relay->registerWrites().size(), 0);
    if (changed == 0) {
        QCOMPARE(client->errLines(),
                 QList<QByteArray>{"Уставки в файле совпадают с уставками реле"});
    } else {
        QCOMPARE(client->err(), QByteArray());
    }

    QStringList rows;
    QJsonArray objects;
    for (const uint16_t reg : regs) {
        const SettingDescription* description = SettingCatalog::find(reg);
        QVERIFY(description != nullptr);
        const QString relayText = description->valueWithUnit(image.getRegister(reg));
        const QString fileText = description->valueWithUnit(changedValue(image.getRegister(reg)));
        QVERIFY(relayText != fileText);
        rows << QStringList{description->caption(), relayText, fileText, QString::number(reg)}.join(
            '\t');
        objects.append(QJsonObject{{"register", reg},
                                   {"caption", description->caption()},
                                   {"relay", relayText},
                                   {"file", fileText}});
    }
    if (json) {
        QCOMPARE(client->outLines().size(), 1);
        QCOMPARE(QJsonDocument::fromJson(client->out()).array(), objects);
        return;
    }
    if (changed > 0)
        rows.prepend(QStringLiteral("Уставка\tВ реле\tНовое значение\tРегистр"));
    QCOMPARE(QString::fromUtf8(client->out()).split('\n', Qt::SkipEmptyParts), rows);
}

void TestCommandLine::settingsDiffComparesTwoFilesAndLeavesOutTheIgnored_data()
{
    QTest::addColumn<bool>("twoFiles");
    QTest::addColumn<int>("ignored");
    QTest::addColumn<QByteArray>("note");

    QTest::newRow("two files, nothing ignored") << true << 0 << QByteArray();
    QTest::newRow("two files, one ignored") << true << 1 << QByteArray("1 уставка не сравнивалась");
    QTest::newRow("two files, all ignored") << true << 3 << QByteArray("3 уставки не сравнивались");
    QTest::newRow("relay, two ignored") << false << 2 << QByteArray("2 уставки не сравнивались");
}

// Three settings differ; the ignored ones are neither listed nor make the
// sources differ, and stderr counts them. Two files need no relay: the
// command takes no connection then.
void TestCommandLine::settingsDiffComparesTwoFilesAndLeavesOutTheIgnored()
{
    QFETCH(bool, twoFiles);
    QFETCH(int, ignored);
    QFETCH(QByteArray, note);

    FakeRegisterImage image;
    loadDemoImage(*relay, &image);
    const QList<uint16_t> regs = threeSettings();
    const QString first = folder->filePath("feeder1.json");
    const QString second = folder->filePath("feeder2.json");
    QVERIFY(writeSettingsFile(image, {}, first));
    QVERIFY(writeSettingsFile(image, regs, second));
    QStringList ignoreList;
    for (const uint16_t reg : regs.mid(0, ignored))
        ignoreList << QString::number(reg);

    QStringList arguments = twoFiles ? QStringList{"settings-diff", first, second}
                                     : onRelay() << "settings-diff" << second;
    if (ignored > 0)
        arguments << "--ignore" << ignoreList.join(',');
    client->start(arguments);
    QVERIFY(client->waitForExit(quickMs));
    const int listed = regs.size() - ignored;
    QCOMPARE(client->exitCode(), listed == 0 ? 0 : 1);
    QCOMPARE(relay->requestCount() > 0, !twoFiles);

    const QList<QByteArray> out = client->outLines();
    QCOMPARE(out.size(), listed == 0 ? 0 : 1 + listed);
    if (listed > 0) {
        QCOMPARE(out.first(), twoFiles ? QByteArray("Уставка\tfeeder1.json\tfeeder2.json\tРегистр")
                                       : QByteArray("Уставка\tВ реле\tНовое значение\tРегистр"));
        for (int i = 0; i < listed; ++i)
            QVERIFY2(out.at(1 + i).endsWith("\t" + QByteArray::number(regs.at(ignored + i))),
                     out.at(1 + i).constData());
    }
    QList<QByteArray> err;
    if (listed == 0)
        err << "Уставки в файлах совпадают";
    if (!note.isEmpty())
        err << note;
    QCOMPARE(client->errLines(), err);
}

void TestCommandLine::settingsWriteWritesNothingUnasked_data()
{
    QTest::addColumn<int>("changed");
    QTest::addColumn<bool>("confirmed");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    QTest::newRow("three differ, without --yes")
        << 3 << false << 1 << "Ничего не записано: для записи добавьте --yes";
    QTest::newRow("nothing differs, with --yes")
        << 0 << true << 0 << "Уставки в файле совпадают с уставками реле";
}

void TestCommandLine::settingsWriteWritesNothingUnasked()
{
    QFETCH(int, changed);
    QFETCH(bool, confirmed);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    FakeRegisterImage image;
    loadDemoImage(*relay, &image);
    const QString file = folder->filePath("settings.json");
    QVERIFY(writeSettingsFile(image, threeSettings().mid(0, changed), file));
    QStringList arguments = onRelay() << "settings-write" << file << "--password"
                                      << "0x1234";
    if (confirmed)
        arguments << "--yes";
    client->start(arguments);
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), exitCode);
    QCOMPARE(client->errLines(), QList<QByteArray>{message.toUtf8()});
    // The table of what would be written, and nothing written.
    QCOMPARE(client->outLines().size(), changed == 0 ? 0 : changed + 1);
    QCOMPARE(relay->registerWrites().size(), 0);
    for (const SettingDescription& description : SettingCatalog::all())
        QCOMPARE(relay->registerValue(description.reg), image.getRegister(description.reg));
}

void TestCommandLine::settingsWriteVerifiesWhatTheRelayHolds_data()
{
    QTest::addColumn<int>("relayPassword");
    QTest::addColumn<QStringList>("password");
    QTest::addColumn<int>("exitCode");

    // The dialog's "0x1234" typed as 1234 is the same number here.
    QTest::newRow("the relay takes the values") << 0x1234 << QStringList{"--password", "1234"} << 0;
    QTest::newRow("the password with its prefix")
        << 0x1234 << QStringList{"--password", "0x1234"} << 0;
    QTest::newRow("the password in decimal")
        << 0x1234 << QStringList{"--password-decimal", "4660"} << 0;
    QTest::newRow("the relay refuses the password")
        << 0x4321 << QStringList{"--password", "1234"} << 3;
}

void TestCommandLine::settingsWriteVerifiesWhatTheRelayHolds()
{
    QFETCH(int, relayPassword);
    QFETCH(QStringList, password);
    QFETCH(int, exitCode);

    FakeRegisterImage image;
    loadDemoImage(*relay, &image);
    relay->requirePassword(static_cast<uint16_t>(relayPassword));
    const QList<uint16_t> regs = threeSettings();
    const QString file = folder->filePath("settings.json");
    QVERIFY(writeSettingsFile(image, regs, file));
    client->start(onRelay() << "settings-write" << file << password << "--yes");
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), exitCode);

    // The password before each value, only the registers that differ.
    QList<uint16_t> sent;
    for (const QByteArray& frame : relay->requests()) {
        if (frame.size() > 3 && frame.at(1) == 0x10)
            sent << qFromBigEndian<quint16>(frame.constData() + 2);
    }
    QCOMPARE(sent,
             (QList<uint16_t>{ConfigFile::passwordRegister, regs[0], ConfigFile::passwordRegister,
                              regs[1], ConfigFile::passwordRegister, regs[2]}));

    const QList<QByteArray> err = client->errLines();
    if (exitCode == 0) {
        QCOMPARE(err, QList<QByteArray>{"Записаны 3 уставки"});
        for (const uint16_t reg : regs)
            QCOMPARE(relay->registerValue(reg), changedValue(image.getRegister(reg)));
        return;
    }
    // Each setting named with what was meant, what the relay holds and why.
    QCOMPARE(err.size(), 4);
    QCOMPARE(err[0], QByteArray("Реле не хранит записанное значение у 3 из 3 уставок:"));
    for (int i = 0; i < regs.size(); ++i) {
        const SettingDescription* description = SettingCatalog::find(regs[i]);
        const uint16_t held = image.getRegister(regs[i]);
        QCOMPARE(QString::fromUtf8(err[i + 1]),
                 QStringLiteral("%1 (рег. %2): записывалось %3, в реле %4; отказ: исключение "
                                "03, недопустимое значение (неверный пароль?)")
                     .arg(description->caption())
                     .arg(regs[i])
                     .arg(description->valueWithUnit(changedValue(held)),
                          description->valueWithUnit(held)));
        QCOMPARE(relay->registerValue(regs[i]), held);
    }
}

void TestCommandLine::settingsSheetHtmlShowsEverySetting_data()
{
    QTest::addColumn<bool>("fromRelay");
    QTest::newRow("from a file") << false;
    QTest::newRow("from the relay") << true;
}

void TestCommandLine::settingsSheetHtmlShowsEverySetting()
{
    QFETCH(bool, fromRelay);

    // The file differs from the relay: the sheet must show its source's values.
    FakeRegisterImage image;
    loadDemoImage(*relay, &image);
    const QList<uint16_t> changed = threeSettings();
    const QString file = folder->filePath("settings.json");
    QVERIFY(writeSettingsFile(image, changed, file));
    const QString sheet = folder->filePath("sheet.html");
    client->start((fromRelay ? onRelay() << "settings-sheet"
                                         << "--relay"
                             : QStringList{"settings-sheet", file})
                  << "--out" << sheet << "--object"
                  << "ПС Северная, яч. 7 <ввод>");
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), 0);
    QCOMPARE(client->err(), QByteArray());
    QCOMPARE(client->out(), QByteArray());

    const QString html = QString::fromUtf8(readFile(sheet));
    QVERIFY(html.contains("ПС Северная, яч. 7 &lt;ввод&gt;"));
    QVERIFY(html.contains(fromRelay ? relay->portName() + " · 19200" : "settings.json"));
    const QHash<uint16_t, uint16_t> inFile = fileValues(file);
    int dashes = 0;
    for (const SettingDescription& description : SettingCatalog::all()) {
        uint16_t value = image.getRegister(description.reg);
        const bool known = fromRelay || inFile.contains(description.reg);
        if (!fromRelay && known) {
            QCOMPARE(inFile.value(description.reg),
                     changed.contains(description.reg) ? changedValue(value) : value);
            value = inFile.value(description.reg);
        }
        dashes += known ? 0 : 1;
        QVERIFY2(html.contains(description.group.toHtmlEscaped()),
                 qPrintable(description.caption()));
        QVERIFY2(html.contains(sheetRow(description, known ? &value : nullptr)),
                 qPrintable(description.caption()));
    }
    // A file leaves some settings out; the relay has them all.
    QCOMPARE(dashes > 0, !fromRelay);
    QCOMPARE(relay->requestCount() > 0, fromRelay);
}

void TestCommandLine::settingsSheetFromAFileIsTheWindowsSheet_data()
{
    QTest::addColumn<bool>("notes");
    QTest::newRow("file with notes") << true;
    QTest::newRow("file of an older program") << false;
}

void TestCommandLine::settingsSheetFromAFileIsTheWindowsSheet()
{
    QFETCH(bool, notes);

    FakeRegisterImage image;
    loadDemoImage(*relay, &image);
    const QString file = folder->filePath("settings.json");
    QVERIFY(writeSettingsFile(image, {}, file, notes));
    const QString sheet = folder->filePath("sheet.HTML");
    client->start({"settings-sheet", file, "--out", sheet});
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), 0);

    // The window's sheet of the same values; the address and the time as
    // the file gives them, or unknown and the file's time.
    SettingsSheet::Heading heading;
    heading.address = notes ? 5 : 0;
    heading.connection = "settings.json";
    heading.source = "файл настроек";
    heading.time = notes ? fileSaved : QFileInfo(file).lastModified();
    const QHash<uint16_t, uint16_t> values = fileValues(file);
    const QString expected = SettingsSheet::html(heading, [&values](uint16_t reg, uint16_t* value) {
        *value = values.value(reg);
        return values.contains(reg);
    });
    const QString written = QString::fromUtf8(readFile(sheet));
    QVERIFY(written.contains(notes ? "<td><b>Адрес реле</b></td><td>5</td>"
                                   : "<td><b>Адрес реле</b></td><td>—</td>"));
    QCOMPARE(written, expected);
    QCOMPARE(relay->requestCount(), 0);
}

void TestCommandLine::settingsSheetPdfIsWrittenWithoutADisplay_data()
{
    QTest::addColumn<bool>("fromRelay");
    QTest::newRow("from a file") << false;
    QTest::newRow("from the relay") << true;
}

void TestCommandLine::settingsSheetPdfIsWrittenWithoutADisplay()
{
    QFETCH(bool, fromRelay);

    FakeRegisterImage image;
    loadDemoImage(*relay, &image);
    const QString file = folder->filePath("settings.json");
    QVERIFY(writeSettingsFile(image, {}, file));
    const QString sheet = folder->filePath("sheet.pdf");
    client->start((fromRelay ? onRelay() << "settings-sheet"
                                         << "--relay"
                             : QStringList{"settings-sheet", file})
                  << "--out" << sheet);
    QVERIFY(client->waitForExit(readingMs));
    QCOMPARE(client->exitCode(), 0);
    // Not a word about a missing display or missing fonts.
    QCOMPARE(client->err(), QByteArray());
    const QByteArray pdf = readFile(sheet);
    QVERIFY(pdf.startsWith("%PDF-"));
    QVERIFY(pdf.trimmed().endsWith("%%EOF"));
    QVERIFY(pdf.contains("/Type /Page\n") || pdf.contains("/Type /Page "));
    // The text is set in an embedded font: without one the sheet is blank.
    QVERIFY(pdf.contains("/FontFile"));
    QCOMPARE(fileNames(folder->path()), (QStringList{"settings.json", "sheet.pdf"}));
}

void TestCommandLine::unreadableSettingsFileExitsWithFourBeforeAsking_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QString>("message");

    QTest::newRow("diff, no such file") << QStringList{"settings-diff", "{tmp}/missing.json"}
                                        << "Невозможно прочитать файл {tmp}/missing.json";
    QTest::newRow("diff, not JSON") << QStringList{"settings-diff", "{tmp}/journal.csv"}
                                    << "Невозможно прочитать файл {tmp}/journal.csv";
    QTest::newRow("write, JSON without registers")
        << QStringList{"settings-write", "{tmp}/other.json", "--password", "1", "--yes"}
        << "Неверный файл конфигурации: {tmp}/other.json";
    QTest::newRow("sheet, JSON without registers")
        << QStringList{"settings-sheet", "{tmp}/other.json", "--out", "{tmp}/sheet.html"}
        << "Неверный файл конфигурации: {tmp}/other.json";
}

void TestCommandLine::unreadableSettingsFileExitsWithFourBeforeAsking()
{
    QFETCH(QStringList, command);
    QFETCH(QString, message);

    QVERIFY(writeFile(folder->filePath("journal.csv"), "Тип;Дата\n"));
    QVERIFY(writeFile(folder->filePath("other.json"), R"({"regs": 5, "settings": []})"));
    QStringList connection = command.first() == "settings-sheet" ? QStringList() : onRelay();
    client->start(connection << withPaths(command, folder->path()));
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), 4);
    QCOMPARE(client->out(), QByteArray());
    QCOMPARE(client->errLines(),
             QList<QByteArray>{message.replace("{tmp}", folder->path()).toUtf8()});
    QCOMPARE(relay->requestCount(), 0);
    QCOMPARE(fileNames(folder->path()), (QStringList{"journal.csv", "other.json"}));
}

// --- COMTRADE files -------------------------------------------------------

namespace {

// Two analog channels, one already primary (0.5 A a count) and one secondary
// through a 10:1 transformer (kV = 10 * (count + 0.5)), one digital channel,
// four samples at 1000 per second.
const char handCfg[] = "Station A,rec1,1999\r\n"
                       "3,2A,1D\r\n"
                       "1,Ia,,,A,0.5,0,0,-100,100,1,1,P\r\n"
                       "2,Ub,,,kV,1,0.5,0,-100,100,10,1,S\r\n"
                       "1,Trip,,,0\r\n"
                       "50\r\n"
                       "1\r\n"
                       "1000,4\r\n"
                       "01/02/2020,10:20:30.123456\r\n"
                       "01/02/2020,10:20:30.124456\r\n"
                       "ASCII\r\n"
                       "1\r\n";
const char handDat[] = "1,0,2,1,0\r\n"
                       "2,1000,-2,-1,1\r\n"
                       "3,2000,2,1,0\r\n"
                       "4,3000,-2,-1,1\r\n";

} // namespace

void TestCommandLine::comtradeInfoSumsUpPrimaryValues_data()
{
    QTest::addColumn<bool>("json");
    QTest::newRow("text") << false;
    QTest::newRow("json") << true;
}

void TestCommandLine::comtradeInfoSumsUpPrimaryValues()
{
    QFETCH(bool, json);

    const QString cfg = folder->filePath("hand.cfg");
    QVERIFY(writeFile(cfg, handCfg));
    QVERIFY(writeFile(folder->filePath("hand.dat"), handDat));
    QStringList arguments{"comtrade-info", cfg};
    if (json)
        arguments << "--json";
    client->start(arguments);
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), 0);
    QCOMPARE(client->err(), QByteArray());
    if (!json) {
        QCOMPARE(client->outLines(),
                 (QList<QByteArray>{
                     "station = Station A", "start = 2020-02-01T10:20:30.123456",
                     "sampleRate = 1000", "samples = 4", "Ia, A: min = -1, max = 1, rms = 1",
                     "Ub, kV: min = -5, max = 15, rms = 11.1803", "digital = Trip"}));
        return;
    }
    const QJsonObject info = jsonObject(client->out());
    QCOMPARE(info.value("station").toString(), QStringLiteral("Station A"));
    QCOMPARE(info.value("start").toString(), QStringLiteral("2020-02-01T10:20:30.123456"));
    QCOMPARE(info.value("sampleRate").toDouble(), 1000.0);
    QCOMPARE(info.value("samples").toInt(), 4);
    QCOMPARE(info.value("digital").toArray(), QJsonArray{"Trip"});
    const QJsonArray analog = info.value("analog").toArray();
    QCOMPARE(analog.size(), 2);
    const QJsonObject ia = analog.at(0).toObject();
    const QJsonObject ub = analog.at(1).toObject();
    QCOMPARE(ia.value("name").toString(), QStringLiteral("Ia"));
    QCOMPARE(ia.value("unit").toString(), QStringLiteral("A"));
    QCOMPARE(ia.value("min").toDouble(), -1.0);
    QCOMPARE(ia.value("max").toDouble(), 1.0);
    QCOMPARE(ia.value("rms").toDouble(), 1.0);
    QCOMPARE(ub.value("unit").toString(), QStringLiteral("kV"));
    QCOMPARE(ub.value("min").toDouble(), -5.0);
    QCOMPARE(ub.value("max").toDouble(), 15.0);
    QVERIFY(qFuzzyCompare(ub.value("rms").toDouble(), std::sqrt(125.0)));
}

void TestCommandLine::comtradeInfoReadsTheProgramsOwnExport()
{
    const QString base = writeExpectedRecord(DemoRTULink().record(0), folder->path());
    client->start({"comtrade-info", base + ".cfg", "--json"});
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), 0);
    const QJsonObject info = jsonObject(client->out());
    // The demo record: 600 fault and 120 pre-fault samples, triggered at
    // 00:01:00 on 1 January 2019.
    QCOMPARE(info.value("samples").toInt(), 720);
    QCOMPARE(info.value("sampleRate").toDouble(), 600.0);
    QCOMPARE(info.value("start").toString(), QStringLiteral("2019-01-01T00:00:59.800000"));
    const QJsonArray analog = info.value("analog").toArray();
    QCOMPARE(analog.size(), 5);
    // The phases swing between zero and their peak: the RMS lies inside.
    const QJsonObject phase = analog.at(0).toObject();
    QVERIFY(phase.value("max").toDouble() > phase.value("rms").toDouble());
    QVERIFY(phase.value("rms").toDouble() > phase.value("min").toDouble());
    QCOMPARE(info.value("digital").toArray().size(), 11);
}

void TestCommandLine::comtradeInfoAnalysesAMoment_data()
{
    QTest::addColumn<bool>("json");
    QTest::newRow("text") << false;
    QTest::newRow("json") << true;
}

// A fault on phase A with a 20 % second harmonic, the trip 10 ms after the
// trigger: the numbers a script reads are those the viewer shows.
void TestCommandLine::comtradeInfoAnalysesAMoment()
{
    QFETCH(bool, json);

    SyntheticChannel ia{"IA", "A", {}, 300, 0, 20};
    const ComtradeRecord record = syntheticRecord(
        {ia, {"IB", "A", {}, 0, 0}, {"IC", "A", {}, 0, 0}, {"3I0", "A", {}, 300, 0}},
        {{"TRIP", 440, -1}});
    const QString base = folder->filePath("fault");
    QVERIFY(writeSyntheticRecord(record, base));
    QStringList arguments{"comtrade-info", base + ".cfg", "--at", "10.1", "--events"};
    if (json)
        arguments << "--json";
    client->start(arguments);
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), 0);
    QCOMPARE(client->err(), QByteArray());
    if (!json) {
        const QList<QByteArray> lines = client->outLines();
        QVERIFY(lines.contains("at = 10 ms (sample 441), angles from IA"));
        QVERIFY(lines.contains("events = 1"));
        QCOMPARE(lines.constLast(), QByteArray("10 ms: TRIP 0→1"));
        return;
    }
    const QJsonObject at = jsonObject(client->out()).value("at").toObject();
    QCOMPARE(at.value("time_ms").toDouble(), 10.0);
    QCOMPARE(at.value("sample").toInt(), 441);
    const QJsonObject phaseA = at.value("channels").toArray().at(0).toObject();
    QVERIFY(qAbs(phaseA.value("magnitude").toDouble() - 300) < 0.01);
    QCOMPARE(phaseA.value("angle").toDouble(), 0.0);
    const QJsonObject second = phaseA.value("harmonics").toArray().at(0).toObject();
    QCOMPARE(second.value("order").toInt(), 2);
    QCOMPARE(QString::number(second.value("percent").toDouble(), 'f', 1), QStringLiteral("20.0"));
    QVERIFY(qAbs(phaseA.value("thd").toDouble() - 20) < 0.01);
    // A single-phase fault: I1 = I2 = I0 = Ia/3; no voltages, no U1.
    const QJsonObject sequence = at.value("sequence").toObject();
    QCOMPARE(sequence.keys(), (QStringList{"I0", "I1", "I2"}));
    for (const QString& name : sequence.keys())
        QVERIFY2(qAbs(sequence.value(name).toObject().value("magnitude").toDouble() - 100) < 0.01,
                 qPrintable(name));
    const QJsonArray events = jsonObject(client->out()).value("events").toArray();
    QCOMPARE(events,
             (QJsonArray{QJsonObject{{"time_ms", 10.0}, {"channel", "TRIP"}, {"state", 1}}}));

    client->start({"comtrade-info", base + ".cfg", "--at", "0", "--reference", "UA"});
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), 2);
    QCOMPARE(client->errLines(), QList<QByteArray>{"В записи нет аналогового канала UA"});
}

void TestCommandLine::unreadableComtradeExitsWithFour_data()
{
    QTest::addColumn<QByteArray>("cfg");
    QTest::addColumn<QByteArray>("dat");

    QTest::newRow("no such file") << QByteArray() << QByteArray();
    QTest::newRow("no .dat") << QByteArray(handCfg) << QByteArray();
    QTest::newRow("channel counts missing")
        << QByteArray("Station A,rec1,1999\r\nnonsense\r\n") << QByteArray(handDat);
    QTest::newRow("fewer samples than declared")
        << QByteArray(handCfg) << QByteArray(handDat).left(QByteArray(handDat).lastIndexOf("4,"));
}

void TestCommandLine::unreadableComtradeExitsWithFour()
{
    QFETCH(QByteArray, cfg);
    QFETCH(QByteArray, dat);

    const QString cfgPath = folder->filePath("broken.cfg");
    if (!cfg.isEmpty())
        QVERIFY(writeFile(cfgPath, cfg));
    if (!dat.isEmpty())
        QVERIFY(writeFile(folder->filePath("broken.dat"), dat));
    client->start({"comtrade-info", cfgPath});
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), 4);
    QCOMPARE(client->out(), QByteArray());
    QCOMPARE(client->errLines().size(), 1);
}

void TestCommandLine::viewOfAnUnreadableRecordExitsWithFourWithoutAWindow_data()
{
    unreadableComtradeExitsWithFour_data();
}

// The child has no display: it ends with the reason on stderr before it
// would need one.
void TestCommandLine::viewOfAnUnreadableRecordExitsWithFourWithoutAWindow()
{
    QFETCH(QByteArray, cfg);
    QFETCH(QByteArray, dat);

    const QString cfgPath = folder->filePath("broken.cfg");
    if (!cfg.isEmpty())
        QVERIFY(writeFile(cfgPath, cfg));
    if (!dat.isEmpty())
        QVERIFY(writeFile(folder->filePath("broken.dat"), dat));
    client->start({"view", cfgPath});
    QVERIFY(client->waitForExit(quickMs));
    QVERIFY(client->exitedNormally());
    QCOMPARE(client->exitCode(), 4);
    QCOMPARE(client->out(), QByteArray());
    const QList<QByteArray> lines = client->errLines();
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().contains("broken"), lines.first().constData());
    // The reason in the user's language, not the system's English.
    if (cfg.isEmpty())
        QCOMPARE(lines.first(), QByteArray("Не удалось открыть «broken.cfg»: файл не найден"));
}

// --- The archive ---------------------------------------------------------------

// One relay, named once: a settings read, a journal read, a record and a
// write batch each become an item of the default archive (none named), and
// each comes back as the file the reading wrote; two snapshots compare.
void TestCommandLine::archiveKeepsEveryReadingAndWritingAndGivesThemBack()
{
    FakeRegisterImage image;
    loadDemoImage(*relay, &image);
    loadTwoRecords(*relay);
    const QString name = QStringLiteral("ПС Северная / Ф-7");
    const auto run = [this](const QStringList& arguments) {
        client->start(arguments);
        return client->waitForExit(readingMs) ? client->exitCode() : -1;
    };
    const QStringList named = onRelay() << "--name" << name;
    QCOMPARE(run(named + QStringList{"settings-read", folder->filePath("read.json")}), 0);
    QCOMPARE(run(named + QStringList{"journal-read", folder->filePath("journal.csv")}), 0);
    QCOMPARE(run(named + QStringList{"records-read", "0", "--out", folder->path(), "--quiet"}), 0);
    const QString record = QString::fromUtf8(client->outLines().value(0)).chopped(4);
    const QList<uint16_t> regs = threeSettings();
    QVERIFY(writeSettingsFile(image, regs, folder->filePath("new.json")));
    QCOMPARE(run(named + QStringList{"settings-write", folder->filePath("new.json"), "--password",
                                     "0", "--yes"}),
             0);
    QVERIFY(QFile::exists(client->dataFolder() + "/talvik/archive.sqlite"));

    QCOMPARE(run({"archive", "relays", "--json"}), 0);
    const QJsonArray relays = QJsonDocument::fromJson(client->out()).array();
    QCOMPARE(relays.size(), 1);
    QCOMPARE(relays[0]["name"].toString(), name);
    QCOMPARE(relays[0]["address"].toInt(), 1);
    QVERIFY(relays[0]["connection"].toString().startsWith(relay->portName()));

    QCOMPARE(run({"archive", "list", name, "--json"}), 0);
    const QJsonArray items = QJsonDocument::fromJson(client->out()).array();
    QStringList kinds;
    for (const QJsonValue item : items)
        kinds << item["kind"].toString();
    QCOMPARE(kinds, (QStringList{"write", "record", "journal", "settings"}));
    const auto idOf = [&items](int index) { return QString::number(items[index]["id"].toInt()); };

    QCOMPARE(run({"archive", "show", idOf(3), "--out", folder->filePath("again.json")}), 0);
    QCOMPARE(readFile(folder->filePath("again.json")), readFile(folder->filePath("read.json")));
    QCOMPARE(run({"archive", "show", idOf(2), "--out", folder->filePath("again.csv")}), 0);
    QCOMPARE(readFile(folder->filePath("again.csv")), readFile(folder->filePath("journal.csv")));
    QCOMPARE(run({"archive", "show", idOf(1), "--out", folder->filePath("again")}), 0);
    QCOMPARE(readFile(folder->filePath("again.cfg")), readFile(record + ".cfg"));
    QCOMPARE(readFile(folder->filePath("again.dat")), readFile(record + ".dat"));

    // The write's image after the batch against the read before it: the
    // three written settings, nothing else.
    QCOMPARE(run({"archive", "diff", idOf(3), idOf(0), "--json"}), 1);
    QList<int> differing;
    for (const QJsonValue row : QJsonDocument::fromJson(client->out()).array())
        differing << row["register"].toInt();
    QCOMPARE(differing, (QList<int>{regs[0], regs[1], regs[2]}));
    QCOMPARE(run({"archive", "diff", idOf(3), idOf(3)}), 0);
    QCOMPARE(run({"archive", "show", "999", "--out", folder->filePath("none")}), 4);
}

void TestCommandLine::unusableArchiveLeavesTheReadingCompleteAndSaysSo_data()
{
    QTest::addColumn<QString>("archive");
    QTest::addColumn<QByteArray>("said");
    QTest::newRow("folder that cannot be made")
        << "/proc/talvik/archive.sqlite" << QByteArray("Архив недоступен: ");
    QTest::newRow("not an archive") << "{tmp}/settings.json" << QByteArray("Архив недоступен: ");
    QTest::newRow("turned off") << "none" << QByteArray();
}

// The settings file is written and the exit code is the reading's; the
// failure is told once on stderr.
void TestCommandLine::unusableArchiveLeavesTheReadingCompleteAndSaysSo()
{
    QFETCH(QString, archive);
    QFETCH(QByteArray, said);

    setRegisters(measured);
    QFile notAnArchive(folder->filePath("settings.json"));
    QVERIFY(notAnArchive.open(QIODevice::WriteOnly) && notAnArchive.write("{\"regs\": []}") > 0);
    notAnArchive.close();
    client->start(onRelay() << "--archive" << withPaths({archive}, folder->path())
                            << "settings-read" << folder->filePath("read.json"));
    QVERIFY(client->waitForExit(quickMs));
    QCOMPARE(client->exitCode(), 0);
    QVERIFY(readFile(folder->filePath("read.json")).contains("\"regs\""));
    const QList<QByteArray> err = client->errLines();
    QCOMPARE(err.size(), said.isEmpty() ? 0 : 1);
    if (!said.isEmpty())
        QVERIFY2(err.first().startsWith(said), err.first().constData());
    QVERIFY(!QFile::exists(client->dataFolder() + "/talvik/archive.sqlite"));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
