// Scans one folder in the real main window (offscreen or under Xvfb) and measures what a person feels:
// the longest stall of a 5 ms timer on the GUI thread during the scan, then the time to sort the
// duplicate list by each column, to expand every group and press End, to collapse them, to filter the
// list, and how many rows each arriving thumbnail changes. Prints one line per figure.
#include "ProbeSupport.h"
#include "app/AppDelegate.h"
#include "app/DuplicateListModel.h"
#include "app/DuplicateListView.h"
#include "app/MainWindow.h"
#include "app/SegmentedControl.h"
#include "app/Thumbnails.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"
#include "scan/SourceNodeManager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>

#include <cstdio>

namespace {

// Milliseconds from an action to the list laid out and painted again.
template <typename Action> qint64 timed(DuplicateListView &list, Action action)
{
    QElapsedTimer clock;
    clock.start();
    action();
    list.doItemsLayout();
    list.viewport()->repaint();
    return clock.elapsed();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: window_probe FOLDER\n");
        return 2;
    }
    StringTable::install();
    Thumbnails::install();
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    UserDefaults::standard().setVolatile(true, SettingsKeys::showedRatePanel);
    UserDefaults::standard().setVolatile(false, SettingsKeys::fastScanOption);
    MainWindow &window = *delegate.window();
    window.publishScanRules();
    window.resize(1366, 768);
    DuplicateListView &list = *window.dupOutlineView();
    DuplicateListModel &model = list.listModel();

    StallMeter stalls;
    QElapsedTimer wall;
    wall.start();
    stalls.start();
    delegate.openPaths({QByteArray(argv[1])});
    drain(SourceNodeManager::scanQueue());
    const qint64 longestStall = stalls.stop();
    const qint64 groups = window.engine().totalDupGroupNumber();
    std::printf("scan: %lld files, %lld groups, wall %.2f s, longest GUI-thread stall %lld ms\n",
                window.engine().totalFileNumber(), groups, double(wall.elapsed()) / 1000, longestStall);

    // Thumbnails: the pictures arriving after the scan, and the rows each changes.
    qint64 pictureChanges = 0;
    qint64 widestPictureChange = 0;
    QObject::connect(&model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex &from, const QModelIndex &to, const QList<int> &roles) {
                         if (roles == QList<int>{Qt::DecorationRole}) {
                             ++pictureChanges;
                             widestPictureChange =
                                 std::max<qint64>(widestPictureChange, to.row() - from.row() + 1);
                         }
                     });
    drain(SourceNodeManager::thumbnailQueue());
    std::printf("thumbnails: %lld arrived, each changed at most %lld row(s)\n", pictureChanges,
                widestPictureChange);

    for (int column = 0; column < DuplicateListModel::ActionsColumn; ++column) {
        for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            const qint64 ms = timed(list, [&] { list.header()->setSortIndicator(column, order); });
            std::printf("sort by %-14s %-4s %5lld ms\n",
                        qPrintable(DuplicateListModel::sortDescriptorOf(column, order).key),
                        order == Qt::AscendingOrder ? "asc" : "desc", ms);
        }
    }
    const QList<DupGroup::Ptr> shown = *window.shown().showDupGroups();
    const qint64 expandAll = timed(list, [&] { list.expandItems(shown); });
    std::printf("expand all:   %5lld ms (%d rows after)\n", expandAll, model.rowCount());
    // The key, as a person presses it, on the list just laid out anew.
    std::printf("End after expand all: %5lld ms\n", timed(list, [&] {
                    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
                    QApplication::sendEvent(&list, &end);
                }));
    std::printf("sort expanded by FileName: %5lld ms\n", timed(list, [&] {
                    list.header()->setSortIndicator(DuplicateListModel::NameColumn, Qt::AscendingOrder);
                }));
    std::printf("scroll to end: %4lld ms\n", timed(list, [&] { list.scrollToBottom(); }));
    const qint64 collapseAll = timed(list, [&] { list.collapseItems(shown); });
    std::printf("collapse all: %5lld ms (%d rows after)\n", collapseAll, model.rowCount());
    // Each filter as typed (the list follows every change of the text), then cleared.
    for (const char *text : {"f", "f1", "*.txt", "/nowhere/", ""}) {
        const qint64 ms = timed(list, [&] { window.shown().setFilterText(QString::fromLatin1(text)); });
        std::printf("filter %-11s %5lld ms (%lld groups shown)\n",
                    qPrintable(QStringLiteral("\"%1\"").arg(text)), ms,
                    qint64(window.shown().showDupGroups()->size()));
    }
    return 0;
}
