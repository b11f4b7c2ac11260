#ifndef TALVIK_RELAY_CONFIGFILE_H
#define TALVIK_RELAY_CONFIGFILE_H

#include "relay/RelayMap.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QVector>

#include <cstdint>

class IModBusDev;
class QString;

// The relay's settings file: a JSON text holding the register image over fixed
// ranges of holding registers, and the writing of such a file back to the relay.
//
// File layout: a root object whose "regs" array holds range objects
// {"start": first register, "length": register count, "values": [length
// unsigned 16-bit integers]}. Saved files use the indented form: 4-space
// indentation, keys in sorted order, LF line ends.
//
// Typical use by the main window:
//     if (!configFile.save(name))            -> tell the user the file was not written
//     bool ok = false;
//     const QJsonDocument doc = configFile.load(name, &ok);
//     if (!ok || !ConfigFile::hasRanges(doc)) -> "not a settings file", write nothing
//     configFile.apply(doc, password);
class ConfigFile
{
public:
    // The saved ranges: registers 8-54, 56-70 and 72-73. Register 55, the
    // password register and 74-84 are left out on purpose.
    static const char rangesTemplate[];
    // The relay accepts a settings write only right after this register has
    // received the password.
    static constexpr uint16_t passwordRegister = RelayMap::passwordRegister;
    // Longer ranges would only write the whole register address space over
    // again; a corrupt length of millions would queue millions of requests.
    static constexpr int maxRangeLength = 65536;

    // The image is not owned. Without one, document() holds zeros and apply()
    // writes nothing.
    explicit ConfigFile(IModBusDev* device);

    // The file content for the register image as it is now: the answers of
    // the last polls, zeros for registers never read.
    QJsonDocument document() const;

    // Writes document() in indented form, with the members of `notes` beside
    // "regs" (what a person needs to know what the file is; loading reads
    // only "regs", and a note can never replace it). The text goes to a
    // temporary file that replaces fileName only once it has been written
    // completely, so a failed save leaves an existing file as it was. Returns
    // false when the file could not be created, written or put in place.
    bool save(const QString& fileName, const QJsonObject& notes = QJsonObject()) const;
    // Writes a whole settings file's root object as save() does: indented,
    // and in place only once written completely.
    static bool write(const QString& fileName, const QJsonObject& root);

    // Reads and parses a file. Gives a null document when the file cannot be
    // opened or read or is not valid JSON; *ok (when given) is then false and
    // otherwise true. A valid JSON file need not be a settings file: check it
    // with hasRanges() before calling it one.
    static QJsonDocument load(const QString& fileName, bool* ok = nullptr);

    // True when the document's root is an object with a "regs" array (which
    // may be empty): the shape of a settings file.
    static bool hasRanges(const QJsonDocument& doc);

    // Queues, for every value of every range of doc in file order and register
    // order, a write of password into the password register and then a write
    // of the value: two single-register writes with priority 1, ahead of any
    // waiting poll reads. Every value is written, changed or not. Members that
    // are missing or not integers count as 0; a "values" array shorter than
    // "length" writes 0 for the missing registers and extra values are
    // ignored; values keep their low 16 bits and addresses wrap at 65536.
    // A range whose length is negative or above maxRangeLength is skipped.
    void apply(const QJsonDocument& doc, uint16_t password) const;

    struct RegisterValue
    {
        uint16_t reg;
        uint16_t value;
    };
    // The register values apply() writes for doc, in its order and with its
    // rules for missing, short and oversized ranges.
    static QVector<RegisterValue> registerValues(const QJsonDocument& doc);
    // Writes these values as apply() writes a document's: the password before
    // each one.
    void apply(const QVector<RegisterValue>& values, uint16_t password) const;

private:
    IModBusDev* device;
};

#endif
