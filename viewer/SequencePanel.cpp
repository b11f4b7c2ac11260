#include "viewer/SequencePanel.h"

#include "analysis/RecordAnalysis.h"
#include "viewer/RecordReadout.h"
#include "viewer/TableCells.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

QString magnitudeText(const Phasor& phasor, const QString& unit)
{
    if (!std::isfinite(phasor.magnitude))
        return RecordReadout::number(phasor.magnitude);
    return RecordReadout::number(phasor.magnitude) + QLatin1Char(' ') + unit;
}

// A component of a balanced set is the rounding error of the phases: its
// angle, and a share of it, say nothing ("—"). Samples of 16 bits carry
// about five digits, so a millionth of the phases is below any measurement.
bool negligible(double magnitude, double phases)
{
    return !(magnitude > 1e-6 * phases);
}

QString angleText(const Phasor& phasor, double phases)
{
    return negligible(phasor.magnitude, phases) ? QStringLiteral("—")
                                                : RecordReadout::tenths(phasor.angle);
}

} // namespace

SequencePanel::SequencePanel(QWidget* parent)
    : QWidget(parent), note(new QLabel(this)), table(new QTableWidget(this))
{
    note->setObjectName(QStringLiteral("sequenceNote"));
    table->setObjectName(QStringLiteral("sequenceTable"));
    auto* layout = new QVBoxLayout(this);
    note->setWordWrap(true);
    layout->addWidget(note);
    tablecells::setUpReadOnly(
        table,
        {QStringLiteral("Величина"), QStringLiteral("Действ. знач."), QStringLiteral("Угол, °")},
        0);
    layout->addWidget(table, 1);
}

void SequencePanel::setRecord(const ComtradeRecord& record, const QVector<PhaseTriple>& found)
{
    triples = found;
    table->clearSpans();
    table->clearContents();
    table->setRowCount(triples.size() * rowsPerTriple);
    table->setVisible(!triples.isEmpty());
    note->setText(triples.isEmpty()
                      ? QStringLiteral("Трёх фаз одной величины в осциллограмме не найдено: "
                                       "симметричные составляющие не вычисляются.")
                      : QStringLiteral("Углы — от опорного канала вкладки «Векторы»."));

    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    for (int t = 0; t < triples.size(); ++t) {
        const PhaseTriple& triple = triples[t];
        const int top = t * rowsPerTriple;
        const QString x = triple.letter();
        QStringList phases;
        for (const int channel : triple.phase)
            phases << record.analog[channel].name;
        QTableWidgetItem* title = tablecells::set(table, top, 0,
                                                  (triple.quantity == PhaseTriple::Quantity::Current
                                                       ? QStringLiteral("Токи ")
                                                       : QStringLiteral("Напряжения ")) +
                                                      phases.join(QStringLiteral(", ")),
                                                  left);
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        table->setSpan(top, 0, 1, 3);
        tablecells::set(table, top + 1, 0, x + QStringLiteral("1 (прямая)"), left);
        tablecells::set(table, top + 2, 0, x + QStringLiteral("2 (обратная)"), left);
        tablecells::set(table, top + 3, 0, x + QStringLiteral("0 (нулевая)"), left);
        tablecells::set(table, top + 4, 0, x + QStringLiteral("2/") + x + QStringLiteral("1, %"),
                        left);
        tablecells::set(table, top + 5, 0, QStringLiteral("3") + x + QStringLiteral("0 расчётный"),
                        left);
        QString measured = QStringLiteral("3") + x + QStringLiteral("0 измеренный");
        if (triple.residual >= 0)
            measured += QStringLiteral(" (%1)").arg(record.analog[triple.residual].name);
        tablecells::set(table, top + 6, 0, measured, left);
    }
}

void SequencePanel::showValues(const QVector<ChannelAnalysis>& channels)
{
    for (int t = 0; t < triples.size(); ++t) {
        const PhaseTriple& triple = triples[t];
        const SequenceValues values = RecordAnalysis::sequence(triple, channels);
        const int top = t * rowsPerTriple;
        double phases = 0;
        for (const int channel : triple.phase) {
            if (channel < channels.size() && channels[channel].phasor.magnitude > phases)
                phases = channels[channel].phasor.magnitude;
        }
        const Phasor* rows[] = {&values.positive, &values.negative, &values.zero};
        for (int i = 0; i < 3; ++i) {
            tablecells::set(table, top + 1 + i, 1, magnitudeText(*rows[i], triple.unit));
            tablecells::set(table, top + 1 + i, 2, angleText(*rows[i], phases));
        }
        // With no positive sequence (phases in reverse order) the share is meaningless.
        tablecells::set(table, top + 4, 1,
                        negligible(values.positive.magnitude, phases)
                            ? QStringLiteral("—")
                            : RecordReadout::tenths(values.unbalancePercent));
        tablecells::set(table, top + 5, 1, magnitudeText(values.computedResidual, triple.unit));
        tablecells::set(table, top + 5, 2, angleText(values.computedResidual, phases));
        const bool measured = triple.residual >= 0;
        tablecells::set(table, top + 6, 1,
                        measured ? magnitudeText(values.measuredResidual, triple.unit)
                                 : QStringLiteral("нет канала"));
        tablecells::set(table, top + 6, 2,
                        measured ? angleText(values.measuredResidual, phases) : QString());
    }
}
