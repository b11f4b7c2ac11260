#include "app/RecordsPage.h"

#include "app/AppSettings.h"
#include "app/ConfigDialog.h"
#include "app/IRelayLine.h"
#include "app/SaveFileDialog.h"
#include "comtrade/ComtradeReader.h"
#include "records/ComtradeWriter.h"
#include "records/CrashProcessReader.h"
#include "records/LogReader.h"
#include "records/RecordExporter.h"
#include "session/RelayConnection.h"
#include "ui/EventsReadDialog.h"
#include "ui/MainWindowForm.h"
#include "viewer/RecordViewer.h"

#include <QAction>
#include <QBuffer>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <optional>

namespace {

// As often as the progress bars move.
constexpr int progressInterval = 500;

} // namespace

RecordsPage::RecordsPage(const Parts& parts, QObject* parent)
    : QObject(parent), window(parts.window), ui(parts.ui), line(*parts.line),
      connection(parts.connection), crashReader(parts.connection->crashReader()),
      logReader(parts.connection->logReader()), configDialog(parts.configDialog),
      settings(parts.settings), eventsReadDialog(new EventsReadDialog(parts.window)),
      progressTimer(new QTimer(this))
{
    saveFolder = settings->folder(QStringLiteral("records"));
    createOpenRecordAction();
    connect(ui->actionReadHeaders, &QAction::triggered, this, &RecordsPage::readHeaders);
    connect(ui->buttonSaveRecord, &QPushButton::clicked, this, &RecordsPage::saveCrash);
    connect(ui->buttonViewRecord, &QPushButton::clicked, this, &RecordsPage::viewCrash);
    connect(crashReader, &CrashProcessReader::headersReadingFinished, this,
            &RecordsPage::readHeadersFinished);
    connect(crashReader, &CrashProcessReader::recordReadingFinished, this,
            &RecordsPage::readCrashFinished);
    connect(crashReader, &CrashProcessReader::recordReadingFailed, this,
            &RecordsPage::readCrashFailed);
    connect(logReader, &LogReader::logReadingFinished, this, &RecordsPage::readLogFinished);
    connect(logReader, &LogReader::logReadingFailed, this, &RecordsPage::readLogFailed);
    connect(ui->crashList, &QListWidget::itemClicked, this, &RecordsPage::crashHeaderSelected);
    // The details follow the current record however it changes: a click, the
    // arrow keys, or the list being filled anew.
    connect(ui->crashList, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        showCrashDetails(item != nullptr ? item->data(Qt::UserRole).toInt() : -1);
    });
    connect(progressTimer, &QTimer::timeout, this, &RecordsPage::showProgress);
    connect(ui->actionReadLog, &QAction::triggered, this, &RecordsPage::readLogStart);
}

RecordsPage::~RecordsPage()
{
    progressTimer->stop();
    delete eventsReadDialog;
}

void RecordsPage::readHeaders()
{
    if (!line.portReady())
        return;
    connection->beginReading(RelayConnection::CrashReading);
    showCrashDetails(-1);
    completeRecords.clear();
    crashReader->readHeaders(static_cast<uint8_t>(configDialog->deviceAddress() & 0xFF));
}

void RecordsPage::readHeadersFinished()
{
    ui->crashList->clear();
    for (int record = 0; record < CrashProcessReader::recordCount; ++record) {
        const CrashProcessHeader* header = crashReader->header(record);
        if (header == nullptr || !crashReader->isHeaderValid(record))
            continue;
        auto* item = new QListWidgetItem(ComtradeWriter::dateText(*header) + ' ' +
                                         ComtradeWriter::timeText(*header));
        item->setData(Qt::UserRole, record);
        ui->crashList->addItem(item);
    }
    connection->endReading(RelayConnection::CrashReading);
}

void RecordsPage::crashHeaderSelected(QListWidgetItem* item)
{
    if (item != nullptr)
        showCrashDetails(item->data(Qt::UserRole).toInt());
}

void RecordsPage::showCrashDetails(int crashNumber)
{
    const CrashProcessHeader* header =
        crashNumber >= 0 ? crashReader->header(crashNumber) : nullptr;
    const bool shown = header != nullptr;
    shownCrash = shown ? crashNumber : -1;
    if (shown) {
        ui->crashDate->setText(ComtradeWriter::dateText(*header));
        ui->crashTime->setText(ComtradeWriter::timeText(*header));
        ui->crashFaultLength->setText(header->faultSecondsText());
        ui->crashPreFaultLength->setText(CrashProcessHeader::preFaultSecondsText());
    } else {
        ui->crashDate->clear();
        ui->crashTime->clear();
        ui->crashFaultLength->clear();
        ui->crashPreFaultLength->clear();
    }
    enableRecordButtons(shown && !recordReading);
    ui->crashSaveProgress->setEnabled(shown);
}

void RecordsPage::enableRecordButtons(bool enabled)
{
    ui->buttonSaveRecord->setEnabled(enabled);
    ui->buttonViewRecord->setEnabled(enabled);
}

void RecordsPage::saveCrash()
{
    // The record the user sees in the details is the one read and saved.
    const int crashNumber = shownCrash;
    saveFolder = QFileDialog::getExistingDirectory(window, "Выберите папку для сохранения",
                                                   saveFolder, QFileDialog::ShowDirsOnly);
    if (crashNumber < 0 || crashNumber != shownCrash || saveFolder.isEmpty())
        return;
    settings->setFolderOf("records", saveFolder, true);
    startCrashReading(crashNumber, AfterReading::Save);
}

void RecordsPage::viewCrash()
{
    const int crashNumber = shownCrash;
    const CrashProcessHeader* header = crashReader->header(crashNumber);
    if (header == nullptr)
        return;
    if (completeRecords.contains(crashNumber) &&
        completeRecords.value(crashNumber) == header->encode())
        showRecordViewer(crashNumber);
    else
        startCrashReading(crashNumber, AfterReading::View);
}

void RecordsPage::startCrashReading(int crashNumber, AfterReading after)
{
    connection->beginReading(RelayConnection::CrashReading);
    recordReading = true;
    afterReading = after;
    // The buffer is refilled from the start.
    completeRecords.remove(crashNumber);
    enableRecordButtons(false);
    ui->actionReadHeaders->setEnabled(false);
    crashReader->readCrashProcess(static_cast<uint8_t>(configDialog->deviceAddress() & 0xFF),
                                  static_cast<uint16_t>(crashNumber));
    // A reading that failed at once has already ended inside the call above.
    if (connection->isReading(RelayConnection::CrashReading))
        progressTimer->start(progressInterval);
}

void RecordsPage::readCrashFinished(int crashNumber)
{
    progressTimer->stop();
    // A batched reading may end between two ticks of the progress timer: the
    // bar shows the whole record read.
    showProgress();
    recordReading = false;
    if (const CrashProcessHeader* header = crashReader->header(crashNumber))
        completeRecords.insert(crashNumber, header->encode());
    if (afterReading == AfterReading::View) {
        showRecordViewer(crashNumber);
    } else {
        switch (RecordExporter::saveRecord(*crashReader, crashNumber, saveFolder)) {
        case RecordExporter::Result::Saved:
            QMessageBox::information(window, "Успешно", "Осциллограмма успешно считана.");
            break;
        case RecordExporter::Result::Unexportable:
            QMessageBox::warning(window, "Ошибка", "Некорректный заголовок осциллограммы.");
            break;
        case RecordExporter::Result::WriteFailed:
            QMessageBox::warning(window, "Ошибка", "Не удалось сохранить осциллограмму.");
            break;
        }
    }
    enableRecordButtons(true);
    ui->actionReadHeaders->setEnabled(true);
    connection->endReading(RelayConnection::CrashReading);
}

void RecordsPage::showRecordViewer(int crashNumber)
{
    const CrashProcessHeader* header = crashReader->header(crashNumber);
    const QByteArray* samples = crashReader->samples(crashNumber);
    if (header == nullptr || samples == nullptr || !ComtradeWriter::isExportable(*header)) {
        QMessageBox::warning(window, "Ошибка", "Некорректный заголовок осциллограммы.");
        return;
    }
    // The viewer reads the record through the same export and reader as a
    // saved pair, so what it shows is what "Сохранить" would write.
    const QString name = ComtradeWriter::baseName(*header);
    QBuffer cfg;
    QBuffer dat;
    cfg.open(QIODevice::ReadWrite);
    dat.open(QIODevice::ReadWrite);
    QString error;
    std::optional<ComtradeRecord> record;
    if (ComtradeWriter::writeCfg(cfg, *header) &&
        ComtradeWriter::writeDat(dat, *header, *samples) && cfg.seek(0) && dat.seek(0))
        record = ComtradeReader::read(cfg, dat, &error, name + ".cfg", name + ".dat");
    if (!record) {
        QMessageBox::warning(window, "Ошибка", "Не удалось показать осциллограмму.\n" + error);
        return;
    }
    RecordViewer::openRecord(*record, name + " (не сохранена)", window);
}

void RecordsPage::createOpenRecordAction()
{
    auto* action = new QAction("Открыть осциллограмму…", window);
    action->setObjectName("actionOpenRecord");
    action->setShortcut(QKeySequence::Open);
    ui->menu->insertAction(ui->actionExit, action);
    ui->menu->insertSeparator(ui->actionExit);
    connect(action, &QAction::triggered, this, &RecordsPage::openRecordFile);
}

void RecordsPage::openRecordFile()
{
    // Records saved here are the likeliest to be opened.
    const QString folder = recordFolder.isEmpty() ? saveFolder : recordFolder;
    const QString path = QFileDialog::getOpenFileName(window, "Открыть осциллограмму", folder,
                                                      "Осциллограммы COMTRADE (*.cfg *.CFG)");
    if (path.isEmpty())
        return;
    recordFolder = QFileInfo(path).absolutePath();
    RecordViewer::openFile(path, window);
}

void RecordsPage::readCrashFailed()
{
    recordReading = false;
    QMessageBox::warning(window, "Ошибка связи", "Проверьте настройки и повторите попытку.");
    progressTimer->stop();
    connection->endReading(RelayConnection::CrashReading);
}

void RecordsPage::showProgress()
{
    ui->crashSaveProgress->setValue(static_cast<int>(crashReader->progress()));
    eventsReadDialog->setProgress(static_cast<int>(logReader->progress()));
}

void RecordsPage::readLogStart()
{
    if (!line.portReady())
        return;
    connection->beginReading(RelayConnection::JournalReading);
    logReader->readRecords(static_cast<uint8_t>(configDialog->deviceAddress() & 0xFF));
    // A reading that failed at once has already ended inside the call above.
    if (!connection->isReading(RelayConnection::JournalReading))
        return;
    eventsReadDialog->setProgress(0);
    eventsReadDialog->show();
    progressTimer->start(progressInterval);
}

void RecordsPage::readLogFinished()
{
    eventsReadDialog->hide();
    const QString fileName = SaveFileDialog::fileName(
        window, "Выберите имя файла", settings->folder("journal"), "Файлы журнала (*.csv)", "csv");
    settings->setFolderOf("journal", fileName);
    if (!fileName.isEmpty() && !logReader->save(fileName))
        QMessageBox::warning(window, "Ошибка", "Неверное имя файла.");
    connection->endReading(RelayConnection::JournalReading);
}

void RecordsPage::readLogFailed()
{
    eventsReadDialog->hide();
    QMessageBox::warning(window, "Ошибка", "Возникла проблема при считывании журнала.");
    connection->endReading(RelayConnection::JournalReading);
}
