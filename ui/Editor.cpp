#include "ui/Editor.h"

#include "relay/IModBusDev.h"
#include "relay/SettingCatalog.h"
#include "relay/SettingWrite.h"

#include <QFont>
#include <QWidget>

SettingEditor::SettingEditor(QWidget* widget, IModBusDev* device, uint16_t reg)
    : device(device), editWidget(widget), reg(reg)
{
}

SettingEditor::~SettingEditor() = default;

bool SettingEditor::isEditing() const
{
    // A difference the editor produced itself is not an edit: the widget keeps
    // following the relay until the user actually changes it.
    return editWidget->hasFocus() || (modified && userChange);
}

void SettingEditor::visualize()
{
    if (device == nullptr)
        return;
    if (!isEditing())
        showImage();
    // The written value stays on show until a read sent after the write has
    // been answered; only that answer tells whether the relay took it (an
    // earlier read would flash the old value back as if the write had failed).
    if (modified && written && device->readTicket(reg) > writeTicket) {
        const uint16_t intended = writtenValue;
        reset();
        // The relay kept another value: it stays bold until the user
        // changes or resets it, or the relay comes to hold the value.
        refused = registerValue() != intended;
        writtenValue = intended;
        if (refused)
            setWeight(QFont::Bold);
    }
}

bool SettingEditor::willSave() const
{
    // A disabled widget cannot be changed by the user, so whatever it shows
    // is never the user's choice.
    return device != nullptr && modified && userChange && editWidget->isEnabled();
}

void SettingEditor::save(uint16_t password)
{
    if (!willSave())
        return;

    const uint16_t value = widgetRegisterValue();
    writeSetting(*device, reg, value, password);
    writeTicket = device->lastTicket();
    writtenValue = value;
    written = true;
}

void SettingEditor::reset()
{
    if (device == nullptr)
        return;
    setWeight(QFont::Normal);
    modified = false;
    written = false;
    userChange = false;
    refused = false;
    showImage();
}

void SettingEditor::bindTo(IModBusDev* image)
{
    device = image;
    // A write made to the other image is no write to this one.
    writeTicket = 0;
    writtenValue = 0;
    reset();
}

void SettingEditor::showImage()
{
    SourceScope scope(this, ChangeSource::Editor);
    const uint16_t value = registerValue();
    const QString note = widgetFormat().relayValueNote(value);
    const bool shown = showRegister(value);
    if (!shown)
        showUnrepresentable();
    markUnrepresentable(note);
    if (shown && note.isEmpty()) {
        markChange(false);
    } else {
        // What the widget shows differs from the relay because the widget
        // cannot show the relay's value: that is no change of the user's.
        setWeight(refused ? QFont::Bold : QFont::Normal);
        modified = false;
        userChange = false;
    }
}

void SettingEditor::markUnrepresentable(const QString& note)
{
    if (note.isEmpty()) {
        if (unrepresentable) {
            editWidget->setPalette(normalPalette);
            editWidget->setToolTip(QString());
        }
        unrepresentable = false;
        return;
    }
    // Every poll shows the value again; the look changes only with it.
    if (unrepresentable && editWidget->toolTip() == note)
        return;
    if (!unrepresentable)
        normalPalette = editWidget->palette();
    unrepresentable = true;
    QPalette palette = normalPalette;
    const QColor red(0xC0, 0x00, 0x00);
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
        palette.setColor(role, red);
    editWidget->setPalette(palette);
    editWidget->setToolTip(note);
}

uint16_t SettingEditor::registerValue() const
{
    return device != nullptr ? device->getRegister(reg) : 0;
}

void SettingEditor::markChange(bool byUser)
{
    if (byUser || registerValue() == writtenValue)
        refused = false;
    // The user's own value replaces the one the widget could not show.
    if (byUser)
        markUnrepresentable(QString());
    // Both sides are 16-bit register values; equal bits mean equal settings.
    if (registerValue() == widgetRegisterValue()) {
        setWeight(refused ? QFont::Bold : QFont::Normal);
        modified = false;
        userChange = false;
    } else {
        setWeight(QFont::Bold);
        modified = true;
        written = false;
        userChange = byUser;
    }
}

void SettingEditor::setWeight(int weight)
{
    QFont font = editWidget->font();
    font.setWeight(weight);
    editWidget->setFont(font);
}
