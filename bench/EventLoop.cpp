#include "EventLoop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace EventLoop {

bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    // Wakes the loop at the deadline even when nothing else happens.
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(timeoutMs);
    while (!done()) {
        if (clock.elapsed() >= timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

bool showAndExpose(QWidget* window, int timeoutMs)
{
    window->show();
    const bool exposed = waitUntil(
        [window] {
            return window->windowHandle() != nullptr && window->windowHandle()->isExposed();
        },
        timeoutMs);
    QCoreApplication::processEvents();
    return exposed;
}

void reveal(QWidget* widget)
{
    for (QWidget* page = widget; page != nullptr; page = page->parentWidget()) {
        QWidget* parent = page->parentWidget();
        auto* stack = qobject_cast<QStackedWidget*>(parent);
        if (stack == nullptr)
            continue;
        // A tab widget keeps its pages in a stack of its own.
        if (auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget()))
            tabs->setCurrentWidget(page);
        else
            stack->setCurrentWidget(page);
    }
}

} // namespace EventLoop
