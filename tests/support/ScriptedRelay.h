#ifndef TALVIK_TESTS_SUPPORT_SCRIPTEDRELAY_H
#define TALVIK_TESTS_SUPPORT_SCRIPTEDRELAY_H

#include "modbus/IModBusResponseListener.h"
#include "support/RecordingModBusClient.h"

#include <QByteArray>

// Hands `data` to a listener as the relay's answer to a file record read.
inline void deliverFileRecord(IModBusResponseListener& listener, uint16_t file, uint16_t record,
                              const QByteArray& data)
{
    listener.fileRecordRead(file, record, reinterpret_cast<const uint8_t*>(data.constData()),
                            static_cast<uint16_t>(data.size()));
}

// Tells a listener `times` times that its request came to nothing, by a
// failed request or by a timeout.
inline void failRequest(IModBusResponseListener& listener, int times, bool asRequestFailed)
{
    for (int i = 0; i < times; ++i)
        asRequestFailed ? listener.requestFailed(IModBusResponseListener::Failure::Garbled)
                        : listener.responseTimeout();
}

// Plays the relay behind a recording client: answer() answers the latest
// request as the relay would.
class ScriptedRelay
{
public:
    explicit ScriptedRelay(RecordingModBusClient& recording) : client(recording) {}
    virtual ~ScriptedRelay() = default;

    virtual void answer() = 0;

    // Answers requests until an answer brings no new one.
    void answerAll()
    {
        int answered = -1;
        while (answered != client.requests.size()) {
            answered = client.requests.size();
            answer();
        }
    }

protected:
    RecordingModBusClient& client;
};

#endif
