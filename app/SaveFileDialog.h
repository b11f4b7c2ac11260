#ifndef TALVIK_APP_SAVEFILEDIALOG_H
#define TALVIK_APP_SAVEFILEDIALOG_H

#include <QString>

class QWidget;

// The save dialog of every file the window writes. A name typed without an
// extension gets the format's one ("settings" becomes "settings.json"), so
// the matching open dialog, which filters on it, finds the file again; the
// overwrite question is asked for that full name.
class SaveFileDialog
{
public:
    // Empty when the user cancelled. defaultSuffix without the dot.
    static QString fileName(QWidget* parent, const QString& caption, const QString& folder,
                            const QString& filter, const QString& defaultSuffix);
};

#endif
