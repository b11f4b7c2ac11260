#ifndef TALVIK_CLI_ARCHIVECOMMANDS_H
#define TALVIK_CLI_ARCHIVECOMMANDS_H

struct CommandOptions;

// archive relays | list NAME | show ID --out PATH | diff ID1 ID2: what the
// archive holds, without a relay. The archive is found as for the commands
// that fill it (--archive, TALVIK_ARCHIVE, the program's settings).
class ArchiveCommands
{
public:
    // The exit code: 0, 1 (diff: the snapshots differ), 4 (no archive, no
    // such item, a file that cannot be written).
    static int run(const CommandOptions& options);

private:
    ArchiveCommands() = delete;
};

#endif
