#include "base/Logger.h"
#include "modbus/IModBusResponse.h"
#include "modbus/ModBusReadCoilsRequest.h"
#include "modbus/ModBusReadFileRecordRequest.h"
#include "modbus/ModBusReadHoldingRegsRequest.h"
#include "modbus/ModBusWriteCoilRequest.h"
#include "modbus/ModBusWriteMultipleRegsRequest.h"
#include "support/LogCapture.h"
#include "support/RecordingResponseListener.h"

#include <QTest>
#include <QVector>

#include <memory>
#include <vector>

namespace {

// A request described by its function code and parameters, so a test row can
// name one and the request (and its log line) is built inside the test.
struct RequestShape
{
    int function = 3;
    int address = 1;
    int first = 0;  // start register/coil, coil address or file number
    int second = 0; // count, coil value or record number
    int third = 0;  // record length
    QVector<uint16_t> values;
};

std::unique_ptr<ModBusRequest> build(const RequestShape& shape, IModBusResponseListener* listener)
{
    const auto address = static_cast<uint8_t>(shape.address);
    const auto first = static_cast<uint16_t>(shape.first);
    const auto second = static_cast<uint16_t>(shape.second);
    switch (shape.function) {
    case 3:
        return std::make_unique<ModBusReadHoldingRegsRequest>(listener, address, first, second);
    case 16:
        return std::make_unique<ModBusWriteMultipleRegsRequest>(listener, address, first, second,
                                                                shape.values.constData());
    case 1:
        return std::make_unique<ModBusReadCoilsRequest>(listener, address, first, second);
    case 5:
        return std::make_unique<ModBusWriteCoilRequest>(listener, address, first, second != 0);
    case 20:
        return std::make_unique<ModBusReadFileRecordRequest>(listener, address, first, second,
                                                             static_cast<uint16_t>(shape.third));
    default:
        return nullptr;
    }
}

RequestShape readRegs(int start, int count)
{
    return RequestShape{3, 1, start, count, 0, {}};
}
RequestShape writeRegs(int start, QVector<uint16_t> values)
{
    return RequestShape{16, 1, start, values.size(), 0, values};
}
RequestShape readCoils(int start, int count)
{
    return RequestShape{1, 1, start, count, 0, {}};
}
RequestShape writeCoil(int coil, bool on)
{
    return RequestShape{5, 1, coil, on ? 1 : 0, 0, {}};
}
RequestShape readFile(int file, int record, int length)
{
    return RequestShape{20, 1, file, record, length, {}};
}

QByteArray frameOf(const IModBusRequest& request)
{
    const uint8_t* data = nullptr;
    uint16_t length = 0;
    request.frame(data, length);
    return QByteArray(reinterpret_cast<const char*>(data), length);
}

// Parses from an exactly sized heap copy, so a read past the received
// length is an out-of-bounds read the sanitizer reports.
void parse(IModBusRequest& request, const QByteArray& response)
{
    std::vector<uint8_t> exact(response.begin(), response.end());
    request.parseResponse(exact.empty() ? nullptr : exact.data(),
                          static_cast<uint16_t>(exact.size()));
}

// What the client does with a parsed request.
void notifyOwnListener(IModBusRequest& request)
{
    auto* response = dynamic_cast<IModBusResponse*>(&request);
    QVERIFY(response != nullptr);
    if (response->listener() != nullptr)
        response->notify(response->listener());
}

QStringList describe(const RecordingResponseListener& listener)
{
    QStringList result;
    for (const RecordingResponseListener::Call& call : listener.calls) {
        QStringList values;
        for (int value : call.values)
            values << QString::number(value);
        result << QStringLiteral("%1 %2 %3 [%4]")
                      .arg(call.name)
                      .arg(call.start)
                      .arg(call.second)
                      .arg(values.join(QLatin1Char(',')));
    }
    return result;
}

} // namespace

Q_DECLARE_METATYPE(RequestShape)

class TestModBusRequests : public QObject
{
    Q_OBJECT

private slots:
    void constructorBuildsFrameAndLogsCreation_data();
    void constructorBuildsFrameAndLogsCreation();
    void writeKeepsItsOwnCopyOfTheValues();

    void normalResponseIsParsedAndNotified_data();
    void normalResponseIsParsedAndNotified();
    void exceptionIsLoggedAndEndsAsRefused_data();
    void exceptionIsLoggedAndEndsAsRefused();
    void shortResponseIsAFormatErrorAndEndsAsWrongLength_data();
    void shortResponseIsAFormatErrorAndEndsAsWrongLength();

    void fileRecordOfLength20DeliversFortyBytesAsReceived();

    void answerLengthIsThatOfAFullAnswer_data();
    void answerLengthIsThatOfAFullAnswer();
    void severalSubRequestsAreFramedAndDeliveredInOrder();
    void subResponsesNotAsAskedEndAsWrongLength_data();
    void subResponsesNotAsAskedEndAsWrongLength();
};

void TestModBusRequests::constructorBuildsFrameAndLogsCreation_data()
{
    QTest::addColumn<RequestShape>("shape");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("line");

    QTest::newRow("read 32 registers from 0")
        << readRegs(0, 32) << QByteArray::fromHex("010300000020")
        << QStringLiteral("ReadHoldingRegs startReg = 0 Count = 32");
    QTest::newRow("read with big-endian start and count")
        << RequestShape{3, 0xF7, 0x1234, 0x0102, 0, {}} << QByteArray::fromHex("f70312340102")
        << QStringLiteral("ReadHoldingRegs startReg = 4660 Count = 258");
    QTest::newRow("read of no registers")
        << readRegs(0x40, 0) << QByteArray::fromHex("010300400000")
        << QStringLiteral("ReadHoldingRegs startReg = 64 Count = 0");
    QTest::newRow("write of 3 registers")
        << writeRegs(0x0010, {0x0102, 0x0304, 0x0506})
        << QByteArray::fromHex("01100010000306010203040506")
        << QStringLiteral("WriteMultipleRegs startReg = 16 Count = 3");
    QTest::newRow("write of the password register")
        << RequestShape{16, 5, 71, 1, 0, {0xBEEF}} << QByteArray::fromHex("05100047000102beef")
        << QStringLiteral("WriteMultipleRegs startReg = 71 Count = 1");
    QTest::newRow("read 10 coils from 0x0102")
        << readCoils(0x0102, 10) << QByteArray::fromHex("01010102000a")
        << QStringLiteral("ReadCoils startCoil = 258 Count = 10");
    QTest::newRow("coil 0 on") << writeCoil(0, true) << QByteArray::fromHex("01050000ff00")
                               << QStringLiteral("WriteCoil coilAddress = 0 Value = 1");
    QTest::newRow("coil 0x0203 off")
        << writeCoil(0x0203, false) << QByteArray::fromHex("010502030000")
        << QStringLiteral("WriteCoil coilAddress = 515 Value = 0");
    QTest::newRow("file 0 record 0 length 20")
        << readFile(0, 0, 20) << QByteArray::fromHex("01140706000000000014")
        << QStringLiteral("ReadFileRecord fileNumber = 0 recordNumber = 0 recordLength = 20");
    QTest::newRow("file 0x0102 record 0x0304 length 0x0506")
        << RequestShape{20, 2, 0x0102, 0x0304, 0x0506, {}}
        << QByteArray::fromHex("02140706010203040506")
        << QStringLiteral("ReadFileRecord fileNumber = 258 recordNumber = 772 recordLength = 1286");
}

void TestModBusRequests::constructorBuildsFrameAndLogsCreation()
{
    QFETCH(RequestShape, shape);
    QFETCH(QByteArray, frame);
    QFETCH(QString, line);

    LogCapture log(static_cast<int>(LogLevel::Info));
    const std::unique_ptr<ModBusRequest> request = build(shape, nullptr);
    QCOMPARE(frameOf(*request), frame);
    QCOMPARE(log.lines(), QStringList{line});

    // The creation line is an info line, hidden in the errors-only mode.
    LogCapture quiet(static_cast<int>(LogLevel::Error));
    build(shape, nullptr);
    QCOMPARE(quiet.lines(), QStringList());
}

void TestModBusRequests::writeKeepsItsOwnCopyOfTheValues()
{
    RecordingResponseListener listener;
    uint16_t values[] = {0x0102, 0x0304};
    ModBusWriteMultipleRegsRequest request(&listener, 1, 72, 2, values);
    values[0] = 0xFFFF;
    values[1] = 0xFFFF;

    QCOMPARE(frameOf(request), QByteArray::fromHex("0110004800020401020304"));
    parse(request, QByteArray::fromHex("011000480002"));
    notifyOwnListener(request);
    QCOMPARE(describe(listener), QStringList{"multipleRegsWritten 72 2 [258,772]"});
}

void TestModBusRequests::normalResponseIsParsedAndNotified_data()
{
    QTest::addColumn<RequestShape>("shape");
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<QString>("responseLine");
    QTest::addColumn<QString>("call");

    QTest::newRow("two registers, high byte first")
        << readRegs(0, 2) << QByteArray::fromHex("010304000a0014")
        << QStringLiteral("ReadHoldingRegs ответ") << QStringLiteral("holdingRegsRead 0 2 [10,20]");
    QTest::newRow("register values above 0x7FFF")
        << readRegs(64, 2) << QByteArray::fromHex("01030480019abc")
        << QStringLiteral("ReadHoldingRegs ответ")
        << QStringLiteral("holdingRegsRead 64 2 [32769,39612]");
    QTest::newRow("relay's byte count is not trusted")
        << readRegs(3, 1) << QByteArray::fromHex("0103ff1234")
        << QStringLiteral("ReadHoldingRegs ответ") << QStringLiteral("holdingRegsRead 3 1 [4660]");
    QTest::newRow("function code of the answer is not compared")
        << readRegs(7, 1) << QByteArray::fromHex("0104020102")
        << QStringLiteral("ReadHoldingRegs ответ") << QStringLiteral("holdingRegsRead 7 1 [258]");
    QTest::newRow("no registers") << readRegs(5, 0) << QByteArray::fromHex("010300")
                                  << QStringLiteral("ReadHoldingRegs ответ")
                                  << QStringLiteral("holdingRegsRead 5 0 []");
    QTest::newRow("write echo is not compared")
        << writeRegs(0x10, {0x0102, 0x0304, 0x0506}) << QByteArray::fromHex("011000990001")
        << QStringLiteral("WriteMultipleRegs ответ")
        << QStringLiteral("multipleRegsWritten 16 3 [258,772,1286]");
    QTest::newRow("10 coils, least significant bit first")
        << readCoils(0, 10) << QByteArray::fromHex("0101020502")
        << QStringLiteral("ReadCoils ответ")
        << QStringLiteral("coilsRead 0 10 [1,0,1,0,0,0,0,0,0,1]");
    QTest::newRow("8 coils in one byte")
        << readCoils(8, 8) << QByteArray::fromHex("01010180") << QStringLiteral("ReadCoils ответ")
        << QStringLiteral("coilsRead 8 8 [0,0,0,0,0,0,0,1]");
    QTest::newRow("coil echo FF 00 is on")
        << writeCoil(3, false) << QByteArray::fromHex("01050003ff00")
        << QStringLiteral("WriteCoil ответ") << QStringLiteral("coilWritten 3 1 []");
    QTest::newRow("coil echo FF 01 is off")
        << writeCoil(3, true) << QByteArray::fromHex("01050003ff01")
        << QStringLiteral("WriteCoil ответ") << QStringLiteral("coilWritten 3 0 []");
    QTest::newRow("coil echo 00 00 is off")
        << writeCoil(3, true) << QByteArray::fromHex("010500030000")
        << QStringLiteral("WriteCoil ответ") << QStringLiteral("coilWritten 3 0 []");
    QTest::newRow("coil address comes from the echo")
        << writeCoil(3, true) << QByteArray::fromHex("01050102ff00")
        << QStringLiteral("WriteCoil ответ") << QStringLiteral("coilWritten 258 1 []");
    QTest::newRow("file record bytes after the five header bytes")
        << readFile(4, 0, 2) << QByteArray::fromHex("0114040406a1b2c3d4")
        << QStringLiteral("ReadFileRecord ответ")
        << QStringLiteral("fileRecordRead 4 0 [161,178,195,212]");
}

void TestModBusRequests::normalResponseIsParsedAndNotified()
{
    QFETCH(RequestShape, shape);
    QFETCH(QByteArray, response);
    QFETCH(QString, responseLine);
    QFETCH(QString, call);

    RecordingResponseListener listener;
    const std::unique_ptr<ModBusRequest> request = build(shape, &listener);
    LogCapture log(static_cast<int>(LogLevel::Info));
    parse(*request, response);
    QCOMPARE(log.lines(), QStringList{responseLine});
    QVERIFY(!request->hasError());
    QVERIFY(listener.calls.isEmpty());

    notifyOwnListener(*request);
    QCOMPARE(describe(listener), QStringList{call});

    // The response line is an info line, hidden in the errors-only mode.
    const std::unique_ptr<ModBusRequest> again = build(shape, nullptr);
    LogCapture quiet(static_cast<int>(LogLevel::Error));
    parse(*again, response);
    QCOMPARE(quiet.lines(), QStringList());
}

void TestModBusRequests::exceptionIsLoggedAndEndsAsRefused_data()
{
    QTest::addColumn<RequestShape>("shape");
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<QString>("line");

    QTest::newRow("read, illegal address")
        << readRegs(0, 2) << QByteArray::fromHex("018302") << QStringLiteral("Код ошибки: 0x2");
    QTest::newRow("write, code 0x0B in upper case")
        << writeRegs(71, {1}) << QByteArray::fromHex("01900b") << QStringLiteral("Код ошибки: 0xB");
    QTest::newRow("coils, trailing bytes ignored")
        << readCoils(0, 8) << QByteArray::fromHex("0181040000")
        << QStringLiteral("Код ошибки: 0x4");
    QTest::newRow("coil, code 0xFF") << writeCoil(1, true) << QByteArray::fromHex("0185ff")
                                     << QStringLiteral("Код ошибки: 0xFF");
    QTest::newRow("file, illegal function")
        << readFile(0, 0, 20) << QByteArray::fromHex("019401") << QStringLiteral("Код ошибки: 0x1");
    QTest::newRow("bit 7 alone marks the exception")
        << readRegs(0, 1) << QByteArray::fromHex("01ff03") << QStringLiteral("Код ошибки: 0x3");
}

void TestModBusRequests::exceptionIsLoggedAndEndsAsRefused()
{
    QFETCH(RequestShape, shape);
    QFETCH(QByteArray, response);
    QFETCH(QString, line);

    RecordingResponseListener listener;
    const std::unique_ptr<ModBusRequest> request = build(shape, &listener);
    LogCapture log(static_cast<int>(LogLevel::Error));
    parse(*request, response);
    QCOMPARE(log.lines(), QStringList{line});
    QVERIFY(request->hasError());

    // The listener hears of the refusal, and of nothing else.
    notifyOwnListener(*request);
    QCOMPARE(describe(listener),
             QStringList{QStringLiteral("requestFailed %1 0 []")
                             .arg(int(IModBusResponseListener::Failure::Exception))});
}

void TestModBusRequests::shortResponseIsAFormatErrorAndEndsAsWrongLength_data()
{
    QTest::addColumn<RequestShape>("shape");
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<int>("failure");

    const int exception = int(IModBusResponseListener::Failure::Exception);
    const int wrongLength = int(IModBusResponseListener::Failure::WrongLength);
    QTest::newRow("exception without its code")
        << readRegs(0, 2) << QByteArray::fromHex("0183") << exception;
    QTest::newRow("address only") << readRegs(0, 2) << QByteArray::fromHex("01") << wrongLength;
    QTest::newRow("nothing") << readRegs(0, 2) << QByteArray() << wrongLength;
    QTest::newRow("one register short")
        << readRegs(0, 2) << QByteArray::fromHex("010304000a") << wrongLength;
    QTest::newRow("one byte short")
        << readRegs(0, 2) << QByteArray::fromHex("010304000a00") << wrongLength;
    QTest::newRow("registers without byte count")
        << readRegs(0, 1) << QByteArray::fromHex("0103") << wrongLength;
    QTest::newRow("second coil byte missing")
        << readCoils(0, 9) << QByteArray::fromHex("01010201") << wrongLength;
    QTest::newRow("coil echo without its last byte")
        << writeCoil(3, true) << QByteArray::fromHex("01050003ff") << wrongLength;
    QTest::newRow("file record one byte short")
        << readFile(0, 0, 2) << QByteArray::fromHex("0114040406a1b2c3") << wrongLength;
    // 65535 registers need more bytes than a length field holds: the count
    // must not wrap round to a few bytes.
    QTest::newRow("longest file record, answer of a few bytes")
        << readFile(0, 0, 65535) << QByteArray::fromHex("0114040406a1b2c3") << wrongLength;
    QTest::newRow("file record header only")
        << readFile(0, 0, 1) << QByteArray::fromHex("0114020206") << wrongLength;
    QTest::newRow("write reply without function code")
        << writeRegs(0, {1}) << QByteArray::fromHex("01") << wrongLength;
}

void TestModBusRequests::shortResponseIsAFormatErrorAndEndsAsWrongLength()
{
    QFETCH(RequestShape, shape);
    QFETCH(QByteArray, response);
    QFETCH(int, failure);

    RecordingResponseListener listener;
    const std::unique_ptr<ModBusRequest> request = build(shape, &listener);
    LogCapture log(static_cast<int>(LogLevel::Error));
    parse(*request, response);
    QCOMPARE(log.lines(), QStringList{QStringLiteral("Ошибка формата пакета!")});
    QVERIFY(request->hasError());

    notifyOwnListener(*request);
    QCOMPARE(describe(listener), QStringList{QStringLiteral("requestFailed %1 0 []").arg(failure)});
}

void TestModBusRequests::fileRecordOfLength20DeliversFortyBytesAsReceived()
{
    QByteArray record;
    for (int i = 0; i < 40; ++i)
        record.append(static_cast<char>(0xC0 + i));
    RecordingResponseListener listener;
    ModBusReadFileRecordRequest request(&listener, 1, 2, 20, 20);
    parse(request, QByteArray::fromHex("0114282806") + record);
    notifyOwnListener(request);

    QCOMPARE(listener.calls.size(), 1);
    const RecordingResponseListener::Call& call = listener.calls.first();
    QCOMPARE(call.name, QStringLiteral("fileRecordRead"));
    QCOMPARE(call.start, 2);
    QCOMPARE(call.second, 20);
    QCOMPARE(call.values.size(), 40);
    QByteArray delivered;
    for (int byte : call.values)
        delivered.append(static_cast<char>(byte));
    QCOMPARE(delivered, record);
}

void TestModBusRequests::answerLengthIsThatOfAFullAnswer_data()
{
    QTest::addColumn<RequestShape>("shape");
    QTest::addColumn<QByteArray>("answer");

    QTest::newRow("32 registers") << readRegs(0, 32)
                                  << QByteArray::fromHex("010340") + QByteArray(64, '\0');
    QTest::newRow("write echo") << writeRegs(71, {1}) << QByteArray::fromHex("011000470001");
    QTest::newRow("9 coils") << readCoils(0, 9) << QByteArray::fromHex("0101020100");
    QTest::newRow("coil echo") << writeCoil(3, true) << QByteArray::fromHex("01050003ff00");
    QTest::newRow("one sample") << readFile(0, 20, 7)
                                << QByteArray::fromHex("01141010") + QByteArray(1, '\x06') +
                                       QByteArray(14, '\x11');
    QTest::newRow("17 samples in one record")
        << readFile(0, 20, 119) << QByteArray::fromHex("0114f0ef06") + QByteArray(238, '\x22');
}

void TestModBusRequests::answerLengthIsThatOfAFullAnswer()
{
    QFETCH(RequestShape, shape);
    QFETCH(QByteArray, answer);

    RecordingResponseListener listener;
    const std::unique_ptr<ModBusRequest> request = build(shape, &listener);
    QCOMPARE(int(request->answerLength()), answer.size());
    // An answer of that length is complete: it parses without error.
    parse(*request, answer);
    QVERIFY(!request->hasError());
}

// Two entries of the journal in one request: files 3 and 4, record 0, of two
// and one registers.
const FileRecordReference twoFiles[] = {{3, 0, 2}, {4, 0, 1}};

void TestModBusRequests::severalSubRequestsAreFramedAndDeliveredInOrder()
{
    RecordingResponseListener listener;
    LogCapture log(static_cast<int>(LogLevel::Info));
    ModBusReadFileRecordRequest request(&listener, 1, twoFiles, 2);
    QCOMPARE(frameOf(request), QByteArray::fromHex("01140e06000300000002060004000000"
                                                   "01"));
    QCOMPARE(
        log.lines(),
        (QStringList{
            QStringLiteral("ReadFileRecord fileNumber = 3 recordNumber = 0 recordLength = 2"),
            QStringLiteral("ReadFileRecord fileNumber = 4 recordNumber = 0 recordLength = 1")}));
    QCOMPARE(int(request.answerLength()), 13);

    parse(request, QByteArray::fromHex("01140a0506a1a2a3a40306b1b2"));
    QVERIFY(!request.hasError());
    notifyOwnListener(request);
    QCOMPARE(describe(listener),
             (QStringList{QStringLiteral("fileRecordRead 3 0 [161,162,163,164]"),
                          QStringLiteral("fileRecordRead 4 0 [177,178]")}));
}

void TestModBusRequests::subResponsesNotAsAskedEndAsWrongLength_data()
{
    QTest::addColumn<QByteArray>("answer");

    QTest::newRow("first sub-response one register long")
        << QByteArray::fromHex("01140a0306a1a20506b1b2b3b4");
    QTest::newRow("second reference type wrong")
        << QByteArray::fromHex("01140a0506a1a2a3a40307b1b2");
    QTest::newRow("response data length wrong")
        << QByteArray::fromHex("01140b0506a1a2a3a40306b1b2");
    QTest::newRow("second sub-response missing") << QByteArray::fromHex("0114060506a1a2a3a4");
}

void TestModBusRequests::subResponsesNotAsAskedEndAsWrongLength()
{
    QFETCH(QByteArray, answer);

    RecordingResponseListener listener;
    ModBusReadFileRecordRequest request(&listener, 1, twoFiles, 2);
    LogCapture log(static_cast<int>(LogLevel::Error));
    parse(request, answer);
    QVERIFY(request.hasError());
    QCOMPARE(log.lines(), QStringList{QStringLiteral("Ошибка формата пакета!")});
    notifyOwnListener(request);
    QCOMPARE(describe(listener),
             QStringList{QStringLiteral("requestFailed %1 0 []")
                             .arg(int(IModBusResponseListener::Failure::WrongLength))});
}

QTEST_MAIN(TestModBusRequests)
#include "tst_modbusrequests.moc"
