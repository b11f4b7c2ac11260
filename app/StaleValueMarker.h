#ifndef TALVIK_APP_STALEVALUEMARKER_H
#define TALVIK_APP_STALEVALUEMARKER_H

#include <QPointer>
#include <QString>
#include <QVector>

#include <cstdint>

class ModBusDevice;
class QWidget;

// Tells live values from old ones: a value not read from the relay for
// longer than three poll periods, or never read since the connection was
// made, is shown greyed rather than as a figure that looks measured, and a
// setting's editor says so in its tool tip.
class StaleValueMarker
{
public:
    explicit StaleValueMarker(const ModBusDevice* device);

    // A measured value, LED or input/output indicator showing register reg.
    void addLiveValue(QWidget* widget, uint16_t reg);
    // A setting's editor widget for register reg.
    void addEditor(QWidget* widget, uint16_t reg);

    // Marks every widget by the age of its register now.
    void mark(qint64 staleAfterMs);
    // Off while the editors show a settings file: the relay's age says
    // nothing of a file's values, and the editors' own notes stay.
    void setEditorsMarked(bool marked);

    bool isStale(const QWidget* widget) const;

    // The editors' tool tip while their value is not the relay's present one.
    static QString noDataText();
    // What a measured value shows before anything was read.
    static QString neverReadText();

private:
    struct Entry
    {
        QPointer<QWidget> widget;
        uint16_t reg;
        bool editor;
        bool stale;
    };

    void markEntry(Entry& entry, bool stale, bool neverRead);

    const ModBusDevice* device;
    QVector<Entry> entries;
    bool editorsMarked = true;
};

#endif
