#ifndef TALVIK_APP_COMMANDBUTTONS_H
#define TALVIK_APP_COMMANDBUTTONS_H

#include <QObject>
#include <QVector>

#include <cstdint>

class IModBusDev;
class IRelayLine;
class QPushButton;
class QWidget;
struct MainWindowForm;

// The remote commands: each button pulses its coil, after the user has said
// yes, and only while the relay is polled.
class CommandButtons : public QObject
{
    Q_OBJECT

public:
    CommandButtons(const MainWindowForm& form, IModBusDev* device, IRelayLine& line,
                   QWidget* window);

    void setEnabled(bool enabled);

private:
    struct Command
    {
        QPushButton* button;
        uint16_t coil;
    };

    // Asks first: the relay's outputs may trip a breaker. The button's text
    // names the command.
    void run(const Command& command);
    void pulse(uint16_t coil);

    QVector<Command> commands;
    IModBusDev* device;
    IRelayLine& line;
    QWidget* window;
};

#endif
