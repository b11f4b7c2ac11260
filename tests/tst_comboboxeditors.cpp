#include "ui/ComboBoxEditor.h"

#include "support/FakeRegisterImage.h"

#include <QComboBox>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QStringList>
#include <QTest>

#include <functional>
#include <memory>

namespace {

using Pair = QPair<int, int>;
using Factory = std::function<ComboBoxEditor*(QComboBox*, IModBusDev*)>;

const QList<uint16_t> outputRegisters{16, 27, 34, 40, 47};

QStringList itemsOf(const QComboBox& box)
{
    QStringList items;
    for (int i = 0; i < box.count(); ++i)
        items.append(box.itemText(i));
    return items;
}

bool isBold(const QWidget& widget)
{
    return widget.font().weight() == QFont::Bold;
}

} // namespace

Q_DECLARE_METATYPE(Factory)

class TestComboBoxEditors : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void itemTablesAreTheRelays_data();
    void itemTablesAreTheRelays();
    void fillingMarksAgainstTheImage_data();
    void fillingMarksAgainstTheImage();
    void freshEditorFollowsTheImage();
    void valueBeyondLastItemShowsErrorUnmarked();
    void errorTextIsPaintedInPlaceOfAnItem();
    void userSelectionAfterErrorIsComparedWithRegister();
    void saveWritesPasswordThenIndex();
    void resetBeyondLastItemLeavesNoItemSelected();
    void outputRefusesDO2WhileAutoRecloseIsOn();
    void autoRecloseRefusedWhileAnOutputIsDO2_data();
    void autoRecloseRefusedWhileAnOutputIsDO2();
    void interlocksCheckTheImageNotPendingChoices();
    void outputRefusalOnRefreshIsMarkedButNotWritten();
    void autoRecloseRefusalOnRefreshIsMarkedButNotWritten();
    void refusedRefreshFollowsTheRelayOnceAllowed();
    void refusalKeepsTheUsersEarlierChoice();
    void refusalDoesNotMakeARefreshResultTheUsers();

private:
    FakeRegisterImage image;
};

void TestComboBoxEditors::init()
{
    image = FakeRegisterImage();
}

void TestComboBoxEditors::itemTablesAreTheRelays_data()
{
    QTest::addColumn<Factory>("factory");
    QTest::addColumn<QStringList>("items");

    auto make = [](auto tag) {
        using EditorClass = typename decltype(tag)::type;
        return Factory([](QComboBox* box, IModBusDev* device) -> ComboBoxEditor* {
            return new EditorClass(box, device, 8);
        });
    };
    QTest::newRow("OnOff") << make(std::common_type<OnOffEditor>()) << QStringList{"Откл", "Вкл"};
    QTest::newRow("OutType") << Factory([](QComboBox* box, IModBusDev* device) {
        return static_cast<ComboBoxEditor*>(new OutTypeEditor(box, device, 16));
    }) << QStringList{"DO1", "DO2", "DO4"};
    QTest::newRow("CharType") << make(std::common_type<CharTypeEditor>())
                              << QStringList{"Независимая",  "Пологая",     "Крутая",
                                             "Чрезв. инв.",  "Сильно инв.", "Норм. инв.",
                                             "Тепловая б.п."};
    QTest::newRow("ReleType") << make(std::common_type<ReleTypeEditor>())
                              << QStringList{"3-х фазное", "2-х фазное"};
    QTest::newRow("DI3Type") << make(std::common_type<DI3TypeEditor>())
                             << QStringList{"ЧАПВ", "Блок", "Блок. инв.", "Вкл"};
    QTest::newRow("DI4Type") << make(std::common_type<DI4TypeEditor>())
                             << QStringList{"Откл", "Работа ВЗ"};
    QTest::newRow("DO1Type") << make(std::common_type<DO1TypeEditor>())
                             << QStringList{"Без ВВ", "200 мс", "500 мс", "Фиксация"};
    QTest::newRow("APVMode") << Factory([](QComboBox* box, IModBusDev* device) {
        return static_cast<ComboBoxEditor*>(new APVModeEditor(box, device, 48));
    }) << QStringList{"Откл", "АПВ1 крат", "АПВ2 крат"};
    QTest::newRow("VZType") << make(std::common_type<VZTypeEditor>())
                            << QStringList{"Отключение", "Индикация"};
    QTest::newRow("Speed") << make(std::common_type<SpeedEditor>())
                           << QStringList{"9600", "19200", "38400"};
    QTest::newRow("VZ_DO1Mode") << make(std::common_type<VZ_DO1ModeEditor>())
                                << QStringList{"Потенциальный", "Импульсный"};
    QTest::newRow("DO3_2_Mode") << make(std::common_type<DO3_2_ModeEditor>())
                                << QStringList{"МТЗ-1 мгновенный", "УРОВ"};
    QTest::newRow("Range3I0") << make(std::common_type<Range3I0Editor>())
                              << QStringList{"0.02-3.00A", "1.0-120.0A"};
}

void TestComboBoxEditors::itemTablesAreTheRelays()
{
    QFETCH(Factory, factory);
    QFETCH(QStringList, items);

    QComboBox box;
    // Whatever the form put there is replaced.
    box.addItem("stale");
    std::unique_ptr<ComboBoxEditor> editor(factory(&box, &image));
    QCOMPARE(itemsOf(box), items);
    QCOMPARE(box.currentIndex(), 0);

    // A second editor of the same class gets the same list.
    QComboBox second;
    std::unique_ptr<ComboBoxEditor> other(factory(&second, &image));
    QCOMPARE(itemsOf(second), items);
}

void TestComboBoxEditors::fillingMarksAgainstTheImage_data()
{
    QTest::addColumn<int>("registerValue");
    QTest::addColumn<bool>("marked");

    QTest::newRow("image 0 is the first item") << 0 << false;
    QTest::newRow("image 1 differs from the first item") << 1 << true;
    QTest::newRow("image beyond the items") << 5 << true;
}

void TestComboBoxEditors::fillingMarksAgainstTheImage()
{
    QFETCH(int, registerValue);
    QFETCH(bool, marked);

    // Appending the first item selects it, and that selection is compared
    // with the register like any other.
    image.set(8, registerValue);
    QComboBox box;
    OnOffEditor editor(&box, &image, 8);
    QCOMPARE(box.currentIndex(), 0);
    QCOMPARE(isBold(box), marked);
    QCOMPARE(editor.isModified(), marked);
    QCOMPARE(editor.lastSelectedIndex(), 0);

    // Nothing the user chose: it is not written, and a refresh shows the relay.
    editor.save(1);
    QVERIFY(image.writes.isEmpty());
    editor.visualize();
    QVERIFY(!isBold(box));
    QVERIFY(!editor.isModified());
}

void TestComboBoxEditors::freshEditorFollowsTheImage()
{
    QComboBox box;
    OnOffEditor editor(&box, &image, 8);
    editor.visualize();
    QCOMPARE(box.currentText(), QString("Откл"));
    QVERIFY(!isBold(box));

    image.set(8, 1);
    editor.visualize();
    QCOMPARE(box.currentText(), QString("Вкл"));
    QVERIFY(!isBold(box));
    QVERIFY(!editor.isModified());
}

void TestComboBoxEditors::valueBeyondLastItemShowsErrorUnmarked()
{
    QComboBox box;
    OnOffEditor editor(&box, &image, 8);
    image.set(8, 2);
    editor.visualize();

    QCOMPARE(box.currentIndex(), -1);
    QCOMPARE(box.placeholderText(), QString("Ошибка!"));
    QVERIFY(!isBold(box));
    QVERIFY(!editor.isModified());
    editor.save(1);
    QVERIFY(image.writes.isEmpty());

    image.set(8, 1);
    editor.visualize();
    QCOMPARE(box.currentText(), QString("Вкл"));
}

void TestComboBoxEditors::errorTextIsPaintedInPlaceOfAnItem()
{
    QComboBox box;
    OnOffEditor editor(&box, &image, 8);
    image.set(8, 7);
    editor.visualize();
    // A combo box whose selected item reads "Ошибка!" in the same colours
    // looks the same.
    QComboBox reference;
    reference.addItem(QStringLiteral("Ошибка!"));
    reference.setPalette(box.palette());
    QCOMPARE(box.toolTip(), QStringLiteral("в реле: 7 — нет такого значения"));
    box.resize(120, 30);
    reference.resize(120, 30);

    const QImage shown = box.grab().toImage();
    QCOMPARE(shown, reference.grab().toImage());
    reference.setItemText(0, QString());
    QVERIFY(shown != reference.grab().toImage());
}

void TestComboBoxEditors::userSelectionAfterErrorIsComparedWithRegister()
{
    QComboBox box;
    DO1TypeEditor editor(&box, &image, 59);
    image.set(59, 9);
    editor.visualize();

    box.setCurrentIndex(0);
    QVERIFY(isBold(box));
    QVERIFY(editor.isModified());
    editor.save(0xABCD);
    const QList<Pair> expected{{71, 0xABCD}, {59, 0}};
    QCOMPARE(image.writtenValues(), expected);
}

void TestComboBoxEditors::saveWritesPasswordThenIndex()
{
    QComboBox box;
    CharTypeEditor editor(&box, &image, 18);
    image.set(18, 1);
    editor.visualize();
    editor.save(3);
    QVERIFY(image.writes.isEmpty());

    box.setCurrentIndex(6);
    editor.save(3);
    const QList<Pair> expected{{71, 3}, {18, 6}};
    QCOMPARE(image.writtenValues(), expected);
    QCOMPARE(image.writes.at(0).values.size(), 1);
    QCOMPARE(image.writes.at(1).values.size(), 1);
    QVERIFY(editor.isWritten());
}

void TestComboBoxEditors::resetBeyondLastItemLeavesNoItemSelected()
{
    QComboBox box;
    SpeedEditor editor(&box, &image, 62);
    editor.visualize();
    box.setCurrentIndex(2);
    QVERIFY(isBold(box));

    image.set(62, 3);
    editor.reset();
    QCOMPARE(box.currentIndex(), -1);
    QVERIFY(!isBold(box));
    QVERIFY(!editor.isModified());
    editor.save(0);
    QVERIFY(image.writes.isEmpty());
}

void TestComboBoxEditors::outputRefusesDO2WhileAutoRecloseIsOn()
{
    QComboBox box;
    OutTypeEditor editor(&box, &image, 16);
    image.set(48, 1);
    editor.visualize();

    box.setCurrentIndex(1);
    QCOMPARE(box.currentIndex(), 0);
    QVERIFY(!isBold(box));

    box.setCurrentIndex(2);
    QCOMPARE(box.currentText(), QString("DO4"));
    QVERIFY(isBold(box));
    box.setCurrentIndex(1);
    QCOMPARE(box.currentText(), QString("DO4"));
    QVERIFY(isBold(box));

    box.setCurrentIndex(0);
    QCOMPARE(box.currentText(), QString("DO1"));
    QVERIFY(!isBold(box));
    QVERIFY(image.writes.isEmpty());
}

void TestComboBoxEditors::autoRecloseRefusedWhileAnOutputIsDO2_data()
{
    QTest::addColumn<QList<int>>("outputs");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<int>("shown");

    QTest::newRow("МТЗ-2 on DO2, АПВ1") << QList<int>{0, 1, 0, 0, 0} << 1 << 0;
    QTest::newRow("МТЗ-2 on DO2, АПВ2") << QList<int>{0, 1, 0, 0, 0} << 2 << 0;
    QTest::newRow("ВЗ on DO2") << QList<int>{2, 2, 2, 2, 1} << 1 << 0;
    QTest::newRow("no output on DO2") << QList<int>{0, 2, 2, 0, 2} << 1 << 1;
    QTest::newRow("outputs beyond the list") << QList<int>{3, 0xFFFF, 0, 0, 0} << 2 << 2;
}

void TestComboBoxEditors::autoRecloseRefusedWhileAnOutputIsDO2()
{
    QFETCH(QList<int>, outputs);
    QFETCH(int, chosen);
    QFETCH(int, shown);

    for (int i = 0; i < outputRegisters.size(); ++i)
        image.set(outputRegisters.at(i), outputs.at(i));
    QComboBox box;
    APVModeEditor editor(&box, &image, 48);
    editor.visualize();

    box.setCurrentIndex(chosen);
    QCOMPARE(box.currentIndex(), shown);
    QCOMPARE(editor.isModified(), shown != 0);
    QCOMPARE(isBold(box), shown != 0);
}

void TestComboBoxEditors::interlocksCheckTheImageNotPendingChoices()
{
    QComboBox apvBox, outBox;
    APVModeEditor apv(&apvBox, &image, 48);
    OutTypeEditor out(&outBox, &image, 40);
    apv.visualize();
    out.visualize();

    apvBox.setCurrentIndex(1);
    outBox.setCurrentIndex(1);
    QCOMPARE(apvBox.currentText(), QString("АПВ1 крат"));
    QCOMPARE(outBox.currentText(), QString("DO2"));

    apv.save(5);
    out.save(5);
    const QList<Pair> expected{{71, 5}, {48, 1}, {71, 5}, {40, 1}};
    QCOMPARE(image.writtenValues(), expected);
}

void TestComboBoxEditors::outputRefusalOnRefreshIsMarkedButNotWritten()
{
    QComboBox box;
    OutTypeEditor editor(&box, &image, 34);
    image.set(34, 2);
    editor.visualize();
    QCOMPARE(box.currentText(), QString("DO4"));

    image.set(34, 1);
    image.set(48, 2);
    editor.visualize();
    QCOMPARE(box.currentText(), QString("DO4"));
    QVERIFY(isBold(box));
    QVERIFY(editor.isModified());

    editor.save(1);
    editor.visualize();
    editor.save(1);
    QVERIFY(image.writes.isEmpty());
}

void TestComboBoxEditors::autoRecloseRefusalOnRefreshIsMarkedButNotWritten()
{
    QComboBox box;
    APVModeEditor editor(&box, &image, 48);
    image.set(48, 2);
    image.set(27, 1);
    editor.visualize();

    QCOMPARE(box.currentText(), QString("Откл"));
    QVERIFY(isBold(box));
    QVERIFY(editor.isModified());
    editor.save(1);
    QVERIFY(image.writes.isEmpty());
}

void TestComboBoxEditors::refusedRefreshFollowsTheRelayOnceAllowed()
{
    QComboBox box;
    APVModeEditor editor(&box, &image, 48);
    image.set(48, 2);
    image.set(16, 1);
    editor.visualize();
    QVERIFY(isBold(box));

    image.set(16, 0);
    editor.visualize();
    QCOMPARE(box.currentText(), QString("АПВ2 крат"));
    QVERIFY(!isBold(box));
    QVERIFY(!editor.isModified());
}

void TestComboBoxEditors::refusalKeepsTheUsersEarlierChoice()
{
    QComboBox box;
    OutTypeEditor editor(&box, &image, 47);
    image.set(48, 1);
    editor.visualize();
    box.setCurrentIndex(2);
    box.setCurrentIndex(1);
    QCOMPARE(box.currentText(), QString("DO4"));

    editor.save(0x10);
    const QList<Pair> expected{{71, 0x10}, {47, 2}};
    QCOMPARE(image.writtenValues(), expected);
}

void TestComboBoxEditors::refusalDoesNotMakeARefreshResultTheUsers()
{
    QComboBox box;
    OutTypeEditor editor(&box, &image, 16);
    image.set(16, 1);
    image.set(48, 1);
    editor.visualize();
    QCOMPARE(box.currentText(), QString("DO1"));
    QVERIFY(isBold(box));

    // The user tries DO2 and is refused: DO1 is back, but still not chosen.
    box.setCurrentIndex(1);
    QCOMPARE(box.currentText(), QString("DO1"));
    editor.save(0);
    QVERIFY(image.writes.isEmpty());

    // Choosing DO4 is a choice of the user's.
    box.setCurrentIndex(2);
    editor.save(0);
    const QList<Pair> expected{{71, 0}, {16, 2}};
    QCOMPARE(image.writtenValues(), expected);
}

QTEST_MAIN(TestComboBoxEditors)
#include "tst_comboboxeditors.moc"
