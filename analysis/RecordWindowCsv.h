#ifndef TALVIK_ANALYSIS_RECORDWINDOWCSV_H
#define TALVIK_ANALYSIS_RECORDWINDOWCSV_H

#include <QVector>

#include <utility>

class QIODevice;
class QString;
struct ComtradeRecord;

// A stretch of a fault record as a CSV file for a spreadsheet: the header
// line "Время, мс;<channel>;…", then one line per sample whose time lies in
// the window: the time from the trigger in ms, then each channel's value in
// primary units (a digital channel's 0 or 1). Fields are separated by ';'
// and numbers written with a decimal comma, as a Russian spreadsheet reads
// them; a missing value is an empty field. Lines end in '\n' and the text is
// in the system's 8-bit encoding, as the event journal's CSV.
class RecordWindowCsv
{
public:
    // channels: numbered analog first, then digital, in .cfg order (as the
    // viewer numbers them); unknown numbers are left out. False on a write
    // error.
    static bool write(QIODevice& device, const ComtradeRecord& record, double fromMs, double toMs,
                      const QVector<int>& channels);
    // The same into a file; an existing file is left as it was on failure.
    static bool save(const QString& fileName, const ComtradeRecord& record, double fromMs,
                     double toMs, const QVector<int>& channels);

    // The samples [first, last) whose time from the trigger lies in
    // [fromMs, toMs].
    static std::pair<int, int> samplesIn(const ComtradeRecord& record, double fromMs, double toMs);
    // A value as written: up to nine significant digits, no exponent, no
    // trailing zeros, a decimal comma; empty when missing.
    static QString number(double value);

private:
    RecordWindowCsv() = delete;
};

#endif
