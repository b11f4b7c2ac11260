#ifndef TALVIK_RELAY_SETTINGTABLE_H
#define TALVIK_RELAY_SETTINGTABLE_H

#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>

class IModBusDev;

// What kind of value a setting register holds: a plain number, a scaled
// number (current, angle, time), or the position of an item in one of the
// relay's item lists.
enum class SettingKind
{
    Integer,
    Current,
    Angle,
    Time,
    OnOff,
    OutType,
    CharType,
    ReleType,
    DI3Type,
    DI4Type,
    DO1Type,
    APVMode,
    VZType,
    Speed,
    VZ_DO1Mode,
    DO3_2Mode,
    Range3I0
};

// One setting, once: its register, the object name of its editor widget, the
// group box and caption it is shown under, its kind and, for numbers, the
// range, decimals and step of its spin box. Scale, unit and item list follow
// from the kind.
struct SettingRow
{
    uint16_t reg;
    const char* widget;
    const char* group;
    // May break over two lines with "<br>".
    const char* caption;
    SettingKind kind;
    double minimum;
    double maximum;
    int decimals;
    double step;
    // A setting the relay fixes: shown, never changed by the user.
    bool readOnly;
};

class SettingTable
{
public:
    // Every setting, group by group in the order the settings are listed and
    // written (on "ВЗ/АПВ/Настройки": ВЗ, АПВ, Конфигурация, УРОВ, Связь,
    // Осциллограф), and within a group in the order of its rows on screen.
    static const QVector<SettingRow>& rows();
    // Null for a register that is not a setting.
    static const SettingRow* find(uint16_t reg);
    // The group titles in the order of the pages.
    static QStringList groups();

    // Register units per shown unit; 1 for a plain number, 0 for an item list.
    static constexpr int scaleOf(SettingKind kind)
    {
        switch (kind) {
        case SettingKind::Integer:
            return 1;
        // Hundredths of an ampere, tenths of a degree, hundredths of a second.
        case SettingKind::Current:
            return 100;
        case SettingKind::Angle:
            return 10;
        case SettingKind::Time:
            return 100;
        default:
            return 0;
        }
    }
    // "А", "°", "с", or empty.
    static QString unitOf(SettingKind kind);
    // The relay's item list of the kind: the register value of an item is its
    // position. Empty for a number.
    static const QStringList& itemsOf(SettingKind kind);
    static bool isItemList(SettingKind kind) { return scaleOf(kind) == 0; }

    // The registers of every setting of this kind, in table order.
    static QVector<uint16_t> registersOf(SettingKind kind);

private:
    SettingTable() = delete;
};

// The settings that restrict each other. Auto-reclose drives output DO2, so
// a protection's output cannot be DO2 while auto-reclose is on in the relay,
// and auto-reclose cannot be switched on while any protection's output is
// DO2. Both read the relay's values as last polled, not choices still pending.
namespace SettingInterlocks {

// The item of a protection's output list that is DO2.
constexpr int outputDO2 = 1;

bool refusesOutput(const IModBusDev& relay, int outputIndex);
bool refusesAutoReclose(const IModBusDev& relay, int modeIndex);

} // namespace SettingInterlocks

#endif
