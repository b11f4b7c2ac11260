#include "app/RecordsPage.h"

#include "app/AppSettings.h"
#include "app/ConfigDialog.h"
#include "app/IRelayLine.h"
#include "base/RussianPlural.h"
#include "comtrade/ComtradeReader.h"
#include "records/ComtradeWriter.h"
#include "records/CrashProcessReader.h"
#include "records/RecordExporter.h"
#include "session/RelayConnection.h"
#include "ui/MainWindowForm.h"
#include "viewer/RecordViewer.h"

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include <optional>

namespace {

// As often as the progress bars move.
constexpr int progressInterval = 500;

// The record's number in the list's items; hints carry none.
int recordOfItem(const QListWidgetItem* item)
{
    const QVariant number = item != nullptr ? item->data(Qt::UserRole) : QVariant();
    return number.isValid() ? number.toInt() : -1;
}

QString savedText(int count)
{
    return QStringLiteral("Сохранено %1 %2")
        .arg(count)
        .arg(russianPlural(count, QStringLiteral("осциллограмма"), QStringLiteral("осциллограммы"),
                           QStringLiteral("осциллограмм")));
}

} // namespace

RecordsPage::RecordsPage(const Parts& parts, QObject* parent)
    : QObject(parent), window(parts.window), ui(parts.ui), line(*parts.line),
      connection(parts.connection), crashReader(parts.connection->crashReader()),
      configDialog(parts.configDialog), settings(parts.settings), progressTimer(new QTimer(this))
{
    saveFolder = settings->folder(QStringLiteral("records"));
    createOpenRecordAction();
    showListHint(QStringLiteral("Список пуст — нажмите «Считать список»"));
    ui->checkReadRecordsOnConnect->setChecked(settings->readRecordsOnConnect());
    connect(ui->checkReadRecordsOnConnect, &QCheckBox::toggled, this,
            [this](bool on) { settings->setReadRecordsOnConnect(on); });
    connect(ui->actionReadHeaders, &QAction::triggered, this, &RecordsPage::readHeaders);
    connect(ui->btnReadRecords, &QPushButton::clicked, this, &RecordsPage::readHeaders);
    connect(ui->btnSaveAllRecords, &QPushButton::clicked, this, &RecordsPage::saveAllRecords);
    connect(ui->buttonSaveRecord, &QPushButton::clicked, this, &RecordsPage::saveCrash);
    connect(ui->buttonViewRecord, &QPushButton::clicked, this, &RecordsPage::viewCrash);
    connect(crashReader, &CrashProcessReader::headersReadingFinished, this,
            &RecordsPage::readHeadersFinished);
    connect(crashReader, &CrashProcessReader::recordReadingFinished, this,
            &RecordsPage::readCrashFinished);
    connect(crashReader, &CrashProcessReader::recordReadingFailed, this,
            &RecordsPage::readCrashFailed);
    connect(ui->crashList, &QListWidget::itemClicked, this, &RecordsPage::crashHeaderSelected);
    // The details follow the current record however it changes: a click, the
    // arrow keys, or the list being filled anew.
    connect(ui->crashList, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* item) { showCrashDetails(recordOfItem(item)); });
    connect(progressTimer, &QTimer::timeout, this, &RecordsPage::showProgress);
}

RecordsPage::~RecordsPage()
{
    progressTimer->stop();
}

void RecordsPage::pollingStarted()
{
    if (ui->checkReadRecordsOnConnect->isChecked())
        readHeaders();
}

void RecordsPage::readHeaders()
{
    if (busy() || !line.portReady())
        return;
    connection->beginReading(RelayConnection::CrashReading);
    headersReading = true;
    completeRecords.clear();
    // What the list showed may no longer be what the relay holds.
    ui->crashList->clear();
    showListHint(QStringLiteral("Чтение списка…"));
    updateControls();
    crashReader->readHeaders(static_cast<uint8_t>(configDialog->deviceAddress() & 0xFF));
}

void RecordsPage::readHeadersFinished()
{
    headersReading = false;
    ui->crashList->clear();
    listed = QVector<CrashProcessHeader>(CrashProcessReader::recordCount);
    for (int record = 0; record < CrashProcessReader::recordCount; ++record) {
        const CrashProcessHeader* header = crashReader->header(record);
        if (header == nullptr || !crashReader->isHeaderValid(record))
            continue;
        listed[record] = *header;
        auto* item = new QListWidgetItem(ComtradeWriter::dateText(*header) + ' ' +
                                         ComtradeWriter::timeText(*header));
        item->setData(Qt::UserRole, record);
        ui->crashList->addItem(item);
    }
    if (ui->crashList->count() == 0)
        showListHint(QStringLiteral("В реле нет осциллограмм"));
    updateControls();
    emit recordListChanged();
    connection->endReading(RelayConnection::CrashReading);
}

void RecordsPage::showListHint(const QString& text)
{
    auto* item = new QListWidgetItem(text);
    item->setFlags(Qt::NoItemFlags);
    ui->crashList->addItem(item);
}

void RecordsPage::crashHeaderSelected(QListWidgetItem* item)
{
    if (recordOfItem(item) >= 0)
        showCrashDetails(recordOfItem(item));
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
    updateControls();
}

bool RecordsPage::busy() const
{
    return recordReading || headersReading || savingAll;
}

void RecordsPage::updateControls()
{
    const bool idle = !busy();
    ui->actionReadHeaders->setEnabled(idle);
    ui->btnReadRecords->setEnabled(idle);
    bool anyListed = false;
    for (const CrashProcessHeader& header : qAsConst(listed))
        anyListed = anyListed || header.isValid();
    ui->btnSaveAllRecords->setEnabled(idle && anyListed);
    // "Сохранить" and "Просмотр" are offered together.
    ui->buttonSaveRecord->setEnabled(idle && shownCrash >= 0);
    ui->buttonViewRecord->setEnabled(idle && shownCrash >= 0);
    ui->crashSaveProgress->setEnabled(shownCrash >= 0 || savingAll);
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
    viewRecord(shownCrash);
}

void RecordsPage::viewRecord(int number)
{
    const CrashProcessHeader* header = crashReader->header(number);
    if (header == nullptr || busy())
        return;
    if (isComplete(number)) {
        showRecordViewer(number);
        return;
    }
    // The journal's page, which can ask for a record too, has no progress bar.
    ui->statusBar->showMessage(QStringLiteral("Чтение осциллограммы %1…").arg(recordName(number)));
    if (!startCrashReading(number, AfterReading::View))
        ui->statusBar->clearMessage();
}

bool RecordsPage::isComplete(int crashNumber) const
{
    const CrashProcessHeader* header = crashReader->header(crashNumber);
    return header != nullptr && completeRecords.contains(crashNumber) &&
           completeRecords.value(crashNumber) == header->encode();
}

QString RecordsPage::recordName(int crashNumber) const
{
    const CrashProcessHeader* header = crashReader->header(crashNumber);
    if (header == nullptr)
        return QString();
    return QStringLiteral("№%1 (%2 %3)")
        .arg(QString::number(crashNumber), header->dateText(), header->timeText());
}

bool RecordsPage::startCrashReading(int crashNumber, AfterReading after)
{
    if (!line.portReady())
        return false;
    connection->beginReading(RelayConnection::CrashReading);
    recordReading = true;
    afterReading = after;
    // The buffer is refilled from the start.
    completeRecords.remove(crashNumber);
    updateControls();
    crashReader->readCrashProcess(static_cast<uint8_t>(configDialog->deviceAddress() & 0xFF),
                                  static_cast<uint16_t>(crashNumber));
    // A reading that failed at once has already ended inside the call above.
    if (recordReading)
        progressTimer->start(progressInterval);
    return true;
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
    if (afterReading == AfterReading::SaveAll) {
        // After the reader's signal has reached everyone (the archive keeps
        // the record from it), so that the next reading starts afresh.
        QTimer::singleShot(0, this, [this, crashNumber] { saveOneOfAll(crashNumber); });
        return;
    }
    if (afterReading == AfterReading::View) {
        ui->statusBar->clearMessage();
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
    updateControls();
    connection->endReading(RelayConnection::CrashReading);
}

void RecordsPage::saveAllRecords()
{
    const QString folder = QFileDialog::getExistingDirectory(
        window, "Выберите папку для сохранения", saveFolder, QFileDialog::ShowDirsOnly);
    if (folder.isEmpty() || busy())
        return;
    saveFolder = folder;
    settings->setFolderOf("records", saveFolder, true);
    toSave.clear();
    for (int number = 0; number < listed.size(); ++number) {
        if (listed.at(number).isValid())
            toSave.append(number);
    }
    savedCount = 0;
    savingAll = true;
    connection->beginReading(RelayConnection::CrashReading);
    updateControls();
    saveNextOfAll();
}

void RecordsPage::saveNextOfAll()
{
    if (toSave.isEmpty()) {
        finishSavingAll(QString(), QString());
        return;
    }
    const int number = toSave.first();
    ui->statusBar->showMessage(QStringLiteral("Сохранение осциллограмм: %1 из %2…")
                                   .arg(savedCount + 1)
                                   .arg(savedCount + toSave.size()));
    if (isComplete(number))
        saveOneOfAll(number);
    else if (!startCrashReading(number, AfterReading::SaveAll))
        finishSavingAll(QString(), QString());
}

void RecordsPage::saveOneOfAll(int crashNumber)
{
    switch (RecordExporter::saveRecord(*crashReader, crashNumber, saveFolder)) {
    case RecordExporter::Result::Saved:
        ++savedCount;
        toSave.removeFirst();
        saveNextOfAll();
        return;
    case RecordExporter::Result::Unexportable:
        finishSavingAll(QStringLiteral("Ошибка"),
                        QStringLiteral("Некорректный заголовок осциллограммы %1.")
                            .arg(recordName(crashNumber)));
        return;
    case RecordExporter::Result::WriteFailed:
        finishSavingAll(QStringLiteral("Ошибка"),
                        QStringLiteral("Не удалось сохранить осциллограмму %1 в папку %2.")
                            .arg(recordName(crashNumber), QDir::toNativeSeparators(saveFolder)));
        return;
    }
}

void RecordsPage::finishSavingAll(const QString& title, const QString& failure)
{
    savingAll = false;
    toSave.clear();
    const QString saved = savedText(savedCount);
    ui->statusBar->showMessage(saved);
    updateControls();
    connection->endReading(RelayConnection::CrashReading);
    if (!failure.isEmpty())
        QMessageBox::warning(window, title, failure + QLatin1Char('\n') + saved + '.');
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
    progressTimer->stop();
    recordReading = false;
    if (headersReading) {
        // Part of the headers may be new: no list is better than a wrong one.
        headersReading = false;
        listed.clear();
        ui->crashList->clear();
        showListHint(QStringLiteral("Список пуст — нажмите «Считать список»"));
        emit recordListChanged();
    }
    if (savingAll) {
        const QString failed = recordName(toSave.value(0, -1));
        finishSavingAll(QStringLiteral("Ошибка связи"),
                        QStringLiteral("Осциллограмма %1 не считана: проверьте настройки и "
                                       "повторите попытку.")
                            .arg(failed));
        return;
    }
    updateControls();
    ui->statusBar->clearMessage();
    QMessageBox::warning(window, "Ошибка связи", "Проверьте настройки и повторите попытку.");
    connection->endReading(RelayConnection::CrashReading);
}

void RecordsPage::showProgress()
{
    ui->crashSaveProgress->setValue(static_cast<int>(crashReader->progress()));
}
