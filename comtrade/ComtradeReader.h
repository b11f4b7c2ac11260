#ifndef TALVIK_COMTRADE_COMTRADEREADER_H
#define TALVIK_COMTRADE_COMTRADEREADER_H

#include <QDateTime>
#include <QString>
#include <QVector>

#include <cstdint>
#include <optional>

class QIODevice;

// One analog channel of a COMTRADE record. The scaling fields are those of
// the .cfg line; `values` are already scaled to primary units.
struct ComtradeAnalogChannel
{
    int index = 0;   // An, as the .cfg numbers it
    QString name;    // ch_id
    QString phase;   // ph
    QString circuit; // ccbm
    QString unit;    // uu, e.g. "A", "kV"
    double a = 1;    // value = a * raw + b
    double b = 0;
    double skew = 0; // µs
    double min = 0;  // range of the raw values
    double max = 0;
    double primary = 1; // transformer ratio primary:secondary
    double secondary = 1;
    // The .cfg's P/S flag: true when a·raw + b is already a primary value,
    // false when it is a secondary one that the ratio turns into primary.
    bool primaryFlag = true;
    // One value per sample, in primary units; NaN where the file marks the
    // sample as missing.
    QVector<double> values;
};

struct ComtradeDigitalChannel
{
    int index = 0; // Dn
    QString name;
    QString phase;
    QString circuit;
    int normalState = 0;     // y: the state of the input when nothing happens
    QVector<uint8_t> states; // 0 or 1, one per sample
};

// One line of the .cfg's sampling rate table: `rate` samples per second up to
// sample number `lastSample` (1-based, counted from the start of the file).
struct ComtradeSampleRate
{
    double rate = 0;
    qint64 lastSample = 0;
};

// A COMTRADE record (configuration and data) as plain data.
//
// Time stamps: `start` is the first sample's date and time from the .cfg,
// `trigger` the trigger point's. QDateTime holds milliseconds only, so the
// microseconds beyond them are kept beside each (0..999). Both are plain
// calendar times (Qt::UTC, no time zone applied); invalid when the file gives
// no date (all zeros). `triggerOffsetUs` is the trigger minus the start in µs.
struct ComtradeRecord
{
    enum class DataFormat
    {
        Ascii,
        Binary,   // 16-bit analog values
        Binary32, // 32-bit analog values
        Float32   // IEEE single-precision analog values
    };

    QString station;  // station_name
    QString deviceId; // rec_dev_id
    int revision = 1991;
    double lineFrequency = 0;          // Hz
    QVector<ComtradeSampleRate> rates; // as listed; empty when nrates is 0
    QDateTime start;
    int startMicroseconds = 0;
    QDateTime trigger;
    int triggerMicroseconds = 0;
    double triggerOffsetUs = 0;
    DataFormat format = DataFormat::Ascii;
    double timeMultiplier = 1;
    // True when the sample times come from the .dat's time stamps (every
    // rate 0), false when they come from the rate table.
    bool timesFromTimestamps = false;

    // Time of each sample in µs after the start time stamp.
    QVector<double> timeUs;
    QVector<ComtradeAnalogChannel> analog;
    QVector<ComtradeDigitalChannel> digital;

    int sampleCount() const { return timeUs.size(); }
    // "ASCII", "BINARY", "BINARY32" or "FLOAT32", as the .cfg names it.
    QString formatName() const;
};

// Reads a COMTRADE record of the 1991, 1999 or 2013 revision: the .cfg and
// its .dat in ASCII, BINARY, BINARY32 or FLOAT32.
//
//   QString error;
//   const std::optional<ComtradeRecord> record = ComtradeReader::read(path, &error);
//   if (!record) -> error (may be null), in Russian, names the file and its line, e.g.
//                   "«a.cfg», строка 2: ожидалось число каналов «всего,##A,##D»"
//
// Nothing is allocated on the strength of a count in the .cfg alone: storage
// grows with the samples actually present, and a .dat holding more or fewer
// samples than the .cfg declares is an error.
class ComtradeReader
{
public:
    // Reads `cfgPath` and the .dat of the same base name beside it (".dat" or
    // ".DAT", or another case of the extension).
    static std::optional<ComtradeRecord> read(const QString& cfgPath, QString* error);

    // Reads from two open devices, e.g. buffers holding an export that was
    // never saved. The names stand for the files in error texts.
    static std::optional<ComtradeRecord> read(QIODevice& cfg, QIODevice& dat, QString* error,
                                              const QString& cfgName = QStringLiteral("cfg"),
                                              const QString& datName = QStringLiteral("dat"));

    // The .dat beside `cfgPath`, or an empty string when there is none.
    static QString dataPath(const QString& cfgPath);

    // Limits past which a record is refused rather than read.
    static constexpr qint64 maxConfigBytes = 16 * 1024 * 1024;
    static constexpr qint64 maxSamples = 100'000'000;
    static constexpr qint64 maxValues = 400'000'000; // samples × channels
};

#endif
