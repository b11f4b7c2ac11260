#ifndef TALVIK_APP_PASSWORDDIALOG_H
#define TALVIK_APP_PASSWORDDIALOG_H

#include <QDialog>

struct PasswordDialogForm;

// Asks for the relay's password before settings are written. Created once
// and reused: the last entered password stays in the box.
class PasswordDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PasswordDialog(QWidget* parent = nullptr);
    ~PasswordDialog() override;

    // 0...0xFFFF.
    int password() const;
    // Whether the last run of the dialog ended with Ok.
    bool isAccepted() const { return passwordAccepted; }

public slots:
    void wasAccepted();
    void wasRejected();

private:
    Q_DISABLE_COPY(PasswordDialog)

    PasswordDialogForm* ui = nullptr;
    bool passwordAccepted = false;
};

#endif
