// qcustomplot.h's inline templates use Qt's foreach, which the project
// otherwise turns off; this file includes it before anything else.
#undef QT_NO_FOREACH
#include <qcustomplot.h>

#include "viewer/HarmonicsPanel.h"

#include "analysis/CycleMeasure.h"
#include "base/RussianPlural.h"
#include "analysis/RecordAnalysis.h"
#include "viewer/RecordReadout.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int lowestOrder = 2;

// "8–15" or "15" for the orders left out.
QString orderSpan(int first, int last)
{
    return first == last ? QString::number(first) : QStringLiteral("%1–%2").arg(first).arg(last);
}

QString samplesText(int count)
{
    return russianPlural(count, QStringLiteral("выборка"), QStringLiteral("выборки"),
                         QStringLiteral("выборок"));
}

} // namespace

HarmonicsPanel::HarmonicsPanel(QWidget* parent)
    : QWidget(parent), channelBox(new QComboBox(this)), thd(new QLabel(this)),
      note(new QLabel(this)), chart(new QCustomPlot(this))
{
    channelBox->setObjectName(QStringLiteral("harmonicsChannel"));
    thd->setObjectName(QStringLiteral("harmonicsThd"));
    note->setObjectName(QStringLiteral("harmonicsNote"));
    chart->setObjectName(QStringLiteral("harmonicsChart"));

    auto* layout = new QVBoxLayout(this);
    auto* channelRow = new QHBoxLayout;
    auto* channelLabel = new QLabel(QStringLiteral("Канал:"), this);
    channelLabel->setBuddy(channelBox);
    channelRow->addWidget(channelLabel);
    channelRow->addWidget(channelBox, 1);
    layout->addLayout(channelRow);
    QFont large = thd->font();
    large.setBold(true);
    thd->setFont(large);
    thd->setWordWrap(true);
    layout->addWidget(thd);
    chart->setMinimumHeight(180);
    layout->addWidget(chart, 1);
    note->setWordWrap(true);
    layout->addWidget(note);

    QCPAxis* orders = chart->xAxis;
    QCPAxis* percent = chart->yAxis;
    auto ticker = QSharedPointer<QCPAxisTickerFixed>::create();
    ticker->setTickStep(1);
    ticker->setScaleStrategy(QCPAxisTickerFixed::ssNone);
    orders->setTicker(ticker);
    orders->setRange(lowestOrder - 0.6, CycleMeasure::highestOrder + 0.6);
    orders->setLabel(QStringLiteral("Порядок гармоники"));
    orders->grid()->setVisible(false);
    percent->setLabel(QStringLiteral("% от основной"));
    percent->setRange(0, 10);
    bars = new QCPBars(orders, percent);
    bars->setWidth(0.7);
    bars->setPen(Qt::NoPen);
    bars->setBrush(QColor(0x1f, 0x6f, 0xb5));
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    for (int order = lowestOrder; order <= CycleMeasure::highestOrder; ++order) {
        auto* label = new QCPItemText(chart);
        label->setPositionAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        label->setFont(small);
        label->setClipToAxisRect(false);
        label->setVisible(false);
        labels.append(label);
    }

    connect(channelBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &HarmonicsPanel::channelChanged);
}

HarmonicsPanel::~HarmonicsPanel() = default;

void HarmonicsPanel::setRecord(const ComtradeRecord& record)
{
    const QSignalBlocker blocker(channelBox);
    channelBox->clear();
    for (const ComtradeAnalogChannel& channel : record.analog)
        channelBox->addItem(channel.name);
    channelBox->setCurrentIndex(record.analog.isEmpty() ? -1 : 0);
    draw(nullptr, 0);
}

int HarmonicsPanel::channel() const
{
    return channelBox->currentIndex();
}

void HarmonicsPanel::showValues(const QVector<ChannelAnalysis>& channels, int samplesPerCycle)
{
    const int chosen = channel();
    draw(chosen >= 0 && chosen < channels.size() ? &channels[chosen] : nullptr, samplesPerCycle);
}

void HarmonicsPanel::draw(const ChannelAnalysis* analysis, int samplesPerCycle)
{
    QVector<double> keys;
    QVector<double> values;
    int firstMissing = 0;
    if (analysis != nullptr) {
        for (int order = lowestOrder; order <= CycleMeasure::highestOrder; ++order) {
            const double percent = analysis->harmonicPercent[order - lowestOrder];
            if (std::isnan(percent)) {
                if (firstMissing == 0)
                    firstMissing = order;
                continue;
            }
            keys.append(order);
            values.append(percent);
        }
    }
    bars->setData(keys, values, true);
    for (QCPItemText* label : labels)
        label->setVisible(false);
    for (int i = 0; i < keys.size(); ++i) {
        QCPItemText* label = labels[int(keys[i]) - lowestOrder];
        label->position->setCoords(keys[i], values[i]);
        label->setText(RecordReadout::tenths(values[i]));
        label->setVisible(true);
    }
    const double highest = values.isEmpty() ? 0 : *std::max_element(values.cbegin(), values.cend());
    // The axis grows with the bars but never shows noise as a full-height bar.
    chart->yAxis->setRange(0, std::max(5.0, highest * 1.2));

    const bool fundamental = analysis != nullptr && analysis->phasor.magnitude > 0;
    thd->setText(QStringLiteral("Коэффициент гармоник (THD): %1")
                     .arg(fundamental
                              ? RecordReadout::tenths(analysis->thdPercent) + QStringLiteral(" %")
                              : QStringLiteral("—")));
    if (analysis == nullptr || samplesPerCycle <= 0)
        note->setText(QStringLiteral("До курсора 1 нет целого периода: гармоники не измеряются."));
    else if (!fundamental)
        note->setText(QStringLiteral("В периоде до курсора 1 нет основной гармоники."));
    else if (firstMissing > 0)
        // A cycle of N samples holds orders below N/2 only.
        note->setText(QStringLiteral("Гармоники %1 не показаны: в периоде %2 %3, этого мало для "
                                     "их измерения.")
                          .arg(orderSpan(firstMissing, CycleMeasure::highestOrder))
                          .arg(samplesPerCycle)
                          .arg(samplesText(samplesPerCycle)));
    else
        note->setText(QStringLiteral("Период до курсора 1: %1 %2.")
                          .arg(samplesPerCycle)
                          .arg(samplesText(samplesPerCycle)));
    chart->replot(QCustomPlot::rpQueuedReplot);
}

QVector<int> HarmonicsPanel::ordersDrawn() const
{
    QVector<int> orders;
    for (auto it = bars->data()->constBegin(); it != bars->data()->constEnd(); ++it)
        orders.append(int(it->key));
    return orders;
}

QVector<double> HarmonicsPanel::percentDrawn() const
{
    QVector<double> percent;
    for (auto it = bars->data()->constBegin(); it != bars->data()->constEnd(); ++it)
        percent.append(it->value);
    return percent;
}

void HarmonicsPanel::redrawNow()
{
    chart->replot(QCustomPlot::rpImmediateRefresh);
}
