#include "collect/Inventory.h"

#include "relay/LineLimits.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

const QString nameField = QStringLiteral("name");
const QString portField = QStringLiteral("port");
const QString tcpField = QStringLiteral("tcp");
const QString modbusTcpField = QStringLiteral("modbus_tcp");
const QString demoField = QStringLiteral("demo");
const QString baudField = QStringLiteral("baud");
const QString addressField = QStringLiteral("address");

QString fileText(const QString& fileName)
{
    return QStringLiteral("Опись «%1»").arg(QFileInfo(fileName).fileName());
}

// A field's value as the message quotes it.
QString valueText(const QJsonValue& value)
{
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', 12);
    if (value.isBool())
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (value.isArray())
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    if (value.isObject())
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    return QStringLiteral("null");
}

// One entry of the relays array and the words that name it in a message:
// "Опись «inv.json», реле 3 («ПС Южная, яч. 2»)".
class EntryReader
{
public:
    EntryReader(const QString& fileName, int position, const QJsonValue& value)
        : fileName(fileName), position(position), entry(value.toObject()),
          isObject(value.isObject())
    {
        const QJsonValue name = entry.value(nameField);
        if (name.isString())
            relay.name = name.toString().trimmed();
    }

    bool read(QString* message)
    {
        this->message = message;
        return isObject ? readName() && checkFields() && readWay() && readBaud() && readAddress()
                        : fail(QStringLiteral("ожидался объект с полями name, port…"));
    }

    const InventoryRelay& result() const { return relay; }

    QString place() const
    {
        QString text = QStringLiteral("%1, реле %2").arg(fileText(fileName)).arg(position);
        if (!relay.name.isEmpty())
            text += QStringLiteral(" («%1»)").arg(relay.name);
        return text;
    }

private:
    bool fail(const QString& what)
    {
        *message = QStringLiteral("%1: %2").arg(place(), what);
        return false;
    }

    bool wrongValue(const QString& field, const QString& allowed)
    {
        return fail(QStringLiteral("неверное значение %1: %2 (%3)")
                        .arg(field, valueText(entry.value(field)), allowed));
    }

    bool readName()
    {
        if (!entry.contains(nameField))
            return fail(QStringLiteral("нет поля name"));
        if (relay.name.isEmpty())
            return fail(QStringLiteral("поле name должно быть непустой строкой"));
        return true;
    }

    bool checkFields()
    {
        static const QStringList known{nameField, portField, tcpField,    modbusTcpField,
                                       demoField, baudField, addressField};
        for (const QString& field : entry.keys()) {
            if (!known.contains(field))
                return fail(QStringLiteral("неизвестное поле %1").arg(field));
        }
        return true;
    }

    // Exactly one of port, tcp, modbus_tcp and demo (true).
    bool readWay()
    {
        const QJsonValue demo = entry.value(demoField);
        if (!demo.isUndefined() && !demo.isBool())
            return fail(QStringLiteral("поле demo должно быть true или false"));
        const int ways = int(entry.contains(portField)) + int(entry.contains(tcpField)) +
                         int(entry.contains(modbusTcpField)) + int(demo.toBool());
        if (ways != 1)
            return fail(ways == 0 ? QStringLiteral("нужно одно из полей port, tcp, modbus_tcp "
                                                   "или \"demo\": true")
                                  : QStringLiteral("укажите только одно из полей port, tcp, "
                                                   "modbus_tcp и demo"));
        RelayConnection::Settings& settings = relay.connection;
        settings.demo = demo.toBool();
        if (entry.contains(portField)) {
            settings.portName = entry.value(portField).toString().trimmed();
            if (settings.portName.isEmpty())
                return fail(QStringLiteral("поле port должно быть именем порта, например "
                                           "/dev/ttyUSB0"));
        }
        for (const QString& field : {tcpField, modbusTcpField}) {
            if (!entry.contains(field))
                continue;
            settings.transport = field == tcpField ? RelayConnection::Transport::RtuOverTcp
                                                   : RelayConnection::Transport::ModbusTcp;
            const QJsonValue value = entry.value(field);
            if (!value.isString() || !Inventory::readHostPort(value.toString().trimmed(),
                                                              &settings.host, &settings.tcpPort))
                return wrongValue(field, QStringLiteral("нужно УЗЕЛ:ПОРТ, порт 1..65535"));
        }
        return true;
    }

    // A whole number, or undefined (the default stays).
    bool readWhole(const QString& field, int* number)
    {
        const QJsonValue value = entry.value(field);
        if (value.isUndefined())
            return true;
        if (value.isString())
            return fail(QStringLiteral("поле %1 должно быть целым числом, а не строкой \"%2\"")
                            .arg(field, value.toString()));
        const double given = value.toDouble(std::nan(""));
        if (!value.isDouble() || std::floor(given) != given || std::fabs(given) > 1e9)
            return fail(QStringLiteral("поле %1 должно быть целым числом, а не %2")
                            .arg(field, valueText(value)));
        *number = static_cast<int>(given);
        return true;
    }

    bool readBaud()
    {
        int baud = relay.connection.baudRate;
        if (!readWhole(baudField, &baud))
            return false;
        if (!LineLimits::isBaudRate(baud))
            return wrongValue(baudField, QStringLiteral("допустимо 9600, 19200, 38400"));
        relay.connection.baudRate = baud;
        return true;
    }

    bool readAddress()
    {
        int address = relay.connection.deviceAddress;
        if (!readWhole(addressField, &address))
            return false;
        if (address < LineLimits::minAddress || address > LineLimits::maxAddress)
            return wrongValue(addressField, QStringLiteral("допустимо %1..%2")
                                                .arg(LineLimits::minAddress)
                                                .arg(LineLimits::maxAddress));
        relay.connection.deviceAddress = static_cast<uint8_t>(address);
        return true;
    }

    const QString& fileName;
    int position;
    QJsonObject entry;
    bool isObject;
    InventoryRelay relay;
    QString* message = nullptr;
};

} // namespace

bool Inventory::load(const QString& path, QVector<InventoryRelay>* relays, QString* message,
                     bool* unreadable)
{
    QFile file(path);
    *unreadable = !file.open(QIODevice::ReadOnly);
    if (*unreadable) {
        *message =
            QStringLiteral("Невозможно прочитать опись %1: %2").arg(path, file.errorString());
        return false;
    }
    return parse(file.readAll(), path, relays, message);
}

bool Inventory::parse(const QByteArray& bytes, const QString& fileName,
                      QVector<InventoryRelay>* relays, QString* message)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        *message = QStringLiteral("%1: это не JSON: %2 (символ %3)")
                       .arg(fileText(fileName), error.errorString())
                       .arg(error.offset);
        return false;
    }
    const QJsonValue list = document.object().value(QStringLiteral("relays"));
    if (!list.isArray()) {
        *message = QStringLiteral("%1: нет массива relays").arg(fileText(fileName));
        return false;
    }
    if (list.toArray().isEmpty()) {
        *message =
            QStringLiteral("%1: в массиве relays нет ни одного реле").arg(fileText(fileName));
        return false;
    }
    QVector<InventoryRelay> read;
    QHash<QString, int> positions;
    for (const QJsonValue& value : list.toArray()) {
        const int position = read.size() + 1;
        EntryReader entry(fileName, position, value);
        if (!entry.read(message))
            return false;
        const int first = positions.value(entry.result().name);
        if (first > 0) {
            *message =
                QStringLiteral("%1: такое имя уже есть у реле %2").arg(entry.place()).arg(first);
            return false;
        }
        positions.insert(entry.result().name, position);
        read.append(entry.result());
    }
    *relays = read;
    return true;
}

QByteArray Inventory::toJson(const QVector<InventoryRelay>& relays)
{
    QJsonArray list;
    for (const InventoryRelay& relay : relays) {
        const RelayConnection::Settings& settings = relay.connection;
        QJsonObject entry{{nameField, relay.name}};
        const QString hostPort = QStringLiteral("%1:%2").arg(settings.host).arg(settings.tcpPort);
        if (settings.demo)
            entry.insert(demoField, true);
        else if (settings.transport == RelayConnection::Transport::RtuOverTcp)
            entry.insert(tcpField, hostPort);
        else if (settings.transport == RelayConnection::Transport::ModbusTcp)
            entry.insert(modbusTcpField, hostPort);
        else
            entry.insert(portField, settings.portName);
        if (!settings.demo && settings.transport == RelayConnection::Transport::Serial)
            entry.insert(baudField, static_cast<int>(settings.baudRate));
        entry.insert(addressField, static_cast<int>(settings.deviceAddress));
        list.append(entry);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("relays"), list}}).toJson();
}

bool Inventory::readHostPort(const QString& text, QString* host, quint16* port)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    bool ok = false;
    const int number = colon > 0 ? text.mid(colon + 1).toInt(&ok) : 0;
    if (!ok || number < LineLimits::minTcpPort || number > LineLimits::maxTcpPort)
        return false;
    *host = text.left(colon);
    *port = static_cast<quint16>(number);
    return true;
}

QString Inventory::folderName(const QString& relayName)
{
    QString name = relayName.trimmed();
    for (QChar& c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    }
    // A leading dot would hide the folder; trailing dots and blanks vanish on
    // some file systems.
    if (name.startsWith(QLatin1Char('.')))
        name[0] = QLatin1Char('_');
    while (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        name.chop(1);
    return name.isEmpty() ? QStringLiteral("_") : name;
}

bool Inventory::checkFolders(const QVector<InventoryRelay>& relays, const QString& fileName,
                             QString* message)
{
    QHash<QString, int> positions;
    for (int index = 0; index < relays.size(); ++index) {
        const QString folder = folderName(relays.at(index).name).toLower();
        const int first = positions.value(folder);
        if (first > 0) {
            *message = QStringLiteral("%1, реле %2 («%3»): папка «%4» уже есть у реле %5 («%6»)")
                           .arg(fileText(fileName))
                           .arg(index + 1)
                           .arg(relays.at(index).name, folderName(relays.at(index).name))
                           .arg(first)
                           .arg(relays.at(first - 1).name);
            return false;
        }
        positions.insert(folder, index + 1);
    }
    return true;
}
