// Scans one folder the way the GUI does and watches the main thread meanwhile: a timer that should
// fire every 5 ms records how late each firing is, and the thread's own CPU time is compared with the
// whole process's. Prints one line: files taken in, wall time, longest stall, the main thread's
// share of CPU time.
#include "ProbeSupport.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"
#include "scan/SourceNodeManager.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <ctime>

namespace {

double cpuSeconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: main_thread_probe FOLDER\n");
        return 2;
    }
    StringTable::install();
    SettingsKeys::registerDefaults();
    UserDefaults::standard().setVolatile(false, SettingsKeys::fastScanOption);
    // Thumbnails are made on a queue of their own and would still be in the making when the probe
    // ends; they are not part of the scan.
    UserDefaults::standard().setVolatile(false, SettingsKeys::createThumbnail);

    SourceNodeManager manager(ScanRules::fromSettings(UserDefaults::standard()));
    const RootNode::Ptr root = RootNode::initWithPath(QByteArray(argv[1]));
    if (!root)
        return 2;

    StallMeter stalls;

    const double processStart = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const double mainStart = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    QElapsedTimer wall;
    wall.start();
    stalls.start();
    manager.addRootNode(root);
    SourceNodeManager::scanQueue().async([] { QMetaObject::invokeMethod(qApp, &QCoreApplication::quit); });
    app.exec();
    const qint64 longestStall = stalls.stop();

    const double process = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processStart;
    const double mainThread = cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - mainStart;
    std::printf("files %lld  wall %.2f s  longest main-thread stall %lld ms  main-thread CPU %.2f of %.2f s "
                "(%.1f%%)\n",
                root->totalFileNumber(), double(wall.elapsed()) / 1000, longestStall, mainThread, process,
                process > 0 ? 100 * mainThread / process : 0.0);
    return 0;
}
