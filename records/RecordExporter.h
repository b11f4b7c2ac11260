#ifndef TALVIK_RECORDS_RECORDEXPORTER_H
#define TALVIK_RECORDS_RECORDEXPORTER_H

class CrashProcessReader;
class QString;
struct CrashProcessHeader;

// Names and writes the COMTRADE pair of a fault record that has been read.
// The window and the command line both export through here, so the same
// record gives the same file names and the same bytes from either.
class RecordExporter
{
public:
    enum class Result
    {
        Saved,
        // The header cannot be expressed in the format: nothing is written.
        Unexportable,
        // One of the files could not be written completely, or the record
        // has not been read.
        WriteFailed
    };

    // Writes record `number` of the reader into `folder` as
    // basePath(header) + ".cfg" and ".dat".
    static Result saveRecord(const CrashProcessReader& reader, int number, const QString& folder);
    // folder + "/" + the name after the trigger time.
    static QString basePath(const CrashProcessHeader& header, const QString& folder);

private:
    RecordExporter() = delete;
};

#endif
