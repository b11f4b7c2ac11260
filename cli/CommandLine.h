#ifndef TALVIK_CLI_COMMANDLINE_H
#define TALVIK_CLI_COMMANDLINE_H

#include "comtrade/ComtradeReader.h"

#include <QString>

#include <optional>

// The program without its window: one command from the arguments, run on a
// QCoreApplication (no display, no widgets; a PDF settings sheet gets a
// QGuiApplication on the offscreen platform for its fonts), reported by exit
// code.
class CommandLine
{
public:
    // argv as main() gets it; returns the exit code.
    static int run(int argc, char* argv[]);

    // "view FILE.cfg" shows one fault record in a window, which needs a
    // QApplication rather than the command line's QCoreApplication: main()
    // asks here first, before any application object exists. The record is
    // read at once, so a file that cannot be read is reported as the other
    // commands report theirs (on stderr, exit code 4), without a display.
    // Other arguments are not a request; run() answers them.
    struct ViewRequest
    {
        bool requested = false;
        std::optional<ComtradeRecord> record; // set when it could be read
        QString name;                         // the .cfg's file name
        int exitCode = 0;                     // when it could not
    };
    static ViewRequest viewRequest(int argc, char* argv[]);

private:
    CommandLine() = delete;
};

#endif
