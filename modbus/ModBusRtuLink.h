#ifndef TALVIK_MODBUS_MODBUSRTULINK_H
#define TALVIK_MODBUS_MODBUSRTULINK_H

#include "modbus/IModBusRTULink.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>

class IModBusRTUResponseListener;
class QSerialPort;
class QTimer;

// Modbus RTU framing over a serial port: appends the CRC to outgoing bodies,
// gathers reply bytes until the line falls silent, checks length and CRC and
// hands the body on. Matching replies to requests is the client's business.
//
// With frame end by length on, an answer that has exactly the length the
// request awaits (or is an exception answer) and a good CRC ends at once,
// without waiting for the silence; anything else still ends by silence. The
// next request then waits out the bus turnaround. Subclasses put the same
// framing on another line by overriding the line hooks.
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
    // Off by default: frames end only by silence.
    void setLengthFraming(bool on);
    bool lengthFraming() const { return byLength; }
    // The line's rate for the turnaround where the link has no serial port
    // to ask (a serial gateway's line).
    void setBaudRate(int baudRate);

    void send(const uint8_t* data, uint16_t length) override;
    void clear() override;
    void expectAnswer(uint16_t length) override;
    bool tellsAnswersApart() const override { return false; }

    // CRC-16/MODBUS as the classic two-table routine computes it: the result's
    // high byte is the one sent first (the standard CRC's low byte). Bodies of
    // more than 255 bytes are not protected: their CRC field is 0x0000.
    static uint16_t modbusCrc16(const QByteArray& data);

    // The silence a slave needs between the end of an answer and the next
    // request: 3.5 characters of 11 bits, fixed above 19200 baud.
    static int turnaroundMicroseconds(int baudRate);

    static constexpr int maxCrcProtectedLength = 255;
    static constexpr int defaultInterCharInterval = 100;
    static constexpr int defaultBaudRate = 19200;

public slots:
    void timeout();
    void readyRead();

protected:
    // Adds received bytes to the frame being gathered; ends it at once when
    // it is complete by length, otherwise restarts the silence timer.
    void appendReceived(const QByteArray& bytes);

    // The line under the framing: the serial port here.
    virtual bool lineOpen() const;
    virtual void writeLine(const QByteArray& frame);
    virtual void flushLine();
    virtual int lineBaudRate() const;
    virtual const char* closedLineMessage() const;

    // Named apart from the listener() getter; receives frames and link errors.
    IModBusRTUResponseListener* rtuListener = nullptr;
    QSerialPort* port = nullptr;
    QTimer* interCharTimer = nullptr;
    QByteArray rxBuffer;
    int interCharInterval = defaultInterCharInterval;

private:
    Q_DISABLE_COPY(ModBusRtuLink)

    void evaluateFrame(QByteArray& frame);
    bool endFrameByLength();
    // Wire length (CRC included) of the answer the buffer starts, or 0.
    int awaitedWireLength() const;
    void writeNow(const QByteArray& frame);
    void writeAfterTurnaround();

    bool byLength = false;
    int baud = defaultBaudRate;
    // Answer body length the outstanding request awaits; 0 for none.
    uint16_t expectedLength = 0;
    QElapsedTimer lastByteClock;
    QTimer* turnaroundTimer = nullptr;
    QList<QByteArray> framesToSend;
};

#endif
