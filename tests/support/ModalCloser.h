#ifndef TALVIK_TESTS_SUPPORT_MODALCLOSER_H
#define TALVIK_TESTS_SUPPORT_MODALCLOSER_H

#include <QByteArray>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QDialog;
class QTimer;
class QWidget;

// Answers the modal boxes and dialogs a test provokes, in the order it
// expects them: records what each one said, then presses the button the test
// chose. A modal widget nobody expected is rejected and recorded, so a test
// fails on it instead of hanging.
class ModalCloser : public QObject
{
    Q_OBJECT

public:
    struct Seen
    {
        QString className;
        QString title;
        QString text; // message box text; empty for other dialogs
        bool expected = true;
        // A message box's default button (NoButton for other dialogs).
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };

    explicit ModalCloser(QObject* parent = nullptr);
    ~ModalCloser() override;

    // A QMessageBox: press its Ok (or only) button.
    void expectMessageBox();
    // A QMessageBox that asks: press `answer`; a box without it fails the step
    // (it is rejected and recorded as unexpected).
    void expectMessageBox(QMessageBox::StandardButton answer);
    // A QFileDialog: choose `path` (a file or, for folder dialogs, a folder)
    // and accept; an empty path cancels the dialog. `onShown` runs first,
    // while the dialog is open.
    void expectFileDialog(const QString& path, const std::function<void()>& onShown = {});
    // Any other dialog: `answer` fills it in and returns true to accept it,
    // false to reject it.
    void expectDialog(const std::function<bool(QDialog*)>& answer);

    // A modal dialog the test drives itself, which stays open while the
    // boxes it raises come and go: left alone.
    void tolerate(QWidget* dialog) { tolerated = dialog; }

    // Waits until every expected modal widget was handled, or the deadline.
    bool waitUntilDone(int timeoutMs = 5000);
    int pending() const { return steps.size(); }
    // What was seen so far, for failure messages.
    QByteArray describe() const;

    QList<Seen> seen;

private:
    void poll();
    void handle(QWidget* modal);

    enum StepResult
    {
        NotThisStep,
        Handled,
        NotReadyYet
    };
    QList<std::function<StepResult(QWidget*)>> steps;
    QTimer* timer;
    QPointer<QWidget> tolerated;
};

#endif
