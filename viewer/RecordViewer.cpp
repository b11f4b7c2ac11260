#include "viewer/RecordViewer.h"

#include "analysis/RecordAnalysis.h"
#include "analysis/RecordWindowCsv.h"
#include "comtrade/ComtradeReader.h"
#include "ui/ScreenFit.h"
#include "viewer/AnalysisPanel.h"
#include "viewer/RecordReadout.h"
#include "viewer/WaveformPlot.h"

#include <QAction>
#include <QClipboard>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QSplitter>
#include <QStyle>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
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
      readoutTable(new QTableWidget(this)), info(new QLabel(this)), summary(new QLabel(this)),
      panel(new AnalysisPanel(this))
{
    waveforms->setObjectName(QStringLiteral("waveformPlot"));
    channelList->setObjectName(QStringLiteral("channelList"));
    readoutTable->setObjectName(QStringLiteral("readoutTable"));
    info->setObjectName(QStringLiteral("recordInfo"));
    summary->setObjectName(QStringLiteral("cursorSummary"));
    panel->setObjectName(QStringLiteral("analysisPanel"));

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
    // Beside the analysis panel on a small screen, the line may have to wrap.
    summary->setWordWrap(true);

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

    // The mouse's uses under the channel list, where there is room.
    auto* channelPanel = new QWidget(this);
    auto* channelLayout = new QVBoxLayout(channelPanel);
    channelLayout->setContentsMargins(0, 0, 0, 0);
    channelLayout->addWidget(channelList, 1);
    auto* mouseHint =
        new QLabel(QStringLiteral("ЛКМ — курсор 1, ПКМ — курсор 2 (курсоры можно "
                                  "перетаскивать); колесо — масштаб, перетаскивание — сдвиг"),
                   channelPanel);
    mouseHint->setObjectName(QStringLiteral("mouseHint"));
    mouseHint->setWordWrap(true);
    QPalette grey = mouseHint->palette();
    grey.setColor(QPalette::WindowText, grey.color(QPalette::Disabled, QPalette::WindowText));
    mouseHint->setPalette(grey);
    channelLayout->addWidget(mouseHint);

    auto* vertical = new QSplitter(Qt::Vertical, this);
    vertical->addWidget(waveforms);
    vertical->addWidget(readoutPanel);
    vertical->setStretchFactor(0, 3);
    vertical->setStretchFactor(1, 1);
    // The plot's own size hint is small; it gets most of the height.
    vertical->setSizes({500, 200});
    auto* horizontal = new QSplitter(Qt::Horizontal, this);
    horizontal->addWidget(channelPanel);
    horizontal->addWidget(vertical);
    horizontal->addWidget(panel);
    horizontal->setStretchFactor(0, 0);
    horizontal->setStretchFactor(1, 1);
    horizontal->setStretchFactor(2, 0);
    // The plots stay the main thing; the panel can be narrowed or closed.
    horizontal->setSizes({140, 750, 390});
    layout->addWidget(horizontal, 1);

    connect(waveforms, &WaveformPlot::cursorsChanged, this, &RecordViewer::updateReadout);
    connect(channelList, &QListWidget::itemChanged, this, &RecordViewer::channelItemChanged);
    connect(panel, &AnalysisPanel::changeChosen, this, &RecordViewer::moveCursorToChange);
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
        return action;
    };
    add("actionFitAll", QStringLiteral("Показать всё"), QKeySequence(Qt::Key_Home),
        &RecordViewer::fitAll);
    add("actionExportPng", QStringLiteral("Сохранить как PNG…"), QKeySequence::Save,
        &RecordViewer::exportPng);
    add("actionCopyReadout", QStringLiteral("Копировать показания"), QKeySequence::Copy,
        &RecordViewer::copyReadout);
    add("actionExportCsv", QStringLiteral("Экспорт CSV…"), QKeySequence(), &RecordViewer::exportCsv)
        ->setToolTip(QStringLiteral("Показанные каналы в видимом интервале времени — в файл CSV"));
    bar->addSeparator();

    snapAction = new QAction(QStringLiteral("Привязка к фронтам"), this);
    snapAction->setObjectName(QStringLiteral("actionSnapToEdges"));
    snapAction->setCheckable(true);
    snapAction->setToolTip(QStringLiteral("Курсоры встают на ближайшее изменение дискретного "
                                          "сигнала"));
    connect(snapAction, &QAction::toggled, this, &RecordViewer::setSnapping);
    addAction(snapAction);
    bar->addAction(snapAction);
    bar->addSeparator();

    add("actionOverlay", QStringLiteral("Наложить осциллограмму…"), QKeySequence(),
        &RecordViewer::openOverlay)
        ->setToolTip(QStringLiteral("Аналоговые каналы другой осциллограммы поверх этой, "
                                    "совмещённые по пуску"));
    auto* shiftLabel = new QLabel(QStringLiteral(" Сдвиг:"), bar);
    bar->addWidget(shiftLabel);
    shiftBox = new QDoubleSpinBox(bar);
    shiftBox->setObjectName(QStringLiteral("overlayShift"));
    shiftBox->setToolTip(QStringLiteral("Сдвиг наложенной осциллограммы (положительный — позже)"));
    shiftBox->setSuffix(QStringLiteral(" мс"));
    shiftBox->setDecimals(3);
    shiftBox->setRange(-1e6, 1e6);
    shiftBox->setAccelerated(true);
    shiftBox->setMaximumWidth(
        shiftBox->fontMetrics().horizontalAdvance(QStringLiteral("-00000,000 мс")) + 30);
    shiftBox->setEnabled(false);
    shiftLabel->setBuddy(shiftBox);
    bar->addWidget(shiftBox);
    connect(shiftBox, QOverload<double>::of(&QDoubleSpinBox::valueChanged), waveforms,
            &WaveformPlot::setOverlayShift);
    removeOverlayAction = add("actionRemoveOverlay", QStringLiteral("Убрать наложение"),
                              QKeySequence(), &RecordViewer::removeOverlay);
    removeOverlayAction->setEnabled(false);
    // A cross beside the shift is enough; the tool tip names it.
    removeOverlayAction->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    bar->setIconSize(QSize(16, 16));
    if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(removeOverlayAction)))
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
}

void RecordViewer::setRecord(const ComtradeRecord& record, const QString& name)
{
    recordName = name;
    setWindowTitle(QStringLiteral("Осциллограмма — %1").arg(name));
    info->setText(describe(record));
    readout = std::make_unique<RecordReadout>(record);
    // Nothing may point into the old analysis once it is replaced.
    waveforms->setSnapTargets(nullptr);
    panel->setAnalysis(nullptr, {});
    analysis = std::make_unique<RecordAnalysis>(record);
    waveforms->setRecord(record);
    removeOverlay();
    fillChannelList(record);
    QVector<QColor> colors;
    for (int channel = 0; channel < record.analog.size(); ++channel)
        colors.append(waveforms->channelColor(channel));
    panel->setAnalysis(analysis.get(), colors);
    for (int channel = 0; channel < record.analog.size(); ++channel)
        panel->setChannelShown(channel, waveforms->isChannelVisible(channel));
    setSnapping(snapAction->isChecked());
    snapAction->setEnabled(!analysis->digitalChanges().all().isEmpty());
    // One step of the spin box is one sample of this record.
    if (record.sampleCount() > 1)
        shiftBox->setSingleStep(RecordAnalysis::timeMs(record, 1) -
                                RecordAnalysis::timeMs(record, 0));

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

void RecordViewer::addOverlayItems()
{
    const QSignalBlocker blocker(channelList);
    for (int channel = waveforms->recordChannelCount(); channel < waveforms->channelCount();
         ++channel) {
        auto* item = new QListWidgetItem(colorIcon(waveforms->channelColor(channel)),
                                         waveforms->channelName(channel), channelList);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
        item->setData(Qt::UserRole, channel);
        QFont italic = item->font();
        italic.setItalic(true);
        item->setFont(italic);
    }
}

void RecordViewer::channelItemChanged(QListWidgetItem* item)
{
    const int channel = item->data(Qt::UserRole).toInt();
    const bool shown = item->checkState() == Qt::Checked;
    waveforms->setChannelVisible(channel, shown);
    if (analysis != nullptr && channel < analysis->record().analog.size())
        panel->setChannelShown(channel, shown);
}

void RecordViewer::setSnapping(bool on)
{
    waveforms->setSnapTargets(on && analysis != nullptr ? &analysis->digitalChanges() : nullptr);
}

void RecordViewer::moveCursorToChange(int sample)
{
    waveforms->setCursorSample(0, sample);
    waveforms->bringIntoView(sample);
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
    panel->showSample(first);
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

QString RecordViewer::chooseSaveFile(const QString& title, const QString& suffix,
                                     const QString& filter, QString* folder)
{
    // A record read from the relay is named "… (не сохранена)"; the file is not.
    QString base = QFileInfo(recordName).completeBaseName();
    base.remove(QStringLiteral(" (не сохранена)"));
    const QString suggested = (folder->isEmpty() ? QString() : *folder + QLatin1Char('/')) + base +
                              QLatin1Char('.') + suffix;
    QString path = QFileDialog::getSaveFileName(this, title, suggested, filter);
    if (path.isEmpty())
        return path;
    // A name typed without the extension still gets it.
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + suffix;
    *folder = QFileInfo(path).absolutePath();
    return path;
}

void RecordViewer::exportPng()
{
    const QString path =
        chooseSaveFile(QStringLiteral("Сохранить изображение"), QStringLiteral("png"),
                       QStringLiteral("PNG (*.png)"), &imageFolder);
    if (path.isEmpty())
        return;
    if (!waveforms->savePng(path))
        QMessageBox::warning(this, QStringLiteral("Ошибка"),
                             QStringLiteral("Не удалось сохранить изображение."));
}

// The shown channels of the record itself (the overlay's have other
// samples) in the time the plots show.
void RecordViewer::exportCsv()
{
    if (analysis == nullptr)
        return;
    const QString path = chooseSaveFile(QStringLiteral("Экспорт в CSV"), QStringLiteral("csv"),
                                        QStringLiteral("CSV (*.csv)"), &csvFolder);
    if (path.isEmpty())
        return;
    QVector<int> shown;
    for (int channel = 0; channel < waveforms->recordChannelCount(); ++channel) {
        if (waveforms->isChannelVisible(channel))
            shown.append(channel);
    }
    const std::pair<double, double> range = waveforms->timeRange();
    // A whole long record takes seconds to write.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool saved =
        RecordWindowCsv::save(path, analysis->record(), range.first, range.second, shown);
    QGuiApplication::restoreOverrideCursor();
    if (!saved)
        QMessageBox::warning(
            this, QStringLiteral("Ошибка"),
            QStringLiteral("Не удалось записать файл «%1».").arg(QFileInfo(path).fileName()));
}

void RecordViewer::openOverlay()
{
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Наложить осциллограмму"), overlayFolder,
                                     QStringLiteral("Осциллограммы COMTRADE (*.cfg *.CFG)"));
    if (path.isEmpty())
        return;
    overlayFolder = QFileInfo(path).absolutePath();
    QString error;
    const std::optional<ComtradeRecord> record = ComtradeReader::read(path, &error);
    if (!record) {
        QMessageBox::warning(this, QStringLiteral("Ошибка"),
                             QStringLiteral("Не удалось открыть осциллограмму.\n%1").arg(error));
        return;
    }
    setOverlay(*record, QFileInfo(path).fileName());
}

bool RecordViewer::setOverlay(const ComtradeRecord& record, const QString& name)
{
    removeOverlay();
    if (!waveforms->setOverlay(record, name)) {
        QMessageBox::warning(this, QStringLiteral("Ошибка"),
                             QStringLiteral("В осциллограмме «%1» нет аналоговых каналов для "
                                            "наложения.")
                                 .arg(name));
        return false;
    }
    addOverlayItems();
    removeOverlayAction->setEnabled(true);
    shiftBox->setEnabled(true);
    return true;
}

void RecordViewer::removeOverlay()
{
    waveforms->clearOverlay();
    {
        const QSignalBlocker blocker(channelList);
        while (channelList->count() > waveforms->channelCount())
            delete channelList->takeItem(channelList->count() - 1);
    }
    {
        const QSignalBlocker blocker(shiftBox);
        shiftBox->setValue(0);
    }
    shiftBox->setEnabled(false);
    removeOverlayAction->setEnabled(false);
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
