#ifndef TALVIK_MODBUS_FILERECORDREFERENCE_H
#define TALVIK_MODBUS_FILERECORDREFERENCE_H

#include <cstdint>

// One sub-request of a function 20 read: `length` registers of file `file`
// from record number `record` on.
struct FileRecordReference
{
    uint16_t file = 0;
    uint16_t record = 0;
    uint16_t length = 0;
};

// Modbus limits the response data of a function 20 answer to 0xF5 bytes
// (the whole answer then fits the 256-byte frame of the serial line). Each
// sub-response takes its length byte, its reference type and its record.
constexpr int maxFileRecordResponseData = 0xF5;

constexpr int fileRecordResponseSize(int recordLength)
{
    return 2 + 2 * recordLength;
}

#endif
