#include "base/Logger.h"
#include "modbus/FileRecordReference.h"
#include "modbus/ModBusClient.h"
#include "modbus/ModBusRtuLink.h"
#include "support/EventWait.h"
#include "support/LogCapture.h"
#include "support/PtyPair.h"
#include "support/RecordingResponseListener.h"
#include "support/RecordingRtuLink.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QTest>
#include <QTimer>

#include <initializer_list>

namespace {

void deliver(ModBusClient& client, const QByteArray& body)
{
    client.frameReceived(reinterpret_cast<const uint8_t*>(body.constData()),
                         static_cast<uint16_t>(body.size()));
}

// The read request of register `start` (count 1) from slave 1, as it goes out.
QByteArray readFrame(int start)
{
    QByteArray frame = QByteArray::fromHex("01030000");
    frame[2] = static_cast<char>(start >> 8);
    frame[3] = static_cast<char>(start & 0xFF);
    return frame + QByteArray::fromHex("0001");
}

bool anyTimerRunning(const ModBusClient& client)
{
    for (const QTimer* timer : client.findChildren<QTimer*>())
        if (timer->isActive())
            return true;
    return false;
}

// Issues a further read from inside its callback, as the readers do.
class ChainingListener : public RecordingResponseListener
{
public:
    explicit ChainingListener(ModBusClient& owner) : client(owner) {}
    void holdingRegsRead(uint16_t start, const uint16_t* values, uint16_t count) override
    {
        RecordingResponseListener::holdingRegsRead(start, values, count);
        if (start < 2)
            client.readHoldingRegs(this, 1, static_cast<uint16_t>(start + 1), 1, 0);
    }

private:
    ModBusClient& client;
};

// Stands for a listener that opens a modal box from its callback: while the
// box's event loop runs, the line delivers another frame and a garbled one.
class ReenteringListener : public RecordingResponseListener
{
public:
    explicit ReenteringListener(ModBusClient& owner) : client(owner) {}
    void holdingRegsRead(uint16_t start, const uint16_t* values, uint16_t count) override
    {
        RecordingResponseListener::holdingRegsRead(start, values, count);
        deliver(client, QByteArray::fromHex("0103020007"));
        client.linkError();
        valuesAfterReentry = values[0];
    }
    int valuesAfterReentry = -1;

private:
    ModBusClient& client;
};

// Reads register i (count 1, priority 0) from slave 1 for listener i.
void readRegisters(ModBusClient& client,
                   std::initializer_list<RecordingResponseListener*> listeners)
{
    uint16_t start = 0;
    for (RecordingResponseListener* listener : listeners)
        client.readHoldingRegs(listener, 1, start++, 1, 0);
}

// A client whose requests go out over a link that records them.
struct WiredClient
{
    WiredClient() { client.setLink(&link); }
    RecordingRtuLink link;
    ModBusClient client;
};

// After a link error the request sent at the end of the pause holds the line:
// its answer reaches `second` and lets the read of register 2 go out, whose
// answer reaches `third`; the request lost to the error heard of it once.
void answerSecondThenThird(WiredClient& wired, const RecordingResponseListener& lost,
                           const RecordingResponseListener& second,
                           const RecordingResponseListener& third, int value)
{
    QByteArray answer = QByteArray::fromHex("0103020000");
    answer[4] = static_cast<char>(value);
    deliver(wired.client, answer);
    QCOMPARE(second.calls.size(), 1);
    QCOMPARE(second.calls.first().values, QVector<int>{value});
    QCOMPARE(wired.link.sent.size(), 3);
    QCOMPARE(wired.link.sent.at(2), readFrame(2));
    answer[4] = static_cast<char>(value + 1);
    deliver(wired.client, answer);
    QCOMPARE(third.calls.size(), 1);
    QCOMPARE(lost.names(), QStringList{QStringLiteral("requestFailed")});
}

// The single call a request that ended without its answer made.
QString failureOf(const RecordingResponseListener& listener)
{
    if (listener.calls.size() != 1 || listener.calls.first().name != "requestFailed")
        return listener.names().join(QLatin1Char(','));
    switch (static_cast<IModBusResponseListener::Failure>(listener.calls.first().start)) {
    case IModBusResponseListener::Failure::Exception:
        return QStringLiteral("exception");
    case IModBusResponseListener::Failure::WrongLength:
        return QStringLiteral("wrong length");
    case IModBusResponseListener::Failure::Garbled:
        return QStringLiteral("garbled");
    case IModBusResponseListener::Failure::OtherSlave:
        return QStringLiteral("other slave");
    }
    return QString();
}

// Retries its read for `retry` from inside responseTimeout(), and meanwhile
// (as a modal box's event loop would) the line delivers the retry's answer.
class RetryingListener : public RecordingResponseListener
{
public:
    RetryingListener(ModBusClient& owner, RecordingResponseListener& retryListener)
        : client(owner), retry(retryListener)
    {
    }
    void responseTimeout() override
    {
        RecordingResponseListener::responseTimeout();
        client.readHoldingRegs(&retry, 1, 0, 1, 0);
        deliver(client, QByteArray::fromHex("0103020009"));
    }

private:
    ModBusClient& client;
    RecordingResponseListener& retry;
};

// Keeps what happens on the line in one list, in order.
class OrderedLink : public IModBusRTULink
{
public:
    void send(const uint8_t* data, uint16_t length) override
    {
        events << QStringLiteral("send ") +
                      QString::fromLatin1(
                          QByteArray(reinterpret_cast<const char*>(data), length).toHex());
    }
    void clear() override { events << QStringLiteral("clear"); }
    void expectAnswer(uint16_t length) override
    {
        events << QStringLiteral("expect %1").arg(length);
    }
    bool tellsAnswersApart() const override { return false; }
    QStringList events;
};

// Sends its read again from inside requestFailed(), as the readers do.
class ResendingListener : public RecordingResponseListener
{
public:
    explicit ResendingListener(ModBusClient& owner) : client(owner) {}
    void requestFailed(Failure failure) override
    {
        RecordingResponseListener::requestFailed(failure);
        client.readHoldingRegs(this, 1, 0, 1, 0);
    }

private:
    ModBusClient& client;
};

} // namespace

class TestModBusClient : public QObject
{
    Q_OBJECT

private slots:
    void answersToItsInterfaceNames();
    void createOperationsSendTheirFrames_data();
    void createOperationsSendTheirFrames();
    void createWithoutLinkQueuesNothing();
    void firstRequestIsSentBeforeCreateReturns();
    void higherPrioritySentFirstEqualInArrivalOrder_data();
    void higherPrioritySentFirstEqualInArrivalOrder();

    void fullTransactionOverRealLink();
    void exceptionReplyIsLoggedEndsAsRefusedAndQueueMovesOn();
    void replyFromOtherAddressEndsRequestAtOnce();
    void timeoutNotifiesOnceAndSendsNext();
    void listenerRequestsFromCallbackAreQueuedThenSent();
    void framesDuringDeliveryLeaveTheDeliveredRequestAlone();
    void clearQueueLeavesOutstandingRequestToFinish();
    void linkSwitchTakesEffectAtNextRequest();
    void requestLeftWithoutLinkTimesOut();

    void linkErrorPausesThenEndsRequestClearsLinkAndSendsNext();
    void secondLinkErrorDoesNotLengthenPause();
    void requestIntoEmptyQueueDuringPauseWaitsForPauseEnd();
    void requestsIntoNonEmptyQueueDuringPauseWaitForPauseEnd();
    void strayFrameDuringPauseIsDroppedAndQueueWaitsForPauseEnd();
    void destroyingClientFreesQueuedAndOutstanding();

    void linkIsToldTheAnswerLengthOfEachRequest_data();
    void linkIsToldTheAnswerLengthOfEachRequest();
    void timeoutTellsLinkNothingIsAwaited();
    void severalFileRecordsGoOutAsOneRequest();
    void lateAnswerReachesNeitherTheRetryNorTheTimedOutRequest();
    void afterTimeoutNextRequestWaitsForLateAnswer_data();
    void afterTimeoutNextRequestWaitsForLateAnswer();
    void unaskedFrameHoldsTheNextRequestBack();
    void garbledRequestIsResentOnTheClearedLineAfterThePause();
};

void TestModBusClient::answersToItsInterfaceNames()
{
    ModBusClient client;
    QObject* object = &client;
    QVERIFY(qobject_cast<IModBusClient*>(object) == static_cast<IModBusClient*>(&client));
    QVERIFY(qobject_cast<IModBusRTUResponseListener*>(object) ==
            static_cast<IModBusRTUResponseListener*>(&client));
    QVERIFY(client.parent() == nullptr);
    QCOMPARE(client.state(), ModBusClient::State::Idle);
}

void TestModBusClient::createOperationsSendTheirFrames_data()
{
    QTest::addColumn<int>("function");
    QTest::addColumn<QByteArray>("frame");

    QTest::newRow("readHoldingRegs") << 3 << QByteArray::fromHex("07030102000a");
    QTest::newRow("writeMultipleRegs") << 16 << QByteArray::fromHex("0710010200020412345678");
    QTest::newRow("readCoils") << 1 << QByteArray::fromHex("07010102000a");
    QTest::newRow("writeCoil") << 5 << QByteArray::fromHex("07050102ff00");
    QTest::newRow("readFileRecord") << 20 << QByteArray::fromHex("07140706010200140007");
}

void TestModBusClient::createOperationsSendTheirFrames()
{
    QFETCH(int, function);
    QFETCH(QByteArray, frame);

    WiredClient wired;
    auto& [link, client] = wired;
    RecordingResponseListener listener;
    const uint16_t values[] = {0x1234, 0x5678};
    switch (function) {
    case 3:
        client.readHoldingRegs(&listener, 7, 0x0102, 10, 0);
        break;
    case 16:
        client.writeMultipleRegs(&listener, 7, 0x0102, 2, values, 1);
        break;
    case 1:
        client.readCoils(&listener, 7, 0x0102, 10, 0);
        break;
    case 5:
        client.writeCoil(&listener, 7, 0x0102, true, 1);
        break;
    case 20:
        client.readFileRecord(&listener, 7, 0x0102, 20, 7, 0);
        break;
    }
    QCOMPARE(link.sent, QList<QByteArray>{frame});
}

void TestModBusClient::createWithoutLinkQueuesNothing()
{
    LogCapture log(static_cast<int>(LogLevel::Debug));
    ModBusClient client;
    RecordingResponseListener listener;
    const uint16_t value = 1;
    client.readHoldingRegs(&listener, 1, 0, 1, 0);
    client.writeMultipleRegs(&listener, 1, 0, 1, &value, 1);
    client.readCoils(&listener, 1, 0, 1, 0);
    client.writeCoil(&listener, 1, 0, true, 1);
    client.readFileRecord(&listener, 1, 0, 0, 20, 0);
    QCOMPARE(log.lines(), QStringList());
    QCOMPARE(client.queuedCount(), 0);
    QCOMPARE(client.state(), ModBusClient::State::Idle);

    // Nothing was kept back to go out once a link appears.
    RecordingRtuLink link;
    client.setLink(&link);
    client.start();
    QVERIFY(link.sent.isEmpty());
}

void TestModBusClient::firstRequestIsSentBeforeCreateReturns()
{
    WiredClient wired;
    auto& [link, client] = wired;
    client.readHoldingRegs(nullptr, 1, 0, 2, 0);
    QCOMPARE(link.sent, QList<QByteArray>{QByteArray::fromHex("010300000002")});
    QCOMPARE(client.state(), ModBusClient::State::Waiting);

    // Behind an outstanding request the next one waits.
    client.readHoldingRegs(nullptr, 1, 32, 2, 0);
    QCOMPARE(link.sent.size(), 1);
    QCOMPARE(client.queuedCount(), 1);
}

void TestModBusClient::higherPrioritySentFirstEqualInArrivalOrder_data()
{
    QTest::addColumn<QList<int>>("priorities");
    QTest::addColumn<QList<int>>("order");

    QTest::newRow("0, 0, 1") << QList<int>{0, 0, 1} << QList<int>{2, 0, 1};
    QTest::newRow("signed comparison") << QList<int>{-1, 0, 2, 0, -1} << QList<int>{2, 1, 3, 0, 4};
    QTest::newRow("all equal") << QList<int>{5, 5, 5} << QList<int>{0, 1, 2};
}

void TestModBusClient::higherPrioritySentFirstEqualInArrivalOrder()
{
    QFETCH(QList<int>, priorities);
    QFETCH(QList<int>, order);

    WiredClient wired;
    auto& [link, client] = wired;
    RecordingResponseListener listener;
    client.readHoldingRegs(&listener, 1, 100, 1, 0);
    // Request i reads register i, so the frames tell the order.
    for (int i = 0; i < priorities.size(); ++i)
        client.readHoldingRegs(&listener, 1, static_cast<uint16_t>(i), 1, priorities.at(i));
    QCOMPARE(link.sent.size(), 1);

    for (int i = 0; i < priorities.size(); ++i)
        deliver(client, QByteArray::fromHex("0103020000"));
    QCOMPARE(link.sent.size(), priorities.size() + 1);
    for (int i = 0; i < order.size(); ++i)
        QCOMPARE(link.sent.at(i + 1), readFrame(order.at(i)));
}

void TestModBusClient::fullTransactionOverRealLink()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    QSerialPort port(pty.slavePath());
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    LogCapture log(static_cast<int>(LogLevel::Debug));
    ModBusRtuLink link(&port);
    link.setInterCharInterval(40);
    ModBusClient client;
    link.setListener(&client);
    client.setLink(&link);
    RecordingResponseListener listener;

    client.readHoldingRegs(&listener, 1, 0, 2, 0);
    const QByteArray request = QByteArray::fromHex("010300000002c40b");
    QCOMPARE(pty.readMaster(request.size(), 2000), request);

    const QByteArray reply = QByteArray::fromHex("010304000a0014da3e");
    QVERIFY(pty.writeMaster(reply.left(4)));
    eventwait::spin(5);
    QVERIFY(pty.writeMaster(reply.mid(4)));
    // Nothing is delivered before the line has been silent for the interval.
    QVERIFY(listener.calls.isEmpty());
    TRY_COMPARE(listener.calls.size(), 1, 2000);

    const RecordingResponseListener::Call& call = listener.calls.first();
    QCOMPARE(call.name, QStringLiteral("holdingRegsRead"));
    QCOMPARE(call.start, 0);
    QCOMPARE(call.second, 2);
    QCOMPARE(call.values, (QVector<int>{10, 20}));
    QCOMPARE(log.lines(), (QStringList{
                              QStringLiteral("ReadHoldingRegs startReg = 0 Count = 2"),
                              QStringLiteral("Отправлен пакет: 01 03 00 00 00 02 C4 0B"),
                              QStringLiteral("Принят пакет: 01 03 04 00 0A 00 14 DA 3E"),
                              QStringLiteral("ReadHoldingRegs ответ"),
                          }));
    QCOMPARE(client.state(), ModBusClient::State::Idle);
    QVERIFY(!anyTimerRunning(client));
}

void TestModBusClient::exceptionReplyIsLoggedEndsAsRefusedAndQueueMovesOn()
{
    WiredClient wired;
    auto& [link, client] = wired;
    RecordingResponseListener first;
    RecordingResponseListener second;
    client.readHoldingRegs(&first, 1, 0, 2, 0);
    client.readHoldingRegs(&second, 1, 32, 1, 0);

    LogCapture log(static_cast<int>(LogLevel::Error));
    deliver(client, QByteArray::fromHex("018302"));
    QCOMPARE(log.lines(), QStringList{QStringLiteral("Код ошибки: 0x2")});
    QCOMPARE(failureOf(first), QStringLiteral("exception"));
    QCOMPARE(link.sent.size(), 2);
    QCOMPARE(link.sent.at(1), readFrame(32));

    deliver(client, QByteArray::fromHex("0103020007"));
    QCOMPARE(second.names(), QStringList{QStringLiteral("holdingRegsRead")});
    QCOMPARE(first.calls.size(), 1);
}

void TestModBusClient::replyFromOtherAddressEndsRequestAtOnce()
{
    WiredClient wired;
    auto& [link, client] = wired;
    RecordingResponseListener first;
    RecordingResponseListener second;
    readRegisters(client, {&first, &second});

    LogCapture log(static_cast<int>(LogLevel::Debug));
    deliver(client, QByteArray::fromHex("0203020005"));
    QCOMPARE(log.lines(), QStringList());
    QCOMPARE(failureOf(first), QStringLiteral("other slave"));
    QCOMPARE(link.sent.size(), 2);
    QCOMPARE(link.sent.at(1), readFrame(1));

    // The ended request does not come back for the right answer either.
    deliver(client, QByteArray::fromHex("0103020005"));
    QCOMPARE(first.calls.size(), 1);
    QCOMPARE(second.calls.size(), 1);
    QCOMPARE(second.calls.first().values, QVector<int>{5});
}

void TestModBusClient::timeoutNotifiesOnceAndSendsNext()
{
    WiredClient wired;
    auto& [link, client] = wired;
    RecordingResponseListener first;
    RecordingResponseListener second;
    LogCapture log(static_cast<int>(LogLevel::Error));
    QElapsedTimer clock;
    clock.start();
    readRegisters(client, {&first, &second});

    TRY_COMPARE(first.calls.size(), 1, 3000);
    QVERIFY2(clock.elapsed() >= 950, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(first.names(), QStringList{QStringLiteral("responseTimeout")});
    QCOMPARE(log.lines(), QStringList{QStringLiteral("Таймаут ответа!")});
    // The next request waits out the window for a late answer; the
    // timed-out one is not resent.
    QCOMPARE(link.sent, QList<QByteArray>{readFrame(0)});
    QCOMPARE(client.state(), ModBusClient::State::Settling);
    TRY_COMPARE(link.sent.size(), 2, 3000);
    QVERIFY2(clock.elapsed() >= 1950, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(link.sent.at(1), readFrame(1));

    deliver(client, QByteArray::fromHex("0103020009"));
    QCOMPARE(second.names(), QStringList{QStringLiteral("holdingRegsRead")});
    QCOMPARE(first.calls.size(), 1);
    QVERIFY(!anyTimerRunning(client));
    QCOMPARE(link.sent.size(), 2);
}

void TestModBusClient::listenerRequestsFromCallbackAreQueuedThenSent()
{
    WiredClient wired;
    auto& [link, client] = wired;
    ChainingListener listener(client);
    client.readHoldingRegs(&listener, 1, 0, 1, 0);

    deliver(client, QByteArray::fromHex("0103020000"));
    QCOMPARE(link.sent, (QList<QByteArray>{readFrame(0), readFrame(1)}));
    deliver(client, QByteArray::fromHex("0103020000"));
    QCOMPARE(link.sent, (QList<QByteArray>{readFrame(0), readFrame(1), readFrame(2)}));
    deliver(client, QByteArray::fromHex("0103020000"));
    QCOMPARE(listener.calls.size(), 3);
    QCOMPARE(client.state(), ModBusClient::State::Idle);
}

void TestModBusClient::framesDuringDeliveryLeaveTheDeliveredRequestAlone()
{
    WiredClient wired;
    auto& [link, client] = wired;
    ReenteringListener listener(client);
    RecordingResponseListener next;
    readRegisters(client, {&listener, &next});

    deliver(client, QByteArray::fromHex("0103020005"));
    // The request being delivered was neither re-parsed nor deleted under
    // its listener, and its values stayed valid for the whole call.
    QCOMPARE(listener.calls.size(), 1);
    QCOMPARE(listener.calls[0].values, QVector<int>{5});
    QCOMPARE(listener.valuesAfterReentry, 5);
    QVERIFY(next.calls.isEmpty());
    // The garbled frame's pause holds the next request back.
    QCOMPARE(client.state(), ModBusClient::State::Pausing);
    TRY_COMPARE(link.sent.size(), 2, 2000);
    QCOMPARE(link.sent.last(), readFrame(1));
}

void TestModBusClient::clearQueueLeavesOutstandingRequestToFinish()
{
    WiredClient wired;
    auto& [link, client] = wired;
    RecordingResponseListener outstanding;
    RecordingResponseListener queued;
    readRegisters(client, {&outstanding, &queued});
    client.writeCoil(&queued, 1, 0, true, 1);

    client.clearQueue();
    QCOMPARE(client.queuedCount(), 0);
    QCOMPARE(client.state(), ModBusClient::State::Waiting);

    deliver(client, QByteArray::fromHex("010302002a"));
    QCOMPARE(outstanding.calls.size(), 1);
    QCOMPARE(outstanding.calls.first().values, QVector<int>{42});
    QVERIFY(queued.calls.isEmpty());
    QCOMPARE(link.sent.size(), 1);
    QCOMPARE(client.state(), ModBusClient::State::Idle);

    // The client takes requests again as before.
    client.readHoldingRegs(&queued, 1, 1, 1, 0);
    QCOMPARE(link.sent.size(), 2);
}

void TestModBusClient::linkSwitchTakesEffectAtNextRequest()
{
    RecordingRtuLink serial;
    RecordingRtuLink demo;
    ModBusClient client;
    client.setLink(&serial);
    RecordingResponseListener first;
    RecordingResponseListener second;
    client.readHoldingRegs(&first, 1, 0, 1, 0);
    client.setLink(&demo);
    client.readHoldingRegs(&second, 1, 1, 1, 0);
    QCOMPARE(client.link(), static_cast<IModBusRTULink*>(&demo));
    QVERIFY(demo.sent.isEmpty());

    // The answer to the request sent over the old link is still taken.
    deliver(client, QByteArray::fromHex("0103020001"));
    QCOMPARE(first.calls.size(), 1);
    QCOMPARE(serial.sent, QList<QByteArray>{readFrame(0)});
    QCOMPARE(demo.sent, QList<QByteArray>{readFrame(1)});
}

void TestModBusClient::requestLeftWithoutLinkTimesOut()
{
    WiredClient wired;
    auto& [link, client] = wired;
    RecordingResponseListener first;
    RecordingResponseListener second;
    readRegisters(client, {&first, &second});
    client.setLink(nullptr);

    // The queue moves on with nothing to send over: the caller hears of it
    // as of a relay that did not answer.
    deliver(client, QByteArray::fromHex("0103020001"));
    QCOMPARE(first.calls.size(), 1);
    QCOMPARE(link.sent.size(), 1);
    QCOMPARE(client.state(), ModBusClient::State::Waiting);
    TRY_COMPARE(second.names(), QStringList{QStringLiteral("responseTimeout")}, 3000);
    QCOMPARE(client.state(), ModBusClient::State::Idle);
}

void TestModBusClient::linkErrorPausesThenEndsRequestClearsLinkAndSendsNext()
{
    WiredClient wired;
    auto& [link, client] = wired;
    RecordingResponseListener failed;
    RecordingResponseListener next;
    readRegisters(client, {&failed, &next});

    LogCapture log(static_cast<int>(LogLevel::Debug));
    QElapsedTimer clock;
    clock.start();
    client.linkError();
    QCOMPARE(client.state(), ModBusClient::State::Pausing);
    QCOMPARE(link.clears, 0);
    QCOMPARE(link.sent.size(), 1);

    // The garbled request is told only once the pause has passed.
    eventwait::spin(200);
    QVERIFY(failed.calls.isEmpty());

    TRY_COMPARE(link.sent.size(), 2, 2000);
    QVERIFY2(clock.elapsed() >= 450, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(link.clears, 1);
    QCOMPARE(link.sent.at(1), readFrame(1));
    QCOMPARE(failureOf(failed), QStringLiteral("garbled"));
    QCOMPARE(log.lines(), QStringList());

    // A late answer for the ended request is not given to it.
    deliver(client, QByteArray::fromHex("0103020003"));
    QCOMPARE(failed.calls.size(), 1);
    QCOMPARE(next.calls.size(), 1);
}

void TestModBusClient::secondLinkErrorDoesNotLengthenPause()
{
    WiredClient wired;
    auto& [link, client] = wired;
    RecordingResponseListener listener;
    readRegisters(client, {&listener, &listener});

    QElapsedTimer clock;
    clock.start();
    client.linkError();
    eventwait::spin(300);
    client.linkError();
    TRY_COMPARE(link.sent.size(), 2, 2000);
    QVERIFY2(clock.elapsed() < 750, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(link.clears, 1);
    // The request sent after the pause is outstanding and untouched.
    QCOMPARE(client.state(), ModBusClient::State::Waiting);
    deliver(client, QByteArray::fromHex("0103020003"));
    QCOMPARE(listener.names(),
             (QStringList{QStringLiteral("requestFailed"), QStringLiteral("holdingRegsRead")}));
}

void TestModBusClient::requestIntoEmptyQueueDuringPauseWaitsForPauseEnd()
{
    WiredClient wired;
    auto& [link, client] = wired;
    RecordingResponseListener failed;
    RecordingResponseListener early;
    RecordingResponseListener later;
    client.readHoldingRegs(&failed, 1, 0, 1, 0);
    client.linkError();
    QCOMPARE(client.state(), ModBusClient::State::Pausing);

    // The garbled request's own answer may still come during the pause, and
    // would be taken for this one's.
    client.readHoldingRegs(&early, 1, 1, 1, 0);
    QCOMPARE(link.sent.size(), 1);
    client.readHoldingRegs(&later, 1, 2, 1, 0);

    // The end of the pause clears the line, then sends the first in line.
    TRY_COMPARE(link.clears, 1, 2000);
    QCOMPARE(link.sent.size(), 2);
    QCOMPARE(link.sent.at(1), readFrame(1));
    QCOMPARE(client.state(), ModBusClient::State::Waiting);

    answerSecondThenThird(wired, failed, early, later, 0x11);
}

void TestModBusClient::requestsIntoNonEmptyQueueDuringPauseWaitForPauseEnd()
{
    WiredClient wired;
    auto& [link, client] = wired;
    RecordingResponseListener listener;
    readRegisters(client, {&listener, &listener});
    client.linkError();

    client.readHoldingRegs(&listener, 1, 2, 1, 0);
    client.writeCoil(&listener, 1, 5, true, 1);
    QCOMPARE(link.sent.size(), 1);
    QCOMPARE(client.queuedCount(), 3);

    TRY_COMPARE(link.sent.size(), 2, 2000);
    QCOMPARE(link.sent.at(1), QByteArray::fromHex("01050005ff00"));
    deliver(client, QByteArray::fromHex("01050005ff00"));
    deliver(client, QByteArray::fromHex("0103020000"));
    QCOMPARE(link.sent.mid(2), (QList<QByteArray>{readFrame(1), readFrame(2)}));
}

void TestModBusClient::strayFrameDuringPauseIsDroppedAndQueueWaitsForPauseEnd()
{
    WiredClient wired;
    auto& [link, client] = wired;
    RecordingResponseListener first;
    RecordingResponseListener second;
    RecordingResponseListener third;
    readRegisters(client, {&first, &second, &third});
    client.linkError();

    // A frame with nothing outstanding answers nothing.
    deliver(client, QByteArray::fromHex("0103020000"));
    QCOMPARE(link.sent.size(), 1);
    QCOMPARE(client.counters().strayFrames, quint64(1));

    TRY_COMPARE(link.clears, 1, 2000);
    QCOMPARE(link.sent.size(), 2);
    QCOMPARE(link.sent.at(1), readFrame(1));

    answerSecondThenThird(wired, first, second, third, 0x22);
}

void TestModBusClient::destroyingClientFreesQueuedAndOutstanding()
{
    // Run under the leak checker: every request, queued or on the line, is owned.
    RecordingRtuLink link;
    RecordingResponseListener listener;
    {
        ModBusClient client;
        client.setLink(&link);
        const uint16_t values[] = {1, 2};
        client.readFileRecord(&listener, 1, 0, 0, 20, 0);
        client.writeMultipleRegs(&listener, 1, 0, 2, values, 1);
        client.readCoils(&listener, 1, 0, 9, 0);
    }
    QVERIFY(listener.calls.isEmpty());
    QCOMPARE(link.sent.size(), 1);
}

void TestModBusClient::linkIsToldTheAnswerLengthOfEachRequest_data()
{
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("length");

    // Address, function code and byte count before the data; echoes of 6.
    QTest::newRow("32 registers") << 3 << 3 + 64;
    QTest::newRow("write echo") << 16 << 6;
    QTest::newRow("9 coils") << 1 << 3 + 2;
    QTest::newRow("coil echo") << 5 << 6;
    QTest::newRow("17 samples") << 20 << 3 + 2 + 238;
}

void TestModBusClient::linkIsToldTheAnswerLengthOfEachRequest()
{
    QFETCH(int, function);
    QFETCH(int, length);

    WiredClient wired;
    auto& [link, client] = wired;
    RecordingResponseListener listener;
    const uint16_t value = 1;
    switch (function) {
    case 3:
        client.readHoldingRegs(&listener, 1, 0, 32, 0);
        break;
    case 16:
        client.writeMultipleRegs(&listener, 1, 71, 1, &value, 1);
        break;
    case 1:
        client.readCoils(&listener, 1, 0, 9, 0);
        break;
    case 5:
        client.writeCoil(&listener, 1, 0, true, 1);
        break;
    default:
        client.readFileRecord(&listener, 1, 0, 20, 119, 0);
        break;
    }
    QCOMPARE(link.sent.size(), 1);
    QCOMPARE(link.expected, QList<int>{length});
}

void TestModBusClient::timeoutTellsLinkNothingIsAwaited()
{
    WiredClient wired;
    auto& [link, client] = wired;
    RecordingResponseListener listener;
    client.readHoldingRegs(&listener, 1, 0, 2, 0);
    TRY_COMPARE(listener.calls.size(), 1, 3000);
    // A late answer must not be taken as complete by its length.
    QCOMPARE(link.expected, (QList<int>{7, 0}));
}

void TestModBusClient::severalFileRecordsGoOutAsOneRequest()
{
    WiredClient wired;
    auto& [link, client] = wired;
    RecordingResponseListener listener;
    const FileRecordReference entries[] = {{3, 0, 12}, {4, 0, 12}};
    client.readFileRecords(&listener, 1, entries, 2, 0);
    client.readFileRecords(&listener, 1, entries, 0, 0);
    QCOMPARE(link.sent, QList<QByteArray>{QByteArray::fromHex("01140e060003000000"
                                                              "0c"
                                                              "060004000000"
                                                              "0c")});
    QCOMPARE(link.expected, QList<int>{3 + 2 * 26});
    QCOMPARE(client.queuedCount(), 0);
}

void TestModBusClient::lateAnswerReachesNeitherTheRetryNorTheTimedOutRequest()
{
    WiredClient wired;
    auto& [link, client] = wired;
    RecordingResponseListener retry;
    RetryingListener timedOut(client, retry);
    client.readHoldingRegs(&timedOut, 1, 0, 1, 0);

    // The retry is asked for from inside the timeout, and the late answer
    // arrives right then: it has the very length and function the retry
    // awaits, yet it answers the request before.
    client.timeout();
    QCOMPARE(timedOut.names(), QStringList{QStringLiteral("responseTimeout")});
    QVERIFY(retry.calls.isEmpty());
    QCOMPARE(client.counters().strayFrames, quint64(1));
    // With the late answer in, nothing more is on its way: the retry goes out.
    QCOMPARE(link.sent, (QList<QByteArray>{readFrame(0), readFrame(0)}));
    deliver(client, QByteArray::fromHex("010302000a"));
    QCOMPARE(retry.calls.size(), 1);
    QCOMPARE(retry.calls.first().values, QVector<int>{10});
    QCOMPARE(client.state(), ModBusClient::State::Idle);
}

void TestModBusClient::afterTimeoutNextRequestWaitsForLateAnswer_data()
{
    QTest::addColumn<bool>("answersApart");
    QTest::addColumn<QByteArray>("arriving"); // a frame after the timeout, if any
    QTest::addColumn<bool>("sentAtOnce");

    QTest::newRow("RTU, nothing arrives") << false << QByteArray() << false;
    QTest::newRow("RTU, the late answer") << false << QByteArray::fromHex("0103020009") << true;
    QTest::newRow("RTU, another slave") << false << QByteArray::fromHex("0203020009") << false;
    QTest::newRow("transaction ids") << true << QByteArray() << true;
}

void TestModBusClient::afterTimeoutNextRequestWaitsForLateAnswer()
{
    QFETCH(bool, answersApart);
    QFETCH(QByteArray, arriving);
    QFETCH(bool, sentAtOnce);

    WiredClient wired;
    auto& [link, client] = wired;
    link.answersApart = answersApart;
    RecordingResponseListener first;
    RecordingResponseListener second;
    readRegisters(client, {&first, &second});
    client.timeout();
    if (!arriving.isEmpty())
        deliver(client, arriving);

    QCOMPARE(link.sent.size(), sentAtOnce ? 2 : 1);
    QVERIFY(second.calls.isEmpty());
    if (!sentAtOnce) {
        QCOMPARE(client.state(), ModBusClient::State::Settling);
        TRY_COMPARE(link.sent.size(), 2, 2000);
        // What a late frame may have left half-received is dropped first.
        QCOMPARE(link.clears, 1);
    }
    deliver(client, QByteArray::fromHex("0103020005"));
    QCOMPARE(second.calls.first().values, QVector<int>{5});
}

void TestModBusClient::unaskedFrameHoldsTheNextRequestBack()
{
    WiredClient wired;
    auto& [link, client] = wired;
    deliver(client, QByteArray::fromHex("0103020009"));
    QCOMPARE(client.state(), ModBusClient::State::Settling);
    RecordingResponseListener listener;
    client.readHoldingRegs(&listener, 1, 0, 1, 0);
    QVERIFY(link.sent.isEmpty());
    TRY_COMPARE(link.sent.size(), 1, 2000);
}

void TestModBusClient::garbledRequestIsResentOnTheClearedLineAfterThePause()
{
    OrderedLink link;
    ModBusClient client;
    client.setLink(&link);
    ResendingListener listener(client);
    client.readHoldingRegs(&listener, 1, 0, 1, 0);
    client.linkError();
    TRY_COMPARE(listener.calls.size(), 1, 2000);
    QCOMPARE(link.events,
             (QStringList{QStringLiteral("expect 5"), QStringLiteral("send 010300000001"),
                          QStringLiteral("clear"), QStringLiteral("expect 5"),
                          QStringLiteral("send 010300000001")}));
    QCOMPARE(client.state(), ModBusClient::State::Waiting);
}

QTEST_MAIN(TestModBusClient)
#include "tst_modbusclient.moc"
