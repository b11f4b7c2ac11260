#include "viewer/PhasorPanel.h"

#include "analysis/RecordAnalysis.h"
#include "viewer/PhasorDiagram.h"
#include "viewer/RecordReadout.h"
#include "viewer/TableCells.h"

#include <QComboBox>
#include <QHash>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

PhasorPanel::PhasorPanel(QWidget* parent)
    : QWidget(parent), referenceBox(new QComboBox(this)), table(new QTableWidget(this)),
      note(new QLabel(this)), diagram(new PhasorDiagram(this))
{
    referenceBox->setObjectName(QStringLiteral("referenceChannel"));
    table->setObjectName(QStringLiteral("phasorTable"));
    note->setObjectName(QStringLiteral("phasorNote"));
    diagram->setObjectName(QStringLiteral("phasorDiagram"));

    auto* layout = new QVBoxLayout(this);
    auto* referenceRow = new QHBoxLayout;
    auto* referenceLabel = new QLabel(QStringLiteral("Опорный канал (0°):"), this);
    referenceLabel->setBuddy(referenceBox);
    referenceRow->addWidget(referenceLabel);
    referenceRow->addWidget(referenceBox, 1);
    layout->addLayout(referenceRow);

    tablecells::setUpReadOnly(
        table,
        {QStringLiteral("Канал"), QStringLiteral("Действ. знач."), QStringLiteral("Угол, °")}, 2);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    layout->addWidget(table);
    note->setWordWrap(true);
    note->hide();
    layout->addWidget(note);
    layout->addWidget(diagram, 1);

    connect(referenceBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &PhasorPanel::referenceChanged);
}

void PhasorPanel::setRecord(const ComtradeRecord& record, const QVector<QColor>& channelColors)
{
    names.clear();
    units.clear();
    for (const ComtradeAnalogChannel& channel : record.analog) {
        names << channel.name;
        units << channel.unit.trimmed();
    }
    colors = channelColors;
    drawn = QVector<bool>(names.size(), true);
    shown.clear();
    {
        const QSignalBlocker blocker(referenceBox);
        referenceBox->clear();
        referenceBox->addItems(names);
        referenceBox->setCurrentIndex(names.isEmpty() ? -1 : 0);
    }
    table->clearContents();
    table->setRowCount(names.size());
    for (int row = 0; row < names.size(); ++row) {
        QTableWidgetItem* name =
            tablecells::set(table, row, 0, names[row], Qt::AlignLeft | Qt::AlignVCenter);
        if (row < colors.size())
            name->setForeground(colors[row]);
    }
    // As tall as its rows, up to about ten of them; the diagram takes the rest.
    const int rows = std::min<int>(names.size(), 10);
    table->setFixedHeight(table->horizontalHeader()->sizeHint().height() +
                          rows * table->verticalHeader()->defaultSectionSize() +
                          2 * table->frameWidth() + 2);
    diagram->setArrows({});
}

int PhasorPanel::reference() const
{
    return referenceBox->currentIndex();
}

void PhasorPanel::showValues(const QVector<ChannelAnalysis>& channels)
{
    shown = channels;
    // The largest of each unit: the angle of a channel next to nothing
    // beside it (3I0 of a balanced load in a synthetic record) is rounding
    // error, and shown as "—". Samples of 16 bits carry about five digits.
    QHash<QString, double> largest;
    for (int row = 0; row < channels.size() && row < names.size(); ++row) {
        if (channels[row].phasor.magnitude > largest.value(units[row]))
            largest[units[row]] = channels[row].phasor.magnitude;
    }
    for (int row = 0; row < channels.size() && row < names.size(); ++row) {
        const Phasor& phasor = channels[row].phasor;
        const QString magnitude = RecordReadout::number(phasor.magnitude);
        tablecells::set(table, row, 1,
                        std::isfinite(phasor.magnitude) ? magnitude + QLatin1Char(' ') + units[row]
                                                        : magnitude);
        const bool negligible = !(phasor.magnitude > 1e-6 * largest.value(units[row]));
        tablecells::set(table, row, 2,
                        negligible ? QStringLiteral("—") : RecordReadout::tenths(phasor.angle));
    }

    const int ref = reference();
    const bool referenceKnown =
        ref >= 0 && ref < channels.size() && channels[ref].phasor.magnitude > 0;
    const bool anyMagnitude =
        std::any_of(channels.cbegin(), channels.cend(), [](const ChannelAnalysis& channel) {
            return std::isfinite(channel.phasor.magnitude);
        });
    note->setText(QStringLiteral("У опорного канала нет основной гармоники в этом периоде: углы "
                                 "не определены."));
    note->setVisible(anyMagnitude && !referenceKnown);
    drawDiagram();
}

void PhasorPanel::setChannelDrawn(int channel, bool isDrawn)
{
    if (channel < 0 || channel >= drawn.size() || drawn[channel] == isDrawn)
        return;
    drawn[channel] = isDrawn;
    drawDiagram();
}

void PhasorPanel::drawDiagram()
{
    QVector<PhasorDiagram::Arrow> arrows;
    for (int i = 0; i < shown.size() && i < names.size(); ++i) {
        if (drawn[i])
            arrows.append({names[i], units[i], shown[i].phasor,
                           i < colors.size() ? colors[i] : QColor(Qt::black)});
    }
    diagram->setArrows(arrows);
}
