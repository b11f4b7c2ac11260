#ifndef TALVIK_MODBUS_IMODBUSRESPONSELISTENER_H
#define TALVIK_MODBUS_IMODBUSRESPONSELISTENER_H

#include <QtPlugin>

#include <cstdint>

// Callback interface of every caller of the Modbus master. Every request ends
// exactly once toward its listener: with its answer, responseTimeout() or
// requestFailed(). Pointers handed to a listener are valid only during the
// call: the request that owns them is deleted right after it returns.
class IModBusResponseListener
{
public:
    // Why a request ended without a usable answer.
    enum class Failure
    {
        // The relay refused the request with an exception answer.
        Exception,
        // An answer with a good CRC that is too short for the request.
        WrongLength,
        // The line garbled the answer (bad CRC, a frame too short to be one),
        // reported once the client's pause after the error has passed.
        Garbled,
        // Another slave address answered.
        OtherSlave
    };

    // Function 3 completed.
    virtual void holdingRegsRead(uint16_t start, const uint16_t* values, uint16_t count) = 0;
    // Function 16 completed; values are the values that were written.
    virtual void multipleRegsWritten(uint16_t start, const uint16_t* values, uint16_t count) = 0;
    // Function 1 completed; states are 0 or 1, one per coil.
    virtual void coilsRead(uint16_t start, const uint8_t* states, uint16_t count) = 0;
    // Function 5 completed; both values come from the relay's echo.
    virtual void coilWritten(uint16_t coil, bool value) = 0;
    // Function 20 completed; byteCount = 2 x record length. A request of
    // several sub-requests calls it once for each, in the order asked.
    virtual void fileRecordRead(uint16_t fileNumber, uint16_t recordNumber, const uint8_t* data,
                                uint16_t byteCount) = 0;
    // The relay did not answer in time.
    virtual void responseTimeout() = 0;
    // The request failed without a timeout.
    virtual void requestFailed(Failure failure) = 0;

protected:
    ~IModBusResponseListener() = default;
};

Q_DECLARE_INTERFACE(IModBusResponseListener, "talvik.IModBusResponseListener")

#endif
