// What the fingerprint texts are is checked against an independent reference through the command line
// (tests/cli). Here: what only the library shows. Nothing but regular files is opened and no link is
// followed, not even one swapped in while a file is read; a listed identity is held to; a stop ends long
// reads within a few of them; the read-ahead lanes give the texts one file at a time gives.
#include "fs/Directory.h"
#include "fs/FileManagerProxy.h"
#include "fs/ReadFailures.h"
#include "fs/ReadHandle.h"
#include "fs/ReadMeter.h"
#include "support/TestSupport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <limits>
#include <thread>

namespace {

FileId idOf(const Url &url)
{
    return fm().attributesOfItemAtURL(url)->id();
}

// Counts the read failures reported while it lives.
class FailureCount
{
public:
    FailureCount()
    {
        ReadFailures::setObserver([this](const Url &, const QString &) { ++m_count; });
    }
    ~FailureCount() { ReadFailures::setObserver({}); }
    int count() const { return m_count; }

private:
    std::atomic<int> m_count{0};
};

} // namespace

class TestFingerprints : public QObject
{
    Q_OBJECT

private:
    TemporaryTree m_tree;
    Url path(const QByteArray &name) const { return m_tree.url().child(name); }

private Q_SLOTS:
    void devicesFifosAndLinksAreNeverOpened()
    {
        // A session leader without a controlling terminal that opens a terminal without O_NOCTTY makes it
        // its controlling terminal: whether fingerprinting opened one shows in a child that is one.
        const int leader = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(leader >= 0 && ::grantpt(leader) == 0 && ::unlockpt(leader) == 0);
        const Url terminal = Url::fromPath(::ptsname(leader));
        TestFs::makeSymlink(terminal.path(), path("to-terminal"));
        const pid_t child = ::fork();
        if (child == 0) {
            ::setsid();
            const bool asDevice = fm().fileMD5_withLevel(terminal, 2) == QStringLiteral("");
            const bool asLink = !fm().fileMD5_withLevel(path("to-terminal"), 2);
            ::_exit(asDevice && asLink && ::open("/dev/tty", O_RDONLY | O_NOCTTY) < 0 ? 0 : 1);
        }
        int status = -1;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QCOMPARE(status, 0);
        ::close(leader);

        // Links, FIFOs, devices and missing items as the command line meets them are the fingerprint
        // reference's (tests/cli); a folder given as a file, and no item, have no fingerprint either.
        TestFs::makeDir(path("Pack.app"));
        QVERIFY(!fm().fileMD5_withLevel(path("Pack.app"), 0) && !fm().fileMD5_withLevel(Url(), 0));
        QVERIFY(!fm().dirMD5_withLeel(Url(), 0));
    }

    void aFileSwappedForALinkIsNotReadThroughIt()
    {
        // A mutator keeps swapping x between its file and a link to y, as fast as it can; reading x
        // must give x's content or nothing, never y's. Before, a failed no-follow open was tried again
        // following links: 20 runs of this loop out of 20 read y through x, in up to a tenth of the reads.
        const Url x = m_tree.file("x", randomBytes(5000, 1));
        const QString yText = *fm().fileMD5_withLevel(m_tree.file("y", randomBytes(5000, 2)), 2);
        TestFs::makeSymlink(path("y").path(), path("x-link"));
        std::atomic<bool> done{false};
        std::thread mutator([&] {
            while (!done) {
                ::rename(x.c_str(), path("x-file").c_str());
                ::rename(path("x-link").c_str(), x.c_str());
                ::rename(x.c_str(), path("x-link").c_str());
                ::rename(path("x-file").c_str(), x.c_str());
            }
        });
        int asY = 0;
        for (int i = 0; i < 20000; ++i)
            asY += fm().fileMD5_withLevel(x, 2) == yText;
        done = true;
        mutator.join();
        QCOMPARE(asY, 0);
    }

    void aListedIdentityIsHeldTo()
    {
        // Something else put where a walk listed a file or a package has no fingerprint.
        const Url file = m_tree.file("listed", "abc");
        const FileId listed = idOf(file);
        const FileId another{listed.device, listed.inode + 1};
        QVERIFY(fm().fileFingerprint(file, 0, listed).text);
        QVERIFY(!fm().fileFingerprint(file, 0, another).text);
        // The same, read as an entry of the open folder that listed it.
        int error = 0;
        const auto folder = Directory::open(m_tree.url(), &error);
        QCOMPARE(fm().fileFingerprintIn(*folder, file, 0, listed).text, fm().fileMD5_withLevel(file, 0));
        QVERIFY(!fm().fileFingerprintIn(*folder, file, 0, another).text);
        QVERIFY(fm().namesFileIn(*folder, file, listed) && !fm().namesFileIn(*folder, file, another));
        // Only an entry of that very folder is looked for in it.
        for (const Url &notAnEntry : {m_tree.url(), path("listed/"), path("sub").child("listed"),
                                      Url::fromPath(m_tree.url().path() + "listed")})
            QVERIFY(!fm().fileFingerprintIn(*folder, notAnEntry, 0).text &&
                    !fm().namesFileIn(*folder, notAnEntry, listed));
        const Url package = path("Listed.app");
        TestFs::makeDir(package);
        const Url other = path("Other.app");
        TestFs::makeDir(other);
        TestFs::writeFile(other.child("member"), "elsewhere");
        const FileId packageId = idOf(package);
        QCOMPARE(fm().dirMD5_withLeel(package, 0, packageId), QStringLiteral(""));
        QCOMPARE(::rename(other.c_str(), package.c_str()), 0);
        QVERIFY(!fm().dirMD5_withLeel(package, 0, packageId));
        QVERIFY(!fm().wholeContentFingerprints({file}, [](qsizetype, bool) { return true; }, {another})[0]);
    }

    void aStopEndsLongReadsWithinAFewOfThem()
    {
        // Four sparse files of 1 GiB, as a file, as package members, and side by side in the lanes:
        // each read is asked to stop on its fourth question, and stops with no value and no failure
        // after reading a few MiB at most.
        const Url package = path("Big.app");
        TestFs::makeDir(package);
        QList<Url> bigFiles;
        for (int i = 0; i < 4; ++i) {
            bigFiles << package.child("big" + QByteArray::number(i));
            TestFs::makeSparseFile(bigFiles.last(), qint64(1) << 30);
        }
        FailureCount failures;
        std::atomic<int> asked{0};
        const StopRequest stopOnFourth = [&] { return ++asked > 3; };
        const auto readWhileStopping = [&](const std::function<bool()> &read) {
            asked = 0;
            const qint64 before = ReadMeter::total();
            QVERIFY(read());
            QVERIFY2(ReadMeter::total() - before < (16 << 20),
                     qPrintable(QString::number(ReadMeter::total() - before)));
        };
        readWhileStopping(
            [&] { return !fm().fileMD5_withLevel(bigFiles[0], 2, std::nullopt, stopOnFourth); });
        readWhileStopping([&] { return !fm().dirMD5_withLeel(package, 2, std::nullopt, stopOnFourth); });
        readWhileStopping([&] {
            const auto texts = fm().wholeContentFingerprints(
                bigFiles, [](qsizetype, bool) { return true; }, {}, stopOnFourth);
            return std::none_of(texts.begin(), texts.end(),
                                [](const auto &text) { return text.has_value(); });
        });
        QCOMPARE(failures.count(), 0);
    }

    void manyWholeContentsAtOnce()
    {
        // Files digested side by side in the vector lanes get the texts they get one by one: lengths
        // around the piece and block sizes, more files than lanes, the chunk boundary, and the items
        // that take the usual way (missing, folder, FIFO, link, one that proceed() leaves out).
        QList<Url> urls;
        for (const qint64 size : {0, 1, 47, 48, 49, 63, 64, 65, 4096, 24575, 24576, 24577, 73733, 786433})
            for (quint32 copy = 0; copy < 3; ++copy)
                urls << m_tree.file("many-" + QByteArray::number(size) + "-" + QByteArray::number(copy),
                                    randomBytes(size, quint32(size) + copy));
        TestFs::makeSparseFile(path("chunk-and-one"), 104857601);
        TestFs::makeDir(path("folder"));
        TestFs::makeSymlink(urls.first().path(), path("link"));
        QCOMPARE(::mkfifo(path("many-fifo").c_str(), 0644), 0);
        urls << path("chunk-and-one") << path("missing") << path("folder") << path("many-fifo")
             << path("link") << m_tree.file("left-out", "abc");
        const auto texts =
            fm().wholeContentFingerprints(urls, [&](qsizetype i, bool) { return i + 1 < urls.size(); });
        QCOMPARE(qsizetype(texts.size()), urls.size());
        for (qsizetype i = 0; i + 1 < urls.size(); ++i)
            QCOMPARE(texts[size_t(i)], fm().fileMD5_withLevel(urls[i], 2));
        QCOMPARE(texts[size_t(urls.indexOf(path("chunk-and-one")))]->size(), 64);
        QVERIFY(!texts.back());
    }

    void readsAndTheirFailures()
    {
        const Url ten = m_tree.file("ten", "0123456789");
        int error = 0;
        auto handle = ReadHandle::open(AT_FDCWD, ten.c_str(), ten, idOf(ten), &error);
        QVERIFY(handle);
        const auto read = [&](qint64 length, quint64 offset) {
            return fm().readChunkData_ofLength_fromOffset(&*handle, length, offset);
        };
        QCOMPARE(read(4, 0), QByteArray("0123"));
        QCOMPARE(read(100, 8), QByteArray("89"));
        QCOMPARE(read(std::numeric_limits<qint64>::max(), 0), QByteArray("0123456789"));
        constexpr quint64 max = std::numeric_limits<qint64>::max();
        for (const auto &[length, offset] :
             {std::pair<qint64, quint64>{5, 10}, {5, max}, {5, max + 1}, {0, 0}, {-1, 0}})
            QVERIFY(!read(length, offset));
        QVERIFY(!fm().readChunkData_ofLength_fromOffset(nullptr, 5, 0) && !handle->failure());
        // Without a text the digest is a one-off that matches nothing, not even the next one.
        QVERIFY(fm().MD5String(std::nullopt) != fm().MD5String(std::nullopt));

        // The kernel refuses reads of this process's unmapped first page: a file that opens but
        // cannot be read. The failure is kept on the handle.
        FailureCount failures;
        const Url mem = Url::fromPath("/proc/self/mem");
        auto memHandle = ReadHandle::open(AT_FDCWD, mem.c_str(), mem, idOf(mem), &error);
        QVERIFY(memHandle && !fm().readChunkData_ofLength_fromOffset(&*memHandle, 10, 0));
        QCOMPARE(memHandle->failure()->error, EIO);
        // Something else at the path than the file looked at is not opened.
        QVERIFY(!ReadHandle::open(AT_FDCWD, ten.c_str(), ten, idOf(mem), &error) && error == EAGAIN);
        QCOMPARE(failures.count(), 0);
    }
};

TWINSIFT_TEST_MAIN(TestFingerprints, QCoreApplication)
#include "tst_fingerprints.moc"
