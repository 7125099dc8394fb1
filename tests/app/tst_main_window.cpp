// The main window driven as a person would, on real trees: adding sources by drop, dialog, command
// line and from the last run, stopping, rescanning and removing them during scans, the duplicate list's
// selection, ticks, group actions, sorting, filter, copying, dragging, export and row actions, what
// group rows tell, and the scan-rule panel during a scan. Both lists' models run under
// QAbstractItemModelTester throughout, so every change they announce is checked as it happens.
#include "AppTestSupport.h"
#include "scan/ScanTestSupport.h"

#include "app/AppDelegate.h"
#include "app/BytePathDialog.h"
#include "app/DuplicateListDelegate.h"
#include "app/DuplicateListModel.h"
#include "app/DuplicateListView.h"
#include "app/MainWindow.h"
#include "app/MyTableCellView.h"
#include "app/ScanRulePanel.h"
#include "app/SegmentedControl.h"
#include "app/SourceListModel.h"
#include "app/SourceListView.h"
#include "app/WindowSettings.h"
#include "clean/CleanRules.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProcess>
#include <QSemaphore>
#include <QStatusBar>

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
        // The rate panel has tests of its own; sources come back from the last run in one test only.
        UserDefaults::standard().setVolatile(true, SettingsKeys::showedRatePanel);
        UserDefaults::standard().setVolatile(false, WindowSettings::rememberSources);
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
        // What was not added, or was added inside another source, is said.
        const QString notice = window().statusBar()->currentMessage();
        for (const QString &said :
             {StringTable::text("SOURCE_ALREADY_ADDED").arg(QString::fromUtf8(path("a"))),
              StringTable::text("SOURCE_PATH_MISSING").arg(QString::fromUtf8(path("vanished"))),
              StringTable::text("SOURCE_INSIDE_SOURCE")
                  .arg(QString::fromUtf8(path("a/sub")), QString::fromUtf8(path("a"))),
              StringTable::text("SOURCE_ALREADY_ADDED").arg(QString::fromUtf8(path("b")))})
            QVERIFY2(notice.contains(said), qPrintable(notice));
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

    void stoppedSourcesSayStoppedAndRescansApplyTheRulesOfNow()
    {
        writeFiles("a", 3, 3, ".txt");
        writeFiles("a", 200, 2, ".png");
        auto pause = std::make_shared<ScanPause>();
        pause->reachedWhen = [](ScanProgress::Phase, const Url &, qint64 files) { return files >= 10; };
        manager().setScanProgress(pause);
        m_delegate->openPaths({path("a")});
        QVERIFY(pause->waitUntilHeld());
        QTest::mouseClick(sourceButton(0, 1), Qt::LeftButton);
        pause->release();
        QVERIFY(waitForScanQueue());
        const QModelIndex state = sourceList().listModel().index(0, SourceListModel::StateColumn);
        const qint64 takenIn = manager().rootNodes()[0]->totalFileNumber();
        QVERIFY(takenIn >= 10);
        QCOMPARE(state.data().toString(), StringTable::text("SOURCE_STATE_STOPPED"));
        QVERIFY(state.data(Qt::ToolTipRole).toString().contains(QLocale().toString(takenIn)));

        // The row's Rescan hands the engine the rules the settings hold now: only pictures.
        UserDefaults &defaults = UserDefaults::standard();
        defaults.setBool(false, SettingsKeys::scanTypeAll);
        defaults.setBool(true, SettingsKeys::scanTypePicture);
        QTest::mouseClick(sourceButton(0, 3), Qt::LeftButton);
        QVERIFY(waitForScanQueue());
        QCOMPARE(state.data().toString(), StringTable::text("SOURCE_STATE_DONE"));
        QCOMPARE(manager().totalFileNumber(), 200);
        // Rescan All (F5) with every kind again.
        defaults.removeObjectForKey(SettingsKeys::scanTypeAll);
        defaults.removeObjectForKey(SettingsKeys::scanTypePicture);
        window().rescanAllAction()->trigger();
        QVERIFY(waitForScanQueue());
        QCOMPARE(manager().totalFileNumber(), 203);
    }

    void filterCopyDragAndExport()
    {
        writeFiles("a", 6, 3, ".txt");
        const QList<QByteArray> pictures = {path("b/p1.png"), path("b/p2.png"), path("b/caf\xe9.png")};
        for (const QByteArray &picture : pictures)
            TestFs::writeFile(Url::fromPath(picture), "picture");
        m_delegate->openPaths({path("a"), path("b")});
        QVERIFY(waitForScanQueue());
        QCOMPARE(groupCount(), 4);

        // Substrings of paths ignore the case; a pattern matches a name or a whole path.
        const struct
        {
            const char *text;
            int groups;
        } filters[] = {{"*.PNG", 1}, {"/A/F1", 1},   {"caf", 1}, {"f?.txt", 3},
                       {"*/b/*", 1}, {"nothing", 0}, {"", 4}};
        for (const auto &filter : filters) {
            window().filterBox()->setText(QString::fromLatin1(filter.text));
            QCOMPARE(groupCount(), filter.groups);
            QCOMPARE(dupModel().rowCount(), filter.groups);
        }

        // Copying and dragging a group row give its files; names that are not UTF-8 keep their bytes.
        window().filterBox()->setText(QStringLiteral("*.png"));
        QVERIFY(
            shown().dupGroupStatString().startsWith(StringTable::text("FILTERED_GROUPS_STRING", 1).arg(1)));
        dupList().setFocus();
        dupList().selectionModel()->select(dupModel().index(0, 0),
                                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QTest::keyClick(&dupList(), Qt::Key_C, Qt::ControlModifier);
        QStringList shownPaths;
        for (const QByteArray &picture : pictures)
            shownPaths.append(Url::fromPath(picture).displayPath());
        QStringList copied = QGuiApplication::clipboard()->text().split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(QSet<QString>(copied.begin(), copied.end()),
                 QSet<QString>(shownPaths.begin(), shownPaths.end()));
        const std::unique_ptr<QMimeData> dragged(dupModel().mimeData({dupModel().index(0, 0)}));
        QList<QByteArray> draggedPaths = SourceListView::localPaths(dragged.get());
        std::sort(draggedPaths.begin(), draggedPaths.end());
        QList<QByteArray> expected = pictures;
        std::sort(expected.begin(), expected.end());
        QCOMPARE(draggedPaths, expected);

        // The export of all the groups is the command line's report of the same sources.
        window().filterBox()->clear();
        for (const QByteArray format : {"json", "csv"}) {
            const QString report = QString::fromUtf8(path("report.") + format);
            QVERIFY(window().exportShownGroups(format, report));
            QProcess cli;
            cli.start(qEnvironmentVariable("TWINSIFT_CLI"),
                      {QStringLiteral("scan"), QStringLiteral("--format"), QString::fromLatin1(format),
                       QString::fromUtf8(path("a")), QString::fromUtf8(path("b"))});
            QVERIFY(cli.waitForFinished(60000));
            QCOMPARE(TestFs::readFile(Url::fromPath(report.toUtf8())), cli.readAllStandardOutput());
        }
        QVERIFY(!window().exportShownGroups("json", QString::fromUtf8(path("missing/report.json"))));
    }

    void groupRowsTellWhatAScanKnows()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        // Two copies in two sources, two empty files, two large files compared by samples.
        writeFiles("a", 2, 2);
        writeFiles("b", 2, 2);
        const QByteArray large(1 << 20, 'x');
        for (const QByteArray folder : {"a", "b"}) {
            TestFs::writeFile(Url::fromPath(path(folder + "/empty")), {});
            TestFs::writeFile(Url::fromPath(path(folder + "/large.bin")), large);
        }
        UserDefaults &defaults = UserDefaults::standard();
        defaults.setBool(true, SettingsKeys::fastScanOption);
        defaults.setInteger(1, SettingsKeys::fastScanSize);
        window().publishScanRules();
        m_delegate->openPaths({path("a"), path("b")});
        QVERIFY(waitForScanQueue());
        QCOMPARE(groupCount(), 4);
        for (int row = 0; row < 4; ++row) {
            const auto group = std::get<DupGroup::Ptr>(dupModel().itemAtRow(row));
            const QString text = dupModel().groupCell(row)->text;
            QCOMPARE(group->isSelected(), group->fileSize() > 0);
            QCOMPARE(text.contains(StringTable::text("COMPARED_BY_SAMPLES_MARK")),
                     group->fileSize() == large.size());
            if (group->fileSize() == large.size())
                QVERIFY2(text.contains(QStringLiteral("1.00 MiB each · 1.00 MiB wasted")), qPrintable(text));
        }
        const struct
        {
            qint64 bytes;
            const char *text;
        } sizes[] = {{0, "0 bytes"},
                     {1, "1 byte"},
                     {1023, "1,023 bytes"},
                     {1536, "1.50 KiB"},
                     {3LL << 30, "3.00 GiB"}};
        for (const auto &size : sizes)
            QCOMPARE(ShownGroups::byteCountText(size.bytes), QString::fromLatin1(size.text));

        // The file a clean-up keeps is marked, and the mark follows the rules: remove only copies in
        // the first source, then only in the second.
        defaults.setBool(true, SettingsKeys::cleanFolderCheckbox);
        const auto keptSource = [this] {
            dupList().viewport()->repaint();
            QList<qint64> kept;
            for (int row = 0; row < dupModel().rowCount(); ++row) {
                if (dupModel().isKeptFile(row))
                    kept.append(std::get<MyTreeNode::Ptr>(dupModel().itemAtRow(row))->rootNode()->index());
            }
            return kept;
        };
        QTest::mouseClick(window().dupSegments()->segment(ExpandAll), Qt::LeftButton);
        QTRY_COMPARE(fileRowCount(), 8);
        for (const qint64 source : {0, 1}) {
            defaults.setInteger(source, SettingsKeys::cleanFolder);
            // The empty files' group is unticked: a clean-up keeps all of it, and nothing is marked.
            QCOMPARE(keptSource(), QList<qint64>(3, 1 - source));
        }
        defaults.removeObjectForKey(SettingsKeys::cleanFolderCheckbox);
        defaults.removeObjectForKey(SettingsKeys::cleanFolder);
        defaults.removeObjectForKey(SettingsKeys::fastScanOption);
        defaults.removeObjectForKey(SettingsKeys::fastScanSize);
        QLocale::setDefault(QLocale::system());
    }

    void compactRowsFitManyGroupsAndTabLeavesTheSourceList()
    {
        writeFiles("a", 60, 30);
        m_delegate->openPaths({path("a")});
        QVERIFY(waitForScanQueue());
        window().resize(1920, 1000);
        window().compactRowsAction()->trigger();
        QVERIFY(UserDefaults::standard().boolForKey(WindowSettings::compactRows));
        QCoreApplication::processEvents();
        int visible = 0;
        for (int row = 0; row < dupModel().rowCount(); ++row)
            visible += dupList().viewport()->rect().contains(dupList().visualRect(dupModel().index(row, 0)));
        QVERIFY2(visible >= 25, qPrintable(QString::number(visible)));
        window().compactRowsAction()->trigger();
        QCOMPARE(dupList().visualRect(dupModel().index(0, 0)).height(),
                 DuplicateListDelegate::groupRowHeight);

        QApplication::setActiveWindow(&window());
        sourceList().setFocus();
        QTest::keyClick(&sourceList(), Qt::Key_Tab);
        QVERIFY(!sourceList().hasFocus());
    }

    void sourcesComeBackAtTheNextStart()
    {
        // The registered default: on.
        UserDefaults::standard().setVolatile(QVariant(), WindowSettings::rememberSources);
        const QByteArray odd = "caf\xe9";
        writeFiles("a", 4, 2);
        writeFiles(odd, 2, 1);
        m_delegate->openPaths({path("a"), path(odd)});
        QVERIFY(waitForScanQueue());
        // Ctrl+L protects the current source; the protection comes back with it.
        SourceListView &table = *window().sourceTable();
        table.setFocus();
        table.setCurrentIndex(table.model()->index(1, 0));
        QTest::keyClick(&table, Qt::Key_L, Qt::ControlModifier);
        QVERIFY(manager().rootNodes()[1]->isProtected() && !manager().rootNodes()[0]->isProtected());
        const auto restart = [this] {
            QVERIFY(waitForScanQueue());
            m_delegate.reset();
            auto desktop = std::make_unique<RecordingDesktop>();
            m_desktop = desktop.get();
            m_delegate = std::make_unique<AppDelegate>(std::move(desktop));
            m_delegate->applicationDidFinishLaunching();
        };
        restart();
        QCOMPARE(sourcePaths(), QList<QByteArray>({path("a"), path(odd)}));
        QVERIFY(waitForScanQueue());
        QCOMPARE(manager().totalFileNumber(), 6);
        QVERIFY(manager().rootNodes()[1]->isProtected() && !manager().rootNodes()[0]->isProtected());
        // Turned off, the sources are forgotten.
        QVERIFY(window().rememberSourcesAction()->isChecked());
        window().rememberSourcesAction()->trigger();
        restart();
        QVERIFY(sourcePaths().isEmpty());
        UserDefaults::standard().removeObjectForKey(WindowSettings::rememberSources);
        UserDefaults::standard().setVolatile(false, WindowSettings::rememberSources);
    }

    void addDialogChoosesNamesThatAreNotUtf8()
    {
        writeFiles("pick/caf\xe9", 1, 1);
        TestFs::writeFile(Url::fromPath(path("pick/plain.txt")), "x");
        BytePathDialog dialog(BytePathDialog::Choose::FilesAndFolders, &window());
        dialog.setFolder(path("pick"));
        QCOMPARE(dialog.entries()->count(), 2);
        dialog.entries()->selectAll();
        QCOMPARE(dialog.chosen(), QList<QByteArray>({path("pick/caf\xe9"), path("pick/plain.txt")}));
        // Choosing a folder: files are not listed, an opened folder is listed by its bytes, and with
        // nothing selected the folder shown is the one chosen.
        BytePathDialog folders(BytePathDialog::Choose::Folder, &window());
        folders.setFolder(path("pick"));
        QCOMPARE(folders.entries()->count(), 1);
        Q_EMIT folders.entries()->itemActivated(folders.entries()->item(0));
        QCOMPARE(folders.entries()->count(), 0);
        QCOMPARE(folders.chosen(), QList<QByteArray>({path("pick/caf\xe9")}));
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
