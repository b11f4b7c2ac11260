#include "app/log/Logger.h"

#include <QListWidget>
#include <QTest>

class TestLogger : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void levelIsShownUpToThreshold_data();
    void levelIsShownUpToThreshold();
    void noOutputDropsEverything();
    void formatsPrintfArguments();
    void decodesUtf8();
    void longMessageIsCutTo1023Bytes();
    void cutMultiByteCharacterBecomesReplacement();
    void listFollowsNewestLineWithoutChangingSelection();

private:
    QListWidget* list = nullptr;
};

void TestLogger::init()
{
    list = new QListWidget;
    Logger::instance().setOutput(list);
    Logger::instance().setLevel(static_cast<int>(LogLevel::Debug));
}

void TestLogger::cleanup()
{
    Logger::instance().setOutput(nullptr);
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
    Logger::instance().setOutput(nullptr);
    logError("lost");
    Logger::instance().setOutput(list);
    QCOMPARE(list->count(), 0);
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

QTEST_MAIN(TestLogger)
#include "tst_logger.moc"
