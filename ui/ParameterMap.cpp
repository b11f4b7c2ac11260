#include "ui/ParameterMap.h"

#include "relay/RelayMap.h"
#include "relay/SettingTable.h"
#include "ui/ComboBoxEditor.h"
#include "ui/NumericEditors.h"
#include "ui/Visualizers.h"

#include <QAbstractButton>
#include <QByteArray>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QSpinBox>
#include <QWidget>
#include <QtGlobal>

namespace {

template <typename Widget> Widget* findWidget(QWidget* root, const char* name)
{
    auto* widget = root->findChild<Widget*>(QString::fromLatin1(name));
    if (widget == nullptr) {
        qWarning("Parameter map: no %s named %s; its value is not shown",
                 Widget::staticMetaObject.className(), name);
    }
    return widget;
}

template <typename EditorClass, typename Widget>
IVisualizer* bind(QWidget* root, IModBusDev* device, const SettingRow& row)
{
    Widget* widget = findWidget<Widget>(root, row.widget);
    if (widget == nullptr)
        return nullptr;
    return new EditorClass(widget, device, row.reg);
}

IVisualizer* createEditor(QWidget* root, IModBusDev* device, const SettingRow& row)
{
    using K = SettingKind;
    switch (row.kind) {
    case K::Integer:
        return bind<IntegerEditor, QSpinBox>(root, device, row);
    case K::Current:
        return bind<CurrentEditor, QDoubleSpinBox>(root, device, row);
    case K::Angle:
        return bind<AngleEditor, QDoubleSpinBox>(root, device, row);
    case K::Time:
        return bind<TimeEditor, QDoubleSpinBox>(root, device, row);
    case K::OnOff:
        return bind<OnOffEditor, QComboBox>(root, device, row);
    case K::OutType:
        return bind<OutTypeEditor, QComboBox>(root, device, row);
    case K::CharType:
        return bind<CharTypeEditor, QComboBox>(root, device, row);
    case K::ReleType:
        return bind<ReleTypeEditor, QComboBox>(root, device, row);
    case K::DI3Type:
        return bind<DI3TypeEditor, QComboBox>(root, device, row);
    case K::DI4Type:
        return bind<DI4TypeEditor, QComboBox>(root, device, row);
    case K::DO1Type:
        return bind<DO1TypeEditor, QComboBox>(root, device, row);
    case K::APVMode:
        return bind<APVModeEditor, QComboBox>(root, device, row);
    case K::VZType:
        return bind<VZTypeEditor, QComboBox>(root, device, row);
    case K::Speed:
        return bind<SpeedEditor, QComboBox>(root, device, row);
    case K::VZ_DO1Mode:
        return bind<VZ_DO1ModeEditor, QComboBox>(root, device, row);
    case K::DO3_2Mode:
        return bind<DO3_2_ModeEditor, QComboBox>(root, device, row);
    case K::Range3I0:
        return bind<Range3I0Editor, QComboBox>(root, device, row);
    }
    return nullptr;
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

    for (const SettingRow& row : SettingTable::rows())
        append(visualizers, createEditor(root, device, row));
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
