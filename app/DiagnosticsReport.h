#ifndef TALVIK_APP_DIAGNOSTICSREPORT_H
#define TALVIK_APP_DIAGNOSTICSREPORT_H

#include "app/ConnectionStatus.h"
#include "session/RelayConnection.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// What a colleague needs to help with a connection: the program's and Qt's
// versions and the system, the connection settings in force, whether it
// polls, the counters and reconnections, the last errors and the last log
// lines, as one plain text (UTF-8) file.
class DiagnosticsReport
{
public:
    struct Facts
    {
        QDateTime at;
        QString programVersion;
        RelayConnection::Settings connection;
        bool polling = false;
        ConnectionStatus::Counters counters;
        int reconnections = 0;
        // The recovery's status while the line is being made again.
        QString recovery;
        QString logFileFolder;
        QStringList errors;
        QStringList logLines;
    };

    static QString text(const Facts& facts);

private:
    DiagnosticsReport() = delete;
};

#endif
