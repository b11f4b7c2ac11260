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

    void keepSettings(const ArchiveRelayIdentity& relay,
                      const QVector<ConfigFile::RegisterValue>& image);
    void keepWrite(const ArchiveRelayIdentity& relay,
                   const QVector<ConfigFile::RegisterValue>& before,
                   const QVector<ConfigFile::RegisterValue>& after, int written, bool verified,
                   const QString& verification);
    void keepJournal(const ArchiveRelayIdentity& relay, const LogReader& reader);
    // The record as the program writes it: its COMTRADE pair from the
    // header and the samples in the relay's storage order.
    void keepRecord(const ArchiveRelayIdentity& relay, const CrashProcessHeader& header,
                    const QByteArray& samples);

    // Why keeping failed ("Архив недоступен: …", "Не удалось сохранить в
    // архив: …"), the first time it did; then empty.
    QString takeFailure();

private:
    RelayHistory(const RelayHistory&) = delete;
    RelayHistory& operator=(const RelayHistory&) = delete;

    // The open archive, or null (with the failure noted).
    Archive* archive();
    void noteFailure(qint64 id);

    QString location;
    std::unique_ptr<Archive> opened;
    QString failure;
    bool failureTold = false;
};

#endif
