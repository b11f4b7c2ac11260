#include "ui/NumericEditors.h"

#include "support/FakeRegisterImage.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QFont>
#include <QLocale>
#include <QSpinBox>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>

namespace {

struct SpinSettings
{
    double minimum;
    double maximum;
    int decimals;
};

using Pair = QPair<int, int>;

} // namespace

Q_DECLARE_METATYPE(SpinSettings)

class TestEditors : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void constructionLeavesWidgetAlone();
    void focusedWidgetIsNotOverwrittenByRefresh();
    void editBackToImageValueEndsNormal();
    void saveWithoutModificationSendsNothing();
    void savedValueStaysUntilReadBack_data();
    void savedValueStaysUntilReadBack();
    void changingAgainAfterSaveKeepsTheEdit();
    void resetRestoresImageValueWithoutWriting();
    void widgetValueConvertsToRegister_data();
    void widgetValueConvertsToRegister();
    void roundingIsHalfAwayFromZeroInLow16Bits_data();
    void roundingIsHalfAwayFromZeroInLow16Bits();
    void changeMarkingComparesLow16Bits_data();
    void changeMarkingComparesLow16Bits();
    void unrepresentableValueIsMarkedButNotWritten_data();
    void unrepresentableValueIsMarkedButNotWritten();
    void unrepresentableValueIsWrittenOnceTheUserChangesIt();
    void unrepresentableValueKeepsFollowingTheRelay();
    void disabledWidgetNeverWrites();
    void editorAnswersToItsInterfaces();

private:
    QDoubleSpinBox* addDoubleSpin(double minimum, double maximum, int decimals);
    QSpinBox* addSpin(int minimum, int maximum);

    std::unique_ptr<QWidget> window;
    FakeRegisterImage image;
};

static bool isBold(const QWidget* widget)
{
    return widget->font().weight() == QFont::Bold;
}

void TestEditors::initTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void TestEditors::init()
{
    window = std::make_unique<QWidget>();
    new QVBoxLayout(window.get());
    image = FakeRegisterImage();
}

void TestEditors::cleanup()
{
    window.reset();
}

QDoubleSpinBox* TestEditors::addDoubleSpin(double minimum, double maximum, int decimals)
{
    auto* spin = new QDoubleSpinBox(window.get());
    spin->setDecimals(decimals);
    spin->setRange(minimum, maximum);
    window->layout()->addWidget(spin);
    return spin;
}

QSpinBox* TestEditors::addSpin(int minimum, int maximum)
{
    auto* spin = new QSpinBox(window.get());
    spin->setRange(minimum, maximum);
    window->layout()->addWidget(spin);
    return spin;
}

void TestEditors::constructionLeavesWidgetAlone()
{
    image.set(9, 150);
    auto* spin = addDoubleSpin(0.3, 120, 1);
    spin->setValue(7.5);
    CurrentEditor editor(spin, &image, 9);

    QCOMPARE(spin->value(), 7.5);
    QVERIFY(!isBold(spin));
    QVERIFY(!editor.isModified());
}

void TestEditors::focusedWidgetIsNotOverwrittenByRefresh()
{
    image.set(10, 100);
    auto* spin = addDoubleSpin(0, 250, 2);
    auto* other = addSpin(0, 99);
    TimeEditor editor(spin, &image, 10);
    editor.visualize();
    window->show();
    QApplication::setActiveWindow(window.get());
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    spin->setFocus();
    QVERIFY(spin->hasFocus());
    QVERIFY(editor.isEditing());

    image.set(10, 250);
    editor.visualize();
    QCOMPARE(spin->value(), 1.0);

    other->setFocus();
    QVERIFY(!spin->hasFocus());
    editor.visualize();
    QCOMPARE(spin->value(), 2.5);
    QVERIFY(!isBold(spin));
}

void TestEditors::editBackToImageValueEndsNormal()
{
    image.set(9, 150);
    auto* spin = addDoubleSpin(0.3, 120, 1);
    CurrentEditor editor(spin, &image, 9);
    editor.visualize();

    spin->setValue(1.6);
    QVERIFY(isBold(spin));
    QVERIFY(editor.isModified());
    QVERIFY(editor.isEditing());

    spin->setValue(1.5);
    QVERIFY(!isBold(spin));
    QVERIFY(!editor.isModified());
    QVERIFY(!editor.isEditing());
}

void TestEditors::saveWithoutModificationSendsNothing()
{
    image.set(9, 150);
    auto* spin = addDoubleSpin(0.3, 120, 1);
    CurrentEditor editor(spin, &image, 9);
    editor.visualize();
    editor.save(0x1234);

    QVERIFY(image.writes.isEmpty());
    QVERIFY(!editor.isWritten());
}

void TestEditors::savedValueStaysUntilReadBack_data()
{
    QTest::addColumn<int>("readBack");
    QTest::addColumn<double>("shown");
    QTest::addColumn<bool>("bold");

    QTest::newRow("relay took the value") << 200 << 2.0 << false;
    QTest::newRow("relay kept the old value") << 150 << 1.5 << true;
}

void TestEditors::savedValueStaysUntilReadBack()
{
    QFETCH(int, readBack);
    QFETCH(double, shown);
    QFETCH(bool, bold);

    image.set(9, 150);
    auto* spin = addDoubleSpin(0.3, 120, 1);
    CurrentEditor editor(spin, &image, 9);
    editor.visualize();
    spin->setValue(2.0);
    editor.save(0xBEEF);
    QCOMPARE(image.writes.size(), 2);
    QCOMPARE(image.writes.at(0).start, uint16_t(71));
    QCOMPARE(image.writes.at(0).values, QVector<uint16_t>{0xBEEF});
    QCOMPARE(image.writes.at(1).start, uint16_t(9));
    QCOMPARE(image.writes.at(1).values, QVector<uint16_t>{200});
    QVERIFY(editor.isWritten());

    // No read since the write: the refresh must not flash the old value back.
    editor.visualize();
    QCOMPARE(spin->value(), 2.0);
    QVERIFY(isBold(spin));
    QVERIFY(editor.isWritten());

    // A read sent after the write tells what the relay holds.
    image.set(9, static_cast<uint16_t>(readBack));
    editor.visualize();
    QCOMPARE(spin->value(), shown);
    QCOMPARE(isBold(spin), bold);
    QVERIFY(!editor.isWritten());
    QVERIFY(!editor.isUserChange());
    QCOMPARE(editor.isRefused(), bold);

    // The mark stays with later polls, and nothing is written again.
    image.set(9, static_cast<uint16_t>(readBack));
    editor.visualize();
    QCOMPARE(isBold(spin), bold);
    editor.save(0xBEEF);
    QCOMPARE(image.writes.size(), 2);
}

void TestEditors::changingAgainAfterSaveKeepsTheEdit()
{
    image.set(10, 100);
    auto* spin = addDoubleSpin(0, 250, 2);
    TimeEditor editor(spin, &image, 10);
    editor.visualize();
    spin->setValue(2.0);
    editor.save(1);
    spin->setValue(3.0);
    QVERIFY(!editor.isWritten());

    editor.visualize();
    QCOMPARE(spin->value(), 3.0);
    QVERIFY(isBold(spin));
    QVERIFY(editor.isModified());
}

void TestEditors::resetRestoresImageValueWithoutWriting()
{
    image.set(52, 100);
    auto* spin = addSpin(1, 5000);
    IntegerEditor editor(spin, &image, 52);
    editor.visualize();
    spin->setValue(400);
    QVERIFY(isBold(spin));

    editor.reset();
    QCOMPARE(spin->value(), 100);
    QVERIFY(!isBold(spin));
    QVERIFY(!editor.isModified());
    QVERIFY(image.writes.isEmpty());
    editor.save(0);
    QVERIFY(image.writes.isEmpty());
}

void TestEditors::widgetValueConvertsToRegister_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<SpinSettings>("settings");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");

    QTest::newRow("current 1.23") << "current" << SpinSettings{0.02, 3, 2} << 1.23 << 123;
    QTest::newRow("current 0.3") << "current" << SpinSettings{0.3, 120, 1} << 0.3 << 30;
    QTest::newRow("current 0.29") << "current" << SpinSettings{0.02, 3, 2} << 0.29 << 29;
    QTest::newRow("current 120.0") << "current" << SpinSettings{0.3, 120, 1} << 120.0 << 12000;
    QTest::newRow("time 250.00") << "time" << SpinSettings{0, 250, 2} << 250.0 << 25000;
    QTest::newRow("time 0.57") << "time" << SpinSettings{0, 250, 2} << 0.57 << 57;
    QTest::newRow("time 0.2 one decimal") << "time" << SpinSettings{0.2, 1, 1} << 0.2 << 20;
    QTest::newRow("angle 359") << "angle" << SpinSettings{0, 359, 0} << 359.0 << 3590;
    QTest::newRow("angle 10") << "angle" << SpinSettings{10, 180, 0} << 10.0 << 100;
    QTest::newRow("integer 5000") << "integer" << SpinSettings{1, 5000, 0} << 5000.0 << 5000;
    QTest::newRow("integer low 16 bits") << "integer" << SpinSettings{0, 100000, 0} << 65543.0 << 7;
}

void TestEditors::widgetValueConvertsToRegister()
{
    QFETCH(QString, kind);
    QFETCH(SpinSettings, settings);
    QFETCH(double, value);
    QFETCH(int, expected);

    // The image holds a value no row expects, so every row is a modification.
    image.set(20, 11111);
    std::unique_ptr<SettingEditor> editor;
    QWidget* widget = nullptr;
    if (kind == "integer") {
        auto* spin = addSpin(int(settings.minimum), int(settings.maximum));
        editor = std::make_unique<IntegerEditor>(spin, &image, 20);
        spin->setValue(int(value));
        widget = spin;
    } else {
        auto* spin = addDoubleSpin(settings.minimum, settings.maximum, settings.decimals);
        if (kind == "current")
            editor = std::make_unique<CurrentEditor>(spin, &image, 20);
        else if (kind == "time")
            editor = std::make_unique<TimeEditor>(spin, &image, 20);
        else
            editor = std::make_unique<AngleEditor>(spin, &image, 20);
        // From a value the row does not use, so that the change is signalled.
        spin->setValue(settings.maximum);
        spin->setValue(settings.minimum);
        spin->setValue(value);
        widget = spin;
    }
    QVERIFY(isBold(widget));
    editor->save(0x0102);

    const QList<Pair> expectedWrites{{71, 0x0102}, {20, expected}};
    QCOMPARE(image.writtenValues(), expectedWrites);
}

void TestEditors::roundingIsHalfAwayFromZeroInLow16Bits_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("expected");

    QTest::newRow("2.5") << 2.5 << 1 << 3;
    QTest::newRow("-2.5") << -2.5 << 1 << 0xFFFD;
    QTest::newRow("2.4") << 2.4 << 1 << 2;
    QTest::newRow("0.005 x 100") << 0.005 << 100 << 1;
    QTest::newRow("1.23 x 100") << 1.23 << 100 << 123;
    QTest::newRow("70000") << 70000.0 << 1 << 70000 - 65536;
    QTest::newRow("655.36 x 100") << 655.36 << 100 << 0;
}

void TestEditors::roundingIsHalfAwayFromZeroInLow16Bits()
{
    QFETCH(double, value);
    QFETCH(int, scale);
    QFETCH(int, expected);

    QCOMPARE(int(scaledToRegister(value, scale)), expected);
}

void TestEditors::changeMarkingComparesLow16Bits_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("registerValue");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("marked");

    // The relay stores 16 bits: a value whose low 16 bits equal the register
    // is the same setting, however far apart the widget numbers are.
    QTest::newRow("integer 65543 is 7") << "integer" << 7 << 65543.0 << false;
    QTest::newRow("integer 65536 is 0") << "integer" << 0 << 65536.0 << false;
    QTest::newRow("integer 65542 is not 7") << "integer" << 7 << 65542.0 << true;
    QTest::newRow("integer 40000 above 32767") << "integer" << 40000 << 40000.0 << false;
    QTest::newRow("integer 40000 is not 40001") << "integer" << 40001 << 40000.0 << true;
    QTest::newRow("current 655.36 is 0") << "current" << 0 << 655.36 << false;
    QTest::newRow("current 655.37 is 1") << "current" << 1 << 655.37 << false;
    QTest::newRow("current 655.35 is 65535") << "current" << 0xFFFF << 655.35 << false;
    QTest::newRow("current 655.36 is not 1") << "current" << 1 << 655.36 << true;
}

void TestEditors::changeMarkingComparesLow16Bits()
{
    QFETCH(QString, kind);
    QFETCH(int, registerValue);
    QFETCH(double, value);
    QFETCH(bool, marked);

    std::unique_ptr<SettingEditor> editor;
    QWidget* widget = nullptr;
    if (kind == "integer") {
        auto* spin = addSpin(0, 100000);
        // From a value no row uses, so that setting the row's value is a change.
        spin->setValue(99999);
        editor = std::make_unique<IntegerEditor>(spin, &image, 40);
        image.set(40, registerValue);
        spin->setValue(int(value));
        widget = spin;
    } else {
        auto* spin = addDoubleSpin(0, 999.99, 2);
        spin->setValue(999.99);
        editor = std::make_unique<CurrentEditor>(spin, &image, 40);
        image.set(40, registerValue);
        spin->setValue(value);
        widget = spin;
    }

    QCOMPARE(isBold(widget), marked);
    QCOMPARE(editor->isModified(), marked);
    editor->save(1);
    QCOMPARE(image.writes.isEmpty(), !marked);
}

void TestEditors::unrepresentableValueIsMarkedButNotWritten_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<SpinSettings>("settings");
    QTest::addColumn<int>("registerValue");
    QTest::addColumn<double>("shown");
    QTest::addColumn<QString>("toolTip");

    QTest::newRow("rounded to one decimal") << "current" << SpinSettings{0.3, 120, 1} << 123 << 1.2
                                            << "в реле: 123 (1.23) — точнее, чем показывает поле";
    QTest::newRow("below minimum, widget already there")
        << "current" << SpinSettings{0.3, 120, 1} << 0 << 0.3
        << "в реле: 0 (0.0) — вне диапазона 0.3…120.0";
    QTest::newRow("above maximum") << "time" << SpinSettings{0.2, 1, 1} << 250 << 1.0
                                   << "в реле: 250 (2.5) — вне диапазона 0.2…1.0";
    QTest::newRow("ratio 0 below 1")
        << "integer" << SpinSettings{1, 5000, 0} << 0 << 1.0 << "в реле: 0 — вне диапазона 1…5000";
    QTest::newRow("address above 99")
        << "integer" << SpinSettings{0, 99, 0} << 150 << 99.0 << "в реле: 150 — вне диапазона 0…99";
}

void TestEditors::unrepresentableValueIsMarkedButNotWritten()
{
    QFETCH(QString, kind);
    QFETCH(SpinSettings, settings);
    QFETCH(int, registerValue);
    QFETCH(double, shown);
    QFETCH(QString, toolTip);

    image.set(30, registerValue);
    std::unique_ptr<SettingEditor> editor;
    QAbstractSpinBox* widget = nullptr;
    if (kind == "integer") {
        auto* spin = addSpin(int(settings.minimum), int(settings.maximum));
        editor = std::make_unique<IntegerEditor>(spin, &image, 30);
        editor->visualize();
        QCOMPARE(double(spin->value()), shown);
        widget = spin;
    } else {
        auto* spin = addDoubleSpin(settings.minimum, settings.maximum, settings.decimals);
        if (kind == "current")
            editor = std::make_unique<CurrentEditor>(spin, &image, 30);
        else
            editor = std::make_unique<TimeEditor>(spin, &image, 30);
        editor->visualize();
        QCOMPARE(spin->value(), shown);
        widget = spin;
    }

    // Marked apart from a change of the user's: red, not bold.
    QVERIFY(!isBold(widget));
    QVERIFY(!editor->isModified());
    QVERIFY(editor->isUnrepresentable());
    QCOMPARE(widget->toolTip(), toolTip);
    QVERIFY(widget->palette().color(QPalette::Text) !=
            QApplication::palette().color(QPalette::Text));
    editor->save(0x5555);
    QVERIFY(image.writes.isEmpty());

    // Neither a further refresh nor a reset turns it into a write.
    editor->visualize();
    editor->reset();
    QVERIFY(editor->isUnrepresentable());
    QVERIFY(!isBold(widget));
    editor->save(0x5555);
    QVERIFY(image.writes.isEmpty());
}

void TestEditors::unrepresentableValueIsWrittenOnceTheUserChangesIt()
{
    image.set(9, 123);
    auto* spin = addDoubleSpin(0.3, 120, 1);
    CurrentEditor editor(spin, &image, 9);
    editor.visualize();
    QCOMPARE(spin->value(), 1.2);

    spin->setValue(1.3);
    QVERIFY(editor.isUserChange());
    editor.save(7);
    const QList<Pair> expected{{71, 7}, {9, 130}};
    QCOMPARE(image.writtenValues(), expected);
}

void TestEditors::unrepresentableValueKeepsFollowingTheRelay()
{
    image.set(61, 150);
    auto* spin = addSpin(0, 99);
    IntegerEditor editor(spin, &image, 61);
    editor.visualize();
    QCOMPARE(spin->value(), 99);
    QVERIFY(editor.isUnrepresentable());

    image.set(61, 5);
    editor.visualize();
    QCOMPARE(spin->value(), 5);
    QVERIFY(!isBold(spin));
    QVERIFY(!editor.isModified());
    QVERIFY(!editor.isUnrepresentable());
    QCOMPARE(spin->toolTip(), QString());
    QCOMPARE(spin->palette().color(QPalette::Text), QApplication::palette().color(QPalette::Text));
}

void TestEditors::disabledWidgetNeverWrites()
{
    image.set(61, 3);
    auto* spin = addSpin(0, 99);
    spin->setEnabled(false);
    IntegerEditor editor(spin, &image, 61);
    editor.visualize();
    QCOMPARE(spin->value(), 3);

    spin->setValue(4);
    QVERIFY(editor.isModified());
    editor.save(0);
    QVERIFY(image.writes.isEmpty());

    image.set(61, 8);
    editor.reset();
    QCOMPARE(spin->value(), 8);
}

void TestEditors::editorAnswersToItsInterfaces()
{
    auto* spin = addSpin(0, 99);
    IVisualizer* visualizer = new IntegerEditor(spin, &image, 61);
    auto* object = dynamic_cast<QObject*>(visualizer);
    QVERIFY(object != nullptr);
    QVERIFY(object->qt_metacast("IVisualizer") != nullptr);
    QVERIFY(object->qt_metacast("Editor") != nullptr);

    IEditor* editor = dynamic_cast<IEditor*>(visualizer);
    QVERIFY(editor != nullptr);
    spin->setValue(42);
    editor->save(9);
    QCOMPARE(image.writes.size(), 2);
    delete visualizer;
}

QTEST_MAIN(TestEditors)
#include "tst_editors.moc"
