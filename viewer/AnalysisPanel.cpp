#include "viewer/AnalysisPanel.h"

#include "analysis/CycleMeasure.h"
#include "analysis/RecordAnalysis.h"
#include "viewer/DigitalChangesPanel.h"
#include "viewer/HarmonicsPanel.h"
#include "viewer/PhasorPanel.h"
#include "viewer/RecordReadout.h"
#include "viewer/SequencePanel.h"

#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

AnalysisPanel::AnalysisPanel(QWidget* parent)
    : QWidget(parent), cursorLabel(new QLabel(this)), tabs(new QTabWidget(this)),
      phasorPanel(new PhasorPanel(this)), sequencePanel(new SequencePanel(this)),
      harmonicsPanel(new HarmonicsPanel(this)), changesPanel(new DigitalChangesPanel(this))
{
    cursorLabel->setObjectName(QStringLiteral("analysisCursor"));
    tabs->setObjectName(QStringLiteral("analysisTabs"));
    phasorPanel->setObjectName(QStringLiteral("phasorPanel"));
    sequencePanel->setObjectName(QStringLiteral("sequencePanel"));
    harmonicsPanel->setObjectName(QStringLiteral("harmonicsPanel"));
    changesPanel->setObjectName(QStringLiteral("digitalChangesPanel"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    cursorLabel->setWordWrap(true);
    layout->addWidget(cursorLabel);
    // Short titles keep all four tabs in view on a narrow panel.
    tabs->addTab(phasorPanel, QStringLiteral("Векторы"));
    tabs->addTab(sequencePanel, QStringLiteral("Симм. сост."));
    tabs->setTabToolTip(1, QStringLiteral("Симметричные составляющие"));
    tabs->addTab(harmonicsPanel, QStringLiteral("Гармоники"));
    tabs->addTab(changesPanel, QStringLiteral("Дискретные"));
    tabs->setTabToolTip(3, QStringLiteral("Изменения дискретных сигналов"));
    QFont tabFont = tabs->tabBar()->font();
    tabFont.setPointSizeF(tabFont.pointSizeF() * 0.9);
    tabs->tabBar()->setFont(tabFont);
    tabs->setUsesScrollButtons(true);
    layout->addWidget(tabs, 1);

    connect(phasorPanel, &PhasorPanel::referenceChanged, this, &AnalysisPanel::analyse);
    connect(harmonicsPanel, &HarmonicsPanel::channelChanged, this, &AnalysisPanel::showHarmonics);
    connect(changesPanel, &DigitalChangesPanel::changeChosen, this, &AnalysisPanel::changeChosen);
}

AnalysisPanel::~AnalysisPanel() = default;

void AnalysisPanel::setAnalysis(const RecordAnalysis* shown, const QVector<QColor>& analogColors)
{
    analysis = shown;
    sample = -1;
    channels.clear();
    if (analysis == nullptr) {
        changesPanel->setAnalysis(nullptr);
        return;
    }
    phasorPanel->setRecord(analysis->record(), analogColors);
    sequencePanel->setRecord(analysis->record(), analysis->triples());
    harmonicsPanel->setRecord(analysis->record());
    changesPanel->setAnalysis(analysis);
}

void AnalysisPanel::showSample(int cursorSample)
{
    if (analysis == nullptr || cursorSample == sample)
        return;
    sample = cursorSample;
    analyse();
}

void AnalysisPanel::setChannelShown(int channel, bool shown)
{
    phasorPanel->setChannelDrawn(channel, shown);
}

int AnalysisPanel::samplesPerCycle() const
{
    const int first =
        CycleMeasure::cycleStart(analysis->record().timeUs, sample, analysis->frequency());
    return first < 0 ? 0 : sample - first + 1;
}

void AnalysisPanel::analyse()
{
    if (analysis == nullptr || sample < 0)
        return;
    channels = analysis->channelsAt(sample, phasorPanel->reference());
    const QString time = RecordReadout::milliseconds(analysis->timeMs(sample));
    cursorLabel->setText(
        samplesPerCycle() > 0
            ? QStringLiteral("По курсору 1 (%1 мс): период до него").arg(time)
            : QStringLiteral("По курсору 1 (%1 мс): до него нет целого периода").arg(time));
    phasorPanel->showValues(channels);
    sequencePanel->showValues(channels);
    showHarmonics();
}

void AnalysisPanel::showHarmonics()
{
    if (analysis != nullptr && sample >= 0)
        harmonicsPanel->showValues(channels, samplesPerCycle());
}
