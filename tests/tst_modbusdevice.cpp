#include "relay/ModBusDevice.h"

#include "support/EventWait.h"
#include "support/RecordingModBusClient.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <vector>

namespace {

using Request = RecordingModBusClient::Request;
using Blocks = QVector<QPair<int, int>>;

Blocks readBlocks(const QList<Request>& requests)
{
    Blocks blocks;
    for (const Request& request : requests)
        if (request.function == QLatin1String("readHoldingRegs"))
            blocks.append(qMakePair(request.start, request.count));
    return blocks;
}

} // namespace

class TestModBusDevice : public QObject
{
    Q_OBJECT

private slots:
    void pollReadsImageIn32RegisterBlocks_data();
    void pollReadsImageIn32RegisterBlocks();
    void withoutClientNothingIsQueued();
    void pollEndsWhenEveryReadHasEnded();

    void readAnswerPastImageEndIsIgnored();
    void readAnswerNearTopOfAddressSpaceDoesNotWrap();
    void readsOutsideImagesGiveZero();

    void writeIsQueuedWithPriority1AndCopiedValues();
    void writeDoesNotChangeImageUntilNextPoll();
    void coilEchoUpdatesCoilImage();
    void coilAnswersOutsideImageAreIgnored();

    void startTwiceKeepsOneRunningTimer();
    void timerPollsOncePerPeriodAfterStart();
    void newPeriodTakesEffectOnlyAfterRestart();
    void defaultsBeforeSettingsAreAccepted();
    void nonPositivePeriodIsIgnored();
    void answersToInterfaceNamesInCasts();
};

void TestModBusDevice::pollReadsImageIn32RegisterBlocks_data()
{
    QTest::addColumn<int>("registerCount");
    QTest::addColumn<Blocks>("expected");

    QTest::newRow("85 registers") << 85 << Blocks{{0, 32}, {32, 32}, {64, 21}};
    QTest::newRow("64 registers") << 64 << Blocks{{0, 32}, {32, 32}};
    QTest::newRow("20 registers") << 20 << Blocks{{0, 20}};
    QTest::newRow("33 registers") << 33 << Blocks{{0, 32}, {32, 1}};
    QTest::newRow("no registers") << 0 << Blocks{};
}

void TestModBusDevice::pollReadsImageIn32RegisterBlocks()
{
    QFETCH(int, registerCount);
    QFETCH(Blocks, expected);

    RecordingModBusClient client;
    ModBusDevice device(8, static_cast<uint16_t>(registerCount));
    device.setClient(&client);
    device.setDeviceAddress(17);
    device.refresh();

    QCOMPARE(client.requests.size(), expected.size());
    QCOMPARE(readBlocks(client.requests), expected);
    for (const Request& request : qAsConst(client.requests)) {
        QCOMPARE(request.priority, 0);
        QCOMPARE(request.address, 17);
        // Poll reads have a listener of their own, one for all of them, so
        // that their timeouts are told from those of writes.
        QVERIFY(request.listener != nullptr);
        QVERIFY(request.listener != static_cast<IModBusResponseListener*>(&device));
        QCOMPARE(request.listener, client.requests.first().listener);
    }
}

void TestModBusDevice::pollEndsWhenEveryReadHasEnded()
{
    using ReadFailure = ModBusDevice::ReadFailure;
    RecordingModBusClient client;
    ModBusDevice device(8, 85);
    device.setClient(&client);
    QSignalSpy ended(&device, &ModBusDevice::pollEnded);
    // The image holds the last block's registers by the time the poll ends.
    uint16_t lastRegisterAtEnd = 0;
    connect(&device, &ModBusDevice::pollEnded, this,
            [&] { lastRegisterAtEnd = device.getRegister(84); });
    device.refresh();
    // A coil write's timeout between the reads is not a poll read's.
    device.writeCoil(2, true);
    IModBusResponseListener* reads = client.requests.first().listener;
    std::vector<uint16_t> block(32, 7);

    reads->holdingRegsRead(0, block.data(), 32);
    client.requests.last().listener->responseTimeout();
    reads->responseTimeout();
    QCOMPARE(ended.count(), 0);
    reads->requestFailed(IModBusResponseListener::Failure::Garbled);
    QCOMPARE(ended.count(), 1);
    const auto failed = ended.first().first().value<QVector<ModBusDevice::FailedRead>>();
    QCOMPARE(failed.size(), 2);
    QCOMPARE(failed.at(0).start, uint16_t(32));
    QCOMPARE(failed.at(0).failure, ReadFailure::NoAnswer);
    QCOMPARE(failed.at(1).start, uint16_t(64));
    QCOMPARE(failed.at(1).count, uint16_t(21));
    QCOMPARE(failed.at(1).failure, ReadFailure::Garbled);

    // A poll whose reads all come back ends with nothing failed.
    client.requests.clear();
    device.refresh();
    for (const Request& request : qAsConst(client.requests))
        request.listener->holdingRegsRead(static_cast<uint16_t>(request.start), block.data(),
                                          static_cast<uint16_t>(request.count));
    QCOMPARE(ended.count(), 2);
    QVERIFY(ended.last().first().value<QVector<ModBusDevice::FailedRead>>().isEmpty());
    QCOMPARE(lastRegisterAtEnd, uint16_t(7));
}

void TestModBusDevice::withoutClientNothingIsQueued()
{
    RecordingModBusClient client;
    ModBusDevice device(8, 85);
    device.setClient(&client);
    device.setClient(nullptr);
    device.refresh();
    const uint16_t value = 1;
    device.writeRegisters(71, 1, &value);
    device.writeCoil(0, true);
    QVERIFY(client.requests.isEmpty());
}

void TestModBusDevice::readAnswerPastImageEndIsIgnored()
{
    ModBusDevice device(8, 85);
    std::vector<uint16_t> values(32);
    for (int i = 0; i < 32; ++i)
        values[i] = static_cast<uint16_t>(0x1000 + i);

    device.holdingRegsRead(64, values.data(), 32);

    QCOMPARE(device.getRegister(63), uint16_t(0));
    QCOMPARE(device.getRegister(64), uint16_t(0x1000));
    QCOMPARE(device.getRegister(84), uint16_t(0x1014));
    QCOMPARE(device.getRegister(85), uint16_t(0));
    QCOMPARE(device.getRegister(95), uint16_t(0));
}

void TestModBusDevice::readAnswerNearTopOfAddressSpaceDoesNotWrap()
{
    ModBusDevice device(8, 85);
    const uint16_t values[] = {0xAAAA, 0xBBBB, 0xCCCC};
    device.holdingRegsRead(65534, values, 3);
    QCOMPARE(device.getRegister(0), uint16_t(0));

    const uint8_t states[] = {1, 1, 1};
    device.coilsRead(65534, states, 3);
    QCOMPARE(device.getCoil(0), uint8_t(0));
}

void TestModBusDevice::readsOutsideImagesGiveZero()
{
    ModBusDevice device(8, 85);
    std::vector<uint16_t> values(85, 0xFFFF);
    device.holdingRegsRead(0, values.data(), 85);
    const uint8_t states[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    device.coilsRead(0, states, 8);

    QCOMPARE(device.getRegister(84), uint16_t(0xFFFF));
    QCOMPARE(device.getCoil(7), uint8_t(1));
    QCOMPARE(device.getRegister(85), uint16_t(0));
    QCOMPARE(device.getCoil(8), uint8_t(0));
    QCOMPARE(device.getRegister(65535), uint16_t(0));
}

void TestModBusDevice::writeIsQueuedWithPriority1AndCopiedValues()
{
    RecordingModBusClient client;
    ModBusDevice device(8, 85);
    device.setClient(&client);
    device.setDeviceAddress(5);

    {
        uint16_t temporary[] = {0x1234, 0xABCD};
        device.writeRegisters(40, 2, temporary);
        temporary[0] = 0;
    }
    device.writeCoil(3, true);

    QCOMPARE(client.requests.size(), 2);
    const Request& write = client.requests.at(0);
    QCOMPARE(write.function, QStringLiteral("writeMultipleRegs"));
    QCOMPARE(write.address, 5);
    QCOMPARE(write.start, 40);
    QCOMPARE(write.count, 2);
    QCOMPARE(write.values, (QVector<uint16_t>{0x1234, 0xABCD}));
    QCOMPARE(write.priority, 1);
    QCOMPARE(write.listener, static_cast<IModBusResponseListener*>(&device));

    const Request& coil = client.requests.at(1);
    QCOMPARE(coil.function, QStringLiteral("writeCoil"));
    QCOMPARE(coil.address, 5);
    QCOMPARE(coil.start, 3);
    QCOMPARE(coil.count, 1);
    QCOMPARE(coil.priority, 1);
    QCOMPARE(coil.listener, static_cast<IModBusResponseListener*>(&device));
}

void TestModBusDevice::writeDoesNotChangeImageUntilNextPoll()
{
    RecordingModBusClient client;
    ModBusDevice device(8, 85);
    device.setClient(&client);
    const uint16_t old[] = {300};
    device.holdingRegsRead(20, old, 1);

    const uint16_t value = 450;
    device.writeRegisters(20, 1, &value);
    QCOMPARE(device.getRegister(20), uint16_t(300));

    // The relay confirms the write: still the old value.
    client.requests.at(0).listener->multipleRegsWritten(20, &value, 1);
    QCOMPARE(device.getRegister(20), uint16_t(300));

    // The next poll reads it back.
    device.refresh();
    QCOMPARE(client.requests.at(1).start, 0);
    std::vector<uint16_t> block(32, 0);
    block[20] = 450;
    client.requests.at(1).listener->holdingRegsRead(0, block.data(), 32);
    QCOMPARE(device.getRegister(20), uint16_t(450));
}

void TestModBusDevice::coilEchoUpdatesCoilImage()
{
    RecordingModBusClient client;
    ModBusDevice device(8, 85);
    device.setClient(&client);

    device.writeCoil(3, true);
    QCOMPARE(device.getCoil(3), uint8_t(0));
    client.requests.at(0).listener->coilWritten(3, true);
    QCOMPARE(device.getCoil(3), uint8_t(1));

    device.writeCoil(3, false);
    QCOMPARE(client.requests.at(1).count, 0);
    QCOMPARE(device.getCoil(3), uint8_t(1));
    client.requests.at(1).listener->coilWritten(3, false);
    QCOMPARE(device.getCoil(3), uint8_t(0));

    for (uint16_t n = 0; n < 8; ++n)
        QCOMPARE(device.getCoil(n), uint8_t(0));
}

void TestModBusDevice::coilAnswersOutsideImageAreIgnored()
{
    ModBusDevice device(8, 85);
    device.coilWritten(8, true);
    const uint8_t states[] = {1, 0, 1, 1};
    device.coilsRead(6, states, 4);

    QCOMPARE(device.getCoil(6), uint8_t(1));
    QCOMPARE(device.getCoil(7), uint8_t(0));
    QCOMPARE(device.getCoil(8), uint8_t(0));
    for (uint16_t n = 0; n < 6; ++n)
        QCOMPARE(device.getCoil(n), uint8_t(0));
}

void TestModBusDevice::startTwiceKeepsOneRunningTimer()
{
    ModBusDevice device(8, 85);
    device.setPeriod(1000);
    device.start();
    device.start();

    const QList<QTimer*> timers = device.findChildren<QTimer*>();
    QCOMPARE(timers.size(), 1);
    QVERIFY(timers.first()->isActive());
    QVERIFY(!timers.first()->isSingleShot());
    QCOMPARE(timers.first()->interval(), 1000);

    device.stop();
    device.stop();
    QVERIFY(!timers.first()->isActive());
}

void TestModBusDevice::timerPollsOncePerPeriodAfterStart()
{
    RecordingModBusClient client;
    ModBusDevice device(8, 85);
    device.setClient(&client);
    device.setPeriod(20);
    device.start();
    // Nothing is sent at start: the first poll comes one period later.
    QVERIFY(client.requests.isEmpty());

    QTimer* timer = device.findChild<QTimer*>();
    QSignalSpy ticks(timer, &QTimer::timeout);
    QVERIFY(ticks.wait(1000));
    QCOMPARE(client.requests.size(), 3);
    QVERIFY(ticks.wait(1000));
    QCOMPARE(client.requests.size(), 6);

    device.stop();
    eventwait::spin(60);
    QCOMPARE(client.requests.size(), 6);
}

void TestModBusDevice::newPeriodTakesEffectOnlyAfterRestart()
{
    ModBusDevice device(8, 85);
    device.setPeriod(2000);
    device.start();
    QTimer* timer = device.findChild<QTimer*>();

    device.setPeriod(5000);
    device.start();
    QCOMPARE(timer->interval(), 2000);

    device.stop();
    device.start();
    QCOMPARE(timer->interval(), 5000);
}

void TestModBusDevice::defaultsBeforeSettingsAreAccepted()
{
    RecordingModBusClient client;
    ModBusDevice device(8, 85);
    device.setClient(&client);
    device.start();
    device.refresh();

    QCOMPARE(device.findChild<QTimer*>()->interval(), 1000);
    QCOMPARE(client.requests.first().address, 1);
}

void TestModBusDevice::nonPositivePeriodIsIgnored()
{
    ModBusDevice device(8, 85);
    device.setPeriod(3000);
    device.setPeriod(0);
    device.setPeriod(-5);
    device.start();
    QCOMPARE(device.findChild<QTimer*>()->interval(), 3000);
}

void TestModBusDevice::answersToInterfaceNamesInCasts()
{
    ModBusDevice device(8, 85);
    QObject* object = &device;
    QCOMPARE(qobject_cast<IModBusDev*>(object), static_cast<IModBusDev*>(&device));
    QCOMPARE(qobject_cast<IModBusResponseListener*>(object),
             static_cast<IModBusResponseListener*>(&device));
    QVERIFY(object->inherits("IModBusDev"));
    QVERIFY(object->inherits("IModBusResponseListener"));
    QVERIFY(device.metaObject()->indexOfSignal("pollErrors()") >= 0);
}

QTEST_GUILESS_MAIN(TestModBusDevice)

#include "tst_modbusdevice.moc"
