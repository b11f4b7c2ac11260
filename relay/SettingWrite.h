#ifndef TALVIK_RELAY_SETTINGWRITE_H
#define TALVIK_RELAY_SETTINGWRITE_H

#include <cstdint>

class IModBusDev;

// A setting goes to the relay as two writes: the password to the password
// register, then the value. The relay checks the password for the one write
// that follows it, so every value gets its own.
void writeSetting(IModBusDev& device, uint16_t reg, uint16_t value, uint16_t password);

#endif
