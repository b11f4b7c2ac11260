#ifndef TALVIK_UI_EVENTSREADDIALOG_H
#define TALVIK_UI_EVENTSREADDIALOG_H

#include <QDialog>

class QProgressBar;

// The small modeless window with one progress bar that stays up while the
// event journal is read. The main window shows it, feeds it the reader's
// progress and hides it when the reading ends.
class EventsReadDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int fixedWidth = 530;
    static constexpr int fixedHeight = 46;

    explicit EventsReadDialog(QWidget* parent = nullptr);
    ~EventsReadDialog() override;

    // Percentage 0..100.
    void setProgress(int value);
    int progress() const;

private:
    Q_DISABLE_COPY(EventsReadDialog)

    QProgressBar* progressBar = nullptr;
};

#endif
