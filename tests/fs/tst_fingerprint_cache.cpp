// The fingerprint cache: what it keeps survives a save and a load, a change to a file makes its entry
// miss, a cache file that cannot be trusted is refused with a warning, and two saves at once leave a
// whole cache.
#include "fs/Directory.h"
#include "fs/FingerprintCache.h"
#include "support/TestSupport.h"

#include <QFile>

#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Key = FingerprintCache::Key;
using Fingerprint = FingerprintCache::Fingerprint;

constexpr qint64 day = 86'400'000'000'000;
const QString digestA = QStringLiteral("F4C0128178A6A21B7A3DD76729725D91");
const QString digestB = QStringLiteral("0123456789ABCDEF0123456789ABCDEF");

Key keyOf(const Url &url, qint64 level)
{
    int error = 0;
    return *Key::of(*queryAttributes(AT_FDCWD, url.c_str(), &error), level);
}

Key someKey(quint64 inode, qint64 change = 1'000)
{
    return Key{7, inode, 10, 500, change, 0};
}

// Records as if the attributes had been read long after the file last changed.
void remember(FingerprintCache &cache, const Key &key, const Fingerprint &fingerprint)
{
    cache.record(key, fingerprint, key.changeNanoseconds + FingerprintCache::settleNanoseconds);
}

bool holds(const FingerprintCache &cache, const Key &key, const QString &text)
{
    const auto found = cache.lookup(key);
    return found && found->text == text;
}

} // namespace

class TestFingerprintCache : public QObject
{
    Q_OBJECT

private:
    TemporaryTree m_tree;
    qint64 m_now = 20'000 * day;
    FingerprintCache::Clock clock()
    {
        return [this] { return m_now; };
    }
    QByteArray cachePath() const { return m_tree.url().path() + "/cache/twinsift/fingerprints"; }

private Q_SLOTS:
    void init()
    {
        QFile::remove(QFile::decodeName(cachePath()));
        m_now = 20'000 * day;
    }

    void whatIsRecordedSurvivesSaveAndLoad()
    {
        FingerprintCache cache(cachePath(), clock());
        QVERIFY(!cache.load()); // no file yet: empty, and nothing to warn of
        const QString twoChunks = digestA + digestB;
        remember(cache, someKey(1), {digestA, true});
        remember(cache, someKey(2), {twoChunks, false});
        remember(cache, someKey(3), {QStringLiteral(""), true});
        // Only digest texts are kept, and nothing about a file that changed just before it was looked at.
        remember(cache, someKey(4), {QStringLiteral("not a digest"), false});
        remember(cache, someKey(5), {digestA.toLower(), false});
        cache.record(someKey(6), {digestA, false}, someKey(6).changeNanoseconds + 1'000'000);
        QCOMPARE(cache.save(), MaybeError());

        FingerprintCache loaded(cachePath(), clock());
        QCOMPARE(loaded.load(), std::optional<QString>());
        QCOMPARE(loaded.count(), 3);
        const auto whole = loaded.lookup(someKey(1));
        QVERIFY(whole && whole->text == digestA && whole->isWholeContent);
        const auto sampled = loaded.lookup(someKey(2));
        QVERIFY(sampled && sampled->text == twoChunks && !sampled->isWholeContent);
        QVERIFY(holds(loaded, someKey(3), QStringLiteral("")));
    }

    void commitsKeepEveryEntryFindable()
    {
        // Each commit's entries fall between those of the commits before.
        FingerprintCache cache(cachePath(), clock());
        for (const QList<quint64> &inodes : {QList<quint64>{5, 1, 3}, {4, 2}, {6, 0}}) {
            for (const quint64 inode : inodes)
                remember(cache, someKey(inode), {inode % 2 ? digestA : digestB, false});
            cache.commit();
        }
        QCOMPARE(cache.count(), 7);
        for (quint64 inode = 0; inode < 7; ++inode)
            QVERIFY2(holds(cache, someKey(inode), inode % 2 ? digestA : digestB),
                     qPrintable(QString::number(inode)));
    }

    void everyFieldOfTheKeyTells_data()
    {
        QTest::addColumn<int>("field");
        const char *fields[] = {"device", "inode", "size", "modification time", "change time", "level"};
        for (int field = 0; field < 6; ++field)
            QTest::newRow(fields[field]) << field;
    }

    void everyFieldOfTheKeyTells()
    {
        QFETCH(int, field);
        const std::function<void(Key &)> change[] = {
            [](Key &key) { ++key.device; },
            [](Key &key) { ++key.inode; },
            [](Key &key) { ++key.size; },
            [](Key &key) { ++key.modificationNanoseconds; },
            [](Key &key) { ++key.changeNanoseconds; },
            [](Key &key) { ++key.level; },
        };
        FingerprintCache cache(cachePath(), clock());
        remember(cache, someKey(1), {digestA, false});
        cache.commit();
        Key other = someKey(1);
        change[field](other);
        QVERIFY(holds(cache, someKey(1), digestA));
        QVERIFY(!cache.lookup(other));
    }

    void aChangedFileMisses_data()
    {
        QTest::addColumn<QByteArray>("change");
        for (const char *change : {"none", "rewritten, size and time restored", "touched", "renamed over"})
            QTest::newRow(change) << QByteArray(change);
    }

    void aChangedFileMisses()
    {
        QFETCH(QByteArray, change);
        const Url file = m_tree.file("file", "first content");
        const Key before = keyOf(file, 0);
        FingerprintCache cache(cachePath(), clock());
        remember(cache, before, {digestA, false});
        cache.commit();
        TestFs::letChangeTimeAdvance(file);
        if (change == "rewritten, size and time restored") {
            TestFs::writeFile(file, "other content");
            TestFs::setModificationTime(file, before.modificationNanoseconds);
        } else if (change == "touched") {
            TestFs::setModificationTime(file, before.modificationNanoseconds + 1'000'000'000);
        } else if (change == "renamed over") {
            const Url other = m_tree.file("other", "first content");
            TestFs::setModificationTime(other, before.modificationNanoseconds);
            QCOMPARE(::rename(other.c_str(), file.c_str()), 0);
        }
        const Key after = keyOf(file, 0);
        QCOMPARE(after.size, before.size);
        QCOMPARE(cache.lookup(after).has_value(), change == "none");
    }

    void aCacheFileThatCannotBeTrustedIsRefused_data()
    {
        QTest::addColumn<int>("cutTo");
        QTest::addColumn<int>("flipAt");
        QTest::addColumn<QString>("why");
        // A saved cache of two one-chunk entries: a header of 16 bytes, two of 64, a digest of 16.
        QTest::newRow("cut short by a byte") << 159 << -1 << "damaged";
        QTest::newRow("cut after the header") << 16 << -1 << "damaged";
        QTest::newRow("a byte of an entry changed") << -1 << 40 << "damaged";
        QTest::newRow("another version") << -1 << 8 << "another version";
        QTest::newRow("no cache at all") << -1 << 0 << "not a TwinSift";
        QTest::newRow("empty") << 0 << -1 << "not a TwinSift";
    }

    void aCacheFileThatCannotBeTrustedIsRefused()
    {
        QFETCH(int, cutTo);
        QFETCH(int, flipAt);
        QFETCH(QString, why);
        FingerprintCache cache(cachePath(), clock());
        remember(cache, someKey(1), {digestA, false});
        remember(cache, someKey(2), {digestB, false});
        QCOMPARE(cache.save(), MaybeError());
        const Url path = Url::fromPath(cachePath());
        QByteArray bytes = TestFs::readFile(path);
        QCOMPARE(bytes.size(), 160);
        if (cutTo >= 0)
            bytes.truncate(cutTo);
        if (flipAt >= 0)
            bytes[flipAt] = char(bytes[flipAt] ^ 1);
        TestFs::writeFile(path, bytes);

        FingerprintCache refused(cachePath(), clock());
        const auto warning = refused.load();
        QVERIFY2(warning && warning->contains(why), qPrintable(warning.value_or(QString())));
        QCOMPARE(refused.count(), 0);
        // A save replaces it with a whole cache again.
        remember(refused, someKey(3), {digestA, false});
        QCOMPARE(refused.save(), MaybeError());
        FingerprintCache again(cachePath(), clock());
        QVERIFY(!again.load());
        QCOMPARE(again.count(), 1);
    }

    void aSaveDropsWhatIsNoLongerKept()
    {
        FingerprintCache first(cachePath(), clock());
        remember(first, someKey(1), {digestA, false});
        remember(first, someKey(2), {digestA, false});
        // The same file at the same level, changed later: the earlier entry is of no more use.
        remember(first, someKey(3, 1'000), {digestA, false});
        remember(first, someKey(3, 2'000), {digestB, false});
        QCOMPARE(first.save(), MaybeError());

        m_now += 60 * day;
        FingerprintCache second(cachePath(), clock());
        QVERIFY(!second.load() && second.count() == 3);
        QVERIFY(holds(second, someKey(1), digestA));
        QVERIFY(holds(second, someKey(3, 2'000), digestB));
        QCOMPARE(second.save(), MaybeError());

        // Ninety-one days after the first, the entry not looked up since goes; the others were seen
        // 31 days ago.
        m_now += 31 * day;
        FingerprintCache third(cachePath(), clock());
        QVERIFY(!third.load() && third.count() == 3);
        QCOMPARE(third.save(), MaybeError());
        FingerprintCache last(cachePath(), clock());
        QVERIFY(!last.load());
        QCOMPARE(last.count(), 2);
        QVERIFY(!last.lookup(someKey(2)));
    }

    void theFileSystemServiceReadsOnlyWhatTheCacheLacks()
    {
        // By a clock a day ahead, the files just written count as settled.
        m_now = FingerprintCache::systemTime() + day;
        const Url small = m_tree.file("small", "abc"), large = m_tree.file("large", randomBytes(5000, 1));
        const auto always = [](qsizetype, bool) { return true; };
        int error = 0;
        const auto folder = Directory::open(m_tree.url(), &error);
        FingerprintCache cache(cachePath(), clock());
        const auto quick = fm().fileFingerprintIn(*folder, small, 0, std::nullopt, {}, &cache);
        QVERIFY(quick.text && quick.isWholeContent);
        const auto whole = fm().wholeContentFingerprints({large}, always, {}, {}, &cache)[0];
        cache.commit();
        const auto recorded = cache.lookup(keyOf(small, 0));
        QVERIFY(recorded && recorded->text == *quick.text && recorded->isWholeContent);
        QVERIFY(whole && holds(cache, keyOf(large, 2), *whole));

        // Entries made up for the files' keys show that what the cache holds is not read again.
        FingerprintCache madeUp(cachePath(), clock());
        remember(madeUp, keyOf(small, 1), {digestA, true});
        remember(madeUp, keyOf(large, 2), {digestB, true});
        madeUp.commit();
        QCOMPARE(fm().fileFingerprint(small, 1, std::nullopt, {}, &madeUp).text, digestA);
        QCOMPARE(fm().wholeContentFingerprints({large}, always, {}, {}, &madeUp)[0], digestB);
    }

    void twoSavesAtOnceLeaveAWholeCache()
    {
        FingerprintCache one(cachePath(), clock()), other(cachePath(), clock());
        QVERIFY(!one.load() && !other.load());
        remember(one, someKey(1), {digestA, false});
        remember(other, someKey(2), {digestB, false});
        // The other process saves between this one's writing and its rename.
        one.setBeforeRename([&] { QCOMPARE(other.save(), MaybeError()); });
        QCOMPARE(one.save(), MaybeError());
        FingerprintCache after(cachePath(), clock());
        QVERIFY(!after.load());
        QVERIFY(holds(after, someKey(1), digestA));
        // A save after the other's keeps what is on disk besides its own.
        remember(other, someKey(3), {digestA, false});
        other.setBeforeRename({});
        QCOMPARE(other.save(), MaybeError());
        FingerprintCache last(cachePath(), clock());
        QVERIFY(!last.load());
        QVERIFY(holds(last, someKey(1), digestA) && holds(last, someKey(2), digestB) &&
                holds(last, someKey(3), digestA));
        // No temporary file is left behind.
        QCOMPARE(TestFs::entries(Url::fromPath(cachePath()).parent()), QList<QByteArray>{"fingerprints"});
    }
};

TWINSIFT_TEST_MAIN(TestFingerprintCache, QCoreApplication)
#include "tst_fingerprint_cache.moc"
