#ifndef TALVIK_MODBUS_MODBUSTCPLINK_H
#define TALVIK_MODBUS_MODBUSTCPLINK_H

#include "modbus/IModBusRTULink.h"

#include <QByteArray>
#include <QObject>

#include <cstdint>

class IModBusRTUResponseListener;
class TcpConnection;

// Modbus TCP: each request body goes out behind an MBAP header (transaction
// id, protocol 0, length, and the slave address as the unit id) instead of
// the serial line's CRC, and each answer is cut from the stream by the
// length in its header. An answer whose transaction id is not that of the
// request outstanding (a late answer to an earlier one) is dropped: the
// serial line cannot tell such an answer from the right one.
class ModBusTcpLink : public QObject, public IModBusRTULink
{
    Q_OBJECT
    Q_INTERFACES(IModBusRTULink)

public:
    ModBusTcpLink();
    ~ModBusTcpLink() override;

    void setListener(IModBusRTUResponseListener* newListener);
    IModBusRTUResponseListener* listener() const { return rtuListener; }
    TcpConnection* connection() const { return tcp; }

    void send(const uint8_t* data, uint16_t length) override;
    void clear() override;
    void expectAnswer(uint16_t length) override;
    bool tellsAnswersApart() const override { return true; }

    // Transaction id, protocol id and length precede the unit id.
    static constexpr int mbapHeaderSize = 6;
    // Unit id and the longest PDU.
    static constexpr int maxMbapLength = 254;

private:
    Q_DISABLE_COPY(ModBusTcpLink)

    void received(const QByteArray& bytes);
    // Delivers every whole answer in the buffer; false when the stream is
    // garbled (and the buffer dropped).
    bool takeAnswers();
    void evaluateAnswer(const QByteArray& adu);

    IModBusRTUResponseListener* rtuListener = nullptr;
    TcpConnection* tcp;
    QByteArray rxBuffer;
    uint16_t transactionId = 0;
    // True while the request with transactionId waits for its answer.
    bool awaiting = false;
};

#endif
