#ifndef TALVIK_VIEWER_DIGITALCHANGESPANEL_H
#define TALVIK_VIEWER_DIGITALCHANGESPANEL_H

#include <QWidget>

class QLabel;
class QTableView;
class RecordAnalysis;
class DigitalChangesModel;

// "Дискретные": every change of every digital channel in time order (time
// from the trigger, channel, "0→1" or "1→0"). A click on a change asks for
// cursor 1 there. The list is the record's, found once when it is shown: a
// record of a million samples is not scanned again as the cursor moves, and
// the table reads the rows it draws only.
class DigitalChangesPanel : public QWidget
{
    Q_OBJECT

public:
    explicit DigitalChangesPanel(QWidget* parent = nullptr);

    // The analysis outlives its use here; nullptr empties the list.
    void setAnalysis(const RecordAnalysis* analysis);

signals:
    void changeChosen(int sample);

private:
    void choose(int row);

    QLabel* hint;
    QTableView* view;
    DigitalChangesModel* model;
};

#endif
