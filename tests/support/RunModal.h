#ifndef TALVIK_TESTS_SUPPORT_RUNMODAL_H
#define TALVIK_TESTS_SUPPORT_RUNMODAL_H

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>

// The outcome of one modal run of a dialog.
struct ModalRun
{
    bool shown = false;    // the dialog became the active modal widget
    bool timedOut = false; // still open at the deadline, and rejected then
    int result = -1;       // what exec() returned
};

// Runs dialog.exec(); once the dialog is the active modal widget, `whileShown`
// works on it (typing, pressing its buttons). A dialog still open at the
// deadline is rejected, so a test fails instead of hanging.
inline ModalRun runModal(QDialog& dialog, const std::function<void(QDialog&)>& whileShown,
                         int deadlineMs = 5000)
{
    ModalRun run;
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!run.shown && QApplication::activeModalWidget() == &dialog) {
            run.shown = true;
            whileShown(dialog);
        } else if (clock.elapsed() > deadlineMs && dialog.isVisible()) {
            run.timedOut = true;
            dialog.reject();
        }
    });
    poll.start();
    run.result = dialog.exec();
    poll.stop();
    return run;
}

#endif
