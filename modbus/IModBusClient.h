#ifndef TALVIK_MODBUS_IMODBUSCLIENT_H
#define TALVIK_MODBUS_IMODBUSCLIENT_H

#include <QtPlugin>

#include <cstdint>

class IModBusResponseListener;
struct FileRecordReference;

// The callers' entry to the Modbus master. Each create operation queues one
// request; higher priorities are sent first, equal priorities in order of
// arrival. The listener is not owned and may be null (the result is dropped).
class IModBusClient
{
public:
    virtual void readHoldingRegs(IModBusResponseListener* listener, uint8_t address, uint16_t start,
                                 uint16_t count, int32_t priority) = 0;
    // values: `count` registers in host order, copied before the call returns.
    virtual void writeMultipleRegs(IModBusResponseListener* listener, uint8_t address,
                                   uint16_t start, uint16_t count, const uint16_t* values,
                                   int32_t priority) = 0;
    virtual void readCoils(IModBusResponseListener* listener, uint8_t address, uint16_t start,
                           uint16_t count, int32_t priority) = 0;
    virtual void writeCoil(IModBusResponseListener* listener, uint8_t address, uint16_t coil,
                           bool value, int32_t priority) = 0;
    // recordLength counts 16-bit registers.
    virtual void readFileRecord(IModBusResponseListener* listener, uint8_t address,
                                uint16_t fileNumber, uint16_t recordNumber, uint16_t recordLength,
                                int32_t priority) = 0;
    // Function 20 with `count` sub-requests in one request (copied before the
    // call returns); the listener hears fileRecordRead() once per
    // sub-request, in this order, or one failure for all of them.
    virtual void readFileRecords(IModBusResponseListener* listener, uint8_t address,
                                 const FileRecordReference* references, uint16_t count,
                                 int32_t priority) = 0;
    // Drops every queued request without telling its listener; the outstanding
    // one is left to complete or time out.
    virtual void clearQueue() = 0;

protected:
    ~IModBusClient() = default;
};

Q_DECLARE_INTERFACE(IModBusClient, "talvik.IModBusClient")

#endif
