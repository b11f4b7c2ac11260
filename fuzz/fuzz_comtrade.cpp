// The COMTRADE export of a fault record from an arbitrary 40-byte header and
// arbitrary sample bytes.
//
// Input: the header, then the sample buffer in the relay's storage order.
// Inputs whose buffer is short are also exported once more with their
// sample bytes repeated up to the header's N samples, so that the data file
// is written for short inputs too.
#include "FuzzSupport.h"

#include "records/ComtradeWriter.h"
#include "records/CrashProcessHeader.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>

namespace {

// Only headers whose record is small are exported to real files, to keep the
// runs fast.
constexpr int maxSavedSamples = 1200;

void exportTo(const CrashProcessHeader& header, const QByteArray& samples)
{
    QBuffer cfg;
    cfg.open(QIODevice::WriteOnly);
    ComtradeWriter::writeCfg(cfg, header);
    QBuffer dat;
    dat.open(QIODevice::WriteOnly);
    const bool written = ComtradeWriter::writeDat(dat, header, samples);
    // One line per sample, each ending with CR LF.
    if (written && dat.data().count('\n') != header.sampleCount())
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ensureApplication();
    static QTemporaryDir folder;
    FuzzInput input(data, size);
    const QByteArray headerBytes = input.bytes(CrashProcessHeader::size);
    const CrashProcessHeader header =
        CrashProcessHeader::decode(reinterpret_cast<const uint8_t*>(headerBytes.constData()));
    const QByteArray samples = input.rest();

    ComtradeWriter::isExportable(header);
    const QString name = ComtradeWriter::baseName(header);
    ComtradeWriter::dateText(header);
    ComtradeWriter::timeText(header);
    exportTo(header, samples);

    const int needed = header.sampleCount() * CrashProcessSample::size;
    QByteArray filled = samples;
    if (!samples.isEmpty() && samples.size() < needed && header.sampleCount() <= maxSavedSamples) {
        while (filled.size() < needed)
            filled.append(samples);
        exportTo(header, filled);
    }

    if (header.sampleCount() <= maxSavedSamples && folder.isValid()) {
        const ComtradeWriter writer(folder.path() + QLatin1Char('/') + name);
        const bool saved = writer.save(header, filled);
        // A writer that says it saved left both files behind.
        if (saved && !(QDir(folder.path()).exists(name + QStringLiteral(".cfg")) &&
                       QDir(folder.path()).exists(name + QStringLiteral(".dat"))))
            __builtin_trap();
        QFile::remove(folder.path() + QLatin1Char('/') + name + QStringLiteral(".cfg"));
        QFile::remove(folder.path() + QLatin1Char('/') + name + QStringLiteral(".dat"));
    }
    return 0;
}
