#include "presentation/ComboBoxEditor.h"

#include "presentation/SettingCatalog.h"

#include "device/IModBusDev.h"

#include <QComboBox>
#include <QEvent>
#include <QSignalBlocker>
#include <QStringList>
#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace {

// DO2, the output that auto-reclose drives: its item index, which is also the
// value of a protection's output register.
constexpr int outputDO2 = 1;

// Shown for a register value beyond the last item.
const QString errorText = QStringLiteral("Ошибка!");

} // namespace

ComboBoxEditor::ComboBoxEditor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : SettingEditor(box, device, reg), box(box)
{
    box->installEventFilter(this);
    connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ComboBoxEditor::currentIndexChanged);
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
    : ComboBoxEditor(box, device, reg)
{
    fill(settingItems(SettingItems::OnOff));
}

OutTypeEditor::OutTypeEditor(QComboBox* box, IModBusDev* device, uint16_t reg,
                             uint16_t interlockRegister)
    : ComboBoxEditor(box, device, reg), interlockRegister(interlockRegister)
{
    fill(settingItems(SettingItems::OutType));
}

void OutTypeEditor::currentIndexChanged(int index)
{
    // The relay's auto-reclose mode as last read, not a choice still pending
    // in the auto-reclose editor.
    if (index == outputDO2 && device != nullptr && device->getRegister(interlockRegister) != 0) {
        refuseSelection(lastSelectedIndex());
        return;
    }
    ComboBoxEditor::currentIndexChanged(index);
}

CharTypeEditor::CharTypeEditor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg)
{
    fill(settingItems(SettingItems::CharType));
}

ReleTypeEditor::ReleTypeEditor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg)
{
    fill(settingItems(SettingItems::ReleType));
}

DI3TypeEditor::DI3TypeEditor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg)
{
    fill(settingItems(SettingItems::DI3Type));
}

DI4TypeEditor::DI4TypeEditor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg)
{
    fill(settingItems(SettingItems::DI4Type));
}

DO1TypeEditor::DO1TypeEditor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg)
{
    fill(settingItems(SettingItems::DO1Type));
}

APVModeEditor::APVModeEditor(QComboBox* box, IModBusDev* device, uint16_t reg,
                             const QList<uint16_t>& interlockRegisters)
    : ComboBoxEditor(box, device, reg), interlockRegisters(interlockRegisters)
{
    fill(settingItems(SettingItems::APVMode));
}

void APVModeEditor::currentIndexChanged(int index)
{
    if (index > 0 && device != nullptr) {
        // The protections' outputs as last read from the relay.
        for (const uint16_t reg : qAsConst(interlockRegisters)) {
            if (static_cast<int16_t>(device->getRegister(reg)) == outputDO2) {
                refuseSelection(0);
                return;
            }
        }
    }
    ComboBoxEditor::currentIndexChanged(index);
}

VZTypeEditor::VZTypeEditor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg)
{
    fill(settingItems(SettingItems::VZType));
}

SpeedEditor::SpeedEditor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg)
{
    fill(settingItems(SettingItems::Speed));
}

VZ_DO1ModeEditor::VZ_DO1ModeEditor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg)
{
    fill(settingItems(SettingItems::VZ_DO1Mode));
}

DO3_2_ModeEditor::DO3_2_ModeEditor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg)
{
    fill(settingItems(SettingItems::DO3_2Mode));
}

Range3I0Editor::Range3I0Editor(QComboBox* box, IModBusDev* device, uint16_t reg)
    : ComboBoxEditor(box, device, reg)
{
    fill(settingItems(SettingItems::Range3I0));
}

const QStringList& settingItems(SettingItems list)
{
    // The relay's item lists: the register value of an item is its position.
    static const QStringList onOffItems = {QStringLiteral("Откл"), QStringLiteral("Вкл")};
    static const QStringList outTypeItems = {QStringLiteral("DO1"), QStringLiteral("DO2"),
                                             QStringLiteral("DO4")};
    static const QStringList charTypeItems = {
        QStringLiteral("Независимая"),  QStringLiteral("Пологая"),     QStringLiteral("Крутая"),
        QStringLiteral("Чрезв. инв."),  QStringLiteral("Сильно инв."), QStringLiteral("Норм. инв."),
        QStringLiteral("Тепловая б.п.")};
    static const QStringList releTypeItems = {QStringLiteral("3-х фазное"),
                                              QStringLiteral("2-х фазное")};
    static const QStringList di3TypeItems = {QStringLiteral("ЧАПВ"), QStringLiteral("Блок"),
                                             QStringLiteral("Блок. инв."), QStringLiteral("Вкл")};
    static const QStringList di4TypeItems = {QStringLiteral("Откл"), QStringLiteral("Работа ВЗ")};
    static const QStringList do1TypeItems = {QStringLiteral("Без ВВ"), QStringLiteral("200 мс"),
                                             QStringLiteral("500 мс"), QStringLiteral("Фиксация")};
    static const QStringList apvModeItems = {QStringLiteral("Откл"), QStringLiteral("АПВ1 крат"),
                                             QStringLiteral("АПВ2 крат")};
    static const QStringList vzTypeItems = {QStringLiteral("Отключение"),
                                            QStringLiteral("Индикация")};
    static const QStringList speedItems = {QStringLiteral("9600"), QStringLiteral("19200"),
                                           QStringLiteral("38400")};
    static const QStringList vzDo1ModeItems = {QStringLiteral("Потенциальный"),
                                               QStringLiteral("Импульсный")};
    static const QStringList do3_2ModeItems = {QStringLiteral("МТЗ-1 мгновенный"),
                                               QStringLiteral("УРОВ")};
    static const QStringList range3I0Items = {QStringLiteral("0.02-3.00A"),
                                              QStringLiteral("1.0-120.0A")};
    switch (list) {
    case SettingItems::OnOff:
        return onOffItems;
    case SettingItems::OutType:
        return outTypeItems;
    case SettingItems::CharType:
        return charTypeItems;
    case SettingItems::ReleType:
        return releTypeItems;
    case SettingItems::DI3Type:
        return di3TypeItems;
    case SettingItems::DI4Type:
        return di4TypeItems;
    case SettingItems::DO1Type:
        return do1TypeItems;
    case SettingItems::APVMode:
        return apvModeItems;
    case SettingItems::VZType:
        return vzTypeItems;
    case SettingItems::Speed:
        return speedItems;
    case SettingItems::VZ_DO1Mode:
        return vzDo1ModeItems;
    case SettingItems::DO3_2Mode:
        return do3_2ModeItems;
    case SettingItems::Range3I0:
        return range3I0Items;
    }
    return onOffItems;
}
