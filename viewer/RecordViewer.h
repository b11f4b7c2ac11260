#ifndef TALVIK_VIEWER_RECORDVIEWER_H
#define TALVIK_VIEWER_RECORDVIEWER_H

#include <QString>
#include <QWidget>

#include <memory>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QTableWidget;
class RecordReadout;
class WaveformPlot;
struct ComtradeRecord;

// A fault record on screen: the waveform plots, the channel list to show or
// hide channels, and the readout of the two cursors (values, one-cycle RMS,
// Δt, digital states). The same widget serves a record just read from the
// relay and a COMTRADE file from disk.
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
    // The readout table as tab-separated text, as "copy" puts it on the clipboard.
    QString readoutText() const;

public slots:
    void fitAll();
    void exportPng();
    void copyReadout();

private:
    void buildToolBar();
    void fillChannelList(const ComtradeRecord& record);
    void channelItemChanged(QListWidgetItem* item);
    void updateReadout();
    static QString describe(const ComtradeRecord& record);

    WaveformPlot* waveforms;
    QListWidget* channelList;
    QTableWidget* readoutTable;
    QLabel* info;
    QLabel* summary;
    std::unique_ptr<RecordReadout> readout;
    QString recordName;
    QString imageFolder;
};

#endif
