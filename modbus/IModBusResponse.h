#ifndef TALVIK_MODBUS_IMODBUSRESPONSE_H
#define TALVIK_MODBUS_IMODBUSRESPONSE_H

class IModBusResponseListener;

// The result side of a request: hands what the relay answered to a caller.
class IModBusResponse
{
public:
    // Calls the listener's operation for the request's function, or its
    // requestFailed() when the relay answered with an exception or an answer
    // too short for the request.
    virtual void notify(IModBusResponseListener* listener) = 0;
    // The caller that asked for the request; may be null.
    virtual IModBusResponseListener* listener() const = 0;

protected:
    ~IModBusResponse() = default;
};

#endif
