#ifndef TALVIK_BENCH_EVENTLOOP_H
#define TALVIK_BENCH_EVENTLOOP_H

#include <functional>

class QWidget;

// Helpers that keep the GUI thread's event loop running while a benchmark
// waits, as the program itself would.
namespace EventLoop {

// Processes events, sleeping in the loop between them, until `done` holds or
// `timeoutMs` has passed; returns whether `done` held.
bool waitUntil(const std::function<bool()>& done, int timeoutMs);
// Shows a top-level window and waits until the platform has exposed it.
bool showAndExpose(QWidget* window, int timeoutMs = 5000);
// Makes the pages, tabs and stacks around a widget show it.
void reveal(QWidget* widget);

} // namespace EventLoop

#endif
