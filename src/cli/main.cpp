// twinsift-cli: TwinSift's duplicate engine without a display.
#include "app/ApplicationLifecycle.h"
#include "cli/Commands.h"
#include "cli/InterruptWatcher.h"
#include "platform/MemoryArenas.h"
#include "platform/StringTable.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

const char usage[] =
    "Usage: twinsift-cli COMMAND [OPTIONS] PATH...\n"
    "\n"
    "Finds files with identical content, with the same engine as the TwinSift desktop application.\n"
    "\n"
    "Commands:\n"
    "  fingerprint [--level N] PATH...\n"
    "      Print the content fingerprint of each file or package at level N (default 0:\n"
    "      quick, 1: sampled precise, 2: whole content), a tab, and the path as given.\n"
    "      A path without a fingerprint (missing, a folder, a symbolic link) prints '-'.\n"
    "  scan [OPTIONS] PATH...\n"
    "      Scan the paths as sources and print the groups of duplicates.\n"
    "      --format text|json    text (default): paths one per line, groups separated by an empty\n"
    "                            line; a path holding a control character is quoted for the shell\n"
    "                            (in the shell-escape style of GNU ls)\n"
    "      --null                text format for scripts: each path as it is, ended by a NUL byte,\n"
    "                            and one more NUL between groups\n"
    "      --min-size MIB        ignore files smaller than MIB mebibytes\n"
    "      --fast-scan-size MIB  compare files from MIB mebibytes on by samples\n"
    "      --no-fast-scan        compare every file by its whole content\n"
    "      --types LIST          scan only these categories, comma-separated:\n"
    "                            document, movie, music, picture, archive\n"
    "      --use-settings        apply the desktop application's stored settings; without it every\n"
    "                            setting that no option sets has its default, on every machine\n"
    "      --verbose             print each file on stderr as it is taken in\n"
    "      --quiet               no warnings, statistics or progress on stderr\n"
    "      Items the scan cannot look at or read are reported on stderr.\n"
    "  clean [SCAN OPTIONS] [OPTIONS] PATH...\n"
    "      Scan the paths, then remove the redundant copies of every group: one file of each\n"
    "      group stays. A file is removed only while it is the file that was scanned and a copy\n"
    "      that stays holds exactly the same bytes. Prints one line per file, tab-separated:\n"
    "      group number, action, path (and where it went, or why it failed).\n"
    "      --keep newest|oldest  the file of each group that stays (default: newest)\n"
    "      --source INDEX        remove only copies in the source at INDEX (from 0, in the order\n"
    "                            the paths are given)\n"
    "      --ext EXT             remove only copies with the extension EXT\n"
    "      --move-to DIR         move the copies into the folder DIR instead of deleting them\n"
    "      --dry-run             print what would be removed, and change nothing\n"
    "      --on-error quit|continue\n"
    "                            after a file that cannot be removed: stop (default) or go on\n"
    "      --format text|json    as for scan\n"
    "      --null                only the paths removed (or, with --dry-run, to be removed), each\n"
    "                            ended by a NUL byte\n"
    "\n"
    "Options:\n"
    "  --help      show this help\n"
    "  --version   show the version\n"
    "\n"
    "Exit status: 0 on success (also when some items were skipped); 1 when a fingerprint PATH\n"
    "gave none, when no scan PATH could be added, or when a file could not be removed; 2 for a\n"
    "usage error or a report that could not be written; 130 when interrupted (Ctrl-C; a second\n"
    "one ends the command at once).\n";

// Descriptors 0, 1 and 2 are where output goes: one closed at start would be taken by the next file
// opened, and a report written into it. A missing one is opened on /dev/null; standard output is
// opened for reading only, so that writing the report fails and is reported as it should be.
void keepStandardDescriptorsOpen()
{
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) >= 0)
            continue;
        const int opened = ::open("/dev/null", (fd == STDERR_FILENO ? O_WRONLY : O_RDONLY) | O_NOCTTY);
        if (opened != fd && opened >= 0) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

} // namespace

int main(int argc, char *argv[])
{
    keepStandardDescriptorsOpen();
    limitMemoryArenasToCores();
    // Before any thread exists, so that every thread has it blocked.
    if (argc > 1 && (std::strcmp(argv[1], "scan") == 0 || std::strcmp(argv[1], "clean") == 0))
        InterruptWatcher::blockInterrupts();

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("twinsift-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TWINSIFT_VERSION));

    // Paths are taken from argv as bytes: names that are not valid UTF-8 must survive unchanged.
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QByteArray(argv[i]);

    if (arguments.isEmpty()) {
        std::fputs(usage, stderr);
        return 2;
    }
    const QByteArray command = arguments.takeFirst();
    if (command == "--help" || command == "-h") {
        std::fputs(usage, stdout);
        return std::fflush(stdout) == 0 ? 0 : 2;
    }
    if (command == "--version") {
        std::printf("twinsift-cli %s\n", TWINSIFT_VERSION);
        return std::fflush(stdout) == 0 ? 0 : 2;
    }

    StringTable::install();
    ApplicationLifecycle::registerDefaultsAndTransformers();
    if (command == "fingerprint")
        return runFingerprintCommand(arguments);
    if (command == "scan")
        return runScanCommand(arguments);
    if (command == "clean")
        return runCleanCommand(arguments);
    std::fprintf(stderr, "twinsift-cli: unknown command '%s'\n\n%s", command.constData(), usage);
    return 2;
}
