#include "fs/FileManagerProxy.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace {

FileManagerProxy &fm()
{
    return FileManagerProxy::sharedInstance();
}

Url at(const Url &base, const QByteArray &relative)
{
    return Url::fromPath(base.path() + '/' + relative);
}

// A scratch folder that an unprivileged user can reach, removed with all it holds at the end.
class ScratchDir
{
public:
    explicit ScratchDir(const QByteArray &parent)
    {
        QByteArray pattern = parent + "/twinsift-fileops-XXXXXX";
        if (::mkdtemp(pattern.data()) && ::chmod(pattern.constData(), 0755) == 0)
            m_url = Url::fromPath(pattern);
    }
    ~ScratchDir()
    {
        if (!m_url.isNull())
            TestFs::run(QStringLiteral("rm"), {QStringLiteral("-rf"), QString::fromUtf8(m_url.path())});
    }
    bool isValid() const { return !m_url.isNull(); }
    const Url &url() const { return m_url; }

private:
    Url m_url;
};

dev_t deviceOf(const Url &url)
{
    struct stat st;
    return ::lstat(url.c_str(), &st) == 0 ? st.st_dev : 0;
}

struct stat statOf(const Url &url)
{
    struct stat st = {};
    ::lstat(url.c_str(), &st);
    return st;
}

void setModified(const Url &url, time_t seconds, long nanoseconds)
{
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ::utimensat(AT_FDCWD, url.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

void chownToNobody(const Url &url)
{
    const passwd *nobody = ::getpwnam("nobody");
    QVERIFY(nobody);
    QCOMPARE(::lchown(url.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
}

// The result of an operation as an exit status: 0 no error, an errno value for a system error,
// 100 + code for TwinSift's own errors.
int statusOf(const MaybeError &error)
{
    if (!error)
        return 0;
    return error->domain == Error::posixDomain ? int(error->code) : 100 + int(error->code);
}

// Runs the operation in a child process as "nobody", so that permission bits apply; root ignores them.
int asNobody(const std::function<MaybeError()> &operation)
{
    const passwd *nobody = ::getpwnam("nobody");
    if (!nobody)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 ||
            ::setresgid(nobody->pw_gid, nobody->pw_gid, nobody->pw_gid) != 0 ||
            ::setresuid(nobody->pw_uid, nobody->pw_uid, nobody->pw_uid) != 0)
            ::_exit(99);
        ::_exit(statusOf(operation()));
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// Names in a folder, for "nothing was left behind" checks.
QList<QByteArray> entriesOf(const Url &dir)
{
    QList<QByteArray> names;
    const auto entries = fm().getContentsOfDirecotry_skipHidden(dir, false);
    for (const Url &entry : entries.value_or(QList<Url>()))
        names.append(entry.fileName());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

class TestFileOperations : public QObject
{
    Q_OBJECT

private:
    // Not a QTemporaryDir: it cannot remove names that are not UTF-8.
    ScratchDir m_scratch{QDir::tempPath().toUtf8()};
    Url m_root;

private Q_SLOTS:
    // Each case works in case<N>/work; the anchor file next to it ends every climb there.
    void init()
    {
        static int run = 0;
        const Url caseDir = m_scratch.url().child("case" + QByteArray::number(++run));
        TestFs::makeDir(caseDir);
        TestFs::writeFile(caseDir.child("anchor"), "x");
        m_root = caseDir.child("work");
        TestFs::makeDir(m_root);
    }

    void uniqueNames_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QList<QByteArray>>("existing");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("free") << QByteArray("photo.jpg") << QList<QByteArray>{} << QByteArray("photo.jpg");
        QTest::newRow("taken") << QByteArray("photo.jpg") << QList<QByteArray>{"photo.jpg"}
                               << QByteArray("photo_1.jpg");
        QTest::newRow("counter grows")
            << QByteArray("notes.txt") << QList<QByteArray>{"notes.txt", "notes_1.txt", "notes_2.txt"}
            << QByteArray("notes_3.txt");
        QTest::newRow("no extension")
            << QByteArray("README") << QList<QByteArray>{"README"} << QByteArray("README_1");
        QTest::newRow("last extension only")
            << QByteArray("archive.tar.gz") << QList<QByteArray>{"archive.tar.gz"}
            << QByteArray("archive.tar_1.gz");
        QTest::newRow("counter not read back")
            << QByteArray("photo_1.jpg") << QList<QByteArray>{"photo_1.jpg"} << QByteArray("photo_1_1.jpg");
        QTest::newRow("not UTF-8") << QByteArray("caf\xe9\xff.txt") << QList<QByteArray>{"caf\xe9\xff.txt"}
                                   << QByteArray("caf\xe9\xff_1.txt");
        QTest::newRow("newline and tab")
            << QByteArray("a\nb\tc.txt") << QList<QByteArray>{"a\nb\tc.txt"} << QByteArray("a\nb\tc_1.txt");
        QTest::newRow("leading dash")
            << QByteArray("-rf") << QList<QByteArray>{"-rf", "-rf_1"} << QByteArray("-rf_2");
        QTest::newRow("trailing dot")
            << QByteArray("name.") << QList<QByteArray>{"name.", "name_1"} << QByteArray("name._1");
    }

    void uniqueNames()
    {
        QFETCH(QByteArray, name);
        QFETCH(QList<QByteArray>, existing);
        QFETCH(QByteArray, expected);
        for (const QByteArray &taken : existing)
            TestFs::writeFile(m_root.child(taken), "x");
        QCOMPARE(fm().createUniqueURLFromURL(m_root.child(name)).path(), m_root.child(expected).path());
    }

    void uniqueNameCountsLinksAndFolders()
    {
        // A link whose target is gone still occupies its name, and so does a folder.
        TestFs::makeSymlink("missing-target", m_root.child("link.txt"));
        TestFs::makeDir(m_root.child("link_1.txt"));
        QCOMPARE(fm().createUniqueURLFromURL(m_root.child("link.txt")), m_root.child("link_2.txt"));
        QVERIFY(fm().createUniqueURLFromURL(Url()).isNull());
    }

    void removeDeletesTreeWithoutFollowingLinks()
    {
        const Url outside = m_root.child("outside");
        TestFs::makeDir(outside);
        TestFs::writeFile(outside.child("precious"), "keep me");
        const Url tree = m_root.child("tree");
        TestFs::makeDir(tree);
        TestFs::makeDir(tree.child("sub\xff\n"));
        TestFs::writeFile(at(tree, "sub\xff\n/-file\t"), "x");
        TestFs::writeFile(tree.child(".hidden"), "x");
        TestFs::makeSymlink(outside.path(), tree.child("link-to-outside"));
        TestFs::makeSymlink(outside.path(), at(tree, "sub\xff\n/nested-link"));

        QVERIFY(!fm().removeURL(tree));
        QVERIFY(!TestFs::exists(tree));
        QCOMPARE(TestFs::readFile(outside.child("precious")), QByteArray("keep me"));

        // A link given directly goes, its target stays.
        TestFs::makeSymlink(outside.path(), m_root.child("direct-link"));
        QVERIFY(!fm().removeURL(m_root.child("direct-link")));
        QVERIFY(!TestFs::exists(m_root.child("direct-link")));
        QVERIFY(TestFs::exists(outside.child("precious")));

        // Missing and absent items are no error.
        QVERIFY(!fm().removeURL(tree));
        QVERIFY(!fm().removeURL(Url()));
        QVERIFY(!fm().removeURL_WithUpperDirectory_ToTrash(tree, true, false));
    }

    void climbRemovesEmptiedFolders_data()
    {
        QTest::addColumn<bool>("viaMove");
        QTest::newRow("remove") << false;
        QTest::newRow("move") << true;
    }

    void climbRemovesEmptiedFolders()
    {
        QFETCH(bool, viaMove);
        const auto takeAway = [&](const Url &file, bool upper) {
            return viaMove
                       ? fm().moveURL_toURL_removeUpper(file, m_root.child("moved-" + file.fileName()), upper)
                       : fm().removeURL_WithUpperDirectory_ToTrash(file, upper, false);
        };
        // a/b/c/file.txt: c and b hold nothing else (c only ".DS_Store"), a still holds "keep".
        const Url a = m_root.child("a");
        TestFs::makeDir(a);
        TestFs::makeDir(at(a, "b"));
        TestFs::makeDir(at(a, "b/c"));
        TestFs::writeFile(at(a, "b/c/file.txt"), "x");
        TestFs::writeFile(at(a, "b/c/.DS_Store"), "x");
        TestFs::writeFile(at(a, "keep"), "x");

        QVERIFY(!takeAway(at(a, "b/c/file.txt"), true));
        QVERIFY(!TestFs::exists(at(a, "b")));
        QCOMPARE(entriesOf(a), QList<QByteArray>{"keep"});

        // Without upper the emptied folders stay.
        TestFs::makeDir(at(a, "d"));
        TestFs::writeFile(at(a, "d/other.txt"), "x");
        QVERIFY(!takeAway(at(a, "d/other.txt"), false));
        QVERIFY(TestFs::exists(at(a, "d")));

        // A hidden file is an entry: its folder stays.
        TestFs::makeDir(at(a, "e"));
        TestFs::writeFile(at(a, "e/third.txt"), "x");
        TestFs::writeFile(at(a, "e/.hidden"), "x");
        QVERIFY(!takeAway(at(a, "e/third.txt"), true));
        QVERIFY(TestFs::exists(at(a, "e/.hidden")));
    }

    void climbFailureIsNotReported()
    {
        // As nobody: b is read-only, so the emptied c cannot be removed from it.
        ScratchDir scratch(QDir::tempPath().toUtf8());
        QVERIFY(scratch.isValid());
        const Url b = scratch.url().child("b");
        TestFs::makeDir(b);
        TestFs::makeDir(b.child("c"));
        TestFs::writeFile(at(b, "c/file.txt"), "x");
        chownToNobody(b.child("c"));
        QCOMPARE(::chmod(b.c_str(), 0555), 0);

        QCOMPARE(asNobody([&] {
                     return fm().removeURL_WithUpperDirectory_ToTrash(at(b, "c/file.txt"), true, false);
                 }),
                 0);
        QVERIFY(!TestFs::exists(at(b, "c/file.txt")));
        QVERIFY(TestFs::exists(b.child("c")));
    }

    void climbToTrashTrashesEachFolder()
    {
        const Url a = m_root.child("a");
        TestFs::makeDir(a);
        TestFs::makeDir(at(a, "b"));
        TestFs::makeDir(at(a, "b/c"));
        TestFs::writeFile(at(a, "b/c/file.txt"), "content");
        TestFs::writeFile(at(a, "b/c/.DS_Store"), "x");
        TestFs::writeFile(at(a, "keep"), "x");

        QVERIFY(!fm().removeURL_WithUpperDirectory_ToTrash(at(a, "b/c/file.txt"), true, true));
        QCOMPARE(entriesOf(a), QList<QByteArray>{"keep"});
        // Each went on its own: the file, then c holding only its ".DS_Store", then the empty b.
        const Url trash = Url::fromPath(qgetenv("XDG_DATA_HOME") + "/Trash");
        QCOMPARE(TestFs::readFile(at(trash, "files/file.txt")), QByteArray("content"));
        QVERIFY(!TestFs::exists(at(trash, "files/c/file.txt")));
        QVERIFY(TestFs::exists(at(trash, "files/c/.DS_Store")));
        QVERIFY(!fm().getContentsOfDirecotry_skipHidden(at(trash, "files/b"), false));
        for (const char *path : {"b/c/file.txt", "b/c", "b"}) {
            const Url item = at(a, path);
            const QByteArray info = TestFs::readFile(at(trash, "info/" + item.fileName() + ".trashinfo"));
            QVERIFY2(info.contains("\nPath=" + item.path() + '\n'), info.constData());
        }
        // What this case put in the trash is not for the next one.
        QVERIFY(!fm().removeURL(trash));
    }

    void emptiness()
    {
        QVERIFY(!fm().isEmptyFolder(Url()));
        QVERIFY(fm().isEmptyFolder(m_root.child("missing")));
        TestFs::makeDir(m_root.child("ds"));
        TestFs::writeFile(at(m_root, "ds/.DS_Store"), "x");
        QVERIFY(fm().isEmptyFolder(m_root.child("ds")));
        TestFs::makeDir(m_root.child("hidden"));
        TestFs::writeFile(at(m_root, "hidden/.h"), "x");
        QVERIFY(!fm().isEmptyFolder(m_root.child("hidden")));
        // Nothing that could hold a user's file is taken for an empty folder.
        TestFs::writeFile(m_root.child("plain"), "x");
        QVERIFY(!fm().isEmptyFolder(m_root.child("plain")));
        TestFs::makeSymlink("ds", m_root.child("link-to-empty"));
        QVERIFY(!fm().isEmptyFolder(m_root.child("link-to-empty")));
        TestFs::makeDir(m_root.child("sealed"));
        QCOMPARE(::chmod(m_root.child("sealed").c_str(), 0), 0);
        QCOMPARE(fm().isEmptyFolder(m_root.child("sealed")), ::geteuid() == 0);
        QCOMPARE(::chmod(m_root.child("sealed").c_str(), 0700), 0);
    }

    void moveRefusals()
    {
        const Url src = m_root.child("src.txt");
        const Url dst = m_root.child("dst.txt");
        TestFs::writeFile(src, "source");
        TestFs::writeFile(dst, "destination");
        const Error refused{QStringLiteral("FileManagerProxy"), 3, QString()};

        QCOMPARE(fm().moveURL_toURL_removeUpper(src, dst, true), refused);
        QCOMPARE(TestFs::readFile(src), QByteArray("source"));
        QCOMPARE(TestFs::readFile(dst), QByteArray("destination"));
        // A dangling link occupies the destination too.
        TestFs::makeSymlink("nowhere", m_root.child("dangling"));
        QCOMPARE(fm().moveURL_toURL_removeUpper(src, m_root.child("dangling"), false), refused);
        QCOMPARE(fm().moveURL_toURL_removeUpper(src, Url(), false), refused);
        QCOMPARE(fm().moveURL_toURL_removeUpper(src, Url::fromPath("no-parent"), false), refused);
        QVERIFY(TestFs::exists(src));

        // A missing or absent source is no error and changes nothing.
        QVERIFY(!fm().moveURL_toURL_removeUpper(m_root.child("vanished"), m_root.child("new"), true));
        QVERIFY(!fm().moveURL_toURL_removeUpper(Url(), m_root.child("new"), true));
        QVERIFY(!TestFs::exists(m_root.child("new")));
    }

    void moveCreatesParents()
    {
        const Url src = m_root.child("n\xe4me\n.txt");
        TestFs::writeFile(src, "content");
        const Url dst = at(m_root, "x/y\xff/z/n\xe4me\n.txt");
        QVERIFY(!fm().moveURL_toURL_removeUpper(src, dst, false));
        QCOMPARE(TestFs::readFile(dst), QByteArray("content"));
        QVERIFY(!TestFs::exists(src));
    }

    void sameFileSystemMoveFromReadOnlyFolder()
    {
        ScratchDir scratch(QDir::tempPath().toUtf8());
        QVERIFY(scratch.isValid());
        const Url locked = scratch.url().child("locked");
        const Url open = scratch.url().child("open");
        TestFs::makeDir(locked);
        TestFs::makeDir(open);
        TestFs::writeFile(locked.child("file"), "content");
        chownToNobody(open);
        QCOMPARE(::chmod(locked.c_str(), 0555), 0);

        QCOMPARE(asNobody([&] {
                     return fm().moveURL_toURL_removeUpper(locked.child("file"), open.child("file"), true);
                 }),
                 EACCES);
        QCOMPARE(TestFs::readFile(locked.child("file")), QByteArray("content"));
        QVERIFY(entriesOf(open).isEmpty());
    }

    void removeInReadOnlyFolder()
    {
        ScratchDir scratch(QDir::tempPath().toUtf8());
        QVERIFY(scratch.isValid());
        const Url locked = scratch.url().child("locked");
        TestFs::makeDir(locked);
        TestFs::writeFile(locked.child("file"), "content");
        QCOMPARE(::chmod(locked.c_str(), 0555), 0);
        QCOMPARE(asNobody([&] { return fm().removeURL(locked.child("file")); }), EACCES);
        QVERIFY(TestFs::exists(locked.child("file")));

        // A tree with a read-only folder inside: the error comes back, that folder's files stay.
        const Url tree = scratch.url().child("tree");
        TestFs::makeDir(tree);
        TestFs::makeDir(tree.child("guarded"));
        TestFs::writeFile(at(tree, "guarded/kept"), "x");
        chownToNobody(tree);
        QCOMPARE(::chmod(tree.child("guarded").c_str(), 0555), 0);
        QCOMPARE(asNobody([&] { return fm().removeURL(tree); }), EACCES);
        QVERIFY(TestFs::exists(at(tree, "guarded/kept")));
    }

    void crossFileSystemMoves()
    {
        ScratchDir far("/dev/shm");
        QVERIFY(far.isValid());
        if (deviceOf(far.url()) == deviceOf(m_root))
            QSKIP("/dev/shm is on the same file system as the temporary folder here");

        // A file: content, permissions and modification time kept, the source gone.
        const Url file = m_root.child("caf\xe9\n.bin");
        TestFs::writeFile(file, QByteArray(300000, 'q'));
        QCOMPARE(::chmod(file.c_str(), 0604), 0);
        setModified(file, 1000000000, 123456789);
        const Url fileDst = at(far.url(), "new/caf\xe9\n.bin");
        QVERIFY(!fm().moveURL_toURL_removeUpper(file, fileDst, false));
        QVERIFY(!TestFs::exists(file));
        QCOMPARE(TestFs::readFile(fileDst), QByteArray(300000, 'q'));
        QCOMPARE(statOf(fileDst).st_mode & 07777, mode_t(0604));
        QCOMPARE(statOf(fileDst).st_mtim.tv_sec, time_t(1000000000));
        QCOMPARE(statOf(fileDst).st_mtim.tv_nsec, 123456789L);

        // A folder with all it holds: a subfolder, a hidden file, a dangling link, a sparse file.
        const Url tree = m_root.child("tree");
        TestFs::makeDir(tree);
        TestFs::makeDir(tree.child("sub\xff"));
        TestFs::writeFile(at(tree, "sub\xff/.hidden"), "hidden");
        TestFs::makeSymlink("../gone\n", at(tree, "sub\xff/link"));
        TestFs::makeSparseFile(tree.child("sparse"), 64 << 20);
        TestFs::writeFile(tree.child("-dash"), "dash");
        QCOMPARE(::chmod(tree.child("sub\xff").c_str(), 0750), 0);
        setModified(tree.child("sub\xff"), 1200000000, 0);
        const Url treeDst = far.url().child("tree");
        QVERIFY(!fm().moveURL_toURL_removeUpper(tree, treeDst, true));
        QVERIFY(!TestFs::exists(tree));
        QCOMPARE(TestFs::readFile(at(treeDst, "sub\xff/.hidden")), QByteArray("hidden"));
        QCOMPARE(TestFs::readFile(treeDst.child("-dash")), QByteArray("dash"));
        char target[64] = {};
        QCOMPARE(::readlink(at(treeDst, "sub\xff/link").c_str(), target, sizeof target - 1), ssize_t(8));
        QCOMPARE(QByteArray(target), QByteArray("../gone\n"));
        QCOMPARE(statOf(treeDst.child("sub\xff")).st_mode & 07777, mode_t(0750));
        QCOMPARE(statOf(treeDst.child("sub\xff")).st_mtim.tv_sec, time_t(1200000000));
        QCOMPARE(statOf(treeDst.child("sparse")).st_size, off_t(64 << 20));
        QVERIFY(statOf(treeDst.child("sparse")).st_blocks < 1024); // holes stayed holes
        // No temporary names left behind, and the source's emptied folder was climbed away from.
        QCOMPARE(entriesOf(far.url()), (QList<QByteArray>{"new", "tree"}));
        QVERIFY(!TestFs::exists(m_root));
        QVERIFY(TestFs::exists(m_root.parent().child("anchor")));
    }

    void crossFileSystemFailuresKeepTheSource()
    {
        ScratchDir here(QDir::tempPath().toUtf8());
        ScratchDir far("/dev/shm");
        QVERIFY(here.isValid() && far.isValid());
        if (deviceOf(far.url()) == deviceOf(here.url()))
            QSKIP("/dev/shm is on the same file system as the temporary folder here");
        const Url locked = here.url().child("locked");
        const Url open = here.url().child("open");
        TestFs::makeDir(locked);
        TestFs::makeDir(open);
        TestFs::writeFile(locked.child("file"), "locked content");
        TestFs::writeFile(open.child("file"), "open content");
        chownToNobody(open);
        chownToNobody(open.child("file"));
        QCOMPARE(::chmod(locked.c_str(), 0555), 0);
        const Url farOpen = far.url().child("open");
        const Url farLocked = far.url().child("locked");
        TestFs::makeDir(farOpen);
        TestFs::makeDir(farLocked);
        chownToNobody(farOpen);
        QCOMPARE(::chmod(farLocked.c_str(), 0555), 0);

        // The copy succeeds but the source cannot be unlinked: the copy is taken back.
        QCOMPARE(asNobody([&] {
                     return fm().moveURL_toURL_removeUpper(locked.child("file"), farOpen.child("file"),
                                                           false);
                 }),
                 EACCES);
        QCOMPARE(TestFs::readFile(locked.child("file")), QByteArray("locked content"));
        QVERIFY(entriesOf(farOpen).isEmpty());

        // The destination folder is not writable: nothing is made, nothing is lost.
        QCOMPARE(asNobody([&] {
                     return fm().moveURL_toURL_removeUpper(open.child("file"), farLocked.child("file"),
                                                           false);
                 }),
                 EACCES);
        QCOMPARE(TestFs::readFile(open.child("file")), QByteArray("open content"));
        QVERIFY(entriesOf(farLocked).isEmpty());
    }

    void crossFileSystemMoveRunningOutOfSpace()
    {
        // A small file system of its own, too small for the copy, fails the move half-way.
        ScratchDir small(QDir::tempPath().toUtf8());
        QVERIFY(small.isValid());
        if (::mount("twinsift-test", small.url().c_str(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("cannot mount a small tmpfs here (needs root)");
        const auto unmount = qScopeGuard([&] { ::umount2(small.url().c_str(), MNT_DETACH); });

        const Url file = m_root.child("big");
        TestFs::writeFile(file, QByteArray(1 << 20, 'b'));
        QCOMPARE(statusOf(fm().moveURL_toURL_removeUpper(file, small.url().child("big"), true)), ENOSPC);
        QCOMPARE(TestFs::readFile(file), QByteArray(1 << 20, 'b'));

        const Url tree = m_root.child("tree");
        TestFs::makeDir(tree);
        TestFs::writeFile(tree.child("a"), "small");
        TestFs::writeFile(tree.child("b"), QByteArray(1 << 20, 'b'));
        QCOMPARE(statusOf(fm().moveURL_toURL_removeUpper(tree, small.url().child("tree"), true)), ENOSPC);
        QCOMPARE(entriesOf(tree), (QList<QByteArray>{"a", "b"}));
        QVERIFY(entriesOf(small.url()).isEmpty());
    }

    void crossFileSystemMoveStopsAtMountsInside()
    {
        ScratchDir far("/dev/shm");
        QVERIFY(far.isValid());
        if (deviceOf(far.url()) == deviceOf(m_root))
            QSKIP("/dev/shm is on the same file system as the temporary folder here");
        const Url tree = m_root.child("tree");
        TestFs::makeDir(tree);
        TestFs::makeDir(tree.child("mounted"));
        TestFs::writeFile(tree.child("first"), "x");
        if (::mount("twinsift-test", tree.child("mounted").c_str(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("cannot mount a tmpfs here (needs root)");
        const auto unmount = qScopeGuard([&] { ::umount2(tree.child("mounted").c_str(), MNT_DETACH); });
        TestFs::writeFile(at(tree, "mounted/other file system"), "x");

        QCOMPARE(statusOf(fm().moveURL_toURL_removeUpper(tree, far.url().child("tree"), false)), EXDEV);
        QCOMPARE(entriesOf(tree), (QList<QByteArray>{"first", "mounted"}));
        QVERIFY(TestFs::exists(at(tree, "mounted/other file system")));
        QVERIFY(entriesOf(far.url()).isEmpty());
    }

    void vanishedItems()
    {
        const Url file = m_root.child("file");
        TestFs::writeFile(file, "x");
        const Url free = fm().createUniqueURLFromURL(file);
        QVERIFY(!fm().removeURL(file));
        // Gone between the calls: the later ones find nothing to do and report nothing.
        QVERIFY(!fm().moveURL_toURL_removeUpper(file, free, true));
        QVERIFY(!fm().removeURLToTrash(file));
        QVERIFY(!fm().removeURL_WithUpperDirectory_ToTrash(file, true, true));
        QVERIFY(!TestFs::exists(free));
        QVERIFY(TestFs::exists(m_root));
    }
};

TWINSIFT_TEST_MAIN(TestFileOperations, QCoreApplication)
#include "tst_file_operations.moc"
