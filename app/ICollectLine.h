#ifndef TALVIK_APP_ICOLLECTLINE_H
#define TALVIK_APP_ICOLLECTLINE_H

// What the collect dialog asks of the window about the window's own line: a
// line has one master, so the window lets go of its port while a run holds
// the lines, and takes it back afterwards.
class ICollectLine
{
public:
    // Stops the window's polling (asking the user first) and closes its
    // port; false, after telling the user why, when the window cannot let
    // go now (a reading or a write is under way) or the user declined.
    virtual bool releaseLine() = 0;
    // After the run: polling goes on if releaseLine() stopped it.
    virtual void takeLineBack() = 0;

protected:
    ~ICollectLine() = default;
};

#endif
