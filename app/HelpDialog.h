#ifndef TALVIK_APP_HELPDIALOG_H
#define TALVIK_APP_HELPDIALOG_H

#include <QDialog>

class QTextBrowser;

// The built-in help page on the main workflows, beside the main window:
// the user may keep it open while working.
class HelpDialog : public QDialog
{
    Q_OBJECT

public:
    explicit HelpDialog(QWidget* parent = nullptr);

    QTextBrowser* browser() const { return page; }

private:
    Q_DISABLE_COPY(HelpDialog)

    QTextBrowser* page = nullptr;
};

#endif
