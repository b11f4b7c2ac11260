#ifndef TALVIK_MODBUS_IMODBUSRESPONSELISTENER_H
#define TALVIK_MODBUS_IMODBUSRESPONSELISTENER_H

#include <QtPlugin>

#include <cstdint>

// Callback interface of every caller of the Modbus master. Pointers handed to
// a listener are valid only during the call: the request that owns them is
// deleted right after it returns.
class IModBusResponseListener
{
public:
    // Function 3 completed.
    virtual void holdingRegsRead(uint16_t start, const uint16_t* values, uint16_t count) = 0;
    // Function 16 completed; values are the values that were written.
    virtual void multipleRegsWritten(uint16_t start, const uint16_t* values, uint16_t count) = 0;
    // Function 1 completed; states are 0 or 1, one per coil.
    virtual void coilsRead(uint16_t start, const uint8_t* states, uint16_t count) = 0;
    // Function 5 completed; both values come from the relay's echo.
    virtual void coilWritten(uint16_t coil, bool value) = 0;
    // Function 20 completed; byteCount = 2 x record length.
    virtual void fileRecordRead(uint16_t fileNumber, uint16_t recordNumber, const uint8_t* data,
                                uint16_t byteCount) = 0;
    // The relay did not answer in time.
    virtual void responseTimeout() = 0;
    // A request failed without a timeout; the client itself never calls it.
    virtual void requestFailed() = 0;

protected:
    ~IModBusResponseListener() = default;
};

Q_DECLARE_INTERFACE(IModBusResponseListener, "talvik.IModBusResponseListener")

#endif
