#ifndef TALVIK_APP_SETTINGSCHANGEDIALOG_H
#define TALVIK_APP_SETTINGSCHANGEDIALOG_H

#include <QDialog>

class QWidget;
class SettingsComparison;

// Shows a list of settings side by side: caption, value in the relay, new
// value, register. Before a write it asks to go on; as a comparison it only
// shows, with a button that copies the table as text.
class SettingsChangeDialog : public QDialog
{
    Q_OBJECT

public:
    enum Mode
    {
        ConfirmWrite,
        CompareOnly
    };

    SettingsChangeDialog(const SettingsComparison& comparison, Mode mode,
                         QWidget* parent = nullptr);

    // True when the user chose to write.
    static bool confirmWrite(QWidget* parent, const SettingsComparison& comparison);
    static void showComparison(QWidget* parent, const SettingsComparison& comparison);

private:
    Q_DISABLE_COPY(SettingsChangeDialog)
};

#endif
