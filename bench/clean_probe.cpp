// Runs a clean task in the real main window (offscreen) on a scanned folder and measures what a person
// feels: the longest stall of a 5 ms timer on the GUI thread while the task removes files, and the
// task's wall time. The task deletes the copies with the given extension, keeping the newest file of
// each group. Prints one line.
#include "ProbeSupport.h"
#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"
#include "scan/SourceNodeManager.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

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
    delegate.window()->publishScanRules();
    SourceNodeManager &manager = delegate.window()->engine();
    ShownGroups &shown = delegate.window()->shown();
    delegate.openPaths({QByteArray(argv[1])});
    drain(SourceNodeManager::scanQueue());
    const qint64 files = manager.totalFileNumber();

    CleanTaskOptions options;
    options.moveMode = CleanTaskOptions::Mode::Delete;
    options.dateOrder = CleanTaskOptions::DateOrder::OldestFirst;
    options.typeRuleOn = true;
    options.typeExtension = QString::fromUtf8(argv[2]);
    StallMeter stalls;
    QElapsedTimer wall;
    wall.start();
    stalls.start();
    delegate.window()->clean().runTask(shown.showDupGroups().value_or(QList<DupGroup::Ptr>()), options);
    drain(SourceNodeManager::scanQueue());
    const qint64 longestStall = stalls.stop();
    std::printf(
        "clean task: %lld files removed of %lld in %lld groups, wall %.2f s, longest GUI-thread stall "
        "%lld ms\n",
        files - manager.totalFileNumber(), files,
        manager.totalDupGroupNumber() + (files - manager.totalFileNumber()), double(wall.elapsed()) / 1000,
        longestStall);
    return 0;
}
