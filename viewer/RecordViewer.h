#ifndef TALVIK_VIEWER_RECORDVIEWER_H
#define TALVIK_VIEWER_RECORDVIEWER_H

#include <QString>
#include <QWidget>

#include <memory>

class AnalysisPanel;
class QAction;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QTableWidget;
class RecordAnalysis;
class RecordReadout;
class WaveformPlot;
struct ComtradeRecord;

// A fault record on screen: the waveform plots, the channel list to show or
// hide channels, the readout of the two cursors (values, one-cycle RMS, Δt,
// digital states) and the side panel of what is read at cursor 1 (phasors,
// symmetrical components, harmonics, the digital channels' changes). A
// second record can be laid over the first, and the visible stretch
// exported as CSV. The same widget serves a record just read from the relay
// and a COMTRADE file from disk.
class RecordViewer : public QWidget
{
    Q_OBJECT

public:
    explicit RecordViewer(QWidget* parent = nullptr);
    ~RecordViewer() override;

    // `name` titles the window and the exported image.
    void setRecord(const ComtradeRecord& record, const QString& name);

    // A viewer window of its own (closing deletes it) on a record in memory.
    static RecordViewer* openRecord(const ComtradeRecord& record, const QString& name,
                                    QWidget* parent);
    // The same for a .cfg on disk; when it cannot be read, a warning box
    // tells why and nullptr is returned.
    static RecordViewer* openFile(const QString& cfgPath, QWidget* parent);

    WaveformPlot* plot() const { return waveforms; }
    AnalysisPanel* analysisPanel() const { return panel; }
    // The readout table as tab-separated text, as "copy" puts it on the clipboard.
    QString readoutText() const;

    // Lays `record` over the shown one, its channels named with `name`
    // (replacing an earlier overlay); a warning box when it has nothing to
    // lay over.
    bool setOverlay(const ComtradeRecord& record, const QString& name);

public slots:
    void fitAll();
    void exportPng();
    void exportCsv();
    void copyReadout();
    void openOverlay();
    void removeOverlay();

private:
    void buildToolBar();
    void fillChannelList(const ComtradeRecord& record);
    void addOverlayItems();
    void channelItemChanged(QListWidgetItem* item);
    void updateReadout();
    void setSnapping(bool on);
    void moveCursorToChange(int sample);
    QString chooseSaveFile(const QString& title, const QString& suffix, const QString& filter,
                           QString* folder);
    static QString describe(const ComtradeRecord& record);

    WaveformPlot* waveforms;
    QListWidget* channelList;
    QTableWidget* readoutTable;
    QLabel* info;
    QLabel* summary;
    AnalysisPanel* panel;
    QAction* snapAction = nullptr;
    QAction* removeOverlayAction = nullptr;
    QDoubleSpinBox* shiftBox = nullptr;
    std::unique_ptr<RecordReadout> readout;
    std::unique_ptr<RecordAnalysis> analysis;
    QString recordName;
    QString imageFolder;
    QString csvFolder;
    QString overlayFolder;
};

#endif
