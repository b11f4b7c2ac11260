#ifndef TALVIK_DEVICE_RELAYCONNECTION_H
#define TALVIK_DEVICE_RELAYCONNECTION_H

#include <QObject>
#include <QString>

#include <cstdint>

class ConfigFile;
class CrashProcessReader;
class DemoRTULink;
class LogReader;
class ModBusClient;
class ModBusDevice;
class ModBusRtuLink;
class QSerialPort;

// Everything that talks to the relay, built and wired once: the serial port,
// the RTU link on it, the demo relay, the client, the register poller, the
// settings file and the two record readers. The window and the command line
// both run on one of these, so connecting, polling and reading are the same
// code for both.
//
// Nothing is opened or polled at construction; the client starts on the RTU
// link and the port has no name until configure().
class RelayConnection : public QObject
{
    Q_OBJECT

public:
    // The connection dialog's defaults.
    static constexpr qint32 defaultBaudRate = 19200;
    static constexpr uint8_t defaultDeviceAddress = 1;
    static constexpr int defaultPollPeriodMs = 1000;
    static constexpr int defaultCharInterval = 100;

    struct Settings
    {
        QString portName;
        qint32 baudRate = defaultBaudRate;
        uint8_t deviceAddress = defaultDeviceAddress;
        int pollPeriodMs = defaultPollPeriodMs;
        // Milliseconds of line silence that end an answer.
        int charInterval = defaultCharInterval;
        // The demo relay answers instead of the serial line.
        bool demo = false;
    };

    // Record readings in progress; polling is suspended by the first to
    // begin and resumed when the last one ends.
    enum Reading
    {
        CrashReading = 0x1,
        JournalReading = 0x2
    };

    explicit RelayConnection(QObject* parent = nullptr);
    ~RelayConnection() override;

    // Pushes the settings to the port (8N1, no flow control), the poller,
    // the link and the client. An open port is not reopened: a new name
    // takes effect at the next opening.
    void configure(const Settings& newSettings);
    const Settings& settings() const { return current; }

    // The check before anything that talks to the relay: true in demo mode
    // (no port needed), or when the port is open or opens now.
    bool openPort(bool demoMode);
    void closePort();

    bool isPolling() const { return polling; }
    // The poller's first read comes one period later; running polling is
    // left alone.
    void startPolling();
    // Stops the poller and drops the requests not yet sent (the one on the
    // line completes or times out).
    void stopPolling(bool closePort);

    void beginReading(Reading reading);
    void endReading(Reading reading);
    bool isReading(Reading reading) const { return (activeReadings & reading) != 0; }

    QSerialPort* port() const { return serialPort; }
    ModBusClient* client() const { return modbusClient; }
    ModBusDevice* device() const { return poller; }
    ConfigFile* configFile() const { return settingsFile; }
    CrashProcessReader* crashReader() const { return recordReader; }
    LogReader* logReader() const { return journalReader; }

signals:
    // The first reading has stopped polling; the port stays open for it.
    void pollingSuspended();
    // The last reading has ended and polling was on before the first: the
    // owner starts it again.
    void pollingResumeDue();

private:
    Q_DISABLE_COPY(RelayConnection)

    Settings current;
    QSerialPort* serialPort = nullptr;
    ModBusRtuLink* rtuLink = nullptr;
    DemoRTULink* demoLink = nullptr;
    ModBusClient* modbusClient = nullptr;
    ModBusDevice* poller = nullptr;
    ConfigFile* settingsFile = nullptr;
    CrashProcessReader* recordReader = nullptr;
    LogReader* journalReader = nullptr;
    bool polling = false;
    bool wasPolling = false;
    int activeReadings = 0;
};

#endif
