#ifndef TALVIK_TESTS_SUPPORT_RECORDINGRTULINK_H
#define TALVIK_TESTS_SUPPORT_RECORDINGRTULINK_H

#include "modbus/IModBusRTULink.h"

#include <QByteArray>
#include <QList>

// A link that keeps the bodies it was asked to send, the answer lengths it
// was told to await and counts clear() calls.
class RecordingRtuLink : public IModBusRTULink
{
public:
    void send(const uint8_t* data, uint16_t length) override
    {
        sent.append(QByteArray(reinterpret_cast<const char*>(data), length));
    }
    void clear() override { ++clears; }
    void expectAnswer(uint16_t length) override { expected.append(length); }
    bool tellsAnswersApart() const override { return answersApart; }

    QList<QByteArray> sent;
    int clears = 0;
    // Every expectAnswer() length, in order.
    QList<int> expected;
    // What tellsAnswersApart() says: an RTU line by default.
    bool answersApart = false;
};

#endif
