#include "ui/MainWindowForm.h"

#include "relay/SettingTable.h"
#include "ui/LogListWidget.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QHeaderView>
#include <QToolButton>
#include <QVBoxLayout>

#include <vector>

namespace {

using Form = MainWindowForm;

// Member pointer and object name from one identifier, so that the two can
// never disagree.
#define FORM_MEMBER(member) &Form::member, #member

QString text(const char* source)
{
    return QCoreApplication::translate("MainWindow", source);
}

template <class Widget> Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// ---------------------------------------------------------------------------
// Actions and menus

struct ActionRow
{
    QAction* Form::*member;
    const char* name;
    const char* text;
    bool checkable;
};

const std::vector<ActionRow>& actionRows()
{
    static const std::vector<ActionRow> rows = {
        {FORM_MEMBER(actionExit), "&Выход", false},
        {FORM_MEMBER(actionStart), "Запустить опрос", false},
        {FORM_MEMBER(actionStop), "Остановить опрос", false},
        {FORM_MEMBER(actionReadHeaders), "Считать заголовки осциллограмм", false},
        {FORM_MEMBER(actionReadLog), "Считать журнал событий", false},
        {FORM_MEMBER(actionConfigure), "Настройки...", false},
        {FORM_MEMBER(actionSaveChanges), "Записать измененные", false},
        {FORM_MEMBER(actionResetChanges), "Сбросить изменения", false},
        {FORM_MEMBER(actionSaveConfig), "Сохранить...", false},
        {FORM_MEMBER(actionLoadConfig), "Загрузить...", false},
        {FORM_MEMBER(actionCompareConfig), "Сравнить с файлом…", false},
        {FORM_MEMBER(actionCompareFiles), "Сравнить два файла…", false},
        {FORM_MEMBER(actionExportSheet), "Экспорт карты уставок…", false},
        {FORM_MEMBER(actionArchive), "Архив…", false},
        {FORM_MEMBER(actionSaveLog), "Сохранить в файл...", false},
        {FORM_MEMBER(actionClearLog), "Очистить", false},
        // The log modes are made exclusive and one of them checked by the window.
        {FORM_MEMBER(actionLogDisable), "Отключен", true},
        {FORM_MEMBER(actionLogErrors), "Ошибки", true},
        {FORM_MEMBER(actionLogInfo), "Информация", true},
        {FORM_MEMBER(actionLogDebug), "Отладка", true},
        {FORM_MEMBER(actionLogTimeStamps), "Время в журнале", true},
        {FORM_MEMBER(actionHelp), "Справка", false},
        {FORM_MEMBER(actionAbout), "О программе", false},
    };
    return rows;
}

struct MenuRow
{
    QMenu* Form::*member;
    const char* name;
    const char* title;
};

// In menu-bar order; "Режим" is the submenu of "Журнал".
const std::vector<MenuRow>& menuRows()
{
    static const std::vector<MenuRow> rows = {
        {FORM_MEMBER(menu), "&Файл"},       {FORM_MEMBER(menu_2), "Операция"},
        {FORM_MEMBER(menu_3), "Уставки"},   {FORM_MEMBER(menu_4), "Конфигурация"},
        {FORM_MEMBER(menu_5), "Журнал"},    {FORM_MEMBER(menu_6), "Режим"},
        {FORM_MEMBER(menuHelp), "Справка"},
    };
    return rows;
}

// ---------------------------------------------------------------------------
// Label-control rows

// A caption in the left column, right-aligned and vertically centred, and its
// widget in the right column.
void addCaptionedRow(QGridLayout* grid, int row, QWidget* widget)
{
    auto* caption = new QLabel(grid->parentWidget());
    caption->setAlignment(Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter);
    caption->setBuddy(widget);
    grid->addWidget(caption, row, 0);
    grid->addWidget(widget, row, 1);
}

void setCaption(QWidget* box, int row, const char* caption)
{
    auto* grid = static_cast<QGridLayout*>(box->layout());
    static_cast<QLabel*>(grid->itemAtPosition(row, 0)->widget())->setText(text(caption));
}

// ---------------------------------------------------------------------------
// Settings pages: a group box for each group of the setting table, placed on
// its page; its rows, in table order, are the group's settings.

struct SettingsGroup
{
    QGroupBox* Form::*box;
    const char* name;
    const char* title;
    QWidget* Form::*page;
    int row;
    int column;
    int rowSpan;
};

// clang-format off
const std::vector<SettingsGroup>& settingsGroups()
{
    static const std::vector<SettingsGroup> groups = {
        // Page "Токовые защиты": a 2 x 2 grid.
        {FORM_MEMBER(groupBox_4), "МТЗ-1", &Form::pageMTZ, 0, 0, 1},
        {FORM_MEMBER(groupBox_5), "МТЗ-2", &Form::pageMTZ, 0, 1, 1},
        {FORM_MEMBER(groupBox_6), "ТО", &Form::pageMTZ, 1, 0, 1},
        {FORM_MEMBER(groupBox_7), "ЗНЗ", &Form::pageMTZ, 1, 1, 1},
        // Page "ВЗ/АПВ/Настройки": two columns of group boxes.
        {FORM_MEMBER(groupBox_8), "ВЗ", &Form::pageOthers, 0, 0, 2},
        {FORM_MEMBER(groupBox_9), "АПВ", &Form::pageOthers, 0, 1, 1},
        {FORM_MEMBER(groupBox_16), "УРОВ", &Form::pageOthers, 1, 1, 2},
        {FORM_MEMBER(groupBox_12), "Конфигурация", &Form::pageOthers, 2, 0, 3},
        {FORM_MEMBER(groupBox_13), "Связь", &Form::pageOthers, 3, 1, 1},
        {FORM_MEMBER(groupBox_14), "Осциллограф", &Form::pageOthers, 4, 1, 1},
    };
    return groups;
}
// clang-format on

// The rows of one group box, in table order.
QVector<const SettingRow*> rowsOf(const SettingsGroup& group)
{
    QVector<const SettingRow*> rows;
    for (const SettingRow& row : SettingTable::rows()) {
        if (qstrcmp(row.group, group.title) == 0)
            rows.append(&row);
    }
    return rows;
}

// Combo boxes stay empty here: the editors fill them.
QWidget* createControl(const SettingRow& row, QWidget* parent)
{
    QWidget* widget = nullptr;
    if (SettingTable::isItemList(row.kind)) {
        widget = new QComboBox(parent);
    } else if (row.kind == SettingKind::Integer) {
        auto* box = new QSpinBox(parent);
        box->setRange(int(row.minimum), int(row.maximum));
        box->setSingleStep(int(row.step));
        widget = box;
    } else {
        auto* box = new QDoubleSpinBox(parent);
        // Decimals first: the range is rounded to the decimals in force.
        box->setDecimals(row.decimals);
        box->setRange(row.minimum, row.maximum);
        box->setSingleStep(row.step);
        widget = box;
    }
    widget->setObjectName(QString::fromLatin1(row.widget));
    // Such rows follow the relay's value; the user cannot change them.
    widget->setEnabled(!row.readOnly);
    return widget;
}

// The grid of a label-control group box. The rows are set close together so
// that the tallest page, with up to 19 rows in one column, fits the window's
// initial height.
QGridLayout* newRowsGrid(QGroupBox* box)
{
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);
    return grid;
}

// A stretch row below the last one keeps the rows together at the top when
// the group box is taller than its content.
void closeRows(QGridLayout* grid, int rowCount)
{
    grid->setRowStretch(rowCount, 1);
    grid->setColumnStretch(1, 1);
}

// The pages sit inside the "Параметры" group box, which already has a frame.
QGridLayout* newPageGrid(QWidget* page)
{
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(0, 0, 0, 0);
    return grid;
}

void buildSettingsGroups(Form& form)
{
    for (const SettingsGroup& group : settingsGroups()) {
        QWidget* page = form.*group.page;
        auto* box = named(new QGroupBox(page), group.name);
        form.*group.box = box;
        auto* grid = newRowsGrid(box);
        const QVector<const SettingRow*> rows = rowsOf(group);
        int row = 0;
        for (const SettingRow* setting : rows)
            addCaptionedRow(grid, row++, createControl(*setting, box));
        closeRows(grid, row);

        auto* pageGrid = static_cast<QGridLayout*>(page->layout());
        pageGrid->addWidget(box, group.row, group.column, group.rowSpan, 1);
        // A group that spans several page rows shares its height among them
        // by the rows' stretch factors; without them the grid gives every
        // spanned row the same share and the page grows taller than the
        // window. Each row therefore stretches by the largest number of
        // controls that a group puts in it.
        const int share = int(rows.size()) / group.rowSpan;
        for (int r = group.row; r < group.row + group.rowSpan; ++r)
            pageGrid->setRowStretch(r, qMax(pageGrid->rowStretch(r), share));
    }
}

struct ValueRow
{
    QLabel* Form::*member;
    const char* name;
    const char* caption;
};

const std::vector<ValueRow>& measuredValueRows()
{
    static const std::vector<ValueRow> rows = {
        {FORM_MEMBER(lblIa), "Ia, А"},   {FORM_MEMBER(lblIb), "Ib, А"},
        {FORM_MEMBER(lblIc), "Ic, А"},   {FORM_MEMBER(lbl3I0), "3I0, А"},
        {FORM_MEMBER(lbl3U0), "3U0, В"}, {FORM_MEMBER(lblAngle), "Угол, гр."},
    };
    return rows;
}

struct IndicatorRow
{
    QCheckBox* Form::*member;
    const char* name;
    const char* caption;
};

const std::vector<IndicatorRow>& ledRows()
{
    static const std::vector<IndicatorRow> rows = {
        {FORM_MEMBER(ledMTZ1), "МТЗ-1"},      {FORM_MEMBER(ledMTZ2), "МТЗ-2"},
        {FORM_MEMBER(ledTO), "ТО"},           {FORM_MEMBER(ledZNZ), "ЗНЗ"},
        {FORM_MEMBER(ledAPV), "АПВ"},         {FORM_MEMBER(ledUROV), "УРОВ"},
        {FORM_MEMBER(ledDI4), "ВЗ/DI4"},      {FORM_MEMBER(ledOTKL), "РПВ/РПО"},
        {FORM_MEMBER(ledIsprav), "Исправно"},
    };
    return rows;
}

const std::vector<IndicatorRow>& inputOutputRows()
{
    static const std::vector<IndicatorRow> rows = {
        {FORM_MEMBER(checkDI1), "DI1"},     {FORM_MEMBER(checkDI2), "DI2"},
        {FORM_MEMBER(checkDI3), "DI3"},     {FORM_MEMBER(checkDI4), "DI4"},
        {FORM_MEMBER(checkDO1), "DO1"},     {FORM_MEMBER(checkDO2), "DO2"},
        {FORM_MEMBER(checkDO3_1), "DO3_1"}, {FORM_MEMBER(checkDO3_2), "DO3_2"},
        {FORM_MEMBER(checkDO4), "DO4"},     {FORM_MEMBER(checkDO5), "DO5"},
        {FORM_MEMBER(checkDO6), "DO6"},
    };
    return rows;
}

struct ButtonCell
{
    QPushButton* Form::*member;
    const char* name;
    const char* caption;
    int row;
    int column;
    int rowSpan;
    int columnSpan;
};

const std::vector<ButtonCell>& commandButtons()
{
    static const std::vector<ButtonCell> cells = {
        {FORM_MEMBER(btnKvit), "Квитирование", 0, 0, 1, 2},
        {FORM_MEMBER(btnDO1), "DO1", 1, 0, 2, 1},
        {FORM_MEMBER(btnDO3_1), "DO3_1", 1, 1, 1, 1},
        {FORM_MEMBER(btnDO3_2), "DO3_2", 2, 1, 1, 1},
        {FORM_MEMBER(btnDO2), "DO2", 3, 0, 1, 1},
        {FORM_MEMBER(btnDO4), "DO4", 3, 1, 1, 1},
        {FORM_MEMBER(btnDO5), "DO5", 4, 0, 1, 1},
        {FORM_MEMBER(btnDO6), "DO6", 4, 1, 1, 1},
    };
    return cells;
}

// Swallows the mouse and key events that would toggle a check box.
class DisplayOnly : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            return true;
        default:
            return false;
        }
    }
};

void buildIndicators(Form& form, QGroupBox* box, const std::vector<IndicatorRow>& rows)
{
    auto* column = new QVBoxLayout(box);
    for (const IndicatorRow& row : rows) {
        auto* check = named(new QCheckBox(box), row.name);
        // The relay's state, shown only: neither a click nor a key may tick
        // it, or it would show a state the relay does not have until the
        // next poll. The check box still tells assistive tools its state.
        check->installEventFilter(new DisplayOnly(check));
        check->setFocusPolicy(Qt::NoFocus);
        form.*row.member = check;
        column->addWidget(check);
    }
    column->addStretch(1);
}

void buildCurrentValuesPage(Form& form)
{
    auto* grid = newPageGrid(form.pageParams);

    form.groupBox = named(new QGroupBox(form.pageParams), "groupBox");
    auto* values = new QGridLayout(form.groupBox);
    int row = 0;
    for (const ValueRow& value : measuredValueRows()) {
        auto* label = named(new QLabel(form.groupBox), value.name);
        form.*value.member = label;
        addCaptionedRow(values, row++, label);
    }
    closeRows(values, row);
    grid->addWidget(form.groupBox, 0, 0, 2, 1);

    form.groupBox_2 = named(new QGroupBox(form.pageParams), "groupBox_2");
    buildIndicators(form, form.groupBox_2, ledRows());
    grid->addWidget(form.groupBox_2, 0, 1);

    form.groupBox_3 = named(new QGroupBox(form.pageParams), "groupBox_3");
    buildIndicators(form, form.groupBox_3, inputOutputRows());
    grid->addWidget(form.groupBox_3, 0, 2);

    form.groupBox_15 = named(new QGroupBox(form.pageParams), "groupBox_15");
    auto* buttons = new QGridLayout(form.groupBox_15);
    for (const ButtonCell& cell : commandButtons()) {
        auto* button = named(new QPushButton(form.groupBox_15), cell.name);
        form.*cell.member = button;
        buttons->addWidget(button, cell.row, cell.column, cell.rowSpan, cell.columnSpan);
    }
    // DO1 stands beside both DO3 buttons and fills their height.
    form.btnDO1->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Expanding);
    grid->addWidget(form.groupBox_15, 1, 1, 1, 2);
}

// ---------------------------------------------------------------------------
// Tabs

// A page in a frameless scroll area: the page grows with the window and
// scrolls when the window is smaller than the page needs.
QScrollArea* scrolled(QWidget* page, const char* name)
{
    auto* area = named(new QScrollArea, name);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(page);
    return area;
}

void buildParamsTab(Form& form)
{
    auto* grid = new QGridLayout(form.paramsTab);

    form.groupBox_10 = named(new QGroupBox(form.paramsTab), "groupBox_10");
    // The three sections need no more room than their names take; the
    // values and settings get the rest.
    form.groupBox_10->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    auto* sections = new QVBoxLayout(form.groupBox_10);
    sections->setContentsMargins(4, 4, 4, 4);
    form.pagesList = named(new QListWidget(form.groupBox_10), "pagesList");
    form.pagesList->setSortingEnabled(false);
    for (int i = 0; i < 3; ++i)
        new QListWidgetItem(form.pagesList);
    sections->addWidget(form.pagesList);
    grid->addWidget(form.groupBox_10, 0, 0);

    form.groupBox_11 = named(new QGroupBox(form.paramsTab), "groupBox_11");
    auto* pages = new QVBoxLayout(form.groupBox_11);
    pages->setContentsMargins(4, 4, 4, 4);
    form.displayPages = named(new QStackedWidget(form.groupBox_11), "displayPages");
    form.pageParams = named(new QWidget, "pageParams");
    form.pageMTZ = named(new QWidget, "pageMTZ");
    form.pageOthers = named(new QWidget, "pageOthers");
    form.scrollParams = scrolled(form.pageParams, "scrollParams");
    form.scrollMTZ = scrolled(form.pageMTZ, "scrollMTZ");
    form.scrollOthers = scrolled(form.pageOthers, "scrollOthers");
    form.displayPages->addWidget(form.scrollParams);
    form.displayPages->addWidget(form.scrollMTZ);
    form.displayPages->addWidget(form.scrollOthers);
    pages->addWidget(form.displayPages);
    grid->addWidget(form.groupBox_11, 0, 1);

    grid->setColumnStretch(0, 0);
    grid->setColumnStretch(1, 1);

    buildCurrentValuesPage(form);
    newPageGrid(form.pageMTZ);
    newPageGrid(form.pageOthers);
    buildSettingsGroups(form);
}

void buildCrashProcessTab(Form& form)
{
    // The two groups side by side, the list's buttons and check box in rows
    // under both: beside the list their texts would widen the window past a
    // small screen.
    auto* column = new QVBoxLayout(form.crashProcessTab);
    auto* row = new QHBoxLayout;
    column->addLayout(row, 1);

    form.crashListGroup = named(new QGroupBox(form.crashProcessTab), "crashListGroup");
    auto* list = new QVBoxLayout(form.crashListGroup);
    form.crashList = named(new QListWidget(form.crashListGroup), "crashList");
    list->addWidget(form.crashList);
    row->addWidget(form.crashListGroup);

    auto* listControls = new QHBoxLayout;
    form.btnReadRecords = named(new QPushButton(form.crashProcessTab), "btnReadRecords");
    form.btnSaveAllRecords = named(new QPushButton(form.crashProcessTab), "btnSaveAllRecords");
    // Enabled once the list holds a record.
    form.btnSaveAllRecords->setEnabled(false);
    form.checkReadRecordsOnConnect =
        named(new QCheckBox(form.crashProcessTab), "checkReadRecordsOnConnect");
    listControls->addWidget(form.btnReadRecords);
    listControls->addWidget(form.btnSaveAllRecords);
    listControls->addStretch(1);
    column->addLayout(listControls);
    column->addWidget(form.checkReadRecordsOnConnect);

    form.crashInfo = named(new QGroupBox(form.crashProcessTab), "crashInfo");
    auto* info = new QGridLayout(form.crashInfo);
    form.crashDate = named(new QLabel(form.crashInfo), "crashDate");
    form.crashTime = named(new QLabel(form.crashInfo), "crashTime");
    form.crashPreFaultLength = named(new QLabel(form.crashInfo), "crashPreFaultLength");
    form.crashFaultLength = named(new QLabel(form.crashInfo), "crashFaultLength");
    // Their captions take two lines; the values stand by the first one.
    form.crashPreFaultLength->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    form.crashFaultLength->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    addCaptionedRow(info, 0, form.crashDate);
    addCaptionedRow(info, 1, form.crashTime);
    addCaptionedRow(info, 2, form.crashPreFaultLength);
    addCaptionedRow(info, 3, form.crashFaultLength);

    form.buttonSaveRecord = named(new QPushButton(form.crashInfo), "buttonSaveRecord");
    form.buttonViewRecord = named(new QPushButton(form.crashInfo), "buttonViewRecord");
    form.crashSaveProgress = named(new QProgressBar(form.crashInfo), "crashSaveProgress");
    form.crashSaveProgress->setValue(0);
    form.crashSaveProgress->setTextVisible(false);
    // Enabled once a record header is selected.
    form.buttonSaveRecord->setEnabled(false);
    form.buttonViewRecord->setEnabled(false);
    form.crashSaveProgress->setEnabled(false);
    // "Просмотр" right beside "Сохранить", the progress bar after them.
    info->addWidget(form.buttonSaveRecord, 4, 0);
    info->addWidget(form.buttonViewRecord, 4, 1);
    info->addWidget(form.crashSaveProgress, 4, 2);
    closeRows(info, 5);
    row->addWidget(form.crashInfo);
}

void buildJournalTab(Form& form)
{
    auto* column = new QVBoxLayout(form.journalTab);
    auto* controls = new QHBoxLayout;
    form.btnReadJournal = named(new QPushButton(form.journalTab), "btnReadJournal");
    form.btnSaveJournal = named(new QPushButton(form.journalTab), "btnSaveJournal");
    // Enabled once a journal is shown.
    form.btnSaveJournal->setEnabled(false);
    form.labelJournalType = named(new QLabel(form.journalTab), "labelJournalType");
    form.comboJournalType = named(new QComboBox(form.journalTab), "comboJournalType");
    form.comboJournalType->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    form.labelJournalType->setBuddy(form.comboJournalType);
    form.editJournalFilter = named(new QLineEdit(form.journalTab), "editJournalFilter");
    form.editJournalFilter->setClearButtonEnabled(true);
    controls->addWidget(form.btnReadJournal);
    controls->addWidget(form.btnSaveJournal);
    controls->addSpacing(12);
    controls->addWidget(form.labelJournalType);
    controls->addWidget(form.comboJournalType);
    controls->addWidget(form.editJournalFilter, 1);
    column->addLayout(controls);

    auto* table = named(new QTableView(form.journalTab), "journalTable");
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setAlternatingRowColors(true);
    table->setWordWrap(false);
    table->verticalHeader()->setVisible(false);
    // Thirty rows at most: the columns follow their texts, the time takes the
    // rest.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    form.journalTable = table;
    column->addWidget(table);
}

void buildLogTab(Form& form)
{
    auto* column = new QVBoxLayout(form.logTab);
    auto* controls = new QHBoxLayout;
    form.btnLogPause = named(new QToolButton(form.logTab), "btnLogPause");
    form.btnLogPause->setCheckable(true);
    form.btnLogPause->setToolButtonStyle(Qt::ToolButtonTextOnly);
    form.editLogFind = named(new QLineEdit(form.logTab), "editLogFind");
    form.editLogFind->setClearButtonEnabled(true);
    form.btnLogFindPrevious = named(new QToolButton(form.logTab), "btnLogFindPrevious");
    form.btnLogFindPrevious->setArrowType(Qt::UpArrow);
    form.btnLogFindNext = named(new QToolButton(form.logTab), "btnLogFindNext");
    form.btnLogFindNext->setArrowType(Qt::DownArrow);
    controls->addWidget(form.btnLogPause);
    controls->addSpacing(12);
    controls->addWidget(form.editLogFind, 1);
    controls->addWidget(form.btnLogFindPrevious);
    controls->addWidget(form.btnLogFindNext);
    column->addLayout(controls);
    form.listLog = named(new LogListWidget(form.logTab), "listLog");
    column->addWidget(form.listLog);
}

void buildMenus(Form& form, QMainWindow* window)
{
    for (const ActionRow& row : actionRows()) {
        auto* action = named(new QAction(window), row.name);
        action->setCheckable(row.checkable);
        form.*row.member = action;
    }

    form.menuBar = named(new QMenuBar(window), "menuBar");
    window->setMenuBar(form.menuBar);
    for (const MenuRow& row : menuRows())
        form.*row.member = named(new QMenu(form.menuBar), row.name);
    form.menu_6->setParent(form.menu_5, form.menu_6->windowFlags());

    form.menuBar->addAction(form.menu->menuAction());
    form.menuBar->addAction(form.menu_2->menuAction());
    form.menuBar->addAction(form.menu_3->menuAction());
    form.menuBar->addAction(form.menu_4->menuAction());
    form.menuBar->addAction(form.menu_5->menuAction());
    form.menuBar->addAction(form.menuHelp->menuAction());

    form.menu->addAction(form.actionExit);
    form.menu_2->addAction(form.actionStart);
    form.menu_2->addAction(form.actionStop);
    form.menu_2->addAction(form.actionReadHeaders);
    form.menu_2->addAction(form.actionReadLog);
    form.menu_2->addAction(form.actionConfigure);
    form.menu_3->addAction(form.actionSaveChanges);
    form.menu_3->addAction(form.actionResetChanges);
    form.menu_4->addAction(form.actionSaveConfig);
    form.menu_4->addAction(form.actionLoadConfig);
    form.menu_4->addAction(form.actionCompareConfig);
    form.menu_4->addAction(form.actionCompareFiles);
    form.menu_4->addAction(form.actionExportSheet);
    form.menu_4->addAction(form.actionArchive);
    form.menu_5->addAction(form.menu_6->menuAction());
    form.menu_5->addAction(form.actionSaveLog);
    form.menu_5->addAction(form.actionClearLog);
    form.menu_5->addSeparator();
    form.menu_5->addAction(form.actionLogTimeStamps);
    form.menuHelp->addAction(form.actionHelp);
    form.menuHelp->addAction(form.actionAbout);
    form.actionHelp->setShortcut(QKeySequence::HelpContents);
    // Polling by the keys that start and stop a run elsewhere too.
    form.actionStart->setShortcut(QKeySequence(Qt::Key_F5));
    form.actionStop->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
    form.menu_6->addAction(form.actionLogDisable);
    form.menu_6->addAction(form.actionLogErrors);
    form.menu_6->addAction(form.actionLogInfo);
    form.menu_6->addAction(form.actionLogDebug);
}

#undef FORM_MEMBER

// As wide as the longest section name, so that none is cut while the pages
// take all the width beyond it.
void fitSectionList(Form& form)
{
    QListWidget* list = form.pagesList;
    const int margin = 2 * list->frameWidth() + 12;
    list->setFixedWidth(list->sizeHintForColumn(0) + margin);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

} // namespace

void MainWindowForm::setupUi(QMainWindow* window)
{
    if (window->objectName().isEmpty())
        window->setObjectName(QStringLiteral("MainWindow"));
    window->resize(795, 836);

    buildMenus(*this, window);

    centralWidget = named(new QWidget(window), "centralWidget");
    auto* central = new QVBoxLayout(centralWidget);
    central->setContentsMargins(0, 0, 0, 0);
    tabWidget = named(new QTabWidget(centralWidget), "tabWidget");
    central->addWidget(tabWidget);

    paramsTab = named(new QWidget, "paramsTab");
    crashProcessTab = named(new QWidget, "crashProcessTab");
    journalTab = named(new QWidget, "journalTab");
    logTab = named(new QWidget, "logTab");
    tabWidget->addTab(paramsTab, QString());
    tabWidget->addTab(crashProcessTab, QString());
    tabWidget->addTab(journalTab, QString());
    tabWidget->addTab(logTab, QString());
    buildParamsTab(*this);
    buildCrashProcessTab(*this);
    buildJournalTab(*this);
    buildLogTab(*this);
    window->setCentralWidget(centralWidget);

    statusBar = named(new QStatusBar(window), "statusBar");
    window->setStatusBar(statusBar);

    retranslateUi(window);

    tabWidget->setCurrentIndex(0);
    displayPages->setCurrentIndex(0);
    fitSectionList(*this);
}

void MainWindowForm::retranslateUi(QMainWindow* window)
{
    window->setWindowTitle(text("TALVIK Клиент"));

    for (const ActionRow& row : actionRows())
        (this->*row.member)->setText(text(row.text));
    for (const MenuRow& row : menuRows())
        (this->*row.member)->setTitle(text(row.title));

    tabWidget->setTabText(tabWidget->indexOf(paramsTab), text("Параметры"));
    tabWidget->setTabText(tabWidget->indexOf(crashProcessTab), text("Осциллограммы"));
    tabWidget->setTabText(tabWidget->indexOf(journalTab), text("События"));
    tabWidget->setTabText(tabWidget->indexOf(logTab), text("Журнал"));

    groupBox_10->setTitle(text("Раздел"));
    groupBox_11->setTitle(text("Параметры"));
    pagesList->item(0)->setText(text("Текущие значения"));
    pagesList->item(1)->setText(text("Токовые защиты"));
    pagesList->item(2)->setText(text("ВЗ/АПВ/Настройки"));

    groupBox->setTitle(text("Текущие значения"));
    int row = 0;
    for (const ValueRow& value : measuredValueRows()) {
        setCaption(groupBox, row++, value.caption);
        // Shown until the first refresh.
        (this->*value.member)->setText(text("0"));
    }
    groupBox_2->setTitle(text("Светодиоды"));
    for (const IndicatorRow& led : ledRows())
        (this->*led.member)->setText(text(led.caption));
    groupBox_3->setTitle(text("Входы/выходы"));
    for (const IndicatorRow& check : inputOutputRows())
        (this->*check.member)->setText(text(check.caption));
    groupBox_15->setTitle(text("Управление"));
    for (const ButtonCell& cell : commandButtons())
        (this->*cell.member)->setText(text(cell.caption));

    for (const SettingsGroup& group : settingsGroups()) {
        QGroupBox* box = this->*group.box;
        box->setTitle(text(group.title));
        row = 0;
        for (const SettingRow* setting : rowsOf(group))
            setCaption(box, row++, setting->caption);
    }

    crashListGroup->setTitle(text("Список аварийных процессов"));
    crashInfo->setTitle(text("Информация"));
    setCaption(crashInfo, 0, "Дата аварии");
    setCaption(crashInfo, 1, "Время аварии");
    setCaption(crashInfo, 2,
               "<html><head/><body>Длительность преда-<br>варийного режима</body></html>");
    setCaption(crashInfo, 3,
               "<html><head/><body>Длительность ава-<br>рийного режима</body></html>");
    buttonSaveRecord->setText(text("Сохранить"));
    buttonViewRecord->setText(text("Просмотр"));
    btnReadRecords->setText(text("Считать список"));
    btnSaveAllRecords->setText(text("Сохранить все…"));
    checkReadRecordsOnConnect->setText(text("Читать список осциллограмм при подключении"));

    btnReadJournal->setText(text("Считать журнал"));
    btnSaveJournal->setText(text("Сохранить CSV…"));
    labelJournalType->setText(text("&Тип:"));
    editJournalFilter->setPlaceholderText(text("Найти в журнале"));

    btnLogPause->setText(text("Пауза"));
    btnLogPause->setToolTip(text("Не переходить к новым строкам (строки добавляются)"));
    editLogFind->setPlaceholderText(text("Найти (Ctrl+F)"));
    btnLogFindPrevious->setToolTip(text("Найти предыдущее (Shift+F3)"));
    btnLogFindNext->setToolTip(text("Найти следующее (F3)"));
}
