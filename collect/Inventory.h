#ifndef TALVIK_COLLECT_INVENTORY_H
#define TALVIK_COLLECT_INVENTORY_H

#include "session/RelayConnection.h"

#include <QString>
#include <QVector>

class QByteArray;

// One relay of an inventory: its name in the archive and the way to it.
struct InventoryRelay
{
    QString name;
    RelayConnection::Settings connection;
};

// The relays of a substation as an inventory file lists them, for collect:
//
//   {"relays": [
//     {"name": "ПС Северная, яч. 7", "port": "/dev/ttyUSB0", "baud": 19200, "address": 5},
//     {"name": "ПС Северная, яч. 9", "tcp": "10.0.5.20:4001", "address": 7},
//     {"name": "ПС Южная, яч. 2", "modbus_tcp": "10.0.5.31:502"},
//     {"name": "Проба", "demo": true}]}
//
// Each relay has a name (unique, it names the relay in the archive) and
// exactly one way to it; baud is 19200 and address 1 when left out. A field
// the inventory does not know is refused rather than ignored: a misspelt
// "adress" would otherwise read the relay at address 1.
class Inventory
{
public:
    // Reads and checks the file. False with a one-line *message naming the
    // file and, where one is at fault, the relay (its place from 1 and its
    // name) and the field; *unreadable tells a file that could not be read
    // from one that is wrong.
    static bool load(const QString& path, QVector<InventoryRelay>* relays, QString* message,
                     bool* unreadable);
    // The check of the file's bytes; fileName only names it in the message.
    static bool parse(const QByteArray& bytes, const QString& fileName,
                      QVector<InventoryRelay>* relays, QString* message);
    // The relays as an inventory file lists them, which parse() reads back
    // as they are: the way to each relay, its address, and the baud rate
    // of a serial port.
    static QByteArray toJson(const QVector<InventoryRelay>& relays);

    // "HOST:PORT" as an inventory and the command line give it: false
    // unless the host is not empty and the port is 1..65535.
    static bool readHostPort(const QString& text, QString* host, quint16* port);

    // The relay's name as a folder name: the characters a file system or a
    // shell would take for something else become "_".
    static QString folderName(const QString& relayName);
    // Two relays whose names give one folder would write into each other's
    // files: false with *message naming the second of them.
    static bool checkFolders(const QVector<InventoryRelay>& relays, const QString& fileName,
                             QString* message);

private:
    Inventory() = delete;
};

#endif
