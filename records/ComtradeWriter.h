#ifndef TALVIK_RECORDS_COMTRADEWRITER_H
#define TALVIK_RECORDS_COMTRADEWRITER_H

#include "relay/RelayMap.h"

#include <QString>

class QByteArray;
class QDateTime;
class QIODevice;
struct CrashProcessHeader;
struct CrashProcessSample;

// Writes one fault record as an ASCII COMTRADE pair of the 1999 revision:
// basePath + ".cfg" (channels and scaling) and basePath + ".dat" (one line per
// sample, in time order). One writer per export.
//
// Use from the records workflow:
//   if (!ComtradeWriter::isExportable(header)) -> "Некорректный заголовок ..."
//   ComtradeWriter writer(folder + "/" + ComtradeWriter::baseName(header));
//   if (!writer.save(header, samples)) -> "Не удалось сохранить ..."
class ComtradeWriter
{
public:
    explicit ComtradeWriter(const QString& basePath);

    // Writes the .cfg and then the .dat, each through QSaveFile, so a file
    // that cannot be written completely leaves an existing one of that name
    // as it was; the other file is still written. False when either file
    // could not be written, and (writing neither) when the header cannot be
    // exported or the buffer is shorter than the header's N samples.
    bool save(const CrashProcessHeader& header, const QByteArray& samples) const;
    // The same for CrashProcessReader::samples(); false when there is no buffer.
    bool save(const CrashProcessHeader& header, const QByteArray* samples) const;

    // A header the format cannot express: ring position above 119, a zero
    // scale divisor, or a trigger that is no valid calendar date and time.
    static bool isExportable(const CrashProcessHeader& header);

    // "dd.MM.yyyy_hh_mm_ss.zzzz" after the trigger time, e.g.
    // 01.01.2019_00_01_00.0000; the files are this name plus ".cfg"/".dat".
    static QString baseName(const CrashProcessHeader& header);
    // "dd.MM.yyyy" and "hh:mm:ss.zzzz" of the trigger, as the record list and
    // the details show them (the base name is built from the same texts).
    static QString dateText(const CrashProcessHeader& header);
    static QString timeText(const CrashProcessHeader& header);

    // The two files, written to any device (false on a write error).
    static bool writeCfg(QIODevice& device, const CrashProcessHeader& header);
    // samples: the record's buffer in the relay's storage order, N x 14 bytes.
    static bool writeDat(QIODevice& device, const CrashProcessHeader& header,
                         const QByteArray& samples);

    // "dd/MM/yyyy,hh:mm:ss.uuuuuu\r\n".
    static QString dateTimeLine(const QDateTime& dateTime);
    // number is 1-based in time order.
    static QString dataLine(int number, const CrashProcessSample& sample);

    // Trigger time as a plain calendar date and time, and the time of the
    // first (oldest pre-fault) sample, 200 ms earlier.
    static QDateTime triggerTime(const CrashProcessHeader& header);
    static QDateTime firstSampleTime(const CrashProcessHeader& header);

    // Secondary amperes (volts for 3U0) per ADC count of a sample, as the
    // .cfg declares them; the primary value is that times the ratio.
    static double phaseMultiplier(const CrashProcessHeader& header);
    static double residualCurrentMultiplier(const CrashProcessHeader& header);
    static double residualVoltageMultiplier(const CrashProcessHeader& header);

    static constexpr int samplesPerSecond = RelayMap::samplesPerSecond;

private:
    QString basePath;
};

#endif
