#include "support/ModalCloser.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

ModalCloser::ModalCloser(QObject* parent) : QObject(parent), timer(new QTimer(this))
{
    timer->setInterval(10);
    connect(timer, &QTimer::timeout, this, &ModalCloser::poll);
    timer->start();
}

ModalCloser::~ModalCloser() = default;

void ModalCloser::expectMessageBox()
{
    steps.append([this](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr)
            return false;
        seen.append(Seen{QStringLiteral("QMessageBox"), box->windowTitle(), box->text(), true});
        QAbstractButton* button = box->button(QMessageBox::Ok);
        if (button == nullptr && !box->buttons().isEmpty())
            button = box->buttons().first();
        if (button != nullptr)
            button->click();
        else
            box->reject();
        return true;
    });
}

void ModalCloser::expectFileDialog(const QString& path, const std::function<void()>& onShown)
{
    steps.append([this, path, onShown](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (dialog == nullptr)
            return false;
        if (onShown)
            onShown();
        seen.append(Seen{QStringLiteral("QFileDialog"), dialog->windowTitle(), QString(), true});
        if (path.isEmpty()) {
            dialog->reject();
        } else {
            dialog->selectFile(path);
            // Through the QDialog base: done() skips the overwrite question
            // of the save dialog.
            static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
        }
        return true;
    });
}

void ModalCloser::expectDialog(const std::function<bool(QDialog*)>& answer)
{
    steps.append([this, answer](QWidget* modal) {
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (dialog == nullptr || qobject_cast<QMessageBox*>(modal) != nullptr ||
            qobject_cast<QFileDialog*>(modal) != nullptr)
            return false;
        seen.append(Seen{QString::fromLatin1(modal->metaObject()->className()),
                         dialog->windowTitle(), QString(), true});
        if (answer(dialog))
            dialog->accept();
        else
            dialog->reject();
        return true;
    });
}

bool ModalCloser::waitUntilDone(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!steps.isEmpty() && clock.elapsed() < timeoutMs)
        QTest::qWait(10);
    return steps.isEmpty();
}

void ModalCloser::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal->isVisible())
        handle(modal);
}

void ModalCloser::handle(QWidget* modal)
{
    if (!steps.isEmpty() && steps.first()(modal)) {
        steps.removeFirst();
        return;
    }
    // Unexpected: record it and get it out of the way.
    auto* box = qobject_cast<QMessageBox*>(modal);
    seen.append(Seen{QString::fromLatin1(modal->metaObject()->className()), modal->windowTitle(),
                     box != nullptr ? box->text() : QString(), false});
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    else
        modal->close();
}
