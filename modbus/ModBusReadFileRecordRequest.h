#ifndef TALVIK_MODBUS_MODBUSREADFILERECORDREQUEST_H
#define TALVIK_MODBUS_MODBUSREADFILERECORDREQUEST_H

#include "modbus/FileRecordReference.h"
#include "modbus/IModBusResponse.h"
#include "modbus/ModBusRequest.h"

#include <cstdint>
#include <vector>

class IModBusResponseListener;

// Function 20: reads one or more file records (sub-requests), each
// `length` registers of a file from a record number on. The data is passed
// on as raw bytes, one fileRecordRead() per sub-request.
class ModBusReadFileRecordRequest : public ModBusRequest, public IModBusResponse
{
public:
    ModBusReadFileRecordRequest(IModBusResponseListener* listener, uint8_t address,
                                uint16_t fileNumber, uint16_t recordNumber, uint16_t recordLength);
    // `count` sub-requests (at least one), copied.
    ModBusReadFileRecordRequest(IModBusResponseListener* listener, uint8_t address,
                                const FileRecordReference* references, uint16_t count);

    void frame(const uint8_t*& data, uint16_t& length) const override;
    uint16_t answerLength() const override;
    void parseResponse(const uint8_t* data, uint16_t length) override;
    ~ModBusReadFileRecordRequest() override;
    void notify(IModBusResponseListener* listener) override;
    IModBusResponseListener* listener() const override;

private:
    Q_DISABLE_COPY(ModBusReadFileRecordRequest)

    void putSubRequest(int index);
    // A request of several sub-requests must get every sub-response's length
    // and reference type as asked; a single one is taken as it comes.
    bool subResponsesMatch(const uint8_t* body) const;
    int recordBytes() const;
    int fullAnswerLength() const;

    std::vector<FileRecordReference> references;
    // The records' bytes, one after the other in the order asked.
    uint8_t* data;
    IModBusResponseListener* responseListener;
};

#endif
