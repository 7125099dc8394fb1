// The source manager end to end on real trees: scanning on the scan queue, statistics, stopping,
// removing sources and files, and the manager's end while its tasks still run.
#include "ScanTestSupport.h"

#include "browser/ShownGroups.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"
#include "scan/ScanProgress.h"
#include "support/TestSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <semaphore>

namespace {

// Seams in the middle of a scan, run on the scan queue: holds the scan when it has taken in a given
// number of files, until the test lets it go on; stops the source when, having taken in a given
// number of files, the scan begins to read contents; or changes the tree once, between the walk and
// the first read.
class ScanSeams : public ScanProgress
{
public:
    int pauseAfterFiles = -1;
    int stopReadingAfterFiles = -1;
    std::function<void()> beforeReading;
    // The standard library's, which thread checkers see through, unlike Qt's.
    std::atomic<bool> reached{false};
    std::binary_semaphore resume{0};

    void scanStarted(const RootNode &root) override { m_root = const_cast<RootNode *>(&root); }
    void fileTakenIn(const RootNode &, const MyTreeNode &) override
    {
        if (++m_files == pauseAfterFiles) {
            reached = true;
            resume.acquire();
        }
    }
    void at(Phase phase, const Url &) override
    {
        if (phase != Phase::ReadingContents)
            return;
        if (stopReadingAfterFiles >= 0 && m_files >= stopReadingAfterFiles)
            m_root->setIsFinished(true);
        if (beforeReading)
            std::exchange(beforeReading, nullptr)();
    }

private:
    int m_files = 0;
    RootNode *m_root = nullptr;
};

QSet<QByteArray> pathsOf(const DupGroup::Ptr &group)
{
    QSet<QByteArray> paths;
    for (const MyTreeNode::Ptr &node : group->childs())
        paths << node->FileURL().path();
    return paths;
}

} // namespace

class TestScanning : public QObject
{
    Q_OBJECT

    std::unique_ptr<TemporaryTree> m_dir;
    Url m_root;

    Url path(const QByteArray &relative) const { return m_root.child(relative); }

    Url withParents(const QByteArray &relative)
    {
        const Url url = path(relative);
        QDir().mkpath(QString::fromUtf8(url.parent().path()));
        return url;
    }

    void write(const QByteArray &relative, const QByteArray &content)
    {
        TestFs::writeFile(withParents(relative), content);
    }

    // Files whose contents repeat every `kinds` files, spread over folders of 100.
    void writeMany(const QByteArray &folder, int count, int kinds)
    {
        for (int i = 0; i < count; ++i)
            write(folder + '/' + QByteArray::number(i / 100) + "/f" + QByteArray::number(i),
                  QByteArray::number(i % kinds));
    }

    RootNode::Ptr addSource(SourceNodeManager &manager, const QByteArray &relative)
    {
        const RootNode::Ptr root = RootNode::initWithPath(path(relative).path());
        manager.addRootNode(root);
        return root;
    }

    // The rules the settings hold now.
    static ScanRules rulesNow() { return ScanRules::fromSettings(UserDefaults::standard()); }

    static QList<QSet<QByteArray>> shownGroups(const SourceNodeManager &manager)
    {
        QList<QSet<QByteArray>> groups;
        for (const DupGroup::Ptr &group : manager.summary().shown)
            groups << pathsOf(group);
        return groups;
    }

    // The files a source took in are grouped exactly by their contents: every group holds copies of
    // one content, and every content taken in more than once is one group.
    static void verifyGroupedByContent(const SourceNodeManager &manager, const RootNode &root)
    {
        QHash<QByteArray, QSet<QByteArray>> byContent;
        for (const MyTreeNode::Ptr &node : const_cast<RootNode &>(root).allFiles().toList())
            byContent[TestFs::readFile(node->FileURL())] << node->FileURL().path();
        QSet<QSet<QByteArray>> expected;
        for (const QSet<QByteArray> &paths : std::as_const(byContent)) {
            if (paths.size() > 1)
                expected << paths;
        }
        const QList<QSet<QByteArray>> shown = shownGroups(manager);
        QCOMPARE(QSet<QSet<QByteArray>>(shown.begin(), shown.end()), expected);
    }

private Q_SLOTS:
    void initTestCase()
    {
        StringTable::install();
        SettingsKeys::registerDefaults();
        UserDefaults::standard().setVolatile(false, SettingsKeys::createThumbnail);
    }

    void init()
    {
        m_dir = std::make_unique<TemporaryTree>();
        m_root = m_dir->url();
    }

    void startsEmpty()
    {
        SourceNodeManager manager(rulesNow());
        const ShownGroups shown(manager);
        QVERIFY(!shown.showDupGroups());
        QCOMPARE(manager.statBarString(), QStringLiteral(" "));
        QCOMPARE(manager.totalFileNumber(), 0);
        manager.syncAllSatus();
        QVERIFY(shown.showDupGroups().has_value() && shown.showDupGroups()->isEmpty());
        QVERIFY(shown.allShowDupGroupFileExt().isEmpty());
    }

    void statisticsOfAScan()
    {
        // Three copies of a 10 MiB file, two of a 1,000-byte file, unique files, a package and its copy,
        // files that are no files (a FIFO, links) and two empty files.
        for (const QByteArray name : {"big1.iso", "sub/big2.iso", "sub/deeper/big3.ISO"})
            TestFs::makeSparseFile(withParents(name), 10 * 1024 * 1024);
        write("small.txt", QByteArray(1000, 's'));
        write("sub/small-copy.md", QByteArray(1000, 's'));
        write("unique-a", QByteArray(1000, 'a'));
        write(".hidden-unique", "hidden");
        write("Viewer.app/Contents/binary", QByteArray(3000, 'e'));
        write("copy/Viewer.app/Contents/binary", QByteArray(3000, 'e'));
        write("empty-a", "");
        write("empty-b.txt", "");
        QCOMPARE(::mkfifo(path("pipe").c_str(), 0644), 0);
        TestFs::makeSymlink("empty-a", path("link-to-empty"));
        TestFs::makeSymlink("..", path("sub/loop"));

        SourceNodeManager manager(rulesNow());
        const ShownGroups shown(manager);
        QList<QString> statusTexts;
        connect(&manager, &SourceNodeManager::statBarStringChanged, this,
                [&] { statusTexts << manager.statBarString(); });
        const RootNode::Ptr root = addSource(manager, "");
        QVERIFY(root->isRunning());
        QVERIFY(waitForScanQueue());
        QVERIFY(!root->isRunning() && root->isFinished() && !root->isStopped());
        QCOMPARE(root->totalFileNumber(), 11);
        QCOMPARE(manager.totalFileNumber(), 11);
        QCOMPARE(manager.totalFileSize(), 3 * 10485760 + 3 * 1000 + 6 + 2 * 3000);
        QCOMPARE(manager.totalDupGroupNumber(), 4);
        QCOMPARE(manager.totalRemovableFileNumber(), 5);
        QCOMPARE(manager.totalWasteSize(), 2 * 10485760 + 1000 + 3000);
        QCOMPARE(shown.allShowDupGroupFileExt(), QStringList({"app", "iso", "md", "N/A", "txt"}));
        QVERIFY(shown.dupGroupStatString().contains(QStringLiteral("20.00")));
        QCOMPARE(manager.statBarString(), QStringLiteral(" "));
        QVERIFY(!statusTexts.isEmpty() && statusTexts.last() == QStringLiteral(" "));
        // Shown in bucket order: empty files and 10 MiB ones in bucket 0, then 1,000 and 3,000 bytes.
        const auto groups = shownGroups(manager);
        QCOMPARE(groups.size(), 4);
        QCOMPARE(groups[2], QSet<QByteArray>({path("small.txt").path(), path("sub/small-copy.md").path()}));
        QCOMPARE(groups[3], QSet<QByteArray>({path("Viewer.app").path(), path("copy/Viewer.app").path()}));
    }

    void minimumSize_data()
    {
        QTest::addColumn<double>("mebibytes");
        QTest::addColumn<int>("takenIn");
        QTest::addRow("1.5 MiB: the limit itself is taken in") << 1.5 << 1;
        QTest::addRow("none") << 0.0 << 2;
        QTest::addRow("8 EiB: nothing is that large") << 8796093022208.0 << 0;
        // Values out of range count as absent: the registered default, no limit, applies.
        QTest::addRow("beyond every size") << 1e30 << 2;
        QTest::addRow("infinite") << qInf() << 2;
        QTest::addRow("not a number") << qQNaN() << 2;
    }

    void minimumSize()
    {
        QFETCH(double, mebibytes);
        QFETCH(int, takenIn);
        write("below", QByteArray(1572863, 'x'));
        write("at", QByteArray(1572864, 'x'));
        UserDefaults::standard().setVolatile(true, SettingsKeys::onlyFileSize);
        UserDefaults::standard().setVolatile(mebibytes, SettingsKeys::onlyFileSizeValue);
        SourceNodeManager manager(rulesNow());
        const RootNode::Ptr root = addSource(manager, "");
        QVERIFY(waitForScanQueue());
        UserDefaults::standard().setVolatile(false, SettingsKeys::onlyFileSize);
        QCOMPARE(root->totalFileNumber(), takenIn);
    }

    // A rescan takes the source anew with the rules of now, in its place, keeping nothing of before.
    void rescanAppliesTheRulesOfNow()
    {
        write("a/notes.txt", "words");
        write("a/copy.txt", "words");
        write("a/picture.png", "\x89PNG\r\n\x1a\n");
        SourceNodeManager manager(rulesNow());
        const RootNode::Ptr root = addSource(manager, "a");
        QVERIFY(waitForScanQueue());
        QCOMPARE(root->totalFileNumber(), 3);
        ScanRules rules = rulesNow();
        rules.scansEveryKind = false;
        rules.scansKind[size_t(ScanRules::Kind::Picture)] = true;
        manager.setScanRules(rules);
        manager.rescanRootNode(root);
        QVERIFY(root->isRunning());
        QVERIFY(waitForScanQueue());
        QCOMPARE(root->totalFileNumber(), 1);
        QCOMPARE(manager.totalDupGroupNumber(), 0);
        QCOMPARE(manager.rootNodes(), QList<RootNode::Ptr>{root});
    }

    // A file reached through two sources is counted in both and never its own duplicate; when the
    // source through which it joined its group leaves, the other source's node takes its place.
    void overlappingSources()
    {
        write("outer.txt", "same");
        write("inner/a.txt", "same");
        write("inner/b.txt", "other!");
        write("inner/c.txt", "other!");
        SourceNodeManager manager(rulesNow());
        const RootNode::Ptr outer = addSource(manager, "");
        const RootNode::Ptr inner = addSource(manager, "inner");
        const RootNode::Ptr single = addSource(manager, "inner/b.txt");
        QVERIFY(waitForScanQueue());
        QCOMPARE(outer->totalFileNumber(), 4);
        QCOMPARE(inner->totalFileNumber(), 3);
        QCOMPARE(single->totalFileNumber(), 1);
        const QSet<QByteArray> same{path("outer.txt").path(), path("inner/a.txt").path()};
        const QSet<QByteArray> other{path("inner/b.txt").path(), path("inner/c.txt").path()};
        QCOMPARE(QSet<QSet<QByteArray>>(QSet<QSet<QByteArray>>()
                                        << shownGroups(manager)[0] << shownGroups(manager)[1]),
                 QSet<QSet<QByteArray>>({same, other}));
        QCOMPARE(manager.totalRemovableFileNumber(), 2);
        // The totals count each file once, whichever sources reach it.
        QCOMPARE(manager.totalFileNumber(), 4);
        QCOMPARE(manager.totalFileSize(), 4 + 4 + 6 + 6);
        QCOMPARE(QList<quint64>({outer->index(), inner->index(), single->index()}),
                 QList<quint64>({0, 1, 2}));

        manager.removeRootNode(outer);
        QVERIFY(waitForScanQueue());
        QCOMPARE(shownGroups(manager), QList<QSet<QByteArray>>({other}));
        write("elsewhere/c.txt", "other!");
        addSource(manager, "elsewhere");
        QVERIFY(waitForScanQueue());
        QCOMPARE(shownGroups(manager),
                 QList<QSet<QByteArray>>({other + QSet<QByteArray>{path("elsewhere/c.txt").path()}}));
    }

    void sourcesAreScannedInTheOrderAdded()
    {
        writeMany("first", 300, 7);
        write("second/only", "x");
        SourceNodeManager manager(rulesNow());
        QList<bool> firstRunningWhenSecondEnded;
        RootNode::Ptr first, second;
        connect(&manager, &SourceNodeManager::summaryChanged, this, [&] {
            if (second && !second->isRunning())
                firstRunningWhenSecondEnded << first->isRunning();
        });
        first = addSource(manager, "first");
        second = addSource(manager, "second");
        QVERIFY(second->isRunning());
        QVERIFY(waitForScanQueue());
        QCOMPARE(firstRunningWhenSecondEnded.value(0, true), false);
        QCOMPARE(manager.totalDupGroupNumber(), 7);
    }

    // A stop while a stretch of the walk is being taken in: the stretch is finished (all its contents
    // were read already), no later one is begun, a source still waiting is never scanned, and what was
    // kept is grouped exactly and can be removed.
    void stoppingWhileTakingIn()
    {
        const int stretch = int(SourceNodeManager::filesPerStretch);
        writeMany("many", stretch + 500, 50);
        SourceNodeManager manager(rulesNow());
        const auto seams = std::make_shared<ScanSeams>();
        seams->pauseAfterFiles = 200;
        manager.setScanProgress(seams);
        const RootNode::Ptr root = addSource(manager, "many");
        const RootNode::Ptr waiting = addSource(manager, "many/1");
        QTRY_VERIFY_WITH_TIMEOUT(seams->reached, 60000);
        manager.stopSource(root);
        QVERIFY(root->isFinished() && !root->isStopped());
        waiting->setIsFinished(true);
        seams->resume.release();
        QVERIFY(waitForScanQueue());
        QVERIFY(!root->isRunning() && !waiting->isRunning());
        QVERIFY(root->isStopped() && waiting->isStopped());
        QCOMPARE(root->totalFileNumber(), stretch);
        QCOMPARE(waiting->totalFileNumber(), 0);
        verifyGroupedByContent(manager, *root);

        manager.removeRootNode(root);
        manager.removeRootNode(waiting);
        QVERIFY(waitForScanQueue());
        QCOMPARE(manager.rootNodes().size(), 0);
        QCOMPARE(manager.totalDupGroupNumber(), 0);
    }

    // A stop as a stretch's contents are about to be read: nothing more is read, and the files of the
    // stretch are taken in for as long as they can be placed without reading.
    void stoppingBeforeReading()
    {
        const int stretch = int(SourceNodeManager::filesPerStretch);
        writeMany("many", stretch + 500, 50);
        // Files of sizes no other file has need nothing read.
        for (int i = 0; i < 20; ++i)
            write("many/zz/unique" + QByteArray::number(i), QByteArray(100 + i, 'u'));
        SourceNodeManager manager(rulesNow());
        const auto seams = std::make_shared<ScanSeams>();
        seams->stopReadingAfterFiles = stretch;
        manager.setScanProgress(seams);
        const RootNode::Ptr root = addSource(manager, "many");
        QVERIFY(waitForScanQueue());
        QVERIFY(root->totalFileNumber() >= stretch);
        QVERIFY(root->totalFileNumber() < stretch + 520);
        verifyGroupedByContent(manager, *root);
    }

    // A folder swapped for a link to elsewhere after the walk listed it: the files read are the ones
    // listed, or none; nothing outside the source is read into a group.
    void aFolderSwappedBeforeReading()
    {
        write("a/sub/x", "inside--");
        write("a/y", "outside!");
        write("out/x", "outside!");
        SourceNodeManager manager(rulesNow());
        const auto seams = std::make_shared<ScanSeams>();
        std::atomic<bool> swapped{false};
        seams->beforeReading = [&] {
            swapped = ::rename(path("a/sub").c_str(), path("a/sub-was").c_str()) == 0 &&
                      ::symlink("../out", path("a/sub").c_str()) == 0;
        };
        manager.setScanProgress(seams);
        const RootNode::Ptr root = addSource(manager, "a");
        QVERIFY(waitForScanQueue());
        QVERIFY(swapped);
        QCOMPARE(root->totalFileNumber(), 2);
        QCOMPARE(manager.totalDupGroupNumber(), 0);
    }

    void removingSingleFiles()
    {
        write("one", "11");
        write("two", "11");
        write("lonely", "lonely");
        SourceNodeManager manager(rulesNow());
        const RootNode::Ptr root = addSource(manager, "");
        QVERIFY(waitForScanQueue());
        const QList<MyTreeNode::Ptr> files = root->allFiles().toList();
        const auto named = [&](const QByteArray &name) {
            return *std::find_if(files.begin(), files.end(),
                                 [&](const auto &n) { return n->FileURL().fileName() == name; });
        };
        const MyTreeNode::Ptr one = named("one"), lonely = named("lonely");
        bool first = false, second = false, third = false;
        SourceNodeManager::scanQueue().async([&] {
            first = manager.removeTreeNode(one);
            second = manager.removeTreeNode(one);
            third = manager.removeTreeNode(lonely);
        });
        QVERIFY(waitForScanQueue());
        QVERIFY(first && !second && third);
        QCOMPARE(one->rootNode(), root); // kept for putting the file back
        QVERIFY(!one->dupGroup());
        QCOMPARE(root->totalFileNumber(), 1);
        QCOMPARE(root->totalFileSize(), 2);
        manager.syncAllSatus();
        QCOMPARE(manager.totalDupGroupNumber(), 0);
        // The emptied group left its bucket; the remaining one-member group stays.
        QCOMPARE(manager.dupGroups()[SourceNodeManager::bucketIndexForSize(2)].size(), 1);
        QCOMPARE(manager.dupGroups()[SourceNodeManager::bucketIndexForSize(6)].size(), 0);
    }

    // The window may close during a scan: the manager goes while its scan is held half-way and another
    // is queued. The tasks finish without it, and the files, groups and sources are all freed.
    void theManagerGoesDuringAScan()
    {
        writeMany("many", 1000, 30);
        auto manager = std::make_unique<SourceNodeManager>();
        const auto seams = std::make_shared<ScanSeams>();
        seams->pauseAfterFiles = 100;
        manager->setScanProgress(seams);
        RootNode::Ptr running = addSource(*manager, "many");
        RootNode::Ptr queued = addSource(*manager, "many/2");
        QTRY_VERIFY_WITH_TIMEOUT(seams->reached, 60000);
        const std::weak_ptr<MyTreeNode> taken = running->allFiles().toList().first();
        manager.reset();
        QVERIFY(running->isFinished() && queued->isFinished());
        seams->resume.release();
        QVERIFY(waitForScanQueue());
        QCOMPARE(queued->totalFileNumber(), 0);
        running.reset();
        queued.reset();
        QVERIFY(taken.expired());
    }
};

TWINSIFT_TEST_MAIN(TestScanning, QCoreApplication)
#include "tst_scanning.moc"
