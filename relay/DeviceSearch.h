#ifndef TALVIK_RELAY_DEVICESEARCH_H
#define TALVIK_RELAY_DEVICESEARCH_H

#include "modbus/IModBusRTUResponseListener.h"
#include "relay/LineLimits.h"

#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>
#include <iterator>

class ModBusRtuLink;
class QSerialPort;
class QTimer;

// Looks for relays on a serial port: at each speed, one read of register 0
// from each address in turn. A probe waits only a little longer than the
// request and its answer take on the wire, so a silent address costs tens of
// milliseconds, not the client's usual second. Any frame with a good CRC
// from the probed address counts, an exception answer too: a relay is there.
class DeviceSearch : public QObject, public IModBusRTUResponseListener
{
    Q_OBJECT
    Q_INTERFACES(IModBusRTUResponseListener)

public:
    struct Found
    {
        int address;
        int baudRate;
    };

    explicit DeviceSearch(QObject* parent = nullptr);
    ~DeviceSearch() override;

    // False, with errorText(), when the port does not open.
    bool start(const QString& portName,
               const QList<int>& baudRates = {std::begin(LineLimits::baudRates),
                                              std::end(LineLimits::baudRates)},
               int firstAddress = LineLimits::minAddress, int lastAddress = LineLimits::maxAddress);
    void cancel();
    bool isRunning() const { return running; }
    QString errorText() const { return portError; }
    QList<Found> found() const { return relays; }
    int probeCount() const { return probesTotal; }
    int probesDone() const { return probed; }
    int currentBaudRate() const;
    int currentAddress() const { return address; }

    // How long one probe waits at a speed: the request and the answer on the
    // wire (10 bits a character), the silence that ends the answer and the
    // time a relay takes to turn round.
    static int probeTimeoutMs(int baudRate);
    static int frameSilenceMs(int baudRate);

    void frameReceived(const uint8_t* data, uint16_t length) override;
    void linkError() override;

signals:
    void progress(int done, int total);
    void relayFound(int address, int baudRate);
    // After the last probe, or after cancel().
    void finished();

private:
    Q_DISABLE_COPY(DeviceSearch)

    void probe();
    void probeEnded();
    void stop();

    QSerialPort* port;
    ModBusRtuLink* link;
    QTimer* probeTimer;
    QList<int> speeds;
    int speedIndex = 0;
    int first = 1;
    int last = LineLimits::maxAddress;
    int address = 1;
    int probesTotal = 0;
    int probed = 0;
    bool running = false;
    QString portError;
    QList<Found> relays;
};

#endif
