#include "app/AppSettings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The connection dialog's and the log menu's defaults.
void verifyDefaults(const AppSettings& settings)
{
    const AppSettings::Connection read = settings.connection();
    QCOMPARE(read.baudRate, 9600);
    QCOMPARE(read.address, 1);
    QCOMPARE(read.charInterval, 100);
    QCOMPARE(read.pollPeriod, 1);
    QVERIFY(!read.demo);
    QCOMPARE(settings.logMode(), 0);
    QVERIFY(!settings.logTimeStamps());
    QVERIFY(!settings.readRecordsOnConnect());
}

} // namespace

class TestAppSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void keptValuesReadBack();
    void emptyStoreGivesDefaults();
    void brokenValuesGiveDefaults_data();
    void brokenValuesGiveDefaults();
    void unreadableFileGivesDefaults();
    void withoutStoreNothingIsKept();
    void foldersAreKeptPerDialog();

private:
    QSettings* openStore();

    QTemporaryDir* folder = nullptr;
    QString path;
};

void TestAppSettings::init()
{
    folder = new QTemporaryDir;
    QVERIFY(folder->isValid());
    path = folder->filePath(QStringLiteral("talvik-client.conf"));
}

void TestAppSettings::cleanup()
{
    delete folder;
    folder = nullptr;
}

QSettings* TestAppSettings::openStore()
{
    return new QSettings(path, QSettings::IniFormat, this);
}

void TestAppSettings::keptValuesReadBack()
{
    AppSettings::Connection kept;
    kept.portName = QStringLiteral("/dev/pts/7");
    kept.baudRate = 38400;
    kept.address = 17;
    kept.charInterval = 60;
    kept.pollPeriod = 5;
    kept.demo = true;
    {
        AppSettings settings(openStore());
        settings.setConnection(kept);
        settings.setLogMode(3);
        settings.setLogTimeStamps(true);
        settings.setReadRecordsOnConnect(true);
        settings.setWindowGeometry(QByteArray("geometry"));
    }
    // Read by another store object, as the next run does.
    const AppSettings settings(openStore());
    QVERIFY(settings.hasConnection());
    const AppSettings::Connection read = settings.connection();
    QCOMPARE(read.portName, kept.portName);
    QCOMPARE(read.baudRate, kept.baudRate);
    QCOMPARE(read.address, kept.address);
    QCOMPARE(read.charInterval, kept.charInterval);
    QCOMPARE(read.pollPeriod, kept.pollPeriod);
    QCOMPARE(read.demo, kept.demo);
    QCOMPARE(settings.logMode(), 3);
    QVERIFY(settings.logTimeStamps());
    QVERIFY(settings.readRecordsOnConnect());
    QCOMPARE(settings.windowGeometry(), QByteArray("geometry"));
}

void TestAppSettings::emptyStoreGivesDefaults()
{
    const AppSettings settings(openStore());
    QVERIFY(!settings.hasConnection());
    verifyDefaults(settings);
}

void TestAppSettings::brokenValuesGiveDefaults_data()
{
    QTest::addColumn<QByteArray>("file");

    QTest::newRow("words for numbers")
        << QByteArray("[connection]\nbaudRate=fast\naddress=one\ncharInterval=x\npollPeriod=\n"
                      "demo=maybe\n[log]\nmode=loud\ntimeStamps=2\n");
    QTest::newRow("out of range") << QByteArray(
        "[connection]\nbaudRate=115200\naddress=0\ncharInterval=20\npollPeriod=500\n"
        "[log]\nmode=7\n");
    QTest::newRow("negative") << QByteArray(
        "[connection]\nbaudRate=-9600\naddress=-1\ncharInterval=-100\n"
        "pollPeriod=-1\n[log]\nmode=-1\n");
    QTest::newRow("binary noise") << QByteArray::fromHex("00fffe5b5b5b3d0a01023d03");
}

void TestAppSettings::brokenValuesGiveDefaults()
{
    QFETCH(QByteArray, file);
    QFile written(path);
    QVERIFY(written.open(QIODevice::WriteOnly));
    written.write(file);
    written.close();

    const AppSettings settings(openStore());
    verifyDefaults(settings);
}

void TestAppSettings::unreadableFileGivesDefaults()
{
    // A folder where the file should be: nothing can be read or written.
    QVERIFY(QDir().mkpath(path));
    AppSettings settings(openStore());
    settings.setLogMode(2);
    QCOMPARE(settings.connection().baudRate, 9600);
}

void TestAppSettings::withoutStoreNothingIsKept()
{
    AppSettings settings(nullptr);
    AppSettings::Connection kept;
    kept.address = 9;
    settings.setConnection(kept);
    settings.setLogMode(2);
    settings.setFolderOf(QStringLiteral("log"), QStringLiteral("/tmp/a.log"));
    QVERIFY(!settings.hasConnection());
    QCOMPARE(settings.connection().address, 1);
    QCOMPARE(settings.logMode(), 0);
    QVERIFY(settings.folder(QStringLiteral("log")).isEmpty());
}

void TestAppSettings::foldersAreKeptPerDialog()
{
    AppSettings settings(openStore());
    settings.setFolderOf(QStringLiteral("log"), QStringLiteral("/tmp/logs/today.log"));
    settings.setFolderOf(QStringLiteral("records"), QStringLiteral("/tmp/records"), true);
    settings.setFolderOf(QStringLiteral("journal"), QString());
    QCOMPARE(settings.folder(QStringLiteral("log")), QStringLiteral("/tmp/logs"));
    QCOMPARE(settings.folder(QStringLiteral("records")), QStringLiteral("/tmp/records"));
    QVERIFY(settings.folder(QStringLiteral("journal")).isEmpty());
}

QTEST_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
