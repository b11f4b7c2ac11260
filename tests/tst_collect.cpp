// collect end to end: the built program reads a substation's relays from an
// inventory file, two on pseudo-terminals and one behind a serial gateway
// (all of them test relays living in this process), into its archive and a
// folder; and a broken inventory is refused before any relay is asked.
#include "archive/Archive.h"
#include "records/ComtradeWriter.h"
#include "records/CrashProcessHeader.h"
#include "relay/RelayMap.h"
#include "support/ClientProcess.h"
#include "support/RelayContent.h"
#include "support/TestRelay.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

namespace {

constexpr int quickMs = 15000;
// The gateway's relay fails by timeouts, three attempts of the relay's
// 1000 ms and the window for a late answer, as the program runs them.
constexpr int collectMs = 60000;

QString hidden(const QString& folder)
{
    return QDir(folder)
        .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)
        .join(QLatin1Char(' '));
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The base name the window gives record file `file`, and its bytes as the
// window writes them into `folder`.
QString expectedRecord(const QByteArray& file, const QString& folder)
{
    const CrashProcessHeader header =
        CrashProcessHeader::decode(reinterpret_cast<const uint8_t*>(file.constData()));
    ComtradeWriter(folder + QLatin1Char('/') + ComtradeWriter::baseName(header))
        .save(header, file.mid(CrashProcessHeader::size));
    return ComtradeWriter::baseName(header);
}

int itemsKept(const Archive& archive, const QString& relay, ArchiveKind kind)
{
    int items = 0;
    for (const ArchiveItem& item : archive.items(relay))
        items += item.kind == kind ? 1 : 0;
    return items;
}

int recordsKept(const Archive& archive, const QString& relay)
{
    return itemsKept(archive, relay, ArchiveKind::Record);
}

// Whether a request to the relay asks for samples of record file `file`
// (past the header's registers).
bool asksForSamples(const QByteArray& frame, int file)
{
    const auto* bytes = reinterpret_cast<const uchar*>(frame.constData());
    return frame.size() >= 8 && frame.at(1) == 0x14 && qFromBigEndian<quint16>(bytes + 4) == file &&
           qFromBigEndian<quint16>(bytes + 6) >= RelayMap::recordHeaderBytes / 2;
}

} // namespace

class TestCollect : public QObject
{
    Q_OBJECT

private slots:
    void brokenInventoryIsRefusedNamingRelayAndField_data();
    void brokenInventoryIsRefusedNamingRelayAndField();
    void substationIsCollectedAndOnlyNewRecordsTheSecondTime();
    void relayLostOnItsLineGoesOnAfterTheOthersFromWhereItFailed();
};

void TestCollect::brokenInventoryIsRefusedNamingRelayAndField_data()
{
    QTest::addColumn<QByteArray>("inventory");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    const QByteArray two = R"({"name": "ПС Северная, яч. 7", "port": "/dev/ttyUSB0"},
                              {"name": "ПС Южная, яч. 2", )";
    QTest::newRow("not JSON") << QByteArray("relays: []") << 2
                              << "Опись «inv.json»: это не JSON: недопустимое значение (символ 1)";
    QTest::newRow("no relays array")
        << QByteArray(R"({"relay": []})") << 2 << "Опись «inv.json»: нет массива relays";
    QTest::newRow("entry not an object") << QByteArray(R"({"relays": ["ПС"]})") << 2
                                         << "Опись «inv.json», реле 1: ожидался объект с полями "
                                            "name, port…";
    QTest::newRow("name missing") << QByteArray(R"({"relays": [{"port": "/dev/ttyS0"}]})") << 2
                                  << "Опись «inv.json», реле 1: нет поля name";
    QTest::newRow("no way to the relay")
        << "{\"relays\": [" + two + "\"address\": 3}]}" << 2
        << "Опись «inv.json», реле 2 («ПС Южная, яч. 2»): нужно одно из полей port, tcp, "
           "modbus_tcp или \"demo\": true";
    QTest::newRow("two ways") << "{\"relays\": [" + two + R"("port": "/dev/ttyS1", "demo": true}]})"
                              << 2
                              << "Опись «inv.json», реле 2 («ПС Южная, яч. 2»): укажите только "
                                 "одно из полей port, tcp, modbus_tcp и demo";
    QTest::newRow("misspelt field")
        << "{\"relays\": [" + two + R"("demo": true, "adress": 3}]})" << 2
        << "Опись «inv.json», реле 2 («ПС Южная, яч. 2»): неизвестное "
           "поле adress";
    QTest::newRow("address as text")
        << "{\"relays\": [" + two + R"("demo": true, "address": "3"}]})" << 2
        << "Опись «inv.json», реле 2 («ПС Южная, яч. 2»): поле address должно быть целым числом, "
           "а не строкой \"3\"";
    QTest::newRow("address 300") << "{\"relays\": [" + two + R"("demo": true, "address": 300}]})"
                                 << 2
                                 << "Опись «inv.json», реле 2 («ПС Южная, яч. 2»): неверное "
                                    "значение address: 300 (допустимо 1..247)";
    QTest::newRow("baud 4800") << "{\"relays\": [" + two +
                                      R"("port": "/dev/ttyS1", "baud": 4800}]})"
                               << 2
                               << "Опись «inv.json», реле 2 («ПС Южная, яч. 2»): неверное значение "
                                  "baud: 4800 (допустимо 9600, 19200, 38400)";
    QTest::newRow("gateway without port")
        << "{\"relays\": [" + two + R"("tcp": "10.0.5.20"}]})" << 2
        << "Опись «inv.json», реле 2 («ПС Южная, яч. 2»): неверное значение tcp: 10.0.5.20 (нужно "
           "УЗЕЛ:ПОРТ, порт 1..65535)";
    QTest::newRow("same name twice")
        << QByteArray(
               R"({"relays": [{"name": "ПС", "demo": true}, {"name": " ПС ", "demo": true}]})")
        << 2 << "Опись «inv.json», реле 2 («ПС»): такое имя уже есть у реле 1";
    QTest::newRow("no such file") << QByteArray() << 4
                                  << "Невозможно прочитать опись {tmp}/inv.json: No such file or "
                                     "directory";
}

void TestCollect::brokenInventoryIsRefusedNamingRelayAndField()
{
    QFETCH(QByteArray, inventory);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("inv.json"));
    QVERIFY(inventory.isEmpty() || writeFile(path, inventory));
    ClientProcess client(QStringLiteral(TALVIK_CLIENT_PATH));
    client.start({QStringLiteral("collect"), path});
    QVERIFY(client.waitForExit(quickMs));
    QCOMPARE(client.exitCode(), exitCode);
    QCOMPARE(client.out(), QByteArray());
    QCOMPARE(client.errLines(),
             QList<QByteArray>{message.replace(QStringLiteral("{tmp}"), folder.path()).toUtf8()});
}

// Three relays on three lines at once: A (address 5) and B on serial ports,
// C behind a gateway whose cable is pulled while its second record is read.
// A and B give everything; C keeps what it gave before, with no file of the
// record it lost, and is said to have failed. A second run finds nothing new.
void TestCollect::substationIsCollectedAndOnlyNewRecordsTheSecondTime()
{
    TestRelay relayA(5);
    TestRelay relayB(1);
    TestRelay relayC(TestRelay::Line::RtuOverTcp, 7);
    QVERIFY(relayA.isValid() && relayB.isValid() && relayC.isValid());
    for (TestRelay* relay : {&relayA, &relayB, &relayC}) {
        relaycontent::loadRegisters(relay->content());
        relaycontent::loadRecords(*relay, 1);
    }
    // B: records of another length (other bytes than A's), and slot 1 empty.
    relaycontent::loadRecords(relayB, 2);
    relayB.setFile(1, QByteArray(RelayMap::recordHeaderBytes, '\0'));
    // C: the first request for record 1's samples (past the header's
    // registers) pulls the cable.
    connect(&relayC, &TestRelay::requestReceived, &relayC, [&relayC](const QByteArray& frame) {
        if (asksForSamples(frame, 1))
            QTimer::singleShot(0, &relayC, [&relayC] { relayC.unplug(); });
    });

    QTemporaryDir folder;
    const QString out = folder.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(out));
    const QByteArray relaysAB =
        QStringLiteral(R"({"name": "ПС Северная, яч. 7", "port": "%1", "address": 5},
                          {"name": "ПС Северная, яч. 9", "port": "%2"})")
            .arg(relayA.portName(), relayB.portName())
            .toUtf8();
    const QByteArray relayGateway =
        QStringLiteral(R"({"name": "ПС Южная/2", "tcp": "127.0.0.1:%1", "address": 7})")
            .arg(relayC.tcpPort())
            .toUtf8();
    const QString all = folder.filePath(QStringLiteral("all.json"));
    const QString twoOnly = folder.filePath(QStringLiteral("two.json"));
    QVERIFY(writeFile(all, "{\"relays\": [" + relaysAB + ", " + relayGateway + "]}"));
    QVERIFY(writeFile(twoOnly, "{\"relays\": [" + relaysAB + "]}"));

    ClientProcess client(QStringLiteral(TALVIK_CLIENT_PATH));
    client.start({"collect", all, "--out", out, "--json", "--char-interval", "40"});
    QVERIFY(client.waitForExit(collectMs));
    QCOMPARE(client.exitCode(), 3);
    const QJsonArray results = QJsonDocument::fromJson(client.out()).array();
    QCOMPARE(results.size(), 3);
    const QString names[] = {"ПС Северная, яч. 7", "ПС Северная, яч. 9", "ПС Южная/2"};
    const int records[] = {3, 2, 1};
    for (int n = 0; n < 3; ++n) {
        const QJsonObject result = results.at(n).toObject();
        QCOMPARE(result.value("name").toString(), names[n]);
        QCOMPARE(result.value("records").toInt(), records[n]);
        QVERIFY(result.value("events").toInt() > 0);
        QCOMPARE(result.value("result").toString(), n < 2 ? "ok" : "failed");
        QCOMPARE(result.value("error").isNull(), n < 2);
    }
    QVERIFY2(results.at(2).toObject().value("error").toString().startsWith("Нет связи по сети"),
             client.err().constData());

    // A's files are the window's, and C's folder holds whole files only.
    QTemporaryDir expected;
    QStringList filesA{"journal.csv", "settings.json"};
    for (int n = 0; n < RelayMap::recordFileCount; ++n) {
        const QString base = expectedRecord(relaycontent::faultRecord(n, 1), expected.path());
        filesA << base + ".cfg" << base + ".dat";
        QCOMPARE(readFile(out + "/ПС Северная, яч. 7/" + base + ".dat"),
                 readFile(expected.filePath(base + ".dat")));
    }
    filesA.sort();
    QCOMPARE(hidden(out + "/ПС Северная, яч. 7"), filesA.join(' '));
    const QString baseC = expectedRecord(relaycontent::faultRecord(0, 1), expected.path());
    QCOMPARE(
        hidden(out + "/ПС Южная_2"),
        QStringList({baseC + ".cfg", baseC + ".dat", "journal.csv", "settings.json"}).join(' '));

    {
        Archive archive;
        QVERIFY(archive.open(client.dataFolder() + "/talvik/archive.sqlite"));
        for (int n = 0; n < 3; ++n)
            QCOMPARE(recordsKept(archive, names[n]), records[n]);
    }

    client.start({"collect", twoOnly});
    QVERIFY(client.waitForExit(quickMs));
    QCOMPARE(client.exitCode(), 0);
    const QList<QByteArray> table = client.outLines();
    QCOMPARE(table.size(), 3);
    for (int n = 0; n < 2; ++n)
        QVERIFY2(table.at(n + 1).startsWith((names[n] + "\tготово\t0\t0\t").toUtf8()),
                 table.at(n + 1).constData());
}

// Two relays behind one gateway (the test relay under two names) share the
// line: one after the other. The gateway drops the first one's connection
// while its second record is read; the second relay goes on a new
// connection, then the first is tried once more and goes on from its
// records, keeping its settings and journal once.
void TestCollect::relayLostOnItsLineGoesOnAfterTheOthersFromWhereItFailed()
{
    TestRelay gateway(TestRelay::Line::RtuOverTcp, 1);
    QVERIFY(gateway.isValid());
    relaycontent::loadRegisters(gateway.content());
    relaycontent::loadRecords(gateway, 1);
    bool dropped = false;
    connect(&gateway, &TestRelay::requestReceived, &gateway, [&](const QByteArray& frame) {
        if (!dropped && asksForSamples(frame, 1)) {
            dropped = true;
            QTimer::singleShot(0, &gateway, [&gateway] { gateway.dropConnection(); });
        }
    });
    QTemporaryDir folder;
    const QString inventory = folder.filePath(QStringLiteral("inv.json"));
    QVERIFY(writeFile(inventory,
                      QStringLiteral(R"({"relays": [{"name": "Первое", "tcp": "127.0.0.1:%1"},
                                                             {"name": "Второе", "tcp": "127.0.0.1:%1"}]})")
                          .arg(gateway.tcpPort())
                          .toUtf8()));

    ClientProcess client(QStringLiteral(TALVIK_CLIENT_PATH));
    client.start({"collect", inventory, "--json"});
    QVERIFY(client.waitForExit(collectMs));
    QCOMPARE(client.exitCode(), 0);
    const QJsonArray results = QJsonDocument::fromJson(client.out()).array();
    QCOMPARE(results.size(), 2);
    for (const QJsonValue& result : results)
        QCOMPARE(result.toObject().value("records").toInt(), RelayMap::recordFileCount);
    const QList<QByteArray> progress = client.errLines();
    const int failed =
        progress.indexOf("Первое: сбой: Не удалось считать осциллограмму 1: связь по "
                         "сети прервана: Соединение с 127.0.0.1:" +
                         QByteArray::number(gateway.tcpPort()) + " разорвано.");
    QVERIFY2(failed >= 0, client.err().constData());
    QVERIFY(progress.indexOf("Второе: готово") > failed);
    QCOMPARE(progress.last(), QByteArray("Первое: готово"));
    QCOMPARE(gateway.connectionCount(), 2);

    Archive archive;
    QVERIFY(archive.open(client.dataFolder() + "/talvik/archive.sqlite"));
    QCOMPARE(itemsKept(archive, "Первое", ArchiveKind::Settings), 1);
    QCOMPARE(itemsKept(archive, "Первое", ArchiveKind::Journal), 1);
    QCOMPARE(recordsKept(archive, "Первое"), RelayMap::recordFileCount);
}

QTEST_GUILESS_MAIN(TestCollect)
#include "tst_collect.moc"
