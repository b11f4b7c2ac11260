#ifndef TALVIK_TESTS_SUPPORT_RECORDINGRTULISTENER_H
#define TALVIK_TESTS_SUPPORT_RECORDINGRTULISTENER_H

#include "modbus/IModBusRTUResponseListener.h"

#include <QByteArray>
#include <QList>

// Records every frame and link error an RTU link reports.
class RecordingRtuListener : public IModBusRTUResponseListener
{
public:
    void frameReceived(const uint8_t* data, uint16_t length) override
    {
        frames.append(QByteArray(reinterpret_cast<const char*>(data), length));
    }
    void linkError() override { ++linkErrors; }

    QList<QByteArray> frames;
    int linkErrors = 0;
};

#endif
