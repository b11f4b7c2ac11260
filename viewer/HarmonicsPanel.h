#ifndef TALVIK_VIEWER_HARMONICSPANEL_H
#define TALVIK_VIEWER_HARMONICSPANEL_H

#include <QVector>
#include <QWidget>

class QCPBars;
class QCPItemText;
class QCustomPlot;
class QComboBox;
class QLabel;
struct ChannelAnalysis;
struct ComtradeRecord;

// "Гармоники": the harmonics of orders 2 … 15 of one analog channel (chosen
// above the chart) in the cycle ending at cursor 1, as bars in % of the
// fundamental, and the THD. Orders the sampling cannot measure in a cycle
// are left out, and the note under the chart says which.
//
// The plotting library's header is kept out of this one (see WaveformPlot.h).
class HarmonicsPanel : public QWidget
{
    Q_OBJECT

public:
    explicit HarmonicsPanel(QWidget* parent = nullptr);
    ~HarmonicsPanel() override;

    void setRecord(const ComtradeRecord& record);
    int channel() const;
    // `samplesPerCycle`: of the cycle measured, 0 when there is no whole one.
    void showValues(const QVector<ChannelAnalysis>& channels, int samplesPerCycle);

    // The orders drawn and their bars' heights in %, for the chart's readers.
    QVector<int> ordersDrawn() const;
    QVector<double> percentDrawn() const;

    // Draws at once (the benchmarks time it); otherwise drawing is queued.
    void redrawNow();

signals:
    void channelChanged();

private:
    void draw(const ChannelAnalysis* analysis, int samplesPerCycle);

    QComboBox* channelBox;
    QLabel* thd;
    QLabel* note;
    QCustomPlot* chart;
    QCPBars* bars;
    QVector<QCPItemText*> labels; // each order's figure over its bar
};

#endif
