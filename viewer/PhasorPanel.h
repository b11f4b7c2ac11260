#ifndef TALVIK_VIEWER_PHASORPANEL_H
#define TALVIK_VIEWER_PHASORPANEL_H

#include "analysis/RecordAnalysis.h"

#include <QColor>
#include <QStringList>
#include <QVector>
#include <QWidget>

class PhasorDiagram;
class QComboBox;
class QLabel;
class QTableWidget;

// "Векторы": every analog channel's fundamental at cursor 1 as a table
// (RMS in primary units, angle) and as a diagram, the angles counted from
// the reference channel chosen above them (the first analog channel to
// begin with). The diagram draws the channels shown on the plots.
class PhasorPanel : public QWidget
{
    Q_OBJECT

public:
    explicit PhasorPanel(QWidget* parent = nullptr);

    // `colors`: each analog channel's colour on the plots.
    void setRecord(const ComtradeRecord& record, const QVector<QColor>& colors);
    // The reference's analog channel, -1 when the record has none.
    int reference() const;
    void showValues(const QVector<ChannelAnalysis>& channels);
    void setChannelDrawn(int channel, bool drawn);

signals:
    void referenceChanged();

private:
    void drawDiagram();

    QComboBox* referenceBox;
    QTableWidget* table;
    QLabel* note;
    PhasorDiagram* diagram;
    QStringList names;
    QStringList units;
    QVector<QColor> colors;
    QVector<bool> drawn;
    QVector<ChannelAnalysis> shown;
};

#endif
