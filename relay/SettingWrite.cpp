#include "relay/SettingWrite.h"

#include "relay/IModBusDev.h"
#include "relay/RelayMap.h"

void writeSetting(IModBusDev& device, uint16_t reg, uint16_t value, uint16_t password)
{
    device.writeRegisters(RelayMap::passwordRegister, 1, &password);
    device.writeRegisters(reg, 1, &value);
}
