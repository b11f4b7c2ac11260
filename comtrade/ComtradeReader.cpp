#include "comtrade/ComtradeReader.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QList>
#include <QStringList>
#include <QTime>
#include <QtEndian>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr double missing = std::numeric_limits<double>::quiet_NaN();
constexpr qint64 nsPerDay = 86'400'000'000'000LL;
// Files are read in blocks of about this size, whatever their length.
constexpr int blockBytes = 64 * 1024;

// Up to `limit` bytes and one more, so that a longer device shows as such.
QByteArray readLimited(QIODevice& device, qint64 limit)
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

QString quoted(const QString& text)
{
    return QStringLiteral("«%1»").arg(text);
}

QString atLine(const QString& file, qint64 line, const QString& text)
{
    return QStringLiteral("%1, строка %2: %3").arg(quoted(file)).arg(line).arg(text);
}

// Trims blanks on both sides of [*begin, *end).
void trim(const char** begin, const char** end)
{
    while (*begin < *end && (**begin == ' ' || **begin == '\t'))
        ++*begin;
    while (*end > *begin && ((*end)[-1] == ' ' || (*end)[-1] == '\t' || (*end)[-1] == '\r'))
        --*end;
}

// Decimal numbers in the C locale's form, whatever the user's locale; a
// leading plus sign is allowed, as writers of exponents like to add one.
bool parseDouble(const char* begin, const char* end, double* value)
{
    trim(&begin, &end);
    if (begin < end && *begin == '+')
        ++begin;
    if (begin == end || *begin == '+')
        return false;
    const std::from_chars_result result = std::from_chars(begin, end, *value);
    return result.ec == std::errc() && result.ptr == end && std::isfinite(*value);
}

bool parseInteger(const char* begin, const char* end, qint64* value)
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

bool parseDouble(const QString& text, double* value)
{
    const QByteArray bytes = text.toLatin1();
    return parseDouble(bytes.constData(), bytes.constData() + bytes.size(), value);
}

bool parseInteger(const QString& text, qint64* value)
{
    const QByteArray bytes = text.toLatin1();
    return parseInteger(bytes.constData(), bytes.constData() + bytes.size(), value);
}

bool allDigits(const QString& text, int maxLength)
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

// ---------------------------------------------------------------------------
// The .cfg: comma-separated lines in a fixed order.

class ConfigParser
{
public:
    ConfigParser(const QByteArray& bytes, const QString& name);

    bool parse(ComtradeRecord* record, DataLayout* layout);
    QString error;

private:
    bool next(QStringList* fields, int minimum, const QString& expected);
    bool fail(const QString& text);
    bool number(const QString& field, const QString& what, double* value);
    bool integer(const QString& field, const QString& what, qint64* value);

    bool parseIdentification();
    bool parseChannelCounts(qint64* analogCount, qint64* digitalCount);
    bool parseAnalog(qint64 position);
    bool parseDigital(qint64 position);
    bool parseFrequency();
    bool parseRates(DataLayout* layout);
    bool parseStamp(Stamp* stamp, const QString& what);
    bool parseFormat(DataLayout* layout);
    bool parseTimeMultiplier();
    void setTimes(const Stamp& start, const Stamp& trigger);

    QList<QByteArray> lines;
    QString name;
    int line = 0; // 1-based number of the line last taken
    ComtradeRecord* record = nullptr;
};

ConfigParser::ConfigParser(const QByteArray& bytes, const QString& fileName) : name(fileName)
{
    lines = bytes.split('\n');
    for (QByteArray& text : lines) {
        if (text.endsWith('\r'))
            text.chop(1);
    }
    // Writers end the last line, and some add blank lines or a DOS end-of-file mark.
    while (!lines.isEmpty() &&
           (lines.last().trimmed().isEmpty() || lines.last().trimmed() == "\x1a"))
        lines.removeLast();
}

bool ConfigParser::fail(const QString& text)
{
    error = atLine(name, line, text);
    return false;
}

bool ConfigParser::next(QStringList* fields, int minimum, const QString& expected)
{
    ++line;
    if (line > lines.size())
        return fail(QStringLiteral("файл кончился, а ожидалась строка: %1").arg(expected));
    *fields = QString::fromUtf8(lines.at(line - 1)).split(QLatin1Char(','));
    for (QString& field : *fields)
        field = field.trimmed();
    if (fields->size() < minimum)
        return fail(QStringLiteral("ожидалось %1").arg(expected));
    return true;
}

bool ConfigParser::number(const QString& field, const QString& what, double* value)
{
    if (parseDouble(field, value))
        return true;
    return fail(QStringLiteral("%1: ожидалось число, а не %2").arg(what, quoted(field)));
}

bool ConfigParser::integer(const QString& field, const QString& what, qint64* value)
{
    if (parseInteger(field, value))
        return true;
    return fail(QStringLiteral("%1: ожидалось целое число, а не %2").arg(what, quoted(field)));
}

bool ConfigParser::parse(ComtradeRecord* target, DataLayout* layout)
{
    record = target;
    qint64 analogCount = 0;
    qint64 digitalCount = 0;
    if (!parseIdentification() || !parseChannelCounts(&analogCount, &digitalCount))
        return false;
    for (qint64 i = 0; i < analogCount; ++i) {
        if (!parseAnalog(i + 1))
            return false;
    }
    for (qint64 i = 0; i < digitalCount; ++i) {
        if (!parseDigital(i + 1))
            return false;
    }
    Stamp start;
    Stamp trigger;
    if (!parseFrequency() || !parseRates(layout) ||
        !parseStamp(&start, QStringLiteral("дата и время первой выборки")) ||
        !parseStamp(&trigger, QStringLiteral("дата и время пуска")) || !parseFormat(layout) ||
        !parseTimeMultiplier())
        return false;
    setTimes(start, trigger);

    // The rest of a 2013 file (time zone and time quality lines) is not used.
    layout->asciiMissing99999 = record->revision == 1999;
    for (const ComtradeAnalogChannel& channel : record->analog) {
        const double ratio = channel.primaryFlag ? 1.0 : channel.primary / channel.secondary;
        layout->factor.append(channel.a * ratio);
        layout->offset.append(channel.b * ratio);
    }
    return true;
}

bool ConfigParser::parseIdentification()
{
    QStringList f;
    if (!next(&f, 2, QStringLiteral("«имя станции,устройство,год редакции»")))
        return false;
    record->station = f[0];
    record->deviceId = f[1];
    // The 1991 revision has no year field.
    if (f.size() < 3 || f[2].isEmpty()) {
        record->revision = 1991;
        return true;
    }
    qint64 year = 0;
    if (!parseInteger(f[2], &year) || (year != 1991 && year != 1999 && year != 2013))
        return fail(QStringLiteral("неизвестный год редакции %1 (ожидалось 1991, 1999 или 2013)")
                        .arg(quoted(f[2])));
    record->revision = static_cast<int>(year);
    return true;
}

bool ConfigParser::parseChannelCounts(qint64* analogCount, qint64* digitalCount)
{
    QStringList f;
    const QString expected = QStringLiteral("число каналов «всего,##A,##D»");
    if (!next(&f, 3, expected))
        return false;
    qint64 total = 0;
    if (!parseInteger(f[0], &total) || !f[1].endsWith(QLatin1Char('A'), Qt::CaseInsensitive) ||
        !f[2].endsWith(QLatin1Char('D'), Qt::CaseInsensitive) ||
        !parseInteger(f[1].chopped(1), analogCount) ||
        !parseInteger(f[2].chopped(1), digitalCount) || *analogCount < 0 || *digitalCount < 0)
        return fail(QStringLiteral("ожидалось %1, а не %2")
                        .arg(expected, quoted(f.join(QLatin1Char(',')))));
    if (*analogCount + *digitalCount != total)
        return fail(QStringLiteral("всего каналов %1, а аналоговых %2 и дискретных %3")
                        .arg(total)
                        .arg(*analogCount)
                        .arg(*digitalCount));
    // Every channel has a line of its own, so the counts cannot exceed them.
    if (total > lines.size() - line)
        return fail(QStringLiteral("заявлено %1 каналов, а строк в файле осталось %2")
                        .arg(total)
                        .arg(lines.size() - line));
    return true;
}

bool ConfigParser::parseAnalog(qint64 position)
{
    const bool withRatio = record->revision != 1991;
    const int fields = withRatio ? 13 : 10;
    QStringList f;
    if (!next(&f, fields,
              QStringLiteral("описание аналогового канала %1 (%2 полей через запятую)")
                  .arg(position)
                  .arg(fields)))
        return false;
    ComtradeAnalogChannel channel;
    const QString of = QStringLiteral(" аналогового канала %1").arg(position);
    qint64 index = 0;
    if (!integer(f[0], QStringLiteral("номер") + of, &index))
        return false;
    channel.index = static_cast<int>(qBound<qint64>(0, index, std::numeric_limits<int>::max()));
    channel.name = f[1];
    channel.phase = f[2];
    channel.circuit = f[3];
    channel.unit = f[4];
    if (!number(f[5], QStringLiteral("множитель a") + of, &channel.a) ||
        !number(f[6], QStringLiteral("смещение b") + of, &channel.b))
        return false;
    // Skew and range are informative only; writers often leave them empty.
    if ((!f[7].isEmpty() && !number(f[7], QStringLiteral("сдвиг") + of, &channel.skew)) ||
        (!f[8].isEmpty() && !number(f[8], QStringLiteral("минимум") + of, &channel.min)) ||
        (!f[9].isEmpty() && !number(f[9], QStringLiteral("максимум") + of, &channel.max)))
        return false;
    if (withRatio) {
        if (!number(f[10], QStringLiteral("первичное значение") + of, &channel.primary) ||
            !number(f[11], QStringLiteral("вторичное значение") + of, &channel.secondary))
            return false;
        const QString flag = f[12].toUpper();
        if (flag != QLatin1String("P") && flag != QLatin1String("S"))
            return fail(
                QStringLiteral("признак P/S%1: ожидалось P или S, а не %2").arg(of, quoted(f[12])));
        channel.primaryFlag = flag == QLatin1String("P");
        if (!channel.primaryFlag && channel.secondary == 0)
            return fail(QStringLiteral("вторичное значение%1 равно 0").arg(of));
    }
    record->analog.append(channel);
    return true;
}

bool ConfigParser::parseDigital(qint64 position)
{
    // 1991: Dn,ch_id,y; later revisions: Dn,ch_id,ph,ccbm,y.
    const int fields = record->revision == 1991 ? 3 : 5;
    QStringList f;
    if (!next(&f, fields,
              QStringLiteral("описание дискретного канала %1 (%2 полей через запятую)")
                  .arg(position)
                  .arg(fields)))
        return false;
    const bool shortForm = f.size() < 5;
    ComtradeDigitalChannel channel;
    const QString of = QStringLiteral(" дискретного канала %1").arg(position);
    qint64 index = 0;
    if (!integer(f[0], QStringLiteral("номер") + of, &index))
        return false;
    channel.index = static_cast<int>(qBound<qint64>(0, index, std::numeric_limits<int>::max()));
    channel.name = f[1];
    if (!shortForm) {
        channel.phase = f[2];
        channel.circuit = f[3];
    }
    const QString& normal = shortForm ? f[2] : f[4];
    if (!normal.isEmpty() && normal != QLatin1String("0") && normal != QLatin1String("1"))
        return fail(QStringLiteral("нормальное состояние%1: ожидалось 0 или 1, а не %2")
                        .arg(of, quoted(normal)));
    channel.normalState = normal == QLatin1String("1") ? 1 : 0;
    record->digital.append(channel);
    return true;
}

bool ConfigParser::parseFrequency()
{
    QStringList f;
    return next(&f, 1, QStringLiteral("частота сети")) &&
           number(f[0], QStringLiteral("частота сети"), &record->lineFrequency) &&
           (record->lineFrequency >= 0 ||
            fail(QStringLiteral("частота сети не может быть отрицательной")));
}

bool ConfigParser::parseRates(DataLayout* layout)
{
    QStringList f;
    qint64 count = 0;
    if (!next(&f, 1, QStringLiteral("число частот дискретизации")) ||
        !integer(f[0], QStringLiteral("число частот дискретизации"), &count))
        return false;
    if (count < 0 || count > lines.size() - line)
        return fail(QStringLiteral("число частот дискретизации %1 не согласуется с числом строк "
                                   "файла")
                        .arg(count));
    // With no rates the file still gives one line "0,last sample number".
    const qint64 rateLines = qMax<qint64>(count, 1);
    const QString expected = QStringLiteral("«частота дискретизации,номер последней выборки»");
    for (qint64 i = 0; i < rateLines; ++i) {
        ComtradeSampleRate rate;
        if (!next(&f, 2, expected) ||
            !number(f[0], QStringLiteral("частота дискретизации"), &rate.rate) ||
            !integer(f[1], QStringLiteral("номер последней выборки"), &rate.lastSample))
            return false;
        if (rate.rate < 0)
            return fail(QStringLiteral("частота дискретизации не может быть отрицательной"));
        const qint64 previous = record->rates.isEmpty() ? 0 : record->rates.last().lastSample;
        if (rate.lastSample <= previous)
            return fail(QStringLiteral("номер последней выборки %1 должен быть больше %2")
                            .arg(rate.lastSample)
                            .arg(previous));
        if (rate.lastSample > ComtradeReader::maxSamples)
            return fail(QStringLiteral("заявлено слишком много выборок: %1 (не больше %2)")
                            .arg(rate.lastSample)
                            .arg(ComtradeReader::maxSamples));
        record->rates.append(rate);
        layout->sampleCount = rate.lastSample;
    }
    if (count == 0)
        record->rates.clear();
    const qint64 channels = 1 + record->analog.size() + record->digital.size();
    if (layout->sampleCount * channels > ComtradeReader::maxValues)
        return fail(QStringLiteral("запись слишком велика: %1 выборок по %2 каналов")
                        .arg(layout->sampleCount)
                        .arg(channels - 1));
    return true;
}

bool ConfigParser::parseStamp(Stamp* stamp, const QString& what)
{
    QStringList f;
    const QString shape = quoted(QStringLiteral("дд/мм/гггг,чч:мм:сс.ssssss"));
    if (!next(&f, 2, QStringLiteral("%1 (%2)").arg(shape, what)))
        return false;
    const QString text = f.join(QLatin1Char(','));
    const QStringList date = f[0].split(QLatin1Char('/'));
    const QStringList clock = f[1].split(QLatin1Char(':'));
    const QStringList seconds = clock.value(2).split(QLatin1Char('.'));
    const QString fraction = seconds.value(1);
    const bool shaped = f.size() == 2 && date.size() == 3 && clock.size() == 3 &&
                        seconds.size() <= 2 && allDigits(date[0], 2) && allDigits(date[1], 2) &&
                        allDigits(date[2], 4) && allDigits(clock[0], 2) && allDigits(clock[1], 2) &&
                        allDigits(seconds[0], 2) && (fraction.isEmpty() || allDigits(fraction, 9));
    if (!shaped)
        return fail(QStringLiteral("%1: ожидалось %2, а не %3").arg(what, shape, quoted(text)));

    // The 1991 revision writes mm/dd/yy, later ones dd/mm/yyyy.
    const bool monthFirst = record->revision == 1991;
    const int day = (monthFirst ? date[1] : date[0]).toInt();
    const int month = (monthFirst ? date[0] : date[1]).toInt();
    int year = date[2].toInt();
    if (date[2].size() <= 2)
        year += year < 70 ? 2000 : 1900;
    const int hour = clock[0].toInt();
    const int minute = clock[1].toInt();
    const int second = seconds[0].toInt();
    if (hour > 23 || minute > 59 || second > 59)
        return fail(QStringLiteral("%1: неверное время %2").arg(what, quoted(text)));
    // Some recorders without a clock write zeros: the time is then unknown.
    if (day == 0 && month == 0)
        return true;
    stamp->date = QDate(year, month, day);
    if (!stamp->date.isValid())
        return fail(QStringLiteral("%1: неверная дата %2").arg(what, quoted(text)));
    const qint64 fractionNs = fraction.leftJustified(9, QLatin1Char('0')).toLongLong();
    stamp->nsOfDay = ((hour * 60LL + minute) * 60 + second) * 1'000'000'000LL + fractionNs;
    return true;
}

bool ConfigParser::parseFormat(DataLayout* layout)
{
    QStringList f;
    if (!next(&f, 1, QStringLiteral("формат файла данных")))
        return false;
    using Format = ComtradeRecord::DataFormat;
    const QString type = f[0].toUpper();
    if (type == QLatin1String("ASCII"))
        layout->format = Format::Ascii;
    else if (type == QLatin1String("BINARY"))
        layout->format = Format::Binary;
    else if (type == QLatin1String("BINARY32"))
        layout->format = Format::Binary32;
    else if (type == QLatin1String("FLOAT32"))
        layout->format = Format::Float32;
    else
        return fail(QStringLiteral("неизвестный формат файла данных %1 (ожидалось ASCII, BINARY, "
                                   "BINARY32 или FLOAT32)")
                        .arg(quoted(f[0])));
    record->format = layout->format;
    return true;
}

bool ConfigParser::parseTimeMultiplier()
{
    // Absent in the 1991 revision; some later writers leave it out too.
    record->timeMultiplier = 1;
    if (record->revision == 1991 || line >= lines.size())
        return true;
    QStringList f;
    if (!next(&f, 1, QStringLiteral("множитель отметок времени")))
        return false;
    if (f[0].isEmpty())
        return true;
    if (!number(f[0], QStringLiteral("множитель отметок времени"), &record->timeMultiplier))
        return false;
    if (record->timeMultiplier <= 0)
        return fail(QStringLiteral("множитель отметок времени должен быть больше 0"));
    return true;
}

void ConfigParser::setTimes(const Stamp& start, const Stamp& trigger)
{
    const auto toDateTime = [](const Stamp& stamp, int* microseconds) {
        if (!stamp.date.isValid())
            return QDateTime();
        *microseconds = static_cast<int>(stamp.nsOfDay / 1000 % 1000);
        const QTime time =
            QTime::fromMSecsSinceStartOfDay(static_cast<int>(stamp.nsOfDay / 1'000'000));
        return QDateTime(stamp.date, time, Qt::UTC);
    };
    record->start = toDateTime(start, &record->startMicroseconds);
    record->trigger = toDateTime(trigger, &record->triggerMicroseconds);
    if (start.date.isValid() && trigger.date.isValid()) {
        const qint64 days = start.date.daysTo(trigger.date);
        // Whole days and the time of day apart, so nanoseconds survive.
        record->triggerOffsetUs = static_cast<double>(days) * (nsPerDay / 1000.0) +
                                  static_cast<double>(trigger.nsOfDay - start.nsOfDay) / 1000.0;
    }
}

// ---------------------------------------------------------------------------
// The .dat: one record per sample, as text lines or fixed-size binary records.

class DataReader
{
public:
    DataReader(QIODevice& device, const QString& name, const DataLayout& layout,
               ComtradeRecord* record);

    bool read();
    QString error;

private:
    bool readAscii();
    bool readBinary();
    void decodeBinary(const uchar* bytes, int count, int sampleBytes);
    bool asciiLine(const char* begin, const char* end, qint64 lineNumber);
    void reserve(qint64 bytesPerSample);
    bool tooMany(const QString& where);
    bool setTimes();
    bool failAt(qint64 lineNumber, const QString& text);

    QIODevice& device;
    QString name;
    const DataLayout& layout;
    ComtradeRecord* record;
    int analogCount;
    int digitalCount;
    qint64 samples = 0;
    QVector<const char*> fieldEnds; // scratch for one ASCII line
};

DataReader::DataReader(QIODevice& dataDevice, const QString& fileName, const DataLayout& dataLayout,
                       ComtradeRecord* target)
    : device(dataDevice), name(fileName), layout(dataLayout), record(target),
      analogCount(target->analog.size()), digitalCount(target->digital.size())
{
}

bool DataReader::failAt(qint64 lineNumber, const QString& text)
{
    error = atLine(name, lineNumber, text);
    return false;
}

// Room for the samples the device can actually hold, never more than the
// .cfg declares: the declared count alone sizes nothing.
void DataReader::reserve(qint64 bytesPerSample)
{
    qint64 count = layout.sampleCount;
    if (!device.isSequential())
        count = qMin(count, (device.size() - device.pos()) / qMax<qint64>(1, bytesPerSample) + 1);
    else
        count = qMin<qint64>(count, 65536);
    const int reserved = static_cast<int>(qMax<qint64>(0, count));
    record->timeUs.reserve(reserved);
    for (ComtradeAnalogChannel& channel : record->analog)
        channel.values.reserve(reserved);
    for (ComtradeDigitalChannel& channel : record->digital)
        channel.states.reserve(reserved);
}

bool DataReader::tooMany(const QString& where)
{
    error = QStringLiteral("%1, %2: выборок больше, чем заявлено в конфигурации (%3)")
                .arg(quoted(name), where)
                .arg(layout.sampleCount);
    return false;
}

bool DataReader::read()
{
    const bool ok = layout.format == ComtradeRecord::DataFormat::Ascii ? readAscii() : readBinary();
    if (!ok)
        return false;
    if (samples != layout.sampleCount) {
        error = QStringLiteral("%1: в файле данных %2 выборок, а в конфигурации заявлено %3")
                    .arg(quoted(name))
                    .arg(samples)
                    .arg(layout.sampleCount);
        return false;
    }
    return setTimes();
}

bool DataReader::readAscii()
{
    // Each field takes at least one character and a separator.
    reserve(2 * (2 + analogCount + digitalCount));
    fieldEnds.resize(2 + analogCount + digitalCount + 1);
    // A line can hardly be longer than this: 40 characters a field.
    const qint64 maxLine = qint64(40) * (2 + analogCount + digitalCount) + 1024;
    QByteArray pending;
    qint64 lineNumber = 0;
    for (;;) {
        const QByteArray block = device.read(blockBytes);
        if (block.isEmpty())
            break;
        pending.append(block);
        int from = 0;
        for (int end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n', from)) {
            if (!asciiLine(pending.constData() + from, pending.constData() + end, ++lineNumber))
                return false;
            from = end + 1;
        }
        pending.remove(0, from);
        if (pending.size() > maxLine)
            return failAt(lineNumber + 1, QStringLiteral("строка слишком длинная"));
    }
    return pending.isEmpty() ||
           asciiLine(pending.constData(), pending.constData() + pending.size(), ++lineNumber);
}

bool DataReader::asciiLine(const char* begin, const char* end, qint64 lineNumber)
{
    trim(&begin, &end);
    if (begin == end || (end - begin == 1 && *begin == '\x1a'))
        return true; // blank lines and a DOS end-of-file mark carry no sample
    if (samples >= layout.sampleCount)
        return tooMany(QStringLiteral("строка %1").arg(lineNumber));

    const int expected = 2 + analogCount + digitalCount;
    int count = 0;
    for (const char* from = begin;; ++count) {
        const char* comma = static_cast<const char*>(std::memchr(from, ',', end - from));
        if (count <= expected)
            fieldEnds[count] = comma != nullptr ? comma : end;
        if (comma == nullptr)
            break;
        from = comma + 1;
    }
    ++count;
    if (count != expected)
        return failAt(lineNumber,
                      QStringLiteral("ожидалось %1 полей через запятую (номер, отметка времени, "
                                     "%2 аналоговых и %3 дискретных), а их %4")
                          .arg(expected)
                          .arg(analogCount)
                          .arg(digitalCount)
                          .arg(count));

    // Field i lies between the separator before it and fieldEnds[i].
    const auto span = [&](int i) {
        const char* from = i == 0 ? begin : fieldEnds[i - 1] + 1;
        const char* to = fieldEnds[i];
        trim(&from, &to);
        return std::make_pair(from, to);
    };
    const auto text = [&](int i) {
        const auto [from, to] = span(i);
        return quoted(QString::fromLatin1(from, static_cast<int>(to - from)));
    };

    qint64 number = 0;
    if (!parseInteger(span(0).first, span(0).second, &number))
        return failAt(lineNumber,
                      QStringLiteral("номер выборки: ожидалось целое число, а не %1").arg(text(0)));

    double stamp = missing;
    if (span(1).first != span(1).second && !parseDouble(span(1).first, span(1).second, &stamp))
        return failAt(lineNumber,
                      QStringLiteral("отметка времени: ожидалось число, а не %1").arg(text(1)));
    record->timeUs.append(stamp * record->timeMultiplier);

    for (int i = 0; i < analogCount; ++i) {
        const auto [from, to] = span(2 + i);
        double raw = missing;
        if (from != to && !parseDouble(from, to, &raw))
            return failAt(lineNumber,
                          QStringLiteral("значение аналогового канала %1: ожидалось число, а не %2")
                              .arg(i + 1)
                              .arg(text(2 + i)));
        if (layout.asciiMissing99999 && raw == 99999)
            raw = missing;
        record->analog[i].values.append(layout.factor[i] * raw + layout.offset[i]);
    }
    for (int i = 0; i < digitalCount; ++i) {
        const auto [from, to] = span(2 + analogCount + i);
        if (to - from != 1 || (*from != '0' && *from != '1'))
            return failAt(lineNumber,
                          QStringLiteral("состояние дискретного канала %1: ожидалось 0 или 1, а "
                                         "не %2")
                              .arg(i + 1)
                              .arg(text(2 + analogCount + i)));
        record->digital[i].states.append(static_cast<uint8_t>(*from - '0'));
    }
    ++samples;
    return true;
}

// A binary value of the given format as a number; the most negative integer
// (or a NaN) marks a missing value.
double binaryValue(ComtradeRecord::DataFormat format, const uchar* p)
{
    using Format = ComtradeRecord::DataFormat;
    if (format == Format::Binary) {
        const qint16 v = qFromLittleEndian<qint16>(p);
        return v == std::numeric_limits<qint16>::min() ? missing : v;
    }
    if (format == Format::Binary32) {
        const qint32 v = qFromLittleEndian<qint32>(p);
        return v == std::numeric_limits<qint32>::min() ? missing : v;
    }
    const quint32 bits = qFromLittleEndian<quint32>(p);
    float v = 0;
    std::memcpy(&v, &bits, sizeof v);
    return std::isfinite(v) ? double(v) : missing;
}

// `count` whole samples at `bytes`, appended channel by channel: one tight
// loop per channel keeps a long record's reading quick.
void DataReader::decodeBinary(const uchar* bytes, int count, int sampleBytes)
{
    const int first = static_cast<int>(samples);
    record->timeUs.resize(first + count);
    double* times = record->timeUs.data() + first;
    for (int s = 0; s < count; ++s) {
        const quint32 stamp = qFromLittleEndian<quint32>(bytes + s * sampleBytes + 4);
        // All ones marks a missing time stamp.
        times[s] = stamp == 0xFFFFFFFFu ? missing : stamp * record->timeMultiplier;
    }
    const int valueBytes = layout.format == ComtradeRecord::DataFormat::Binary ? 2 : 4;
    for (int i = 0; i < analogCount; ++i) {
        QVector<double>& values = record->analog[i].values;
        values.resize(first + count);
        double* out = values.data() + first;
        const uchar* p = bytes + 8 + i * valueBytes;
        const double factor = layout.factor[i];
        const double offset = layout.offset[i];
        for (int s = 0; s < count; ++s, p += sampleBytes)
            out[s] = factor * binaryValue(layout.format, p) + offset;
    }
    const int digitalAt = 8 + valueBytes * analogCount;
    for (int i = 0; i < digitalCount; ++i) {
        QVector<uint8_t>& states = record->digital[i].states;
        states.resize(first + count);
        uint8_t* out = states.data() + first;
        const uchar* p = bytes + digitalAt + 2 * (i / 16);
        for (int s = 0; s < count; ++s, p += sampleBytes)
            out[s] = static_cast<uint8_t>(qFromLittleEndian<quint16>(p) >> (i % 16) & 1);
    }
    samples += count;
}

bool DataReader::readBinary()
{
    const int valueBytes = layout.format == ComtradeRecord::DataFormat::Binary ? 2 : 4;
    const int digitalWords = (digitalCount + 15) / 16;
    const qint64 sampleBytes = 8 + qint64(valueBytes) * analogCount + 2 * digitalWords;
    reserve(sampleBytes);
    // Whole samples a block; a huge sample is still read one at a time.
    const qint64 wanted = qMax<qint64>(1, blockBytes / sampleBytes) * sampleBytes;

    QByteArray pending;
    for (;;) {
        const QByteArray block = device.read(wanted - pending.size());
        if (block.isEmpty())
            break;
        pending.append(block);
        const int whole = static_cast<int>(pending.size() / sampleBytes);
        if (whole == 0)
            continue;
        if (samples + whole > layout.sampleCount)
            return tooMany(QStringLiteral("байт %1").arg(layout.sampleCount * sampleBytes));
        decodeBinary(reinterpret_cast<const uchar*>(pending.constData()), whole,
                     static_cast<int>(sampleBytes));
        pending.remove(0, static_cast<int>(whole * sampleBytes));
    }
    if (!pending.isEmpty()) {
        error = QStringLiteral("%1: файл данных кончается неполной выборкой (%2 байт из %3)")
                    .arg(quoted(name))
                    .arg(pending.size())
                    .arg(sampleBytes);
        return false;
    }
    return true;
}

bool DataReader::setTimes()
{
    bool fromRates = !record->rates.isEmpty();
    for (const ComtradeSampleRate& rate : record->rates)
        fromRates = fromRates && rate.rate > 0;
    record->timesFromTimestamps = !fromRates;

    if (fromRates) {
        // Each rate holds from the sample after the previous segment's last.
        double segmentStart = 0;
        qint64 first = 1;
        double step = 0;
        for (const ComtradeSampleRate& rate : record->rates) {
            step = 1e6 / rate.rate;
            if (first > 1)
                segmentStart = record->timeUs[first - 2] + step;
            for (qint64 n = first; n <= rate.lastSample; ++n)
                record->timeUs[n - 1] = segmentStart + static_cast<double>(n - first) * step;
            first = rate.lastSample + 1;
        }
        return true;
    }

    // Without a rate the time stamps are the only clock: each must be there
    // and none may go back.
    for (int i = 0; i < record->timeUs.size(); ++i) {
        const double t = record->timeUs[i];
        if (std::isnan(t) || (i > 0 && t < record->timeUs[i - 1])) {
            error = QStringLiteral("%1, выборка %2: %3")
                        .arg(quoted(name))
                        .arg(i + 1)
                        .arg(std::isnan(t) ? QStringLiteral("нет отметки времени, а частота "
                                                            "дискретизации в конфигурации 0")
                                           : QStringLiteral("отметка времени меньше предыдущей"));
            return false;
        }
    }
    return true;
}

} // namespace

QString ComtradeRecord::formatName() const
{
    switch (format) {
    case DataFormat::Ascii:
        return QStringLiteral("ASCII");
    case DataFormat::Binary:
        return QStringLiteral("BINARY");
    case DataFormat::Binary32:
        return QStringLiteral("BINARY32");
    case DataFormat::Float32:
        return QStringLiteral("FLOAT32");
    }
    return QString();
}

QString ComtradeReader::dataPath(const QString& cfgPath)
{
    const QFileInfo cfg(cfgPath);
    const QString base = cfg.completeBaseName();
    const QDir folder = cfg.absoluteDir();
    for (const QString& suffix : {QStringLiteral(".dat"), QStringLiteral(".DAT")}) {
        if (folder.exists(base + suffix))
            return folder.filePath(base + suffix);
    }
    // "Dat", "dAT", ...: the name's case beside a case-sensitive file system.
    const QStringList entries = folder.entryList(QDir::Files);
    for (const QString& entry : entries) {
        if (entry.compare(base + QStringLiteral(".dat"), Qt::CaseInsensitive) == 0 &&
            entry.startsWith(base))
            return folder.filePath(entry);
    }
    return QString();
}

std::optional<ComtradeRecord> ComtradeReader::read(const QString& cfgPath, QString* error)
{
    QString ignored;
    if (error == nullptr)
        error = &ignored;
    const QString cfgName = QFileInfo(cfgPath).fileName();
    QFile cfg(cfgPath);
    if (!cfg.open(QIODevice::ReadOnly)) {
        *error =
            QStringLiteral("Не удалось открыть %1: %2").arg(quoted(cfgName), cfg.errorString());
        return std::nullopt;
    }
    const QString datPath = dataPath(cfgPath);
    if (datPath.isEmpty()) {
        *error = QStringLiteral("Рядом с %1 нет файла данных %2")
                     .arg(quoted(cfgName),
                          quoted(QFileInfo(cfgPath).completeBaseName() + QStringLiteral(".dat")));
        return std::nullopt;
    }
    QFile dat(datPath);
    if (!dat.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Не удалось открыть %1: %2")
                     .arg(quoted(QFileInfo(datPath).fileName()), dat.errorString());
        return std::nullopt;
    }
    return read(cfg, dat, error, cfgName, QFileInfo(datPath).fileName());
}

std::optional<ComtradeRecord> ComtradeReader::read(QIODevice& cfg, QIODevice& dat, QString* error,
                                                   const QString& cfgName, const QString& datName)
{
    QString ignored;
    if (error == nullptr)
        error = &ignored;
    const QByteArray cfgBytes = readLimited(cfg, maxConfigBytes);
    if (cfgBytes.size() > maxConfigBytes) {
        *error = QStringLiteral("%1: файл конфигурации больше %2 МБ")
                     .arg(quoted(cfgName))
                     .arg(maxConfigBytes / (1024 * 1024));
        return std::nullopt;
    }
    ComtradeRecord record;
    DataLayout layout;
    ConfigParser config(cfgBytes, cfgName);
    if (!config.parse(&record, &layout)) {
        *error = config.error;
        return std::nullopt;
    }
    DataReader data(dat, datName, layout, &record);
    if (!data.read()) {
        *error = data.error;
        return std::nullopt;
    }
    return record;
}
