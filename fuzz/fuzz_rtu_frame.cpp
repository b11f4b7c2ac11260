// Received bytes through the RTU link's frame evaluation, then the client
// hands the frame to each of the five request types as their answer.
//
// Input: flags, two 16-bit request parameters (little-endian), then the
// received bytes. Flag bit 0 appends the frame's correct CRC (so that most
// inputs get past the check and reach the parsers); bit 1 takes the request's
// slave address from the first received byte.
#include "FuzzSupport.h"

#include "modbus/IModBusResponseListener.h"
#include "modbus/ModBusClient.h"
#include "modbus/ModBusRtuLink.h"

#include <vector>

namespace {

// A link without a port: what the fuzzer supplies is taken as received.
class FeedLink : public ModBusRtuLink
{
public:
    FeedLink() : ModBusRtuLink(nullptr) {}
    void receive(const QByteArray& bytes)
    {
        appendReceived(bytes);
        // The line falls silent.
        timeout();
    }
};

class TouchingListener : public IModBusResponseListener
{
public:
    void holdingRegsRead(uint16_t, const uint16_t* values, uint16_t count) override
    {
        touch(values, sizeof(uint16_t) * count);
    }
    void multipleRegsWritten(uint16_t, const uint16_t* values, uint16_t count) override
    {
        touch(values, sizeof(uint16_t) * count);
    }
    void coilsRead(uint16_t, const uint8_t* states, uint16_t count) override
    {
        touch(states, count);
        for (uint16_t i = 0; i < count; ++i) {
            if (states[i] > 1)
                __builtin_trap();
        }
    }
    void coilWritten(uint16_t, bool) override {}
    void fileRecordRead(uint16_t, uint16_t, const uint8_t* data, uint16_t byteCount) override
    {
        touch(data, byteCount);
    }
    void responseTimeout() override {}
    void requestFailed(Failure) override {}
};

void queueRequest(ModBusClient& client, TouchingListener& listener, int type, uint8_t address,
                  uint16_t first, uint16_t second)
{
    switch (type) {
    case 0:
        client.readHoldingRegs(&listener, address, first, second, 0);
        break;
    case 1: {
        const std::vector<uint16_t> values(second, first);
        client.writeMultipleRegs(&listener, address, first, second, values.data(), 1);
        break;
    }
    case 2:
        client.readCoils(&listener, address, first, second, 0);
        break;
    case 3:
        client.writeCoil(&listener, address, first, (second & 1) != 0, 1);
        break;
    default:
        client.readFileRecord(&listener, address, first, static_cast<uint16_t>(first ^ second),
                              second, 0);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ensureApplication();
    FuzzInput input(data, size);
    const uint8_t flags = input.u8();
    const uint16_t first = input.u16();
    const uint16_t second = input.u16();
    QByteArray received = input.rest();
    if (flags & 1) {
        const uint16_t crc = received.size() <= ModBusRtuLink::maxCrcProtectedLength
                                 ? ModBusRtuLink::modbusCrc16(received)
                                 : 0;
        received.append(static_cast<char>(crc >> 8));
        received.append(static_cast<char>(crc & 0xFF));
    }
    const uint8_t address =
        (flags & 2) && !received.isEmpty() ? static_cast<uint8_t>(received.at(0)) : 1;

    for (int type = 0; type < 5; ++type) {
        TouchingListener listener;
        FeedLink link;
        ModBusClient client;
        link.setListener(&client);
        client.setLink(&link);
        queueRequest(client, listener, type, address, first, second);
        link.receive(received);
        // The same bytes again, with nothing outstanding any more.
        link.receive(received);
    }
    return 0;
}
