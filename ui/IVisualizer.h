#ifndef TALVIK_UI_IVISUALIZER_H
#define TALVIK_UI_IVISUALIZER_H

// Everything that shows register-image values in widgets. The main window
// owns a list of them and calls visualize() on each at every refresh.
class IVisualizer
{
public:
    virtual void visualize() = 0;
    virtual ~IVisualizer() = default;
};

#endif
