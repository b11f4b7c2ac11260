#ifndef TALVIK_UI_PARAMETERMAP_H
#define TALVIK_UI_PARAMETERMAP_H

#include <QList>
#include <QString>
#include <QVector>

#include <cstdint>

class IModBusDev;
class IVisualizer;
class QWidget;

// Ties the relay's register layout to the main window: creates the six
// visualizers of the measured values and states, then one editor for every
// setting of the setting table, each bound to its widget (found under root by
// object name) and to its register.
class ParameterMap
{
public:
    // A widget that shows a live value (a measured value, an LED, an input
    // or output) and the register it comes from.
    struct LiveValue
    {
        QString widgetName;
        uint16_t reg;
    };
    static QVector<LiveValue> liveValues();

    // Appends 81 items to visualizers, which the caller owns and deletes. A
    // widget that is missing is reported with a warning and its item left out.
    static void create(QWidget* root, IModBusDev* device, QList<IVisualizer*>& visualizers);

private:
    ParameterMap() = delete;
};

#endif
