#ifndef TALVIK_UI_SCREENFIT_H
#define TALVIK_UI_SCREENFIT_H

class QWidget;

// Shrinks a top-level window that is larger than the room its screen offers
// (a 1366 x 768 laptop at 125 % has about 1093 x 614 pixels of room), so that
// none of it lies beyond the screen's edge. A window that fits is left alone.
void fitIntoScreen(QWidget& window);

#endif
