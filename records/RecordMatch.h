#ifndef TALVIK_RECORDS_RECORDMATCH_H
#define TALVIK_RECORDS_RECORDMATCH_H

#include <QVector>

struct CrashProcessHeader;
struct JournalEntry;

// An event of the journal and a fault record belong together when the
// event's time and the record's trigger agree within this: the relay stamps
// the event when the protection trips and the record when it picks up, half a
// second or so apart, and its clock has whole milliseconds.
constexpr int recordMatchToleranceMs = 1000;

// The record (its index in `headers`, the relay's record number) whose trigger
// lies within the tolerance of the event's time, the nearest one if several
// do; -1 for none. Slots that hold no valid record and dates that do not exist
// match nothing.
int matchingRecord(const JournalEntry& event, const QVector<CrashProcessHeader>& headers);

#endif
