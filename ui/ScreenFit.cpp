#include "ui/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void fitIntoScreen(QWidget& window)
{
    const QScreen* screen = window.screen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QSize room = screen->availableGeometry().size();
    // The frame the window manager adds is not part of size().
    const QSize frame = window.frameGeometry().size() - window.geometry().size();
    window.resize(window.size().boundedTo(room - frame));
}
