#ifndef TALVIK_RELAY_IMODBUSDEV_H
#define TALVIK_RELAY_IMODBUSDEV_H

#include <QtPlugin>

#include <cstdint>

// The register image: the client's copy of the relay's holding registers and
// command coils. Reads come from memory; writes are queued to the relay and
// reach the image only with the relay's next answer.
class IModBusDev
{
public:
    // 0 when n is not below the register count.
    virtual uint16_t getRegister(uint16_t n) const = 0;
    virtual void writeRegisters(uint16_t start, uint16_t count, const uint16_t* values) = 0;
    virtual void writeCoil(uint16_t coil, bool on) = 0;
    // 0 or 1; 0 when n is not below the coil count.
    virtual uint8_t getCoil(uint16_t n) const = 0;

    // Every request the image queues takes the next ticket, so a read queued
    // after a write has a greater ticket than the write. A written value can
    // only be judged by an answer to a read sent after it: an earlier read
    // still shows what the relay held before.
    // The ticket of the newest request queued (0 before any).
    virtual uint64_t lastTicket() const = 0;
    // The ticket of the newest read whose answer brought register n (0 before
    // any, and for n not below the register count).
    virtual uint64_t readTicket(uint16_t n) const = 0;

protected:
    ~IModBusDev() = default;
};

Q_DECLARE_INTERFACE(IModBusDev, "talvik.IModBusDev")

#endif
