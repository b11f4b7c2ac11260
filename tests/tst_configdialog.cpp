#include "app/ConfigDialog.h"
#include "support/RunModal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

class TestConfigDialog : public QObject
{
    Q_OBJECT

private slots:
    void freshDialogOffersDefaults();
    void windowHasTitleFixedSizeAndNoHelpButton();
    void portListFollowsTheSystem();
    void rowsStandInTheGrid_data();
    void rowsStandInTheGrid();
    void buttonsSpanBothColumnsBelowTheRows();
    void textsAreTranslatedInTheDialogsContext();
    void spinBoxesKeepTheirRanges_data();
    void spinBoxesKeepTheirRanges();
    void speedItemsCarryTheirBaudRate_data();
    void speedItemsCarryTheirBaudRate();

    void tickingDemoDisablesLineSettings();
    void untickingDemoRestoresLineSettings();
    void demoStateChangesOnlyByClick();

    void okEmitsAcceptedWithEditedValues();
    void leavingWithoutOkRestoresAcceptedValues_data();
    void leavingWithoutOkRestoresAcceptedValues();
    void portNameIsTheBareNameOrWhatWasTyped_data();
    void portNameIsTheBareNameOrWhatWasTyped();
    void refreshKeepsTheChosenName();
    void acceptedValuesGoToTheStoreAndComeBack();
    void recentConnectionsFillTheDialog();

    void settingsFollowTheWayToTheRelay_data();
    void settingsFollowTheWayToTheRelay();
    void cancelRestoresNetworkAndFraming();
};

namespace {

// The dialog's form is private; its widgets are reached by object name.
template <class Widget> Widget* child(QWidget& dialog, const char* name)
{
    auto* widget = dialog.findChild<Widget*>(QString::fromLatin1(name));
    if (!widget)
        qWarning("no %s", name);
    return widget;
}

QPushButton* button(QDialog& dialog, QDialogButtonBox::StandardButton which)
{
    return child<QDialogButtonBox>(dialog, "buttonBox")->button(which);
}

// The widgets that describe the serial line and so mean nothing in demo mode.
const char* const lineSettings[] = {"lblAddress",  "lblInterval",     "lblPort",
                                    "lblSpeed",    "comboPortName",   "comboSpeed",
                                    "spinAddress", "spinCharInterval"};

// Marks every text it is asked for in one context, so a test sees which
// texts went through the translation and under which context.
class MarkingTranslator : public QTranslator
{
public:
    explicit MarkingTranslator(const char* context) : context(context) {}

    bool isEmpty() const override { return false; }

    QString translate(const char* askedContext, const char* sourceText, const char* = nullptr,
                      int = -1) const override
    {
        if (qstrcmp(askedContext, context) != 0)
            return QString();
        return QStringLiteral("~") + QString::fromUtf8(sourceText);
    }

private:
    const char* context;
};

} // namespace

void TestConfigDialog::freshDialogOffersDefaults()
{
    ConfigDialog dialog;
    QCOMPARE(dialog.baudRate(), 9600);
    QCOMPARE(child<QComboBox>(dialog, "comboSpeed")->currentText(), QStringLiteral("9600"));
    QCOMPARE(dialog.deviceAddress(), 1);
    QCOMPARE(dialog.charInterval(), 100);
    QCOMPARE(dialog.pollPeriod(), 1);
    QVERIFY(!dialog.isDemoMode());
    QCOMPARE(child<QCheckBox>(dialog, "cbDemoMode")->text(), QStringLiteral("Откл"));
    for (const char* name : lineSettings)
        QVERIFY2(child<QWidget>(dialog, name)->isEnabled(), name);
}

void TestConfigDialog::windowHasTitleFixedSizeAndNoHelpButton()
{
    ConfigDialog dialog;
    QCOMPARE(dialog.objectName(), QStringLiteral("ConfigDialog"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Настройки связи"));
    QCOMPARE(dialog.layout()->sizeConstraint(), QLayout::SetFixedSize);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.size(), dialog.sizeHint());
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QCOMPARE(dialog.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(dialog.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));
    QVERIFY(dialog.windowFlags() & Qt::Dialog);
}

void TestConfigDialog::portListFollowsTheSystem()
{
    QStringList expected;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
        expected << port.portName();

    ConfigDialog dialog;
    auto* ports = child<QComboBox>(dialog, "comboPortName");
    QStringList offered;
    for (int i = 0; i < ports->count(); ++i) {
        // Shown with what the system says of the adapter; the name alone is
        // the item's data.
        const QString name = ports->itemData(i, ConfigDialog::portNameRole).toString();
        QVERIFY(ports->itemText(i).startsWith(name));
        offered << name;
    }
    // The network comes last.
    QCOMPARE(offered, expected + QStringList{QStringLiteral("TCP")});
    // The first port found is chosen; with none, the name is empty.
    QCOMPARE(dialog.portName(), expected.value(0));
    QVERIFY(!dialog.isTcp());
}

void TestConfigDialog::rowsStandInTheGrid_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("inputClass");

    QTest::newRow("0") << "lblPort"
                       << "Порт"
                       << "comboPortName"
                       << "QComboBox";
    QTest::newRow("1") << "lblHost"
                       << "Адрес узла"
                       << "editHost"
                       << "QLineEdit";
    QTest::newRow("2") << "lblTcpPort"
                       << "Порт TCP"
                       << "spinTcpPort"
                       << "QSpinBox";
    QTest::newRow("3") << "lblProtocol"
                       << "Протокол"
                       << "comboProtocol"
                       << "QComboBox";
    QTest::newRow("4") << "lblSpeed"
                       << "Скорость связи"
                       << "comboSpeed"
                       << "QComboBox";
    QTest::newRow("5") << "lblAddress"
                       << "Адрес устройства"
                       << "spinAddress"
                       << "QSpinBox";
    QTest::newRow("6") << "lblInterval"
                       << "Межсимвольный <br>интервал, мс"
                       << "spinCharInterval"
                       << "QSpinBox";
    QTest::newRow("7") << "lblLengthFraming"
                       << "Конец кадра <br>по длине"
                       << "cbLengthFraming"
                       << "QCheckBox";
    QTest::newRow("8") << "lblPeriod"
                       << "Период опроса, с"
                       << "spinInterval"
                       << "QSpinBox";
    QTest::newRow("9") << "lblDemo"
                       << "Демо режим"
                       << "cbDemoMode"
                       << "QCheckBox";
}

void TestConfigDialog::rowsStandInTheGrid()
{
    QFETCH(QString, label);
    QFETCH(QString, text);
    QFETCH(QString, input);
    QFETCH(QString, inputClass);
    const int row = QString::fromLatin1(QTest::currentDataTag()).toInt();

    ConfigDialog dialog;
    auto* grid = dialog.findChild<QGridLayout*>(QStringLiteral("gridLayout"));
    QVERIFY(grid);
    QCOMPARE(dialog.layout(), grid);

    QLayoutItem* left = grid->itemAtPosition(row, 0);
    QLayoutItem* right = grid->itemAtPosition(row, 1);
    QVERIFY(left && right);
    auto* caption = qobject_cast<QLabel*>(left->widget());
    QVERIFY(caption);
    QCOMPARE(caption->objectName(), label);
    QCOMPARE(caption->text(), text);
    QCOMPARE(caption->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight | Qt::AlignTrailing);
    QCOMPARE(caption->alignment() & Qt::AlignVertical_Mask, Qt::AlignVCenter);
    QCOMPARE(right->widget()->objectName(), input);
    QCOMPARE(QString::fromLatin1(right->widget()->metaObject()->className()), inputClass);
}

void TestConfigDialog::buttonsSpanBothColumnsBelowTheRows()
{
    ConfigDialog dialog;
    auto* grid = dialog.findChild<QGridLayout*>(QStringLiteral("gridLayout"));
    auto* buttons = child<QDialogButtonBox>(dialog, "buttonBox");
    QVERIFY(grid && buttons);
    QCOMPARE(buttons->orientation(), Qt::Horizontal);
    QCOMPARE(buttons->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    int row, column, rowSpan, columnSpan;
    grid->getItemPosition(grid->indexOf(buttons), &row, &column, &rowSpan, &columnSpan);
    QCOMPARE(row, 10);
    QCOMPARE(column, 0);
    QCOMPARE(rowSpan, 1);
    QCOMPARE(columnSpan, grid->columnCount());
}

void TestConfigDialog::textsAreTranslatedInTheDialogsContext()
{
    MarkingTranslator translator("ConfigDialog");
    QCoreApplication::installTranslator(&translator);
    {
        ConfigDialog dialog;
        auto* demo = child<QCheckBox>(dialog, "cbDemoMode");
        QCOMPARE(dialog.windowTitle(), QStringLiteral("~Настройки связи"));
        QCOMPARE(child<QLabel>(dialog, "lblPort")->text(), QStringLiteral("~Порт"));
        QCOMPARE(child<QLabel>(dialog, "lblDemo")->text(), QStringLiteral("~Демо режим"));
        QCOMPARE(demo->text(), QStringLiteral("~Откл"));

        // The caption the demo check box gets on a click is translated too.
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(demo, Qt::LeftButton);
        QCOMPARE(demo->text(), QStringLiteral("~Вкл"));
        QTest::mouseClick(demo, Qt::LeftButton);
        QCOMPARE(demo->text(), QStringLiteral("~Откл"));
    }
    QCoreApplication::removeTranslator(&translator);
}

void TestConfigDialog::spinBoxesKeepTheirRanges_data()
{
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");

    QTest::newRow("spinAddress") << 1 << 247;
    QTest::newRow("spinCharInterval") << 40 << 200;
    QTest::newRow("spinInterval") << 1 << 100;
}

void TestConfigDialog::spinBoxesKeepTheirRanges()
{
    QFETCH(int, minimum);
    QFETCH(int, maximum);

    ConfigDialog dialog;
    auto* box = child<QSpinBox>(dialog, QTest::currentDataTag());
    QVERIFY(box);
    QCOMPARE(box->minimum(), minimum);
    QCOMPARE(box->maximum(), maximum);
}

void TestConfigDialog::speedItemsCarryTheirBaudRate_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("rate");

    QTest::newRow("9600") << 0 << 9600;
    QTest::newRow("19200") << 1 << 19200;
    QTest::newRow("38400") << 2 << 38400;
}

void TestConfigDialog::speedItemsCarryTheirBaudRate()
{
    QFETCH(int, index);
    QFETCH(int, rate);

    ConfigDialog dialog;
    auto* speeds = child<QComboBox>(dialog, "comboSpeed");
    QCOMPARE(speeds->count(), 3);
    QCOMPARE(speeds->itemText(index), QString::fromLatin1(QTest::currentDataTag()));
    speeds->setCurrentIndex(index);
    QCOMPARE(dialog.baudRate(), rate);
}

void TestConfigDialog::tickingDemoDisablesLineSettings()
{
    ConfigDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* demo = child<QCheckBox>(dialog, "cbDemoMode");
    QTest::mouseClick(demo, Qt::LeftButton);

    QVERIFY(dialog.isDemoMode());
    QCOMPARE(demo->text(), QStringLiteral("Вкл"));
    for (const char* name : lineSettings)
        QVERIFY2(!child<QWidget>(dialog, name)->isEnabled(), name);
    // Polling goes on in demo mode, so its period stays editable.
    QVERIFY(child<QWidget>(dialog, "lblPeriod")->isEnabled());
    QVERIFY(child<QWidget>(dialog, "spinInterval")->isEnabled());
    QVERIFY(demo->isEnabled());
}

void TestConfigDialog::untickingDemoRestoresLineSettings()
{
    ConfigDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* demo = child<QCheckBox>(dialog, "cbDemoMode");
    QTest::mouseClick(demo, Qt::LeftButton);
    QTest::mouseClick(demo, Qt::LeftButton);

    QVERIFY(!dialog.isDemoMode());
    QCOMPARE(demo->text(), QStringLiteral("Откл"));
    for (const char* name : lineSettings)
        QVERIFY2(child<QWidget>(dialog, name)->isEnabled(), name);
}

void TestConfigDialog::demoStateChangesOnlyByClick()
{
    ConfigDialog dialog;
    auto* demo = child<QCheckBox>(dialog, "cbDemoMode");
    // A programmatic change is no click: the caption and the rows stay.
    demo->setChecked(true);
    QVERIFY(dialog.isDemoMode());
    QCOMPARE(demo->text(), QStringLiteral("Откл"));
    QVERIFY(child<QWidget>(dialog, "comboPortName")->isEnabled());

    // Running the dialog again does not reset it either; only Cancel puts
    // back what was accepted.
    const ModalRun run =
        runModal(dialog, [](QDialog& shown) { button(shown, QDialogButtonBox::Ok)->click(); });
    QVERIFY(run.shown);
    QVERIFY(!run.timedOut);
    QVERIFY(dialog.isDemoMode());
}

void TestConfigDialog::okEmitsAcceptedWithEditedValues()
{
    ConfigDialog dialog;
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    int addressWhenAccepted = 0;
    connect(&dialog, &QDialog::accepted, [&] { addressWhenAccepted = dialog.deviceAddress(); });

    const ModalRun run = runModal(dialog, [](QDialog& shown) {
        child<QSpinBox>(shown, "spinAddress")->setValue(17);
        child<QSpinBox>(shown, "spinCharInterval")->setValue(40);
        child<QSpinBox>(shown, "spinInterval")->setValue(5);
        child<QComboBox>(shown, "comboSpeed")->setCurrentIndex(2);
        QTest::mouseClick(child<QCheckBox>(shown, "cbDemoMode"), Qt::LeftButton);
        button(shown, QDialogButtonBox::Ok)->click();
    });

    QVERIFY(run.shown);
    QVERIFY(!run.timedOut);
    QCOMPARE(run.result, int(QDialog::Accepted));
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(addressWhenAccepted, 17);
    QCOMPARE(dialog.deviceAddress(), 17);
    QCOMPARE(dialog.charInterval(), 40);
    QCOMPARE(dialog.pollPeriod(), 5);
    QCOMPARE(dialog.baudRate(), 38400);
    QVERIFY(dialog.isDemoMode());
}

void TestConfigDialog::leavingWithoutOkRestoresAcceptedValues_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel") << "cancel";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("window closed") << "close";
}

void TestConfigDialog::leavingWithoutOkRestoresAcceptedValues()
{
    QFETCH(QString, how);
    ConfigDialog dialog;
    runModal(dialog, [](QDialog& shown) {
        child<QSpinBox>(shown, "spinAddress")->setValue(17);
        child<QSpinBox>(shown, "spinInterval")->setValue(4);
        button(shown, QDialogButtonBox::Ok)->click();
    });
    QSignalSpy accepted(&dialog, &QDialog::accepted);

    const ModalRun run = runModal(dialog, [how](QDialog& shown) {
        child<QSpinBox>(shown, "spinAddress")->setValue(42);
        child<QSpinBox>(shown, "spinInterval")->setValue(9);
        child<QSpinBox>(shown, "spinCharInterval")->setValue(150);
        child<QComboBox>(shown, "comboSpeed")->setCurrentIndex(2);
        QTest::mouseClick(child<QCheckBox>(shown, "cbDemoMode"), Qt::LeftButton);
        if (how == "cancel")
            button(shown, QDialogButtonBox::Cancel)->click();
        else if (how == "escape")
            QTest::keyClick(&shown, Qt::Key_Escape);
        else
            shown.close();
    });

    QVERIFY(run.shown);
    QVERIFY(!run.timedOut);
    QCOMPARE(run.result, int(QDialog::Rejected));
    QCOMPARE(accepted.count(), 0);
    // What the window reads is what was accepted, in every widget.
    QCOMPARE(dialog.deviceAddress(), 17);
    QCOMPARE(dialog.pollPeriod(), 4);
    QCOMPARE(dialog.charInterval(), 100);
    QCOMPARE(dialog.baudRate(), 9600);
    QVERIFY(!dialog.isDemoMode());
    QCOMPARE(child<QCheckBox>(dialog, "cbDemoMode")->text(), QStringLiteral("Откл"));
    QVERIFY(child<QWidget>(dialog, "spinAddress")->isEnabled());

    // And the next run shows them.
    int addressShown = 0;
    runModal(dialog, [&](QDialog& shown) {
        addressShown = child<QSpinBox>(shown, "spinAddress")->value();
        button(shown, QDialogButtonBox::Cancel)->click();
    });
    QCOMPARE(addressShown, 17);
}

void TestConfigDialog::settingsFollowTheWayToTheRelay_data()
{
    QTest::addColumn<bool>("demo");
    QTest::addColumn<bool>("tcp");
    QTest::addColumn<int>("protocol");
    // Enabled: the network's host, port and protocol; the serial timing
    // (speed, interval, frame end by length).
    QTest::addColumn<bool>("network");
    QTest::addColumn<bool>("timing");

    QTest::newRow("serial port") << false << false << 0 << false << true;
    // The gateway's serial line has its own speed and timing.
    QTest::newRow("RTU over TCP") << false << true << 0 << true << true;
    QTest::newRow("Modbus TCP") << false << true << 1 << true << false;
    QTest::newRow("demo mode, TCP chosen") << true << true << 0 << false << false;
}

void TestConfigDialog::settingsFollowTheWayToTheRelay()
{
    QFETCH(bool, demo);
    QFETCH(bool, tcp);
    QFETCH(int, protocol);
    QFETCH(bool, network);
    QFETCH(bool, timing);

    ConfigDialog dialog;
    auto* ports = child<QComboBox>(dialog, "comboPortName");
    ports->addItem(QStringLiteral("ttyS9"));
    ports->setCurrentIndex(tcp ? ports->findText(QStringLiteral("TCP")) : ports->count() - 1);
    child<QComboBox>(dialog, "comboProtocol")->setCurrentIndex(protocol);
    child<QLineEdit>(dialog, "editHost")->setText(QStringLiteral(" 127.0.0.1 "));
    child<QSpinBox>(dialog, "spinTcpPort")->setValue(5020);
    child<QCheckBox>(dialog, "cbDemoMode")->setChecked(demo);
    dialog.demoModeChanged(demo);

    QCOMPARE(dialog.isTcp(), tcp);
    QCOMPARE(dialog.isModbusTcp(), tcp && protocol == 1);
    QCOMPARE(dialog.tcpHost(), QStringLiteral("127.0.0.1"));
    QCOMPARE(dialog.tcpPort(), quint16(5020));
    // On by default; in demo mode it keeps its value, like the other line settings.
    QVERIFY(dialog.lengthFraming());
    for (const char* name : {"editHost", "spinTcpPort", "comboProtocol", "lblHost"})
        QVERIFY2(child<QWidget>(dialog, name)->isEnabled() == network, name);
    for (const char* name : {"comboSpeed", "spinCharInterval", "cbLengthFraming"})
        QVERIFY2(child<QWidget>(dialog, name)->isEnabled() == timing, name);
    QCOMPARE(child<QWidget>(dialog, "comboPortName")->isEnabled(), !demo);
}

void TestConfigDialog::cancelRestoresNetworkAndFraming()
{
    ConfigDialog dialog;
    runModal(dialog, [](QDialog& shown) {
        auto* ports = child<QComboBox>(shown, "comboPortName");
        ports->setCurrentIndex(ports->findText(QStringLiteral("TCP")));
        child<QLineEdit>(shown, "editHost")->setText(QStringLiteral("gateway"));
        child<QSpinBox>(shown, "spinTcpPort")->setValue(4001);
        child<QCheckBox>(shown, "cbLengthFraming")->setChecked(false);
        button(shown, QDialogButtonBox::Ok)->click();
    });
    QCOMPARE(child<QCheckBox>(dialog, "cbLengthFraming")->text(), QStringLiteral("Откл"));

    runModal(dialog, [](QDialog& shown) {
        child<QComboBox>(shown, "comboPortName")->setCurrentIndex(-1);
        child<QLineEdit>(shown, "editHost")->setText(QStringLiteral("other"));
        child<QSpinBox>(shown, "spinTcpPort")->setValue(502);
        child<QComboBox>(shown, "comboProtocol")->setCurrentIndex(1);
        child<QCheckBox>(shown, "cbLengthFraming")->setChecked(true);
        button(shown, QDialogButtonBox::Cancel)->click();
    });
    QVERIFY(dialog.isTcp());
    QVERIFY(!dialog.isModbusTcp());
    QCOMPARE(dialog.tcpHost(), QStringLiteral("gateway"));
    QCOMPARE(dialog.tcpPort(), quint16(4001));
    QVERIFY(!dialog.lengthFraming());
    QCOMPARE(child<QCheckBox>(dialog, "cbLengthFraming")->text(), QStringLiteral("Откл"));
    QVERIFY(child<QWidget>(dialog, "editHost")->isEnabled());
}

void TestConfigDialog::portNameIsTheBareNameOrWhatWasTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");

    QTest::newRow("listed port with description") << "ttyUSB7 — FT232R USB UART (0403:6001)"
                                                  << "ttyUSB7";
    QTest::newRow("pseudo-terminal typed") << "/dev/pts/12"
                                           << "/dev/pts/12";
    QTest::newRow("udev symlink with spaces around") << "  /dev/talvik-relay "
                                                     << "/dev/talvik-relay";
    QTest::newRow("nothing") << ""
                             << "";
}

void TestConfigDialog::portNameIsTheBareNameOrWhatWasTyped()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);

    ConfigDialog dialog;
    auto* ports = child<QComboBox>(dialog, "comboPortName");
    QVERIFY(ports->isEditable());
    ports->addItem(ConfigDialog::portLabel("ttyUSB7", "FT232R USB UART", "0403:6001"), "ttyUSB7");
    ports->setCurrentIndex(-1);
    ports->setEditText(QString());
    // QTest types ASCII only; the listed label is chosen from the list.
    const int listed = ports->findText(typed);
    if (listed >= 0)
        ports->setCurrentIndex(listed);
    else
        QTest::keyClicks(ports, typed);
    QCOMPARE(dialog.portName(), expected);
}

void TestConfigDialog::refreshKeepsTheChosenName()
{
    ConfigDialog dialog;
    auto* ports = child<QComboBox>(dialog, "comboPortName");
    ports->setEditText(QStringLiteral("/dev/pts/99"));
    QTest::mouseClick(child<QPushButton>(dialog, "btnRefreshPorts"), Qt::LeftButton);
    QCOMPARE(dialog.portName(), QStringLiteral("/dev/pts/99"));
    // The list is the system's again, and the network choice after it.
    QCOMPARE(ports->count(), QSerialPortInfo::availablePorts().size() + 1);
}

void TestConfigDialog::acceptedValuesGoToTheStoreAndComeBack()
{
    QTemporaryDir folder;
    QSettings file(folder.filePath("talvik.conf"), QSettings::IniFormat);
    AppSettings store(&file);
    {
        ConfigDialog dialog;
        dialog.setStore(&store);
        child<QComboBox>(dialog, "comboPortName")->setEditText(QStringLiteral("/dev/pts/5"));
        child<QComboBox>(dialog, "comboSpeed")->setCurrentIndex(2);
        child<QSpinBox>(dialog, "spinAddress")->setValue(17);
        child<QSpinBox>(dialog, "spinInterval")->setValue(3);
        const ModalRun run =
            runModal(dialog, [](QDialog& shown) { button(shown, QDialogButtonBox::Ok)->click(); });
        QVERIFY(run.shown && !run.timedOut);
        // Changed and cancelled: not kept.
        child<QSpinBox>(dialog, "spinAddress")->setValue(99);
        dialog.reject();
    }
    ConfigDialog next;
    next.setStore(&store);
    QCOMPARE(next.portName(), QStringLiteral("/dev/pts/5"));
    QCOMPARE(next.baudRate(), 38400);
    QCOMPARE(next.deviceAddress(), 17);
    QCOMPARE(next.pollPeriod(), 3);
    QCOMPARE(next.charInterval(), 100);
    // What the store gave is also what Cancel goes back to.
    child<QSpinBox>(next, "spinAddress")->setValue(5);
    next.reject();
    QCOMPARE(next.deviceAddress(), 17);
}

// Twelve relays accepted one after another, the fourth twice: the menu holds
// the last ten relays, newest first, and a click shows one without taking it.
void TestConfigDialog::recentConnectionsFillTheDialog()
{
    QTemporaryDir folder;
    QSettings file(folder.filePath("talvik.conf"), QSettings::IniFormat);
    AppSettings store(&file);
    AppSettings::Connection values;
    values.portName = QStringLiteral("/dev/ttyUSB0");
    for (const int address : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 4}) {
        values.address = address;
        values.baudRate = address == 4 ? 38400 : 19200;
        store.setConnection(values);
    }
    store.setRelayName(QStringLiteral("/dev/ttyUSB0 · 38400"), 4, QStringLiteral("Яч. 4"));

    ConfigDialog dialog;
    dialog.setStore(&store);
    auto* menu = child<QMenu>(dialog, "menuRecent");
    QVERIFY(menu);
    emit menu->aboutToShow();
    QStringList shown;
    for (QAction* action : menu->actions())
        shown << action->text();
    QCOMPARE(shown.size(), 10);
    QCOMPARE(shown.first(), QStringLiteral("Яч. 4 — /dev/ttyUSB0 · 38400 · адрес 4"));
    QCOMPARE(shown.at(1), QStringLiteral("/dev/ttyUSB0 · 19200 · адрес 11"));
    QCOMPARE(shown.last(), QStringLiteral("/dev/ttyUSB0 · 19200 · адрес 2"));

    menu->actions().at(1)->trigger();
    QCOMPARE(dialog.deviceAddress(), 11);
    QCOMPARE(dialog.baudRate(), 19200);
    dialog.reject();
    QCOMPARE(dialog.deviceAddress(), 4);
    QCOMPARE(dialog.baudRate(), 38400);

    // A device search's relays on this port join the list at once.
    dialog.rememberFound({{30, 9600}, {31, 9600}});
    const QVector<AppSettings::Connection> recent = store.recentConnections();
    QCOMPARE(recent.size(), 10);
    QCOMPARE(recent.at(0).address, 30);
    QCOMPARE(recent.at(1).address, 31);
    QCOMPARE(recent.at(1).baudRate, 9600);
    QCOMPARE(recent.at(1).portName, QStringLiteral("/dev/ttyUSB0"));
}

QTEST_MAIN(TestConfigDialog)
#include "tst_configdialog.moc"
