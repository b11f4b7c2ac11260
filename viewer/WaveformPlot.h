#ifndef TALVIK_VIEWER_WAVEFORMPLOT_H
#define TALVIK_VIEWER_WAVEFORMPLOT_H

#include <QVector>
#include <QWidget>

#include <memory>
#include <utility>
#include <vector>

class DigitalChanges;
class MinMaxDecimator;
class QCPAxisRect;
class QCPGraph;
class QCPItemRect;
class QCPItemStraightLine;
class QCPItemText;
class QCPLegend;
class QCPMarginGroup;
class QCustomPlot;
class QMouseEvent;
struct ComtradeAnalogChannel;
struct ComtradeRecord;

// The record's waveforms: one plot per group of channels (currents,
// voltages, other units, digital channels as stacked steps) on a shared time
// axis in ms from the trigger, the pre-fault part shaded, and two cursors.
//
// Mouse: the wheel zooms and a drag pans the time axis of every plot at
// once; a left click puts cursor 1, a right click cursor 2, and a cursor can
// be dragged. With snap targets set, a cursor placed or dragged by the mouse
// goes to the nearest change of a digital channel. Analog channels are
// decimated to the plot's width (min/max per pixel column) before each
// redraw, so a long record draws as fast as a short one.
//
// The plotting library's header is kept out of this one: it uses Qt's
// foreach, which the project turns off everywhere else.
class WaveformPlot : public QWidget
{
    Q_OBJECT

public:
    explicit WaveformPlot(QWidget* parent = nullptr);
    ~WaveformPlot() override;

    void setRecord(const ComtradeRecord& record);

    // Channels are numbered analog first, then digital, in .cfg order, then
    // the overlay's analog channels.
    int channelCount() const { return static_cast<int>(channels.size()); }
    // The channels of the record itself, without the overlay's.
    int recordChannelCount() const { return recordChannels; }
    bool isOverlayChannel(int channel) const { return channel >= recordChannels; }
    QString channelName(int channel) const;
    QColor channelColor(int channel) const;
    bool isChannelVisible(int channel) const;
    void setChannelVisible(int channel, bool visible);
    // Titles of the plots from top to bottom, e.g. "Токи, A".
    QStringList groupTitles() const;

    // Cursor 0 or 1 on a sample (clamped to the record).
    void setCursorSample(int cursor, int sample);
    int cursorSample(int cursor) const { return cursors[cursor]; }

    // The shown time range, in ms from the trigger.
    std::pair<double, double> timeRange() const;
    void setTimeRange(double lower, double upper);

    // The x of a time in the plot area's own coordinates (the child widget
    // named "plotArea", which takes the mouse).
    double timeToPixel(double ms) const;

    // Pans the time axis, keeping the zoom, so that the sample is in view.
    void bringIntoView(int sample);

    // A second record drawn over this one on the same time axis, aligned at
    // its trigger: its analog channels dashed, named "<channel> · <label>",
    // in the plot of their unit (one of their own after the others when
    // this record has none). Replaces an earlier overlay; false when the
    // record has no analog channel or no sample to show.
    bool setOverlay(const ComtradeRecord& record, const QString& label);
    void clearOverlay();
    bool hasOverlay() const { return !overlayKeysMs.isEmpty(); }
    // Moves the overlay by `ms` (positive: later) against this record.
    void setOverlayShift(double ms);
    double overlayShift() const { return shiftMs; }

    // The changes a cursor placed by the mouse snaps to; nullptr: none.
    // They must outlive their use here.
    void setSnapTargets(const DigitalChanges* changes);
    bool isSnapping() const { return snapTargets != nullptr; }

    // Draws at once (the benchmarks time it); otherwise drawing is queued.
    void redrawNow();
    bool savePng(const QString& path);

public slots:
    void fitAll();

signals:
    void cursorsChanged();

private:
    struct Channel
    {
        QCPGraph* graph = nullptr;
        int group = 0;
        QString name;
        std::unique_ptr<MinMaxDecimator> decimator; // analog channels only
        bool overlay = false;
    };
    struct Group
    {
        QString title;
        QCPAxisRect* rect = nullptr;
        QCPItemStraightLine* cursorLines[2] = {nullptr, nullptr};
        QCPItemText* cursorLabels[2] = {nullptr, nullptr};
        QCPLegend* legend = nullptr; // analog plots only
        QCPItemRect* shade = nullptr;
        bool digital = false;
        bool overlayOnly = false; // made for the overlay's unit; goes with it
    };

    void clearRecord();
    int groupFor(const QString& title, bool digital);
    void addAnalog(const ComtradeAnalogChannel& source, const QVector<double>& keys,
                   const QString& name, bool overlay);
    void addDigital(const ComtradeRecord& record, int index, int row, int rows);
    void buildGroupDecorations(int index);
    void fitValueAxes();
    void labelTimeAxis();
    void fillLegends();
    void removeOverlayGroups();
    std::pair<double, double> extent() const;
    int snapped(int sample) const;
    void timeRangeChanged(double lower, double upper);
    void mousePressed(QMouseEvent* event);
    void mouseMoved(QMouseEvent* event);
    void mouseReleased(QMouseEvent* event);
    void redraw();
    void decimate();
    int sampleAtPixel(double x) const;
    int cursorNear(const QPoint& pos) const;
    void placeCursorLines();

    QCustomPlot* plot;
    QVector<double> keysMs; // sample times, ms from the trigger
    std::vector<Channel> channels;
    int recordChannels = 0;
    QVector<double> overlayKeysMs; // the overlay's, from its own trigger, unshifted
    double shiftMs = 0;
    const DigitalChanges* snapTargets = nullptr;
    std::vector<Group> groups;
    int cursors[2] = {0, 0};
    QCPMarginGroup* marginGroup = nullptr;

    // What the analog graphs were last decimated for.
    std::pair<double, double> decimatedRange;
    int decimatedColumns = 0;
    bool syncingRanges = false;

    QPoint pressPosition;
    int draggedCursor = -1;
};

#endif
