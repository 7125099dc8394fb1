// Runs a clean task in the real main window (offscreen) on a scanned folder and measures what a person
// feels: the longest stall of a 5 ms timer on the GUI thread while the task removes files, and the
// task's wall time. The task deletes the copies with the given extension, keeping the newest file of
// each group. Prints one line.
#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "platform/SerialQueue.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"
#include "scan/SourceNodeManager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <atomic>
#include <cstdio>

namespace {

void drain(SerialQueue &queue)
{
    std::atomic<bool> done{false};
    queue.async([&done] { done = true; });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: clean_probe FOLDER EXTENSION\n");
        return 2;
    }
    StringTable::install();
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setVolatile(true, SettingsKeys::showedRatePanel);
    defaults.setVolatile(false, SettingsKeys::createThumbnail);
    SourceNodeManager &manager = delegate.window()->manager();
    delegate.openPaths({QByteArray(argv[1])});
    drain(SourceNodeManager::scanQueue());
    const qint64 files = manager.totalFileNumber();

    defaults.setVolatile(0, SettingsKeys::moveToTrash);
    defaults.setVolatile(true, SettingsKeys::cleanTypeCheckbox);
    defaults.setVolatile(manager.allShowDupGroupFileExt().indexOf(QString::fromUtf8(argv[2])),
                         SettingsKeys::cleanType);
    constexpr int interval = 5;
    QElapsedTimer sinceLastTick;
    qint64 longestStall = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longestStall = std::max(longestStall, sinceLastTick.restart() - interval); });
    QElapsedTimer wall;
    wall.start();
    sinceLastTick.start();
    ticker.start(interval);
    manager.runTask();
    drain(SourceNodeManager::scanQueue());
    ticker.stop();
    std::printf("clean task: %lld files removed of %lld in %lld groups, wall %.2f s, longest GUI-thread stall "
                "%lld ms\n",
                files - manager.totalFileNumber(), files, manager.totalDupGroupNumber() + (files - manager.totalFileNumber()),
                double(wall.elapsed()) / 1000, longestStall);
    return 0;
}
