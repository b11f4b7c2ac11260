#ifndef TALVIK_SESSION_RELAYHISTORY_H
#define TALVIK_SESSION_RELAYHISTORY_H

#include "archive/Archive.h"

#include <QString>
#include <QVector>

#include <memory>

class LogReader;
struct CrashProcessHeader;

// Keeps what was read from or written to a relay in the archive, for the
// window and the command line alike. The archive is opened with the first
// item. Keeping never stands in the way of the reading or writing it
// follows: a failure (archive locked, disk full, server unreachable) leaves
// nothing half-written and is told once through takeFailure(), with the
// reading's own result unchanged.
class RelayHistory
{
public:
    // An empty location: no archive, nothing kept.
    explicit RelayHistory(const QString& location);
    ~RelayHistory();

    bool enabled() const { return !location.isEmpty(); }
    // Opens the archive now: false when it is on and cannot be opened
    // (takeFailure() says why).
    bool isUsable();
    // The archive's words on the last store or query that failed.
    QString errorText() const;

    // Each keep*() tells whether the item was kept (false also with the
    // archive off).
    bool keepSettings(const ArchiveRelayIdentity& relay,
                      const QVector<ConfigFile::RegisterValue>& image);
    void keepWrite(const ArchiveRelayIdentity& relay,
                   const QVector<ConfigFile::RegisterValue>& before,
                   const QVector<ConfigFile::RegisterValue>& after, int written, bool verified,
                   const QString& verification);
    // The number of events kept for the first time, or -1 when the reading
    // was not kept.
    int keepJournal(const ArchiveRelayIdentity& relay, const LogReader& reader);
    // The record as the program writes it: its COMTRADE pair from the
    // header and the samples in the relay's storage order.
    bool keepRecord(const ArchiveRelayIdentity& relay, const CrashProcessHeader& header,
                    const QByteArray& samples);
    // Whether the archive holds the relay's record of this header's trigger
    // time already (false with the archive off).
    bool knowsRecord(const QString& relayName, const CrashProcessHeader& header);

    // Why keeping failed ("Архив недоступен: …", "Не удалось сохранить в
    // архив: …"), the first time it did; then empty.
    QString takeFailure();

private:
    RelayHistory(const RelayHistory&) = delete;
    RelayHistory& operator=(const RelayHistory&) = delete;

    // The open archive, or null (with the failure noted).
    Archive* archive();
    bool noteFailure(qint64 id);

    QString location;
    std::unique_ptr<Archive> opened;
    QString failure;
    bool failureTold = false;
};

#endif
