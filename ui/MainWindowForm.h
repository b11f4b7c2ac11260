#ifndef TALVIK_UI_MAINWINDOWFORM_H
#define TALVIK_UI_MAINWINDOWFORM_H

class QAction;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMainWindow;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QStackedWidget;
class QStatusBar;
class QTabWidget;
class QTableView;
class QToolButton;
class QWidget;

#include <QString>

#include <vector>

// The main window's widgets. Each member carries the object name of the
// widget it points to, so other code may reach a widget either through the
// member or through findChild() with the same name. The form holds no
// behaviour: the window connects the actions and buttons, and the parameter
// map fills and binds the settings controls.
struct MainWindowForm
{
    // Menus and actions, in menu order.
    QAction* actionExit = nullptr;
    QAction* actionStart = nullptr;
    QAction* actionStop = nullptr;
    QAction* actionReadHeaders = nullptr;
    QAction* actionReadLog = nullptr;
    QAction* actionConfigure = nullptr;
    QAction* actionSaveChanges = nullptr;
    QAction* actionResetChanges = nullptr;
    QAction* actionSaveConfig = nullptr;
    QAction* actionLoadConfig = nullptr;
    QAction* actionCompareConfig = nullptr;
    QAction* actionCompareFiles = nullptr;
    QAction* actionExportSheet = nullptr;
    QAction* actionArchive = nullptr;
    QAction* actionSaveLog = nullptr;
    QAction* actionClearLog = nullptr;
    QAction* actionLogDisable = nullptr;
    QAction* actionLogErrors = nullptr;
    QAction* actionLogInfo = nullptr;
    QAction* actionLogDebug = nullptr;
    QAction* actionLogTimeStamps = nullptr;
    QAction* actionHelp = nullptr;
    QAction* actionAbout = nullptr;
    // Created with the form but placed in no menu; nothing triggers them.

    QMenuBar* menuBar = nullptr;
    QMenu* menu = nullptr;
    QMenu* menu_2 = nullptr;
    QMenu* menu_3 = nullptr;
    QMenu* menu_4 = nullptr;
    QMenu* menu_5 = nullptr;
    QMenu* menu_6 = nullptr;
    QMenu* menuHelp = nullptr;
    QStatusBar* statusBar = nullptr;

    QWidget* centralWidget = nullptr;
    QTabWidget* tabWidget = nullptr;

    // Tab "Параметры": the section list and its stacked pages.
    QWidget* paramsTab = nullptr;
    QGroupBox* groupBox_10 = nullptr;
    QListWidget* pagesList = nullptr;
    QGroupBox* groupBox_11 = nullptr;
    QStackedWidget* displayPages = nullptr;
    // Each page scrolls on its own, so the window fits a small screen.
    QScrollArea* scrollParams = nullptr;
    QScrollArea* scrollMTZ = nullptr;
    QScrollArea* scrollOthers = nullptr;

    // Page "Текущие значения".
    QWidget* pageParams = nullptr;
    QGroupBox* groupBox = nullptr;
    QLabel* lblIa = nullptr;
    QLabel* lblIb = nullptr;
    QLabel* lblIc = nullptr;
    QLabel* lbl3I0 = nullptr;
    QLabel* lbl3U0 = nullptr;
    QLabel* lblAngle = nullptr;
    QGroupBox* groupBox_2 = nullptr;
    QCheckBox* ledMTZ1 = nullptr;
    QCheckBox* ledMTZ2 = nullptr;
    QCheckBox* ledTO = nullptr;
    QCheckBox* ledZNZ = nullptr;
    QCheckBox* ledAPV = nullptr;
    QCheckBox* ledUROV = nullptr;
    QCheckBox* ledDI4 = nullptr;
    QCheckBox* ledOTKL = nullptr;
    QCheckBox* ledIsprav = nullptr;
    QGroupBox* groupBox_3 = nullptr;
    QCheckBox* checkDI1 = nullptr;
    QCheckBox* checkDI2 = nullptr;
    QCheckBox* checkDI3 = nullptr;
    QCheckBox* checkDI4 = nullptr;
    QCheckBox* checkDO1 = nullptr;
    QCheckBox* checkDO2 = nullptr;
    QCheckBox* checkDO3_1 = nullptr;
    QCheckBox* checkDO3_2 = nullptr;
    QCheckBox* checkDO4 = nullptr;
    QCheckBox* checkDO5 = nullptr;
    QCheckBox* checkDO6 = nullptr;
    QGroupBox* groupBox_15 = nullptr;
    QPushButton* btnKvit = nullptr;
    QPushButton* btnDO1 = nullptr;
    QPushButton* btnDO3_1 = nullptr;
    QPushButton* btnDO3_2 = nullptr;
    QPushButton* btnDO2 = nullptr;
    QPushButton* btnDO4 = nullptr;
    QPushButton* btnDO5 = nullptr;
    QPushButton* btnDO6 = nullptr;

    // Pages "Токовые защиты" and "ВЗ/АПВ/Настройки": a group box per group of
    // the setting table, its editors found by their object names.
    QWidget* pageMTZ = nullptr;
    QGroupBox* groupBox_4 = nullptr; // МТЗ-1
    QGroupBox* groupBox_5 = nullptr; // МТЗ-2
    QGroupBox* groupBox_6 = nullptr; // ТО
    QGroupBox* groupBox_7 = nullptr; // ЗНЗ

    QWidget* pageOthers = nullptr;
    QGroupBox* groupBox_8 = nullptr;  // ВЗ
    QGroupBox* groupBox_9 = nullptr;  // АПВ
    QGroupBox* groupBox_16 = nullptr; // УРОВ
    QGroupBox* groupBox_12 = nullptr; // Конфигурация
    QGroupBox* groupBox_13 = nullptr; // Связь
    QGroupBox* groupBox_14 = nullptr; // Осциллограф

    // Tab "Осциллограммы".
    QWidget* crashProcessTab = nullptr;
    QGroupBox* crashListGroup = nullptr;
    QListWidget* crashList = nullptr;
    QGroupBox* crashInfo = nullptr;
    QLabel* crashDate = nullptr;
    QLabel* crashTime = nullptr;
    QLabel* crashPreFaultLength = nullptr;
    QLabel* crashFaultLength = nullptr;
    QPushButton* buttonSaveRecord = nullptr;
    QPushButton* buttonViewRecord = nullptr;
    QProgressBar* crashSaveProgress = nullptr;
    // Below the list: reading it, saving every record, and reading it by
    // itself when polling starts.
    QPushButton* btnReadRecords = nullptr;
    QPushButton* btnSaveAllRecords = nullptr;
    QCheckBox* checkReadRecordsOnConnect = nullptr;

    // Tab "События": the relay's event journal, its filters above it.
    QWidget* journalTab = nullptr;
    QPushButton* btnReadJournal = nullptr;
    QPushButton* btnSaveJournal = nullptr;
    QLabel* labelJournalType = nullptr;
    QComboBox* comboJournalType = nullptr;
    QLineEdit* editJournalFilter = nullptr;
    QTableView* journalTable = nullptr;

    // Tab "Журнал": the controls of the list above it.
    QWidget* logTab = nullptr;
    QToolButton* btnLogPause = nullptr;
    QLineEdit* editLogFind = nullptr;
    QToolButton* btnLogFindPrevious = nullptr;
    QToolButton* btnLogFindNext = nullptr;
    QListWidget* listLog = nullptr;

    // Creates every widget, layout, menu and action on the window, then sets
    // the texts.
    void setupUi(QMainWindow* window);
    // Sets every title, caption and item text.
    void retranslateUi(QMainWindow* window);
};

#endif
