// The source manager end to end on real trees: scanning on the scan queue, statistics, stopping,
// and removing sources and files.
#include "ScanTestSupport.h"

#include "app/ApplicationLifecycle.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"
#include "scan/CustomRuleController.h"
#include "scan/ViewInterfaces.h"
#include "support/TestSupport.h"

#include <sys/stat.h>

namespace {

class FakeSourceTable : public SourceTableView
{
public:
    QHash<const QObject *, qint64> rows;
    void reloadData() override {}
    qint64 rowForView(const QObject *control) const override { return rows.value(control, -1); }
};

// Holds the scan when it is about to place its n-th file until the test lets it go on, so that a
// stop lands in the middle of taking files in.
class PausingManager : public SourceNodeManager
{
public:
    explicit PausingManager(int pauseAt) : m_pauseAt(pauseAt) {}

    QSemaphore reached;
    QSemaphore resume;

protected:
    void placeInGroup(const MyTreeNode::Ptr &node) override
    {
        if (++m_placed == m_pauseAt) {
            reached.release();
            resume.acquire();
        }
        SourceNodeManager::placeInGroup(node);
    }

private:
    const int m_pauseAt;
    int m_placed = 0;
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

    CustomRuleController m_rules;
    std::unique_ptr<TemporaryTree> m_dir;
    Url m_root;

    std::unique_ptr<SourceNodeManager> newManager()
    {
        auto manager = std::make_unique<SourceNodeManager>();
        manager->setRuleController(&m_rules);
        return manager;
    }

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

    RootNode::Ptr addSource(SourceNodeManager &manager, const QByteArray &relative)
    {
        const RootNode::Ptr root = RootNode::initWithPath(path(relative).path());
        manager.addRootNode(root);
        return root;
    }

    QList<QSet<QByteArray>> shownGroups(const SourceNodeManager &manager)
    {
        QList<QSet<QByteArray>> groups;
        for (const DupGroup::Ptr &group : manager.showDupGroups().value_or(QList<DupGroup::Ptr>()))
            groups << pathsOf(group);
        return groups;
    }

private Q_SLOTS:
    void initTestCase()
    {
        StringTable::install();
        ApplicationLifecycle::registerDefaultsAndTransformers();
        UserDefaults::standard().setVolatile(false, SettingsKeys::createThumbnail);
    }

    void init()
    {
        m_dir = std::make_unique<TemporaryTree>();
        m_root = m_dir->url();
    }

    void startsEmpty()
    {
        auto manager = newManager();
        QVERIFY(!manager->showDupGroups());
        QCOMPARE(manager->taskStatus(), 1);
        QCOMPARE(manager->statBarString(), QStringLiteral(" "));
        QCOMPARE(manager->totalFileNumber(), 0);
        manager->syncAllSatus();
        QVERIFY(manager->showDupGroups().has_value());
        QVERIFY(manager->showDupGroups()->isEmpty());
        QVERIFY(manager->allShowDupGroupFileExt().isEmpty());
        QVERIFY(!SourceNodeManager::isDupGroup(OutlineItem()));
        QVERIFY(!SourceNodeManager::isDupGroup(OutlineItem(MyTreeNode::Ptr())));
        QVERIFY(SourceNodeManager::isDupGroup(OutlineItem(DupGroup::init())));
    }

    void statisticsOfAScan()
    {
        // Three copies of a 10 MiB file, two of a 1,000-byte file, and unique files around them.
        for (const QByteArray name : {"big1.iso", "sub/big2.iso", "sub/deeper/big3.ISO"})
            TestFs::makeSparseFile(withParents(name), 10 * 1024 * 1024);
        write("small.txt", QByteArray(1000, 's'));
        write("sub/small-copy.md", QByteArray(1000, 's'));
        write("unique-a", QByteArray(1000, 'a'));
        write("unique-b", "b");
        write(".hidden-unique", "hidden");

        auto manager = newManager();
        const RootNode::Ptr root = addSource(*manager, "");
        QVERIFY(root->isRunning());
        QVERIFY(waitForScanQueue());
        QVERIFY(!root->isRunning());
        QVERIFY(root->isFinished());
        QCOMPARE(root->totalFileNumber(), 8);
        QCOMPARE(manager->totalFileNumber(), 8);
        QCOMPARE(manager->totalFileSize(), 3 * 10485760 + 3 * 1000 + 1 + 6);
        QCOMPARE(manager->totalDupGroupNumber(), 2);
        QCOMPARE(manager->totalRemovableFileNumber(), 3);
        QCOMPARE(manager->totalWasteSize(), 20972520);
        QCOMPARE(manager->allShowDupGroupFileExt(), QStringList({"iso", "md", "txt"}));
        QVERIFY(manager->dupGroupStatString().contains(QStringLiteral("20.00")));
        QCOMPARE(manager->statBarString(), QStringLiteral(" "));
        // Shown in bucket order: 10 MiB falls in bucket 0, 1,000 bytes in bucket 1000.
        const auto groups = shownGroups(*manager);
        QCOMPARE(groups.size(), 2);
        QCOMPARE(groups[0].size(), 3);
        QCOMPARE(groups[1], QSet<QByteArray>({path("small.txt").path(), path("sub/small-copy.md").path()}));
        QCOMPARE(root->index(), 0u);
    }

    void minimumSizeAndSingleFileSources()
    {
        write("below", QByteArray(1572863, 'x'));
        write("at", QByteArray(1572864, 'x'));
        UserDefaults::standard().setVolatile(true, SettingsKeys::onlyFileSize);
        UserDefaults::standard().setVolatile(1.5, SettingsKeys::onlyFileSizeValue);
        auto manager = newManager();
        const RootNode::Ptr folder = addSource(*manager, "");
        const RootNode::Ptr single = addSource(*manager, "at");
        const RootNode::Ptr tooSmall = addSource(*manager, "below");
        QVERIFY(waitForScanQueue());
        UserDefaults::standard().setVolatile(false, SettingsKeys::onlyFileSize);
        QCOMPARE(folder->totalFileNumber(), 1);
        QCOMPARE(single->totalFileNumber(), 1);
        QCOMPARE(tooSmall->totalFileNumber(), 0);
        QVERIFY(!tooSmall->isRunning());
        // The same file through two sources is counted in both but never its own duplicate.
        QCOMPARE(manager->totalFileNumber(), 2);
        QCOMPARE(manager->totalDupGroupNumber(), 0);
        QCOMPARE(QList<quint64>({folder->index(), single->index(), tooSmall->index()}),
                 QList<quint64>({0, 1, 2}));
    }

    void packagesAreSingleFiles()
    {
        write("Viewer.app/Contents/binary", QByteArray(3000, 'e'));
        write("Viewer.app/Contents/.hidden", QByteArray(10, 'h'));
        write("copy/Viewer.app/Contents/binary", QByteArray(3000, 'e'));
        write("copy/Viewer.app/Contents/.hidden", QByteArray(10, 'h'));
        write("binary", QByteArray(3000, 'e'));
        auto manager = newManager();
        const RootNode::Ptr root = addSource(*manager, "");
        QVERIFY(waitForScanQueue());
        QCOMPARE(root->totalFileNumber(), 3);
        QCOMPARE(root->totalFileSize(), 3010 * 2 + 3000);
        const auto groups = shownGroups(*manager);
        QCOMPARE(groups.size(), 1);
        QCOMPARE(groups[0], QSet<QByteArray>({path("Viewer.app").path(), path("copy/Viewer.app").path()}));
    }

    void overlappingSourcesNeverPairAFileWithItself()
    {
        write("outer.txt", "same");
        write("inner/a.txt", "same");
        write("inner/b.txt", "other!");
        write("inner/c.txt", "other!");
        auto manager = newManager();
        const RootNode::Ptr outer = addSource(*manager, "");
        const RootNode::Ptr inner = addSource(*manager, "inner");
        QVERIFY(waitForScanQueue());
        QCOMPARE(outer->totalFileNumber(), 4);
        QCOMPARE(inner->totalFileNumber(), 3);
        const auto groups = shownGroups(*manager);
        QCOMPARE(groups.size(), 2);
        QVERIFY(groups.contains(QSet<QByteArray>({path("outer.txt").path(), path("inner/a.txt").path()})));
        QVERIFY(groups.contains(QSet<QByteArray>({path("inner/b.txt").path(), path("inner/c.txt").path()})));
        QCOMPARE(manager->totalRemovableFileNumber(), 2);
        // Every inner node is counted, but only the outer scan's nodes are in groups.
        int grouped = 0;
        for (const MyTreeNode::Ptr &node : inner->allFiles().toList())
            grouped += node->dupGroup() ? 1 : 0;
        QCOMPARE(grouped, 0);
    }

    void sourcesAreScannedInTheOrderAdded()
    {
        for (int i = 0; i < 300; ++i)
            write("first/f" + QByteArray::number(i), QByteArray::number(i % 7));
        write("second/only", "x");
        auto manager = newManager();
        QList<bool> firstRunningWhenSecondEnded;
        RootNode::Ptr first, second;
        connect(manager.get(), &SourceNodeManager::statisticsChanged, this, [&] {
            if (second && !second->isRunning())
                firstRunningWhenSecondEnded << first->isRunning();
        });
        first = addSource(*manager, "first");
        second = addSource(*manager, "second");
        QVERIFY(second->isRunning());
        QVERIFY(waitForScanQueue());
        QCOMPARE(firstRunningWhenSecondEnded.value(0, true), false);
        QCOMPARE(manager->totalDupGroupNumber(), 7);
    }

    void stoppingHalfWayKeepsWhatWasFound()
    {
        for (int i = 0; i < 4000; ++i)
            write("many/" + QByteArray::number(i / 100) + "/f" + QByteArray::number(i),
                  QByteArray::number(i % 50));
        auto manager = std::make_unique<PausingManager>(200);
        manager->setRuleController(&m_rules);
        FakeSourceTable table;
        QObject stopButton;
        table.rows.insert(&stopButton, 0);
        manager->setSourceTable(&table);
        const RootNode::Ptr root = addSource(*manager, "many");
        const RootNode::Ptr waiting = addSource(*manager, "many/1");
        QTRY_VERIFY_WITH_TIMEOUT(manager->reached.available() > 0, 60000);
        manager->stopSource(&stopButton);
        QVERIFY(root->isFinished());
        waiting->setIsFinished(true);
        QObject stray;
        manager->stopSource(&stray); // no row: nothing happens
        manager->resume.release();
        QVERIFY(waitForScanQueue());
        QVERIFY(!root->isRunning());
        // The file being placed when the stop came is finished; no later one is taken in.
        QCOMPARE(root->totalFileNumber(), 200);
        QCOMPARE(waiting->totalFileNumber(), 0);
        QVERIFY(!waiting->isRunning());
        // What was taken in is grouped and counted consistently.
        qint64 grouped = 0;
        for (const DupGroup::Ptr &group : manager->showDupGroups().value())
            grouped += group->fileNumber();
        QCOMPARE(grouped - manager->totalDupGroupNumber(), manager->totalRemovableFileNumber());
        QCOMPARE(manager->totalFileNumber(), root->totalFileNumber());
        // A stopped source can be removed.
        manager->removeRootNode(root);
        manager->removeRootNode(waiting);
        QVERIFY(waitForScanQueue());
        QCOMPARE(manager->rootNodes().size(), 0);
        QCOMPARE(manager->totalDupGroupNumber(), 0);
    }

    void removingASourceThatSharesGroups()
    {
        write("a/x1", "xxxx");
        write("a/x2", "xxxx");
        write("a/y", "yyyy-y");
        write("b/x3", "xxxx");
        write("b/y", "yyyy-y");
        auto manager = newManager();
        const RootNode::Ptr a = addSource(*manager, "a");
        const RootNode::Ptr b = addSource(*manager, "b");
        manager->removeRootNode(b); // still scanning or waiting: refused
        QCOMPARE(manager->rootNodes().size(), 2);
        QVERIFY(waitForScanQueue());
        QCOMPARE(manager->totalDupGroupNumber(), 2);
        QCOMPARE(manager->totalRemovableFileNumber(), 3);

        const QList<MyTreeNode::Ptr> bFiles = b->allFiles().toList();
        manager->removeRootNode(b);
        QCOMPARE(manager->rootNodes(), QList<RootNode::Ptr>({a}));
        QVERIFY(waitForScanQueue());
        QCOMPARE(manager->totalDupGroupNumber(), 1);
        QCOMPARE(manager->totalRemovableFileNumber(), 1);
        QCOMPARE(shownGroups(*manager),
                 QList<QSet<QByteArray>>({{path("a/x1").path(), path("a/x2").path()}}));
        QCOMPARE(b->totalFileNumber(), 0);
        for (const MyTreeNode::Ptr &node : bFiles)
            QVERIFY(!node->rootNode() && !node->dupGroup());
        // The lone y of a still groups with a later copy.
        const RootNode::Ptr c = addSource(*manager, "b");
        QVERIFY(waitForScanQueue());
        Q_UNUSED(c);
        QCOMPARE(manager->totalDupGroupNumber(), 2);
    }

    void removingSingleFiles()
    {
        write("one", "11");
        write("two", "11");
        write("lonely", "lonely");
        auto manager = newManager();
        const RootNode::Ptr root = addSource(*manager, "");
        QVERIFY(waitForScanQueue());
        const QList<MyTreeNode::Ptr> files = root->allFiles().toList();
        const MyTreeNode::Ptr lonely = *std::find_if(
            files.begin(), files.end(), [](const auto &n) { return n->FileURL().fileName() == "lonely"; });
        const MyTreeNode::Ptr one = *std::find_if(
            files.begin(), files.end(), [](const auto &n) { return n->FileURL().fileName() == "one"; });
        bool first = false, second = false, third = false;
        SourceNodeManager::scanQueue().async([&] {
            first = manager->removeTreeNode(one);
            second = manager->removeTreeNode(one);
            third = manager->removeTreeNode(lonely);
        });
        QVERIFY(waitForScanQueue());
        QVERIFY(first && !second && third);
        QCOMPARE(one->rootNode(), root); // kept for putting the file back
        QVERIFY(!one->dupGroup());
        QCOMPARE(root->totalFileNumber(), 1);
        QCOMPARE(root->totalFileSize(), 2);
        manager->syncAllSatus();
        QCOMPARE(manager->totalDupGroupNumber(), 0);
        // The emptied group left its bucket; the remaining one-member group stays.
        const auto &bucket = manager->dupGroups()[SourceNodeManager::bucketIndexForSize(2)];
        QCOMPARE(bucket.size(), 1);
        QCOMPARE(manager->dupGroups()[SourceNodeManager::bucketIndexForSize(6)].size(), 0);
    }

    void specialFilesAndLinksAreSkipped()
    {
        write("empty-a", "");
        write("empty-b", "");
        QCOMPARE(::mkfifo(path("pipe").c_str(), 0644), 0);
        TestFs::makeSymlink("empty-a", path("link-to-empty"));
        TestFs::makeDir(path("dir"));
        TestFs::makeSymlink("..", path("dir/loop"));
        auto manager = newManager();
        const RootNode::Ptr root = addSource(*manager, "");
        QVERIFY(waitForScanQueue());
        QCOMPARE(root->totalFileNumber(), 2);
        QCOMPARE(shownGroups(*manager),
                 QList<QSet<QByteArray>>({{path("empty-a").path(), path("empty-b").path()}}));
    }
};

TWINSIFT_TEST_MAIN(TestScanning, QCoreApplication)
#include "tst_scanning.moc"
