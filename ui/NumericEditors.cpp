#include "ui/NumericEditors.h"

#include "relay/SettingCatalog.h"

#include <QDoubleSpinBox>
#include <QSpinBox>

#include <cmath>

uint16_t scaledToRegister(double value, int scale)
{
    // llround rounds halves away from zero: 2.5 gives 3, -2.5 gives -3.
    const auto rounded = static_cast<uint32_t>(std::llround(value * scale));
    return static_cast<uint16_t>(rounded & 0xFFFFu);
}

IntegerEditor::IntegerEditor(QSpinBox* widget, IModBusDev* device, uint16_t reg)
    : SettingEditor(widget, device, reg), spinBox(widget)
{
    connect(spinBox, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &IntegerEditor::valueChanged);
}

void IntegerEditor::valueChanged(int)
{
    markChange(source == ChangeSource::User);
}

bool IntegerEditor::showRegister(uint16_t value)
{
    spinBox->setValue(value);
    return true;
}

uint16_t IntegerEditor::widgetRegisterValue() const
{
    return static_cast<uint16_t>(static_cast<uint32_t>(spinBox->value()) & 0xFFFFu);
}

ScaledEditor::ScaledEditor(QDoubleSpinBox* widget, IModBusDev* device, uint16_t reg, int scale)
    : SettingEditor(widget, device, reg), spinBox(widget), scale(scale)
{
    connect(spinBox, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &ScaledEditor::valueChanged);
}

void ScaledEditor::valueChanged(double)
{
    markChange(source == ChangeSource::User);
}

bool ScaledEditor::showRegister(uint16_t value)
{
    spinBox->setValue(static_cast<double>(value) / scale);
    return true;
}

uint16_t ScaledEditor::widgetRegisterValue() const
{
    return scaledToRegister(spinBox->value(), scale);
}

CurrentEditor::CurrentEditor(QDoubleSpinBox* widget, IModBusDev* device, uint16_t reg)
    : ScaledEditor(widget, device, reg, scale)
{
}

AngleEditor::AngleEditor(QDoubleSpinBox* widget, IModBusDev* device, uint16_t reg)
    : ScaledEditor(widget, device, reg, scale)
{
}

TimeEditor::TimeEditor(QDoubleSpinBox* widget, IModBusDev* device, uint16_t reg)
    : ScaledEditor(widget, device, reg, scale)
{
}

SettingDescription IntegerEditor::widgetFormat() const
{
    SettingDescription format;
    format.scale = 1;
    format.minimum = spinBox->minimum();
    format.maximum = spinBox->maximum();
    return format;
}

SettingDescription ScaledEditor::widgetFormat() const
{
    SettingDescription format;
    format.scale = scale;
    format.decimals = spinBox->decimals();
    format.minimum = spinBox->minimum();
    format.maximum = spinBox->maximum();
    return format;
}
