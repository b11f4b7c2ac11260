#ifndef TALVIK_CLI_CONSOLE_H
#define TALVIK_CLI_CONSOLE_H

class QString;

// The command line's two outputs: results on stdout, messages on stderr.
// Both take UTF-8 whatever the locale (the messages are Russian) and are
// flushed line by line, so a script reading a pipe sees every poll at once.
class Console
{
public:
    static void out(const QString& line);
    static void err(const QString& line);
    // A progress text that a terminal shows in place on one line; elsewhere
    // one line each, so a log file stays readable.
    static void progress(const QString& text);
    // Ends a line of progress texts on a terminal.
    static void endProgress();

private:
    Console() = delete;
};

#endif
