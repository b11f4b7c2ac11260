#ifndef TALVIK_COMTRADE_COMTRADEPARSING_H
#define TALVIK_COMTRADE_COMTRADEPARSING_H

#include "comtrade/ComtradeReader.h"

#include <QByteArray>
#include <QDate>
#include <QIODevice>
#include <QString>
#include <QVector>

#include <charconv>
#include <cmath>
#include <limits>

// What the .cfg parser and the .dat reader share: number parsing in the C
// locale, error texts that name the file and line, and the layout of the
// samples the .cfg describes.
namespace comtradeparsing {

constexpr double missing = std::numeric_limits<double>::quiet_NaN();
constexpr qint64 nsPerDay = 86'400'000'000'000LL;
// Files are read in blocks of about this size, whatever their length.
constexpr int blockBytes = 64 * 1024;

// Up to `limit` bytes and one more, so that a longer device shows as such.
inline QByteArray readLimited(QIODevice& device, qint64 limit)
{
    QByteArray bytes;
    while (bytes.size() <= limit) {
        const QByteArray block = device.read(qMin<qint64>(blockBytes, limit + 1 - bytes.size()));
        if (block.isEmpty())
            break;
        bytes.append(block);
    }
    return bytes;
}

inline QString quoted(const QString& text)
{
    return QStringLiteral("«%1»").arg(text);
}

inline QString atLine(const QString& file, qint64 line, const QString& text)
{
    return QStringLiteral("%1, строка %2: %3").arg(quoted(file)).arg(line).arg(text);
}

// Trims blanks on both sides of [*begin, *end).
inline void trim(const char** begin, const char** end)
{
    while (*begin < *end && (**begin == ' ' || **begin == '\t'))
        ++*begin;
    while (*end > *begin && ((*end)[-1] == ' ' || (*end)[-1] == '\t' || (*end)[-1] == '\r'))
        --*end;
}

// Decimal numbers in the C locale's form, whatever the user's locale; a
// leading plus sign is allowed, as writers of exponents like to add one.
inline bool parseDouble(const char* begin, const char* end, double* value)
{
    trim(&begin, &end);
    if (begin < end && *begin == '+')
        ++begin;
    if (begin == end || *begin == '+')
        return false;
    const std::from_chars_result result = std::from_chars(begin, end, *value);
    return result.ec == std::errc() && result.ptr == end && std::isfinite(*value);
}

inline bool parseInteger(const char* begin, const char* end, qint64* value)
{
    trim(&begin, &end);
    if (begin < end && *begin == '+')
        ++begin;
    if (begin == end || *begin == '+')
        return false;
    long long parsed = 0;
    const std::from_chars_result result = std::from_chars(begin, end, parsed);
    *value = parsed;
    return result.ec == std::errc() && result.ptr == end;
}

inline bool parseDouble(const QString& text, double* value)
{
    const QByteArray bytes = text.toLatin1();
    return parseDouble(bytes.constData(), bytes.constData() + bytes.size(), value);
}

inline bool parseInteger(const QString& text, qint64* value)
{
    const QByteArray bytes = text.toLatin1();
    return parseInteger(bytes.constData(), bytes.constData() + bytes.size(), value);
}

inline bool allDigits(const QString& text, int maxLength)
{
    if (text.isEmpty() || text.size() > maxLength)
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// A .cfg time stamp: the calendar date and the nanoseconds since midnight.
struct Stamp
{
    QDate date; // invalid when the file gives no date
    qint64 nsOfDay = 0;
};

// Everything the .dat reader needs from the .cfg.
struct DataLayout
{
    ComtradeRecord::DataFormat format = ComtradeRecord::DataFormat::Ascii;
    qint64 sampleCount = 0;
    // The 1999 revision marks a missing ASCII value with 99999.
    bool asciiMissing99999 = false;
    // Per analog channel: primary value = factor · raw + offset.
    QVector<double> factor;
    QVector<double> offset;
};

} // namespace comtradeparsing

#endif
