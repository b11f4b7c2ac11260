#include "presentation/ParameterMap.h"

#include "device/RelayMap.h"
#include "presentation/ComboBoxEditor.h"
#include "presentation/NumericEditors.h"
#include "presentation/Visualizers.h"

#include <QAbstractButton>
#include <QByteArray>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QSpinBox>
#include <QWidget>
#include <QtGlobal>

namespace {

enum class Kind
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

struct EditorBinding
{
    uint16_t reg;
    const char* widget;
    Kind kind;
};

// Every relay setting, in the order of the editors in the list: group by
// group as the window shows them, not by register number.
constexpr EditorBinding editorBindings[] = {
    // МТЗ-1
    {8, "cbMTZ1_On", Kind::OnOff},
    {9, "sbMTZ1_I", Kind::Current},
    {10, "sbMTZ1_T", Kind::Time},
    {11, "cbMTZ1_APV", Kind::OnOff},
    {12, "cbMTZ1_Block", Kind::OnOff},
    {13, "cbMTZ1_Uskor", Kind::OnOff},
    {14, "sbMTZ1_Tuskor", Kind::Time},
    {15, "cbMTZ1_Bnt", Kind::OnOff},
    {16, "cbMTZ1_Out", Kind::OutType},
    {17, "cbMTZ1_DO3", Kind::OnOff},
    {18, "cbMTZ1_Characteristic", Kind::CharType},
    // МТЗ-2
    {19, "cbMTZ2_On", Kind::OnOff},
    {20, "sbMTZ2_I", Kind::Current},
    {21, "sbMTZ2_T", Kind::Time},
    {22, "cbMTZ2_APV", Kind::OnOff},
    {23, "cbMTZ2_Block", Kind::OnOff},
    {24, "cbMTZ2_Uskor", Kind::OnOff},
    {25, "sbMTZ2_Tuskor", Kind::Time},
    {26, "cbMTZ2_Bnt", Kind::OnOff},
    {27, "cbMTZ2_Out", Kind::OutType},
    // ТО
    {28, "cbTO_On", Kind::OnOff},
    {29, "sbTO_I", Kind::Current},
    {30, "sbTO_T", Kind::Time},
    {31, "cbTO_APV", Kind::OnOff},
    {32, "cbTO_Block", Kind::OnOff},
    {33, "cbTO_Bnt", Kind::OnOff},
    {34, "cbTO_Out", Kind::OutType},
    // ЗНЗ
    {35, "cbZNZ_On", Kind::OnOff},
    {36, "sbZNZ_I1", Kind::Current},
    {76, "sbZNZ_I2", Kind::Current},
    {37, "sbZNZ_T", Kind::Time},
    {38, "cbZNZ_APV", Kind::OnOff},
    {39, "cbZNZ_Block", Kind::OnOff},
    {40, "cbZNZ_Out", Kind::OutType},
    {41, "cbZNZ_Direct", Kind::OnOff},
    {42, "sbZNZ_AngleMax", Kind::Angle},
    {43, "sbZNZ_AngleWidth", Kind::Angle},
    // ВЗ
    {44, "cbVZ_On", Kind::OnOff},
    {45, "cbVZ_Ind", Kind::VZType},
    {46, "sbVZ_T", Kind::Time},
    {47, "cbVZ_Out", Kind::OutType},
    {70, "cbVZ_APV", Kind::OnOff},
    {72, "cbVZ_PuskPoI", Kind::OnOff},
    {73, "cbVZ_DO1_Mode", Kind::VZ_DO1Mode},
    // АПВ
    {48, "cbAPV_On", Kind::APVMode},
    {49, "sbAPV_Tgot", Kind::Time},
    {50, "sbAPV1_Tsrab", Kind::Time},
    {69, "sbAPV2_Tsrab", Kind::Time},
    {51, "cbCHAPV_On", Kind::OnOff},
    // Конфигурация
    {52, "sbKTT", Kind::Integer},
    {53, "sbKTT0", Kind::Integer},
    {54, "sbKTU0", Kind::Integer},
    {55, "cbIspoln", Kind::ReleType},
    {56, "cbDI3", Kind::DI3Type},
    {57, "cbDI4", Kind::DI4Type},
    {58, "cbDO6", Kind::DO1Type},
    {59, "cbDO1", Kind::DO1Type},
    {60, "cbRazreshTU", Kind::OnOff},
    {84, "cbInverseVD6", Kind::OnOff},
    {77, "cbDO3_2", Kind::DO3_2Mode},
    {75, "cb3I0Range", Kind::Range3I0},
    // УРОВ
    {78, "sbUrov_T", Kind::Time},
    {79, "cbUROV_MTZ1", Kind::OnOff},
    {80, "cbUROV_MTZ2", Kind::OnOff},
    {81, "cbUROV_TO", Kind::OnOff},
    {82, "cbUROV_ZNZ", Kind::OnOff},
    {83, "cbUROV_VZ", Kind::OnOff},
    // Связь
    {61, "sbLink_Address", Kind::Integer},
    {62, "cbLink_Speed", Kind::Speed},
    {63, "cbLink_Batt", Kind::OnOff},
    // Осциллограф
    {64, "sbOsc_T", Kind::Time},
    {65, "cbOsc_MTZ1", Kind::OnOff},
    {66, "cbOsc_MTZ2", Kind::OnOff},
    {67, "cbOsc_TO", Kind::OnOff},
    {68, "cbOsc_ZNZ", Kind::OnOff},
};

// The register of the first setting of this kind in the list.
constexpr uint16_t firstRegisterOf(Kind kind)
{
    for (const EditorBinding& binding : editorBindings) {
        if (binding.kind == kind)
            return binding.reg;
    }
    return 0;
}

// The registers of every setting of this kind, in the order of the list.
QList<uint16_t> registersOf(Kind kind)
{
    QList<uint16_t> registers;
    for (const EditorBinding& binding : editorBindings) {
        if (binding.kind == kind)
            registers.append(binding.reg);
    }
    return registers;
}

// Auto-reclose drives output DO2, so the auto-reclose mode and the outputs of
// the five protections lock each other.
constexpr uint16_t apvModeRegister = firstRegisterOf(Kind::APVMode);
const QList<uint16_t> protectionOutputRegisters = registersOf(Kind::OutType);

template <typename Widget> Widget* findWidget(QWidget* root, const char* name)
{
    auto* widget = root->findChild<Widget*>(QString::fromLatin1(name));
    if (widget == nullptr) {
        qWarning("Parameter map: no %s named %s; its value is not shown",
                 Widget::staticMetaObject.className(), name);
    }
    return widget;
}

template <typename EditorClass, typename Widget, typename... Extra>
IVisualizer* bind(QWidget* root, IModBusDev* device, const EditorBinding& binding,
                  const Extra&... extra)
{
    Widget* widget = findWidget<Widget>(root, binding.widget);
    if (widget == nullptr)
        return nullptr;
    return new EditorClass(widget, device, binding.reg, extra...);
}

IVisualizer* createEditor(QWidget* root, IModBusDev* device, const EditorBinding& binding)
{
    switch (binding.kind) {
    case Kind::Integer:
        return bind<IntegerEditor, QSpinBox>(root, device, binding);
    case Kind::Current:
        return bind<CurrentEditor, QDoubleSpinBox>(root, device, binding);
    case Kind::Angle:
        return bind<AngleEditor, QDoubleSpinBox>(root, device, binding);
    case Kind::Time:
        return bind<TimeEditor, QDoubleSpinBox>(root, device, binding);
    case Kind::OnOff:
        return bind<OnOffEditor, QComboBox>(root, device, binding);
    case Kind::OutType:
        return bind<OutTypeEditor, QComboBox>(root, device, binding, apvModeRegister);
    case Kind::CharType:
        return bind<CharTypeEditor, QComboBox>(root, device, binding);
    case Kind::ReleType:
        return bind<ReleTypeEditor, QComboBox>(root, device, binding);
    case Kind::DI3Type:
        return bind<DI3TypeEditor, QComboBox>(root, device, binding);
    case Kind::DI4Type:
        return bind<DI4TypeEditor, QComboBox>(root, device, binding);
    case Kind::DO1Type:
        return bind<DO1TypeEditor, QComboBox>(root, device, binding);
    case Kind::APVMode:
        return bind<APVModeEditor, QComboBox>(root, device, binding, protectionOutputRegisters);
    case Kind::VZType:
        return bind<VZTypeEditor, QComboBox>(root, device, binding);
    case Kind::Speed:
        return bind<SpeedEditor, QComboBox>(root, device, binding);
    case Kind::VZ_DO1Mode:
        return bind<VZ_DO1ModeEditor, QComboBox>(root, device, binding);
    case Kind::DO3_2Mode:
        return bind<DO3_2_ModeEditor, QComboBox>(root, device, binding);
    case Kind::Range3I0:
        return bind<Range3I0Editor, QComboBox>(root, device, binding);
    }
    return nullptr;
}

ParameterMap::SettingFormat formatOf(const EditorBinding& binding)
{
    ParameterMap::SettingFormat format{binding.reg, QString::fromLatin1(binding.widget), 0,
                                       QString(), QStringList()};
    auto list = [&format](SettingItems items) { format.items = settingItems(items); };
    switch (binding.kind) {
    case Kind::Integer:
        format.scale = 1;
        break;
    case Kind::Current:
        format.scale = CurrentEditor::scale;
        format.unit = QStringLiteral("А");
        break;
    case Kind::Angle:
        format.scale = AngleEditor::scale;
        format.unit = QStringLiteral("°");
        break;
    case Kind::Time:
        format.scale = TimeEditor::scale;
        format.unit = QStringLiteral("с");
        break;
    case Kind::OnOff:
        list(SettingItems::OnOff);
        break;
    case Kind::OutType:
        list(SettingItems::OutType);
        break;
    case Kind::CharType:
        list(SettingItems::CharType);
        break;
    case Kind::ReleType:
        list(SettingItems::ReleType);
        break;
    case Kind::DI3Type:
        list(SettingItems::DI3Type);
        break;
    case Kind::DI4Type:
        list(SettingItems::DI4Type);
        break;
    case Kind::DO1Type:
        list(SettingItems::DO1Type);
        break;
    case Kind::APVMode:
        list(SettingItems::APVMode);
        break;
    case Kind::VZType:
        list(SettingItems::VZType);
        break;
    case Kind::Speed:
        list(SettingItems::Speed);
        break;
    case Kind::VZ_DO1Mode:
        list(SettingItems::VZ_DO1Mode);
        break;
    case Kind::DO3_2Mode:
        list(SettingItems::DO3_2Mode);
        break;
    case Kind::Range3I0:
        list(SettingItems::Range3I0);
        break;
    }
    return format;
}

// Keeps every button at its bit position; a missing one is left as null. The
// indicators are named after the relay's bits with a prefix of their kind.
template <size_t N>
QList<QAbstractButton*> findButtons(QWidget* root, const char* prefix,
                                    const char* const (&bitNames)[N])
{
    QList<QAbstractButton*> buttons;
    for (const char* bitName : bitNames) {
        const QByteArray name = QByteArray(prefix) + bitName;
        buttons.append(findWidget<QAbstractButton>(root, name.constData()));
    }
    return buttons;
}

void append(QList<IVisualizer*>& visualizers, IVisualizer* item)
{
    if (item != nullptr)
        visualizers.append(item);
}

} // namespace

void ParameterMap::create(QWidget* root, IModBusDev* device, QList<IVisualizer*>& visualizers)
{
    if (root == nullptr) {
        qWarning("Parameter map: no window to bind the parameters to");
        return;
    }

    auto* ia = findWidget<QLabel>(root, "lblIa");
    auto* ib = findWidget<QLabel>(root, "lblIb");
    auto* ic = findWidget<QLabel>(root, "lblIc");
    if (ia != nullptr || ib != nullptr || ic != nullptr)
        visualizers.append(new PhaseCurrentsVisualizer(ia, ib, ic, device));

    if (auto* label = findWidget<QLabel>(root, "lbl3I0"))
        visualizers.append(
            new MeasuredCurrent3I0Visualizer(label, device, RelayMap::residualCurrentRegister));
    if (auto* label = findWidget<QLabel>(root, "lbl3U0"))
        visualizers.append(
            new MeasuredVoltageVisualizer(label, device, RelayMap::residualVoltageRegister));
    if (auto* label = findWidget<QLabel>(root, "lblAngle"))
        visualizers.append(new MeasuredAngleVisualizer(label, device, RelayMap::angleRegister));

    const QList<QAbstractButton*> inputsOutputs =
        findButtons(root, "check", RelayMap::inputOutputNames);
    if (!inputsOutputs.isEmpty() && inputsOutputs.count(nullptr) < inputsOutputs.size())
        visualizers.append(
            new BinaryVisualizer(inputsOutputs, device, RelayMap::inputsOutputsRegister));
    const QList<QAbstractButton*> leds = findButtons(root, "led", RelayMap::ledNames);
    if (!leds.isEmpty() && leds.count(nullptr) < leds.size())
        visualizers.append(new BinaryVisualizer(leds, device, RelayMap::ledsRegister));

    for (const EditorBinding& binding : editorBindings)
        append(visualizers, createEditor(root, device, binding));
}

QVector<ParameterMap::LiveValue> ParameterMap::liveValues()
{
    QVector<LiveValue> values = {
        {QStringLiteral("lblIa"), RelayMap::iaRegister},
        {QStringLiteral("lblIb"), RelayMap::ibRegister},
        {QStringLiteral("lblIc"), RelayMap::icRegister},
        {QStringLiteral("lbl3I0"), RelayMap::residualCurrentRegister},
        {QStringLiteral("lbl3U0"), RelayMap::residualVoltageRegister},
        {QStringLiteral("lblAngle"), RelayMap::angleRegister},
    };
    // The indicators are named after the relay's own abbreviations.
    for (const char* name : RelayMap::inputOutputNames)
        values.append(
            {QStringLiteral("check") + QLatin1String(name), RelayMap::inputsOutputsRegister});
    for (const char* name : RelayMap::ledNames)
        values.append({QStringLiteral("led") + QLatin1String(name), RelayMap::ledsRegister});
    return values;
}

QVector<ParameterMap::SettingFormat> ParameterMap::settingFormats()
{
    QVector<SettingFormat> formats;
    for (const EditorBinding& binding : editorBindings)
        formats.append(formatOf(binding));
    return formats;
}
