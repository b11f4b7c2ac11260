#include "app/CommandButtons.h"

#include "app/IRelayLine.h"
#include "relay/IModBusDev.h"
#include "relay/RelayMap.h"
#include "ui/MainWindowForm.h"

#include <QMessageBox>
#include <QPushButton>

CommandButtons::CommandButtons(const MainWindowForm& form, IModBusDev* device, IRelayLine& line,
                               QWidget* window)
    : QObject(window), device(device), line(line), window(window)
{
    commands = {
        {form.btnKvit, RelayMap::acknowledgeCoil}, {form.btnDO1, RelayMap::coilDO1},
        {form.btnDO2, RelayMap::coilDO2},          {form.btnDO3_1, RelayMap::coilDO3_1},
        {form.btnDO3_2, RelayMap::coilDO3_2},      {form.btnDO4, RelayMap::coilDO4},
        {form.btnDO5, RelayMap::coilDO5},          {form.btnDO6, RelayMap::coilDO6},
    };
    for (const Command& command : qAsConst(commands))
        connect(command.button, &QPushButton::clicked, this, [this, command] { run(command); });
}

void CommandButtons::setEnabled(bool enabled)
{
    for (const Command& command : qAsConst(commands))
        command.button->setEnabled(enabled);
}

void CommandButtons::run(const Command& command)
{
    if (!line.isPolling())
        return;
    line.warnDemoMode();
    const QMessageBox::StandardButton answer =
        QMessageBox::question(window, "Подтверждение команды",
                              QStringLiteral("Выполнить команду «%1»?").arg(command.button->text()),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes)
        pulse(command.coil);
}

void CommandButtons::pulse(uint16_t coil)
{
    if (!line.portReady())
        return;
    // The relay acts on the rising edge; the second write releases the coil.
    device->writeCoil(coil, true);
    device->writeCoil(coil, false);
}
