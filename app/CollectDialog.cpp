#include "app/CollectDialog.h"

#include "app/AppSettings.h"
#include "app/ConfigDialog.h"
#include "app/ICollectLine.h"
#include "app/SaveFileDialog.h"
#include "base/Logger.h"
#include "base/RussianPlural.h"
#include "collect/CollectJob.h"
#include "collect/Collector.h"
#include "session/ArchiveLocation.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QSet>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum Column
{
    NameColumn,
    LineColumn,
    StateColumn,
    RecordsColumn,
    EventsColumn,
    SecondsColumn,
    ColumnCount
};

const QString title = QStringLiteral("Обход реле");
const QString inventoryFilter = QStringLiteral("Описи (*.json);;Все файлы (*)");
const QString inventoryFolderKey = QStringLiteral("collectInventory");
const QString outFolderKey = QStringLiteral("collectFiles");
// What "Из результатов поиска" makes the inventory of, for messages.
const QString recentSource = QStringLiteral("недавние подключения");

QString lineText(const RelayConnection::Settings& settings)
{
    return settings.transport == RelayConnection::Transport::Serial && !settings.demo
               ? settings.portName
               : settings.lineText();
}

// Green for a relay that gave everything, red for one that failed, grey for
// one the run was stopped on; a relay waiting or under way in the text colour.
QColor stateColour(const CollectJob& job)
{
    const CollectOutcome& outcome = job.outcome();
    if (job.inProgress() || job.attempts() == 0)
        return QColor();
    if (outcome.done)
        return QColor(0x1b, 0x6e, 0x20);
    if (outcome.failure == CollectOutcome::Failure::Stopped)
        return QColor(Qt::darkGray);
    return QColor(Qt::darkRed);
}

} // namespace

CollectDialog::CollectDialog(const Parts& parts, QWidget* parent) : QDialog(parent), parts(parts)
{
    setObjectName(QStringLiteral("CollectDialog"));
    setWindowTitle(title);
    buildWidgets();
    resize(1000, 480);
}

CollectDialog::~CollectDialog() = default;

bool CollectDialog::isRunning() const
{
    return collector != nullptr && collector->isRunning();
}

QPushButton* CollectDialog::addButton(const QString& name, const QString& text)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

void CollectDialog::buildWidgets()
{
    openButton = addButton(QStringLiteral("btnCollectOpen"), QStringLiteral("Открыть опись…"));
    recentButton =
        addButton(QStringLiteral("btnCollectRecent"), QStringLiteral("Из результатов поиска"));
    recentButton->setToolTip(QStringLiteral("Реле из списка «Недавние» окна настроек связи, куда "
                                            "попадают и найденные поиском устройства"));
    saveButton = addButton(QStringLiteral("btnCollectSave"), QStringLiteral("Сохранить опись…"));
    auto* inventoryRow = new QHBoxLayout;
    for (QPushButton* button : {openButton, recentButton, saveButton})
        inventoryRow->addWidget(button);
    inventoryRow->addStretch();
    connect(openButton, &QPushButton::clicked, this, &CollectDialog::openInventory);
    connect(recentButton, &QPushButton::clicked, this, &CollectDialog::takeRecentRelays);
    connect(saveButton, &QPushButton::clicked, this, &CollectDialog::saveInventory);

    sourceLabel = new QLabel(QStringLiteral("Опись не выбрана: откройте файл описи или возьмите "
                                            "реле из результатов поиска."),
                             this);
    sourceLabel->setObjectName(QStringLiteral("collectSource"));

    table = new QTableWidget(0, ColumnCount, this);
    table->setObjectName(QStringLiteral("collectTable"));
    table->setHorizontalHeaderLabels({QStringLiteral("Реле"), QStringLiteral("Линия"),
                                      QStringLiteral("Состояние"),
                                      QStringLiteral("Новых осциллограмм"),
                                      QStringLiteral("Новых событий"), QStringLiteral("Секунд")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    QHeaderView* header = table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(StateColumn, QHeaderView::Stretch);
    // A failure's reason is shown whole: the rows grow for it.
    table->setWordWrap(true);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    outCheck = new QCheckBox(QStringLiteral("Также записать файлы в папку:"), this);
    outCheck->setObjectName(QStringLiteral("collectOutCheck"));
    outCheck->setToolTip(QStringLiteral("settings.json, journal.csv и новые осциллограммы "
                                        "(COMTRADE) каждого реле в папке с его именем"));
    outFolder = new QLineEdit(this);
    outFolder->setObjectName(QStringLiteral("collectOutFolder"));
    outFolder->setText(parts.settings->folder(outFolderKey));
    chooseButton = addButton(QStringLiteral("btnCollectChooseFolder"), QStringLiteral("Выбрать…"));
    connect(chooseButton, &QPushButton::clicked, this, &CollectDialog::chooseFolder);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(outCheck);
    folderRow->addWidget(outFolder, 1);
    folderRow->addWidget(chooseButton);

    const QString location = archiveLocation();
    archiveLabel = new QLabel(
        location.isEmpty() ? QStringLiteral("Архив отключён: прочитанное сохраняется "
                                            "только в папку.")
                           : QStringLiteral("Прочитанное сохраняется в архив: %1").arg(location),
        this);
    archiveLabel->setObjectName(QStringLiteral("collectArchive"));
    archiveLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    summary = new QLabel(this);
    summary->setObjectName(QStringLiteral("collectSummary"));
    QFont bold = summary->font();
    bold.setBold(true);
    summary->setFont(bold);

    startButton = addButton(QStringLiteral("btnCollectStart"), QStringLiteral("Начать"));
    stopButton = addButton(QStringLiteral("btnCollectStop"), QStringLiteral("Остановить"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    closeButton = buttons->button(QDialogButtonBox::Close);
    buttons->addButton(startButton, QDialogButtonBox::ActionRole);
    buttons->addButton(stopButton, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &CollectDialog::reject);
    connect(startButton, &QPushButton::clicked, this, &CollectDialog::start);
    connect(stopButton, &QPushButton::clicked, this, &CollectDialog::stop);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(inventoryRow);
    layout->addWidget(sourceLabel);
    layout->addWidget(table, 1);
    layout->addLayout(folderRow);
    layout->addWidget(archiveLabel);
    layout->addWidget(summary);
    layout->addWidget(buttons);
    setRunning(false);
}

QString CollectDialog::archiveLocation() const
{
    return parts.store != nullptr ? ArchiveLocation::resolve(QString(), parts.store) : QString();
}

// --- The inventory ----------------------------------------------------------

void CollectDialog::openInventory()
{
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Открыть опись"),
                                     parts.settings->folder(inventoryFolderKey), inventoryFilter);
    if (path.isEmpty())
        return;
    parts.settings->setFolderOf(inventoryFolderKey, path);
    QVector<InventoryRelay> relays;
    QString message;
    bool unreadable = false;
    // In the command line's words, which name the relay and the field.
    if (!Inventory::load(path, &relays, &message, &unreadable)) {
        QMessageBox::warning(this, title, message);
        return;
    }
    showInventory(relays, QFileInfo(path).fileName());
}

void CollectDialog::takeRecentRelays()
{
    const QVector<InventoryRelay> relays = recentRelays();
    if (relays.isEmpty()) {
        QMessageBox::information(this, title,
                                 QStringLiteral("Недавних подключений нет. Подключитесь к реле "
                                                "или найдите их: «Настройки...» → «Поиск "
                                                "устройства…» → «Добавить все в недавние»."));
        return;
    }
    showInventory(relays, recentSource);
}

QVector<InventoryRelay> CollectDialog::recentRelays() const
{
    QVector<InventoryRelay> relays;
    QSet<QString> names;
    for (const AppSettings::Connection& values : parts.settings->recentConnections()) {
        InventoryRelay relay;
        relay.connection = ConfigDialog::relaySettings(values);
        // The name the window keeps the relay under in the archive, so that
        // a run adds to the same relay's history.
        QString name = parts.settings->relayName(relay.connection.lineText(), values.address);
        if (values.demo)
            name = QStringLiteral("Демо · адрес %1").arg(values.address);
        if (name.isEmpty() || names.contains(name))
            name = parts.configDialog->recentText(values);
        names.insert(name);
        relay.name = name;
        relays.append(relay);
    }
    return relays;
}

void CollectDialog::saveInventory()
{
    const QString path = SaveFileDialog::fileName(this, QStringLiteral("Сохранить опись"),
                                                  parts.settings->folder(inventoryFolderKey),
                                                  inventoryFilter, QStringLiteral("json"));
    if (path.isEmpty())
        return;
    parts.settings->setFolderOf(inventoryFolderKey, path);
    QSaveFile file(path);
    const QByteArray bytes = Inventory::toJson(inventory);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        QMessageBox::warning(
            this, title,
            QStringLiteral("Невозможно записать опись %1: %2").arg(path, file.errorString()));
        return;
    }
    source = QFileInfo(path).fileName();
    showSource();
}

void CollectDialog::showInventory(const QVector<InventoryRelay>& relays, const QString& from)
{
    inventory = relays;
    source = from;
    showSource();
    delete collector;
    collector = nullptr;
    summary->clear();
    fillRows();
    setRunning(false);
}

void CollectDialog::showSource()
{
    const QVector<int> lineOf = Collector::lineNumbersOf(inventory);
    const int lines = lineOf.isEmpty() ? 0 : *std::max_element(lineOf.begin(), lineOf.end());
    sourceLabel->setText(
        QStringLiteral("Опись: %1 — %2 реле на %3 %4")
            .arg(source)
            .arg(inventory.size())
            .arg(lines)
            .arg(russianPlural(lines, QStringLiteral("линии"), QStringLiteral("линиях"),
                               QStringLiteral("линиях"))));
}

void CollectDialog::fillRows()
{
    const QVector<int> lineOf = Collector::lineNumbersOf(inventory);
    table->setRowCount(inventory.size());
    for (int row = 0; row < inventory.size(); ++row) {
        const RelayConnection::Settings& settings = inventory.at(row).connection;
        const QStringList texts{inventory.at(row).name,
                                QStringLiteral("%1: %2 · адрес %3")
                                    .arg(lineOf.at(row))
                                    .arg(lineText(settings))
                                    .arg(settings.deviceAddress),
                                QStringLiteral("ждёт"),
                                QString(),
                                QString(),
                                QString()};
        // Every other line shaded, so that the relays read one after
        // another stand together.
        const QBrush shade = lineOf.at(row) % 2 == 0 ? palette().alternateBase() : palette().base();
        for (int column = 0; column < ColumnCount; ++column) {
            auto* item = new QTableWidgetItem(texts.at(column));
            item->setBackground(shade);
            if (column >= RecordsColumn)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table->setItem(row, column, item);
        }
    }
}

void CollectDialog::chooseFolder()
{
    const QString chosen = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Папка для файлов обхода"),
        outFolder->text().isEmpty() ? parts.settings->folder(outFolderKey) : outFolder->text());
    if (chosen.isEmpty())
        return;
    parts.settings->setFolderOf(outFolderKey, chosen, true);
    outFolder->setText(chosen);
    outCheck->setChecked(true);
}

// --- The run ----------------------------------------------------------------

void CollectDialog::start()
{
    if (inventory.isEmpty() || isRunning() || !mayStart())
        return;
    stopped = false;
    summary->setText(QStringLiteral("Идёт обход…"));
    fillRows();
    connect(collector, &Collector::relayChanged, this, &CollectDialog::showRelay);
    connect(collector, &Collector::progress, this, [this](int relay, const QString& text) {
        logInfo("Обход реле: %s: %s", qUtf8Printable(inventory.at(relay).name),
                qUtf8Printable(text));
    });
    connect(collector, &Collector::finished, this, &CollectDialog::collected);
    collector->start();
    setRunning(true);
}

// Whatever can be found wrong is found before the window lets go of its
// line and before any relay is asked.
bool CollectDialog::mayStart()
{
    CollectOptions options;
    const AppSettings::Connection values = parts.configDialog->values();
    options.charInterval = values.charInterval;
    options.silenceOnly = !values.lengthFraming;
    options.archiveLocation = archiveLocation();
    QString message;
    if (outCheck->isChecked()) {
        options.outFolder = outFolder->text().trimmed();
        if (options.outFolder.isEmpty())
            message = QStringLiteral("Выберите папку для файлов или снимите отметку «Также "
                                     "записать файлы в папку».");
        else
            Inventory::checkFolders(inventory, source, &message);
    }
    if (!message.isEmpty()) {
        QMessageBox::warning(this, title, message);
        return false;
    }
    if (!parts.line->releaseLine())
        return false;
    delete collector;
    collector = new Collector(inventory, options, this);
    switch (collector->prepare(&message)) {
    case Collector::Readiness::Ready:
        return true;
    case Collector::Readiness::NothingToKeep:
        message = QStringLiteral("Архив отключён, и папка для файлов не выбрана: прочитанное "
                                 "некуда сохранить.");
        break;
    case Collector::Readiness::FolderUnwritable:
    case Collector::Readiness::ArchiveUnusable:
        break;
    }
    delete collector;
    collector = nullptr;
    parts.line->takeLineBack();
    QMessageBox::warning(this, title, message);
    return false;
}

void CollectDialog::stop()
{
    if (!isRunning())
        return;
    stopped = true;
    stopButton->setEnabled(false);
    summary->setText(QStringLiteral("Обход останавливается…"));
    collector->stop();
}

void CollectDialog::showRelay(int relay)
{
    const CollectJob& job = collector->job(relay);
    const QString state = job.stateText();
    QTableWidgetItem* stateItem = table->item(relay, StateColumn);
    stateItem->setText(state);
    stateItem->setToolTip(state);
    stateItem->setForeground(stateColour(job));
    // The counts and the time of the attempts that have ended.
    if (job.inProgress() || job.attempts() == 0)
        return;
    const CollectOutcome& outcome = job.outcome();
    table->item(relay, RecordsColumn)->setText(QString::number(outcome.records));
    table->item(relay, EventsColumn)->setText(QString::number(outcome.events));
    table->item(relay, SecondsColumn)->setText(QString::number(outcome.elapsedMs / 1000.0, 'f', 1));
}

void CollectDialog::collected()
{
    int done = 0;
    int records = 0;
    int events = 0;
    for (int relay = 0; relay < collector->relayCount(); ++relay) {
        const CollectOutcome& outcome = collector->job(relay).outcome();
        done += outcome.done ? 1 : 0;
        records += outcome.records;
        events += outcome.events;
    }
    summary->setText(summaryText(done, collector->relayCount(), records, events, stopped));
    setRunning(false);
    parts.line->takeLineBack();
}

QString CollectDialog::summaryText(int done, int relays, int records, int events, bool stopped)
{
    return QStringLiteral("%1: %2 реле из %3; %4 %5, %6 %7")
        .arg(stopped ? QStringLiteral("Остановлено. Готово") : QStringLiteral("Готово"))
        .arg(done)
        .arg(relays)
        .arg(records)
        .arg(russianPlural(records, QStringLiteral("новая осциллограмма"),
                           QStringLiteral("новые осциллограммы"),
                           QStringLiteral("новых осциллограмм")))
        .arg(events)
        .arg(russianPlural(events, QStringLiteral("новое событие"), QStringLiteral("новых события"),
                           QStringLiteral("новых событий")));
}

void CollectDialog::setRunning(bool running)
{
    for (QWidget* widget : std::initializer_list<QWidget*>{openButton, recentButton, outCheck,
                                                           outFolder, chooseButton, closeButton})
        widget->setEnabled(!running);
    saveButton->setEnabled(!running && !inventory.isEmpty());
    startButton->setEnabled(!running && !inventory.isEmpty());
    stopButton->setEnabled(running);
}

void CollectDialog::reject()
{
    if (!isRunning())
        QDialog::reject();
}
