#ifndef TALVIK_CLI_COMMANDLINE_H
#define TALVIK_CLI_COMMANDLINE_H

// The program without its window: one command from the arguments, run on a
// QCoreApplication (no display, no widgets), reported by exit code.
class CommandLine
{
public:
    // argv as main() gets it; returns the exit code.
    static int run(int argc, char* argv[]);

private:
    CommandLine() = delete;
};

#endif
