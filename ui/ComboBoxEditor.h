#ifndef TALVIK_UI_COMBOBOXEDITOR_H
#define TALVIK_UI_COMBOBOXEDITOR_H

#include "relay/SettingTable.h"
#include "ui/Editor.h"

#include <QList>

#include <cstdint>

class QComboBox;

// An enumerated setting: the register holds the index of the selected item,
// from the relay's item list of its kind.
class ComboBoxEditor : public SettingEditor
{
    Q_OBJECT

public:
    ComboBoxEditor(QComboBox* box, IModBusDev* device, uint16_t reg, SettingKind kind);

    int lastSelectedIndex() const { return lastIndex; }
    SettingDescription widgetFormat() const override;

public slots:
    // Virtual so that the interlocked subclasses can refuse a selection.
    virtual void currentIndexChanged(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Replaces the combo box's items; the first one appended becomes current.
    void fill(const QStringList& items);
    // Puts an allowed item back in place of a refused selection.
    void refuseSelection(int allowedIndex);

    QComboBox* box;

private:
    bool showRegister(uint16_t value) override;
    uint16_t widgetRegisterValue() const override;
    void showUnrepresentable() override;

    int lastIndex = 0;
};

// Editors of the plain item lists: each names its kind of setting.
class OnOffEditor : public ComboBoxEditor
{
    Q_OBJECT

public:
    OnOffEditor(QComboBox* box, IModBusDev* device, uint16_t reg);
};

class CharTypeEditor : public ComboBoxEditor
{
    Q_OBJECT

public:
    CharTypeEditor(QComboBox* box, IModBusDev* device, uint16_t reg);
};

class ReleTypeEditor : public ComboBoxEditor
{
    Q_OBJECT

public:
    ReleTypeEditor(QComboBox* box, IModBusDev* device, uint16_t reg);
};

class DI3TypeEditor : public ComboBoxEditor
{
    Q_OBJECT

public:
    DI3TypeEditor(QComboBox* box, IModBusDev* device, uint16_t reg);
};

class DI4TypeEditor : public ComboBoxEditor
{
    Q_OBJECT

public:
    DI4TypeEditor(QComboBox* box, IModBusDev* device, uint16_t reg);
};

class DO1TypeEditor : public ComboBoxEditor
{
    Q_OBJECT

public:
    DO1TypeEditor(QComboBox* box, IModBusDev* device, uint16_t reg);
};

class VZTypeEditor : public ComboBoxEditor
{
    Q_OBJECT

public:
    VZTypeEditor(QComboBox* box, IModBusDev* device, uint16_t reg);
};

class SpeedEditor : public ComboBoxEditor
{
    Q_OBJECT

public:
    SpeedEditor(QComboBox* box, IModBusDev* device, uint16_t reg);
};

class VZ_DO1ModeEditor : public ComboBoxEditor
{
    Q_OBJECT

public:
    VZ_DO1ModeEditor(QComboBox* box, IModBusDev* device, uint16_t reg);
};

class DO3_2_ModeEditor : public ComboBoxEditor
{
    Q_OBJECT

public:
    DO3_2_ModeEditor(QComboBox* box, IModBusDev* device, uint16_t reg);
};

class Range3I0Editor : public ComboBoxEditor
{
    Q_OBJECT

public:
    Range3I0Editor(QComboBox* box, IModBusDev* device, uint16_t reg);
};

// The output relay of a protection: DO2 cannot be chosen while auto-reclose
// is on in the relay.
class OutTypeEditor : public ComboBoxEditor
{
    Q_OBJECT

public:
    OutTypeEditor(QComboBox* box, IModBusDev* device, uint16_t reg);

public slots:
    void currentIndexChanged(int index) override;
};

// The auto-reclose mode: it cannot be switched on while any protection in the
// relay has its output on DO2.
class APVModeEditor : public ComboBoxEditor
{
    Q_OBJECT

public:
    APVModeEditor(QComboBox* box, IModBusDev* device, uint16_t reg);

public slots:
    void currentIndexChanged(int index) override;
};

#endif
