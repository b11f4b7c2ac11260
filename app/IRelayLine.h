#ifndef TALVIK_APP_IRELAYLINE_H
#define TALVIK_APP_IRELAYLINE_H

// What the window's page controllers ask of the window about the line to the
// relay. The window keeps the connection; the pages only use it.
class IRelayLine
{
public:
    virtual bool isPolling() const = 0;
    // Opens the port or the network connection if needed; false (after
    // telling the user why) when the relay cannot be reached.
    virtual bool portReady() = 0;
    // In demo mode, tells the user that nothing reaches a relay.
    virtual void warnDemoMode() = 0;

protected:
    ~IRelayLine() = default;
};

#endif
