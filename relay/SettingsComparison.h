#ifndef TALVIK_RELAY_SETTINGSCOMPARISON_H
#define TALVIK_RELAY_SETTINGSCOMPARISON_H

#include "relay/ConfigFile.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>

class IModBusDev;

// A list of settings about to change (or that differ from a file): what the
// relay holds and the new value, register by register, shown as the window
// shows them. Registers without an editor are named by number; the password
// register is never listed.
class SettingsComparison
{
public:
    struct Change
    {
        uint16_t reg;
        uint16_t relayValue;
        uint16_t newValue;
    };

    // The file's values that differ from the image, in the file's order.
    static SettingsComparison ofFile(const QVector<ConfigFile::RegisterValue>& file,
                                     const IModBusDev& image);
    void append(const Change& change) { list.append(change); }

    const QVector<Change>& changes() const { return list; }
    int unchangedCount() const { return unchanged; }
    bool isEmpty() const { return list.isEmpty(); }
    // The changed values as ConfigFile writes them.
    QVector<ConfigFile::RegisterValue> newValues() const;

    static QStringList headers();
    // The cells of one row, as headers() names them.
    static QStringList cells(const Change& change);
    // The whole table as tab-separated lines with a heading line, for the
    // clipboard and the command line.
    QString toText() const;

private:
    QVector<Change> list;
    int unchanged = 0;
};

#endif
