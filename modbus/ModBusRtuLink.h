#ifndef TALVIK_MODBUS_MODBUSRTULINK_H
#define TALVIK_MODBUS_MODBUSRTULINK_H

#include "modbus/IModBusRTULink.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>

class IModBusRTUResponseListener;
class QSerialPort;
class QTimer;

// Modbus RTU framing over a serial port: appends the CRC to outgoing bodies,
// gathers reply bytes until the line falls silent, checks length and CRC and
// hands the body on. Matching replies to requests is the client's business.
class ModBusRtuLink : public QObject, public IModBusRTULink
{
    Q_OBJECT
    Q_INTERFACES(IModBusRTULink)

public:
    // The port is not owned and may be null (the demo link has none).
    explicit ModBusRtuLink(QSerialPort* port);
    ~ModBusRtuLink() override;

    void setListener(IModBusRTUResponseListener* newListener);
    IModBusRTUResponseListener* listener() const { return rtuListener; }
    void setInterCharInterval(int milliseconds);
    int interCharIntervalMs() const { return interCharInterval; }

    void send(const uint8_t* data, uint16_t length) override;
    void clear() override;

    // CRC-16/MODBUS as the classic two-table routine computes it: the result's
    // high byte is the one sent first (the standard CRC's low byte). Bodies of
    // more than 255 bytes are not protected: their CRC field is 0x0000.
    static uint16_t modbusCrc16(const QByteArray& data);
    // Upper-case two-digit bytes joined by single spaces, as the log shows frames.
    static QString hexDump(const uint8_t* data, int length);

    static constexpr int maxCrcProtectedLength = 255;
    static constexpr int defaultInterCharInterval = 100;

public slots:
    void timeout();
    void readyRead();

protected:
    // Adds received bytes to the frame being gathered and restarts the silence timer.
    void appendReceived(const QByteArray& bytes);
    static QByteArray localHex(const uint8_t* data, int length);

    // Named apart from the listener() getter; receives frames and link errors.
    IModBusRTUResponseListener* rtuListener = nullptr;
    QSerialPort* port = nullptr;
    QTimer* interCharTimer = nullptr;
    QByteArray rxBuffer;
    int interCharInterval = defaultInterCharInterval;

private:
    Q_DISABLE_COPY(ModBusRtuLink)

    void evaluateFrame(QByteArray& frame);
};

#endif
