#ifndef TALVIK_TESTS_SUPPORT_RECORDINGRESPONSELISTENER_H
#define TALVIK_TESTS_SUPPORT_RECORDINGRESPONSELISTENER_H

#include "modbus/IModBusResponseListener.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVector>

// Records every callback of the Modbus master as a line of text plus the data
// it carried, copied (the pointers are valid only during the call).
class RecordingResponseListener : public IModBusResponseListener
{
public:
    struct Call
    {
        QString name;        // "holdingRegsRead", "responseTimeout", ...
        int start = 0;       // start register/coil, coil address or file number
        int second = 0;      // count, coil value or record number
        QVector<int> values; // registers, coil states or file bytes
    };

    void holdingRegsRead(uint16_t start, const uint16_t* values, uint16_t count) override
    {
        record("holdingRegsRead", start, count, values, count);
    }
    void multipleRegsWritten(uint16_t start, const uint16_t* values, uint16_t count) override
    {
        record("multipleRegsWritten", start, count, values, count);
    }
    void coilsRead(uint16_t start, const uint8_t* states, uint16_t count) override
    {
        record("coilsRead", start, count, states, count);
    }
    void coilWritten(uint16_t coil, bool value) override
    {
        calls.append(Call{QStringLiteral("coilWritten"), coil, value ? 1 : 0, {}});
    }
    void fileRecordRead(uint16_t fileNumber, uint16_t recordNumber, const uint8_t* data,
                        uint16_t byteCount) override
    {
        record("fileRecordRead", fileNumber, recordNumber, data, byteCount);
    }
    void responseTimeout() override
    {
        calls.append(Call{QStringLiteral("responseTimeout"), 0, 0, {}});
    }
    // `start` carries the failure's number.
    void requestFailed(Failure failure) override
    {
        calls.append(Call{QStringLiteral("requestFailed"), static_cast<int>(failure), 0, {}});
    }

    QStringList names() const
    {
        QStringList result;
        for (const Call& call : calls)
            result << call.name;
        return result;
    }

    QList<Call> calls;

private:
    template <typename T>
    void record(const char* name, int start, int second, const T* data, int count)
    {
        Call call{QString::fromLatin1(name), start, second, {}};
        for (int i = 0; i < count; ++i)
            call.values.append(data[i]);
        calls.append(call);
    }
};

#endif
