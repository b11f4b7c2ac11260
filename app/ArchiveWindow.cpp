#include "app/ArchiveWindow.h"

#include "app/AppSettings.h"
#include "app/SaveFileDialog.h"
#include "app/SettingsChangeDialog.h"
#include "archive/ArchiveExport.h"
#include "comtrade/ComtradeReader.h"
#include "relay/SettingsComparison.h"
#include "session/ArchiveLocation.h"
#include "viewer/RecordViewer.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSaveFile>
#include <QSettings>
#include <QSplitter>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr const char* folderKey = "archive";

QString timeText(const QDateTime& time)
{
    return time.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
}

// "№12 08.12.2026 10:15": how comparisons and titles name a snapshot.
QString snapshotName(const ArchiveItem& item)
{
    return QStringLiteral("№%1 %2").arg(item.id).arg(
        item.time.toString(QStringLiteral("dd.MM.yyyy hh:mm")));
}

bool isSnapshot(const ArchiveItem& item)
{
    return item.kind == ArchiveKind::Settings || item.kind == ArchiveKind::Write;
}

QTableWidget* newTable(const char* name, const QStringList& headers, QWidget* parent)
{
    auto* table = new QTableWidget(0, headers.size(), parent);
    table->setObjectName(QString::fromLatin1(name));
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(headers.size() - 1, QHeaderView::Stretch);
    return table;
}

// Each column as wide as its contents but the last, which takes the rest.
void fitColumns(QTableWidget* table)
{
    for (int column = 0; column + 1 < table->columnCount(); ++column)
        table->resizeColumnToContents(column);
}

void setRow(QTableWidget* table, int row, const QStringList& cells)
{
    for (int column = 0; column < cells.size(); ++column)
        table->setItem(row, column, new QTableWidgetItem(cells.at(column)));
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

ArchiveWindow::ArchiveWindow(QSettings* store, QWidget* parent)
    : QDialog(parent), store(store), settings(std::make_unique<AppSettings>(store))
{
    setObjectName(QStringLiteral("ArchiveWindow"));
    setWindowTitle(QStringLiteral("Архив"));
    setWindowFlags((windowFlags() & ~Qt::WindowContextHelpButtonHint) |
                   Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    setModal(false);
    buildLayout();
    resize(1000, 560);
}

ArchiveWindow::~ArchiveWindow() = default;

void ArchiveWindow::attach(QAction* action, QWidget* window, QSettings* store,
                           const std::function<void(ArchiveWindow*)>& created)
{
    QObject::connect(action, &QAction::triggered, window,
                     [window, store, created, shown = QPointer<ArchiveWindow>()]() mutable {
                         if (shown.isNull()) {
                             shown = new ArchiveWindow(store, window);
                             if (created)
                                 created(shown);
                         }
                         shown->show();
                         shown->raise();
                         shown->activateWindow();
                     });
}

QString ArchiveWindow::kindText(ArchiveKind kind)
{
    switch (kind) {
    case ArchiveKind::Settings:
        return QStringLiteral("Уставки");
    case ArchiveKind::Write:
        return QStringLiteral("Запись уставок");
    case ArchiveKind::Journal:
        return QStringLiteral("Журнал");
    case ArchiveKind::Record:
        return QStringLiteral("Осциллограмма");
    }
    return QString();
}

void ArchiveWindow::buildLayout()
{
    labelArchive = new QLabel(this);
    labelArchive->setObjectName(QStringLiteral("labelArchive"));
    labelArchive->setWordWrap(true);
    labelArchive->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* refreshButton = new QPushButton(QStringLiteral("Обновить"), this);
    refreshButton->setObjectName(QStringLiteral("buttonRefresh"));
    refreshButton->setDefault(true);
    connect(refreshButton, &QPushButton::clicked, this, &ArchiveWindow::refresh);
    auto* locationButton = new QPushButton(QStringLiteral("Другой архив…"), this);
    locationButton->setObjectName(QStringLiteral("buttonLocation"));
    locationButton->setAutoDefault(false);
    connect(locationButton, &QPushButton::clicked, this, &ArchiveWindow::chooseLocation);
    auto* top = new QHBoxLayout;
    top->addWidget(labelArchive, 1);
    top->addWidget(locationButton);
    top->addWidget(refreshButton);

    relayTable = newTable("tableRelays", {"Реле", "Связь", "Адрес", "Последняя запись"}, this);
    relayTable->setSelectionMode(QAbstractItemView::SingleSelection);
    itemTable = newTable("tableItems", {"№", "Время", "Вид", "Содержание"}, this);
    // Two snapshots are compared by selecting both.
    itemTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(relayTable, &QTableWidget::itemSelectionChanged, this, &ArchiveWindow::listItems);
    connect(itemTable, &QTableWidget::itemSelectionChanged, this, &ArchiveWindow::updateButtons);

    auto* buttons = new QHBoxLayout;
    const auto add = [&](const char* name, const QString& text, Needs needs,
                         void (ArchiveWindow::*action)()) {
        buttons->addWidget(addButton(name, text, needs, action));
    };
    add("buttonCompare", QStringLiteral("Сравнить"), Needs::TwoSnapshots,
        &ArchiveWindow::compareSnapshots);
    add("buttonCompareFile", QStringLiteral("Сравнить с файлом…"), Needs::OneSnapshot,
        &ArchiveWindow::compareWithFile);
    add("buttonCompareRelay", QStringLiteral("Сравнить с реле"), Needs::OneSnapshot,
        &ArchiveWindow::compareWithRelay);
    add("buttonSaveAs", QStringLiteral("Сохранить как…"), Needs::OneItem, &ArchiveWindow::saveAs);
    add("buttonOpenRecord", QStringLiteral("Открыть в просмотре"), Needs::OneRecord,
        &ArchiveWindow::openRecord);
    add("buttonOpenSnapshot", QStringLiteral("Открыть как файл уставок"), Needs::OneSnapshot,
        &ArchiveWindow::openSnapshot);
    add("buttonWriteSnapshot", QStringLiteral("Записать в реле…"), Needs::OneSnapshot,
        &ArchiveWindow::writeSnapshot);
    buttons->addStretch();

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(relayTable);
    splitter->addWidget(itemTable);
    splitter->setStretchFactor(1, 1);
    // Room for a relay's name and connection; the items take the rest.
    splitter->setSizes({400, 600});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);
    updateButtons();
}

QPushButton* ArchiveWindow::addButton(const char* name, const QString& text, Needs needs,
                                      void (ArchiveWindow::*action)())
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(QString::fromLatin1(name));
    // Enter in the tables must not set off an action by itself.
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, action);
    actionButtons.append({button, needs});
    return button;
}

void ArchiveWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    refresh();
}

void ArchiveWindow::refresh()
{
    const QList<QTableWidgetItem*> chosen = relayTable->selectedItems();
    const QString relay =
        chosen.isEmpty() ? QString() : relayTable->item(chosen.first()->row(), 0)->text();
    if (openArchive()) {
        listRelays(relay);
        return;
    }
    relayTable->setRowCount(0);
    shownItems.clear();
    itemTable->setRowCount(0);
    updateButtons();
}

bool ArchiveWindow::openArchive()
{
    archive.close();
    const QString location = ArchiveLocation::resolve(QString(), store);
    if (location.isEmpty()) {
        labelArchive->setText(QStringLiteral("Архив отключён (в настройках «%1»).")
                                  .arg(QLatin1String(ArchiveLocation::off)));
        return false;
    }
    // A PostgreSQL server that does not answer holds this up to its connect
    // timeout, not longer.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool opened = archive.open(location);
    QApplication::restoreOverrideCursor();
    if (!opened) {
        const QString reason = archive.errorText();
        labelArchive->setText(reason.startsWith(QStringLiteral("Архив недоступен"))
                                  ? reason
                                  : QStringLiteral("Архив недоступен: %1").arg(reason));
        return false;
    }
    labelArchive->setText(QStringLiteral("Архив: %1").arg(location));
    return true;
}

void ArchiveWindow::listRelays(const QString& chosen)
{
    const QVector<ArchiveRelay> relays = archive.relays();
    QSignalBlocker quiet(relayTable);
    relayTable->setRowCount(relays.size());
    int chosenRow = relays.isEmpty() ? -1 : 0;
    for (int row = 0; row < relays.size(); ++row) {
        const ArchiveRelay& relay = relays.at(row);
        setRow(
            relayTable, row,
            {relay.name, relay.connection, QString::number(relay.address), timeText(relay.last)});
        if (relay.name == chosen)
            chosenRow = row;
    }
    relayTable->clearSelection();
    if (chosenRow >= 0)
        relayTable->selectRow(chosenRow);
    fitColumns(relayTable);
    quiet.unblock();
    listItems();
}

void ArchiveWindow::listItems()
{
    const QList<QTableWidgetItem*> chosen = relayTable->selectedItems();
    shownItems = chosen.isEmpty() || !archive.isOpen()
                     ? QVector<ArchiveItem>()
                     : archive.items(relayTable->item(chosen.first()->row(), 0)->text());
    QSignalBlocker quiet(itemTable);
    itemTable->setRowCount(shownItems.size());
    for (int row = 0; row < shownItems.size(); ++row) {
        const ArchiveItem& item = shownItems.at(row);
        setRow(itemTable, row,
               {QString::number(item.id), timeText(item.time), kindText(item.kind), item.summary});
    }
    itemTable->clearSelection();
    fitColumns(itemTable);
    quiet.unblock();
    updateButtons();
}

QVector<ArchiveItem> ArchiveWindow::selectedItems() const
{
    QVector<ArchiveItem> items;
    for (const QModelIndex& index : itemTable->selectionModel()->selectedRows()) {
        if (index.row() < shownItems.size())
            items.append(shownItems.at(index.row()));
    }
    return items;
}

void ArchiveWindow::updateButtons()
{
    const QVector<ArchiveItem> items = selectedItems();
    const bool snapshots = std::all_of(items.begin(), items.end(), isSnapshot);
    for (const ActionButton& action : qAsConst(actionButtons)) {
        bool enabled = false;
        switch (action.needs) {
        case Needs::TwoSnapshots:
            enabled = items.size() == 2 && snapshots;
            break;
        case Needs::OneSnapshot:
            enabled = items.size() == 1 && snapshots;
            break;
        case Needs::OneItem:
            enabled = items.size() == 1;
            break;
        case Needs::OneRecord:
            enabled = items.size() == 1 && items.first().kind == ArchiveKind::Record;
            break;
        }
        action.button->setEnabled(enabled);
    }
}

bool ArchiveWindow::snapshotValues(const ArchiveItem& item,
                                   QVector<ConfigFile::RegisterValue>* values)
{
    *values = archive.settingsOf(item.id);
    if (values->isEmpty()) {
        warn(QStringLiteral("Архив"), QStringLiteral("Не удалось прочитать уставки записи №%1.\n%2")
                                          .arg(item.id)
                                          .arg(archive.errorText()));
        return false;
    }
    return true;
}

QString ArchiveWindow::folder() const
{
    const QString kept = settings->folder(QLatin1String(folderKey));
    return kept.isEmpty() ? QDir::homePath() : kept;
}

void ArchiveWindow::keepFolder(const QString& path, bool isFolder)
{
    settings->setFolderOf(QLatin1String(folderKey), path, isFolder);
}

void ArchiveWindow::warn(const QString& title, const QString& text)
{
    QMessageBox::warning(this, title, text);
}

void ArchiveWindow::compareSnapshots()
{
    QVector<ArchiveItem> items = selectedItems();
    if (items.size() != 2)
        return;
    // The older snapshot is the first side, so the second shows what changed.
    std::sort(items.begin(), items.end(), [](const ArchiveItem& a, const ArchiveItem& b) {
        return a.time != b.time ? a.time < b.time : a.id < b.id;
    });
    QVector<ConfigFile::RegisterValue> first;
    QVector<ConfigFile::RegisterValue> second;
    if (!snapshotValues(items.at(0), &first) || !snapshotValues(items.at(1), &second))
        return;
    ComparisonSides sides;
    sides.title = QStringLiteral("Сравнение снимков");
    sides.first = snapshotName(items.at(0));
    sides.second = snapshotName(items.at(1));
    sides.differFrom.clear();
    const SettingsComparison comparison = SettingsComparison::ofFiles(first, second);
    if (comparison.isEmpty())
        QMessageBox::information(this, sides.title, QStringLiteral("Уставки снимков совпадают."));
    else
        SettingsChangeDialog::showComparison(this, comparison, sides, settings.get());
}

void ArchiveWindow::compareWithFile()
{
    const QVector<ArchiveItem> items = selectedItems();
    QVector<ConfigFile::RegisterValue> snapshot;
    if (items.size() != 1 || !snapshotValues(items.first(), &snapshot))
        return;
    const QString fileName =
        QFileDialog::getOpenFileName(this, QStringLiteral("Файл уставок для сравнения"), folder(),
                                     QStringLiteral("Файлы уставок (*.json)"));
    if (fileName.isEmpty())
        return;
    keepFolder(fileName);
    bool readable = false;
    const QJsonDocument document = ConfigFile::load(fileName, &readable);
    if (!readable || !ConfigFile::hasRanges(document)) {
        warn(QStringLiteral("Ошибка"),
             QStringLiteral("«%1» — не файл уставок.").arg(QFileInfo(fileName).fileName()));
        return;
    }
    ComparisonSides sides;
    sides.title = QStringLiteral("Сравнение снимка с файлом");
    sides.first = snapshotName(items.first());
    sides.second = QFileInfo(fileName).fileName();
    sides.differFrom = QStringLiteral("от снимка");
    const SettingsComparison comparison =
        SettingsComparison::ofFiles(snapshot, ConfigFile::registerValues(document));
    if (comparison.isEmpty())
        QMessageBox::information(this, sides.title,
                                 QStringLiteral("Уставки в файле совпадают с уставками снимка."));
    else
        SettingsChangeDialog::showComparison(this, comparison, sides, settings.get());
}

void ArchiveWindow::saveAs()
{
    const QVector<ArchiveItem> items = selectedItems();
    if (items.size() != 1)
        return;
    const ArchiveItem& item = items.first();
    if (item.kind == ArchiveKind::Record) {
        saveRecord(item);
        return;
    }
    const bool journal = item.kind == ArchiveKind::Journal;
    const QString stamp = item.time.toString(QStringLiteral("yyyy-MM-dd_hh-mm"));
    const QString suggested =
        QDir(folder()).filePath(journal ? QStringLiteral("журнал_%1.csv").arg(stamp)
                                        : QStringLiteral("уставки_%1.json").arg(stamp));
    const QString fileName =
        journal ? SaveFileDialog::fileName(this, QStringLiteral("Сохранить журнал"), suggested,
                                           QStringLiteral("CSV (*.csv)"), QStringLiteral("csv"))
                : SaveFileDialog::fileName(this, QStringLiteral("Сохранить уставки"), suggested,
                                           QStringLiteral("Файлы уставок (*.json)"),
                                           QStringLiteral("json"));
    if (fileName.isEmpty())
        return;
    keepFolder(fileName);
    const bool saved = journal ? ArchiveExport::saveJournalCsv(archive, item.id, fileName)
                               : ArchiveExport::saveSettingsFile(archive, item.id, fileName);
    if (!saved)
        warn(QStringLiteral("Ошибка"), QStringLiteral("Не удалось записать файл «%1».\n%2")
                                           .arg(fileName, archive.errorText()));
}

void ArchiveWindow::saveRecord(const ArchiveItem& item)
{
    QString baseName;
    QByteArray cfg;
    QByteArray dat;
    if (!archive.recordOf(item.id, &baseName, &cfg, &dat)) {
        warn(QStringLiteral("Ошибка"), QStringLiteral("Не удалось прочитать осциллограмму №%1.\n%2")
                                           .arg(item.id)
                                           .arg(archive.errorText()));
        return;
    }
    const QString chosen = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Выберите папку для сохранения"), folder(), QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return;
    keepFolder(chosen, true);
    const QDir target(chosen);
    const QString cfgPath = target.filePath(baseName + QStringLiteral(".cfg"));
    const QString datPath = target.filePath(baseName + QStringLiteral(".dat"));
    if ((QFileInfo::exists(cfgPath) || QFileInfo::exists(datPath)) &&
        QMessageBox::question(this, QStringLiteral("Сохранить осциллограмму"),
                              QStringLiteral("Файлы «%1.cfg» и «%1.dat» уже есть в папке. "
                                             "Заменить их?")
                                  .arg(baseName)) != QMessageBox::Yes)
        return;
    if (!writeFile(cfgPath, cfg) || !writeFile(datPath, dat))
        warn(QStringLiteral("Ошибка"),
             QStringLiteral("Не удалось записать осциллограмму в папку «%1».").arg(chosen));
}

void ArchiveWindow::openRecord()
{
    const QVector<ArchiveItem> items = selectedItems();
    if (items.size() != 1)
        return;
    QString baseName;
    QByteArray cfgBytes;
    QByteArray datBytes;
    if (!archive.recordOf(items.first().id, &baseName, &cfgBytes, &datBytes)) {
        warn(QStringLiteral("Ошибка"),
             QStringLiteral("Не удалось прочитать осциллограмму.\n%1").arg(archive.errorText()));
        return;
    }
    // Read from memory: nothing is written to disk to look at a stored record.
    QBuffer cfg(&cfgBytes);
    QBuffer dat(&datBytes);
    QString error;
    std::optional<ComtradeRecord> record;
    if (cfg.open(QIODevice::ReadOnly) && dat.open(QIODevice::ReadOnly))
        record = ComtradeReader::read(cfg, dat, &error, baseName + QStringLiteral(".cfg"),
                                      baseName + QStringLiteral(".dat"));
    if (!record) {
        warn(QStringLiteral("Ошибка"),
             QStringLiteral("Не удалось показать осциллограмму.\n%1").arg(error));
        return;
    }
    // The viewer belongs to the main window, so that it stays open when the
    // archive window is closed.
    QWidget* owner = parentWidget() != nullptr ? parentWidget() : this;
    RecordViewer::openRecord(
        *record, QStringLiteral("%1 (архив, %2)").arg(baseName, items.first().relayName), owner);
}

void ArchiveWindow::openSnapshot()
{
    const QVector<ArchiveItem> items = selectedItems();
    QVector<ConfigFile::RegisterValue> values;
    if (items.size() != 1 || !snapshotValues(items.first(), &values))
        return;
    emit openSnapshotRequested(
        values, QStringLiteral("%1 %2").arg(items.first().relayName, snapshotName(items.first())));
}

// A file, a PostgreSQL address or "none"; empty for the default file. The
// address is kept in the settings, so one that carries a password is refused
// before it gets there: the password belongs in ~/.pgpass or PGPASSWORD.
void ArchiveWindow::chooseLocation()
{
    if (store == nullptr)
        return;
    bool given = false;
    const QString text =
        QInputDialog::getText(this, QStringLiteral("Архив"),
                              QStringLiteral("Файл .sqlite, postgresql://узел/база или none "
                                             "(пусто — файл по умолчанию):"),
                              QLineEdit::Normal,
                              store->value(QLatin1String(ArchiveLocation::settingsKey)).toString(),
                              &given)
            .trimmed();
    if (!given)
        return;
    if (!QUrl(text).password().isEmpty()) {
        warn(QStringLiteral("Архив"),
             QStringLiteral("Пароль в адресе архива не сохраняется: укажите его в ~/.pgpass "
                            "или в переменной PGPASSWORD."));
        return;
    }
    if (text.isEmpty())
        store->remove(QLatin1String(ArchiveLocation::settingsKey));
    else
        store->setValue(QLatin1String(ArchiveLocation::settingsKey), text);
    store->sync();
    refresh();
    emit locationChanged();
}

void ArchiveWindow::compareWithRelay()
{
    const QVector<ArchiveItem> items = selectedItems();
    QVector<ConfigFile::RegisterValue> values;
    if (items.size() != 1 || !snapshotValues(items.first(), &values))
        return;
    emit compareWithRelayRequested(values, snapshotName(items.first()));
}

void ArchiveWindow::writeSnapshot()
{
    const QVector<ArchiveItem> items = selectedItems();
    QVector<ConfigFile::RegisterValue> values;
    if (items.size() != 1 || !snapshotValues(items.first(), &values))
        return;
    emit writeSnapshotRequested(values);
}
