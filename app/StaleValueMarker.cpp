#include "app/StaleValueMarker.h"

#include "relay/ModBusDevice.h"

#include <QLabel>
#include <QWidget>

StaleValueMarker::StaleValueMarker(const ModBusDevice* device) : device(device) {}

QString StaleValueMarker::noDataText()
{
    return QStringLiteral("нет данных от реле");
}

QString StaleValueMarker::neverReadText()
{
    return QStringLiteral("—");
}

void StaleValueMarker::addLiveValue(QWidget* widget, uint16_t reg)
{
    if (widget != nullptr)
        entries.append({widget, reg, false, false});
}

void StaleValueMarker::addEditor(QWidget* widget, uint16_t reg)
{
    if (widget != nullptr)
        entries.append({widget, reg, true, false});
}

void StaleValueMarker::mark(qint64 staleAfterMs)
{
    for (Entry& entry : entries) {
        if (entry.widget.isNull() || (entry.editor && !editorsMarked))
            continue;
        const qint64 age = device->registerAgeMs(entry.reg);
        markEntry(entry, age < 0 || age > staleAfterMs, age < 0);
    }
}

void StaleValueMarker::setEditorsMarked(bool marked)
{
    editorsMarked = marked;
    if (marked)
        return;
    for (Entry& entry : entries) {
        if (entry.editor && !entry.widget.isNull())
            markEntry(entry, false, false);
    }
}

void StaleValueMarker::markEntry(Entry& entry, bool stale, bool neverRead)
{
    QWidget* widget = entry.widget;
    if (entry.editor) {
        // The editor stays usable: the user may prepare settings offline.
        // Its own note (a value it cannot show) comes back with the next
        // refresh of a fresh value.
        if (stale && widget->toolTip() != noDataText())
            widget->setToolTip(noDataText());
        else if (!stale && widget->toolTip() == noDataText())
            widget->setToolTip(QString());
    } else {
        // Disabled is the style's own grey, in every theme.
        if (stale != entry.stale)
            widget->setEnabled(!stale);
        // A zero never read would look measured.
        if (auto* label = qobject_cast<QLabel*>(widget); label != nullptr && neverRead)
            label->setText(neverReadText());
    }
    entry.stale = stale;
}

bool StaleValueMarker::isStale(const QWidget* widget) const
{
    for (const Entry& entry : entries) {
        if (entry.widget == widget)
            return entry.stale;
    }
    return false;
}
