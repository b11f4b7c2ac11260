#include "relay/ConfigFile.h"

#include "relay/ModBusDevice.h"
#include "support/RecordingModBusClient.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <vector>

namespace {

using Request = RecordingModBusClient::Request;
// (register, value) of each queued single-register write, in queue order.
using Writes = QVector<QPair<int, int>>;

Writes writesOf(const QList<Request>& requests)
{
    Writes writes;
    for (const Request& request : requests) {
        if (request.function != QLatin1String("writeMultipleRegs") || request.count != 1 ||
            request.values.size() != 1 || request.priority != 1)
            return Writes{{-1, -1}};
        writes.append(qMakePair(request.start, int(request.values.first())));
    }
    return writes;
}

// The file the relay's settings are saved as, built line by line.
QByteArray indentedFile(const QVector<QPair<int, QVector<int>>>& ranges)
{
    QByteArray text = "{\n    \"regs\": [\n";
    for (int i = 0; i < ranges.size(); ++i) {
        const QVector<int>& values = ranges.at(i).second;
        text += "        {\n";
        text += "            \"length\": " + QByteArray::number(values.size()) + ",\n";
        text += "            \"start\": " + QByteArray::number(ranges.at(i).first) + ",\n";
        text += "            \"values\": [\n";
        for (int j = 0; j < values.size(); ++j) {
            text += "                " + QByteArray::number(values.at(j));
            text += j + 1 < values.size() ? ",\n" : "\n";
        }
        text += "            ]\n";
        text += i + 1 < ranges.size() ? "        },\n" : "        }\n";
    }
    text += "    ]\n}\n";
    return text;
}

QByteArray readFile(const QString& name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

bool writeFile(const QString& name, const QByteArray& content)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// Lets file writes of this process fail past a size, as on a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit limited = previous;
        limited.rlim_cur = bytes;
        active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool active = false;

private:
    rlimit previous{};
    void (*previousHandler)(int) = nullptr;
};

} // namespace

class TestConfigFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void saveWithoutPollWritesZerosInIndentedLayout();
    void saveWritesImageValuesAsUnsignedIntegers();
    void savedFileLoadedBackWritesPasswordBeforeEachValue();

    void applyWritesFileValues_data();
    void applyWritesFileValues();

    void loadTellsValidFromInvalidFiles_data();
    void loadTellsValidFromInvalidFiles();

    void saveToMissingFolderFails();
    void saveOverFolderFails();
    void failedWriteLeavesExistingFileIntact();

private:
    RecordingModBusClient client;
    ModBusDevice* device = nullptr;
    QTemporaryDir* dir = nullptr;
};

void TestConfigFile::init()
{
    client.requests.clear();
    device = new ModBusDevice(8, 85);
    device->setClient(&client);
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
}

void TestConfigFile::cleanup()
{
    delete dir;
    delete device;
    dir = nullptr;
    device = nullptr;
}

void TestConfigFile::saveWithoutPollWritesZerosInIndentedLayout()
{
    ConfigFile config(device);
    const QString name = dir->filePath("zeros.json");
    QVERIFY(config.save(name));

    const QByteArray expected = indentedFile(
        {{8, QVector<int>(47, 0)}, {56, QVector<int>(15, 0)}, {72, QVector<int>(2, 0)}});
    const QByteArray saved = readFile(name);
    QVERIFY(saved.startsWith("{\n    \"regs\": [\n        {\n            \"length\": 47,\n"
                             "            \"start\": 8,\n            \"values\": [\n"));
    QCOMPARE(saved, expected);
    QVERIFY(!saved.contains('\r'));
}

void TestConfigFile::saveWritesImageValuesAsUnsignedIntegers()
{
    std::vector<uint16_t> image(85);
    for (int n = 0; n < 85; ++n)
        image[n] = static_cast<uint16_t>(n * 1000 + 7);
    image[8] = 0xFFFF;
    image[73] = 0x8000;
    device->holdingRegsRead(0, image.data(), 85);

    auto range = [&image](int start, int length) {
        QVector<int> values;
        for (int n = start; n < start + length; ++n)
            values.append(image[n]);
        return values;
    };
    ConfigFile config(device);
    const QString name = dir->filePath("image.json");
    QVERIFY(config.save(name));
    QCOMPARE(readFile(name),
             indentedFile({{8, range(8, 47)}, {56, range(56, 15)}, {72, range(72, 2)}}));
    QVERIFY(client.requests.isEmpty());
}

void TestConfigFile::savedFileLoadedBackWritesPasswordBeforeEachValue()
{
    std::vector<uint16_t> image(85);
    for (int n = 0; n < 85; ++n)
        image[n] = static_cast<uint16_t>(500 + n);
    device->holdingRegsRead(0, image.data(), 85);

    ConfigFile config(device);
    const QString name = dir->filePath("roundtrip.json");
    QVERIFY(config.save(name));

    bool ok = false;
    const QJsonDocument doc = ConfigFile::load(name, &ok);
    QVERIFY(ok);
    QVERIFY(ConfigFile::hasRanges(doc));
    config.apply(doc, 1234);

    Writes expected;
    for (const auto& range : {qMakePair(8, 47), qMakePair(56, 15), qMakePair(72, 2)}) {
        for (int n = range.first; n < range.first + range.second; ++n) {
            expected.append(qMakePair(71, 1234));
            expected.append(qMakePair(n, 500 + n));
        }
    }
    QCOMPARE(client.requests.size(), 128);
    QCOMPARE(writesOf(client.requests), expected);

    // Settings outside the saved ranges keep the relay's values.
    for (const Request& request : qAsConst(client.requests)) {
        QVERIFY(request.start != 55);
        QVERIFY(request.start < 74);
        QCOMPARE(request.address, 1);
    }
}

void TestConfigFile::applyWritesFileValues_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<Writes>("expected");

    QTest::newRow("short values write 0")
        << QByteArray(R"({"regs":[{"start":10,"length":2,"values":[5]}]})")
        << Writes{{71, 77}, {10, 5}, {71, 77}, {11, 0}};
    QTest::newRow("extra values ignored")
        << QByteArray(R"({"regs":[{"start":10,"length":1,"values":[5,6,7]}]})")
        << Writes{{71, 77}, {10, 5}};
    QTest::newRow("low 16 bits kept")
        << QByteArray(R"({"regs":[{"start":20,"length":3,"values":[65537,-1,65535]}]})")
        << Writes{{71, 77}, {20, 1}, {71, 77}, {21, 0xFFFF}, {71, 77}, {22, 0xFFFF}};
    QTest::newRow("empty object") << QByteArray("{}") << Writes{};
    QTest::newRow("negative length skipped")
        << QByteArray(R"({"regs":[{"start":8,"length":-3,"values":[1,2,3]},)"
                      R"({"start":30,"length":1,"values":[9]}]})")
        << Writes{{71, 77}, {30, 9}};
    QTest::newRow("length beyond address space skipped")
        << QByteArray(R"({"regs":[{"start":0,"length":2000000000,"values":[]},)"
                      R"({"start":30,"length":1,"values":[9]}]})")
        << Writes{{71, 77}, {30, 9}};
    QTest::newRow("missing or non-numeric members count as 0")
        << QByteArray(R"({"regs":[{"length":2,"values":["7",true]},)"
                      R"({"start":"12","length":1,"values":[3]}, 5]})")
        << Writes{{71, 77}, {0, 0}, {71, 77}, {1, 0}, {71, 77}, {0, 3}};
    QTest::newRow("addresses wrap at 65536")
        << QByteArray(R"({"regs":[{"start":65535,"length":2,"values":[1,2]},)"
                      R"({"start":-1,"length":1,"values":[3]}]})")
        << Writes{{71, 77}, {65535, 1}, {71, 77}, {0, 2}, {71, 77}, {65535, 3}};
}

void TestConfigFile::applyWritesFileValues()
{
    QFETCH(QByteArray, json);
    QFETCH(Writes, expected);

    const QString name = dir->filePath("input.json");
    QVERIFY(writeFile(name, json));
    bool ok = false;
    const QJsonDocument doc = ConfigFile::load(name, &ok);
    QVERIFY(ok);

    ConfigFile(device).apply(doc, 77);
    QCOMPARE(writesOf(client.requests), expected);
}

void TestConfigFile::loadTellsValidFromInvalidFiles_data()
{
    QTest::addColumn<bool>("create");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("expectedOk");
    QTest::addColumn<bool>("expectedRanges");

    QTest::newRow("missing file") << false << QByteArray() << false << false;
    QTest::newRow("empty file") << true << QByteArray() << false << false;
    QTest::newRow("not JSON") << true << QByteArray("regs = 8") << false << false;
    QTest::newRow("cut short") << true << QByteArray(R"({"regs":[{"start":8,)") << false << false;
    QTest::newRow("no regs") << true << QByteArray("{}") << true << false;
    QTest::newRow("regs not an array") << true << QByteArray(R"({"regs":3})") << true << false;
    QTest::newRow("array root") << true << QByteArray("[]") << true << false;
    QTest::newRow("empty regs") << true << QByteArray(R"({"regs":[]})") << true << true;
    QTest::newRow("settings file")
        << true << QByteArray(R"({"regs":[{"start":8,"length":1,"values":[1]}]})") << true << true;
}

void TestConfigFile::loadTellsValidFromInvalidFiles()
{
    QFETCH(bool, create);
    QFETCH(QByteArray, content);
    QFETCH(bool, expectedOk);
    QFETCH(bool, expectedRanges);

    const QString name = dir->filePath("file.json");
    if (create)
        QVERIFY(writeFile(name, content));

    bool ok = !expectedOk;
    const QJsonDocument doc = ConfigFile::load(name, &ok);
    QCOMPARE(ok, expectedOk);
    QCOMPARE(doc.isNull(), !expectedOk);
    QCOMPARE(ConfigFile::hasRanges(doc), expectedRanges);
    // Callers that need no verdict may leave it out.
    QCOMPARE(ConfigFile::load(name), doc);
}

void TestConfigFile::saveToMissingFolderFails()
{
    const QString name = dir->filePath("missing/settings.json");
    QVERIFY(!ConfigFile(device).save(name));
    QVERIFY(!QFile::exists(name));
    QCOMPARE(QDir(dir->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

void TestConfigFile::saveOverFolderFails()
{
    QVERIFY(QDir(dir->path()).mkdir("settings.json"));
    QVERIFY(!ConfigFile(device).save(dir->filePath("settings.json")));
    QVERIFY(QFileInfo(dir->filePath("settings.json")).isDir());
    QCOMPARE(QDir(dir->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList{"settings.json"});
}

void TestConfigFile::failedWriteLeavesExistingFileIntact()
{
    const QString name = dir->filePath("good.json");
    const QByteArray good = R"({"regs":[{"start":8,"length":1,"values":[42]}]})";
    QVERIFY(writeFile(name, good));

    bool saved = true;
    {
        // The saved text of 64 registers is far longer than this.
        FileSizeLimit limit(256);
        QVERIFY(limit.active);
        saved = ConfigFile(device).save(name);
    }
    QVERIFY(!saved);
    QCOMPARE(readFile(name), good);
    QCOMPARE(QDir(dir->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList{"good.json"});
}

QTEST_GUILESS_MAIN(TestConfigFile)

#include "tst_configfile.moc"
