#ifndef TALVIK_TESTS_SUPPORT_RELAYMASTER_H
#define TALVIK_TESTS_SUPPORT_RELAYMASTER_H

#include "modbus/ModBusClient.h"
#include "modbus/ModBusRtuLink.h"
#include "modbus/ModBusRtuOverTcpLink.h"
#include "modbus/ModBusTcpLink.h"
#include "modbus/TcpConnection.h"
#include "records/ComtradeWriter.h"
#include "records/CrashProcessReader.h"
#include "records/LogReader.h"
#include "relay/ModBusDevice.h"
#include "support/EventWait.h"
#include "support/TestRelay.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

#include <memory>

// The program's Modbus master without its window — link, client, poller and
// both readers — wired to a test relay over the relay's line as the window
// wires them, with the shortest inter-character interval.
class RelayMaster
{
public:
    RelayMaster(TestRelay& target, bool byLength, bool batched) : relay(target)
    {
        switch (relay.line()) {
        case TestRelay::Line::Pty:
            port.setPortName(relay.portName());
            rtuLink.reset(new ModBusRtuLink(&port));
            break;
        case TestRelay::Line::RtuOverTcp:
            rtuOverTcp = new ModBusRtuOverTcpLink;
            rtuLink.reset(rtuOverTcp);
            break;
        case TestRelay::Line::ModbusTcp:
            tcpLink.reset(new ModBusTcpLink);
            break;
        }
        if (rtuLink) {
            rtuLink->setListener(&client);
            rtuLink->setInterCharInterval(40);
            rtuLink->setLengthFraming(byLength);
            client.setLink(rtuLink.get());
        } else {
            tcpLink->setListener(&client);
            client.setLink(tcpLink.get());
        }
        device.setClient(&client);
        crash.setClient(&client);
        crash.setBatchedReads(batched);
        journal.setClient(&client);
        journal.setBatchedReads(batched);
    }

    // The connection of a TCP line; null on the pty.
    TcpConnection* connection() const
    {
        if (rtuOverTcp != nullptr)
            return rtuOverTcp->connection();
        return tcpLink ? tcpLink->connection() : nullptr;
    }

    // Opens the port or connects, as the window does before it polls.
    bool open()
    {
        if (connection() == nullptr)
            return port.open(QIODevice::ReadWrite);
        QSignalSpy opened(connection(), &TcpConnection::opened);
        connection()->open(QHostAddress(QHostAddress::LocalHost).toString(), relay.tcpPort());
        return opened.wait(TcpConnection::connectTimeoutMs + 2000);
    }

    bool readHeaders()
    {
        return run(crash, &CrashProcessReader::headersReadingFinished,
                   &CrashProcessReader::recordReadingFailed, [this] { crash.readHeaders(1); });
    }

    bool readRecord(int index)
    {
        return run(crash, &CrashProcessReader::recordReadingFinished,
                   &CrashProcessReader::recordReadingFailed,
                   [this, index] { crash.readCrashProcess(1, static_cast<uint16_t>(index)); });
    }

    bool readJournal()
    {
        return run(journal, &LogReader::logReadingFinished, &LogReader::logReadingFailed,
                   [this] { journal.readRecords(1); });
    }

    // The COMTRADE pair of a record read, one file after the other.
    QByteArray exported(int index) const
    {
        QBuffer cfg;
        QBuffer dat;
        cfg.open(QIODevice::WriteOnly);
        dat.open(QIODevice::WriteOnly);
        if (crash.samples(index) == nullptr ||
            !ComtradeWriter::writeCfg(cfg, *crash.header(index)) ||
            !ComtradeWriter::writeDat(dat, *crash.header(index), *crash.samples(index)))
            return QByteArray("<not exported>");
        return cfg.data() + dat.data();
    }

    QByteArray csv() const
    {
        QBuffer file;
        file.open(QIODevice::WriteOnly);
        return journal.write(file) ? file.data() : QByteArray("<not written>");
    }

    // One poll of the whole register image.
    bool poll()
    {
        device.refresh();
        QElapsedTimer clock;
        clock.start();
        while ((client.state() != ModBusClient::State::Idle || client.queuedCount() > 0) &&
               clock.elapsed() < 10000)
            eventwait::spin(5);
        return client.state() == ModBusClient::State::Idle;
    }

    // Failure signals the readers gave.
    int failures = 0;

    ModBusClient client;
    ModBusDevice device{RelayMap::coilCount, RelayMap::registerCount};
    CrashProcessReader crash;
    LogReader journal;

private:
    // Starts a reading and waits (bounded) for its end; true when it ended
    // with `done` rather than `failed`.
    template <typename Reader, typename Done, typename Failed, typename Start>
    bool run(Reader& reader, Done done, Failed failed, Start start)
    {
        QSignalSpy finished(&reader, done);
        QSignalSpy gaveUp(&reader, failed);
        start();
        QElapsedTimer clock;
        clock.start();
        while (finished.isEmpty() && gaveUp.isEmpty() && clock.elapsed() < 60000)
            eventwait::spin(5);
        failures += gaveUp.count();
        return !finished.isEmpty();
    }

    TestRelay& relay;
    QSerialPort port;
    std::unique_ptr<ModBusRtuLink> rtuLink;
    ModBusRtuOverTcpLink* rtuOverTcp = nullptr;
    std::unique_ptr<ModBusTcpLink> tcpLink;
};

#endif
