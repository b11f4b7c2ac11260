#ifndef TALVIK_RECORDS_READERREQUESTS_H
#define TALVIK_RECORDS_READERREQUESTS_H

#include "modbus/LineTiming.h"

#include <QObject>
#include <QTimer>

// What the two record readers (CrashProcessReader, LogReader) share about the
// requests of a reading: one request waited for at a time, each sent at most
// maxAttempts times (a failed attempt is retried at once), a watchdog as a
// safety net for a request the client would end without calling back, and
// whether the relay takes batched reads, which the first batched request
// decides for the rest of the connection: refused (an exception, the wrong
// length or no answer), the reader goes on one at a time, and that is not a
// failed attempt.
//
// The reader calls sent() as it sends a request, answered() when the answer
// it waits for has arrived (and batchTaken() once a batch of several has been
// used), and ended() when the request ended without it; ended() says what to
// do next.
class ReaderRequests
{
public:
    static constexpr int maxAttempts = 3;
    // Long enough for a request that waits in the client's queue behind
    // another reader's and a poll read (each up to the 1000 ms response
    // timeout and the 1000 ms window for its late answer), then times out.
    static constexpr int defaultWatchdogInterval = 5500;

    // What follows a request that ended without its answer.
    enum class Next
    {
        // Nothing was waited for: a late failure of an abandoned request
        // ends (or re-ends) nothing.
        Nothing,
        // The first batched request was refused: the same part is asked for
        // again, one at a time from now on.
        FallBack,
        // A failed attempt: the same request again.
        Retry,
        // The last attempt failed: the reading has failed.
        GiveUp
    };

    // The watchdog is a child of the owner and calls its `expired` when a
    // request has been waited for longer than the watchdog interval.
    template <typename Owner>
    ReaderRequests(Owner* owner, void (Owner::*expired)()) : watchdog(new QTimer(owner))
    {
        watchdog->setSingleShot(true);
        watchdog->setInterval(LineTiming::scaled(defaultWatchdogInterval));
        QObject::connect(watchdog, &QTimer::timeout, owner, expired);
    }

    void setWatchdogInterval(int milliseconds) { watchdog->setInterval(milliseconds); }
    // Off by default. Setting it (for each new connection) forgets whether
    // the relay was found to take batched reads.
    void setBatchedReads(bool on);
    // Several samples or entries may be asked for in one request: batched
    // reads are on and the relay has not refused them.
    bool batchesAllowed() const { return batchedReads && support != BatchSupport::Refused; }

    // A new reading: its first request is a first attempt.
    void startReading() { attempts = 0; }
    // A request goes out and is waited for. Call it before handing the
    // request to the client: the client may answer from inside the call.
    void sent();
    bool isWaiting() const { return waiting; }
    // The answer waited for has arrived: the next request is a first attempt.
    void answered();
    // A batch of several has been answered and used: the relay takes them.
    void batchTaken() { support = BatchSupport::Supported; }
    // The request waited for ended without its answer. `refused` when the
    // relay may not take the request's form (an exception, the wrong length,
    // no answer); `batch` when it asked for more than one sample or entry.
    // A garbled answer says nothing about the relay: the batch is retried.
    Next ended(bool refused, bool batch);

private:
    // How far the relay was found to take batched reads.
    enum class BatchSupport
    {
        Untried,
        Supported,
        Refused
    };

    QTimer* watchdog;
    bool waiting = false;
    int attempts = 0;
    bool batchedReads = false;
    BatchSupport support = BatchSupport::Untried;
};

#endif
