#ifndef TALVIK_TESTS_SUPPORT_RELIABILITYHARNESS_H
#define TALVIK_TESTS_SUPPORT_RELIABILITYHARNESS_H

#include "app/MainWindow.h"
#include "support/MainWindowTestAccess.h"
#include "support/ModalCloser.h"
#include "support/ShortLineTiming.h"
#include "support/TestRelay.h"

#include <QString>

namespace reliability {

using windowtest::action;
using windowtest::child;
using windowtest::logLines;
using windowtest::readFile;
using windowtest::Settings;

// The scenarios run by silence alone, as the line was read before frame end
// by length existed, unless the environment asks for frame end by length
// and batched reads (a second run of the same executable).
inline bool lengthFramingRun()
{
    return qEnvironmentVariableIntValue("TALVIK_TEST_LENGTH_FRAMING") != 0;
}

// The poll period (MainWindowTestAccess::setPollPeriod) of the checks whose
// subject is what the polls bring, not how often they come: the polls follow
// one another as soon as the line lets them, so a check ends once the relay
// has had its share of requests rather than after whole seconds of an idle
// line.
constexpr int fastPollMs = 100;

// Accepts the connection dialog for a relay on `portName` (or on 127.0.0.1
// at `tcpPort`) at slave address 1, with the shortest poll period (1 s) and
// inter-character interval (40 ms).
inline bool connectTo(MainWindow& window, ModalCloser& closer, const QString& portName,
                      quint16 tcpPort = 0, bool modbusTcp = false,
                      bool byLength = lengthFramingRun())
{
    Settings settings;
    settings.demo = false;
    settings.portName = portName;
    settings.tcpPort = tcpPort;
    settings.modbusTcp = modbusTcp;
    settings.byLength = byLength;
    return windowtest::acceptSettings(window, closer, settings);
}

// What one end-to-end scenario runs on: a relay on a pseudo-terminal, the
// window and the closer of its boxes, made afresh for each test by the test
// class's init() and deleted by its cleanup().
struct Scenario
{
    Scenario() { shortenLineTiming(); }

    // A relay at slave address 1; the caller checks that it came up.
    void openRelay() { relay = new TestRelay(1); }

    void openWindow()
    {
        window = new MainWindow;
        window->show();
        closer = new ModalCloser;
    }

    // The closer goes first: it watches the window's boxes.
    void closeAll()
    {
        delete closer;
        closer = nullptr;
        delete window;
        window = nullptr;
        delete relay;
        relay = nullptr;
    }

    // Connects to `target` with error lines in the log and starts polling.
    bool connectAndPoll(TestRelay& target, bool byLength = lengthFramingRun())
    {
        const bool tcp = target.line() != TestRelay::Line::Pty;
        if (!connectTo(*window, *closer, tcp ? QString() : target.portName(),
                       tcp ? target.tcpPort() : 0, target.line() == TestRelay::Line::ModbusTcp,
                       byLength))
            return false;
        action(*window, "actionLogErrors")->trigger();
        action(*window, "actionStart")->trigger();
        return MainWindowTestAccess(*window).polling();
    }

    MainWindow* window = nullptr;
    ModalCloser* closer = nullptr;
    TestRelay* relay = nullptr;
};

} // namespace reliability

#endif
