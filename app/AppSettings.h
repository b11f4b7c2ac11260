#ifndef TALVIK_APP_APPSETTINGS_H
#define TALVIK_APP_APPSETTINGS_H

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QVector>

#include <cstdint>

class QSettings;

// What the program keeps between runs: the last accepted connection
// settings, the window's geometry, the last folder of each file dialog, the
// log's mode and the registers comparisons leave out. Values missing from the store, or ones it
// holds in a broken form, read as the defaults: a damaged store is never an error. Without a store
// nothing is kept.
class AppSettings
{
public:
    struct Connection
    {
        QString portName;
        // The network way to the relay, when the port is the TCP choice.
        QString host;
        int tcpPort = 0;
        bool modbusTcp = false;
        bool lengthFraming = true;
        int baudRate = 9600;
        int address = 1;
        int charInterval = 100;
        int pollPeriod = 1;
        bool demo = false;
    };

    // The store is not owned and may be null.
    explicit AppSettings(QSettings* store);

    bool hasConnection() const;
    Connection connection() const;
    // Also puts the connection first among the recent ones.
    void setConnection(const Connection& connection);

    // The last connections accepted, newest first, one per relay (line and
    // address), at most recentCount.
    static constexpr int recentCount = 10;
    QVector<Connection> recentConnections() const;
    void rememberRecent(const Connection& connection);

    QByteArray windowGeometry() const;
    void setWindowGeometry(const QByteArray& geometry);

    // The folder the named file dialog showed last; empty when none.
    QString folder(const QString& dialog) const;
    // Keeps the folder of `path`, a file or a folder the dialog returned.
    void setFolderOf(const QString& dialog, const QString& path, bool isFolder = false);

    // 0 "Отключен" ... 3 "Отладка".
    int logMode() const;
    void setLogMode(int mode);
    bool logTimeStamps() const;
    void setLogTimeStamps(bool on);
    // The folder the log is also written to, a file a day; empty: not.
    QString logFileFolder() const;
    void setLogFileFolder(const QString& folder);

    // Whether the record list is read by itself when polling starts; off
    // unless the user ticked it.
    bool readRecordsOnConnect() const;
    void setReadRecordsOnConnect(bool on);

    // The registers of the settings a comparison leaves out ("не
    // сравнивать"): settings that differ on purpose from one feeder to the
    // next. Numbers that are no register of the relay are dropped.
    QSet<uint16_t> ignoredInComparison() const;
    void setIgnoredInComparison(const QSet<uint16_t>& registers);

    // The relay's name in the archive and on the settings sheet ("Объект /
    // присоединение"), given once for a connection and address; empty when
    // none was given.
    QString relayName(const QString& connection, int address) const;
    void setRelayName(const QString& connection, int address, const QString& name);

private:
    int boundedInt(const QString& key, int minimum, int maximum, int fallback) const;
    bool boolean(const QString& key, bool fallback) const;
    Connection readConnection(const QString& group) const;
    void writeConnection(const QString& group, const Connection& connection);

    QSettings* store;
};

#endif
