#include "ui/MainWindowForm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QScrollArea>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTest>

class TestMainWindowForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void windowHasTitleSizeAndFrame();
    void objectNamesAreUnique();

    void settingsControl_data();
    void settingsControl();
    void settingsGroupStandsInItsPageCell_data();
    void settingsGroupStandsInItsPageCell();

    void measuredValueShowsZeroBesideItsCaption_data();
    void measuredValueShowsZeroBesideItsCaption();
    void indicatorStandsInItsColumn_data();
    void indicatorStandsInItsColumn();
    void commandButtonStandsInItsCell_data();
    void commandButtonStandsInItsCell();
    void currentValuesPageArrangement();

    void menuBarHoldsMenusInOrder();
    void menuHoldsActionsInOrder_data();
    void menuHoldsActionsInOrder();
    void logModeActionsAreCheckableAndUnchecked();
    void everyActionIsInAMenu();

    void tabsInOrderWithParametersCurrent();
    void sectionListHasThreeUnselectedItems();
    void sectionRowSelectsPage_data();
    void sectionRowSelectsPage();

    void crashInfoRows_data();
    void crashInfoRows();
    void crashSaveControlsStartDisabled();
    void logTabHoldsLogList();

    void retranslateKeepsTextsAndAddsNothing();
    void everyPageFitsTheInitialWindowSize();

private:
    QMainWindow* window = nullptr;
    MainWindowForm* form = nullptr;
};

namespace {

const char* const Combo = "QComboBox";
const char* const Real = "QDoubleSpinBox";
const char* const Int = "QSpinBox";

// The caption label of a widget that stands in column 1 of a label-control
// grid: the label in column 0 of the same row.
QLabel* captionOf(QWidget* widget, int* row = nullptr)
{
    auto* grid = qobject_cast<QGridLayout*>(widget->parentWidget()->layout());
    if (!grid)
        return nullptr;
    const int index = grid->indexOf(widget);
    if (index < 0)
        return nullptr;
    int r, column, rowSpan, columnSpan;
    grid->getItemPosition(index, &r, &column, &rowSpan, &columnSpan);
    if (column != 1)
        return nullptr;
    if (row)
        *row = r;
    QLayoutItem* item = grid->itemAtPosition(r, 0);
    return item ? qobject_cast<QLabel*>(item->widget()) : nullptr;
}

struct Cell
{
    int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
};

Cell cellOf(QWidget* widget)
{
    Cell cell;
    auto* grid = qobject_cast<QGridLayout*>(widget->parentWidget()->layout());
    if (grid && grid->indexOf(widget) >= 0)
        grid->getItemPosition(grid->indexOf(widget), &cell.row, &cell.column, &cell.rowSpan,
                              &cell.columnSpan);
    return cell;
}

QStringList actionNames(const QList<QAction*>& actions)
{
    QStringList names;
    for (QAction* action : actions)
        names << (action->menu() ? action->menu()->objectName() : action->objectName());
    return names;
}

} // namespace

// One untouched form serves the tests that only read it (and the data
// functions, which run before any per-test set-up); tests that change the
// form build their own.
void TestMainWindowForm::initTestCase()
{
    window = new QMainWindow;
    form = new MainWindowForm;
    form->setupUi(window);
}

void TestMainWindowForm::cleanupTestCase()
{
    delete window;
    window = nullptr;
    delete form;
    form = nullptr;
}

void TestMainWindowForm::windowHasTitleSizeAndFrame()
{
    QCOMPARE(window->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window->windowTitle(), QStringLiteral("TALVIK Клиент"));
    QCOMPARE(window->size(), QSize(795, 836));
    QCOMPARE(window->menuBar(), form->menuBar);
    QCOMPARE(window->statusBar(), form->statusBar);
    QVERIFY(form->statusBar->currentMessage().isEmpty());
    QCOMPARE(window->centralWidget(), form->centralWidget);

    // The tab widget is alone in the central widget, with no margins around it.
    QLayout* central = form->centralWidget->layout();
    QVERIFY(central);
    QCOMPARE(central->count(), 1);
    QCOMPARE(central->itemAt(0)->widget(), form->tabWidget);
    QCOMPARE(central->contentsMargins(), QMargins(0, 0, 0, 0));
}

void TestMainWindowForm::objectNamesAreUnique()
{
    QSet<QString> names;
    const QList<QObject*> objects = window->findChildren<QObject*>();
    for (QObject* object : objects) {
        const QString name = object->objectName();
        // Qt names its own helpers (a line edit's clear button) alike.
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) ||
            name.startsWith(QLatin1String("_q_")))
            continue;
        QVERIFY2(!names.contains(name), qPrintable(name));
        names.insert(name);
    }
}

void TestMainWindowForm::settingsControl_data()
{
    QTest::addColumn<QObject*>("member");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("groupName");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("step");
    QTest::addColumn<bool>("enabled");

    QString group, groupName;
    int row = 0;
    auto startGroup = [&](const char* box, const char* title) {
        groupName = QString::fromLatin1(box);
        group = QString::fromUtf8(title);
        row = 0;
    };
    auto add = [&](const char* name, QObject* member, const char* className, const char* caption,
                   double minimum = 0, double maximum = 0, int decimals = 0, double step = 0,
                   bool enabled = true) {
        QTest::newRow(name) << member << QString::fromLatin1(className) << group << groupName
                            << row++ << QString::fromUtf8(caption) << minimum << maximum << decimals
                            << step << enabled;
    };
    const bool disabled = false;
    // The controls are built from the setting table and found by their names.
    auto control = [this](const char* name) {
        return window->findChild<QObject*>(QString::fromLatin1(name));
    };

    startGroup("groupBox_4", "МТЗ-1");
    add("cbMTZ1_On", control("cbMTZ1_On"), Combo, "Вкл/Откл");
    add("sbMTZ1_I", control("sbMTZ1_I"), Real, "Iсраб", 0.3, 120, 1, 0.1);
    add("sbMTZ1_T", control("sbMTZ1_T"), Real, "Tсраб", 0, 250, 2, 0.01);
    add("cbMTZ1_APV", control("cbMTZ1_APV"), Combo, "Пуск АПВ");
    add("cbMTZ1_Block", control("cbMTZ1_Block"), Combo, "Блок DI3");
    add("cbMTZ1_Uskor", control("cbMTZ1_Uskor"), Combo, "Ускорение");
    add("sbMTZ1_Tuskor", control("sbMTZ1_Tuskor"), Real, "Туск", 0, 1, 2, 0.01);
    add("cbMTZ1_Bnt", control("cbMTZ1_Bnt"), Combo, "Блок. БНТ");
    add("cbMTZ1_Out", control("cbMTZ1_Out"), Combo, "Выход");
    add("cbMTZ1_DO3", control("cbMTZ1_DO3"), Combo, "Пуск на DO3");
    add("cbMTZ1_Characteristic", control("cbMTZ1_Characteristic"), Combo, "Характеристика");

    startGroup("groupBox_5", "МТЗ-2");
    add("cbMTZ2_On", control("cbMTZ2_On"), Combo, "Вкл/Откл");
    add("sbMTZ2_I", control("sbMTZ2_I"), Real, "Iсраб", 0.3, 120, 1, 0.1);
    add("sbMTZ2_T", control("sbMTZ2_T"), Real, "Tсраб", 0, 250, 2, 0.01);
    add("cbMTZ2_APV", control("cbMTZ2_APV"), Combo, "Пуск АПВ");
    add("cbMTZ2_Block", control("cbMTZ2_Block"), Combo, "Блок DI3");
    add("cbMTZ2_Uskor", control("cbMTZ2_Uskor"), Combo, "Ускорение");
    add("sbMTZ2_Tuskor", control("sbMTZ2_Tuskor"), Real, "Туск", 0, 1, 2, 0.01);
    add("cbMTZ2_Bnt", control("cbMTZ2_Bnt"), Combo, "Блок. БНТ");
    add("cbMTZ2_Out", control("cbMTZ2_Out"), Combo, "Выход");

    startGroup("groupBox_6", "ТО");
    add("cbTO_On", control("cbTO_On"), Combo, "Вкл/Откл");
    add("sbTO_I", control("sbTO_I"), Real, "Iсраб", 0.3, 120, 1, 0.1);
    add("sbTO_T", control("sbTO_T"), Real, "Tсраб", 0, 30, 2, 0.01);
    add("cbTO_APV", control("cbTO_APV"), Combo, "Пуск АПВ");
    add("cbTO_Block", control("cbTO_Block"), Combo, "Блок DI3");
    add("cbTO_Bnt", control("cbTO_Bnt"), Combo, "Блок. БНТ");
    add("cbTO_Out", control("cbTO_Out"), Combo, "Выход");

    startGroup("groupBox_7", "ЗНЗ");
    add("cbZNZ_On", control("cbZNZ_On"), Combo, "Вкл/Откл");
    add("cb3I0Range", control("cb3I0Range"), Combo, "Диапазон 3I0", 0, 0, 0, 0, disabled);
    add("sbZNZ_I1", control("sbZNZ_I1"), Real, "Iсраб (0.02 - 3.00)", 0.02, 3, 2, 0.01);
    add("sbZNZ_I2", control("sbZNZ_I2"), Real, "Iсраб (0.3 - 120.0)", 0.3, 120, 2, 0.1);
    add("sbZNZ_T", control("sbZNZ_T"), Real, "Tсраб", 0, 250, 2, 0.01);
    add("cbZNZ_APV", control("cbZNZ_APV"), Combo, "Пуск АПВ");
    add("cbZNZ_Block", control("cbZNZ_Block"), Combo, "Блок DI3");
    add("cbZNZ_Out", control("cbZNZ_Out"), Combo, "Выход");
    add("cbZNZ_Direct", control("cbZNZ_Direct"), Combo, "Направленность");
    add("sbZNZ_AngleMax", control("sbZNZ_AngleMax"), Real, "Угол м.ч.", 0, 359, 0, 1);
    add("sbZNZ_AngleWidth", control("sbZNZ_AngleWidth"), Real, "Угол. шир.", 10, 180, 0, 1);

    startGroup("groupBox_8", "ВЗ");
    add("cbVZ_On", control("cbVZ_On"), Combo, "Вкл/Откл");
    add("cbVZ_Ind", control("cbVZ_Ind"), Combo, "Индик./откл.");
    add("sbVZ_T", control("sbVZ_T"), Real, "Tсраб", 0, 20, 2, 0.01);
    add("cbVZ_APV", control("cbVZ_APV"), Combo, "Пуск АПВ");
    add("cbVZ_PuskPoI", control("cbVZ_PuskPoI"), Combo, "Пуск по I");
    add("cbVZ_Out", control("cbVZ_Out"), Combo, "Выход");
    add("cbVZ_DO1_Mode", control("cbVZ_DO1_Mode"), Combo, "Выход DO1<br>Работа");

    startGroup("groupBox_9", "АПВ");
    add("cbAPV_On", control("cbAPV_On"), Combo, "Работа АПВ");
    add("sbAPV_Tgot", control("sbAPV_Tgot"), Real, "Тгот", 0, 240, 2, 0.01);
    add("sbAPV1_Tsrab", control("sbAPV1_Tsrab"), Real, "АПВ1 Tсраб", 0, 60, 2, 0.01);
    add("sbAPV2_Tsrab", control("sbAPV2_Tsrab"), Real, "АПВ2 Тсраб", 0, 60, 2, 0.01);
    add("cbCHAPV_On", control("cbCHAPV_On"), Combo, "ЧАПВ");

    startGroup("groupBox_16", "УРОВ");
    add("sbUrov_T", control("sbUrov_T"), Real, "Тсраб", 0.1, 2, 2, 0.01);
    add("cbUROV_MTZ1", control("cbUROV_MTZ1"), Combo, "Пуск МТЗ-1");
    add("cbUROV_MTZ2", control("cbUROV_MTZ2"), Combo, "Пуск МТЗ-2");
    add("cbUROV_TO", control("cbUROV_TO"), Combo, "Пуск ТО");
    add("cbUROV_ZNZ", control("cbUROV_ZNZ"), Combo, "Пуск ЗНЗ");
    add("cbUROV_VZ", control("cbUROV_VZ"), Combo, "Пуск ВЗ");

    startGroup("groupBox_12", "Конфигурация");
    add("sbKTT", control("sbKTT"), Int, "Ктр ТТ", 1, 5000, 0, 1);
    add("sbKTT0", control("sbKTT0"), Int, "Ктр ТТ0", 1, 5000, 0, 1);
    add("sbKTU0", control("sbKTU0"), Int, "Ктр ТH0", 1, 5000, 0, 1);
    add("cbIspoln", control("cbIspoln"), Combo, "Исполнение", 0, 0, 0, 0, disabled);
    add("cbDI3", control("cbDI3"), Combo, "Вход DI3");
    add("cbDI4", control("cbDI4"), Combo, "Вход DI4");
    add("cbDO6", control("cbDO6"), Combo, "Возврат DO6");
    add("cbDO1", control("cbDO1"), Combo, "Возврат DO1");
    add("cbRazreshTU", control("cbRazreshTU"), Combo, "Разреш. ТУ", 0, 0, 0, 0, disabled);
    add("cbInverseVD6", control("cbInverseVD6"), Combo, "Инверсия VD8");
    add("cbDO3_2", control("cbDO3_2"), Combo, "DO3_2");

    startGroup("groupBox_13", "Связь");
    add("sbLink_Address", control("sbLink_Address"), Int, "Адрес", 0, 99, 0, 1, disabled);
    add("cbLink_Speed", control("cbLink_Speed"), Combo, "Скорость", 0, 0, 0, 0, disabled);
    add("cbLink_Batt", control("cbLink_Batt"), Combo, "Батарея");

    startGroup("groupBox_14", "Осциллограф");
    add("sbOsc_T", control("sbOsc_T"), Real, "Вр. зап.", 0.2, 1, 1, 0.1);
    add("cbOsc_MTZ1", control("cbOsc_MTZ1"), Combo, "Пуск МТЗ-1");
    add("cbOsc_MTZ2", control("cbOsc_MTZ2"), Combo, "Пуск МТЗ-2");
    add("cbOsc_TO", control("cbOsc_TO"), Combo, "Пуск ТО");
    add("cbOsc_ZNZ", control("cbOsc_ZNZ"), Combo, "Пуск ЗНЗ");
}

void TestMainWindowForm::settingsControl()
{
    QFETCH(QObject*, member);
    QFETCH(QString, className);
    QFETCH(QString, group);
    QFETCH(QString, groupName);
    QFETCH(int, row);
    QFETCH(QString, caption);
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(int, decimals);
    QFETCH(double, step);
    QFETCH(bool, enabled);

    // Found by its object name, once, and the form's member is that widget.
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    const QList<QWidget*> found = window->findChildren<QWidget*>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(static_cast<QObject*>(found.first()), member);
    QWidget* widget = found.first();
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    QCOMPARE(widget->isEnabled(), enabled);

    auto* box = qobject_cast<QGroupBox*>(widget->parentWidget());
    QVERIFY(box);
    QCOMPARE(box->objectName(), groupName);
    QCOMPARE(box->title(), group);

    int shownRow = -1;
    QLabel* label = captionOf(widget, &shownRow);
    QVERIFY2(label, "no caption in column 0 of the widget's row");
    QCOMPARE(shownRow, row);
    QCOMPARE(label->text(), caption);
    QCOMPARE(label->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight | Qt::AlignTrailing);
    QCOMPARE(label->alignment() & Qt::AlignVertical_Mask, Qt::AlignVCenter);

    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        QCOMPARE(combo->count(), 0);
    } else if (auto* real = qobject_cast<QDoubleSpinBox*>(widget)) {
        QCOMPARE(real->decimals(), decimals);
        QCOMPARE(real->minimum(), minimum);
        QCOMPARE(real->maximum(), maximum);
        QCOMPARE(real->singleStep(), step);
        QCOMPARE(real->value(), minimum);
        QVERIFY(real->prefix().isEmpty());
        QVERIFY(real->suffix().isEmpty());
    } else if (auto* integer = qobject_cast<QSpinBox*>(widget)) {
        QCOMPARE(integer->minimum(), int(minimum));
        QCOMPARE(integer->maximum(), int(maximum));
        QCOMPARE(integer->singleStep(), int(step));
        QCOMPARE(integer->value(), int(minimum));
        QCOMPARE(integer->displayIntegerBase(), 10);
        QVERIFY(integer->prefix().isEmpty());
        QVERIFY(integer->suffix().isEmpty());
    }
}

void TestMainWindowForm::settingsGroupStandsInItsPageCell_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("rowSpan");

    QTest::newRow("groupBox_4") << "pageMTZ" << 0 << 0 << 1;
    QTest::newRow("groupBox_5") << "pageMTZ" << 0 << 1 << 1;
    QTest::newRow("groupBox_6") << "pageMTZ" << 1 << 0 << 1;
    QTest::newRow("groupBox_7") << "pageMTZ" << 1 << 1 << 1;
    QTest::newRow("groupBox_8") << "pageOthers" << 0 << 0 << 2;
    QTest::newRow("groupBox_12") << "pageOthers" << 2 << 0 << 3;
    QTest::newRow("groupBox_9") << "pageOthers" << 0 << 1 << 1;
    QTest::newRow("groupBox_16") << "pageOthers" << 1 << 1 << 2;
    QTest::newRow("groupBox_13") << "pageOthers" << 3 << 1 << 1;
    QTest::newRow("groupBox_14") << "pageOthers" << 4 << 1 << 1;
}

void TestMainWindowForm::settingsGroupStandsInItsPageCell()
{
    QFETCH(QString, page);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, rowSpan);

    auto* box = window->findChild<QGroupBox*>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(box);
    QCOMPARE(box->parentWidget()->objectName(), page);
    const Cell cell = cellOf(box);
    QCOMPARE(cell.row, row);
    QCOMPARE(cell.column, column);
    QCOMPARE(cell.rowSpan, rowSpan);
    QCOMPARE(cell.columnSpan, 1);
}

void TestMainWindowForm::measuredValueShowsZeroBesideItsCaption_data()
{
    QTest::addColumn<QObject*>("member");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("caption");

    QTest::newRow("lblIa") << static_cast<QObject*>(form->lblIa) << 0 << "Ia, А";
    QTest::newRow("lblIb") << static_cast<QObject*>(form->lblIb) << 1 << "Ib, А";
    QTest::newRow("lblIc") << static_cast<QObject*>(form->lblIc) << 2 << "Ic, А";
    QTest::newRow("lbl3I0") << static_cast<QObject*>(form->lbl3I0) << 3 << "3I0, А";
    QTest::newRow("lbl3U0") << static_cast<QObject*>(form->lbl3U0) << 4 << "3U0, В";
    QTest::newRow("lblAngle") << static_cast<QObject*>(form->lblAngle) << 5 << "Угол, гр.";
}

void TestMainWindowForm::measuredValueShowsZeroBesideItsCaption()
{
    QFETCH(QObject*, member);
    QFETCH(int, row);
    QFETCH(QString, caption);

    auto* value = window->findChild<QLabel*>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(value);
    QCOMPARE(static_cast<QObject*>(value), member);
    QCOMPARE(value->text(), QStringLiteral("0"));
    QCOMPARE(value->parentWidget(), form->groupBox);
    int shownRow = -1;
    QLabel* label = captionOf(value, &shownRow);
    QVERIFY(label);
    QCOMPARE(shownRow, row);
    QCOMPARE(label->text(), caption);
    QCOMPARE(label->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight | Qt::AlignTrailing);
    QCOMPARE(label->alignment() & Qt::AlignVertical_Mask, Qt::AlignVCenter);
}

void TestMainWindowForm::indicatorStandsInItsColumn_data()
{
    QTest::addColumn<QObject*>("member");
    QTest::addColumn<QString>("groupName");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("caption");

    const MainWindowForm& f = *form;
    int position = 0;
    auto led = [&](const char* name, QObject* member, const char* caption) {
        QTest::newRow(name) << member << "groupBox_2" << position++ << QString::fromUtf8(caption);
    };
    led("ledMTZ1", f.ledMTZ1, "МТЗ-1");
    led("ledMTZ2", f.ledMTZ2, "МТЗ-2");
    led("ledTO", f.ledTO, "ТО");
    led("ledZNZ", f.ledZNZ, "ЗНЗ");
    led("ledAPV", f.ledAPV, "АПВ");
    led("ledUROV", f.ledUROV, "УРОВ");
    led("ledDI4", f.ledDI4, "ВЗ/DI4");
    led("ledOTKL", f.ledOTKL, "РПВ/РПО");
    led("ledIsprav", f.ledIsprav, "Исправно");

    position = 0;
    auto io = [&](const char* name, QObject* member, const char* caption) {
        QTest::newRow(name) << member << "groupBox_3" << position++ << QString::fromUtf8(caption);
    };
    io("checkDI1", f.checkDI1, "DI1");
    io("checkDI2", f.checkDI2, "DI2");
    io("checkDI3", f.checkDI3, "DI3");
    io("checkDI4", f.checkDI4, "DI4");
    io("checkDO1", f.checkDO1, "DO1");
    io("checkDO2", f.checkDO2, "DO2");
    io("checkDO3_1", f.checkDO3_1, "DO3_1");
    io("checkDO3_2", f.checkDO3_2, "DO3_2");
    io("checkDO4", f.checkDO4, "DO4");
    io("checkDO5", f.checkDO5, "DO5");
    io("checkDO6", f.checkDO6, "DO6");
}

void TestMainWindowForm::indicatorStandsInItsColumn()
{
    QFETCH(QObject*, member);
    QFETCH(QString, groupName);
    QFETCH(int, position);
    QFETCH(QString, caption);

    auto* check = window->findChild<QCheckBox*>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(check);
    QCOMPARE(static_cast<QObject*>(check), member);
    QCOMPARE(check->text(), caption);
    QVERIFY(!check->isChecked());
    QWidget* box = check->parentWidget();
    QCOMPARE(box->objectName(), groupName);
    QCOMPARE(box->layout()->indexOf(check), position);
}

void TestMainWindowForm::commandButtonStandsInItsCell_data()
{
    QTest::addColumn<QObject*>("member");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("rowSpan");
    QTest::addColumn<int>("columnSpan");

    const MainWindowForm& f = *form;
    auto cell = [](const char* name, QObject* member, const char* caption, int row, int column,
                   int rowSpan, int columnSpan) {
        QTest::newRow(name) << member << QString::fromUtf8(caption) << row << column << rowSpan
                            << columnSpan;
    };
    cell("btnKvit", f.btnKvit, "Квитирование", 0, 0, 1, 2);
    cell("btnDO1", f.btnDO1, "DO1", 1, 0, 2, 1);
    cell("btnDO3_1", f.btnDO3_1, "DO3_1", 1, 1, 1, 1);
    cell("btnDO3_2", f.btnDO3_2, "DO3_2", 2, 1, 1, 1);
    cell("btnDO2", f.btnDO2, "DO2", 3, 0, 1, 1);
    cell("btnDO4", f.btnDO4, "DO4", 3, 1, 1, 1);
    cell("btnDO5", f.btnDO5, "DO5", 4, 0, 1, 1);
    cell("btnDO6", f.btnDO6, "DO6", 4, 1, 1, 1);
}

void TestMainWindowForm::commandButtonStandsInItsCell()
{
    QFETCH(QObject*, member);
    QFETCH(QString, caption);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, rowSpan);
    QFETCH(int, columnSpan);

    auto* button = window->findChild<QPushButton*>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(button);
    QCOMPARE(static_cast<QObject*>(button), member);
    QCOMPARE(button->text(), caption);
    QVERIFY(button->isEnabled());
    QCOMPARE(button->parentWidget(), form->groupBox_15);
    const Cell cell = cellOf(button);
    QCOMPARE(cell.row, row);
    QCOMPARE(cell.column, column);
    QCOMPARE(cell.rowSpan, rowSpan);
    QCOMPARE(cell.columnSpan, columnSpan);
}

void TestMainWindowForm::currentValuesPageArrangement()
{
    QCOMPARE(form->groupBox->title(), QStringLiteral("Текущие значения"));
    QCOMPARE(form->groupBox_2->title(), QStringLiteral("Светодиоды"));
    QCOMPARE(form->groupBox_3->title(), QStringLiteral("Входы/выходы"));
    QCOMPARE(form->groupBox_15->title(), QStringLiteral("Управление"));

    struct Expected
    {
        QWidget* box;
        int row, column, rowSpan, columnSpan;
    };
    const Expected boxes[] = {
        {form->groupBox, 0, 0, 2, 1},
        {form->groupBox_2, 0, 1, 1, 1},
        {form->groupBox_3, 0, 2, 1, 1},
        {form->groupBox_15, 1, 1, 1, 2},
    };
    for (const Expected& expected : boxes) {
        QCOMPARE(expected.box->parentWidget(), form->pageParams);
        const Cell cell = cellOf(expected.box);
        QCOMPARE(cell.row, expected.row);
        QCOMPARE(cell.column, expected.column);
        QCOMPARE(cell.rowSpan, expected.rowSpan);
        QCOMPARE(cell.columnSpan, expected.columnSpan);
    }

    // A stretch row below the six values keeps them together at the top.
    auto* values = qobject_cast<QGridLayout*>(form->groupBox->layout());
    QVERIFY(values);
    QCOMPARE(values->rowCount(), 7);
    QVERIFY(values->rowStretch(6) > 0);
    for (int row = 0; row < 6; ++row)
        QCOMPARE(values->rowStretch(row), 0);
}

void TestMainWindowForm::menuBarHoldsMenusInOrder()
{
    QCOMPARE(actionNames(form->menuBar->actions()),
             QStringList({"menu", "menu_2", "menu_3", "menu_4", "menu_5", "menuHelp"}));
    QStringList titles;
    for (QAction* action : form->menuBar->actions())
        titles << action->text();
    QCOMPARE(titles,
             QStringList({"&Файл", "Операция", "Уставки", "Конфигурация", "Журнал", "Справка"}));
    QCOMPARE(form->menu_6->title(), QStringLiteral("Режим"));
}

void TestMainWindowForm::menuHoldsActionsInOrder_data()
{
    QTest::addColumn<QObject*>("menu");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("Файл") << static_cast<QObject*>(form->menu) << QStringList{"actionExit"}
                          << QStringList{"&Выход"};
    QTest::newRow("Операция") << static_cast<QObject*>(form->menu_2)
                              << QStringList{"actionStart", "actionStop", "actionReadHeaders",
                                             "actionReadLog", "actionConfigure"}
                              << QStringList{"Запустить опрос", "Остановить опрос",
                                             "Считать заголовки осциллограмм",
                                             "Считать журнал событий", "Настройки..."};
    QTest::newRow("Уставки") << static_cast<QObject*>(form->menu_3)
                             << QStringList{"actionSaveChanges", "actionResetChanges"}
                             << QStringList{"Записать измененные", "Сбросить изменения"};
    QTest::newRow("Конфигурация") << static_cast<QObject*>(form->menu_4)
                                  << QStringList{"actionSaveConfig",    "actionLoadConfig",
                                                 "actionCompareConfig", "actionCompareFiles",
                                                 "actionExportSheet",   "actionArchive"}
                                  << QStringList{"Сохранить...",           "Загрузить...",
                                                 "Сравнить с файлом…",     "Сравнить два файла…",
                                                 "Экспорт карты уставок…", "Архив…"};
    // The mode submenu comes first in "Журнал"; the time stamps stand apart
    // below a separator (which has no name and no text).
    QTest::newRow("Журнал") << static_cast<QObject*>(form->menu_5)
                            << QStringList{"menu_6", "actionSaveLog", "actionClearLog", "",
                                           "actionLogTimeStamps"}
                            << QStringList{"Режим", "Сохранить в файл...", "Очистить", "",
                                           "Время в журнале"};
    QTest::newRow("Режим") << static_cast<QObject*>(form->menu_6)
                           << QStringList{"actionLogDisable", "actionLogErrors", "actionLogInfo",
                                          "actionLogDebug"}
                           << QStringList{"Отключен", "Ошибки", "Информация", "Отладка"};
    QTest::newRow("Справка") << static_cast<QObject*>(form->menuHelp)
                             << QStringList{"actionHelp", "actionAbout"}
                             << QStringList{"Справка", "О программе"};
}

void TestMainWindowForm::menuHoldsActionsInOrder()
{
    QFETCH(QObject*, menu);
    QFETCH(QStringList, names);
    QFETCH(QStringList, texts);

    const QList<QAction*> actions = qobject_cast<QMenu*>(menu)->actions();
    QCOMPARE(actionNames(actions), names);
    QStringList shown;
    for (QAction* action : actions)
        shown << action->text();
    QCOMPARE(shown, texts);
    for (QAction* action : actions) {
        if (action->menu() || action->isSeparator())
            continue;
        // The form's members point at these same actions.
        QCOMPARE(window->findChildren<QAction*>(action->objectName()).size(), 1);
        // The keys of their own: F1 for the help page as everywhere, F5 and
        // Shift+F5 for polling.
        if (action == form->actionHelp)
            QCOMPARE(action->shortcut(), QKeySequence(Qt::Key_F1));
        else if (action == form->actionStart)
            QCOMPARE(action->shortcut(), QKeySequence(Qt::Key_F5));
        else if (action == form->actionStop)
            QCOMPARE(action->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F5));
        else
            QVERIFY(action->shortcut().isEmpty());
    }
}

void TestMainWindowForm::logModeActionsAreCheckableAndUnchecked()
{
    for (QAction* action : {form->actionLogDisable, form->actionLogErrors, form->actionLogInfo,
                            form->actionLogDebug}) {
        QVERIFY2(action->isCheckable(), qPrintable(action->objectName()));
        QVERIFY2(!action->isChecked(), qPrintable(action->objectName()));
        QVERIFY(!action->actionGroup());
    }
    QVERIFY(!form->actionExit->isCheckable());
    QVERIFY(!form->actionStart->isCheckable());
}

void TestMainWindowForm::everyActionIsInAMenu()
{
    const QList<QMenu*> menus = window->findChildren<QMenu*>();
    QCOMPARE(menus.size(), 7);
    QSet<QAction*> inMenus;
    for (QMenu* menu : menus) {
        const QList<QAction*> actions = menu->actions();
        for (QAction* action : actions)
            inMenus.insert(action);
    }
    for (QAction* action : window->findChildren<QAction*>()) {
        if (!action->objectName().startsWith(QLatin1String("action")))
            continue;
        QVERIFY2(inMenus.contains(action), qPrintable(action->objectName()));
    }
    QVERIFY(window->findChildren<QToolBar*>().isEmpty());
}

void TestMainWindowForm::tabsInOrderWithParametersCurrent()
{
    QCOMPARE(form->tabWidget->count(), 4);
    QCOMPARE(form->tabWidget->widget(0), form->paramsTab);
    QCOMPARE(form->tabWidget->widget(1), form->crashProcessTab);
    QCOMPARE(form->tabWidget->widget(2), form->journalTab);
    QCOMPARE(form->tabWidget->widget(3), form->logTab);
    QCOMPARE(form->tabWidget->tabText(0), QStringLiteral("Параметры"));
    QCOMPARE(form->tabWidget->tabText(1), QStringLiteral("Осциллограммы"));
    QCOMPARE(form->tabWidget->tabText(2), QStringLiteral("События"));
    QCOMPARE(form->tabWidget->tabText(3), QStringLiteral("Журнал"));
    QCOMPARE(form->tabWidget->currentIndex(), 0);
}

void TestMainWindowForm::sectionListHasThreeUnselectedItems()
{
    QCOMPARE(form->groupBox_10->title(), QStringLiteral("Раздел"));
    QCOMPARE(form->groupBox_11->title(), QStringLiteral("Параметры"));
    QCOMPARE(form->pagesList->parentWidget(), form->groupBox_10);
    QCOMPARE(form->displayPages->parentWidget(), form->groupBox_11);
    QVERIFY(!form->pagesList->isSortingEnabled());

    QCOMPARE(form->pagesList->count(), 3);
    QCOMPARE(form->pagesList->item(0)->text(), QStringLiteral("Текущие значения"));
    QCOMPARE(form->pagesList->item(1)->text(), QStringLiteral("Токовые защиты"));
    QCOMPARE(form->pagesList->item(2)->text(), QStringLiteral("ВЗ/АПВ/Настройки"));
    QCOMPARE(form->pagesList->currentRow(), -1);
    QVERIFY(form->pagesList->selectedItems().isEmpty());

    // Each page sits in a scroll area of its own, in the list's order.
    QCOMPARE(form->displayPages->count(), 3);
    QCOMPARE(form->displayPages->widget(0), form->scrollParams);
    QCOMPARE(form->displayPages->widget(1), form->scrollMTZ);
    QCOMPARE(form->displayPages->widget(2), form->scrollOthers);
    QCOMPARE(form->scrollParams->widget(), form->pageParams);
    QCOMPARE(form->scrollMTZ->widget(), form->pageMTZ);
    QCOMPARE(form->scrollOthers->widget(), form->pageOthers);
    QCOMPARE(form->displayPages->currentIndex(), 0);

    // Extra width goes to the pages, not to the three-item list.
    auto* grid = qobject_cast<QGridLayout*>(form->paramsTab->layout());
    QVERIFY(grid);
    QCOMPARE(cellOf(form->groupBox_10).column, 0);
    QCOMPARE(cellOf(form->groupBox_11).column, 1);
    QCOMPARE(grid->columnStretch(0), 0);
    QVERIFY(grid->columnStretch(1) > 0);
}

void TestMainWindowForm::sectionRowSelectsPage_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("groups");

    QTest::newRow("Текущие значения")
        << 0 << "pageParams"
        << QStringList{"Текущие значения", "Светодиоды", "Входы/выходы", "Управление"};
    QTest::newRow("Токовые защиты") << 1 << "pageMTZ" << QStringList{"МТЗ-1", "МТЗ-2", "ТО", "ЗНЗ"};
    QTest::newRow("ВЗ/АПВ/Настройки")
        << 2 << "pageOthers"
        << QStringList{"ВЗ", "АПВ", "УРОВ", "Конфигурация", "Связь", "Осциллограф"};
}

void TestMainWindowForm::sectionRowSelectsPage()
{
    QFETCH(int, row);
    QFETCH(QString, page);
    QFETCH(QStringList, groups);

    QMainWindow shownWindow;
    MainWindowForm shownForm;
    shownForm.setupUi(&shownWindow);
    // The window makes this same connection.
    connect(shownForm.pagesList, &QListWidget::currentRowChanged, shownForm.displayPages,
            &QStackedWidget::setCurrentIndex);
    shownWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&shownWindow));

    // Move away first, so that every row really changes the page.
    shownForm.pagesList->setCurrentRow(row == 2 ? 0 : 2);
    shownForm.pagesList->setCurrentRow(row);
    auto* area = qobject_cast<QScrollArea*>(shownForm.displayPages->currentWidget());
    QVERIFY(area);
    QWidget* shown = area->widget();
    QCOMPARE(shown->objectName(), page);

    QStringList titles;
    for (QGroupBox* box : shown->findChildren<QGroupBox*>(QString(), Qt::FindDirectChildrenOnly)) {
        QVERIFY(box->isVisible());
        titles << box->title();
    }
    titles.sort();
    groups.sort();
    QCOMPARE(titles, groups);
}

void TestMainWindowForm::crashInfoRows_data()
{
    QTest::addColumn<QObject*>("member");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("alignment");

    const int leftTop = int(Qt::AlignLeft | Qt::AlignTop);
    const int standard = int(QLabel().alignment());
    QTest::newRow("crashDate") << static_cast<QObject*>(form->crashDate) << 0 << "Дата аварии"
                               << standard;
    QTest::newRow("crashTime") << static_cast<QObject*>(form->crashTime) << 1 << "Время аварии"
                               << standard;
    QTest::newRow("crashPreFaultLength")
        << static_cast<QObject*>(form->crashPreFaultLength) << 2
        << "<html><head/><body>Длительность преда-<br>варийного режима</body></html>" << leftTop;
    QTest::newRow("crashFaultLength")
        << static_cast<QObject*>(form->crashFaultLength) << 3
        << "<html><head/><body>Длительность ава-<br>рийного режима</body></html>" << leftTop;
}

void TestMainWindowForm::crashInfoRows()
{
    QFETCH(QObject*, member);
    QFETCH(int, row);
    QFETCH(QString, caption);
    QFETCH(int, alignment);

    auto* value = window->findChild<QLabel*>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(value);
    QCOMPARE(static_cast<QObject*>(value), member);
    QVERIFY(value->text().isEmpty());
    QCOMPARE(int(value->alignment()), alignment);
    QCOMPARE(value->parentWidget(), form->crashInfo);
    int shownRow = -1;
    QLabel* label = captionOf(value, &shownRow);
    QVERIFY(label);
    QCOMPARE(shownRow, row);
    QCOMPARE(label->text(), caption);
    QCOMPARE(label->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight | Qt::AlignTrailing);
    QCOMPARE(label->alignment() & Qt::AlignVertical_Mask, Qt::AlignVCenter);
}

void TestMainWindowForm::crashSaveControlsStartDisabled()
{
    QCOMPARE(form->crashListGroup->title(), QStringLiteral("Список аварийных процессов"));
    QCOMPARE(form->crashInfo->title(), QStringLiteral("Информация"));
    QCOMPARE(form->crashList->parentWidget(), form->crashListGroup);
    QCOMPARE(form->crashList->count(), 0);
    QCOMPARE(form->crashList->selectionMode(), QAbstractItemView::SingleSelection);

    QCOMPARE(form->buttonSaveRecord->text(), QStringLiteral("Сохранить"));
    QVERIFY(!form->buttonSaveRecord->isEnabled());
    QVERIFY(!form->crashSaveProgress->isEnabled());
    QCOMPARE(form->crashSaveProgress->value(), 0);
    QVERIFY(!form->crashSaveProgress->isTextVisible());

    // Side by side below the four rows.
    const Cell button = cellOf(form->buttonSaveRecord);
    const Cell progress = cellOf(form->crashSaveProgress);
    QCOMPARE(button.row, 4);
    QCOMPARE(progress.row, 4);
    QVERIFY(button.column < progress.column);
    // Stretch space below them keeps the rows at the top of the box.
    auto* info = qobject_cast<QGridLayout*>(form->crashInfo->layout());
    QVERIFY(info);
    for (int r = 0; r <= 4; ++r)
        QCOMPARE(info->rowStretch(r), 0);
    QVERIFY(info->rowStretch(5) > 0);

    // The two group boxes stand side by side.
    auto* row = qobject_cast<QHBoxLayout*>(form->crashProcessTab->layout()->itemAt(0)->layout());
    QVERIFY(row);
    QCOMPARE(row->indexOf(form->crashListGroup), 0);
    QCOMPARE(row->indexOf(form->crashInfo), 1);
}

void TestMainWindowForm::logTabHoldsLogList()
{
    // The row of controls, then the list filling the rest of the tab.
    QCOMPARE(form->listLog->parentWidget(), form->logTab);
    QCOMPARE(form->logTab->layout()->count(), 2);
    QCOMPARE(form->logTab->layout()->itemAt(1)->widget(), form->listLog);
    QCOMPARE(form->listLog->count(), 0);
    QVERIFY(form->btnLogPause->isCheckable());
    QVERIFY(!form->btnLogPause->isChecked());
    QCOMPARE(form->btnLogPause->text(), QStringLiteral("Пауза"));
    QVERIFY(form->actionLogTimeStamps->isCheckable());
    QVERIFY(!form->actionLogTimeStamps->isChecked());
}

void TestMainWindowForm::retranslateKeepsTextsAndAddsNothing()
{
    QMainWindow ownWindow;
    MainWindowForm own;
    own.setupUi(&ownWindow);
    const int objects = ownWindow.findChildren<QObject*>().size();
    own.lblIa->setText(QStringLiteral("12.5"));
    own.retranslateUi(&ownWindow);
    QCOMPARE(ownWindow.findChildren<QObject*>().size(), objects);
    QCOMPARE(own.pagesList->count(), 3);
    QCOMPARE(own.lblIa->text(), QStringLiteral("0"));
    QCOMPARE(captionOf(ownWindow.findChild<QWidget*>(QStringLiteral("sbZNZ_I2")))->text(),
             QStringLiteral("Iсраб (0.3 - 120.0)"));
    QCOMPARE(ownWindow.windowTitle(), QStringLiteral("TALVIK Клиент"));
}

void TestMainWindowForm::everyPageFitsTheInitialWindowSize()
{
    // Measured with the 9-point font of a usual desktop; the headless
    // platform's own default is 12 points, which no desktop uses.
    const QFont previous = QApplication::font();
    QApplication::setFont(QFont(previous.family(), 9));
    QMainWindow ownWindow;
    MainWindowForm own;
    own.setupUi(&ownWindow);
    // The stacked pages need the room of the largest one; the window must
    // not have to grow beyond its initial size for it.
    const QSize needed = ownWindow.minimumSizeHint();
    // Every widget without a font of its own follows the application's.
    QApplication::setFont(previous);
    QVERIFY2(
        needed.width() <= 795 && needed.height() <= 836,
        qPrintable(
            QStringLiteral("the window needs %1 x %2").arg(needed.width()).arg(needed.height())));
}

QTEST_MAIN(TestMainWindowForm)
#include "tst_mainwindowform.moc"
