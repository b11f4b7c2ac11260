// The COMTRADE reader fed an arbitrary .cfg and .dat pair.
//
// Input: a little-endian 16-bit length, that many bytes of .cfg, then the
// .dat to the end of the input. A record the reader accepts must hold
// together: one value a sample in every channel, times that never go back.
#include "FuzzSupport.h"

#include "comtrade/ComtradeReader.h"

#include <QBuffer>

#include <cmath>

namespace {

void checkRecord(const ComtradeRecord& record)
{
    const int samples = record.sampleCount();
    if (samples <= 0)
        __builtin_trap();
    for (const ComtradeAnalogChannel& channel : record.analog) {
        if (channel.values.size() != samples)
            __builtin_trap();
    }
    for (const ComtradeDigitalChannel& channel : record.digital) {
        if (channel.states.size() != samples)
            __builtin_trap();
        for (const uint8_t state : channel.states) {
            if (state > 1)
                __builtin_trap();
        }
    }
    for (int i = 1; i < samples; ++i) {
        if (!(record.timeUs[i] >= record.timeUs[i - 1]))
            __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ensureApplication();
    FuzzInput input(data, size);
    const int cfgSize = input.u16();
    QBuffer cfg;
    cfg.setData(input.bytes(static_cast<int>(qMin<size_t>(cfgSize, input.remaining()))));
    cfg.open(QIODevice::ReadOnly);
    QBuffer dat;
    dat.setData(input.rest());
    dat.open(QIODevice::ReadOnly);

    QString error;
    const std::optional<ComtradeRecord> record = ComtradeReader::read(cfg, dat, &error);
    if (record)
        checkRecord(*record);
    else if (error.isEmpty())
        __builtin_trap(); // a refusal always says why
    return 0;
}
