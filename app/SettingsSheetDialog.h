#ifndef TALVIK_APP_SETTINGSSHEETDIALOG_H
#define TALVIK_APP_SETTINGSSHEETDIALOG_H

#include <QDialog>
#include <QString>

class QLineEdit;
class QRadioButton;

// Asks what goes on a settings sheet: the object's name for its heading, and
// whether the values come from the relay or from a settings file.
class SettingsSheetDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SettingsSheetDialog(QWidget* parent = nullptr);

    QString objectText() const;
    // The relay's name as the archive knows it, to start from.
    void setObjectText(const QString& text);
    bool fromFile() const;

private:
    Q_DISABLE_COPY(SettingsSheetDialog)

    QLineEdit* object = nullptr;
    QRadioButton* relay = nullptr;
    QRadioButton* file = nullptr;
};

#endif
