#include "ui/ParameterMap.h"

#include "relay/SettingCatalog.h"
#include "relay/SettingTable.h"
#include "ui/ComboBoxEditor.h"
#include "ui/MainWindowForm.h"
#include "ui/NumericEditors.h"
#include "ui/Visualizers.h"

#include "support/FakeRegisterImage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QMap>
#include <QMainWindow>
#include <QSet>
#include <QSpinBox>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

using Pair = QPair<int, int>;

struct Row
{
    int reg;
    const char* widget;
    const char* editorClass;
};

// The settings in the order the window lists them, group by group.
const Row expectedEditors[] = {
    {8, "cbMTZ1_On", "OnOffEditor"},
    {9, "sbMTZ1_I", "CurrentEditor"},
    {10, "sbMTZ1_T", "TimeEditor"},
    {11, "cbMTZ1_APV", "OnOffEditor"},
    {12, "cbMTZ1_Block", "OnOffEditor"},
    {13, "cbMTZ1_Uskor", "OnOffEditor"},
    {14, "sbMTZ1_Tuskor", "TimeEditor"},
    {15, "cbMTZ1_Bnt", "OnOffEditor"},
    {16, "cbMTZ1_Out", "OutTypeEditor"},
    {17, "cbMTZ1_DO3", "OnOffEditor"},
    {18, "cbMTZ1_Characteristic", "CharTypeEditor"},
    {19, "cbMTZ2_On", "OnOffEditor"},
    {20, "sbMTZ2_I", "CurrentEditor"},
    {21, "sbMTZ2_T", "TimeEditor"},
    {22, "cbMTZ2_APV", "OnOffEditor"},
    {23, "cbMTZ2_Block", "OnOffEditor"},
    {24, "cbMTZ2_Uskor", "OnOffEditor"},
    {25, "sbMTZ2_Tuskor", "TimeEditor"},
    {26, "cbMTZ2_Bnt", "OnOffEditor"},
    {27, "cbMTZ2_Out", "OutTypeEditor"},
    {28, "cbTO_On", "OnOffEditor"},
    {29, "sbTO_I", "CurrentEditor"},
    {30, "sbTO_T", "TimeEditor"},
    {31, "cbTO_APV", "OnOffEditor"},
    {32, "cbTO_Block", "OnOffEditor"},
    {33, "cbTO_Bnt", "OnOffEditor"},
    {34, "cbTO_Out", "OutTypeEditor"},
    {35, "cbZNZ_On", "OnOffEditor"},
    {75, "cb3I0Range", "Range3I0Editor"},
    {36, "sbZNZ_I1", "CurrentEditor"},
    {76, "sbZNZ_I2", "CurrentEditor"},
    {37, "sbZNZ_T", "TimeEditor"},
    {38, "cbZNZ_APV", "OnOffEditor"},
    {39, "cbZNZ_Block", "OnOffEditor"},
    {40, "cbZNZ_Out", "OutTypeEditor"},
    {41, "cbZNZ_Direct", "OnOffEditor"},
    {42, "sbZNZ_AngleMax", "AngleEditor"},
    {43, "sbZNZ_AngleWidth", "AngleEditor"},
    {44, "cbVZ_On", "OnOffEditor"},
    {45, "cbVZ_Ind", "VZTypeEditor"},
    {46, "sbVZ_T", "TimeEditor"},
    {70, "cbVZ_APV", "OnOffEditor"},
    {72, "cbVZ_PuskPoI", "OnOffEditor"},
    {47, "cbVZ_Out", "OutTypeEditor"},
    {73, "cbVZ_DO1_Mode", "VZ_DO1ModeEditor"},
    {48, "cbAPV_On", "APVModeEditor"},
    {49, "sbAPV_Tgot", "TimeEditor"},
    {50, "sbAPV1_Tsrab", "TimeEditor"},
    {69, "sbAPV2_Tsrab", "TimeEditor"},
    {51, "cbCHAPV_On", "OnOffEditor"},
    {52, "sbKTT", "IntegerEditor"},
    {53, "sbKTT0", "IntegerEditor"},
    {54, "sbKTU0", "IntegerEditor"},
    {55, "cbIspoln", "ReleTypeEditor"},
    {56, "cbDI3", "DI3TypeEditor"},
    {57, "cbDI4", "DI4TypeEditor"},
    {58, "cbDO6", "DO1TypeEditor"},
    {59, "cbDO1", "DO1TypeEditor"},
    {60, "cbRazreshTU", "OnOffEditor"},
    {84, "cbInverseVD6", "OnOffEditor"},
    {77, "cbDO3_2", "DO3_2_ModeEditor"},
    {78, "sbUrov_T", "TimeEditor"},
    {79, "cbUROV_MTZ1", "OnOffEditor"},
    {80, "cbUROV_MTZ2", "OnOffEditor"},
    {81, "cbUROV_TO", "OnOffEditor"},
    {82, "cbUROV_ZNZ", "OnOffEditor"},
    {83, "cbUROV_VZ", "OnOffEditor"},
    {61, "sbLink_Address", "IntegerEditor"},
    {62, "cbLink_Speed", "SpeedEditor"},
    {63, "cbLink_Batt", "OnOffEditor"},
    {64, "sbOsc_T", "TimeEditor"},
    {65, "cbOsc_MTZ1", "OnOffEditor"},
    {66, "cbOsc_MTZ2", "OnOffEditor"},
    {67, "cbOsc_TO", "OnOffEditor"},
    {68, "cbOsc_ZNZ", "OnOffEditor"},
};

QStringList warnings;

void recordWarning(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtWarningMsg)
        warnings.append(message);
}

bool isBold(const QWidget* widget)
{
    return widget->font().weight() == QFont::Bold;
}

} // namespace

class TestParameterMap : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void realFormBindsAllEightyOneItems();
    void visualizersComeFirstInTheirOrder();
    void editorsFollowTheTableOrder();
    void everySettingRegisterHasExactlyOneEditor();
    void creatingAndRefreshingWriteNothing();
    void saveQueuesPasswordAndValueInListOrder();
    void resetWritesNothingAndRestoresEveryEditor();
    void refreshShowsTheImageInTheWindow();
    void everySettingHasOneDescriptionThatReadsLikeItsEditor();
    void disabledWidgetsFollowTheRelayOnEveryRefresh();
    void zeroImageIsMarkedWhereClampedButNothingIsSaved();
    void bitFieldsFollowTheBitOrder_data();
    void bitFieldsFollowTheBitOrder();
    void interlocksAreBoundBothWays();
    void missingWidgetIsLeftOutWithAWarning();
    void noRootCreatesNothing();

private:
    void refresh();
    void saveAll(uint16_t password);
    template <typename T> T* widget(const char* name) const
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }

    std::unique_ptr<QMainWindow> window;
    std::unique_ptr<MainWindowForm> form;
    FakeRegisterImage image;
    QList<IVisualizer*> visualizers;
};

void TestParameterMap::initTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void TestParameterMap::init()
{
    image = FakeRegisterImage();
    window = std::make_unique<QMainWindow>();
    form = std::make_unique<MainWindowForm>();
    form->setupUi(window.get());
}

void TestParameterMap::cleanup()
{
    qDeleteAll(visualizers);
    visualizers.clear();
    window.reset();
    form.reset();
}

void TestParameterMap::refresh()
{
    for (IVisualizer* visualizer : qAsConst(visualizers))
        visualizer->visualize();
}

void TestParameterMap::saveAll(uint16_t password)
{
    for (IVisualizer* visualizer : qAsConst(visualizers)) {
        if (auto* editor = dynamic_cast<IEditor*>(visualizer))
            editor->save(password);
    }
}

void TestParameterMap::realFormBindsAllEightyOneItems()
{
    // Any widget the map cannot find is reported as a warning: there must be none.
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(recordWarning);
    ParameterMap::create(window.get(), &image, visualizers);
    qInstallMessageHandler(previous);
    QCOMPARE(warnings, QStringList());
    QCOMPARE(visualizers.size(), 81);
}

void TestParameterMap::visualizersComeFirstInTheirOrder()
{
    ParameterMap::create(window.get(), &image, visualizers);
    QVERIFY(visualizers.size() >= 6);
    QVERIFY(dynamic_cast<PhaseCurrentsVisualizer*>(visualizers.at(0)));
    QVERIFY(dynamic_cast<MeasuredCurrent3I0Visualizer*>(visualizers.at(1)));
    QVERIFY(dynamic_cast<MeasuredVoltageVisualizer*>(visualizers.at(2)));
    QVERIFY(dynamic_cast<MeasuredAngleVisualizer*>(visualizers.at(3)));
    QVERIFY(dynamic_cast<BinaryVisualizer*>(visualizers.at(4)));
    QVERIFY(dynamic_cast<BinaryVisualizer*>(visualizers.at(5)));
    for (int i = 0; i < 6; ++i)
        QVERIFY(dynamic_cast<IEditor*>(visualizers.at(i)) == nullptr);
}

void TestParameterMap::editorsFollowTheTableOrder()
{
    ParameterMap::create(window.get(), &image, visualizers);
    const int editorCount = int(sizeof(expectedEditors) / sizeof(expectedEditors[0]));
    QCOMPARE(editorCount, 75);
    QCOMPARE(visualizers.size(), 6 + editorCount);

    for (int i = 0; i < editorCount; ++i) {
        const Row& row = expectedEditors[i];
        auto* editor = dynamic_cast<SettingEditor*>(visualizers.at(6 + i));
        QVERIFY2(editor != nullptr, row.widget);
        QVERIFY(dynamic_cast<IEditor*>(visualizers.at(6 + i)) != nullptr);
        QCOMPARE(int(editor->registerNumber()), row.reg);
        QCOMPARE(editor->widget()->objectName(), QString::fromLatin1(row.widget));
        QCOMPARE(editor->metaObject()->className(), row.editorClass);
    }
}

void TestParameterMap::everySettingRegisterHasExactlyOneEditor()
{
    ParameterMap::create(window.get(), &image, visualizers);
    QList<int> registers;
    for (IVisualizer* visualizer : qAsConst(visualizers)) {
        if (auto* editor = dynamic_cast<SettingEditor*>(visualizer))
            registers.append(editor->registerNumber());
    }
    for (int reg = 0; reg <= 84; ++reg) {
        const int expected = (reg < 8 || reg == 71 || reg == 74) ? 0 : 1;
        QVERIFY2(registers.count(reg) == expected, qPrintable(QString::number(reg)));
    }
    QCOMPARE(registers.size(), 75);
}

void TestParameterMap::creatingAndRefreshingWriteNothing()
{
    ParameterMap::create(window.get(), &image, visualizers);
    refresh();
    refresh();
    QVERIFY(image.writes.isEmpty());
    QVERIFY(image.coilWrites.isEmpty());
}

void TestParameterMap::saveQueuesPasswordAndValueInListOrder()
{
    image.set(9, 100);
    image.set(52, 1);
    ParameterMap::create(window.get(), &image, visualizers);
    refresh();

    // Changed in the opposite order of the list: the list decides the order.
    widget<QComboBox>("cbAPV_On")->setCurrentIndex(1);
    widget<QDoubleSpinBox>("sbMTZ1_I")->setValue(1.5);
    saveAll(0x1234);

    const QList<Pair> expected{{71, 0x1234}, {9, 150}, {71, 0x1234}, {48, 1}};
    QCOMPARE(image.writtenValues(), expected);
    for (const FakeRegisterImage::Write& write : qAsConst(image.writes))
        QCOMPARE(write.values.size(), 1);
}

void TestParameterMap::resetWritesNothingAndRestoresEveryEditor()
{
    image.set(10, 500);
    image.set(52, 100);
    ParameterMap::create(window.get(), &image, visualizers);
    refresh();
    widget<QDoubleSpinBox>("sbMTZ1_T")->setValue(7.0);
    widget<QSpinBox>("sbKTT")->setValue(300);
    widget<QComboBox>("cbDI3")->setCurrentIndex(3);

    for (IVisualizer* visualizer : qAsConst(visualizers)) {
        if (auto* editor = dynamic_cast<IEditor*>(visualizer))
            editor->reset();
    }
    QCOMPARE(widget<QDoubleSpinBox>("sbMTZ1_T")->value(), 5.0);
    QCOMPARE(widget<QSpinBox>("sbKTT")->value(), 100);
    QCOMPARE(widget<QComboBox>("cbDI3")->currentIndex(), 0);
    QVERIFY(!isBold(widget<QDoubleSpinBox>("sbMTZ1_T")));
    saveAll(1);
    QVERIFY(image.writes.isEmpty());
}

void TestParameterMap::everySettingHasOneDescriptionThatReadsLikeItsEditor()
{
    ParameterMap::create(window.get(), &image, visualizers);
    QSet<uint16_t> editorRegisters;
    for (IVisualizer* visualizer : visualizers) {
        if (auto* editor = dynamic_cast<SettingEditor*>(visualizer))
            editorRegisters.insert(editor->registerNumber());
    }
    QSet<uint16_t> described;
    for (const SettingDescription& description : SettingCatalog::all()) {
        QVERIFY2(!described.contains(description.reg), qPrintable(description.caption()));
        described.insert(description.reg);
    }
    QCOMPARE(described, editorRegisters);
    QCOMPARE(described.size(), 75);

    // A sample value inside every editor's range: the last item of a list,
    // the middle of a number's range at the editor's decimals.
    QMap<uint16_t, uint16_t> samples;
    for (const SettingDescription& description : SettingCatalog::all()) {
        uint16_t sample = static_cast<uint16_t>(description.items.size() - 1);
        if (description.scale > 0) {
            const double step = std::pow(10.0, -description.decimals);
            const double middle =
                std::round((description.minimum + description.maximum) / 2 / step) * step;
            sample = static_cast<uint16_t>(std::lround(middle * description.scale));
        }
        samples.insert(description.reg, sample);
        image.set(description.reg, sample);
    }
    refresh();

    for (const SettingRow& row : SettingTable::rows()) {
        const SettingDescription* description = SettingCatalog::find(row.reg);
        QVERIFY(description != nullptr);
        auto* widget = window->findChild<QWidget*>(QString::fromLatin1(row.widget));
        QVERIFY(widget != nullptr);
        QString shown;
        if (auto* box = qobject_cast<QComboBox*>(widget))
            shown = box->currentText();
        else
            shown = static_cast<QAbstractSpinBox*>(widget)->text();
        QCOMPARE(description->valueText(samples.value(row.reg)), shown);
        QVERIFY(description->relayValueNote(samples.value(row.reg)).isEmpty());

        // The caption is the group box's title and the label beside the editor.
        auto* box = qobject_cast<QGroupBox*>(widget->parentWidget());
        QVERIFY(box != nullptr);
        QCOMPARE(description->group, box->title());
        QString label;
        for (QLabel* candidate : box->findChildren<QLabel*>()) {
            if (candidate->buddy() == widget)
                label = candidate->text().replace(QStringLiteral("<br>"), QStringLiteral(" "));
        }
        QCOMPARE(description->label, label);
    }
    QCOMPARE(SettingCatalog::find(9)->caption(), QStringLiteral("МТЗ-1 › Iсраб"));
    QCOMPARE(SettingCatalog::find(9)->valueWithUnit(150), QStringLiteral("1.5 А"));
    QCOMPARE(SettingCatalog::find(71), nullptr);
}

void TestParameterMap::refreshShowsTheImageInTheWindow()
{
    image.set(0, 150);
    image.set(1, 250);
    image.set(2, 350);
    image.set(52, 2);
    image.set(3, 20);
    image.set(53, 10);
    image.set(4, 57);
    image.set(54, 100);
    image.set(41, 1);
    image.set(5, 3599);
    image.set(9, 150);
    image.set(76, 1234);
    image.set(42, 3590);
    image.set(18, 6);
    image.set(48, 2);
    image.set(64, 50);
    ParameterMap::create(window.get(), &image, visualizers);
    refresh();

    QCOMPARE(form->lblIa->text(), QString("3.00"));
    QCOMPARE(form->lblIb->text(), QString("5.00"));
    QCOMPARE(form->lblIc->text(), QString("7.00"));
    QCOMPARE(form->lbl3I0->text(), QString("2.00"));
    QCOMPARE(form->lbl3U0->text(), QString("5700"));
    QCOMPARE(form->lblAngle->text(), QString("359.90"));
    QCOMPARE(widget<QDoubleSpinBox>("sbMTZ1_I")->value(), 1.5);
    QCOMPARE(widget<QDoubleSpinBox>("sbZNZ_I2")->value(), 12.34);
    QCOMPARE(widget<QDoubleSpinBox>("sbZNZ_AngleMax")->value(), 359.0);
    QCOMPARE(widget<QComboBox>("cbMTZ1_Characteristic")->currentText(), QString("Тепловая б.п."));
    QCOMPARE(widget<QComboBox>("cbAPV_On")->currentText(), QString("АПВ2 крат"));
    QCOMPARE(widget<QDoubleSpinBox>("sbOsc_T")->value(), 0.5);
    QCOMPARE(widget<QComboBox>("cbZNZ_Direct")->currentText(), QString("Вкл"));
    QVERIFY(!isBold(widget<QDoubleSpinBox>("sbZNZ_I2")));
}

void TestParameterMap::disabledWidgetsFollowTheRelayOnEveryRefresh()
{
    ParameterMap::create(window.get(), &image, visualizers);
    image.set(55, 1);
    image.set(60, 1);
    image.set(75, 1);
    image.set(61, 17);
    image.set(62, 2);
    refresh();
    QCOMPARE(widget<QComboBox>("cbIspoln")->currentText(), QString("2-х фазное"));
    QCOMPARE(widget<QComboBox>("cbRazreshTU")->currentText(), QString("Вкл"));
    QCOMPARE(widget<QComboBox>("cb3I0Range")->currentText(), QString("1.0-120.0A"));
    QCOMPARE(widget<QSpinBox>("sbLink_Address")->value(), 17);
    QCOMPARE(widget<QComboBox>("cbLink_Speed")->currentText(), QString("38400"));

    image.set(55, 0);
    image.set(60, 0);
    image.set(75, 0);
    image.set(61, 150);
    image.set(62, 0);
    refresh();
    QCOMPARE(widget<QComboBox>("cbIspoln")->currentIndex(), 0);
    QCOMPARE(widget<QComboBox>("cbRazreshTU")->currentIndex(), 0);
    QCOMPARE(widget<QComboBox>("cb3I0Range")->currentIndex(), 0);
    QCOMPARE(widget<QSpinBox>("sbLink_Address")->value(), 99);
    QCOMPARE(widget<QSpinBox>("sbLink_Address")->toolTip(),
             QStringLiteral("в реле: 150 — вне диапазона 0…99"));
    QCOMPARE(widget<QComboBox>("cbLink_Speed")->currentText(), QString("9600"));

    image.set(61, 42);
    refresh();
    QCOMPARE(widget<QSpinBox>("sbLink_Address")->value(), 42);
    QVERIFY(!isBold(widget<QSpinBox>("sbLink_Address")));
    QCOMPARE(widget<QSpinBox>("sbLink_Address")->toolTip(), QString());
    saveAll(0);
    QVERIFY(image.writes.isEmpty());
}

void TestParameterMap::zeroImageIsMarkedWhereClampedButNothingIsSaved()
{
    // Before the first poll the image holds zeros, below several minimums:
    // marked as values the editors cannot show, never as changes.
    ParameterMap::create(window.get(), &image, visualizers);
    refresh();
    for (QWidget* clamped : {static_cast<QWidget*>(widget<QDoubleSpinBox>("sbMTZ1_I")),
                             static_cast<QWidget*>(widget<QSpinBox>("sbKTT")),
                             static_cast<QWidget*>(widget<QDoubleSpinBox>("sbZNZ_AngleWidth")),
                             static_cast<QWidget*>(widget<QDoubleSpinBox>("sbOsc_T"))}) {
        QVERIFY2(clamped->toolTip().startsWith(QStringLiteral("в реле: 0")),
                 qPrintable(clamped->objectName()));
        QVERIFY(!isBold(clamped));
    }
    QCOMPARE(widget<QDoubleSpinBox>("sbMTZ1_T")->toolTip(), QString());
    QVERIFY(!isBold(widget<QDoubleSpinBox>("sbMTZ1_T")));
    QVERIFY(!isBold(widget<QComboBox>("cbMTZ1_On")));

    saveAll(0x4321);
    QVERIFY(image.writes.isEmpty());
}

void TestParameterMap::bitFieldsFollowTheBitOrder_data()
{
    QTest::addColumn<int>("reg");
    QTest::addColumn<int>("value");
    QTest::addColumn<QStringList>("checked");

    QTest::newRow("inputs 0x0401") << 6 << 0x0401 << QStringList{"checkDI1", "checkDO3_2"};
    QTest::newRow("inputs 0x0380")
        << 6 << 0x0380 << QStringList{"checkDO4", "checkDO5", "checkDO6"};
    QTest::newRow("inputs 0x0040") << 6 << 0x0040 << QStringList{"checkDO3_1"};
    QTest::newRow("leds 0x0100") << 7 << 0x0100 << QStringList{"ledUROV"};
    QTest::newRow("leds 0x00E0") << 7 << 0x00E0 << QStringList{"ledOTKL", "ledDI4", "ledIsprav"};
    QTest::newRow("leds 0x001F") << 7 << 0x001F
                                 << QStringList{"ledMTZ1", "ledMTZ2", "ledTO", "ledZNZ", "ledAPV"};
}

void TestParameterMap::bitFieldsFollowTheBitOrder()
{
    QFETCH(int, reg);
    QFETCH(int, value);
    QFETCH(QStringList, checked);

    ParameterMap::create(window.get(), &image, visualizers);
    image.set(reg, value);
    refresh();

    const QStringList names =
        reg == 6 ? QStringList{"checkDI1", "checkDI2", "checkDI3",   "checkDI4",
                               "checkDO1", "checkDO2", "checkDO3_1", "checkDO3_2",
                               "checkDO4", "checkDO5", "checkDO6"}
                 : QStringList{"ledMTZ1", "ledMTZ2", "ledTO",   "ledZNZ",   "ledAPV",
                               "ledUROV", "ledDI4",  "ledOTKL", "ledIsprav"};
    for (const QString& name : names) {
        auto* box = window->findChild<QCheckBox*>(name);
        QVERIFY2(box != nullptr, qPrintable(name));
        QVERIFY2(box->isChecked() == checked.contains(name), qPrintable(name));
    }
}

void TestParameterMap::interlocksAreBoundBothWays()
{
    ParameterMap::create(window.get(), &image, visualizers);
    image.set(48, 1);
    refresh();
    for (QComboBox* box : {widget<QComboBox>("cbMTZ1_Out"), widget<QComboBox>("cbMTZ2_Out"),
                           widget<QComboBox>("cbTO_Out"), widget<QComboBox>("cbZNZ_Out"),
                           widget<QComboBox>("cbVZ_Out")}) {
        box->setCurrentIndex(1);
        QCOMPARE(box->currentText(), QString("DO1"));
    }

    image.set(48, 0);
    for (int reg : {16, 27, 34, 40, 47}) {
        widget<QComboBox>("cbAPV_On")->setCurrentIndex(0);
        image.set(reg, 1);
        widget<QComboBox>("cbAPV_On")->setCurrentIndex(1);
        QCOMPARE(widget<QComboBox>("cbAPV_On")->currentIndex(), 0);
        image.set(reg, 0);
    }
    widget<QComboBox>("cbAPV_On")->setCurrentIndex(1);
    QCOMPARE(widget<QComboBox>("cbAPV_On")->currentIndex(), 1);
}

void TestParameterMap::missingWidgetIsLeftOutWithAWarning()
{
    delete widget<QDoubleSpinBox>("sbMTZ1_I");
    delete form->lblIb;
    delete form->ledUROV;
    // Same name, wrong kind of widget: not usable either.
    delete widget<QComboBox>("cbDI4");
    auto* impostor = new QSpinBox(window->centralWidget());
    impostor->setObjectName("cbDI4");

    QTest::ignoreMessage(QtWarningMsg,
                         "Parameter map: no QLabel named lblIb; its value is not shown");
    QTest::ignoreMessage(QtWarningMsg,
                         "Parameter map: no QAbstractButton named ledUROV; its value is not shown");
    QTest::ignoreMessage(QtWarningMsg,
                         "Parameter map: no QDoubleSpinBox named sbMTZ1_I; its value is not shown");
    QTest::ignoreMessage(QtWarningMsg,
                         "Parameter map: no QComboBox named cbDI4; its value is not shown");
    ParameterMap::create(window.get(), &image, visualizers);
    QCOMPARE(visualizers.size(), 79);

    image.set(0, 100);
    image.set(1, 200);
    image.set(52, 1);
    image.set(7, 0x01FF);
    refresh();
    QCOMPARE(form->lblIa->text(), QString("1.00"));
    QVERIFY(form->ledIsprav->isChecked());
}

void TestParameterMap::noRootCreatesNothing()
{
    QTest::ignoreMessage(QtWarningMsg, "Parameter map: no window to bind the parameters to");
    ParameterMap::create(nullptr, &image, visualizers);
    QVERIFY(visualizers.isEmpty());
}

QTEST_MAIN(TestParameterMap)
#include "tst_parametermap.moc"
