#ifndef TALVIK_UI_CONFIGDIALOGFORM_H
#define TALVIK_UI_CONFIGDIALOGFORM_H

class QCheckBox;
class QComboBox;
class QDialog;
class QDialogButtonBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The connection settings dialog's widgets, one member per named object. The
// lists of ports, speeds and protocols are filled by the dialog, not by the
// form.
struct ConfigDialogForm
{
    QGridLayout* gridLayout = nullptr;
    QLabel* lblPort = nullptr;
    // Editable: a port the system does not list (a pseudo-terminal, a
    // symlink made by udev rules) can be typed in.
    QComboBox* comboPortName = nullptr;
    QLabel* lblHost = nullptr;
    QLineEdit* editHost = nullptr;
    QLabel* lblTcpPort = nullptr;
    QSpinBox* spinTcpPort = nullptr;
    QLabel* lblProtocol = nullptr;
    QComboBox* comboProtocol = nullptr;
    QPushButton* btnRefreshPorts = nullptr;
    QLabel* lblSpeed = nullptr;
    QComboBox* comboSpeed = nullptr;
    QLabel* lblAddress = nullptr;
    QSpinBox* spinAddress = nullptr;
    QLabel* lblInterval = nullptr;
    QSpinBox* spinCharInterval = nullptr;
    QLabel* lblLengthFraming = nullptr;
    QCheckBox* cbLengthFraming = nullptr;
    QLabel* lblPeriod = nullptr;
    QSpinBox* spinInterval = nullptr;
    QLabel* lblDemo = nullptr;
    QCheckBox* cbDemoMode = nullptr;
    QDialogButtonBox* buttonBox = nullptr;
    // Beside Ok and Cancel: scans the port for relays.
    QPushButton* btnSearchDevice = nullptr;

    // Creates the widgets with their ranges and initial values, sets the
    // texts and connects the buttons to accept() and reject().
    void setupUi(QDialog* dialog);
    void retranslateUi(QDialog* dialog);
};

#endif
