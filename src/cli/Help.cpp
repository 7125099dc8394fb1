#include "cli/Help.h"

#include <QList>

#include <cstdio>

namespace Help {

namespace {

struct Section
{
    const char *command;
    const char *synopsis;
    // Indented by six spaces, as the whole help lists it.
    const char *body;
};

const Section sections[] = {
    {"fingerprint", "fingerprint [--level N] PATH...",
     "      Print the content fingerprint of each path at level N (default 0: quick, 1: sampled\n"
     "      precise, 2: whole content), a tab, and the path as given (quoted as scan quotes it).\n"
     "      A folder or package has the fingerprint of all the files in it, an empty file the\n"
     "      empty one; a path with no content of its own (missing, a symbolic link, a FIFO, a\n"
     "      device) prints '-'.\n"},
    {"scan", "scan [OPTIONS] PATH...",
     "      Scan the paths as sources and print the groups of duplicates. A symbolic link given\n"
     "      as a PATH is followed, and what it leads to is reported through its name; links\n"
     "      inside the sources are not followed. Empty files make one group.\n"
     "      --format text|json|csv\n"
     "                            text (default): paths one per line, groups separated by an empty\n"
     "                            line; a path holding a control character is quoted for the shell\n"
     "                            (in the shell-escape style of GNU ls); json: one object with the\n"
     "                            sources, groups and statistics; csv: one row per file (group,\n"
     "                            path, size, category, extension, added, source)\n"
     "      --null                text format for scripts: each path as it is, ended by a NUL byte,\n"
     "                            and one more NUL between groups\n"
     "      --min-size MIB        ignore files smaller than MIB mebibytes\n"
     "      --fast-scan-size MIB  compare files of MIB mebibytes and more by samples instead of\n"
     "                            their whole content (default: 20)\n"
     "      --no-fast-scan        compare every file by its whole content\n"
     "      --no-cache            read every file: neither use nor update the fingerprints\n"
     "                            remembered between runs (in $XDG_CACHE_HOME/twinsift/)\n"
     "      --types LIST          scan only these categories, comma-separated:\n"
     "                            document, movie, music, picture, archive\n"
     "      --use-settings        apply the desktop application's stored settings; without it every\n"
     "                            setting that no option sets has its default, on every machine\n"
     "      --verbose             print each file on stderr as it is taken in\n"
     "      --quiet               no warnings, statistics or progress on stderr\n"
     "      Items the scan cannot look at or read are reported on stderr.\n"},
    {"clean", "clean [SCAN OPTIONS] [OPTIONS] PATH...",
     "      Scan the paths, then remove the redundant copies of every group: one file of each\n"
     "      group stays. A file is removed only while it is the file that was scanned and a copy\n"
     "      that stays holds exactly the same bytes. Prints one line per file, tab-separated:\n"
     "      group number, action, path (and where it went, or why it failed).\n"
     "      --keep newest|oldest  the file of each group that stays (default: newest), by the date\n"
     "                            it was added: its birth time, or its modification time where\n"
     "                            the file system records no birth time\n"
     "      --source INDEX        remove only copies in the source made of the PATH at INDEX\n"
     "                            (from 0, counting every PATH as given, added or not)\n"
     "      --ext EXT             remove only copies with the extension EXT\n"
     "      --protect PATH        never remove, move or trash anything in the folder PATH (or the\n"
     "                            file PATH); the copy there stays, whatever --keep says. May be\n"
     "                            given several times\n"
     "      --protect-source INDEX\n"
     "                            the same for the source made of the PATH at INDEX\n"
     "      --move-to DIR         move the copies into the folder DIR instead of deleting them\n"
     "      --link hard|reflink   replace the copies by links to the copy that stays instead of\n"
     "                            deleting them: hard links (on the same file system only; they\n"
     "                            share the owner, mode and times of the copy that stays) or\n"
     "                            reflinks, clones that share its blocks and keep their own\n"
     "                            metadata (btrfs, XFS, bcachefs); a copy that cannot be linked\n"
     "                            stays and is reported\n"
     "      --dry-run             print what would be removed, and change nothing\n"
     "      --include-empty       remove copies of empty files too; without it the group of empty\n"
     "                            files (they are all alike) is left alone: removing them frees\n"
     "                            nothing\n"
     "      --on-error quit|continue\n"
     "                            after a file that cannot be removed: stop (default) or go on\n"
     "      --format text|json    as for scan (a clean-up has no csv report)\n"
     "      --null                only the paths removed (or, with --dry-run, to be removed), each\n"
     "                            ended by a NUL byte; failures are named on stderr\n"
     "      A clean-up that moves, trashes or links files first writes an undo journal under\n"
     "      $XDG_STATE_HOME/twinsift/undo (~/.local/state/twinsift/undo).\n"},
    {"undo", "undo [--list] [ID]",
     "      Put back the files of the newest clean-up that moved, trashed or linked files (of the\n"
     "      window or of clean), or of the one named by its ID; one that was killed half-way is\n"
     "      completed. Prints one line per file, tab-separated: restored (or in-place, for a file\n"
     "      that never left) and the path, or failed, the path and why it stays. A replaced file\n"
     "      gets back a copy of its own. Journals older than 30 days, or whose files are all\n"
     "      gone, are dropped; a damaged one is reported and not used.\n"
     "      --list                list the journals, oldest first: ID, date, mode and files\n"},
};

const char introduction[] =
    "Usage: twinsift-cli COMMAND [OPTIONS] PATH...\n"
    "\n"
    "Finds files with identical content, with the same engine as the TwinSift desktop application.\n"
    "\n"
    "Commands:\n";

const char closing[] =
    "\n"
    "Options:\n"
    "  --help      show this help; after a command, the help of that command\n"
    "  --version   show the version\n"
    "\n"
    "Exit status: 0 on success (also when some items were skipped); 1 when a fingerprint PATH\n"
    "gave none, when no scan PATH could be added, or when a file could not be removed or put\n"
    "back; 2 for a usage error or a report that could not be written; 130 when interrupted\n"
    "(Ctrl-C; a second one ends the command at once).\n";

} // namespace

QByteArray usage()
{
    QByteArray text = introduction;
    for (const Section &section : sections)
        text += QByteArray("  ") + section.synopsis + '\n' + section.body;
    return text + closing;
}

QByteArray ofCommand(const QByteArray &command)
{
    for (const Section &section : sections) {
        if (command != section.command)
            continue;
        QByteArray text = QByteArray("Usage: twinsift-cli ") + section.synopsis + "\n\n";
        // Out of the list of commands, the body needs only the indentation of an option list.
        for (const QByteArray &line : QByteArray(section.body).split('\n')) {
            if (!line.isEmpty())
                text += line.mid(4) + '\n';
        }
        if (command == "clean")
            text += "  SCAN OPTIONS: those of scan (twinsift-cli scan -h).\n";
        return text;
    }
    return usage();
}

int print(const QByteArray &text)
{
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 2;
}

} // namespace Help
