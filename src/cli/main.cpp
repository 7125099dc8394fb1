// twinsift-cli: TwinSift's duplicate engine without a display.
#include "app/ApplicationLifecycle.h"
#include "cli/Commands.h"
#include "platform/StringTable.h"

#include <QCoreApplication>

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
    "      A path without a fingerprint prints '-'.\n"
    "  scan [OPTIONS] PATH...\n"
    "      Scan the paths as sources and print the groups of duplicates.\n"
    "      --format text|json    text (default): paths one per line, groups separated by an empty line\n"
    "      --min-size MIB        ignore files smaller than MIB mebibytes\n"
    "      --fast-scan-size MIB  compare files from MIB mebibytes on by samples\n"
    "      --no-fast-scan        compare every file by its whole content\n"
    "      --types LIST          scan only these categories, comma-separated:\n"
    "                            document, movie, music, picture, archive\n"
    "      --quiet               no statistics and no progress on stderr\n"
    "\n"
    "Options:\n"
    "  --help      show this help\n"
    "  --version   show the version\n"
    "\n"
    "Exit status: 0 on success; 1 when a fingerprint PATH gave none, or when no scan PATH could\n"
    "be added; 2 for a usage error.\n";

} // namespace

int main(int argc, char *argv[])
{
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
        return 0;
    }
    if (command == "--version") {
        std::printf("twinsift-cli %s\n", TWINSIFT_VERSION);
        return 0;
    }

    StringTable::install();
    ApplicationLifecycle::registerDefaultsAndTransformers();
    if (command == "fingerprint")
        return runFingerprintCommand(arguments);
    if (command == "scan")
        return runScanCommand(arguments);
    std::fprintf(stderr, "twinsift-cli: unknown command '%s'\n\n%s", command.constData(), usage);
    return 2;
}
