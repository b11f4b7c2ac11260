#include "viewer/PhasorDiagram.h"

#include "viewer/RecordReadout.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

const Qt::PenStyle unitStyles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine};

// The arrow's head: two short strokes back from the tip.
void drawHead(QPainter& painter, const QPointF& tip, double angle)
{
    const double length = 9;
    for (const double side : {-0.4, 0.4}) {
        const double back = angle + M_PI + side;
        painter.drawLine(tip, tip + QPointF(length * std::cos(back), -length * std::sin(back)));
    }
}

} // namespace

PhasorDiagram::PhasorDiagram(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

QSize PhasorDiagram::sizeHint() const
{
    return {300, 300};
}

QSize PhasorDiagram::minimumSizeHint() const
{
    return {180, 180};
}

double PhasorDiagram::roundScale(double largest)
{
    if (!(largest > 0) || !std::isfinite(largest))
        return 1;
    const double decade = std::pow(10.0, std::floor(std::log10(largest)));
    for (const double step : {1.0, 2.0, 5.0, 10.0}) {
        // A hair of tolerance, so that exactly 100 A is drawn on a 100 A circle.
        if (largest <= step * decade * (1 + 1e-9))
            return step * decade;
    }
    return 10 * decade;
}

void PhasorDiagram::setArrows(const QVector<Arrow>& arrows)
{
    shown.clear();
    scales.clear();
    QVector<double> largest;
    for (const Arrow& arrow : arrows) {
        // Without the reference's angle an arrow has no direction.
        if (!arrow.phasor.known() || !std::isfinite(arrow.phasor.angle))
            continue;
        shown.append(arrow);
        int unit = 0;
        while (unit < scales.size() && scales[unit].unit != arrow.unit)
            ++unit;
        if (unit == scales.size()) {
            scales.append(
                {arrow.unit, 0, unitStyles[std::min<int>(unit, std::size(unitStyles) - 1)]});
            largest.append(0);
        }
        largest[unit] = std::max(largest[unit], arrow.phasor.magnitude);
    }
    for (int unit = 0; unit < scales.size(); ++unit)
        scales[unit].fullCircle = roundScale(largest[unit]);
    update();
}

QStringList PhasorDiagram::scaleNotes() const
{
    QStringList notes;
    for (const Scale& scale : scales)
        notes << QStringLiteral("%1: окружность = %2 %1")
                     .arg(scale.unit, RecordReadout::number(scale.fullCircle));
    return notes;
}

const PhasorDiagram::Scale* PhasorDiagram::scaleOf(const QString& unit) const
{
    for (const Scale& scale : scales) {
        if (scale.unit == unit)
            return &scale;
    }
    return nullptr;
}

void PhasorDiagram::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics = fontMetrics();
    // Room below for the scale notes, one line each.
    const int notesHeight = (metrics.height() + 2) * std::max(1, int(scales.size()));
    const QRectF area = QRectF(rect()).adjusted(
        metrics.horizontalAdvance(QStringLiteral("000°")), metrics.height() + 4,
        -metrics.horizontalAdvance(QStringLiteral("000°")), -notesHeight - metrics.height() - 4);
    const double radius = std::max(10.0, std::min(area.width(), area.height()) / 2);
    const QPointF centre = area.center();

    // The grid: two circles and the axes every 30°, 0° and 90° labelled.
    const QColor grid = palette().color(QPalette::Mid);
    painter.setPen(QPen(grid, 1));
    painter.drawEllipse(centre, radius, radius);
    painter.setPen(QPen(grid, 1, Qt::DotLine));
    painter.drawEllipse(centre, radius / 2, radius / 2);
    for (int degrees = 0; degrees < 360; degrees += 30) {
        const double a = degrees * M_PI / 180;
        painter.drawLine(centre, centre + QPointF(radius * std::cos(a), -radius * std::sin(a)));
    }
    painter.setPen(palette().color(QPalette::Text));
    for (const int degrees : {0, 90, 180, -90}) {
        const double a = degrees * M_PI / 180;
        const QPointF at =
            centre + QPointF((radius + 4) * std::cos(a), -(radius + 4) * std::sin(a));
        const QString text = QStringLiteral("%1°").arg(degrees);
        const QSizeF size(metrics.horizontalAdvance(text), metrics.height());
        QPointF corner(at.x() - size.width() / 2, at.y() - size.height() / 2);
        if (degrees == 0)
            corner.setX(at.x());
        else if (degrees == 180)
            corner.setX(at.x() - size.width());
        else if (degrees == 90)
            corner.setY(at.y() - size.height());
        else
            corner.setY(at.y());
        painter.drawText(QRectF(corner, size), Qt::AlignCenter, text);
    }

    for (const Arrow& arrow : shown) {
        const Scale* scale = scaleOf(arrow.unit);
        const double length = radius * arrow.phasor.magnitude / scale->fullCircle;
        const double a = arrow.phasor.angle * M_PI / 180;
        const QPointF tip = centre + QPointF(length * std::cos(a), -length * std::sin(a));
        painter.setPen(QPen(arrow.color, 2, scale->style, Qt::RoundCap));
        painter.drawLine(centre, tip);
        painter.setPen(QPen(arrow.color, 2, Qt::SolidLine, Qt::RoundCap));
        drawHead(painter, tip, a);
        // The name just beyond the tip, on the side away from the centre; an
        // arrow too short to see would only heap its name on the others'.
        if (length < 12)
            continue;
        const QString name = arrow.name;
        const QPointF label = tip + QPointF(8 * std::cos(a), -8 * std::sin(a));
        const double width = metrics.horizontalAdvance(name);
        const double x = std::cos(a) >= 0 ? label.x() : label.x() - width;
        const double y = std::sin(a) >= 0 ? label.y() - 2 : label.y() + metrics.ascent();
        // On a light patch, so that a name over the grid's labels stays readable.
        QColor patch = palette().color(QPalette::Base);
        patch.setAlpha(210);
        painter.fillRect(QRectF(x - 1, y - metrics.ascent(), width + 2, metrics.height()), patch);
        painter.drawText(QPointF(x, y), name);
    }

    // The scales, each with a sample of its line.
    painter.setPen(palette().color(QPalette::Text));
    double y = height() - notesHeight + metrics.ascent();
    const QStringList notes = scaleNotes();
    for (int i = 0; i < scales.size(); ++i) {
        painter.setPen(QPen(palette().color(QPalette::Text), 2, scales[i].style));
        painter.drawLine(QPointF(6, y - metrics.ascent() / 2.0),
                         QPointF(30, y - metrics.ascent() / 2.0));
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(QPointF(36, y), notes[i]);
        y += metrics.height() + 2;
    }
}
