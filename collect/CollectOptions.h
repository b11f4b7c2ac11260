#ifndef TALVIK_COLLECT_COLLECTOPTIONS_H
#define TALVIK_COLLECT_COLLECTOPTIONS_H

#include "session/RelayConnection.h"

#include <QString>

// What holds for every relay of one collecting run, whoever starts it (the
// command line or the window).
struct CollectOptions
{
    // The frame end on every line: the line's silence of charInterval ms,
    // and, unless silenceOnly, an answer's awaited length.
    int charInterval = RelayConnection::defaultCharInterval;
    bool silenceOnly = false;
    // The archive as ArchiveLocation resolves it; empty: no archive.
    QString archiveLocation;
    // The folder the relays' files go to as well (a folder per relay);
    // empty: the archive only.
    QString outFolder;
};

#endif
