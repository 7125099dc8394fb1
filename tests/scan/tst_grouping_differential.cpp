// A scan must group files exactly as the grouping rule states it: each file, in walk order, offered
// to every group of its size bucket in turn, each fingerprint read when a comparison asks for it. The
// scan gets there another way (an index of groups by size and quick fingerprint, stretches of the walk
// whose fingerprints are read ahead on every core, stops, member changes handed to the main thread);
// both run here side by side on randomized trees, and must agree on groups, members, order and stored
// fingerprints.
#include "ScanTestSupport.h"

#include "fs/FileManagerProxy.h"
#include "model/FingerprintSource.h"
#include "platform/StringTable.h"
#include "scan/CustomRuleController.h"
#include "scan/ScanProgress.h"
#include "support/TestSupport.h"

#include <QRandomGenerator>

#include <unistd.h>

namespace {

using Buckets = QList<QList<DupGroup::Ptr>>;

// The rule as it reads, with nothing read ahead and no index.
class SequentialReference
{
public:
    Buckets buckets = Buckets(SourceNodeManager::bucketCount);
    ScanRules rules;

    // Takes in the files below the node in walk order, at most limit of them.
    void walk(const MyTreeNode::Ptr &node, const RootNode::Ptr &root, qsizetype &limit)
    {
        if (const auto children = node->Childs()) {
            for (const MyTreeNode::Ptr &child : *children)
                walk(child, root, limit);
            return;
        }
        if (limit == 0 || !CustomRuleController(rules).isToScan(*node))
            return;
        if (node->isDir())
            node->setFileSize(FileManagerProxy::sharedInstance().getDirectorySize(node->FileURL()));
        --limit;
        node->setRootNode(root);
        root->allFiles().append(node);
        root->setTotalFileNumber(root->totalFileNumber() + 1);
        root->setTotalFileSize(root->totalFileSize() + node->FileSize());
        place(node);
    }

    void remove(const MyTreeNode::Ptr &node)
    {
        const RootNode::Ptr root = node->rootNode();
        if (!root || !root->allFiles().remove(node.get()))
            return;
        root->setTotalFileNumber(root->totalFileNumber() - 1);
        root->setTotalFileSize(root->totalFileSize() - node->FileSize());
        const DupGroup::Ptr group = node->dupGroup();
        if (!group)
            return;
        group->delChild(node);
        if (group->fileNumber() == 0)
            buckets[SourceNodeManager::bucketIndexForSize(node->FileSize())].removeOne(group);
        // With the member gone, the files refused as the same file as it may belong after all.
        for (const MyTreeNode::Ptr &refused : group->takeSameFileNodes()) {
            if (refused->rootNode() && refused->rootNode()->allFiles().contains(refused.get()))
                place(refused);
        }
    }

private:
    void place(const MyTreeNode::Ptr &node)
    {
        FingerprintSource reads(rules.preciseLevel);
        QList<DupGroup::Ptr> &bucket = buckets[SourceNodeManager::bucketIndexForSize(node->FileSize())];
        for (const DupGroup::Ptr &group : bucket) {
            if (group->addChild(node, reads) != DupGroup::AddResult::Refused)
                return;
        }
        const DupGroup::Ptr group = DupGroup::init();
        group->addChild(node, reads);
        bucket.append(group);
    }
};

// Stops the scan of a source once it has taken in a given number of files.
class StopAfter : public ScanProgress
{
public:
    explicit StopAfter(qsizetype files) : m_left(files) {}
    void fileTakenIn(const RootNode &root, const MyTreeNode &) override
    {
        if (--m_left == 0)
            const_cast<RootNode &>(root).setIsFinished(true);
    }

private:
    qsizetype m_left;
};

QString describe(const std::optional<QString> &text)
{
    return text ? QLatin1Char('"') + *text + QLatin1Char('"') : QStringLiteral("none");
}

// Everything the grouping decided, as text, so that two runs can be compared line by line. Emptied
// groups that the scan has not dropped from their bucket yet are left out.
QStringList snapshot(const Buckets &buckets, const QList<RootNode::Ptr> &roots)
{
    QStringList lines;
    QHash<const DupGroup *, int> groupNumbers;
    for (qsizetype b = 0; b < buckets.size(); ++b) {
        for (const DupGroup::Ptr &group : buckets[b]) {
            if (group->fileNumber() == 0)
                continue;
            const int number = int(groupNumbers.size());
            groupNumbers.insert(group.get(), number);
            QStringList members;
            for (const MyTreeNode::Ptr &node : group->childs())
                members << node->FileURL().escapedPath();
            lines << QStringLiteral("bucket %1 group %2 size %3 n %4 quick %5 precise %6 exts %7 members %8")
                         .arg(b)
                         .arg(number)
                         .arg(group->fileSize())
                         .arg(group->fileNumber())
                         .arg(describe(group->fileMD5()), describe(group->preciseFileMD5()),
                              group->allFileExt().join(QLatin1Char(',')), members.join(QLatin1Char('|')));
        }
    }
    for (const RootNode::Ptr &root : roots) {
        lines << QStringLiteral("source %1 files %2 bytes %3")
                     .arg(QString::fromUtf8(root->rootPath()))
                     .arg(root->totalFileNumber())
                     .arg(root->totalFileSize());
        for (const MyTreeNode::Ptr &node : root->allFiles().toList()) {
            const DupGroup::Ptr group = node->dupGroup();
            lines << QStringLiteral("  file %1 quick %2 precise %3 group %4")
                         .arg(node->FileURL().escapedPath(), describe(node->fileMD5()),
                              describe(node->preciseFileMD5()))
                         .arg(group ? groupNumbers.value(group.get(), -2) : -1);
        }
    }
    return lines;
}

// Nodes of the whole tree, listed once, so that both sides meet the same nodes even after the files
// behind some of them are gone.
MyTreeNode::Ptr prebuiltTree(const Url &url)
{
    MyTreeNode::Ptr top = MyTreeNode::initWithURL(url);
    QList<MyTreeNode::Ptr> pending{top};
    while (!pending.isEmpty()) {
        const MyTreeNode::Ptr node = pending.takeLast();
        if (const auto children = node->Childs())
            pending.append(*children);
    }
    return top;
}

// The files below a node that a scan with the registered defaults takes in.
qsizetype fileCountOf(const MyTreeNode::Ptr &node)
{
    const auto children = node->Childs();
    if (!children)
        return 1;
    qsizetype count = 0;
    for (const MyTreeNode::Ptr &child : *children)
        count += fileCountOf(child);
    return count;
}

} // namespace

class TestGroupingDifferential : public QObject
{
    Q_OBJECT

    // Writes a tree whose files share few sizes and, within a size, few contents: alike, alike in
    // every sampled stretch but not in between, empty, packages, hard links, and names that are not
    // UTF-8. A large tree spans several stretches of the walk and holds groups of many members.
    static QList<Url> makeTree(const Url &root, QRandomGenerator &random, int fileCount)
    {
        const QList<qint64> sizes = {0, 1, 100, 4096, 4097, 5000, 8292, 8192 + 4097, 40000};
        QList<Url> files;
        QList<Url> folders{root};
        for (int f = 0, folderCount = 2 + random.bounded(4) + fileCount / 500; f < folderCount; ++f) {
            const Url parent = folders[random.bounded(folders.size())];
            const Url folder =
                parent.child(random.bounded(4) == 0 ? QByteArray("dir\xe9") + QByteArray::number(f)
                                                    : "dir" + QByteArray::number(f));
            TestFs::makeDir(folder);
            folders << folder;
        }
        for (int i = 0; i < fileCount; ++i) {
            const Url folder = folders[random.bounded(folders.size())];
            const qint64 size = sizes[random.bounded(sizes.size())];
            const int variant = random.bounded(4);
            QByteArray content(size, char('a' + variant % 2));
            if (variant >= 2 && size > 12)
                content[size / 3 + 7] = 'M'; // between the sampled stretches
            if (fileCount > 1000 && random.bounded(3) == 0 && size >= 8)
                content.replace(0, 4, QByteArray::number(1000 + random.bounded(fileCount / 40)));
            const QByteArray name = (random.bounded(5) == 0 ? QByteArray("f\xff") : QByteArray("f")) +
                                    QByteArray::number(i) + (random.bounded(3) == 0 ? ".TXT" : ".bin");
            const Url url = folder.child(name);
            if (!files.isEmpty() && random.bounded(10) == 0) {
                if (::link(files[random.bounded(files.size())].c_str(), url.c_str()) == 0)
                    files << url;
                continue;
            }
            if (random.bounded(12) == 0) {
                const Url package = folder.child("P" + QByteArray::number(i) + ".app");
                TestFs::makeDir(package);
                TestFs::writeFile(package.child("a"), content);
                TestFs::writeFile(package.child(".DS_Store"), QByteArray::number(i));
                files << package.child("a");
                continue;
            }
            TestFs::writeFile(url, content);
            files << url;
        }
        return files;
    }

    static void runOnScanQueue(const std::function<void()> &work)
    {
        SourceNodeManager::scanQueue().async(work);
        QVERIFY(waitForScanQueue());
    }

private Q_SLOTS:
    void initTestCase() { StringTable::install(); }

    void sameGroupsAsTheRule_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("fileCount");
        // Where the scan of the first source is stopped: after that many files, or never (0).
        QTest::addColumn<int>("stopAt");
        for (quint32 seed = 1; seed <= 40; ++seed)
            QTest::addRow("seed %u", seed) << seed << int(30 + seed % 60) << int(seed % 4 == 0 ? seed : 0);
        const int stretch = SourceNodeManager::filesPerStretch;
        QTest::addRow("several stretches") << 41u << 6000 << 0;
        QTest::addRow("stopped in the first stretch") << 42u << 6000 << 100;
        QTest::addRow("stopped in the second stretch") << 43u << 6000 << stretch + 1;
    }

    void sameGroupsAsTheRule()
    {
        QFETCH(quint32, seed);
        QFETCH(int, fileCount);
        QFETCH(int, stopAt);
        QRandomGenerator random(seed);
        TemporaryTree dir;
        // Two sources of other files, the second meeting the groups of the first as any later stretch
        // does; sometimes a third that overlaps the first, or other fast-scan settings for the second,
        // so that stored precise fingerprints meet another level.
        QList<Url> sourceUrls{dir.url().child("one"), dir.url().child("two")};
        QList<Url> files;
        for (const Url &source : sourceUrls) {
            TestFs::makeDir(source);
            files += makeTree(source, random, fileCount / 2);
        }
        if (random.bounded(2) == 0) {
            const FileManagerProxy &fm = FileManagerProxy::sharedInstance();
            const auto children = fm.getContentsOfDirecotry_skipHidden(sourceUrls.first(), false);
            for (const Url &child : children.value_or(QList<Url>())) {
                if (fm.isFolder(child)) {
                    sourceUrls << child;
                    break;
                }
            }
        }
        const bool changeLevelBetweenScans = random.bounded(3) == 0;

        QList<MyTreeNode::Ptr> referenceTrees, scannedTrees;
        for (const Url &url : sourceUrls) {
            referenceTrees << prebuiltTree(url);
            scannedTrees << prebuiltTree(url);
        }
        // Some files vanish after they were listed: they cannot be read when compared. (Not with a
        // stop: a file that cannot be read ends what a stopped scan takes in.)
        for (const Url &file : std::as_const(files)) {
            if (stopAt == 0 && random.bounded(15) == 0)
                ::unlink(file.c_str());
        }

        SequentialReference reference;
        reference.rules.thumbnails = false;
        SourceNodeManager manager(reference.rules);
        QList<RootNode::Ptr> referenceRoots, scannedRoots;
        for (qsizetype i = 0; i < sourceUrls.size(); ++i) {
            if (i == 1 && changeLevelBetweenScans) {
                reference.rules.preciseLevel = PreciseLevel(true, 0);
                manager.setScanRules(reference.rules);
            }
            if (i == 0 && stopAt > 0)
                manager.setScanProgress(std::make_shared<StopAfter>(stopAt));
            const RootNode::Ptr scanned = RootNode::initWithPath(sourceUrls[i].path());
            scannedRoots << scanned;
            manager.rootController().addObject(scanned);
            runOnScanQueue([&] { manager.addNewTreeNode_inRootNode(scannedTrees[i], scanned); });
            manager.setScanProgress(nullptr);
            // The groups shown from now on change their members on the main thread.
            manager.syncAllSatus();

            const RootNode::Ptr root = RootNode::initWithPath(sourceUrls[i].path());
            referenceRoots << root;
            qsizetype limit = i == 0 && stopAt > 0 ? scanned->totalFileNumber() : -1;
            reference.walk(referenceTrees[i], root, limit);
        }
        if (stopAt > 0) {
            // Stopped while taking a stretch in, the scan finished that stretch and took no more.
            const qsizetype stretch = SourceNodeManager::filesPerStretch;
            const qsizetype listed = fileCountOf(referenceTrees.first());
            QCOMPARE(scannedRoots.first()->totalFileNumber(),
                     std::min(listed, (stopAt + stretch - 1) / stretch * stretch));
        }
        QCOMPARE(snapshot(manager.dupGroups(), scannedRoots), snapshot(reference.buckets, referenceRoots));

        // Taking files out leaves both the same as well, and later files still group alike.
        QRandomGenerator removal(seed);
        QList<MyTreeNode::Ptr> scannedRemoved, referenceRemoved;
        const QList<MyTreeNode::Ptr> scannedFiles = scannedRoots.first()->allFiles().toList();
        const QList<MyTreeNode::Ptr> referenceFiles = referenceRoots.first()->allFiles().toList();
        for (qsizetype f = 0; f < scannedFiles.size(); ++f) {
            if (removal.bounded(3) == 0) {
                scannedRemoved << scannedFiles[f];
                referenceRemoved << referenceFiles[f];
            }
        }
        runOnScanQueue([&] {
            for (const MyTreeNode::Ptr &node : std::as_const(scannedRemoved))
                manager.removeTreeNode(node);
        });
        for (const MyTreeNode::Ptr &node : std::as_const(referenceRemoved))
            reference.remove(node);
        manager.syncAllSatus();
        const RootNode::Ptr again = RootNode::initWithPath(sourceUrls.first().path());
        scannedRoots << again;
        manager.rootController().addObject(again);
        runOnScanQueue([&] { manager.addNewTreeNode_inRootNode(prebuiltTree(sourceUrls.first()), again); });
        referenceRoots << RootNode::initWithPath(sourceUrls.first().path());
        qsizetype all = -1;
        reference.walk(prebuiltTree(sourceUrls.first()), referenceRoots.last(), all);
        QCOMPARE(snapshot(manager.dupGroups(), scannedRoots), snapshot(reference.buckets, referenceRoots));

        for (const RootNode::Ptr &root : std::as_const(referenceRoots)) {
            for (const MyTreeNode::Ptr &node : root->allFiles().toList())
                node->setRootNode(nullptr);
        }
        for (const auto &bucket : std::as_const(reference.buckets)) {
            for (const DupGroup::Ptr &group : bucket) {
                for (const MyTreeNode::Ptr &node : group->childs())
                    node->setDupGroup(nullptr);
            }
        }
    }
};

TWINSIFT_TEST_MAIN(TestGroupingDifferential, QCoreApplication)
#include "tst_grouping_differential.moc"
