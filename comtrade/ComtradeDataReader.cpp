#include "comtrade/ComtradeDataReader.h"

#include <QIODevice>
#include <QtEndian>

#include <cstring>

namespace comtradeparsing {

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

} // namespace comtradeparsing
