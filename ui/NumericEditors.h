#ifndef TALVIK_UI_NUMERICEDITORS_H
#define TALVIK_UI_NUMERICEDITORS_H

#include "relay/SettingTable.h"
#include "ui/Editor.h"

#include <cstdint>

class QDoubleSpinBox;
class QSpinBox;

// Converts a widget value in units of 1/scale to a register value: rounded
// half away from zero, taken as a 32-bit integer and cut to its low 16 bits.
uint16_t scaledToRegister(double value, int scale);

// A setting held as the plain number: transformer ratios, the link address.
class IntegerEditor : public SettingEditor
{
    Q_OBJECT

public:
    IntegerEditor(QSpinBox* widget, IModBusDev* device, uint16_t reg);
    SettingDescription widgetFormat() const override;

private slots:
    void valueChanged(int value);

private:
    bool showRegister(uint16_t value) override;
    uint16_t widgetRegisterValue() const override;

    QSpinBox* spinBox;
};

// A setting held as a scaled integer and shown as a decimal number.
class ScaledEditor : public SettingEditor
{
    Q_OBJECT

public:
    SettingDescription widgetFormat() const override;

protected:
    ScaledEditor(QDoubleSpinBox* widget, IModBusDev* device, uint16_t reg, int scale);

private slots:
    void valueChanged(double value);

private:
    bool showRegister(uint16_t value) override;
    uint16_t widgetRegisterValue() const override;

    QDoubleSpinBox* spinBox;
    int scale;
};

// Register in hundredths of an ampere.
class CurrentEditor : public ScaledEditor
{
    Q_OBJECT

public:
    static constexpr int scale = SettingTable::scaleOf(SettingKind::Current);
    CurrentEditor(QDoubleSpinBox* widget, IModBusDev* device, uint16_t reg);
};

// Register in tenths of a degree.
class AngleEditor : public ScaledEditor
{
    Q_OBJECT

public:
    static constexpr int scale = SettingTable::scaleOf(SettingKind::Angle);
    AngleEditor(QDoubleSpinBox* widget, IModBusDev* device, uint16_t reg);
};

// Register in hundredths of a second.
class TimeEditor : public ScaledEditor
{
    Q_OBJECT

public:
    static constexpr int scale = SettingTable::scaleOf(SettingKind::Time);
    TimeEditor(QDoubleSpinBox* widget, IModBusDev* device, uint16_t reg);
};

#endif
