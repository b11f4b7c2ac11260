#ifndef TALVIK_UI_IEDITOR_H
#define TALVIK_UI_IEDITOR_H

#include <cstdint>

// A setting editor: one relay setting bound to one input widget. The main
// window finds the editors among its visualizers with a dynamic cast and
// saves or resets all of them together.
class IEditor
{
public:
    // Queues the write of a changed value, preceded by the password.
    virtual void save(uint16_t password) = 0;
    // Drops the change and shows the register-image value again.
    virtual void reset() = 0;
    // Whether a refresh must leave the widget alone.
    virtual bool isEditing() const = 0;

protected:
    // Editors are deleted through IVisualizer, never through this interface.
    ~IEditor() = default;
};

#endif
