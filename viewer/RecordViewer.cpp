#include "viewer/RecordViewer.h"

#include "comtrade/ComtradeReader.h"
#include "ui/ScreenFit.h"
#include "viewer/RecordReadout.h"
#include "viewer/WaveformPlot.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QSplitter>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

// Other devices' records may list a hundred digital channels; a plot of so
// many shows only those that change.
constexpr int digitalChannelsAlwaysShown = 16;

bool changes(const QVector<uint8_t>& states)
{
    for (int i = 1; i < states.size(); ++i) {
        if (states[i] != states[i - 1])
            return true;
    }
    return false;
}

QIcon colorIcon(const QColor& color)
{
    QPixmap pixmap(12, 12);
    pixmap.fill(color);
    return QIcon(pixmap);
}

} // namespace

RecordViewer::RecordViewer(QWidget* parent)
    : QWidget(parent), waveforms(new WaveformPlot(this)), channelList(new QListWidget(this)),
      readoutTable(new QTableWidget(this)), info(new QLabel(this)), summary(new QLabel(this))
{
    waveforms->setObjectName(QStringLiteral("waveformPlot"));
    channelList->setObjectName(QStringLiteral("channelList"));
    readoutTable->setObjectName(QStringLiteral("readoutTable"));
    info->setObjectName(QStringLiteral("recordInfo"));
    summary->setObjectName(QStringLiteral("cursorSummary"));

    auto* layout = new QVBoxLayout(this);
    buildToolBar();
    info->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // One line is wider than a laptop screen at 125 %: the line wraps
    // rather than holding the window wider than the screen.
    info->setWordWrap(true);
    layout->addWidget(info);

    QFont large = summary->font();
    large.setPointSizeF(large.pointSizeF() * 1.2);
    large.setBold(true);
    summary->setFont(large);

    readoutTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    readoutTable->setColumnCount(RecordReadout::header().size());
    readoutTable->setHorizontalHeaderLabels(RecordReadout::header());
    readoutTable->verticalHeader()->hide();
    readoutTable->setAlternatingRowColors(true);
    readoutTable->verticalHeader()->setDefaultSectionSize(readoutTable->fontMetrics().height() + 6);
    readoutTable->setMinimumHeight(120);
    waveforms->setMinimumHeight(240);

    auto* readoutPanel = new QWidget(this);
    auto* readoutLayout = new QVBoxLayout(readoutPanel);
    readoutLayout->setContentsMargins(0, 0, 0, 0);
    readoutLayout->addWidget(summary);
    readoutLayout->addWidget(readoutTable);

    auto* vertical = new QSplitter(Qt::Vertical, this);
    vertical->addWidget(waveforms);
    vertical->addWidget(readoutPanel);
    vertical->setStretchFactor(0, 3);
    vertical->setStretchFactor(1, 1);
    // The plot's own size hint is small; it gets most of the height.
    vertical->setSizes({500, 200});
    auto* horizontal = new QSplitter(Qt::Horizontal, this);
    horizontal->addWidget(channelList);
    horizontal->addWidget(vertical);
    horizontal->setStretchFactor(0, 0);
    horizontal->setStretchFactor(1, 1);
    horizontal->setSizes({170, 1100});
    layout->addWidget(horizontal, 1);

    connect(waveforms, &WaveformPlot::cursorsChanged, this, &RecordViewer::updateReadout);
    connect(channelList, &QListWidget::itemChanged, this, &RecordViewer::channelItemChanged);
}

RecordViewer::~RecordViewer() = default;

void RecordViewer::buildToolBar()
{
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("viewerToolBar"));
    layout()->addWidget(bar);
    const auto add = [&](const char* name, const QString& text, const QKeySequence& key,
                         void (RecordViewer::*slot)()) {
        auto* action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
        bar->addAction(action);
    };
    add("actionFitAll", QStringLiteral("Показать всё"), QKeySequence(Qt::Key_Home),
        &RecordViewer::fitAll);
    add("actionExportPng", QStringLiteral("Сохранить как PNG…"), QKeySequence::Save,
        &RecordViewer::exportPng);
    add("actionCopyReadout", QStringLiteral("Копировать показания"), QKeySequence::Copy,
        &RecordViewer::copyReadout);
    bar->addSeparator();
    bar->addWidget(new QLabel(QStringLiteral("ЛКМ — курсор 1, ПКМ — курсор 2 (курсоры можно "
                                             "перетаскивать); колесо — масштаб, перетаскивание — "
                                             "сдвиг"),
                              bar));
}

void RecordViewer::setRecord(const ComtradeRecord& record, const QString& name)
{
    recordName = name;
    setWindowTitle(QStringLiteral("Осциллограмма — %1").arg(name));
    info->setText(describe(record));
    readout = std::make_unique<RecordReadout>(record);
    waveforms->setRecord(record);
    fillChannelList(record);

    // Cursor 1 at the trigger, cursor 2 where a digital channel first
    // changes after it (the trip, as a rule), else at the end.
    const int trigger = readout->nearestSample(0);
    const int change = readout->firstDigitalChangeAfter(trigger);
    waveforms->setCursorSample(0, trigger);
    waveforms->setCursorSample(1, change >= 0 ? change : record.sampleCount() - 1);
    updateReadout();
}

void RecordViewer::fillChannelList(const ComtradeRecord& record)
{
    const QSignalBlocker blocker(channelList);
    channelList->clear();
    const int analogCount = record.analog.size();
    for (int channel = 0; channel < waveforms->channelCount(); ++channel) {
        bool shown = true;
        if (channel >= analogCount && record.digital.size() > digitalChannelsAlwaysShown)
            shown = changes(record.digital[channel - analogCount].states);
        waveforms->setChannelVisible(channel, shown);
        auto* item = new QListWidgetItem(colorIcon(waveforms->channelColor(channel)),
                                         waveforms->channelName(channel), channelList);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
        item->setData(Qt::UserRole, channel);
    }
}

void RecordViewer::channelItemChanged(QListWidgetItem* item)
{
    waveforms->setChannelVisible(item->data(Qt::UserRole).toInt(),
                                 item->checkState() == Qt::Checked);
}

void RecordViewer::updateReadout()
{
    if (readout == nullptr)
        return;
    const int first = waveforms->cursorSample(0);
    const int second = waveforms->cursorSample(1);
    summary->setText(QStringLiteral("К1: %1 мс     К2: %2 мс     Δt = %3 мс")
                         .arg(RecordReadout::milliseconds(readout->timeMs(first)),
                              RecordReadout::milliseconds(readout->timeMs(second)),
                              RecordReadout::milliseconds(readout->deltaMs(first, second))));
    const QVector<QStringList> rows = readout->rows(first, second);
    readoutTable->setRowCount(rows.size());
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c) {
            QTableWidgetItem* item = readoutTable->item(r, c);
            if (item == nullptr) {
                item = new QTableWidgetItem;
                item->setTextAlignment(c < 2 ? Qt::AlignLeft | Qt::AlignVCenter
                                             : Qt::AlignRight | Qt::AlignVCenter);
                readoutTable->setItem(r, c, item);
            }
            item->setText(rows[r][c]);
        }
        // Channel rows sit between the time row and the Δt row.
        const int channel = r - 1;
        if (channel >= 0 && channel < waveforms->channelCount())
            readoutTable->item(r, 0)->setForeground(waveforms->channelColor(channel));
    }
    readoutTable->resizeColumnsToContents();
}

QString RecordViewer::readoutText() const
{
    if (readout == nullptr)
        return QString();
    return readout->text(waveforms->cursorSample(0), waveforms->cursorSample(1));
}

void RecordViewer::fitAll()
{
    waveforms->fitAll();
}

void RecordViewer::exportPng()
{
    const QString suggested = (imageFolder.isEmpty() ? QString() : imageFolder + QLatin1Char('/')) +
                              QFileInfo(recordName).completeBaseName() + QStringLiteral(".png");
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить изображение"),
                                                suggested, QStringLiteral("PNG (*.png)"));
    if (path.isEmpty())
        return;
    // A name typed without the extension still gives a .png file.
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".png");
    imageFolder = QFileInfo(path).absolutePath();
    if (!waveforms->savePng(path))
        QMessageBox::warning(this, QStringLiteral("Ошибка"),
                             QStringLiteral("Не удалось сохранить изображение."));
}

void RecordViewer::copyReadout()
{
    QGuiApplication::clipboard()->setText(readoutText());
}

QString RecordViewer::describe(const ComtradeRecord& record)
{
    QString rate;
    if (record.timesFromTimestamps) {
        rate = QStringLiteral("время по отметкам");
    } else {
        QStringList rates;
        for (const ComtradeSampleRate& r : record.rates)
            rates << QString::number(r.rate);
        rate = rates.join(QStringLiteral(" / ")) + QStringLiteral(" выб./с");
    }
    const QString trigger =
        record.trigger.isValid()
            ? record.trigger.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss.zzz")) +
                  QStringLiteral("%1").arg(record.triggerMicroseconds, 3, 10, QLatin1Char('0'))
            : QStringLiteral("неизвестно");
    return QStringLiteral("Станция: %1   Устройство: %2   Пуск: %3   %4, %5 выборок, %6 Гц   "
                          "%7, редакция %8")
        .arg(record.station.isEmpty() ? QStringLiteral("—") : record.station,
             record.deviceId.isEmpty() ? QStringLiteral("—") : record.deviceId, trigger, rate)
        .arg(record.sampleCount())
        .arg(record.lineFrequency)
        .arg(record.formatName())
        .arg(record.revision);
}

RecordViewer* RecordViewer::openRecord(const ComtradeRecord& record, const QString& name,
                                       QWidget* parent)
{
    auto* viewer = new RecordViewer(parent);
    viewer->setWindowFlag(Qt::Window);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->setRecord(record, name);
    viewer->resize(1280, 760);
    // Fitted before it is shown too, so it never appears larger than the screen.
    fitIntoScreen(*viewer);
    viewer->show();
    // Shown, the window has its frame, which must fit as well.
    fitIntoScreen(*viewer);
    return viewer;
}

RecordViewer* RecordViewer::openFile(const QString& cfgPath, QWidget* parent)
{
    QString error;
    const std::optional<ComtradeRecord> record = ComtradeReader::read(cfgPath, &error);
    if (!record) {
        QMessageBox::warning(parent, QStringLiteral("Ошибка"),
                             QStringLiteral("Не удалось открыть осциллограмму.\n%1").arg(error));
        return nullptr;
    }
    return openRecord(*record, QFileInfo(cfgPath).fileName(), parent);
}
