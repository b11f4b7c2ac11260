#include "records/RecordExporter.h"

#include "records/ComtradeWriter.h"
#include "records/CrashProcessReader.h"

#include <QString>

RecordExporter::Result RecordExporter::saveRecord(const CrashProcessReader& reader, int number,
                                                  const QString& folder)
{
    const CrashProcessHeader* header = reader.header(number);
    if (header == nullptr || !ComtradeWriter::isExportable(*header))
        return Result::Unexportable;
    const ComtradeWriter writer(basePath(*header, folder));
    return writer.save(*header, reader.samples(number)) ? Result::Saved : Result::WriteFailed;
}

QString RecordExporter::basePath(const CrashProcessHeader& header, const QString& folder)
{
    return folder + QLatin1Char('/') + ComtradeWriter::baseName(header);
}
