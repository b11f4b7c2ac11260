#include "records/ReaderRequests.h"

void ReaderRequests::setBatchedReads(bool on)
{
    batchedReads = on;
    support = BatchSupport::Untried;
}

void ReaderRequests::sent()
{
    waiting = true;
    watchdog->start();
}

void ReaderRequests::answered()
{
    waiting = false;
    watchdog->stop();
    attempts = 0;
}

ReaderRequests::Next ReaderRequests::ended(bool refused, bool batch)
{
    if (!waiting)
        return Next::Nothing;
    waiting = false;
    watchdog->stop();
    if (refused && batch && support == BatchSupport::Untried) {
        support = BatchSupport::Refused;
        return Next::FallBack;
    }
    ++attempts;
    return attempts >= maxAttempts ? Next::GiveUp : Next::Retry;
}
