#include "app/JournalPage.h"

#include "app/AppSettings.h"
#include "app/ConfigDialog.h"
#include "app/IRelayLine.h"
#include "app/SaveFileDialog.h"
#include "base/RussianPlural.h"
#include "records/JournalCsv.h"
#include "records/JournalTableModel.h"
#include "records/LogReader.h"
#include "session/RelayConnection.h"
#include "ui/EventsReadDialog.h"
#include "ui/MainWindowForm.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

namespace {

// As often as the progress bar moves.
constexpr int progressInterval = 500;

// Bold for the events a fault record belongs to; their tool tip names it.
class RecordMarkDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.data(JournalTableModel::RecordRole).toInt() >= 0)
            option->font.setBold(true);
    }
};

} // namespace

JournalPage::JournalPage(const RecordsPage::Parts& parts, RecordsPage* records, QObject* parent)
    : QObject(parent), window(parts.window), ui(parts.ui), line(*parts.line),
      connection(parts.connection), logReader(parts.connection->logReader()),
      configDialog(parts.configDialog), settings(parts.settings), records(records),
      model(new JournalTableModel(this)), byType(new QSortFilterProxyModel(this)),
      byText(new QSortFilterProxyModel(this)), eventsReadDialog(new EventsReadDialog(parts.window)),
      progressTimer(new QTimer(this))
{
    setUpTable();
    connect(ui->actionReadLog, &QAction::triggered, this, &JournalPage::readJournal);
    connect(ui->btnReadJournal, &QPushButton::clicked, this, &JournalPage::readJournal);
    connect(ui->btnSaveJournal, &QPushButton::clicked, this, &JournalPage::saveCsv);
    connect(logReader, &LogReader::logReadingFinished, this, &JournalPage::readingFinished);
    connect(logReader, &LogReader::logReadingFailed, this, &JournalPage::readingFailed);
    connect(progressTimer, &QTimer::timeout, this, &JournalPage::showProgress);
    // The list read later, or again, marks the events anew.
    connect(records, &RecordsPage::recordListChanged, this,
            [this] { model->setRecords(this->records->listedHeaders()); });
}

JournalPage::~JournalPage()
{
    progressTimer->stop();
    delete eventsReadDialog;
}

void JournalPage::setUpTable()
{
    byType->setSourceModel(model);
    byType->setFilterKeyColumn(JournalTableModel::TypeColumn);
    byText->setSourceModel(byType);
    byText->setFilterKeyColumn(-1);
    byText->setFilterCaseSensitivity(Qt::CaseInsensitive);
    byText->setSortRole(JournalTableModel::SortRole);
    QTableView* table = ui->journalTable;
    table->setModel(byText);
    table->setItemDelegate(new RecordMarkDelegate(table));
    // No column sorted until the user clicks one: the relay's own order,
    // newest first.
    table->horizontalHeader()->setSortIndicator(-1, Qt::DescendingOrder);
    table->setSortingEnabled(true);
    fillTypes();
    connect(ui->comboJournalType, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &JournalPage::filterByType);
    connect(ui->editJournalFilter, &QLineEdit::textChanged, byText,
            &QSortFilterProxyModel::setFilterFixedString);
    connect(table, &QTableView::doubleClicked, this, &JournalPage::openRecordOf);
}

void JournalPage::readJournal()
{
    if (!line.portReady())
        return;
    connection->beginReading(RelayConnection::JournalReading);
    logReader->readRecords(static_cast<uint8_t>(configDialog->deviceAddress() & 0xFF));
    // A reading that failed at once has already ended inside the call above.
    if (!connection->isReading(RelayConnection::JournalReading))
        return;
    ui->btnReadJournal->setEnabled(false);
    eventsReadDialog->setProgress(0);
    eventsReadDialog->show();
    progressTimer->start(progressInterval);
}

void JournalPage::showProgress()
{
    eventsReadDialog->setProgress(static_cast<int>(logReader->progress()));
}

void JournalPage::readingFinished()
{
    progressTimer->stop();
    eventsReadDialog->hide();
    model->setJournal(logReader->events());
    model->setRecords(records->listedHeaders());
    fillTypes();
    ui->btnSaveJournal->setEnabled(true);
    ui->btnReadJournal->setEnabled(true);
    // Read from the menu on another page, the journal is shown all the same.
    ui->tabWidget->setCurrentWidget(ui->journalTab);
    const int count = model->rowCount();
    ui->statusBar->showMessage(
        QStringLiteral("Считано %1 %2")
            .arg(count)
            .arg(russianPlural(count, QStringLiteral("событие"), QStringLiteral("события"),
                               QStringLiteral("событий"))));
    connection->endReading(RelayConnection::JournalReading);
}

void JournalPage::readingFailed()
{
    progressTimer->stop();
    eventsReadDialog->hide();
    ui->btnReadJournal->setEnabled(true);
    QMessageBox::warning(window, "Ошибка", "Возникла проблема при считывании журнала.");
    connection->endReading(RelayConnection::JournalReading);
}

void JournalPage::saveCsv()
{
    const QString fileName = SaveFileDialog::fileName(
        window, "Выберите имя файла", settings->folder("journal"), "Файлы журнала (*.csv)", "csv");
    if (fileName.isEmpty())
        return;
    settings->setFolderOf("journal", fileName);
    // The journal as shown, not the reader's memory: a later reading that
    // failed halfway may have overwritten part of that.
    if (JournalCsv::save(fileName, model->events()))
        ui->statusBar->showMessage(
            QStringLiteral("Журнал сохранён: %1").arg(QDir::toNativeSeparators(fileName)));
    else
        QMessageBox::warning(window, "Ошибка",
                             QStringLiteral("Не удалось записать файл журнала:\n%1")
                                 .arg(QDir::toNativeSeparators(fileName)));
}

void JournalPage::fillTypes()
{
    QComboBox* types = ui->comboJournalType;
    const QString chosen = types->currentIndex() > 0 ? types->currentText() : QString();
    const QSignalBlocker quiet(types);
    types->clear();
    types->addItem(QStringLiteral("Все типы"));
    types->addItems(model->types());
    types->setCurrentIndex(qMax(0, types->findText(chosen)));
    filterByType();
}

void JournalPage::filterByType()
{
    const int index = ui->comboJournalType->currentIndex();
    const QString type = ui->comboJournalType->currentText();
    byType->setFilterRegularExpression(
        index > 0 ? QRegularExpression(QStringLiteral("^%1$").arg(QRegularExpression::escape(type)))
                  : QRegularExpression());
}

void JournalPage::openRecordOf(const QModelIndex& index)
{
    const QModelIndex source = byType->mapToSource(byText->mapToSource(index));
    const int record = model->recordOf(source.row());
    if (record >= 0)
        records->viewRecord(record);
}
