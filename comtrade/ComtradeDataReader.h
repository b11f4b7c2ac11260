#ifndef TALVIK_COMTRADE_COMTRADEDATAREADER_H
#define TALVIK_COMTRADE_COMTRADEDATAREADER_H

#include "comtrade/ComtradeParsing.h"

#include <QString>
#include <QVector>

class QIODevice;

namespace comtradeparsing {

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

} // namespace comtradeparsing

#endif
