#ifndef TALVIK_RELAY_SETTINGCATALOG_H
#define TALVIK_RELAY_SETTINGCATALOG_H

#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>

// What a person needs to read one setting register: the caption the window
// shows beside its editor, the unit, and how a register value is shown. Built
// from the setting table the window's form and editors are built from, so it
// says what the window says; it creates no widget and serves the command line
// too.
struct SettingDescription
{
    uint16_t reg = 0;
    QString group;
    QString label;
    QString unit;
    // Register units per shown unit; 0 for a setting chosen from items.
    int scale = 0;
    int decimals = 0;
    double minimum = 0;
    double maximum = 0;
    QStringList items;

    // "МТЗ-1 › Iсраб".
    QString caption() const;
    // The value as the editor shows it ("1.5", "Вкл"). A value the editor
    // cannot show is given as it is in the relay (all its decimals, or the
    // item number), never clamped.
    QString valueText(uint16_t value) const;
    // The same with the unit: "1.5 А".
    QString valueWithUnit(uint16_t value) const;
    // Why the editor cannot show the value ("вне диапазона 0.3…120.0 А"), or
    // empty when it can.
    QString unrepresentableReason(uint16_t value) const;
    // The note on a value the editor cannot show, with the relay's raw value:
    // "в реле: 9900 (99.00 А) — вне диапазона 0.3…120.0 А"; empty when it can.
    QString relayValueNote(uint16_t value) const;
};

class SettingCatalog
{
public:
    // Every setting, in the order of the rows on the pages.
    static const QVector<SettingDescription>& all();
    // Null for a register that has no editor.
    static const SettingDescription* find(uint16_t reg);

private:
    SettingCatalog() = delete;
};

#endif
