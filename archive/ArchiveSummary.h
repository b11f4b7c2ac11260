#ifndef TALVIK_ARCHIVE_ARCHIVESUMMARY_H
#define TALVIK_ARCHIVE_ARCHIVESUMMARY_H

class QDateTime;
class QString;

// The one line the archive's list shows for each item, in Russian with the
// numbers agreeing with their nouns.
class ArchiveSummary
{
public:
    // "64 уставки"
    static QString settings(int count);
    // "Записано 3 уставки, проверка пройдена" / "..., проверка не пройдена"
    static QString write(int count, bool verified);
    // "26 событий (2 новых)"
    static QString journal(int events, int fresh);
    // "Осциллограмма 01.01.2019 00:01:00.250" after the trigger, or after the
    // base name when the trigger is not known.
    static QString record(const QDateTime& trigger, const QString& baseName);

    // The noun's form for n: one (1, 21...), few (2-4, 22-24...) or many.
    static QString agree(int n, const char* one, const char* few, const char* many);

private:
    ArchiveSummary() = delete;
};

#endif
