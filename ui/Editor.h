#ifndef TALVIK_UI_EDITOR_H
#define TALVIK_UI_EDITOR_H

#include "ui/IEditor.h"
#include "ui/IVisualizer.h"

#include <QObject>
#include <QPalette>
#include <QString>

#include <cstdint>

class IModBusDev;
class QWidget;
struct SettingDescription;

// The common base of the editors for the interface.
class Editor : public IEditor
{
protected:
    ~Editor() = default;
};

// The editors answer to these names in their meta-object casts.
Q_DECLARE_INTERFACE(IVisualizer, "talvik.IVisualizer")
Q_DECLARE_INTERFACE(Editor, "talvik.Editor")

// What the numeric and combo-box editors share: the change marking by font
// weight and the Clean/Modified/Written state machine.
//
// Only a value the user chose is ever written. A difference that the editor
// produced itself (a register value the widget had to clamp or round, an
// interlock refusing what a refresh wanted to show) is shown in bold, but it
// is not saved and does not stop the widget from following the relay.
class SettingEditor : public QObject, public IVisualizer, public Editor
{
    Q_OBJECT
    Q_INTERFACES(IVisualizer Editor)

public:
    ~SettingEditor() override;

    void visualize() override;
    void save(uint16_t password) override;
    void reset() override;
    bool isEditing() const override;

    uint16_t registerNumber() const { return reg; }
    QWidget* widget() const { return editWidget; }
    // Shows and writes another register image from now on: the relay's, or
    // a settings file's in memory. Whatever the user changed is dropped, as
    // it belonged to the other image.
    void bindTo(IModBusDev* image);
    IModBusDev* image() const { return device; }
    bool isModified() const { return modified; }
    bool isWritten() const { return written; }
    // A pending modification that the user made and that save() will write.
    bool isUserChange() const { return modified && userChange; }
    // save() would write this editor's value now.
    bool willSave() const;
    // The last write was read back with another value: the relay did not
    // take it, and the relay's value is shown bold.
    bool isRefused() const { return refused; }
    // The relay holds a value the widget cannot show (out of its range,
    // finer than its decimals, past its items): shown in red with the
    // relay's value in the tool tip, neither bold nor ever written unless
    // the user changes it.
    bool isUnrepresentable() const { return unrepresentable; }
    // The register value the widget shows now, as save() would write it.
    uint16_t shownRegisterValue() const { return widgetRegisterValue(); }
    // How this editor's widget shows register values (its range, decimals
    // or items); the unit is left empty.
    virtual SettingDescription widgetFormat() const = 0;

protected:
    // Who is changing the widget's value right now.
    enum class ChangeSource
    {
        User,   // anything outside the editor's own operations
        Editor, // a refresh, a reset or the filling of a combo box
        Refusal // an interlock putting back an allowed item
    };

    // Sets the change source for its own lifetime.
    class SourceScope
    {
    public:
        SourceScope(SettingEditor* editor, ChangeSource value)
            : editor(editor), saved(editor->source)
        {
            editor->source = value;
        }
        ~SourceScope() { editor->source = saved; }

    private:
        Q_DISABLE_COPY(SourceScope)
        SettingEditor* editor;
        ChangeSource saved;
    };

    SettingEditor(QWidget* widget, IModBusDev* device, uint16_t reg);

    // Puts the register value into the widget. False when the widget has no
    // way to show it (a combo-box value beyond the last item).
    virtual bool showRegister(uint16_t value) = 0;
    // The widget's current value converted to a register value.
    virtual uint16_t widgetRegisterValue() const = 0;
    // What the widget shows when showRegister() failed.
    virtual void showUnrepresentable() {}

    uint16_t registerValue() const;
    // The change marking: bold and modified when the widget's value differs
    // from the register image.
    void markChange(bool byUser);
    void setWeight(int weight);
    // Red text and the note on the relay's value as the tool tip, or the
    // normal look for an empty note.
    void markUnrepresentable(const QString& note);

    IModBusDev* device;
    ChangeSource source = ChangeSource::User;
    bool modified = false;
    bool written = false;
    bool userChange = false;
    // The image's ticket and the value of the last write of this setting.
    uint64_t writeTicket = 0;
    uint16_t writtenValue = 0;
    bool refused = false;
    bool unrepresentable = false;
    QPalette normalPalette;

private:
    Q_DISABLE_COPY(SettingEditor)

    // Shows the register value on behalf of the editor itself.
    void showImage();

    QWidget* editWidget;
    uint16_t reg;
};

#endif
