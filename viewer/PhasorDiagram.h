#ifndef TALVIK_VIEWER_PHASORDIAGRAM_H
#define TALVIK_VIEWER_PHASORDIAGRAM_H

#include "analysis/Phasor.h"

#include <QColor>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QWidget>

// Phasors of one moment as arrows from the centre: angle 0 to the right,
// positive angles counter-clockwise. Currents and voltages differ by orders
// of magnitude, so each unit has a scale of its own: its outer circle stands
// for a round value (1, 2 or 5 × 10ⁿ) at or above its largest phasor. The
// first unit's arrows are solid, the second's dashed, the third's dotted;
// the scales are noted in the corner.
class PhasorDiagram : public QWidget
{
    Q_OBJECT

public:
    struct Arrow
    {
        QString name;
        QString unit;
        Phasor phasor;
        QColor color;
    };

    explicit PhasorDiagram(QWidget* parent = nullptr);

    // Arrows with an unknown magnitude or angle are left out.
    void setArrows(const QVector<Arrow>& arrows);
    // "A: окружность = 500 A" for each unit drawn, in the order of the arrows.
    QStringList scaleNotes() const;

    // The round value at or above `largest` that a unit's circle stands for.
    static double roundScale(double largest);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Scale
    {
        QString unit;
        double fullCircle;
        Qt::PenStyle style;
    };
    const Scale* scaleOf(const QString& unit) const;

    QVector<Arrow> shown;
    QVector<Scale> scales;
};

#endif
