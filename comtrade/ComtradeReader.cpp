#include "comtrade/ComtradeReader.h"

#include "comtrade/ComtradeDataReader.h"
#include "comtrade/ComtradeParsing.h"

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

using namespace comtradeparsing;

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
    // Both are at most the largest qint64: their sum is taken only when it fits.
    const bool sumFits = *analogCount <= std::numeric_limits<qint64>::max() - *digitalCount;
    if (!sumFits || *analogCount + *digitalCount != total)
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

namespace {

// Why a file did not open, in the user's words: the system's own text is
// English and names no remedy.
QString openFailure(const QFile& file)
{
    const QFileInfo info(file.fileName());
    if (!info.exists())
        return QStringLiteral("файл не найден");
    if (info.isDir())
        return QStringLiteral("это папка, а не файл");
    if (!info.isReadable())
        return QStringLiteral("нет прав на чтение файла");
    return QStringLiteral("файл не открывается для чтения");
}

} // namespace

std::optional<ComtradeRecord> ComtradeReader::read(const QString& cfgPath, QString* error)
{
    QString ignored;
    if (error == nullptr)
        error = &ignored;
    const QString cfgName = QFileInfo(cfgPath).fileName();
    QFile cfg(cfgPath);
    if (!cfg.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Не удалось открыть %1: %2").arg(quoted(cfgName), openFailure(cfg));
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
                     .arg(quoted(QFileInfo(datPath).fileName()), openFailure(dat));
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
