#ifndef TALVIK_RELAY_SETTINGSCOMPARISON_H
#define TALVIK_RELAY_SETTINGSCOMPARISON_H

#include "relay/ConfigFile.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>

class IModBusDev;

// A list of settings about to change (or that differ from a file): what the
// relay holds and the new value, register by register, shown as the window
// shows them. Two settings files compare the same way, the first file in the
// relay's place. Registers without an editor are named by number; the
// password register is never listed. Registers on the ignore list (settings
// that differ on purpose from one feeder to the next) are not compared, only
// counted.
class SettingsComparison
{
public:
    struct Change
    {
        uint16_t reg;
        uint16_t relayValue;
        uint16_t newValue;
        // Two files: the register is in only one of them.
        bool relayMissing = false;
        bool newMissing = false;
    };

    // The file's values that differ from the image, in the file's order.
    static SettingsComparison ofFile(const QVector<ConfigFile::RegisterValue>& file,
                                     const IModBusDev& image,
                                     const QSet<uint16_t>& ignored = QSet<uint16_t>());
    // The second file's values that differ from the first's, in the second
    // file's order, then the registers only the first file holds.
    static SettingsComparison ofFiles(const QVector<ConfigFile::RegisterValue>& first,
                                      const QVector<ConfigFile::RegisterValue>& second,
                                      const QSet<uint16_t>& ignored = QSet<uint16_t>());
    void append(const Change& change) { list.append(change); }

    const QVector<Change>& changes() const { return list; }
    int unchangedCount() const { return unchanged; }
    // Settings on the ignore list that were there to compare.
    int ignoredCount() const { return ignoredSettings; }
    // Every register looked at, ignored ones included, the password register
    // not.
    const QVector<uint16_t>& comparedRegisters() const { return compared; }
    // "N уставок не сравнивались"; empty when none were left out.
    QString ignoredText() const;
    static QString ignoredText(int count);
    bool isEmpty() const { return list.isEmpty(); }
    // The changed values as ConfigFile writes them.
    QVector<ConfigFile::RegisterValue> newValues() const;

    static QStringList headers();
    // The columns when two files are compared: their names in place of the
    // relay's and the new value's.
    static QStringList headers(const QString& first, const QString& second);
    // The cells of one row, as headers() names them.
    static QStringList cells(const Change& change);
    // The whole table as tab-separated lines with a heading line, for the
    // clipboard and the command line.
    QString toText() const;
    QString toText(const QStringList& columns) const;

private:
    // False for a register that is not compared (the password register, the
    // ignore list), counting an ignored one.
    bool compares(uint16_t reg, const QSet<uint16_t>& ignored);

    QVector<Change> list;
    QVector<uint16_t> compared;
    int unchanged = 0;
    int ignoredSettings = 0;
};

#endif
