// The main window driven as a person would, on real trees: adding sources by drop, dialog and command
// line, stopping and removing them during scans, the duplicate list's selection, ticks, group actions,
// sorting and row actions, and the scan-rule panel during a scan. Both lists' models run under
// QAbstractItemModelTester throughout, so every change they announce is checked as it happens.
#include "AppTestSupport.h"
#include "scan/ScanTestSupport.h"

#include "app/AppDelegate.h"
#include "app/DuplicateListDelegate.h"
#include "app/DuplicateListModel.h"
#include "app/DuplicateListView.h"
#include "app/MainWindow.h"
#include "app/MyTableCellView.h"
#include "app/ScanRulePanel.h"
#include "app/SegmentedControl.h"
#include "app/SourceListModel.h"
#include "app/SourceListView.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QMimeData>
#include <QSemaphore>

namespace {

enum SourceSegment { Rules, Add, RemoveAll };
enum GroupSegment { TickAll, UntickAll, CollapseAll, ExpandAll };

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<TemporaryTree> m_tree;
    RecordingDesktop *m_desktop = nullptr;
    std::unique_ptr<AppDelegate> m_delegate;

    MainWindow &window() { return *m_delegate->window(); }
    SourceNodeManager &manager() { return window().engine(); }
    ShownGroups &shown() { return window().shown(); }
    DuplicateListView &dupList() { return *window().dupOutlineView(); }
    DuplicateListModel &dupModel() { return dupList().listModel(); }
    SourceListView &sourceList() { return *window().sourceTable(); }

    QByteArray path(const QByteArray &relative) const { return m_tree->url().child(relative).path(); }

    // Files whose contents repeat every `kinds` files.
    void writeFiles(const QByteArray &folder, int count, int kinds, const QByteArray &extension = ".txt")
    {
        QDir().mkpath(QString::fromUtf8(path(folder)));
        for (int i = 0; i < count; ++i)
            TestFs::writeFile(Url::fromPath(path(folder + "/f" + QByteArray::number(i) + extension)),
                              "content " + QByteArray::number(i % kinds));
    }

    QList<QByteArray> sourcePaths()
    {
        QList<QByteArray> paths;
        for (const RootNode::Ptr &root : manager().rootController().arrangedObjects())
            paths.append(root->rootPath());
        return paths;
    }

    void drop(const QList<QByteArray> &paths)
    {
        QByteArray uris;
        for (const QByteArray &p : paths)
            uris += "file://" + p.toPercentEncoding("/") + "\r\n";
        uris += "https://example.org/not-a-file\r\n";
        QMimeData data;
        data.setData(QStringLiteral("text/uri-list"), uris);
        const QPoint at = sourceList().viewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(sourceList().viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(sourceList().viewport(), &dropped);
    }

    QAbstractButton *sourceButton(int row, int button)
    {
        QWidget *controls =
            sourceList().indexWidget(sourceList().listModel().index(row, SourceListModel::ActionsColumn));
        return controls ? controls->findChildren<QAbstractButton *>().value(button) : nullptr;
    }

    QRect rowRect(int row)
    {
        return dupList().visualRect(dupModel().index(row, DuplicateListModel::PathColumn));
    }

    void clickRow(int row)
    {
        dupList().scrollTo(dupModel().index(row, 0));
        QTest::mouseClick(dupList().viewport(), Qt::LeftButton, {}, rowRect(row).center());
        QCoreApplication::processEvents();
    }

    int groupCount() { return int(shown().showDupGroups().value_or(QList<DupGroup::Ptr>()).size()); }

    int fileRowCount()
    {
        int files = 0;
        for (int row = 0; row < dupModel().rowCount(); ++row)
            files += dupModel().isGroupRow(row) ? 0 : 1;
        return files;
    }

private Q_SLOTS:
    void initTestCase()
    {
        StringTable::install();
        // The rate panel has tests of its own.
        UserDefaults::standard().setVolatile(true, SettingsKeys::showedRatePanel);
    }

    void init()
    {
        m_tree = std::make_unique<TemporaryTree>();
        auto desktop = std::make_unique<RecordingDesktop>();
        m_desktop = desktop.get();
        m_delegate = std::make_unique<AppDelegate>(std::move(desktop));
        m_delegate->applicationDidFinishLaunching();
        UserDefaults::standard().setVolatile(false, SettingsKeys::createThumbnail);
        window().publishScanRules();
        for (QAbstractItemModel *model : {static_cast<QAbstractItemModel *>(&dupModel()),
                                          static_cast<QAbstractItemModel *>(&sourceList().listModel())})
            new QAbstractItemModelTester(model, QAbstractItemModelTester::FailureReportingMode::Fatal, model);
    }

    void cleanup()
    {
        QVERIFY(waitForScanQueue());
        m_delegate.reset();
        m_tree.reset();
    }

    void addingSources()
    {
        writeFiles("a/sub", 20, 5);
        writeFiles("b", 20, 5);
        TestFs::writeFile(Url::fromPath(path("single.txt")), "content 1");
        m_delegate->openPaths({path("a")});
        drop({path("a"), path("vanished"), path("single.txt"), path("a/sub"), path("b"), path("b")});
        QCOMPARE(sourcePaths(), QList<QByteArray>({path("a"), path("single.txt"), path("a/sub"), path("b")}));
        QVERIFY(waitForScanQueue());
        QCOMPARE(sourceList().listModel().rowCount(), 4);
        // a/sub holds the same files as a: they join no group twice.
        QCOMPARE(manager().totalDupGroupNumber(), 5);
        QCOMPARE(manager().totalRemovableFileNumber(), 40 + 1 - 5);

        ChosenPaths dialog;
        dialog.paths = {path("b"), path("c"), path("c")};
        writeFiles("c", 3, 3);
        window().setOpenPanel(&dialog);
        QTest::mouseClick(window().sourceSegments()->segment(Add), Qt::LeftButton);
        QCOMPARE(dialog.message, StringTable::text("SELECTED_DIRECTORY_OR_FILE_PROMPT"));
        QCOMPARE(sourcePaths().size(), 5);
        QCOMPARE(sourcePaths().last(), path("c"));
        QVERIFY(waitForScanQueue()); // its scan would write the status text meanwhile

        // Selecting a source shows its path; the reveal button shows it in the file browser.
        sourceList().selectRow(1);
        QCOMPARE(manager().statBarString(), QString::fromUtf8(path("single.txt")));
        QTest::mouseClick(sourceButton(1, 0), Qt::LeftButton);
        QCOMPARE(m_desktop->revealed.value(0), QList<Url>({Url::fromPath(path("single.txt"))}));
    }

    void stoppingAndRemovingDuringScans()
    {
        writeFiles("a", 30, 10);
        writeFiles("b", 300, 10);
        auto pause = std::make_shared<ScanPause>();
        pause->reachedWhen = [this](ScanProgress::Phase, const Url &url, qint64 files) {
            return files >= 100 && url.path().startsWith(path("b"));
        };
        manager().setScanProgress(pause);
        m_delegate->openPaths({path("a"), path("b")});
        QVERIFY(pause->waitUntilHeld());
        QVERIFY(!sourceButton(1, 2)->isEnabled());
        QTest::mouseClick(sourceButton(1, 1), Qt::LeftButton);
        QVERIFY(manager().rootNodes()[1]->isFinished());
        QTRY_VERIFY(sourceButton(1, 2)->isEnabled());
        QTest::mouseClick(sourceButton(1, 2), Qt::LeftButton);
        QCOMPARE(sourcePaths(), QList<QByteArray>({path("a")}));
        pause->release();
        QVERIFY(waitForScanQueue());
        QCOMPARE(manager().totalFileNumber(), 30);
        QCOMPARE(groupCount(), 10);

        // Remove all while a scan runs: the scan stops, and lists and totals empty.
        auto second = std::make_shared<ScanPause>();
        second->reachedWhen = [](ScanProgress::Phase, const Url &, qint64 files) { return files >= 50; };
        manager().setScanProgress(second);
        m_delegate->openPaths({path("b")});
        QVERIFY(second->waitUntilHeld());
        QTest::mouseClick(window().sourceSegments()->segment(RemoveAll), Qt::LeftButton);
        second->release();
        QVERIFY(waitForScanQueue());
        QCOMPARE(sourceList().listModel().rowCount(), 0);
        QCOMPARE(dupModel().rowCount(), 0);
        QCOMPARE(manager().totalFileNumber(), 0);
        QCOMPARE(manager().totalDupGroupNumber(), 0);
    }

    void selectingTickingAndGroupActions()
    {
        writeFiles("a", 12, 4);
        m_delegate->openPaths({path("a")});
        QVERIFY(waitForScanQueue());
        QCOMPARE(dupModel().rowCount(), 4);

        // A group row: it expands, the remembered file is cleared, the status text blanked.
        clickRow(1);
        QCOMPARE(dupModel().rowCount(), 4 + 3);
        QVERIFY(!shown().selectedNode());
        QCOMPARE(manager().statBarString(), QStringLiteral(" "));
        // A file row: remembered, its group row describes it, its path in the status text.
        clickRow(3);
        const auto file = std::get<MyTreeNode::Ptr>(dupModel().itemAtRow(3));
        QCOMPARE(shown().selectedNode(), file);
        QCOMPARE(dupList().selectedRow(), 3);
        QCOMPARE(manager().statBarString(), file->filePath());
        QVERIFY(dupModel().groupCell(1)->text.contains(file->FileName()));
        // Selecting a file of another group moves the description there.
        clickRow(0);
        clickRow(1);
        const auto other = std::get<MyTreeNode::Ptr>(dupModel().itemAtRow(1));
        QCOMPARE(shown().selectedNode(), other);
        const auto firstGroup =
            std::get<DupGroup::Ptr>(dupModel().itemAtRow(dupModel().rowOfGroup(file->dupGroup().get())));
        QCOMPARE(shown().shownFileOfGroup(*firstGroup), firstGroup->childs().first());

        // Double click and Enter open a file; the row's buttons open and reveal; a group opens nothing.
        QTest::mouseDClick(dupList().viewport(), Qt::LeftButton, {}, rowRect(1).center());
        QTest::keyClick(&dupList(), Qt::Key_Return);
        const QRect actions = dupList().visualRect(dupModel().index(2, DuplicateListModel::ActionsColumn));
        const auto file2 = std::get<MyTreeNode::Ptr>(dupModel().itemAtRow(2));
        QTest::mouseClick(
            dupList().viewport(), Qt::LeftButton, {},
            DuplicateListDelegate::actionRect(actions, DuplicateListDelegate::FileAction::Open).center());
        QTest::mouseClick(
            dupList().viewport(), Qt::LeftButton, {},
            DuplicateListDelegate::actionRect(actions, DuplicateListDelegate::FileAction::Reveal).center());
        QCOMPARE(m_desktop->opened, QList<Url>({other->FileURL(), other->FileURL(), file2->FileURL()}));
        QCOMPARE(m_desktop->revealed, QList<QList<Url>>({{file2->FileURL()}}));
        m_desktop->opened.clear();
        QTest::mouseDClick(dupList().viewport(), Qt::LeftButton, {}, rowRect(0).center());
        QVERIFY(m_desktop->opened.isEmpty());

        // The check box of a group row, and Space on its row, tick and untick it.
        const auto group = std::get<DupGroup::Ptr>(dupModel().itemAtRow(0));
        QStyleOptionViewItem option;
        option.initFrom(&dupList());
        option.rect = QRect(0, rowRect(0).y(), dupList().viewport()->width(), rowRect(0).height());
        QTest::mouseClick(dupList().viewport(), Qt::LeftButton, {},
                          MyTableCellView(option).checkBox().rect.center());
        QVERIFY(!group->isSelected());
        dupList().setCurrentIndex(dupModel().index(0, 0));
        QTest::keyClick(&dupList(), Qt::Key_Space);
        QVERIFY(group->isSelected());

        // The four group actions.
        const auto ticked = [this] {
            int count = 0;
            for (const DupGroup::Ptr &g : *shown().showDupGroups())
                count += g->isSelected();
            return count;
        };
        QTest::mouseClick(window().dupSegments()->segment(UntickAll), Qt::LeftButton);
        QCOMPARE(ticked(), 0);
        QTest::mouseClick(window().dupSegments()->segment(TickAll), Qt::LeftButton);
        QCOMPARE(ticked(), 4);
        QTest::mouseClick(window().dupSegments()->segment(ExpandAll), Qt::LeftButton);
        QTRY_COMPARE(fileRowCount(), 12);
        QTest::mouseClick(window().dupSegments()->segment(CollapseAll), Qt::LeftButton);
        QTRY_COMPARE(fileRowCount(), 0);
    }

    void sortingAndRebuildsKeepWhatTheUserSees()
    {
        writeFiles("a", 12, 4);
        writeFiles("b", 3, 3);
        m_delegate->openPaths({path("a"), path("b")});
        QVERIFY(waitForScanQueue());
        // Three files of one content, 4 of another: sort by the number of copies, descending.
        QHeaderView *header = dupList().header();
        header->setSortIndicator(DuplicateListModel::CopiesColumn, Qt::DescendingOrder);
        QCOMPARE(shown().outlineviewSortDesc()->first().key, QStringLiteral("fileNumber"));
        QCOMPARE(std::get<DupGroup::Ptr>(dupModel().itemAtRow(0))->fileNumber(), 4);

        // Expand the first group and select its second file; a new source rebuilds the list.
        clickRow(0);
        clickRow(2);
        const auto selected = std::get<MyTreeNode::Ptr>(dupModel().itemAtRow(2));
        writeFiles("c", 5, 5);
        m_delegate->openPaths({path("c")});
        QVERIFY(waitForScanQueue());
        QCOMPARE(groupCount(), 4);
        const int groupRow = dupModel().rowOfGroup(selected->dupGroup().get());
        QVERIFY(dupModel().isExpanded(groupRow));
        QCOMPARE(dupModel().itemAtRow(dupList().selectedRow()), OutlineItem(selected));
        // The order chosen holds after the rebuild: largest groups first.
        QCOMPARE(std::get<DupGroup::Ptr>(dupModel().itemAtRow(0))->fileNumber(), 5);

        // A file key orders the files inside the groups; the selection follows its file.
        header->setSortIndicator(DuplicateListModel::NameColumn, Qt::DescendingOrder);
        const int expanded = dupModel().rowOfGroup(selected->dupGroup().get());
        const auto name = [&](int row) {
            return std::get<MyTreeNode::Ptr>(dupModel().itemAtRow(row))->FileName();
        };
        QVERIFY(name(expanded + 1) > name(expanded + 2));
        QCOMPARE(dupModel().itemAtRow(dupList().selectedRow()), OutlineItem(selected));

        // Sorting the sources renumbers them, and the duplicate list's source column follows.
        const QModelIndex indexCell = dupModel().index(expanded + 1, DuplicateListModel::IndexColumn);
        const auto rootOf = std::get<MyTreeNode::Ptr>(dupModel().itemAtRow(expanded + 1))->rootNode();
        sourceList().horizontalHeader()->setSortIndicator(SourceListModel::PathColumn, Qt::DescendingOrder);
        QCOMPARE(manager().rootController().arrangedObjects().first()->rootPath(), path("c"));
        QCOMPARE(dupModel().data(indexCell).toString(), QString::number(rootOf->index()));
        QCOMPARE(sourceList()
                     .listModel()
                     .data(sourceList().listModel().index(0, SourceListModel::PathColumn), Qt::ToolTipRole)
                     .toString(),
                 QString::fromUtf8(path("c")));
    }

    void thumbnailsChangeOneRowEach()
    {
        UserDefaults::standard().setVolatile(true, SettingsKeys::createThumbnail);
        window().publishScanRules();
        writeFiles("a", 12, 4);
        QSignalSpy changes(&dupModel(), &QAbstractItemModel::dataChanged);
        QSignalSpy resets(&dupModel(), &QAbstractItemModel::modelReset);
        // The pictures wait until the list shows the groups: a picture made before its row exists is
        // shown with the row and changes none.
        auto gate = std::make_shared<QSemaphore>();
        SourceNodeManager::thumbnailQueue().async([gate] { gate->acquire(); });
        m_delegate->openPaths({path("a")});
        QVERIFY(waitForScanQueue());
        QTRY_COMPARE(dupModel().rowCount(), 4);
        gate->release();
        auto done = std::make_shared<std::atomic<bool>>(false);
        SourceNodeManager::thumbnailQueue().async([done] { *done = true; });
        QTRY_VERIFY(*done);
        QCoreApplication::processEvents();
        int pictures = 0;
        for (const QList<QVariant> &change : std::as_const(changes)) {
            if (change[2].value<QList<int>>() != QList<int>({Qt::DecorationRole}))
                continue;
            ++pictures;
            QCOMPARE(change[0].toModelIndex().row(), change[1].toModelIndex().row());
        }
        QCOMPARE(pictures, 4);
        QCOMPARE(resets.size(), 0);
    }

    void scanRulesChangeDuringAScan()
    {
        writeFiles("a", 3, 3, ".txt");
        writeFiles("a", 2, 2, ".png");
        auto pause = std::make_shared<ScanPause>();
        pause->reachedWhen = [](ScanProgress::Phase phase, const Url &, qint64) {
            return phase == ScanProgress::Phase::ReadingFolders;
        };
        manager().setScanProgress(pause);
        m_delegate->openPaths({path("a")});
        QVERIFY(pause->waitUntilHeld());
        QTest::mouseClick(window().sourceSegments()->segment(Rules), Qt::LeftButton);
        ScanRulePanel *panel = window().settingPanel();
        QVERIFY(panel->isVisible() && !panel->isModal());
        const QList<QCheckBox *> switches = panel->findChildren<QCheckBox *>();
        const auto named = [&](const char *key) {
            return *std::find_if(switches.begin(), switches.end(),
                                 [&](QCheckBox *box) { return box->text() == StringTable::text(key); });
        };
        named("SCAN_TYPE_ALL_SWITCH")->click();
        named("IMAGE_STRING")->click();
        QVERIFY(!UserDefaults::standard().boolForKey(SettingsKeys::scanTypeAll));
        pause->release();
        QVERIFY(waitForScanQueue());
        // Only the pictures were taken in.
        QCOMPARE(manager().totalFileNumber(), 2);
        named("SCAN_TYPE_ALL_SWITCH")->click();
        named("IMAGE_STRING")->click();
        panel->close();
    }
};

TWINSIFT_TEST_MAIN(TestMainWindow, QApplication)
#include "tst_main_window.moc"
