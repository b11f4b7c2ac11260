#include "app/AppSettings.h"

#include "relay/LineLimits.h"
#include "relay/RelayMap.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include <algorithm>
#include <climits>

namespace {

constexpr const char* keyPort = "port";
constexpr const char* keyBaudRate = "baudRate";
constexpr const char* keyHost = "host";
constexpr const char* keyTcpPort = "tcpPort";
constexpr const char* keyModbusTcp = "modbusTcp";
constexpr const char* keyLengthFraming = "lengthFraming";
constexpr const char* keyAddress = "address";
constexpr const char* keyCharInterval = "charInterval";
constexpr const char* keyPollPeriod = "pollPeriod";
constexpr const char* keyDemo = "demo";
// The connection in force is kept in this group, the recent ones in
// "recent/1" … "recent/10", newest first.
constexpr const char* connectionGroup = "connection";
constexpr const char* recentGroup = "recent";
constexpr const char* keyGeometry = "window/geometry";
constexpr const char* keyLogMode = "log/mode";
constexpr const char* keyTimeStamps = "log/timeStamps";
constexpr const char* keyLogFileFolder = "log/fileFolder";
constexpr const char* keyReadRecordsOnConnect = "records/readListOnConnect";
constexpr const char* keyIgnoredInComparison = "comparison/ignored";

QString key(const char* name)
{
    return QString::fromLatin1(name);
}

QString key(const QString& group, const char* name)
{
    return group + QLatin1Char('/') + QString::fromLatin1(name);
}

QString recentKey(int position)
{
    return QStringLiteral("%1/%2").arg(QLatin1String(recentGroup)).arg(position + 1);
}

// The same relay on the same line, whatever its speed or timing.
bool sameRelay(const AppSettings::Connection& a, const AppSettings::Connection& b)
{
    if (a.demo || b.demo)
        return a.demo == b.demo;
    return a.portName == b.portName && a.address == b.address &&
           (a.host == b.host && a.tcpPort == b.tcpPort && a.modbusTcp == b.modbusTcp);
}

// One key for a connection and address: the connection text may hold
// slashes, which the store would take for groups.
QString relayNameKey(const QString& connection, int address)
{
    return QStringLiteral("relayNames/%1_%2")
        .arg(QString::fromLatin1(connection.toUtf8().toPercentEncoding()))
        .arg(address);
}

} // namespace

AppSettings::AppSettings(QSettings* store) : store(store) {}

int AppSettings::boundedInt(const QString& name, int minimum, int maximum, int fallback) const
{
    if (store == nullptr)
        return fallback;
    bool ok = false;
    const int value = store->value(name).toInt(&ok);
    return ok && value >= minimum && value <= maximum ? value : fallback;
}

bool AppSettings::boolean(const QString& name, bool fallback) const
{
    if (store == nullptr)
        return fallback;
    const QString text = store->value(name).toString();
    if (text == QLatin1String("true"))
        return true;
    if (text == QLatin1String("false"))
        return false;
    return fallback;
}

bool AppSettings::hasConnection() const
{
    return store != nullptr && store->contains(key(connectionGroup, keyBaudRate));
}

AppSettings::Connection AppSettings::connection() const
{
    return readConnection(key(connectionGroup));
}

void AppSettings::setConnection(const Connection& connection)
{
    writeConnection(key(connectionGroup), connection);
    rememberRecent(connection);
}

AppSettings::Connection AppSettings::readConnection(const QString& group) const
{
    const Connection defaults;
    Connection connection;
    if (store == nullptr)
        return connection;
    connection.portName = store->value(key(group, keyPort)).toString().trimmed();
    connection.host = store->value(key(group, keyHost)).toString().trimmed();
    connection.tcpPort = boundedInt(key(group, keyTcpPort), LineLimits::minTcpPort,
                                    LineLimits::maxTcpPort, defaults.tcpPort);
    connection.modbusTcp = boolean(key(group, keyModbusTcp), defaults.modbusTcp);
    connection.lengthFraming = boolean(key(group, keyLengthFraming), defaults.lengthFraming);
    const int baudRate = boundedInt(key(group, keyBaudRate), 0, INT_MAX, defaults.baudRate);
    // Only the speeds the dialog offers.
    connection.baudRate = LineLimits::isBaudRate(baudRate) ? baudRate : defaults.baudRate;
    connection.address = boundedInt(key(group, keyAddress), LineLimits::minAddress,
                                    LineLimits::maxAddress, defaults.address);
    connection.charInterval = boundedInt(key(group, keyCharInterval), LineLimits::minCharInterval,
                                         LineLimits::maxCharInterval, defaults.charInterval);
    connection.pollPeriod = boundedInt(key(group, keyPollPeriod), LineLimits::minPollPeriodS,
                                       LineLimits::maxPollPeriodS, defaults.pollPeriod);
    connection.demo = boolean(key(group, keyDemo), defaults.demo);
    return connection;
}

void AppSettings::writeConnection(const QString& group, const Connection& connection)
{
    if (store == nullptr)
        return;
    store->setValue(key(group, keyPort), connection.portName);
    store->setValue(key(group, keyHost), connection.host);
    store->setValue(key(group, keyTcpPort), connection.tcpPort);
    store->setValue(key(group, keyModbusTcp), connection.modbusTcp);
    store->setValue(key(group, keyLengthFraming), connection.lengthFraming);
    store->setValue(key(group, keyBaudRate), connection.baudRate);
    store->setValue(key(group, keyAddress), connection.address);
    store->setValue(key(group, keyCharInterval), connection.charInterval);
    store->setValue(key(group, keyPollPeriod), connection.pollPeriod);
    store->setValue(key(group, keyDemo), connection.demo);
    store->sync();
}

QVector<AppSettings::Connection> AppSettings::recentConnections() const
{
    QVector<Connection> recent;
    for (int position = 0; store != nullptr && position < recentCount; ++position) {
        // A damaged entry reads as the defaults; one without a speed is none.
        if (store->contains(key(recentKey(position), keyBaudRate)))
            recent.append(readConnection(recentKey(position)));
    }
    return recent;
}

void AppSettings::rememberRecent(const Connection& connection)
{
    if (store == nullptr)
        return;
    QVector<Connection> recent{connection};
    for (const Connection& older : recentConnections()) {
        if (!sameRelay(older, connection) && recent.size() < recentCount)
            recent.append(older);
    }
    store->remove(key(recentGroup));
    for (int position = 0; position < recent.size(); ++position)
        writeConnection(recentKey(position), recent[position]);
}

QByteArray AppSettings::windowGeometry() const
{
    return store != nullptr ? store->value(key(keyGeometry)).toByteArray() : QByteArray();
}

void AppSettings::setWindowGeometry(const QByteArray& geometry)
{
    if (store == nullptr)
        return;
    store->setValue(key(keyGeometry), geometry);
    store->sync();
}

QString AppSettings::folder(const QString& dialog) const
{
    if (store == nullptr)
        return QString();
    return store->value(QStringLiteral("folders/") + dialog).toString();
}

void AppSettings::setFolderOf(const QString& dialog, const QString& path, bool isFolder)
{
    if (store == nullptr || path.isEmpty())
        return;
    const QFileInfo info(path);
    store->setValue(QStringLiteral("folders/") + dialog,
                    isFolder ? info.absoluteFilePath() : info.absolutePath());
    store->sync();
}

int AppSettings::logMode() const
{
    return boundedInt(key(keyLogMode), 0, 3, 0);
}

void AppSettings::setLogMode(int mode)
{
    if (store == nullptr)
        return;
    store->setValue(key(keyLogMode), mode);
    store->sync();
}

QString AppSettings::logFileFolder() const
{
    return store == nullptr ? QString() : store->value(key(keyLogFileFolder)).toString();
}

void AppSettings::setLogFileFolder(const QString& folder)
{
    if (store == nullptr)
        return;
    store->setValue(key(keyLogFileFolder), folder);
    store->sync();
}

bool AppSettings::logTimeStamps() const
{
    return boolean(key(keyTimeStamps), false);
}

void AppSettings::setLogTimeStamps(bool on)
{
    if (store == nullptr)
        return;
    store->setValue(key(keyTimeStamps), on);
    store->sync();
}

bool AppSettings::readRecordsOnConnect() const
{
    return boolean(keyReadRecordsOnConnect, false);
}

void AppSettings::setReadRecordsOnConnect(bool on)
{
    if (store == nullptr)
        return;
    store->setValue(key(keyReadRecordsOnConnect), on);
    store->sync();
}

QSet<uint16_t> AppSettings::ignoredInComparison() const
{
    QSet<uint16_t> registers;
    if (store == nullptr)
        return registers;
    for (const QString& item : store->value(key(keyIgnoredInComparison)).toStringList()) {
        bool ok = false;
        const uint reg = item.toUInt(&ok);
        if (ok && reg < RelayMap::registerCount)
            registers.insert(static_cast<uint16_t>(reg));
    }
    return registers;
}

void AppSettings::setIgnoredInComparison(const QSet<uint16_t>& registers)
{
    if (store == nullptr)
        return;
    QList<uint16_t> sorted = registers.values();
    std::sort(sorted.begin(), sorted.end());
    QStringList items;
    for (const uint16_t reg : sorted)
        items << QString::number(reg);
    store->setValue(key(keyIgnoredInComparison), items);
    store->sync();
}

QString AppSettings::relayName(const QString& connection, int address) const
{
    if (store == nullptr)
        return QString();
    return store->value(relayNameKey(connection, address)).toString().trimmed();
}

void AppSettings::setRelayName(const QString& connection, int address, const QString& name)
{
    if (store == nullptr || name.trimmed().isEmpty())
        return;
    store->setValue(relayNameKey(connection, address), name.trimmed());
    store->sync();
}
