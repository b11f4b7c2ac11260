#include "relay/SettingTable.h"

#include "relay/IModBusDev.h"

namespace {

using K = SettingKind;

SettingRow items(uint16_t reg, const char* widget, const char* group, const char* caption,
                 SettingKind kind, bool readOnly = false)
{
    return {reg, widget, group, caption, kind, 0, 0, 0, 0, readOnly};
}

SettingRow number(uint16_t reg, const char* widget, const char* group, const char* caption,
                  SettingKind kind, double minimum, double maximum, int decimals, double step)
{
    return {reg, widget, group, caption, kind, minimum, maximum, decimals, step, false};
}

SettingRow integer(uint16_t reg, const char* widget, const char* group, const char* caption,
                   int minimum, int maximum, bool readOnly = false)
{
    return {reg, widget, group,   caption, K::Integer, double(minimum), double(maximum),
            0,   1,      readOnly};
}

constexpr const char* mtz1 = "МТЗ-1";
constexpr const char* mtz2 = "МТЗ-2";
constexpr const char* to = "ТО";
constexpr const char* znz = "ЗНЗ";
constexpr const char* vz = "ВЗ";
constexpr const char* apv = "АПВ";
constexpr const char* urov = "УРОВ";
constexpr const char* config = "Конфигурация";
constexpr const char* link = "Связь";
constexpr const char* osc = "Осциллограф";
constexpr bool readOnly = true;

// clang-format off
QVector<SettingRow> makeRows()
{
    return {
        items(8, "cbMTZ1_On", mtz1, "Вкл/Откл", K::OnOff),
        number(9, "sbMTZ1_I", mtz1, "Iсраб", K::Current, 0.3, 120, 1, 0.1),
        number(10, "sbMTZ1_T", mtz1, "Tсраб", K::Time, 0, 250, 2, 0.01),
        items(11, "cbMTZ1_APV", mtz1, "Пуск АПВ", K::OnOff),
        items(12, "cbMTZ1_Block", mtz1, "Блок DI3", K::OnOff),
        items(13, "cbMTZ1_Uskor", mtz1, "Ускорение", K::OnOff),
        number(14, "sbMTZ1_Tuskor", mtz1, "Туск", K::Time, 0, 1, 2, 0.01),
        items(15, "cbMTZ1_Bnt", mtz1, "Блок. БНТ", K::OnOff),
        items(16, "cbMTZ1_Out", mtz1, "Выход", K::OutType),
        items(17, "cbMTZ1_DO3", mtz1, "Пуск на DO3", K::OnOff),
        items(18, "cbMTZ1_Characteristic", mtz1, "Характеристика", K::CharType),

        items(19, "cbMTZ2_On", mtz2, "Вкл/Откл", K::OnOff),
        number(20, "sbMTZ2_I", mtz2, "Iсраб", K::Current, 0.3, 120, 1, 0.1),
        number(21, "sbMTZ2_T", mtz2, "Tсраб", K::Time, 0, 250, 2, 0.01),
        items(22, "cbMTZ2_APV", mtz2, "Пуск АПВ", K::OnOff),
        items(23, "cbMTZ2_Block", mtz2, "Блок DI3", K::OnOff),
        items(24, "cbMTZ2_Uskor", mtz2, "Ускорение", K::OnOff),
        number(25, "sbMTZ2_Tuskor", mtz2, "Туск", K::Time, 0, 1, 2, 0.01),
        items(26, "cbMTZ2_Bnt", mtz2, "Блок. БНТ", K::OnOff),
        items(27, "cbMTZ2_Out", mtz2, "Выход", K::OutType),

        items(28, "cbTO_On", to, "Вкл/Откл", K::OnOff),
        number(29, "sbTO_I", to, "Iсраб", K::Current, 0.3, 120, 1, 0.1),
        number(30, "sbTO_T", to, "Tсраб", K::Time, 0, 30, 2, 0.01),
        items(31, "cbTO_APV", to, "Пуск АПВ", K::OnOff),
        items(32, "cbTO_Block", to, "Блок DI3", K::OnOff),
        items(33, "cbTO_Bnt", to, "Блок. БНТ", K::OnOff),
        items(34, "cbTO_Out", to, "Выход", K::OutType),

        items(35, "cbZNZ_On", znz, "Вкл/Откл", K::OnOff),
        // Follows the relay's hardware; the user cannot change it.
        items(75, "cb3I0Range", znz, "Диапазон 3I0", K::Range3I0, readOnly),
        number(36, "sbZNZ_I1", znz, "Iсраб (0.02 - 3.00)", K::Current, 0.02, 3, 2, 0.01),
        number(76, "sbZNZ_I2", znz, "Iсраб (0.3 - 120.0)", K::Current, 0.3, 120, 2, 0.1),
        number(37, "sbZNZ_T", znz, "Tсраб", K::Time, 0, 250, 2, 0.01),
        items(38, "cbZNZ_APV", znz, "Пуск АПВ", K::OnOff),
        items(39, "cbZNZ_Block", znz, "Блок DI3", K::OnOff),
        items(40, "cbZNZ_Out", znz, "Выход", K::OutType),
        items(41, "cbZNZ_Direct", znz, "Направленность", K::OnOff),
        number(42, "sbZNZ_AngleMax", znz, "Угол м.ч.", K::Angle, 0, 359, 0, 1),
        number(43, "sbZNZ_AngleWidth", znz, "Угол. шир.", K::Angle, 10, 180, 0, 1),

        items(44, "cbVZ_On", vz, "Вкл/Откл", K::OnOff),
        items(45, "cbVZ_Ind", vz, "Индик./откл.", K::VZType),
        number(46, "sbVZ_T", vz, "Tсраб", K::Time, 0, 20, 2, 0.01),
        items(70, "cbVZ_APV", vz, "Пуск АПВ", K::OnOff),
        items(72, "cbVZ_PuskPoI", vz, "Пуск по I", K::OnOff),
        items(47, "cbVZ_Out", vz, "Выход", K::OutType),
        items(73, "cbVZ_DO1_Mode", vz, "Выход DO1<br>Работа", K::VZ_DO1Mode),

        items(48, "cbAPV_On", apv, "Работа АПВ", K::APVMode),
        number(49, "sbAPV_Tgot", apv, "Тгот", K::Time, 0, 240, 2, 0.01),
        number(50, "sbAPV1_Tsrab", apv, "АПВ1 Tсраб", K::Time, 0, 60, 2, 0.01),
        number(69, "sbAPV2_Tsrab", apv, "АПВ2 Тсраб", K::Time, 0, 60, 2, 0.01),
        items(51, "cbCHAPV_On", apv, "ЧАПВ", K::OnOff),

        integer(52, "sbKTT", config, "Ктр ТТ", 1, 5000),
        integer(53, "sbKTT0", config, "Ктр ТТ0", 1, 5000),
        integer(54, "sbKTU0", config, "Ктр ТH0", 1, 5000),
        items(55, "cbIspoln", config, "Исполнение", K::ReleType, readOnly),
        items(56, "cbDI3", config, "Вход DI3", K::DI3Type),
        items(57, "cbDI4", config, "Вход DI4", K::DI4Type),
        items(58, "cbDO6", config, "Возврат DO6", K::DO1Type),
        items(59, "cbDO1", config, "Возврат DO1", K::DO1Type),
        items(60, "cbRazreshTU", config, "Разреш. ТУ", K::OnOff, readOnly),
        items(84, "cbInverseVD6", config, "Инверсия VD8", K::OnOff),
        items(77, "cbDO3_2", config, "DO3_2", K::DO3_2Mode),

        number(78, "sbUrov_T", urov, "Тсраб", K::Time, 0.1, 2, 2, 0.01),
        items(79, "cbUROV_MTZ1", urov, "Пуск МТЗ-1", K::OnOff),
        items(80, "cbUROV_MTZ2", urov, "Пуск МТЗ-2", K::OnOff),
        items(81, "cbUROV_TO", urov, "Пуск ТО", K::OnOff),
        items(82, "cbUROV_ZNZ", urov, "Пуск ЗНЗ", K::OnOff),
        items(83, "cbUROV_VZ", urov, "Пуск ВЗ", K::OnOff),

        integer(61, "sbLink_Address", link, "Адрес", 0, 99, readOnly),
        items(62, "cbLink_Speed", link, "Скорость", K::Speed, readOnly),
        items(63, "cbLink_Batt", link, "Батарея", K::OnOff),

        number(64, "sbOsc_T", osc, "Вр. зап.", K::Time, 0.2, 1, 1, 0.1),
        items(65, "cbOsc_MTZ1", osc, "Пуск МТЗ-1", K::OnOff),
        items(66, "cbOsc_MTZ2", osc, "Пуск МТЗ-2", K::OnOff),
        items(67, "cbOsc_TO", osc, "Пуск ТО", K::OnOff),
        items(68, "cbOsc_ZNZ", osc, "Пуск ЗНЗ", K::OnOff),
    };
}
// clang-format on

QStringList list(std::initializer_list<const char*> texts)
{
    QStringList result;
    for (const char* text : texts)
        result.append(QString::fromUtf8(text));
    return result;
}

} // namespace

const QVector<SettingRow>& SettingTable::rows()
{
    static const QVector<SettingRow> table = makeRows();
    return table;
}

const SettingRow* SettingTable::find(uint16_t reg)
{
    for (const SettingRow& row : rows()) {
        if (row.reg == reg)
            return &row;
    }
    return nullptr;
}

QStringList SettingTable::groups()
{
    QStringList titles;
    for (const SettingRow& row : rows()) {
        const QString group = QString::fromUtf8(row.group);
        if (titles.isEmpty() || titles.last() != group)
            titles.append(group);
    }
    return titles;
}

QString SettingTable::unitOf(SettingKind kind)
{
    switch (kind) {
    case K::Current:
        return QStringLiteral("А");
    case K::Angle:
        return QStringLiteral("°");
    case K::Time:
        return QStringLiteral("с");
    default:
        return QString();
    }
}

const QStringList& SettingTable::itemsOf(SettingKind kind)
{
    // clang-format off
    static const QStringList none;
    static const QStringList onOff = list({"Откл", "Вкл"});
    static const QStringList outType = list({"DO1", "DO2", "DO4"});
    static const QStringList charType = list({"Независимая", "Пологая", "Крутая", "Чрезв. инв.",
                                              "Сильно инв.", "Норм. инв.", "Тепловая б.п."});
    static const QStringList releType = list({"3-х фазное", "2-х фазное"});
    static const QStringList di3Type = list({"ЧАПВ", "Блок", "Блок. инв.", "Вкл"});
    static const QStringList di4Type = list({"Откл", "Работа ВЗ"});
    static const QStringList do1Type = list({"Без ВВ", "200 мс", "500 мс", "Фиксация"});
    static const QStringList apvMode = list({"Откл", "АПВ1 крат", "АПВ2 крат"});
    static const QStringList vzType = list({"Отключение", "Индикация"});
    static const QStringList speed = list({"9600", "19200", "38400"});
    static const QStringList vzDo1Mode = list({"Потенциальный", "Импульсный"});
    static const QStringList do3_2Mode = list({"МТЗ-1 мгновенный", "УРОВ"});
    static const QStringList range3I0 = list({"0.02-3.00A", "1.0-120.0A"});
    // clang-format on
    switch (kind) {
    case K::OnOff:
        return onOff;
    case K::OutType:
        return outType;
    case K::CharType:
        return charType;
    case K::ReleType:
        return releType;
    case K::DI3Type:
        return di3Type;
    case K::DI4Type:
        return di4Type;
    case K::DO1Type:
        return do1Type;
    case K::APVMode:
        return apvMode;
    case K::VZType:
        return vzType;
    case K::Speed:
        return speed;
    case K::VZ_DO1Mode:
        return vzDo1Mode;
    case K::DO3_2Mode:
        return do3_2Mode;
    case K::Range3I0:
        return range3I0;
    case K::Integer:
    case K::Current:
    case K::Angle:
    case K::Time:
        break;
    }
    return none;
}

QVector<uint16_t> SettingTable::registersOf(SettingKind kind)
{
    QVector<uint16_t> registers;
    for (const SettingRow& row : rows()) {
        if (row.kind == kind)
            registers.append(row.reg);
    }
    return registers;
}

namespace SettingInterlocks {

bool refusesOutput(const IModBusDev& relay, int outputIndex)
{
    const QVector<uint16_t> mode = SettingTable::registersOf(SettingKind::APVMode);
    return outputIndex == outputDO2 && !mode.isEmpty() && relay.getRegister(mode.first()) != 0;
}

bool refusesAutoReclose(const IModBusDev& relay, int modeIndex)
{
    if (modeIndex <= 0)
        return false;
    for (const uint16_t reg : SettingTable::registersOf(SettingKind::OutType)) {
        if (static_cast<int16_t>(relay.getRegister(reg)) == outputDO2)
            return true;
    }
    return false;
}

} // namespace SettingInterlocks
