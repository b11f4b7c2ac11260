#ifndef TALVIK_CLI_VALUEFORMAT_H
#define TALVIK_CLI_VALUEFORMAT_H

#include <QJsonObject>
#include <QStringList>

class QDateTime;
struct CrashProcessHeader;
struct MeasuredValues;

// The command line's printed forms of the live values and the record list.
// The JSON shapes are read by other programs: keys and types stay as they
// are. A value the window leaves empty is "-" in text and null in JSON; the
// bit fields name their bits by the relay's abbreviations.
class ValueFormat
{
public:
    // "name = value unit", one line per value.
    static QStringList valueLines(const MeasuredValues& values);
    // One line per poll: the time stamp, then name=value pairs.
    static QString monitorLine(const QDateTime& time, const MeasuredValues& values);
    // Keys Ia, Ib, Ic, 3I0, 3U0, angle (numbers) and leds, inputs, outputs
    // (objects of one boolean per bit).
    static QJsonObject valuesJson(const MeasuredValues& values);
    static QJsonObject monitorJson(const QDateTime& time, const MeasuredValues& values);

    // records-list's first line: the names of recordLine()'s columns.
    static QString recordHeaderLine();
    // "number valid date time pre-fault fault", or "number invalid".
    static QString recordLine(int number, const CrashProcessHeader& header);
    // number, valid, date, time, preFaultSeconds, faultSeconds (the last four
    // null for a slot without a record).
    static QJsonObject recordJson(int number, const CrashProcessHeader& header);

    static QString timeStamp(const QDateTime& time);

private:
    ValueFormat() = delete;
};

#endif
