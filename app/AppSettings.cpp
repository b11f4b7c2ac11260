#include "app/AppSettings.h"

#include "relay/LineLimits.h"
#include "relay/RelayMap.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include <algorithm>
#include <climits>

namespace {

constexpr const char* keyPort = "connection/port";
constexpr const char* keyBaudRate = "connection/baudRate";
constexpr const char* keyHost = "connection/host";
constexpr const char* keyTcpPort = "connection/tcpPort";
constexpr const char* keyModbusTcp = "connection/modbusTcp";
constexpr const char* keyLengthFraming = "connection/lengthFraming";
constexpr const char* keyAddress = "connection/address";
constexpr const char* keyCharInterval = "connection/charInterval";
constexpr const char* keyPollPeriod = "connection/pollPeriod";
constexpr const char* keyDemo = "connection/demo";
constexpr const char* keyGeometry = "window/geometry";
constexpr const char* keyLogMode = "log/mode";
constexpr const char* keyTimeStamps = "log/timeStamps";
constexpr const char* keyReadRecordsOnConnect = "records/readListOnConnect";
constexpr const char* keyIgnoredInComparison = "comparison/ignored";

QString key(const char* name)
{
    return QString::fromLatin1(name);
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

int AppSettings::boundedInt(const char* name, int minimum, int maximum, int fallback) const
{
    if (store == nullptr)
        return fallback;
    bool ok = false;
    const int value = store->value(key(name)).toInt(&ok);
    return ok && value >= minimum && value <= maximum ? value : fallback;
}

bool AppSettings::boolean(const char* name, bool fallback) const
{
    if (store == nullptr)
        return fallback;
    const QString text = store->value(key(name)).toString();
    if (text == QLatin1String("true"))
        return true;
    if (text == QLatin1String("false"))
        return false;
    return fallback;
}

bool AppSettings::hasConnection() const
{
    return store != nullptr && store->contains(key(keyBaudRate));
}

AppSettings::Connection AppSettings::connection() const
{
    const Connection defaults;
    Connection connection;
    if (store == nullptr)
        return connection;
    connection.portName = store->value(key(keyPort)).toString().trimmed();
    connection.host = store->value(key(keyHost)).toString().trimmed();
    connection.tcpPort =
        boundedInt(keyTcpPort, LineLimits::minTcpPort, LineLimits::maxTcpPort, defaults.tcpPort);
    connection.modbusTcp = boolean(keyModbusTcp, defaults.modbusTcp);
    connection.lengthFraming = boolean(keyLengthFraming, defaults.lengthFraming);
    const int baudRate = boundedInt(keyBaudRate, 0, INT_MAX, defaults.baudRate);
    // Only the speeds the dialog offers.
    connection.baudRate = LineLimits::isBaudRate(baudRate) ? baudRate : defaults.baudRate;
    connection.address =
        boundedInt(keyAddress, LineLimits::minAddress, LineLimits::maxAddress, defaults.address);
    connection.charInterval = boundedInt(keyCharInterval, LineLimits::minCharInterval,
                                         LineLimits::maxCharInterval, defaults.charInterval);
    connection.pollPeriod = boundedInt(keyPollPeriod, LineLimits::minPollPeriodS,
                                       LineLimits::maxPollPeriodS, defaults.pollPeriod);
    connection.demo = boolean(keyDemo, defaults.demo);
    return connection;
}

void AppSettings::setConnection(const Connection& connection)
{
    if (store == nullptr)
        return;
    store->setValue(key(keyPort), connection.portName);
    store->setValue(key(keyHost), connection.host);
    store->setValue(key(keyTcpPort), connection.tcpPort);
    store->setValue(key(keyModbusTcp), connection.modbusTcp);
    store->setValue(key(keyLengthFraming), connection.lengthFraming);
    store->setValue(key(keyBaudRate), connection.baudRate);
    store->setValue(key(keyAddress), connection.address);
    store->setValue(key(keyCharInterval), connection.charInterval);
    store->setValue(key(keyPollPeriod), connection.pollPeriod);
    store->setValue(key(keyDemo), connection.demo);
    store->sync();
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
    return boundedInt(keyLogMode, 0, 3, 0);
}

void AppSettings::setLogMode(int mode)
{
    if (store == nullptr)
        return;
    store->setValue(key(keyLogMode), mode);
    store->sync();
}

bool AppSettings::logTimeStamps() const
{
    return boolean(keyTimeStamps, false);
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
