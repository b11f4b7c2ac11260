#ifndef TALVIK_VIEWER_SEQUENCEPANEL_H
#define TALVIK_VIEWER_SEQUENCEPANEL_H

#include "analysis/SequenceComponents.h"

#include <QVector>
#include <QWidget>

class QLabel;
class QTableWidget;
struct ChannelAnalysis;
struct ComtradeRecord;

// "Симм. составляющие": for each three-phase set of the record, at cursor 1,
// the positive, negative and zero sequence (I1, I2, I0 or U1, U2, U0: RMS
// and angle), the unbalance I2/I1 in %, and 3I0 computed from the phases
// beside the measured residual channel when the record has one. A record
// without a three-phase set gets a note instead of the table.
class SequencePanel : public QWidget
{
    Q_OBJECT

public:
    explicit SequencePanel(QWidget* parent = nullptr);

    void setRecord(const ComtradeRecord& record, const QVector<PhaseTriple>& triples);
    void showValues(const QVector<ChannelAnalysis>& channels);

private:
    // Rows each triple takes: its title, X1, X2, X0, X2/X1, 3X0 computed and
    // measured.
    static constexpr int rowsPerTriple = 7;

    QLabel* note;
    QTableWidget* table;
    QVector<PhaseTriple> triples;
};

#endif
