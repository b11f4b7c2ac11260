// qcustomplot.h's inline templates use Qt's foreach, which the project
// otherwise turns off; this file alone includes it, before anything else.
#undef QT_NO_FOREACH
#include <qcustomplot.h>

#include "viewer/WaveformPlot.h"

#include "analysis/DigitalChanges.h"
#include "comtrade/ComtradeReader.h"
#include "viewer/MinMaxDecimator.h"

#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// Colours of successive channels in a plot; the first three follow the
// usual phase colours A, B, C.
const QColor channelColors[] = {QColor(0xd4, 0x9a, 0x00), QColor(0x1e, 0x8c, 0x3c),
                                QColor(0xc0, 0x27, 0x1b), QColor(0x30, 0x30, 0x30),
                                QColor(0x7b, 0x3f, 0xa0), QColor(0x1f, 0x6f, 0xb5),
                                QColor(0xe0, 0x6c, 0x00), QColor(0x10, 0x90, 0x90)};
const QColor cursorColors[] = {QColor(0xb0, 0x00, 0x20), QColor(0x00, 0x40, 0xc0)};
constexpr double digitalPitch = 1.5; // vertical distance of stacked digital traces
const QString digitalTitle = QStringLiteral("Дискретные сигналы");
const QString timeAxisLabel = QStringLiteral("Время от пуска, мс");

QVector<double> millisecondsFromTrigger(const ComtradeRecord& record)
{
    QVector<double> keys(record.timeUs.size());
    for (int i = 0; i < keys.size(); ++i)
        keys[i] = (record.timeUs[i] - record.triggerOffsetUs) / 1000.0;
    return keys;
}

QString analogTitle(const QString& unit)
{
    const QString u = unit.trimmed();
    if (u.endsWith(QLatin1Char('A'), Qt::CaseInsensitive))
        return QStringLiteral("Токи, %1").arg(u);
    if (u.endsWith(QLatin1Char('V'), Qt::CaseInsensitive))
        return QStringLiteral("Напряжения, %1").arg(u);
    return u.isEmpty() ? QStringLiteral("Без единиц") : u;
}

} // namespace

WaveformPlot::WaveformPlot(QWidget* parent) : QWidget(parent), plot(new QCustomPlot(this))
{
    plot->setObjectName(QStringLiteral("plotArea"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(plot);
    // Every plot is built per record; the default one is not wanted.
    plot->plotLayout()->clear();
    plot->setAutoAddPlottableToLegend(false);
    plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot->addLayer(QStringLiteral("shade"), plot->layer(QStringLiteral("background")),
                   QCustomPlot::limAbove);
    marginGroup = new QCPMarginGroup(plot);
    plot->setMouseTracking(true);
    connect(plot, &QCustomPlot::afterLayout, this, &WaveformPlot::decimate);
    connect(plot, &QCustomPlot::mousePress, this, &WaveformPlot::mousePressed);
    connect(plot, &QCustomPlot::mouseMove, this, &WaveformPlot::mouseMoved);
    connect(plot, &QCustomPlot::mouseRelease, this, &WaveformPlot::mouseReleased);
}

WaveformPlot::~WaveformPlot() = default;

void WaveformPlot::clearRecord()
{
    plot->clearItems();
    plot->clearGraphs();
    plot->plotLayout()->clear();
    channels.clear();
    groups.clear();
    keysMs.clear();
    overlayKeysMs.clear();
    shiftMs = 0;
    recordChannels = 0;
    decimatedColumns = 0;
}

void WaveformPlot::setRecord(const ComtradeRecord& record)
{
    clearRecord();
    keysMs = millisecondsFromTrigger(record);
    if (keysMs.isEmpty())
        return;

    for (const ComtradeAnalogChannel& channel : record.analog)
        addAnalog(channel, keysMs, channel.name, false);
    for (int i = 0; i < record.digital.size(); ++i)
        addDigital(record, i, i, record.digital.size());
    recordChannels = channelCount();
    // A record may hold time stamps and no channel at all.
    if (groups.empty())
        return;
    for (int g = 0; g < static_cast<int>(groups.size()); ++g)
        buildGroupDecorations(g);
    labelTimeAxis();
    placeCursorLines();
    fitAll();
}

bool WaveformPlot::setOverlay(const ComtradeRecord& record, const QString& label)
{
    clearOverlay();
    if (keysMs.isEmpty() || record.analog.isEmpty() || record.timeUs.isEmpty())
        return false;
    overlayKeysMs = millisecondsFromTrigger(record);
    const int groupsBefore = static_cast<int>(groups.size());
    for (const ComtradeAnalogChannel& channel : record.analog)
        addAnalog(channel, overlayKeysMs, QStringLiteral("%1 · %2").arg(channel.name, label), true);
    const std::pair<double, double> range = timeRange();
    for (int g = groupsBefore; g < static_cast<int>(groups.size()); ++g) {
        groups[g].overlayOnly = true;
        buildGroupDecorations(g);
        syncingRanges = true;
        groups[g].rect->axis(QCPAxis::atBottom)->setRange(range.first, range.second);
        syncingRanges = false;
    }
    labelTimeAxis();
    fillLegends();
    placeCursorLines();
    decimatedColumns = 0;
    fitValueAxes();
    redraw();
    return true;
}

void WaveformPlot::clearOverlay()
{
    if (!hasOverlay())
        return;
    while (channelCount() > recordChannels) {
        Channel& channel = channels.back();
        // The graph leaves the plot's own legend by itself, not the group's.
        if (QCPLegend* legend = groups[channel.group].legend)
            channel.graph->removeFromLegend(legend);
        plot->removeGraph(channel.graph);
        channels.pop_back();
    }
    removeOverlayGroups();
    overlayKeysMs.clear();
    shiftMs = 0;
    labelTimeAxis();
    fillLegends();
    decimatedColumns = 0;
    fitValueAxes();
    redraw();
}

// The overlay's own plots are the last ones.
void WaveformPlot::removeOverlayGroups()
{
    while (!groups.empty() && groups.back().overlayOnly) {
        Group& group = groups.back();
        for (int c = 0; c < 2; ++c) {
            plot->removeItem(group.cursorLines[c]);
            if (group.cursorLabels[c] != nullptr)
                plot->removeItem(group.cursorLabels[c]);
        }
        if (group.shade != nullptr)
            plot->removeItem(group.shade);
        plot->plotLayout()->remove(group.rect);
        groups.pop_back();
    }
    plot->plotLayout()->simplify();
}

void WaveformPlot::setOverlayShift(double ms)
{
    if (!hasOverlay() || ms == shiftMs)
        return;
    shiftMs = ms;
    decimatedColumns = 0;
    redraw();
}

void WaveformPlot::setSnapTargets(const DigitalChanges* changes)
{
    snapTargets = changes;
}

int WaveformPlot::snapped(int sample) const
{
    if (snapTargets == nullptr)
        return sample;
    const int change = snapTargets->nearestChange(sample);
    return change >= 0 ? change : sample;
}

// Each analog plot's legend lists its shown channels in order; with an
// overlay, this record's in the first column and the overlay's in the second.
void WaveformPlot::fillLegends()
{
    for (int g = 0; g < static_cast<int>(groups.size()); ++g) {
        QCPLegend* legend = groups[g].legend;
        if (legend == nullptr)
            continue;
        legend->clearItems();
        int own = 0;
        for (const Channel& channel : channels) {
            if (channel.group != g || !channel.graph->visible())
                continue;
            channel.graph->addToLegend(legend);
            own += channel.overlay ? 0 : 1;
        }
        legend->setWrap(hasOverlay() ? own : 0);
        legend->setFillOrder(QCPLayoutGrid::foRowsFirst, true);
    }
}

void WaveformPlot::labelTimeAxis()
{
    for (Group& group : groups)
        group.rect->axis(QCPAxis::atBottom)->setLabel(QString());
    if (!groups.empty())
        groups.back().rect->axis(QCPAxis::atBottom)->setLabel(timeAxisLabel);
}

// The time the plots may show: this record's, and the overlay's where it
// reaches further.
std::pair<double, double> WaveformPlot::extent() const
{
    double first = keysMs.first();
    double last = keysMs.last();
    if (hasOverlay()) {
        first = std::min(first, overlayKeysMs.first() + shiftMs);
        last = std::max(last, overlayKeysMs.last() + shiftMs);
    }
    return {first, last};
}

int WaveformPlot::groupFor(const QString& title, bool digital)
{
    for (int i = 0; i < static_cast<int>(groups.size()); ++i) {
        if (groups[i].title == title)
            return i;
    }
    Group group;
    group.title = title;
    group.digital = digital;
    group.rect = new QCPAxisRect(plot);
    const int row = static_cast<int>(groups.size());
    plot->plotLayout()->addElement(row, 0, group.rect);
    group.rect->setMarginGroup(QCP::msLeft | QCP::msRight, marginGroup);
    QCPAxis* time = group.rect->axis(QCPAxis::atBottom);
    QCPAxis* value = group.rect->axis(QCPAxis::atLeft);
    value->setLabel(title);
    // Only time is dragged and zoomed; values are fitted to the channels.
    group.rect->setRangeDrag(Qt::Horizontal);
    group.rect->setRangeZoom(Qt::Horizontal);
    group.rect->setRangeDragAxes(time, value);
    group.rect->setRangeZoomAxes(time, value);
    connect(time, QOverload<const QCPRange&>::of(&QCPAxis::rangeChanged), this,
            [this](const QCPRange& range) { timeRangeChanged(range.lower, range.upper); });
    if (!digital) {
        group.legend = new QCPLegend;
        group.rect->insetLayout()->addElement(group.legend, Qt::AlignTop | Qt::AlignRight);
        group.legend->setLayer(QStringLiteral("legend"));
        group.legend->setBrush(QColor(255, 255, 255, 200));
        QFont font = group.legend->font();
        font.setPointSizeF(font.pointSizeF() * 0.85);
        group.legend->setFont(font);
    }
    groups.push_back(group);
    return row;
}

void WaveformPlot::addAnalog(const ComtradeAnalogChannel& source, const QVector<double>& keys,
                             const QString& name, bool overlay)
{
    Channel channel;
    channel.group = groupFor(analogTitle(source.unit), false);
    channel.name = name;
    channel.overlay = overlay;
    QCPAxisRect* rect = groups[channel.group].rect;
    channel.graph = plot->addGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
    channel.graph->setName(name);
    // The decimator already keeps at most a few points a pixel column.
    channel.graph->setAdaptiveSampling(false);
    // The overlay's n-th channel of a plot takes the colour of this record's
    // n-th, so phase A lies over phase A, dashed.
    int inGroup = 0;
    for (const Channel& other : channels)
        inGroup += other.group == channel.group && other.overlay == overlay ? 1 : 0;
    channel.graph->setPen(QPen(channelColors[inGroup % std::size(channelColors)], 1,
                               overlay ? Qt::DashLine : Qt::SolidLine));
    channel.graph->addToLegend(groups[channel.group].legend);
    channel.decimator = std::make_unique<MinMaxDecimator>(keys, source.values);
    channels.push_back(std::move(channel));
}

void WaveformPlot::addDigital(const ComtradeRecord& record, int index, int row, int rows)
{
    const ComtradeDigitalChannel& source = record.digital[index];
    Channel channel;
    channel.group = groupFor(digitalTitle, true);
    channel.name = source.name;
    QCPAxisRect* rect = groups[channel.group].rect;
    channel.graph = plot->addGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
    channel.graph->setName(source.name);
    channel.graph->setLineStyle(QCPGraph::lsStepLeft);
    channel.graph->setPen(QPen(channelColors[row % std::size(channelColors)], 1));

    // A step trace needs only the changes of state; the first channel on top.
    const double base = (rows - 1 - row) * digitalPitch;
    QVector<double> keys;
    QVector<double> values;
    const QVector<uint8_t>& states = source.states;
    for (int i = 0; i < states.size() && i < keysMs.size(); ++i) {
        if (i == 0 || states[i] != states[i - 1]) {
            keys.append(keysMs[i]);
            values.append(base + states[i]);
        }
    }
    if (!keys.isEmpty()) {
        keys.append(keysMs.last());
        values.append(values.last());
    }
    channel.graph->setData(keys, values, true);
    channels.push_back(std::move(channel));
}

void WaveformPlot::buildGroupDecorations(int index)
{
    Group& group = groups[index];
    QCPAxis* time = group.rect->axis(QCPAxis::atBottom);
    QCPAxis* value = group.rect->axis(QCPAxis::atLeft);
    if (group.digital) {
        auto ticker = QSharedPointer<QCPAxisTickerText>::create();
        int rows = 0;
        for (const Channel& channel : channels)
            rows += channel.group == index ? 1 : 0;
        int row = 0;
        for (const Channel& channel : channels) {
            if (channel.group == index)
                ticker->addTick((rows - 1 - row++) * digitalPitch + 0.5, channel.name);
        }
        value->setTicker(ticker);
        value->setRange(-0.5, (rows - 1) * digitalPitch + 1.5);
        plot->plotLayout()->setRowStretchFactor(index, std::clamp(rows * 0.4, 1.0, 6.0));
    } else {
        plot->plotLayout()->setRowStretchFactor(index, 3);
    }

    // The part of the record before the trigger, shaded.
    if (keysMs.first() < 0) {
        auto* shade = new QCPItemRect(plot);
        shade->setLayer(QStringLiteral("shade"));
        shade->setClipAxisRect(group.rect);
        for (QCPItemPosition* corner : {shade->topLeft, shade->bottomRight}) {
            corner->setAxes(time, value);
            corner->setAxisRect(group.rect);
            corner->setTypeX(QCPItemPosition::ptPlotCoords);
            corner->setTypeY(QCPItemPosition::ptAxisRectRatio);
        }
        shade->topLeft->setCoords(keysMs.first(), 0);
        shade->bottomRight->setCoords(std::min(0.0, keysMs.last()), 1);
        shade->setPen(Qt::NoPen);
        shade->setBrush(QColor(0, 0, 0, 22));
        group.shade = shade;
    }

    for (int c = 0; c < 2; ++c) {
        auto* line = new QCPItemStraightLine(plot);
        line->setClipAxisRect(group.rect);
        line->point1->setAxes(time, value);
        line->point2->setAxes(time, value);
        line->setPen(QPen(cursorColors[c], 1.5, Qt::DashLine));
        line->setSelectable(false);
        group.cursorLines[c] = line;
        if (index != 0)
            continue;
        auto* label = new QCPItemText(plot);
        label->setClipToAxisRect(false);
        label->position->setAxes(time, value);
        label->position->setAxisRect(group.rect);
        label->position->setTypeX(QCPItemPosition::ptPlotCoords);
        label->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
        label->setPositionAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        label->setText(QString::number(c + 1));
        label->setColor(Qt::white);
        label->setBrush(cursorColors[c]);
        label->setPadding(QMargins(3, 0, 3, 0));
        label->setSelectable(false);
        group.cursorLabels[c] = label;
    }
}

QString WaveformPlot::channelName(int channel) const
{
    return channels[channel].name;
}

QColor WaveformPlot::channelColor(int channel) const
{
    return channels[channel].graph->pen().color();
}

bool WaveformPlot::isChannelVisible(int channel) const
{
    return channels[channel].graph->visible();
}

void WaveformPlot::setChannelVisible(int channel, bool visible)
{
    channels[channel].graph->setVisible(visible);
    fillLegends();
    decimatedColumns = 0; // a channel shown again needs points for this view
    fitValueAxes();
    redraw();
}

QStringList WaveformPlot::groupTitles() const
{
    QStringList titles;
    for (const Group& group : groups)
        titles << group.title;
    return titles;
}

void WaveformPlot::setCursorSample(int cursor, int sample)
{
    if (keysMs.isEmpty() || cursor < 0 || cursor > 1)
        return;
    sample = std::clamp(sample, 0, keysMs.size() - 1);
    if (cursors[cursor] == sample)
        return;
    cursors[cursor] = sample;
    placeCursorLines();
    redraw();
    emit cursorsChanged();
}

void WaveformPlot::placeCursorLines()
{
    if (keysMs.isEmpty())
        return;
    for (Group& group : groups) {
        for (int c = 0; c < 2; ++c) {
            const double x = keysMs[cursors[c]];
            group.cursorLines[c]->point1->setCoords(x, 0);
            group.cursorLines[c]->point2->setCoords(x, 1);
            if (group.cursorLabels[c] != nullptr)
                group.cursorLabels[c]->position->setCoords(x, 0);
        }
    }
}

std::pair<double, double> WaveformPlot::timeRange() const
{
    if (groups.empty())
        return {0, 0};
    const QCPRange range = groups.front().rect->axis(QCPAxis::atBottom)->range();
    return {range.lower, range.upper};
}

void WaveformPlot::setTimeRange(double lower, double upper)
{
    if (!groups.empty())
        groups.front().rect->axis(QCPAxis::atBottom)->setRange(lower, upper);
}

void WaveformPlot::redraw()
{
    plot->replot(QCustomPlot::rpQueuedReplot);
}

void WaveformPlot::redrawNow()
{
    plot->replot(QCustomPlot::rpImmediateRefresh);
}

double WaveformPlot::timeToPixel(double ms) const
{
    return groups.empty() ? 0 : groups.front().rect->axis(QCPAxis::atBottom)->coordToPixel(ms);
}

bool WaveformPlot::savePng(const QString& path)
{
    return plot->savePng(path);
}

void WaveformPlot::bringIntoView(int sample)
{
    if (sample < 0 || sample >= keysMs.size())
        return;
    const std::pair<double, double> range = timeRange();
    const double x = keysMs[sample];
    if (x >= range.first && x <= range.second)
        return;
    const double half = (range.second - range.first) / 2;
    setTimeRange(x - half, x + half);
    redraw();
}

void WaveformPlot::fitAll()
{
    if (keysMs.isEmpty())
        return;
    const auto [first, last] = extent();
    const double span = std::max(last - first, 1e-3);
    setTimeRange(first - 0.01 * span, last + 0.01 * span);
    fitValueAxes();
    redraw();
}

void WaveformPlot::fitValueAxes()
{
    for (int g = 0; g < static_cast<int>(groups.size()); ++g) {
        if (groups[g].digital)
            continue;
        double low = qInf();
        double high = -qInf();
        for (const Channel& channel : channels) {
            if (channel.group != g || !channel.graph->visible())
                continue;
            low = std::min(low, channel.decimator->minimum());
            high = std::max(high, channel.decimator->maximum());
        }
        if (!(low <= high)) {
            low = -1;
            high = 1;
        }
        const double margin = high > low ? 0.08 * (high - low) : std::max(1.0, std::fabs(high));
        groups[g].rect->axis(QCPAxis::atLeft)->setRange(low - margin, high + margin);
    }
}

// Any plot's time axis moved: every plot follows, within the record.
void WaveformPlot::timeRangeChanged(double lower, double upper)
{
    if (syncingRanges || keysMs.isEmpty())
        return;
    const auto [first, last] = extent();
    const double span = std::max(last - first, 1e-3);
    const double recordSpan = std::max(keysMs.last() - keysMs.first(), 1e-3);
    const double minimumWidth =
        keysMs.size() > 1 ? std::max(4 * recordSpan / (keysMs.size() - 1), 1e-3) : 1.0;
    QCPRange range(lower, upper);
    if (range.size() > 1.1 * span)
        range = QCPRange(first - 0.05 * span, last + 0.05 * span);
    if (range.size() < minimumWidth)
        range = QCPRange(range.center() - minimumWidth / 2, range.center() + minimumWidth / 2);
    const double left = first - 0.05 * span;
    const double right = last + 0.05 * span;
    if (range.lower < left)
        range += left - range.lower;
    if (range.upper > right)
        range -= range.upper - right;

    syncingRanges = true;
    for (Group& group : groups)
        group.rect->axis(QCPAxis::atBottom)->setRange(range);
    syncingRanges = false;
}

// Runs after each layout, before drawing: the analog graphs get the points
// of the current view at the current width, when either changed.
void WaveformPlot::decimate()
{
    if (groups.empty())
        return;
    const std::pair<double, double> range = timeRange();
    const int columns = std::max(16, groups.front().rect->width());
    if (columns == decimatedColumns && range == decimatedRange)
        return;
    decimatedColumns = columns;
    decimatedRange = range;
    QVector<double> keys;
    QVector<double> values;
    for (Channel& channel : channels) {
        if (channel.decimator == nullptr || !channel.graph->visible())
            continue;
        // The overlay keeps its own times; the shift moves the view over them.
        const double shift = channel.overlay ? shiftMs : 0;
        const bool reduced = channel.decimator->decimate(range.first - shift, range.second - shift,
                                                         columns, &keys, &values);
        if (shift != 0) {
            for (double& key : keys)
                key += shift;
        }
        // A min/max band draws as a solid shape; smoothing its edges only costs time.
        channel.graph->setAntialiased(!reduced);
        channel.graph->setData(keys, values, true);
    }
}

int WaveformPlot::sampleAtPixel(double x) const
{
    if (keysMs.isEmpty() || groups.empty())
        return 0;
    const double ms = groups.front().rect->axis(QCPAxis::atBottom)->pixelToCoord(x);
    const int after = int(std::lower_bound(keysMs.cbegin(), keysMs.cend(), ms) - keysMs.cbegin());
    if (after == 0)
        return 0;
    if (after == keysMs.size())
        return after - 1;
    return ms - keysMs[after - 1] <= keysMs[after] - ms ? after - 1 : after;
}

// The cursor within a few pixels of the position, or -1.
int WaveformPlot::cursorNear(const QPoint& pos) const
{
    if (keysMs.isEmpty() || plot->axisRectAt(pos) == nullptr)
        return -1;
    const QCPAxis* time = groups.front().rect->axis(QCPAxis::atBottom);
    int nearest = -1;
    double distance = 5;
    for (int c = 0; c < 2; ++c) {
        const double d = std::fabs(time->coordToPixel(keysMs[cursors[c]]) - pos.x());
        if (d <= distance) {
            distance = d;
            nearest = c;
        }
    }
    return nearest;
}

// The plot reports the press before it starts a drag of its own, so the
// drag can still be turned off for a press on a cursor.
void WaveformPlot::mousePressed(QMouseEvent* event)
{
    pressPosition = event->pos();
    draggedCursor = event->button() == Qt::LeftButton ? cursorNear(event->pos()) : -1;
    // A cursor being dragged must not pan the plot under it.
    plot->setInteraction(QCP::iRangeDrag, draggedCursor < 0);
}

void WaveformPlot::mouseMoved(QMouseEvent* event)
{
    if (draggedCursor >= 0 && (event->buttons() & Qt::LeftButton)) {
        setCursorSample(draggedCursor, snapped(sampleAtPixel(event->pos().x())));
        redraw();
    } else if (event->buttons() == Qt::NoButton) {
        plot->setCursor(cursorNear(event->pos()) >= 0 ? Qt::SizeHorCursor : Qt::ArrowCursor);
    }
}

void WaveformPlot::mouseReleased(QMouseEvent* event)
{
    const bool click = (event->pos() - pressPosition).manhattanLength() < 4;
    if (click && draggedCursor < 0 && plot->axisRectAt(event->pos()) != nullptr) {
        if (event->button() == Qt::LeftButton)
            setCursorSample(0, snapped(sampleAtPixel(event->pos().x())));
        else if (event->button() == Qt::RightButton)
            setCursorSample(1, snapped(sampleAtPixel(event->pos().x())));
        redraw();
    }
    draggedCursor = -1;
    plot->setInteraction(QCP::iRangeDrag, true);
}
