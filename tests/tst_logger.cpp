#include "base/LogFile.h"
#include "base/LogMemory.h"
#include "base/Logger.h"
#include "ui/ListLogSink.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTime>

class TestLogger : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void levelIsShownUpToThreshold_data();
    void levelIsShownUpToThreshold();
    void noOutputDropsEverything();
    void sinkWithAFloorKeepsErrorsWhileTheLogIsOff();
    void formatsPrintfArguments();
    void decodesUtf8();
    void longMessageIsCutTo1023Bytes();
    void cutMultiByteCharacterBecomesReplacement();
    void listFollowsNewestLineWithoutChangingSelection();
    void pausedListKeepsItsCurrentLine();
    void timeStampsStartNewLinesOnlyWhenOn();
    void linesAreColouredByKindWithTextUnchanged_data();
    void linesAreColouredByKindWithTextUnchanged();
    void logFileStartsANewFileEachDayAndAtItsSizeLimit();
    void logFileKeepsThirtyDays();

private:
    QListWidget* list = nullptr;
    ListLogSink* sink = nullptr;
};

void TestLogger::init()
{
    list = new QListWidget;
    sink = new ListLogSink(list);
    Logger::instance().setLevel(static_cast<int>(LogLevel::Debug));
}

void TestLogger::cleanup()
{
    delete sink;
    sink = nullptr;
    delete list;
    list = nullptr;
}

void TestLogger::levelIsShownUpToThreshold_data()
{
    QTest::addColumn<int>("threshold");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("disabled") << 0 << QStringList();
    QTest::newRow("errors") << 1 << QStringList{"error"};
    QTest::newRow("info") << 2 << QStringList{"error", "info"};
    QTest::newRow("debug") << 3 << QStringList{"error", "info", "debug"};
}

void TestLogger::levelIsShownUpToThreshold()
{
    QFETCH(int, threshold);
    QFETCH(QStringList, expected);

    Logger::instance().setLevel(threshold);
    logError("error");
    logInfo("info");
    logDebug("debug");

    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown << list->item(i)->text();
    QCOMPARE(shown, expected);
}

void TestLogger::noOutputDropsEverything()
{
    Logger::instance().removeSink(sink);
    logError("lost");
    Logger::instance().addSink(sink);
    QCOMPARE(list->count(), 0);
}

void TestLogger::sinkWithAFloorKeepsErrorsWhileTheLogIsOff()
{
    LogMemory memory;
    Logger::instance().addSink(&memory, static_cast<int>(LogLevel::Error));
    Logger::instance().setLevel(static_cast<int>(LogLevel::Disabled));
    logError("port gone");
    logInfo("not kept");
    Logger::instance().setLevel(static_cast<int>(LogLevel::Info));
    logInfo("kept");
    Logger::instance().removeSink(&memory);

    QCOMPARE(list->count(), 1);
    QCOMPARE(memory.errors().size(), 1);
    QVERIFY(memory.errors().first().endsWith(" port gone"));
    QCOMPARE(memory.lines().size(), 2);
    QVERIFY(memory.lines().last().endsWith(" kept"));
}

void TestLogger::formatsPrintfArguments()
{
    logInfo("ReadHoldingRegs startReg = %d Count = %d", 0, 32);
    logError("Код ошибки: 0x%X", 2);
    QCOMPARE(list->item(0)->text(), QStringLiteral("ReadHoldingRegs startReg = 0 Count = 32"));
    QCOMPARE(list->item(1)->text(), QStringLiteral("Код ошибки: 0x2"));
}

void TestLogger::decodesUtf8()
{
    logError("Таймаут ответа!");
    QCOMPARE(list->item(0)->text(), QStringLiteral("Таймаут ответа!"));
}

void TestLogger::longMessageIsCutTo1023Bytes()
{
    const QByteArray longText(2000, 'x');
    logDebug("%s", longText.constData());
    QCOMPARE(list->item(0)->text(), QString(1023, QLatin1Char('x')));
}

void TestLogger::cutMultiByteCharacterBecomesReplacement()
{
    // 1022 ASCII bytes and a two-byte character: only its first byte fits.
    const QByteArray text = QByteArray(1022, 'a') + "Ж";
    logDebug("%s", text.constData());
    const QString line = list->item(0)->text();
    QCOMPARE(line.left(1022), QString(1022, QLatin1Char('a')));
    QCOMPARE(line.mid(1022), QString(QChar::ReplacementCharacter));
}

void TestLogger::listFollowsNewestLineWithoutChangingSelection()
{
    logInfo("first");
    logInfo("second");
    list->setCurrentRow(0);
    QVERIFY(list->item(0)->isSelected());

    logInfo("third");
    QCOMPARE(list->currentRow(), 2);
    QVERIFY(list->item(0)->isSelected());
    QVERIFY(!list->item(2)->isSelected());
}

void TestLogger::pausedListKeepsItsCurrentLine()
{
    logInfo("first");
    logInfo("second");
    list->setCurrentRow(0);
    sink->setFollowing(false);
    logInfo("third");
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->currentRow(), 0);
    sink->setFollowing(true);
    logInfo("fourth");
    QCOMPARE(list->currentRow(), 3);
}

void TestLogger::timeStampsStartNewLinesOnlyWhenOn()
{
    logInfo("before");
    sink->setTimeStamps(true);
    const QTime start = QTime::currentTime();
    logInfo("stamped %d", 1);
    sink->setTimeStamps(false);
    logInfo("after");

    QCOMPARE(list->item(0)->text(), QStringLiteral("before"));
    QCOMPARE(list->item(2)->text(), QStringLiteral("after"));
    const QString stamped = list->item(1)->text();
    const QRegularExpression shape("^(\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d) stamped 1$");
    const QRegularExpressionMatch match = shape.match(stamped);
    QVERIFY2(match.hasMatch(), qPrintable(stamped));
    const QTime stamp = QTime::fromString(match.captured(1), "hh:mm:ss.zzz");
    // Taken when the line was written (allowing for midnight in between).
    QVERIFY(qAbs(start.msecsTo(stamp)) < 5000 || qAbs(start.msecsTo(stamp)) > 86395000);
}

void TestLogger::linesAreColouredByKindWithTextUnchanged_data()
{
    // Level 4: a frame sent, 5: a frame received (its bytes given as hex).
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");

    using Kind = LogLineKind;
    QTest::newRow("sent frame") << 4 << "Отправлен пакет: 01 03 00 00 00 20" << int(Kind::Sent);
    QTest::newRow("received frame") << 5 << "Принят пакет: 01 03 02 00 0A" << int(Kind::Received);
    QTest::newRow("timeout") << 1 << "Таймаут ответа!" << int(Kind::Error);
    QTest::newRow("exception") << 1 << "Код ошибки: 0x2" << int(Kind::Error);
    QTest::newRow("request") << 2 << "ReadHoldingRegs startReg = 0 Count = 32" << int(Kind::Plain);
    QTest::newRow("closed port") << 3 << "Не могу отправить пакет. Порт закрыт."
                                 << int(Kind::Plain);
}

void TestLogger::linesAreColouredByKindWithTextUnchanged()
{
    QFETCH(int, level);
    QFETCH(QString, text);
    QFETCH(int, kind);

    sink->setTimeStamps(true);
    const QByteArray utf8 = text.toUtf8();
    const QByteArray frame = QByteArray::fromHex(text.section(QLatin1Char(':'), 1).toLatin1());
    const auto* bytes = reinterpret_cast<const uint8_t*>(frame.constData());
    switch (level) {
    case 4:
        logSentFrame(bytes, frame.size());
        break;
    case 5:
        logReceivedFrame(bytes, frame.size());
        break;
    case 1:
        logError("%s", utf8.constData());
        break;
    case 2:
        logInfo("%s", utf8.constData());
        break;
    default:
        logDebug("%s", utf8.constData());
        break;
    }
    QListWidgetItem* line = list->item(0);
    // Time stamp, one space, the message as it always was.
    QCOMPARE(line->text().mid(13), text);
    const QColor expected = ListLogSink::colourOf(LogLineKind(kind));
    if (LogLineKind(kind) == LogLineKind::Plain) {
        QCOMPARE(line->data(Qt::ForegroundRole), QVariant());
    } else {
        QCOMPARE(line->foreground().color(), expected);
    }
    // Three kinds, three colours.
    QVERIFY(ListLogSink::colourOf(LogLineKind::Sent) !=
            ListLogSink::colourOf(LogLineKind::Received));
    QVERIFY(ListLogSink::colourOf(LogLineKind::Error) != ListLogSink::colourOf(LogLineKind::Sent));
    QVERIFY(ListLogSink::colourOf(LogLineKind::Error) !=
            ListLogSink::colourOf(LogLineKind::Received));
}

namespace {

QStringList fileNames(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void TestLogger::logFileStartsANewFileEachDayAndAtItsSizeLimit()
{
    QTemporaryDir folder;
    QDateTime now(QDate(2026, 12, 8), QTime(23, 59, 59, 998));
    {
        LogFile log(LogFile::Mode::DailyInFolder, folder.path());
        log.setClock([&now] { return now; });
        log.setSizeLimit(60);
        log.logLine(2, LogLineKind::Sent, QStringLiteral("Отправлен пакет: 01 03"));
        now = now.addMSecs(3);
        log.logLine(2, LogLineKind::Plain, QStringLiteral("after midnight"));
        // 37 or so bytes a line: the second one passes 60 and closes the part.
        log.logLine(2, LogLineKind::Plain, QStringLiteral("second line"));
        log.logLine(2, LogLineKind::Plain, QStringLiteral("third line"));
        QVERIFY(log.isWriting());
    }
    QCOMPARE(
        fileNames(folder.path()),
        (QStringList{"talvik-2026-12-08.log", "talvik-2026-12-09.1.log", "talvik-2026-12-09.log"}));
    QCOMPARE(contents(folder.filePath("talvik-2026-12-08.log")),
             QByteArray("2026-12-08 23:59:59.998 Отправлен пакет: 01 03\n"));
    QCOMPARE(contents(folder.filePath("talvik-2026-12-09.log")),
             QByteArray("2026-12-09 00:00:00.001 after midnight\n"
                        "2026-12-09 00:00:00.001 second line\n"));
    // A restart on the same day goes on in the day's last part.
    LogFile again(LogFile::Mode::DailyInFolder, folder.path());
    again.setClock([&now] { return now; });
    QVERIFY(again.start());
    QCOMPARE(again.currentPath(), folder.filePath("talvik-2026-12-09.1.log"));

    // One named file is moved aside at its limit.
    const QString single = folder.filePath("single.log");
    LogFile file(LogFile::Mode::SingleFile, single);
    file.setClock([&now] { return now; });
    file.setSizeLimit(40);
    file.logLine(1, LogLineKind::Error, QStringLiteral("one"));
    file.logLine(1, LogLineKind::Error, QStringLiteral("two"));
    file.logLine(1, LogLineKind::Error, QStringLiteral("three"));
    QCOMPARE(contents(single + ".1"), QByteArray("2026-12-09 00:00:00.001 one\n"
                                                 "2026-12-09 00:00:00.001 two\n"));
    QCOMPARE(contents(single), QByteArray("2026-12-09 00:00:00.001 three\n"));
    // A file that cannot be written says so instead of taking lines silently.
    LogFile nowhere(LogFile::Mode::SingleFile, folder.filePath("missing/x.log"));
    QVERIFY(!nowhere.start());
    QVERIFY2(nowhere.errorText().startsWith(QStringLiteral("нет папки")),
             qPrintable(nowhere.errorText()));
}

void TestLogger::logFileKeepsThirtyDays()
{
    QTemporaryDir folder;
    const QStringList old{"talvik-2026-11-08.log",
                          "talvik-2026-11-08.3.log",
                          "talvik-2026-11-09.log",
                          "talvik-2026-11-10.log",
                          "notes.log",
                          "talvik-backup.log"};
    for (const QString& name : old) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    LogFile log(LogFile::Mode::DailyInFolder, folder.path());
    log.setClock([] { return QDateTime(QDate(2026, 12, 8), QTime(8, 0)); });
    log.logLine(2, LogLineKind::Plain, QStringLiteral("today"));
    // 8 December and the 29 days before it stay; what the log did not write stays too.
    QCOMPARE(fileNames(folder.path()),
             (QStringList{"notes.log", "talvik-2026-11-09.log", "talvik-2026-11-10.log",
                          "talvik-2026-12-08.log", "talvik-backup.log"}));
}

QTEST_MAIN(TestLogger)
#include "tst_logger.moc"
