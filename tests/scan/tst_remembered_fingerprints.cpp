// Scans with the fingerprint cache: what it remembers answers the next scan instead of the files, a
// file changed in any way that matters is read again, and a cache file that cannot be trusted is said
// once while the scan reads the files.
#include "ScanTestSupport.h"

#include "fs/FileManagerProxy.h"
#include "fs/FingerprintCache.h"
#include "scan/ManagerCore.h"
#include "support/TestSupport.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

using Key = FingerprintCache::Key;

Key keyOf(const Url &url, qint64 level)
{
    int error = 0;
    return *Key::of(*queryAttributes(AT_FDCWD, url.c_str(), &error), level);
}

} // namespace

class TestRememberedFingerprints : public QObject
{
    Q_OBJECT

    std::unique_ptr<TemporaryTree> m_dir;

    Url path(const QByteArray &name) const { return m_dir->url().child(name); }
    QByteArray cachePath() const { return m_dir->url().path() + "/cache/fingerprints"; }

    // A cache that records what was read a moment ago: its clock runs an hour ahead, past the wait
    // that keeps fingerprints of files still being written out of it.
    std::unique_ptr<FingerprintCache> cache() const
    {
        return std::make_unique<FingerprintCache>(
            cachePath(), [] { return FingerprintCache::systemTime() + 3'600'000'000'000; });
    }

    // The groups of duplicates a scan of the tree finds, by file names; with the cache when given.
    using Groups = QSet<QSet<QByteArray>>;
    Groups scan(std::unique_ptr<FingerprintCache> cache, SourceNodeManager **kept = nullptr)
    {
        ScanRules rules;
        rules.usesFingerprintCache = cache != nullptr;
        auto manager = std::make_unique<SourceNodeManager>(rules);
        if (cache)
            manager->core()->setFingerprintCache(std::move(cache));
        manager->addRootNode(RootNode::initWithPath(m_dir->url().child("tree").path()));
        if (!waitForScanQueue())
            return {};
        Groups groups;
        for (const DupGroup::Ptr &group : manager->summary().shown) {
            QSet<QByteArray> names;
            for (const MyTreeNode::Ptr &node : group->childs())
                names << node->FileURL().fileName();
            groups << names;
        }
        if (kept)
            *kept = manager.release();
        return groups;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<TemporaryTree>();
        // Small files, read whole, and large ones, read by samples first.
        TestFs::writeFile(path("tree/a"), "1234");
        TestFs::writeFile(path("tree/b"), "1234");
        TestFs::writeFile(path("tree/large-a"), QByteArray(100'000, 'x'));
        TestFs::writeFile(path("tree/large-b"), QByteArray(100'000, 'x'));
        TestFs::writeFile(path("tree/kept-a"), "kept");
        TestFs::writeFile(path("tree/kept-b"), "kept");
    }

    void aChangedFileIsReadAgain_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("replaced");
        // Rewritten in place, its size and modification time put back: only its change time tells.
        QTest::addRow("small, rewritten") << QByteArray("b") << false;
        QTest::addRow("large, rewritten") << QByteArray("large-b") << false;
        // Another file renamed over it, with the same size and modification time: another inode.
        QTest::addRow("small, replaced") << QByteArray("b") << true;
        QTest::addRow("large, replaced") << QByteArray("large-b") << true;
    }

    void aChangedFileIsReadAgain()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, replaced);
        const Groups all = {{"a", "b"}, {"kept-a", "kept-b"}, {"large-a", "large-b"}};
        QCOMPARE(scan(cache()), all);
        auto filled = cache();
        QVERIFY(!filled->load() && filled->count() >= 6);

        const Url changed = path("tree/" + file);
        const Key before = keyOf(changed, 0);
        TestFs::letChangeTimeAdvance(changed);
        QByteArray content = TestFs::readFile(changed);
        content[content.size() / 2] = '!';
        const Url written = replaced ? path("new") : changed;
        TestFs::writeFile(written, content);
        TestFs::setModificationTime(written, before.modificationNanoseconds);
        if (replaced)
            QCOMPARE(::rename(written.c_str(), changed.c_str()), 0);
        const Key after = keyOf(changed, 0);
        QCOMPARE(after.size, before.size);
        QCOMPARE(after.modificationNanoseconds, before.modificationNanoseconds);

        Groups expected = all;
        expected.removeIf([&](const QSet<QByteArray> &names) { return names.contains(file); });
        QCOMPARE(scan(cache()), expected);
        QCOMPARE(scan(nullptr), expected);
    }

    void whatTheCacheHoldsIsNotRead()
    {
        // The cache says b holds what a holds; only a scan that reads b finds it does not.
        TestFs::writeFile(path("tree/b"), "5678");
        auto madeUp = cache();
        const auto contentOfA = FileManagerProxy::sharedInstance().fileMD5_withLevel(path("tree/a"), 0);
        madeUp->record(keyOf(path("tree/b"), 0), {*contentOfA, true}, madeUp->now());
        QVERIFY(!madeUp->save());
        QVERIFY(scan(cache()).contains(QSet<QByteArray>{"a", "b"}));
        QVERIFY(!scan(nullptr).contains(QSet<QByteArray>{"a", "b"}));
    }

    void anUntrustedCacheIsSaidOnceAndReplaced()
    {
        QDir().mkpath(QString::fromUtf8(path("cache").path()));
        QFile damaged(QString::fromUtf8(cachePath()));
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write("TSFPCACH and then nothing useful") > 0);
        damaged.close();

        SourceNodeManager *engine = nullptr;
        QCOMPARE(scan(cache(), &engine).size(), 3);
        std::unique_ptr<SourceNodeManager> manager(engine);
        QVERIFY(manager->fingerprintCacheWarning() &&
                manager->fingerprintCacheWarning()->contains("fingerprint"));
        QCOMPARE(manager->statBarString(), *manager->fingerprintCacheWarning());
        // Said once: the next scan of the same engine ends as usual.
        manager->rescanAllRootNodes();
        QVERIFY(waitForScanQueue());
        QCOMPARE(manager->statBarString(), QStringLiteral(" "));
        auto saved = cache();
        QVERIFY(!saved->load() && saved->count() >= 6);
    }
};

TWINSIFT_TEST_MAIN(TestRememberedFingerprints, QCoreApplication)
#include "tst_remembered_fingerprints.moc"
