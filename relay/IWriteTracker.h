#ifndef TALVIK_RELAY_IWRITETRACKER_H
#define TALVIK_RELAY_IWRITETRACKER_H

#include "modbus/IModBusResponseListener.h"

#include <cstdint>

// Follows a batch of register writes: told of each write the image queues
// while it is set, and the listener of those writes, so it learns how each
// one ended (every request ends exactly once, in the order queued).
class IWriteTracker : public IModBusResponseListener
{
public:
    virtual void writeQueued(uint16_t start, uint16_t count, const uint16_t* values) = 0;

protected:
    ~IWriteTracker() = default;
};

#endif
