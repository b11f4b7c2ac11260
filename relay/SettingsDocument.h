#ifndef TALVIK_RELAY_SETTINGSDOCUMENT_H
#define TALVIK_RELAY_SETTINGSDOCUMENT_H

#include "relay/ConfigFile.h"
#include "relay/IModBusDev.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QObject>
#include <QSet>
#include <QVector>

#include <cstdint>

class QJsonDocument;

// A settings file in memory behind the register image's interface, so that
// the setting editors work on a file as they do on a relay. A register write
// changes the document at once and counts as read back at once (the editors
// then show the value as taken). The password register and the coils are no
// settings and are ignored, as is a register the file does not hold: the
// file's "regs" layout (its ranges, their order) is kept as it was read.
class SettingsDocument : public QObject, public IModBusDev
{
    Q_OBJECT
    Q_INTERFACES(IModBusDev)

public:
    explicit SettingsDocument(QObject* parent = nullptr);

    // Takes the ranges and values of a settings file, with the rules of
    // ConfigFile::registerValues(); false, and the document left as it was,
    // for a document that is no settings file. The loaded document counts
    // as unmodified.
    bool load(const QJsonDocument& file);

    bool holds(uint16_t reg) const { return values.contains(reg); }
    QSet<uint16_t> heldRegisters() const;
    // The values in the file's order, as ConfigFile writes a file's.
    QVector<ConfigFile::RegisterValue> registerValues() const;
    // The file as it would be saved: its root as read, "regs" with the same
    // ranges filled with the values held now, and the notes beside it.
    QJsonObject fileRoot(const QJsonObject& notes) const;
    // The "address" note of the file as read; `fallback` when it has none.
    uint8_t savedAddress(uint8_t fallback) const;

    // A value changed since load() or markSaved().
    bool isModified() const { return modified; }
    void markSaved() { modified = false; }

    // IModBusDev
    uint16_t getRegister(uint16_t n) const override;
    void writeRegisters(uint16_t start, uint16_t count, const uint16_t* newValues) override;
    void writeCoil(uint16_t coil, bool on) override;
    uint8_t getCoil(uint16_t n) const override;
    uint64_t lastTicket() const override { return tickets; }
    uint64_t readTicket(uint16_t n) const override;

signals:
    void changed(uint16_t reg);

private:
    Q_DISABLE_COPY(SettingsDocument)

    QJsonObject root;
    QHash<uint16_t, uint16_t> values;
    bool modified = false;
    uint64_t tickets = 0;
};

#endif
