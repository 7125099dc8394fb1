// Times the removal of a source: scans two sources and removes the later one, as the source list does,
// and prints the seconds the removal took (from the request to the rebuilt statistics).
#include "platform/SerialQueue.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"
#include "scan/SourceNodeManager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <cstdio>

namespace {

// Runs an event loop until every task queued on the scan queue so far has ended. (Not the
// application's own loop: once that ends, the application is quitting and refuses hand-offs.)
void drainScanQueue()
{
    QEventLoop loop;
    SourceNodeManager::scanQueue().async([&loop] { QMetaObject::invokeMethod(&loop, &QEventLoop::quit); });
    loop.exec();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: removal_timing FIRST-SOURCE SECOND-SOURCE\n");
        return 2;
    }
    StringTable::install();
    SettingsKeys::registerDefaults();
    // Thumbnails are not part of the measurement (the key is spelled out, so that older checkouts build).
    UserDefaults::standard().setVolatile(false, QStringLiteral("CREATE_THUMBNAIL_FOR_IMAGE_KEY"));

    SourceNodeManager manager(ScanRules::fromSettings(UserDefaults::standard()));
    RootNode::Ptr later;
    for (int i = 1; i <= 2; ++i) {
        later = RootNode::initWithPath(QByteArray(argv[i]));
        if (!later)
            return 2;
        manager.addRootNode(later);
    }
    drainScanQueue();
    const qint64 files = manager.totalFileNumber();

    QElapsedTimer timer;
    timer.start();
    manager.removeRootNode(later);
    drainScanQueue();
    std::printf("%lld files scanned, %lld left; removing the later source took %.3f s\n", files,
                manager.totalFileNumber(), double(timer.nsecsElapsed()) / 1e9);
    return 0;
}
