#include "cli/PollTracker.h"

#include "device/ModBusDevice.h"
#include "modbus/ModBusClient.h"

PollTracker::PollTracker(ModBusDevice* device, ModBusClient* client, uint16_t registerCount,
                         QObject* parent)
    : QObject(parent), answered(registerCount)
{
    connect(device, &ModBusDevice::registersRead, this, &PollTracker::registersRead);
    connect(client, &ModBusClient::becameIdle, this, &PollTracker::clientIdle);
}

void PollTracker::registersRead(uint16_t start, uint16_t count)
{
    for (int n = start; n < start + count && n < answered.size(); ++n)
        answered.setBit(n);
}

void PollTracker::clientIdle()
{
    const bool complete = answered.count(true) == answered.size();
    answered.fill(false);
    emit pollEnded(complete);
}
