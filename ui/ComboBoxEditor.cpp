#include "ui/ComboBoxEditor.h"

#include "relay/SettingCatalog.h"

#include "relay/IModBusDev.h"

#include <QComboBox>
#include <QEvent>
#include <QSignalBlocker>
#include <QStringList>
#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace {

// Shown for a register value beyond the last item.
const QString errorText = QStringLiteral("Ошибка!");

} // namespace

ComboBoxEditor::ComboBoxEditor(QComboBox* box, IModBusDev* device, uint16_t reg, SettingKind kind)
    : SettingEditor(box, device, reg), box(box)
{
    box->installEventFilter(this);
    connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ComboBoxEditor::currentIndexChanged);
    fill(SettingTable::itemsOf(kind));
}

void ComboBoxEditor::currentIndexChanged(int index)
{
    bool byUser = source == ChangeSource::User;
    if (source == ChangeSource::Refusal) {
        // A refusal puts back an earlier item: it stays the user's choice only
        // if that very item was.
        byUser = modified && userChange && index == lastIndex;
    }
    markChange(byUser);
    lastIndex = index;
}

bool ComboBoxEditor::eventFilter(QObject* watched, QEvent* event)
{
    // A combo box that is not editable does not paint its placeholder text in
    // this toolkit version, so the error text is painted here, in the place
    // of the current item's text.
    if (watched != box || event->type() != QEvent::Paint || box->currentIndex() >= 0 ||
        box->isEditable() || box->placeholderText().isEmpty())
        return false;

    QStylePainter painter(box);
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.editable = false;
    option.frame = box->hasFrame();
    option.subControls = QStyle::SC_All;
    option.currentText = box->placeholderText();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
    return true;
}

SettingDescription ComboBoxEditor::widgetFormat() const
{
    SettingDescription format;
    for (int i = 0; i < box->count(); ++i)
        format.items.append(box->itemText(i));
    return format;
}

void ComboBoxEditor::fill(const QStringList& items)
{
    SourceScope scope(this, ChangeSource::Editor);
    box->clear();
    for (const QString& item : items)
        box->addItem(item);
}

void ComboBoxEditor::refuseSelection(int allowedIndex)
{
    SourceScope scope(this, ChangeSource::Refusal);
    box->setCurrentIndex(allowedIndex);
}

bool ComboBoxEditor::showRegister(uint16_t value)
{
    if (value >= box->count())
        return false;
    box->setCurrentIndex(value);
    return true;
}

uint16_t ComboBoxEditor::widgetRegisterValue() const
{
    return static_cast<uint16_t>(static_cast<uint32_t>(box->currentIndex()) & 0xFFFFu);
}

void ComboBoxEditor::showUnrepresentable()
{
    // Set only now: a combo box with a placeholder no longer selects its first
    // item by itself when items are appended.
    box->setPlaceholderText(errorText);
    // An unknown value is not a change of the user's: no change marking.
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(-1);
}

OnOffEditor::OnOffEditor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg, SettingKind::OnOff)
{
}

CharTypeEditor::CharTypeEditor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg, SettingKind::CharType)
{
}

ReleTypeEditor::ReleTypeEditor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg, SettingKind::ReleType)
{
}

DI3TypeEditor::DI3TypeEditor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg, SettingKind::DI3Type)
{
}

DI4TypeEditor::DI4TypeEditor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg, SettingKind::DI4Type)
{
}

DO1TypeEditor::DO1TypeEditor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg, SettingKind::DO1Type)
{
}

VZTypeEditor::VZTypeEditor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg, SettingKind::VZType)
{
}

SpeedEditor::SpeedEditor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg, SettingKind::Speed)
{
}

VZ_DO1ModeEditor::VZ_DO1ModeEditor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg, SettingKind::VZ_DO1Mode)
{
}

DO3_2_ModeEditor::DO3_2_ModeEditor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg, SettingKind::DO3_2Mode)
{
}

Range3I0Editor::Range3I0Editor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg, SettingKind::Range3I0)
{
}

OutTypeEditor::OutTypeEditor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg, SettingKind::OutType)
{
}

void OutTypeEditor::currentIndexChanged(int index)
{
    if (device != nullptr && SettingInterlocks::refusesOutput(*device, index)) {
        refuseSelection(lastSelectedIndex());
        return;
    }
    ComboBoxEditor::currentIndexChanged(index);
}

APVModeEditor::APVModeEditor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg, SettingKind::APVMode)
{
}

void APVModeEditor::currentIndexChanged(int index)
{
    if (device != nullptr && SettingInterlocks::refusesAutoReclose(*device, index)) {
        refuseSelection(0);
        return;
    }
    ComboBoxEditor::currentIndexChanged(index);
}
