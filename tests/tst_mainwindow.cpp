#include "app/AppSettings.h"
#include "app/MainWindow.h"
#include "base/Logger.h"
#include "base/QtTranslation.h"
#include "relay/ModBusDevice.h"
#include "relay/SettingCatalog.h"
#include "support/EventWait.h"
#include "support/MainWindowTestAccess.h"
#include "support/ModalCloser.h"
#include "support/PtyPair.h"
#include "support/ShortLineTiming.h"
#include "ui/EventsReadDialog.h"
#include "ui/IVisualizer.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDateTime>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSerialPort>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

using windowtest::acceptSettings;
using windowtest::action;
using windowtest::answerChanges;
using windowtest::child;
using windowtest::logLines;
using windowtest::readFile;
using windowtest::Settings;

void answerPassword(ModalCloser& closer, int password, bool accept = true)
{
    closer.expectDialog([password, accept](QDialog* dialog) {
        child<QSpinBox>(dialog, "sbPassword")->setValue(password);
        return accept;
    });
}

QStringList writeLines(MainWindow& window)
{
    return logLines(window).filter(QRegularExpression("^Write"));
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    // Whole readings from the demo relay, at a quarter of its answer delay.
    void initTestCase() { shortenLineTiming(); }
    void init();
    void cleanup();

    void startsUnconfiguredWithLogDisabled();
    void startWithoutSettingsShowsPortErrorAndStaysIdle();
    void portErrorNamesPortReasonAndDialoutHint_data();
    void portErrorNamesPortReasonAndDialoutHint();
    void portErrorOfARealPortNamesIt();
    void demoPollingReadsRegistersAndRefreshesEditors();
    void configureWhilePollingIsRefused();
    void cancelledSettingsReachNothing();
    void stopDiscardsQueuedRequestsAndClosesPort();
    void errorsModeLogsTimeoutsOnly();
    void logSaveWritesCrLfLines_data();
    void logSaveWritesCrLfLines();
    void logSaveToUnwritablePathWarns();

    void saveChangesWithoutModificationSendsNothing();
    void saveChangesWritesPasswordBeforeEachValue();
    void cancelledPasswordWritesNothing();
    void resetChangesRestoresRelayValues();
    void comparisonOfTwoFilesLeavesOutTheIgnoredAndKeepsTheList();
    void remoteCommandsPulseTheirCoil_data();
    void remoteCommandsPulseTheirCoil();
    void commandButtonsWorkOnlyWhilePolling();

    void savedSettingsLoadBackThroughDemoRelay();
    void invalidSettingsFileIsReported();
    void settingsSheetListsEverySettingInHtmlAndPdf();

    void settingsExportNeedsAnsweredPoll();
    void staleSettingsExportAsksWithAge();
    void saveDialogsAddTheirExtension();
    void indicatorsIgnoreClicksAndKeys();
    void closingWithUnwrittenChangesAsks_data();
    void closingWithUnwrittenChangesAsks();
    void closingDuringJournalReadingAsks();

    void readHeadersListsDemoRecordsAndResumesPolling();
    void keyboardChoiceOfRecordIsTheOneSaved();
    void saveCrashWritesComtradePair();
    void cancelledFolderDialogEmptiesSaveFolder();
    void journalIsReadBehindProgressDialog();
    void overlappingReadingsResumePollingOnlyAfterTheLast();
    void qtStandardTextsAreRussian();

private:
    MainWindow* window = nullptr;
    ModalCloser* closer = nullptr;
};

void TestMainWindow::init()
{
    window = new MainWindow;
    window->show();
    closer = new ModalCloser;
}

void TestMainWindow::cleanup()
{
    delete closer;
    closer = nullptr;
    delete window;
    window = nullptr;
}

void TestMainWindow::startsUnconfiguredWithLogDisabled()
{
    MainWindowTestAccess access(*window);
    QCOMPARE(window->windowTitle(), QStringLiteral("TALVIK Клиент"));
    QVERIFY(action(*window, "actionLogDisable")->isChecked());
    QCOMPARE(Logger::instance().level(), 0);
    QCOMPARE(access.visualizerCount(), 81);
    QVERIFY(!access.polling());
    QVERIFY(!access.port()->isOpen());

    auto* pages = child<QListWidget>(window, "pagesList");
    auto* stack = child<QStackedWidget>(window, "displayPages");
    pages->setCurrentRow(2);
    QCOMPARE(stack->currentIndex(), 2);
}

void TestMainWindow::startWithoutSettingsShowsPortErrorAndStaysIdle()
{
    MainWindowTestAccess access(*window);
    closer->expectMessageBox();
    action(*window, "actionStart")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    QCOMPARE(closer->seen.size(), 1);
    QCOMPARE(closer->seen[0].title, QStringLiteral("Ошибка открытия порта"));
    QVERIFY(closer->seen[0].text.startsWith(QStringLiteral(
        "Невозможно открыть порт, проверьте настройки\n\nПорт: не выбран\nПричина: ")));
    QVERIFY(!access.polling());
}

void TestMainWindow::portErrorNamesPortReasonAndDialoutHint_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("permissionDenied");
    QTest::addColumn<QString>("text");

    QTest::newRow("missing device")
        << "/dev/ttyUSB0" << false
        << "Невозможно открыть порт, проверьте настройки\n\nПорт: /dev/ttyUSB0\nПричина: reason";
    QTest::newRow("no permission")
        << "/dev/ttyS0" << true
        << "Невозможно открыть порт, проверьте настройки\n\nПорт: /dev/ttyS0\nПричина: reason\n\n"
           "Нет доступа к порту: пользователь должен входить в группу dialout (sudo usermod -aG "
           "dialout $USER, затем войти в систему заново).";
}

void TestMainWindow::portErrorNamesPortReasonAndDialoutHint()
{
    QFETCH(QString, port);
    QFETCH(bool, permissionDenied);
    QFETCH(QString, text);
    QCOMPARE(MainWindow::portOpenErrorText(port, permissionDenied, "reason"), text);
}

void TestMainWindow::portErrorOfARealPortNamesIt()
{
    Settings settings;
    settings.demo = false;
    settings.portName = QStringLiteral("/dev/talvik-no-such-port");
    QVERIFY(acceptSettings(*window, *closer, settings));
    closer->expectMessageBox();
    action(*window, "actionStart")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    const QString text = closer->seen.last().text;
    QVERIFY2(text.contains(QStringLiteral("Порт: /dev/talvik-no-such-port\nПричина: ")),
             qPrintable(text));
    // The system's own reason follows, whatever its wording.
    QVERIFY(text.section(QStringLiteral("Причина: "), 1).size() > 0);
}

void TestMainWindow::demoPollingReadsRegistersAndRefreshesEditors()
{
    MainWindowTestAccess access(*window);
    QVERIFY(acceptSettings(*window, *closer, Settings{}));
    action(*window, "actionStart")->trigger();
    QVERIFY(access.polling());
    QVERIFY(!access.port()->isOpen());

    // The demo relay starts with register 8 (МТЗ-1 on) set to 1.
    TRY_COMPARE(access.device()->getRegister(8), uint16_t(1), 3000);
    TRY_COMPARE(child<QComboBox>(window, "cbMTZ1_On")->currentIndex(), 1, 3000);
}

void TestMainWindow::configureWhilePollingIsRefused()
{
    QVERIFY(acceptSettings(*window, *closer, Settings{}));
    action(*window, "actionStart")->trigger();

    closer->expectMessageBox();
    action(*window, "actionConfigure")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    QCOMPARE(closer->seen.last().title, QStringLiteral("Внимание"));
    QCOMPARE(closer->seen.last().text, QStringLiteral("Остановите опрос"));

    action(*window, "actionStop")->trigger();
    closer->expectDialog([](QDialog*) { return false; });
    action(*window, "actionConfigure")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    QCOMPARE(closer->seen.last().title, QStringLiteral("Настройки связи"));
    for (const ModalCloser::Seen& seen : qAsConst(closer->seen))
        QVERIFY(seen.expected);
}

void TestMainWindow::cancelledSettingsReachNothing()
{
    MainWindowTestAccess access(*window);
    QVERIFY(acceptSettings(*window, *closer, Settings{}));
    action(*window, "actionStart")->trigger();
    QCOMPARE(access.refreshTimer()->interval(), 1000);

    // A period, an address and the demo flag changed in a cancelled dialog
    // reach nothing: not the timers, not the readers, not the link.
    closer->expectMessageBox();
    action(*window, "actionConfigure")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    action(*window, "actionStop")->trigger();
    closer->expectDialog([](QDialog* dialog) {
        child<QSpinBox>(dialog, "spinInterval")->setValue(3);
        child<QSpinBox>(dialog, "spinAddress")->setValue(42);
        child<QCheckBox>(dialog, "cbDemoMode")->setChecked(false);
        return false;
    });
    action(*window, "actionConfigure")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());

    action(*window, "actionStart")->trigger();
    action(*window, "actionStart")->trigger();
    QVERIFY(access.polling());
    QCOMPARE(access.refreshTimer()->interval(), 1000);
    // Still the demo relay at address 1, which answers.
    QVERIFY(!access.port()->isOpen());
    TRY_COMPARE(access.device()->getRegister(8), uint16_t(1), 3000);

    // Reopened, the dialog shows what was accepted.
    action(*window, "actionStop")->trigger();
    int address = 0;
    int period = 0;
    bool demo = false;
    closer->expectDialog([&](QDialog* dialog) {
        address = child<QSpinBox>(dialog, "spinAddress")->value();
        period = child<QSpinBox>(dialog, "spinInterval")->value();
        demo = child<QCheckBox>(dialog, "cbDemoMode")->isChecked();
        return false;
    });
    action(*window, "actionConfigure")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    QCOMPARE(address, 1);
    QCOMPARE(period, 1);
    QVERIFY(demo);
}

void TestMainWindow::stopDiscardsQueuedRequestsAndClosesPort()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    MainWindowTestAccess access(*window);
    Settings settings;
    settings.demo = false;
    settings.portName = pty.slavePath();
    QVERIFY(acceptSettings(*window, *closer, settings));

    action(*window, "actionStart")->trigger();
    QVERIFY(access.port()->isOpen());
    QVERIFY(access.polling());

    // Nobody answers on the pty: the first pulse write is outstanding, the
    // second waits in the queue.
    closer->expectMessageBox(QMessageBox::Yes);
    child<QPushButton>(window, "btnKvit")->click();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    const QByteArray first = pty.readMaster(8, 2000);
    QCOMPARE(first, QByteArray::fromHex("01050000ff008c3a"));

    action(*window, "actionStop")->trigger();
    QVERIFY(!access.polling());
    QVERIFY(!access.port()->isOpen());
    // Until the outstanding write has timed out and the window for its late
    // answer has passed: the dropped second write would go out then.
    TRY_VERIFY(access.client()->state() == ModBusClient::State::Idle, 3000);
    QCOMPARE(access.client()->queuedCount(), 0);
    QCOMPARE(pty.readMasterAvailable(), QByteArray());

    // Stop while idle does nothing; Start opens the port again.
    action(*window, "actionStop")->trigger();
    action(*window, "actionStart")->trigger();
    QVERIFY(access.port()->isOpen());
}

void TestMainWindow::errorsModeLogsTimeoutsOnly()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    Settings settings;
    settings.demo = false;
    settings.portName = pty.slavePath();
    QVERIFY(acceptSettings(*window, *closer, settings));
    action(*window, "actionLogErrors")->trigger();
    QCOMPARE(Logger::instance().level(), 1);

    // One answered write, then one that times out.
    MainWindowTestAccess access(*window);
    QVERIFY(access.port()->open(QIODevice::ReadWrite));
    access.device()->writeCoil(1, true);
    access.device()->writeCoil(1, false);
    QCOMPARE(pty.readMaster(8, 2000), QByteArray::fromHex("01050001ff00ddfa"));
    QVERIFY(pty.writeMaster(QByteArray::fromHex("01050001ff00ddfa")));
    TRY_COMPARE(logLines(*window), QStringList{"Таймаут ответа!"}, 3000);

    // Choosing the checked mode again changes nothing; Disabled silences.
    action(*window, "actionLogErrors")->trigger();
    QCOMPARE(Logger::instance().level(), 1);
    action(*window, "actionLogDisable")->trigger();
    QCOMPARE(Logger::instance().level(), 0);
    QCOMPARE(logLines(*window).size(), 1);
}

void TestMainWindow::logSaveWritesCrLfLines_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("two items") << QStringList{"a", "b"} << QByteArray::fromHex("610d0a620d0a");
    QTest::newRow("empty list") << QStringList() << QByteArray();
}

void TestMainWindow::logSaveWritesCrLfLines()
{
    QFETCH(QStringList, items);
    QFETCH(QByteArray, bytes);

    QTemporaryDir dir;
    const QString path = dir.filePath("traffic.log");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("older and longer content");
    old.close();

    child<QListWidget>(window, "listLog")->addItems(items);
    closer->expectFileDialog(path);
    action(*window, "actionSaveLog")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    QCOMPARE(closer->seen.size(), 1);
    QCOMPARE(closer->seen[0].title, QStringLiteral("Выберите имя файла"));
    QCOMPARE(readFile(path), bytes);
}

void TestMainWindow::logSaveToUnwritablePathWarns()
{
    QTemporaryDir dir;
    child<QListWidget>(window, "listLog")->addItem("a");
    closer->expectFileDialog(dir.filePath("missing/folder/traffic.log"));
    closer->expectMessageBox();
    action(*window, "actionSaveLog")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    QCOMPARE(closer->seen.size(), 2);
    QCOMPARE(closer->seen[1].title, QStringLiteral("Ошибка"));
    QCOMPARE(closer->seen[1].text, QStringLiteral("Неверное имя файла."));
}

void TestMainWindow::saveChangesWithoutModificationSendsNothing()
{
    QVERIFY(acceptSettings(*window, *closer, Settings{}));
    action(*window, "actionLogInfo")->trigger();

    answerPassword(*closer, 0x1234);
    closer->expectMessageBox();
    action(*window, "actionSaveChanges")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    QCOMPARE(closer->seen[0].title, QStringLiteral("Ввод пароля"));
    QCOMPARE(closer->seen[1].title, QStringLiteral("Демонстрационный режим"));
    QCOMPARE(closer->seen[1].text,
             QStringLiteral("Вы работаете в демонстрационном режиме.<br>Значения не будут "
                            "записаны в устройство"));
    eventwait::spin(50);
    QCOMPARE(writeLines(*window), QStringList());
    QCOMPARE(window->focusWidget(), child<QListWidget>(window, "pagesList"));
}

void TestMainWindow::saveChangesWritesPasswordBeforeEachValue()
{
    MainWindowTestAccess access(*window);
    QVERIFY(acceptSettings(*window, *closer, Settings{}));
    action(*window, "actionLogInfo")->trigger();

    child<QDoubleSpinBox>(window, "sbMTZ1_I")->setValue(1.5);
    child<QComboBox>(window, "cbAPV_On")->setCurrentIndex(1);

    // The list comes before the password: each setting with the relay's value
    // and the new one, as the window shows them.
    QStringList rows;
    answerChanges(*closer, true, &rows);
    answerPassword(*closer, 0);
    closer->expectMessageBox();
    // Once both writes are answered, the values are read back.
    closer->expectMessageBox();
    action(*window, "actionSaveChanges")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    QCOMPARE(closer->seen[0].title, QStringLiteral("Запись уставок"));
    QCOMPARE(closer->seen[1].title, QStringLiteral("Ввод пароля"));
    QCOMPARE(rows, (QStringList{"МТЗ-1 › Iсраб | 0.0 А | 1.5 А | 9",
                                "АПВ › Работа АПВ | Откл | АПВ1 крат | 48"}));
    QCOMPARE(closer->seen[3].text, QStringLiteral("Записаны 2 уставки"));
    QCOMPARE(closer->seen[3].icon, QMessageBox::Information);

    TRY_COMPARE(writeLines(*window).filter(" ответ").size(), 4, 2000);
    QCOMPARE(writeLines(*window).filter("startReg"),
             (QStringList{"WriteMultipleRegs startReg = 71 Count = 1",
                          "WriteMultipleRegs startReg = 9 Count = 1",
                          "WriteMultipleRegs startReg = 71 Count = 1",
                          "WriteMultipleRegs startReg = 48 Count = 1"}));

    // The relay took the values: a poll brings them into the image.
    access.device()->refresh();
    TRY_COMPARE(access.device()->getRegister(9), uint16_t(150), 2000);
    QCOMPARE(access.device()->getRegister(48), uint16_t(1));
    QCOMPARE(access.device()->getRegister(71), uint16_t(0));
}

void TestMainWindow::cancelledPasswordWritesNothing()
{
    QVERIFY(acceptSettings(*window, *closer, Settings{}));
    action(*window, "actionLogInfo")->trigger();
    child<QDoubleSpinBox>(window, "sbMTZ1_I")->setValue(1.5);

    answerChanges(*closer, true);
    answerPassword(*closer, 0x1234, false);
    action(*window, "actionSaveChanges")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    eventwait::spin(50);
    QCOMPARE(closer->seen.size(), 2);
    QCOMPARE(writeLines(*window), QStringList());

    // Cancel in the list: not even the password is asked.
    closer->seen.clear();
    answerChanges(*closer, false);
    action(*window, "actionSaveChanges")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    eventwait::spin(50);
    QCOMPARE(closer->seen.size(), 1);
    QCOMPARE(writeLines(*window), QStringList());
    QVERIFY(child<QDoubleSpinBox>(window, "sbMTZ1_I")->font().bold());
}

// Registers 8..20 in two files; the second differs at 8, 18 and 20, and 18
// is on the ignore list already. Ticking 8 leaves it out too, and the store
// keeps the list for the next comparison.
void TestMainWindow::comparisonOfTwoFilesLeavesOutTheIgnoredAndKeepsTheList()
{
    QTemporaryDir dir;
    const auto writeFile = [&dir](const QString& name, const QList<uint16_t>& changed) {
        QJsonArray values;
        for (int reg = 8; reg <= 20; ++reg)
            values.append(changed.contains(static_cast<uint16_t>(reg)) ? 3 : 1);
        const QJsonObject range{{"start", 8}, {"length", values.size()}, {"values", values}};
        QFile file(dir.filePath(name));
        return file.open(QIODevice::WriteOnly) &&
               file.write(QJsonDocument(QJsonObject{{"regs", QJsonArray{range}}}).toJson()) > 0;
    };
    QVERIFY(writeFile("feeder1.json", {}));
    QVERIFY(writeFile("feeder2.json", {8, 18, 20}));
    QSettings store(dir.filePath("store.ini"), QSettings::IniFormat);
    AppSettings(&store).setIgnoredInComparison({18});
    MainWindow stored(nullptr, &store);

    QStringList summaries;
    QList<uint16_t> ignoredRows;
    closer->expectFileDialog(dir.filePath("feeder1.json"));
    closer->expectFileDialog(dir.filePath("feeder2.json"));
    closer->expectDialog([&](QDialog* dialog) {
        auto* table = dialog->findChild<QTableWidget*>("tableChanges");
        auto* summary = dialog->findChild<QLabel*>("labelSummary");
        summaries << summary->text();
        for (int row = 0; row < table->rowCount(); ++row) {
            QTableWidgetItem* box = table->item(row, 4);
            if (box->checkState() == Qt::Checked)
                ignoredRows << static_cast<uint16_t>(box->data(Qt::UserRole).toUInt());
            if (box->data(Qt::UserRole).toUInt() == 8)
                box->setCheckState(Qt::Checked);
        }
        summaries << summary->text();
        return false;
    });
    action(stored, "actionCompareFiles")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());

    QCOMPARE(ignoredRows, QList<uint16_t>{18});
    QCOMPARE(summaries, (QStringList{"Отличаются: 2. Совпадают: 10. 1 уставка не сравнивалась.",
                                     "Отличаются: 1. Совпадают: 10. 2 уставки не сравнивались."}));
    QCOMPARE(AppSettings(&store).ignoredInComparison(), (QSet<uint16_t>{8, 18}));
}

void TestMainWindow::resetChangesRestoresRelayValues()
{
    QVERIFY(acceptSettings(*window, *closer, Settings{}));
    action(*window, "actionLogInfo")->trigger();
    auto* current = child<QDoubleSpinBox>(window, "sbMTZ1_T");
    const double before = current->value();
    current->setValue(before + 1.0);
    QVERIFY(current->font().bold());

    action(*window, "actionResetChanges")->trigger();
    QCOMPARE(current->value(), before);
    QVERIFY(!current->font().bold());
    eventwait::spin(50);
    QCOMPARE(logLines(*window), QStringList());
}

void TestMainWindow::remoteCommandsPulseTheirCoil_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("coil");

    QTest::newRow("Квитирование") << "btnKvit" << 0;
    QTest::newRow("DO1") << "btnDO1" << 1;
    QTest::newRow("DO2") << "btnDO2" << 2;
    QTest::newRow("DO3_1") << "btnDO3_1" << 3;
    QTest::newRow("DO4") << "btnDO4" << 4;
    QTest::newRow("DO5") << "btnDO5" << 5;
    QTest::newRow("DO6") << "btnDO6" << 6;
    QTest::newRow("DO3_2") << "btnDO3_2" << 7;
}

void TestMainWindow::remoteCommandsPulseTheirCoil()
{
    QFETCH(QString, button);
    QFETCH(int, coil);

    QVERIFY(acceptSettings(*window, *closer, Settings{}));
    action(*window, "actionStart")->trigger();
    action(*window, "actionLogInfo")->trigger();
    auto* pushButton = child<QPushButton>(window, button.toLatin1().constData());

    // Asked first, the demo warning before the question; No sends nothing.
    closer->expectMessageBox();
    closer->expectMessageBox(QMessageBox::No);
    pushButton->click();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    QCOMPARE(closer->seen[0].title, QStringLiteral("Демонстрационный режим"));
    QCOMPARE(closer->seen[1].text,
             QStringLiteral("Выполнить команду «%1»?").arg(pushButton->text()));
    QCOMPARE(closer->seen[1].defaultButton, QMessageBox::No);
    eventwait::spin(50);
    QCOMPARE(writeLines(*window), QStringList());

    closer->expectMessageBox();
    closer->expectMessageBox(QMessageBox::Yes);
    pushButton->click();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    TRY_COMPARE(writeLines(*window).filter(" ответ").size(), 2, 2000);
    QCOMPARE(writeLines(*window).filter("coilAddress"),
             (QStringList{QString("WriteCoil coilAddress = %1 Value = 1").arg(coil),
                          QString("WriteCoil coilAddress = %1 Value = 0").arg(coil)}));
}

void TestMainWindow::commandButtonsWorkOnlyWhilePolling()
{
    auto* kvit = child<QPushButton>(window, "btnKvit");
    QVERIFY(!kvit->isEnabled());
    QVERIFY(acceptSettings(*window, *closer, Settings{}));
    QVERIFY(!child<QPushButton>(window, "btnDO6")->isEnabled());
    action(*window, "actionStart")->trigger();
    QVERIFY(kvit->isEnabled());
    QVERIFY(child<QPushButton>(window, "btnDO6")->isEnabled());
    action(*window, "actionStop")->trigger();
    QVERIFY(!kvit->isEnabled());
}

void TestMainWindow::savedSettingsLoadBackThroughDemoRelay()
{
    MainWindowTestAccess access(*window);
    QVERIFY(acceptSettings(*window, *closer, Settings{}));
    access.device()->refresh();
    TRY_COMPARE(access.device()->getRegister(8), uint16_t(1), 2000);
    TRY_VERIFY(access.device()->imageAgeMs() >= 0, 2000);

    QTemporaryDir dir;
    const QString path = dir.filePath("settings.json");
    closer->expectFileDialog(path);
    action(*window, "actionSaveConfig")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    closer->seen.clear();
    // Beside the ranges, the file says what it is; loading reads only "regs".
    const QJsonObject saved = QJsonDocument::fromJson(readFile(path)).object();
    QCOMPARE(saved["regs"].toArray().size(), 3);
    QCOMPARE(saved["address"].toInt(), 1);
    QCOMPARE(saved["program"].toObject()["name"].toString(), QStringLiteral("TALVIK Клиент"));
    QVERIFY(QDateTime::fromString(saved["saved"].toString(), Qt::ISODate).isValid());
    const QJsonArray settings = saved["settings"].toArray();
    QCOMPARE(settings.size(), 64); // every register of the file has an editor
    QMap<int, QJsonObject> byRegister;
    for (const QJsonValue setting : settings)
        byRegister.insert(setting.toObject()["register"].toInt(), setting.toObject());
    QCOMPARE(byRegister[8]["caption"].toString(), QStringLiteral("МТЗ-1 › Вкл/Откл"));
    QCOMPARE(byRegister[8]["value"].toString(), QStringLiteral("Вкл"));
    QCOMPARE(byRegister[9]["caption"].toString(), QStringLiteral("МТЗ-1 › Iсраб"));
    QCOMPARE(byRegister[9]["unit"].toString(), QStringLiteral("А"));
    // The demo relay's МТЗ-1 setting of 5 A.
    QCOMPARE(byRegister[9]["value"].toString(), QStringLiteral("5.0"));

    // The file as saved matches the relay: nothing to write.
    action(*window, "actionLogInfo")->trigger();
    closer->expectFileDialog(path);
    closer->expectMessageBox();
    action(*window, "actionLoadConfig")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    QCOMPARE(closer->seen[1].text,
             QStringLiteral("Уставки в файле совпадают с уставками реле. Записывать нечего."));
    QCOMPARE(closer->seen[1].icon, QMessageBox::Information);
    closer->seen.clear();

    // Three registers of the file differ: МТЗ-1 current 2.50 A (register 9),
    // its time 1.23 s (10) and auto-reclose on (48).
    QJsonObject root = QJsonDocument::fromJson(readFile(path)).object();
    QJsonArray ranges = root["regs"].toArray();
    QJsonObject first = ranges[0].toObject();
    QCOMPARE(first["start"].toInt(), 8);
    QJsonArray values = first["values"].toArray();
    QCOMPARE(values[0].toInt(), 1);
    values[1] = 250;
    values[2] = 123;
    values[40] = 1;
    first["values"] = values;
    ranges[0] = first;
    root["regs"] = ranges;
    QFile edited(path);
    QVERIFY(edited.open(QIODevice::WriteOnly));
    edited.write(QJsonDocument(root).toJson());
    edited.close();

    QStringList rows;
    closer->expectFileDialog(path);
    answerChanges(*closer, true, &rows);
    closer->expectMessageBox();
    answerPassword(*closer, 7);
    closer->expectMessageBox();
    action(*window, "actionLoadConfig")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    QCOMPARE(closer->seen[2].title, QStringLiteral("Демонстрационный режим"));
    // The three written registers read back as loaded.
    QCOMPARE(closer->seen[4].text, QStringLiteral("Записаны 3 уставки"));
    QCOMPARE(rows, (QStringList{"МТЗ-1 › Iсраб | 5.0 А | 2.5 А | 9",
                                "МТЗ-1 › Tсраб | 0.50 с | 1.23 с | 10",
                                "АПВ › Работа АПВ | Откл | АПВ1 крат | 48"}));
    TRY_COMPARE(writeLines(*window).filter("ответ").size(), 6, 5000);
    eventwait::spin(100);
    QCOMPARE(writeLines(*window).filter("startReg"),
             (QStringList{"WriteMultipleRegs startReg = 71 Count = 1",
                          "WriteMultipleRegs startReg = 9 Count = 1",
                          "WriteMultipleRegs startReg = 71 Count = 1",
                          "WriteMultipleRegs startReg = 10 Count = 1",
                          "WriteMultipleRegs startReg = 71 Count = 1",
                          "WriteMultipleRegs startReg = 48 Count = 1"}));

    access.device()->refresh();
    TRY_COMPARE(access.device()->getRegister(9), uint16_t(250), 2000);
    window->refresh();
    QCOMPARE(child<QDoubleSpinBox>(window, "sbMTZ1_I")->value(), 2.5);

    // Cancel in the list writes nothing.
    child<QListWidget>(window, "listLog")->clear();
    values[1] = 300;
    first["values"] = values;
    ranges[0] = first;
    root["regs"] = ranges;
    QVERIFY(edited.open(QIODevice::WriteOnly));
    edited.write(QJsonDocument(root).toJson());
    edited.close();
    closer->expectFileDialog(path);
    answerChanges(*closer, false);
    action(*window, "actionLoadConfig")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    eventwait::spin(100);
    QCOMPARE(writeLines(*window), QStringList());
}

void TestMainWindow::settingsSheetListsEverySettingInHtmlAndPdf()
{
    MainWindowTestAccess access(*window);
    QVERIFY(acceptSettings(*window, *closer, Settings{}));
    access.device()->refresh();
    TRY_VERIFY(access.device()->imageAgeMs() >= 0, 2000);

    QTemporaryDir dir;
    const QString object = QStringLiteral("ПС «Северная», яч. 7");
    auto answerSheet = [&](const QString& path) {
        closer->expectDialog([object](QDialog* dialog) {
            child<QLineEdit>(dialog, "lineObject")->setText(object);
            return true;
        });
        closer->expectFileDialog(path);
        action(*window, "actionExportSheet")->trigger();
        return closer->waitUntilDone();
    };
    QVERIFY2(answerSheet(dir.filePath("sheet.html")), closer->describe().constData());
    const QString html = QString::fromUtf8(readFile(dir.filePath("sheet.html")));
    QVERIFY(html.contains(object.toHtmlEscaped()));
    QVERIFY(html.contains(QStringLiteral("Демо")));
    for (const SettingDescription& description : SettingCatalog::all()) {
        QVERIFY2(
            html.contains(QStringLiteral("<td>%1</td>").arg(description.label.toHtmlEscaped())),
            qPrintable(description.caption()));
        QVERIFY(html.contains(QStringLiteral("<h3>%1</h3>").arg(description.group)));
    }
    // МТЗ-1 on, as the demo relay holds it.
    QVERIFY(html.contains(QStringLiteral("<td>Вкл/Откл</td><td>Вкл</td><td></td><td>8</td>")));

    // Without an extension the sheet is a PDF of one page or more.
    QVERIFY2(answerSheet(dir.filePath("sheet")), closer->describe().constData());
    const QByteArray pdf = readFile(dir.filePath("sheet.pdf"));
    QVERIFY(pdf.startsWith("%PDF-"));
    QVERIFY(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page ") +
                pdf.count("/Type /Page/") + pdf.count("/Type /Page>") >=
            1);
}

void TestMainWindow::invalidSettingsFileIsReported()
{
    QVERIFY(acceptSettings(*window, *closer, Settings{}));
    action(*window, "actionLogInfo")->trigger();

    QTemporaryDir dir;
    const QString path = dir.filePath("broken.json");
    QFile broken(path);
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("{ not json");
    broken.close();

    closer->expectFileDialog(path);
    closer->expectMessageBox();
    action(*window, "actionLoadConfig")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    QCOMPARE(closer->seen.last().title, QStringLiteral("Ошибка"));
    QCOMPARE(closer->seen.last().text, QStringLiteral("Неверный файл конфигурации."));
    eventwait::spin(50);
    QCOMPARE(writeLines(*window), QStringList());
}

void TestMainWindow::settingsExportNeedsAnsweredPoll()
{
    // Connected, but no poll answered: the image is all zeros.
    QVERIFY(acceptSettings(*window, *closer, Settings{}));
    closer->expectMessageBox();
    action(*window, "actionSaveConfig")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    eventwait::spin(100);
    QCOMPARE(closer->seen.size(), 1); // no file dialog follows
    QCOMPARE(closer->seen[0].title, QStringLiteral("Нет данных"));
    QCOMPARE(closer->seen[0].icon, QMessageBox::Warning);

    // A new connection forgets what the last one read.
    MainWindowTestAccess access(*window);
    access.device()->refresh();
    TRY_VERIFY(access.device()->imageAgeMs() >= 0, 2000);
    QVERIFY(acceptSettings(*window, *closer, Settings{}));
    QCOMPARE(access.device()->imageAgeMs(), qint64(-1));
}

void TestMainWindow::staleSettingsExportAsksWithAge()
{
    MainWindowTestAccess access(*window);
    QVERIFY(acceptSettings(*window, *closer, Settings{}));
    access.device()->refresh();
    TRY_VERIFY(access.device()->imageAgeMs() >= 0, 2000);
    // Three poll periods of 1 s without an answer.
    eventwait::spin(3200);

    closer->expectMessageBox(QMessageBox::No);
    action(*window, "actionSaveConfig")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    QCOMPARE(closer->seen[0].title, QStringLiteral("Данные устарели"));
    QVERIFY2(closer->seen[0].text.contains(QStringLiteral("получен 3 с назад")),
             qPrintable(closer->seen[0].text));
    QCOMPARE(closer->seen[0].defaultButton, QMessageBox::No);

    QTemporaryDir dir;
    closer->expectMessageBox(QMessageBox::Yes);
    closer->expectFileDialog(dir.filePath("feeder"));
    action(*window, "actionSaveConfig")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    QVERIFY(QFile::exists(dir.filePath("feeder.json")));
}

void TestMainWindow::saveDialogsAddTheirExtension()
{
    QTemporaryDir dir;
    child<QListWidget>(window, "listLog")->addItem("a");
    closer->expectFileDialog(dir.filePath("traffic"));
    action(*window, "actionSaveLog")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    QCOMPARE(readFile(dir.filePath("traffic.log")), QByteArray("a\r\n"));

    // A name with an extension of its own keeps it.
    closer->expectFileDialog(dir.filePath("traffic.txt"));
    action(*window, "actionSaveLog")->trigger();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    QVERIFY(QFile::exists(dir.filePath("traffic.txt")));
    QVERIFY(!QFile::exists(dir.filePath("traffic.txt.log")));
}

void TestMainWindow::indicatorsIgnoreClicksAndKeys()
{
    auto* pages = child<QListWidget>(window, "pagesList");
    pages->setCurrentRow(0);
    for (const char* name : {"ledMTZ1", "checkDI1", "checkDO6"}) {
        auto* indicator = child<QCheckBox>(window, name);
        QVERIFY2(indicator->isVisible(), name);
        QTest::mouseClick(indicator, Qt::LeftButton);
        QTest::keyClick(indicator, Qt::Key_Space);
        QVERIFY2(!indicator->isChecked(), name);
        QCOMPARE(indicator->focusPolicy(), Qt::NoFocus);
    }
    // The relay's state still shows.
    window->refresh();
    child<QCheckBox>(window, "ledMTZ1")->setChecked(true);
    QTest::mouseClick(child<QCheckBox>(window, "ledMTZ1"), Qt::LeftButton);
    QVERIFY(child<QCheckBox>(window, "ledMTZ1")->isChecked());
}

void TestMainWindow::closingWithUnwrittenChangesAsks_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closed");
    QTest::newRow("No keeps the window") << int(QMessageBox::No) << false;
    QTest::newRow("Yes leaves") << int(QMessageBox::Yes) << true;
}

void TestMainWindow::closingWithUnwrittenChangesAsks()
{
    QFETCH(int, answer);
    QFETCH(bool, closed);

    // Unchanged settings: the window closes without a question.
    QVERIFY(window->close());
    QVERIFY(closer->seen.isEmpty());
    window->show();

    auto* current = child<QDoubleSpinBox>(window, "sbMTZ1_T");
    current->setValue(current->value() + 1.0);
    closer->expectMessageBox(static_cast<QMessageBox::StandardButton>(answer));
    QCOMPARE(window->close(), closed);
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    QCOMPARE(closer->seen[0].text, QStringLiteral("Есть незаписанные изменения уставок. Выйти?"));
    QCOMPARE(closer->seen[0].defaultButton, QMessageBox::No);
    QCOMPARE(window->isVisible(), !closed);
}

void TestMainWindow::closingDuringJournalReadingAsks()
{
    MainWindowTestAccess access(*window);
    QVERIFY(acceptSettings(*window, *closer, Settings{}));
    action(*window, "actionReadLog")->trigger();
    closer->expectMessageBox(QMessageBox::No);
    QVERIFY(!window->close());
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    QCOMPARE(closer->seen[0].text, QStringLiteral("Идёт чтение журнала. Прервать и выйти?"));
    QVERIFY(window->isVisible());
    // The reading goes on into the table.
    TRY_VERIFY(!access.journalReading(), 10000);
    QVERIFY(child<QPushButton>(window, "btnSaveJournal")->isEnabled());
}

void TestMainWindow::readHeadersListsDemoRecordsAndResumesPolling()
{
    MainWindowTestAccess access(*window);
    QVERIFY(acceptSettings(*window, *closer, Settings{}));
    action(*window, "actionStart")->trigger();

    action(*window, "actionReadHeaders")->trigger();
    QVERIFY(!access.polling());
    auto* list = child<QListWidget>(window, "crashList");
    TRY_COMPARE(list->count(), 3, 3000);
    QVERIFY(access.polling());
    for (int i = 0; i < 3; ++i)
        QCOMPARE(list->item(i)->data(Qt::UserRole).toInt(), i);
    QVERIFY(!child<QPushButton>(window, "buttonSaveRecord")->isEnabled());

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    QCOMPARE(child<QLabel>(window, "crashFaultLength")->text(), QStringLiteral("1.000"));
    QCOMPARE(child<QLabel>(window, "crashPreFaultLength")->text(), QStringLiteral("0.2"));
    QVERIFY(!child<QLabel>(window, "crashDate")->text().isEmpty());
    QVERIFY(child<QPushButton>(window, "buttonSaveRecord")->isEnabled());
    QVERIFY(child<QProgressBar>(window, "crashSaveProgress")->isEnabled());
}

void TestMainWindow::saveCrashWritesComtradePair()
{
    MainWindowTestAccess access(*window);
    QVERIFY(acceptSettings(*window, *closer, Settings{}));
    action(*window, "actionReadHeaders")->trigger();
    auto* list = child<QListWidget>(window, "crashList");
    TRY_COMPARE(list->count(), 3, 3000);
    list->setCurrentRow(0);
    emit list->itemClicked(list->item(0));
    const QString baseName = (list->item(0)->text()).replace(' ', '_').replace(':', '_');

    QTemporaryDir dir;
    closer->expectFileDialog(dir.path());
    closer->expectMessageBox();
    child<QPushButton>(window, "buttonSaveRecord")->click();
    QVERIFY(!child<QPushButton>(window, "buttonSaveRecord")->isEnabled());
    QVERIFY(!action(*window, "actionReadHeaders")->isEnabled());
    QVERIFY(access.progressTimer()->isActive());

    // 720 samples at 10 ms each from the demo relay.
    QVERIFY2(closer->waitUntilDone(20000), closer->describe().constData());
    QCOMPARE(closer->seen.last().title, QStringLiteral("Успешно"));
    QCOMPARE(closer->seen.last().text, QStringLiteral("Осциллограмма успешно считана."));
    QCOMPARE(closer->seen.last().icon, QMessageBox::Information);
    QVERIFY(!access.progressTimer()->isActive());
    QVERIFY(child<QPushButton>(window, "buttonSaveRecord")->isEnabled());
    QVERIFY(action(*window, "actionReadHeaders")->isEnabled());
    QCOMPARE(access.saveFolder(), dir.path());

    const QByteArray cfg = readFile(dir.filePath(baseName + ".cfg"));
    const QByteArray dat = readFile(dir.filePath(baseName + ".dat"));
    QVERIFY2(cfg.contains("600,720\r\n"), cfg.constData());
    QCOMPARE(dat.count('\n'), 720);
}

void TestMainWindow::keyboardChoiceOfRecordIsTheOneSaved()
{
    QVERIFY(acceptSettings(*window, *closer, Settings{}));
    action(*window, "actionReadHeaders")->trigger();
    auto* list = child<QListWidget>(window, "crashList");
    TRY_COMPARE(list->count(), 3, 3000);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0)).center());
    auto* time = child<QLabel>(window, "crashTime");
    QCOMPARE(list->item(0)->text().endsWith(time->text()), true);

    // The arrow key moves the details along with the current record.
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentRow(), 1);
    QVERIFY2(list->item(1)->text().endsWith(time->text()), qPrintable(time->text()));
    QVERIFY(!list->item(0)->text().endsWith(time->text()));

    QTemporaryDir dir;
    closer->expectFileDialog(dir.path());
    closer->expectMessageBox();
    child<QPushButton>(window, "buttonSaveRecord")->click();
    QVERIFY2(closer->waitUntilDone(20000), closer->describe().constData());
    const QString second = list->item(1)->text().replace(' ', '_').replace(':', '_');
    const QString first = list->item(0)->text().replace(' ', '_').replace(':', '_');
    QVERIFY(QFile::exists(dir.filePath(second + ".cfg")));
    QVERIFY(!QFile::exists(dir.filePath(first + ".cfg")));

    // A programmatic change moves them too.
    list->setCurrentRow(2);
    QVERIFY(list->item(2)->text().endsWith(time->text()));
}

void TestMainWindow::cancelledFolderDialogEmptiesSaveFolder()
{
    MainWindowTestAccess access(*window);
    closer->expectFileDialog(QString());
    child<QPushButton>(window, "buttonSaveRecord")->setEnabled(true);
    child<QPushButton>(window, "buttonSaveRecord")->click();
    QVERIFY2(closer->waitUntilDone(), closer->describe().constData());
    QCOMPARE(closer->seen[0].title, QStringLiteral("Выберите папку для сохранения"));
    QCOMPARE(access.saveFolder(), QString());
    QVERIFY(!access.progressTimer()->isActive());
}

void TestMainWindow::journalIsReadBehindProgressDialog()
{
    MainWindowTestAccess access(*window);
    QVERIFY(acceptSettings(*window, *closer, Settings{}));
    action(*window, "actionStart")->trigger();

    // The menu entry reads into the table, asking for no file.
    action(*window, "actionReadLog")->trigger();
    QVERIFY(access.eventsDialog()->isVisible());
    QCOMPARE(child<QProgressBar>(access.eventsDialog(), "progressBar")->value(), 0);
    QVERIFY(!access.polling());
    QVERIFY(!child<QPushButton>(window, "btnReadJournal")->isEnabled());

    TRY_VERIFY(!access.journalReading(), 10000);
    QVERIFY(!access.eventsDialog()->isVisible());
    QVERIFY(access.polling());
    QVERIFY(closer->seen.isEmpty());
    QCOMPARE(child<QTabWidget>(window, "tabWidget")->currentWidget(),
             child<QWidget>(window, "journalTab"));
}

void TestMainWindow::overlappingReadingsResumePollingOnlyAfterTheLast()
{
    MainWindowTestAccess access(*window);
    QVERIFY(acceptSettings(*window, *closer, Settings{}));
    action(*window, "actionStart")->trigger();

    // The journal starts while the headers are read: polling was on when the
    // first reading began and must stay off until the second one ends.
    action(*window, "actionReadHeaders")->trigger();
    action(*window, "actionReadLog")->trigger();
    QVERIFY(!access.polling());

    auto* list = child<QListWidget>(window, "crashList");
    TRY_COMPARE(list->count(), 3, 5000);
    QCOMPARE(access.polling(), !access.journalReading());
    TRY_VERIFY(!access.journalReading(), 10000);
    QVERIFY(access.polling());
}

void TestMainWindow::qtStandardTextsAreRussian()
{
    QVERIFY(QtTranslation::install(qApp));
    QMessageBox box(QMessageBox::Question, "t", "x", QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Да"));
    QCOMPARE(box.button(QMessageBox::No)->text(), QStringLiteral("&Нет"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
