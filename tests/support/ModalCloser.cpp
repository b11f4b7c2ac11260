#include "support/ModalCloser.h"

#include "support/EventWait.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QApplication>
#include <QPushButton>
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
            return NotThisStep;
        seen.append(Seen{QStringLiteral("QMessageBox"), box->windowTitle(), box->text(), true,
                         box->standardButton(box->defaultButton()), box->icon()});
        QAbstractButton* button = box->button(QMessageBox::Ok);
        if (button == nullptr && !box->buttons().isEmpty())
            button = box->buttons().first();
        if (button != nullptr)
            button->click();
        else
            box->reject();
        return Handled;
    });
}

void ModalCloser::expectMessageBox(QMessageBox::StandardButton answer)
{
    steps.append([this, answer](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr || box->button(answer) == nullptr)
            return NotThisStep;
        seen.append(Seen{QStringLiteral("QMessageBox"), box->windowTitle(), box->text(), true,
                         box->standardButton(box->defaultButton()), box->icon()});
        box->button(answer)->click();
        return Handled;
    });
}

void ModalCloser::expectFileDialog(const QString& path, const std::function<void()>& onShown)
{
    steps.append([this, path, onShown](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (dialog == nullptr)
            return NotThisStep;
        if (onShown)
            onShown();
        seen.append(Seen{QStringLiteral("QFileDialog"), dialog->windowTitle(), QString(), true});
        auto* nameEdit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* listView = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
        if (path.isEmpty() || nameEdit == nullptr) {
            dialog->reject();
        } else {
            // The typed absolute path is the answer when nothing is selected
            // in the list; the dialog lists its folder in the background and
            // could otherwise reset a name chosen earlier.
            if (listView != nullptr && listView->selectionModel() != nullptr)
                listView->selectionModel()->clearSelection();
            nameEdit->setText(path);
            // Through the QDialog base: done() skips the overwrite question
            // of the save dialog.
            static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
        }
        return Handled;
    });
}

void ModalCloser::expectDialog(const std::function<bool(QDialog*)>& answer)
{
    steps.append([this, answer](QWidget* modal) {
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (dialog == nullptr || qobject_cast<QMessageBox*>(modal) != nullptr ||
            qobject_cast<QFileDialog*>(modal) != nullptr)
            return NotThisStep;
        seen.append(Seen{QString::fromLatin1(modal->metaObject()->className()),
                         dialog->windowTitle(), QString(), true});
        if (answer(dialog))
            dialog->accept();
        else
            dialog->reject();
        return Handled;
    });
}

bool ModalCloser::waitUntilDone(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!steps.isEmpty() && clock.elapsed() < timeoutMs)
        eventwait::spin(10);
    return steps.isEmpty();
}

QByteArray ModalCloser::describe() const
{
    QStringList lines;
    for (const Seen& item : seen)
        lines << QStringLiteral("%1 \"%2\" \"%3\"%4")
                     .arg(item.className, item.title, item.text,
                          item.expected ? QString() : QStringLiteral(" (unexpected)"));
    lines << QStringLiteral("%1 still expected").arg(steps.size());
    return lines.join(QStringLiteral("; ")).toUtf8();
}

void ModalCloser::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal != tolerated && modal->isVisible())
        handle(modal);
}

void ModalCloser::handle(QWidget* modal)
{
    const StepResult result = steps.isEmpty() ? NotThisStep : steps.first()(modal);
    if (result == NotReadyYet)
        return;
    if (result == Handled) {
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
