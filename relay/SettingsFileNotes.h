#ifndef TALVIK_RELAY_SETTINGSFILENOTES_H
#define TALVIK_RELAY_SETTINGSFILENOTES_H

#include <QJsonObject>
#include <QSet>

#include <cstdint>

class IModBusDev;
class QDateTime;

// What a settings file says about itself beside its "regs": when and from
// which relay address it was saved, by which program, and every setting it
// holds as the window shows it. Loading ignores all of it.
class SettingsFileNotes
{
public:
    // "saved" (ISO date and time), "address", "program" {name, version} and
    // "settings": [{register, caption, unit, value}] for the settings whose
    // registers the file holds, in the order of the pages.
    static QJsonObject describe(const IModBusDev& image, uint8_t address, const QDateTime& saved);
    // The same for a file that holds these registers rather than those a
    // saved file holds today.
    static QJsonObject describe(const IModBusDev& image, uint8_t address, const QDateTime& saved,
                                const QSet<uint16_t>& inFile);
    static QString programName();
    static QString programVersion();
};

#endif
