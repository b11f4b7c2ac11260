#ifndef TALVIK_TESTS_SUPPORT_RELIABILITYHARNESS_H
#define TALVIK_TESTS_SUPPORT_RELIABILITYHARNESS_H

#include "app/MainWindow.h"
#include "support/MainWindowTestAccess.h"
#include "support/ModalCloser.h"

#include <QString>

namespace reliability {

using windowtest::action;
using windowtest::child;
using windowtest::logLines;
using windowtest::readFile;
using windowtest::Settings;

// Accepts the connection dialog for a relay on `portName` at slave address
// 1, with the shortest poll period (1 s) and inter-character interval (40 ms).
inline bool connectTo(MainWindow& window, ModalCloser& closer, const QString& portName)
{
    Settings settings;
    settings.demo = false;
    settings.portName = portName;
    return windowtest::acceptSettings(window, closer, settings);
}

} // namespace reliability

#endif
