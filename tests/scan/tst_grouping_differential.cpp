// The indexed offer of files to groups must give exactly what offering each file to every group of
// its size bucket in turn gives: the same groups, members, order and stored fingerprints. Both run
// here side by side on randomized trees.
#include "app/ApplicationLifecycle.h"
#include "fs/FileManagerProxy.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"
#include "scan/CustomRuleController.h"
#include "scan/SourceNodeManager.h"
#include "support/TestSupport.h"

#include <QRandomGenerator>

#include <unistd.h>

namespace {

// The manager as the scan drives it, with the walk's set-up open to the test.
class IndexedManager : public SourceNodeManager
{
public:
    using SourceNodeManager::fillBucketTableIfEmpty;
};

// Offers each file to every group of its bucket in bucket order until one accepts it.
class SequentialOfferManager : public IndexedManager
{
protected:
    void placeInGroup(const MyTreeNode::Ptr &node) override
    {
        const qsizetype bucketIndex = bucketIndexForSize(node->FileSize());
        const Bucket bucket = dupGroups()[bucketIndex];
        for (const DupGroup::Ptr &group : bucket) {
            if (group->addChild(node))
                return;
        }
        const DupGroup::Ptr group = DupGroup::init();
        group->addChild(node);
        appendGroupToBucket(group, bucketIndex);
    }
};

QString describe(const std::optional<QString> &text)
{
    return text ? QLatin1Char('"') + *text + QLatin1Char('"') : QStringLiteral("none");
}

// Everything the grouping decides, as text, so that two runs can be compared line by line.
QStringList snapshot(const SourceNodeManager &manager, const QList<RootNode::Ptr> &roots)
{
    QStringList lines;
    QHash<const DupGroup *, int> groupNumbers;
    for (qsizetype b = 0; b < manager.dupGroups().size(); ++b) {
        for (const DupGroup::Ptr &group : manager.dupGroups()[b]) {
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

// Nodes of the whole tree, listed once, so the walk meets the same nodes even after the files
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

} // namespace

class TestGroupingDifferential : public QObject
{
    Q_OBJECT

    CustomRuleController m_rules;

    // Writes a tree whose files share few sizes and, within a size, few contents: alike, alike in
    // every sampled stretch but not in between, empty, packages, hard links, and names that are
    // not UTF-8.
    static QList<Url> makeTree(const Url &root, QRandomGenerator &random)
    {
        const QList<qint64> sizes = {0, 1, 100, 4096, 4097, 5000, 8292, 8192 + 4097, 40000};
        QList<Url> files;
        const int folderCount = 2 + random.bounded(4);
        QList<Url> folders{root};
        for (int f = 0; f < folderCount; ++f) {
            const Url parent = folders[random.bounded(folders.size())];
            const Url folder =
                parent.child(random.bounded(4) == 0 ? QByteArray("dir\xe9") + QByteArray::number(f)
                                                    : "dir" + QByteArray::number(f));
            TestFs::makeDir(folder);
            folders << folder;
        }
        const int fileCount = 30 + random.bounded(60);
        for (int i = 0; i < fileCount; ++i) {
            const Url folder = folders[random.bounded(folders.size())];
            const qint64 size = sizes[random.bounded(sizes.size())];
            const int variant = random.bounded(4);
            QByteArray content(size, char('a' + variant % 2));
            if (variant >= 2 && size > 12)
                content[size / 3 + 7] = 'M'; // between the sampled stretches
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

private Q_SLOTS:
    void initTestCase()
    {
        ApplicationLifecycle::registerDefaultsAndTransformers();
        UserDefaults::standard().setVolatile(false, SettingsKeys::createThumbnail);
    }

    void sameResultAsTheSequentialOffer_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 40; ++seed)
            QTest::addRow("seed %u", seed) << seed;
    }

    void sameResultAsTheSequentialOffer()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        TemporaryTree dir;
        const Url base = dir.url();
        const QList<Url> files = makeTree(base, random);

        // Sources: the whole tree, sometimes again one of its folders (overlap), sometimes a
        // second scan with other fast-scan settings so stored precise fingerprints meet another level.
        QList<Url> sourceUrls{base};
        if (random.bounded(2) == 0) {
            const auto children =
                FileManagerProxy::sharedInstance().getContentsOfDirecotry_skipHidden(base, false);
            for (const Url &child : children.value_or(QList<Url>())) {
                if (FileManagerProxy::sharedInstance().isFolder(child)) {
                    sourceUrls << child;
                    break;
                }
            }
        }
        const bool changeLevelBetweenScans = random.bounded(3) == 0;

        SequentialOfferManager sequential;
        IndexedManager indexed;
        QList<MyTreeNode::Ptr> sequentialTrees, indexedTrees;
        for (const Url &url : sourceUrls) {
            sequentialTrees << prebuiltTree(url);
            indexedTrees << prebuiltTree(url);
        }
        // Some files vanish after they were listed: they cannot be read when compared.
        for (const Url &file : files) {
            if (random.bounded(15) == 0)
                ::unlink(file.c_str());
        }

        QList<RootNode::Ptr> sequentialRoots, indexedRoots;
        for (qsizetype i = 0; i < sourceUrls.size(); ++i) {
            if (i == 1 && changeLevelBetweenScans)
                UserDefaults::standard().setVolatile(qint64(0), SettingsKeys::fastScanSize);
            for (auto [manager, tree, roots] : {std::tuple{static_cast<IndexedManager *>(&sequential),
                                                           sequentialTrees[i], &sequentialRoots},
                                                std::tuple{&indexed, indexedTrees[i], &indexedRoots}}) {
                manager->setRuleController(&m_rules);
                const RootNode::Ptr root = RootNode::initWithPath(sourceUrls[i].path());
                roots->append(root);
                manager->rootController().addObject(root);
                manager->fillBucketTableIfEmpty();
                manager->addNewTreeNode_inRootNode(tree, root);
            }
        }
        UserDefaults::standard().setVolatile(qint64(20), SettingsKeys::fastScanSize);

        const QStringList expected = snapshot(sequential, sequentialRoots);
        const QStringList actual = snapshot(indexed, indexedRoots);
        QCOMPARE(actual.size(), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i)
            QCOMPARE(actual[i], expected[i]);
        QVERIFY(expected.size() > sourceUrls.size());

        // Taking files out must leave both the same as well, and later files still group alike.
        for (auto [manager, roots] : {std::pair{static_cast<IndexedManager *>(&sequential), &sequentialRoots},
                                      std::pair{&indexed, &indexedRoots}}) {
            QRandomGenerator removal(seed);
            for (const MyTreeNode::Ptr &node : roots->first()->allFiles().toList()) {
                if (removal.bounded(3) == 0)
                    manager->removeTreeNode(node);
            }
            const RootNode::Ptr again = RootNode::initWithPath(base.path());
            roots->append(again);
            manager->rootController().addObject(again);
            manager->addNewTreeNode_inRootNode(prebuiltTree(base), again);
        }
        QCOMPARE(snapshot(indexed, indexedRoots), snapshot(sequential, sequentialRoots));
    }

    void prefetchGivesWhatReadingOnDemandGives_data() { sameResultAsTheSequentialOffer_data(); }

    // The scan reads ahead the fingerprints the grouping will ask for. Taking the walk's files in one
    // by one, each fingerprint read only when asked for, must end in the same groups and the same
    // stored fingerprints: none more, none fewer. A second source of other files meets the groups
    // of the first, as any later stretch of a walk does.
    void prefetchGivesWhatReadingOnDemandGives()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        TemporaryTree dir;
        const QList<Url> sourceUrls{dir.url().child("one"), dir.url().child("two")};
        QList<Url> files;
        for (const Url &source : sourceUrls) {
            TestFs::makeDir(source);
            files += makeTree(source, random);
        }
        if (random.bounded(2) == 0)
            UserDefaults::standard().setVolatile(qint64(0), SettingsKeys::fastScanSize);
        QList<MyTreeNode::Ptr> prefetchedTrees, onDemandTrees;
        for (const Url &source : sourceUrls) {
            prefetchedTrees << prebuiltTree(source);
            onDemandTrees << prebuiltTree(source);
        }
        for (const Url &file : std::as_const(files)) {
            if (random.bounded(15) == 0)
                ::unlink(file.c_str());
        }

        IndexedManager prefetched, onDemand;
        QList<RootNode::Ptr> prefetchedRoots, onDemandRoots;
        for (qsizetype i = 0; i < sourceUrls.size(); ++i) {
            for (IndexedManager *manager : {&prefetched, &onDemand}) {
                manager->setRuleController(&m_rules);
                manager->fillBucketTableIfEmpty();
                const RootNode::Ptr root = RootNode::initWithPath(sourceUrls[i].path());
                manager->rootController().addObject(root);
                (manager == &prefetched ? prefetchedRoots : onDemandRoots) << root;
            }
            prefetched.addNewTreeNode_inRootNode(prefetchedTrees[i], prefetchedRoots.last());
            QList<MyTreeNode::Ptr> pending{onDemandTrees[i]};
            while (!pending.isEmpty()) {
                const MyTreeNode::Ptr node = pending.takeFirst();
                if (const auto children = node->Childs()) {
                    pending = *children + pending;
                    continue;
                }
                if (!m_rules.isToScan(node))
                    continue;
                if (node->isDir())
                    node->setFileSize(FileManagerProxy::sharedInstance().getDirectorySize(node->FileURL()));
                onDemand.addTreeNode_toRootNode(node, onDemandRoots.last());
            }
        }
        UserDefaults::standard().setVolatile(qint64(20), SettingsKeys::fastScanSize);

        const QStringList expected = snapshot(onDemand, onDemandRoots);
        const QStringList actual = snapshot(prefetched, prefetchedRoots);
        QCOMPARE(actual.size(), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i)
            QCOMPARE(actual[i], expected[i]);
    }
};

TWINSIFT_TEST_MAIN(TestGroupingDifferential, QCoreApplication)
#include "tst_grouping_differential.moc"
