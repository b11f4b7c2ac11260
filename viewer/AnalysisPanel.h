#ifndef TALVIK_VIEWER_ANALYSISPANEL_H
#define TALVIK_VIEWER_ANALYSISPANEL_H

#include "analysis/RecordAnalysis.h"

#include <QColor>
#include <QVector>
#include <QWidget>

class DigitalChangesPanel;
class HarmonicsPanel;
class PhasorPanel;
class QLabel;
class QTabWidget;
class SequencePanel;

// The viewer's side panel: what the engineer reads at cursor 1, in tabs —
// "Векторы", "Симм. составляющие", "Гармоники" — and the list of the digital
// channels' changes ("Дискретные"). The three figures' tabs share one
// analysis of the cycle ending at cursor 1, made again only when that cursor
// or the reference channel changes.
class AnalysisPanel : public QWidget
{
    Q_OBJECT

public:
    explicit AnalysisPanel(QWidget* parent = nullptr);
    ~AnalysisPanel() override;

    // The record's analysis, which outlives its use here, and each analog
    // channel's colour on the plots.
    void setAnalysis(const RecordAnalysis* analysis, const QVector<QColor>& analogColors);
    // Everything at cursor 1's sample.
    void showSample(int sample);
    // Whether an analog channel is shown on the plots (and so on the diagram).
    void setChannelShown(int channel, bool shown);

    HarmonicsPanel* harmonics() const { return harmonicsPanel; }

signals:
    // A digital change was chosen in the list: cursor 1 goes there.
    void changeChosen(int sample);

private:
    void analyse();
    void showHarmonics();
    int samplesPerCycle() const;

    QLabel* cursorLabel;
    QTabWidget* tabs;
    PhasorPanel* phasorPanel;
    SequencePanel* sequencePanel;
    HarmonicsPanel* harmonicsPanel;
    DigitalChangesPanel* changesPanel;
    const RecordAnalysis* analysis = nullptr;
    int sample = -1;
    QVector<ChannelAnalysis> channels;
};

#endif
