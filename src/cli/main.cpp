// twinsift-cli: TwinSift's duplicate engine without a display.
#include "cli/Commands.h"
#include "cli/Help.h"
#include "cli/InterruptWatcher.h"
#include "platform/MemoryArenas.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

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
    // A reader of the report that goes away (`twinsift-cli clean | head`) must not end the process
    // without a word after its work is done: the write fails instead, and the command says so.
    std::signal(SIGPIPE, SIG_IGN);
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
        std::fputs(Help::usage().constData(), stderr);
        return 2;
    }
    const QByteArray command = arguments.takeFirst();
    if (command == "--help" || command == "-h")
        return Help::print(Help::usage());
    if (command == "--version") {
        std::printf("twinsift-cli %s\n", TWINSIFT_VERSION);
        return std::fflush(stdout) == 0 ? 0 : 2;
    }

    StringTable::install();
    SettingsKeys::registerDefaults();
    if (command == "fingerprint")
        return runFingerprintCommand(arguments);
    if (command == "scan")
        return runScanCommand(arguments);
    if (command == "clean")
        return runCleanCommand(arguments);
    if (command == "undo")
        return runUndoCommand(arguments);
    std::fprintf(stderr, "twinsift-cli: unknown command '%s'\n\n%s", command.constData(),
                 Help::usage().constData());
    return 2;
}
