#ifndef TALVIK_UI_PASSWORDDIALOGFORM_H
#define TALVIK_UI_PASSWORDDIALOGFORM_H

class QDialog;
class QDialogButtonBox;
class QGridLayout;
class QLabel;
class QSpinBox;

// The password dialog's widgets, one member per named object.
struct PasswordDialogForm
{
    QGridLayout* gridLayout = nullptr;
    QLabel* label = nullptr;
    QSpinBox* sbPassword = nullptr;
    QDialogButtonBox* buttonBox = nullptr;

    // Creates the widgets, sets the texts and connects the buttons to
    // accept() and reject().
    void setupUi(QDialog* dialog);
    void retranslateUi(QDialog* dialog);
};

#endif
