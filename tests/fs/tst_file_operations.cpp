// Free names, removal, moves within and across file systems, and the climb through the folders a
// removal empties: on real trees, with names that are not UTF-8 or hold newlines, and as an
// unprivileged user where permissions matter. Nothing may be lost by accident.
#include "fs/FileManagerProxy.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace {

// A scratch folder that an unprivileged user can reach.
struct ScratchDir : TemporaryTree
{
    explicit ScratchDir(const QByteArray &parent) : TemporaryTree(parent) { ::chmod(url().c_str(), 0755); }
    // Whether it is on another file system than `from`, for moves across them.
    bool isElsewhere(const Url &from) const
    {
        return !url().isNull() && TestFs::statOf(url()).st_dev != TestFs::statOf(from).st_dev;
    }
};

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

// Runs the operation in a child process, after `become` (switching to "nobody", so that permission
// bits apply, which root ignores); returns its status, or -1.
int inChild(const std::function<bool()> &become, const std::function<MaybeError()> &operation)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(become() ? statusOf(operation()) : 99);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

int asNobody(const std::function<MaybeError()> &operation)
{
    return inChild(
        [] {
            const passwd *nobody = ::getpwnam("nobody");
            return nobody && ::setgroups(0, nullptr) == 0 &&
                   ::setresgid(nobody->pw_gid, nobody->pw_gid, nobody->pw_gid) == 0 &&
                   ::setresuid(nobody->pw_uid, nobody->pw_uid, nobody->pw_uid) == 0;
        },
        operation);
}

} // namespace

class TestFileOperations : public QObject
{
    Q_OBJECT

private:
    ScratchDir m_scratch{QDir::tempPath().toUtf8()};
    Url m_root;

private Q_SLOTS:
    // Each case works in case<N>/work; the anchor file next to it ends every climb there.
    void init()
    {
        static int run = 0;
        const Url caseDir = m_scratch.url().child("case" + QByteArray::number(++run));
        TestFs::writeFile(caseDir.child("anchor"), "x");
        m_root = caseDir.child("work");
        TestFs::makeDir(m_root);
        fm().removeURL(TestFs::homeTrash());
    }

    void uniqueNames_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QList<QByteArray>>("existing");
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](const char *tag, QByteArray name, QList<QByteArray> existing,
                            QByteArray expected) { QTest::newRow(tag) << name << existing << expected; };
        row("free", "photo.jpg", {}, "photo.jpg");
        row("counter grows", "notes.txt", {"notes.txt", "notes_1.txt", "notes_2.txt"}, "notes_3.txt");
        row("no extension", "README", {"README"}, "README_1");
        row("last extension only", "archive.tar.gz", {"archive.tar.gz"}, "archive.tar_1.gz");
        row("counter not read back", "photo_1.jpg", {"photo_1.jpg"}, "photo_1_1.jpg");
        row("not UTF-8", "caf\xe9\xff.txt", {"caf\xe9\xff.txt"}, "caf\xe9\xff_1.txt");
        row("newline and tab", "a\nb\tc.txt", {"a\nb\tc.txt"}, "a\nb\tc_1.txt");
        row("trailing dot", "name.", {"name.", "name_1"}, "name._1");
    }

    void uniqueNames()
    {
        QFETCH(QByteArray, name);
        QFETCH(QList<QByteArray>, existing);
        QFETCH(QByteArray, expected);
        for (const QByteArray &taken : existing)
            TestFs::writeFile(m_root.child(taken), "x");
        QCOMPARE(fm().createUniqueURLFromURL(m_root.child(name)).path(), m_root.child(expected).path());
        // A link whose target is gone still occupies its name, and so does a folder.
        TestFs::makeSymlink("missing-target", m_root.child("link.txt"));
        TestFs::makeDir(m_root.child("link_1.txt"));
        QCOMPARE(fm().createUniqueURLFromURL(m_root.child("link.txt")), m_root.child("link_2.txt"));
        QVERIFY(fm().createUniqueURLFromURL(Url()).isNull());
    }

    void removeDeletesTreeWithoutFollowingLinks()
    {
        const Url outside = m_root.child("outside");
        TestFs::writeFile(outside.child("precious"), "keep me");
        const Url tree = m_root.child("tree");
        TestFs::writeFile(tree.child("sub\xff\n/-file\t"), "x");
        TestFs::makeSymlink(outside.path(), tree.child("link-to-outside"));
        TestFs::makeSymlink(outside.path(), tree.child("sub\xff\n/nested-link"));
        TestFs::makeSymlink(outside.path(), m_root.child("direct-link"));
        QVERIFY(!fm().removeURL(tree) && !fm().removeURL(m_root.child("direct-link")));
        QVERIFY(!TestFs::exists(tree) && !TestFs::exists(m_root.child("direct-link")));
        QCOMPARE(TestFs::readFile(outside.child("precious")), QByteArray("keep me"));
    }

    void climb_data()
    {
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<QList<QByteArray>>("besides");
        QTest::addColumn<bool>("upper");
        QTest::addColumn<bool>("climbs");
        for (const QByteArray mode : {"delete", "trash", "move"}) {
            const auto row = [&](const char *what, QList<QByteArray> besides, bool upper, bool climbs) {
                QTest::newRow(mode + ": " + what) << mode << besides << upper << climbs;
            };
            row("emptied", {}, true, true);
            row("only .DS_Store left", {".DS_Store"}, true, true);
            row(".DS_Store and a file of the user's", {".DS_Store", "user's file"}, true, false);
            row("a hidden file left", {".hidden"}, true, false);
            row("not asked to climb", {}, false, false);
        }
    }

    void climb()
    {
        // a/b\xff\n/c/file.txt, and in c what the row says; a also holds "keep", which ends the climb.
        QFETCH(QByteArray, mode);
        QFETCH(QList<QByteArray>, besides);
        QFETCH(bool, upper);
        QFETCH(bool, climbs);
        const Url a = m_root.child("a");
        const Url b = a.child("b\xff\n");
        const Url c = b.child("c");
        TestFs::writeFile(a.child("keep"), "x");
        TestFs::writeFile(c.child("file.txt"), "content");
        for (const QByteArray &name : besides)
            TestFs::writeFile(c.child(name), name);

        const MaybeError error =
            mode == "move"
                ? fm().moveURL_toURL_removeUpper(c.child("file.txt"), m_root.child("moved"), upper)
                : fm().removeURL_WithUpperDirectory_ToTrash(c.child("file.txt"), upper, mode == "trash");
        QVERIFY(!error && !TestFs::exists(c.child("file.txt")));
        QCOMPARE(TestFs::entries(a),
                 climbs ? QList<QByteArray>{"keep"} : QList<QByteArray>({"b\xff\n", "keep"}));
        for (const QByteArray &name : besides)
            QCOMPARE(TestFs::readFile(c.child(name)), climbs ? QByteArray() : name);
        if (mode == "trash" && climbs) {
            // Each went on its own: the file, then c (with its ".DS_Store" if any), then the empty b.
            QCOMPARE(TestFs::readFile(TestFs::homeTrash().child("files/file.txt")), QByteArray("content"));
            QVERIFY(TestFs::exists(TestFs::homeTrash().child("files/c")) &&
                    TestFs::exists(TestFs::homeTrash().child("files/b\xff\n")));
            QCOMPARE(TestFs::entries(TestFs::homeTrash().child("info")),
                     (QList<QByteArray>{"b\xff\n.trashinfo", "c.trashinfo", "file.txt.trashinfo"}));
        }
    }

    void climbStopsQuietlyWhereItCannotRemove()
    {
        // As nobody: b is read-only, so the emptied c cannot be removed from it.
        const Url b = m_root.child("b");
        TestFs::writeFile(b.child("c/file.txt"), "x");
        chownToNobody(b.child("c"));
        QCOMPARE(::chmod(b.c_str(), 0555), 0);
        QCOMPARE(asNobody([&] {
                     return fm().removeURL_WithUpperDirectory_ToTrash(b.child("c/file.txt"), true, false);
                 }),
                 0);
        QVERIFY(!TestFs::exists(b.child("c/file.txt")) && TestFs::exists(b.child("c")));
    }

    void emptiness()
    {
        QVERIFY(!fm().isEmptyFolder(Url()) && fm().isEmptyFolder(m_root.child("missing")));
        TestFs::writeFile(m_root.child("ds/.DS_Store"), "x");
        TestFs::writeFile(m_root.child("hidden/.h"), "x");
        QVERIFY(fm().isEmptyFolder(m_root.child("ds")) && !fm().isEmptyFolder(m_root.child("hidden")));
        // Nothing that could hold a user's file is taken for an empty folder.
        TestFs::writeFile(m_root.child("plain"), "x");
        TestFs::makeSymlink("ds", m_root.child("link-to-empty"));
        QVERIFY(!fm().isEmptyFolder(m_root.child("plain")) &&
                !fm().isEmptyFolder(m_root.child("link-to-empty")));
    }

    void movesRefuseAndCreate()
    {
        const Url src = m_root.child("src.txt");
        TestFs::writeFile(src, "source");
        TestFs::writeFile(m_root.child("dst.txt"), "destination");
        TestFs::makeSymlink("nowhere", m_root.child("dangling"));
        const Error refused{QStringLiteral("FileManagerProxy"), 3, QString()};
        // Never over anything, a dangling link included; never without a destination or its folder.
        for (const Url &dst :
             {m_root.child("dst.txt"), m_root.child("dangling"), Url(), Url::fromPath("no-parent")})
            QCOMPARE(fm().moveURL_toURL_removeUpper(src, dst, true), refused);
        QVERIFY(TestFs::readFile(src) == "source" &&
                TestFs::readFile(m_root.child("dst.txt")) == "destination");
        // Missing folders of the destination are made.
        const Url dst = m_root.child("x/y\xff/z/n\xe4me\n.txt");
        QVERIFY(!fm().moveURL_toURL_removeUpper(src, dst, false));
        QVERIFY(TestFs::readFile(dst) == "source" && !TestFs::exists(src));
    }

    void readOnlyFoldersKeepTheirFiles()
    {
        const Url locked = m_root.child("locked");
        const Url open = m_root.child("open");
        TestFs::makeDir(open);
        TestFs::writeFile(locked.child("file"), "content");
        chownToNobody(open);
        QCOMPARE(::chmod(locked.c_str(), 0555), 0);
        QCOMPARE(asNobody([&] {
                     return fm().moveURL_toURL_removeUpper(locked.child("file"), open.child("file"), true);
                 }),
                 EACCES);
        QCOMPARE(asNobody([&] { return fm().removeURL(locked.child("file")); }), EACCES);
        QVERIFY(TestFs::readFile(locked.child("file")) == "content" && TestFs::entries(open).isEmpty());

        // A tree with a read-only folder inside: the error comes back, that folder's files stay.
        const Url tree = m_root.child("tree");
        TestFs::writeFile(tree.child("guarded/kept"), "x");
        chownToNobody(tree);
        QCOMPARE(::chmod(tree.child("guarded").c_str(), 0555), 0);
        QCOMPARE(asNobody([&] { return fm().removeURL(tree); }), EACCES);
        QVERIFY(TestFs::exists(tree.child("guarded/kept")));
    }

    void crossFileSystemMoves()
    {
        ScratchDir far("/dev/shm");
        if (!far.isElsewhere(m_root))
            QSKIP("/dev/shm is not another file system here");
        // A file: content, permissions and modification time kept, the source gone.
        const Url file = m_root.child("caf\xe9\n.bin");
        TestFs::writeFile(file, QByteArray(300000, 'q'));
        QCOMPARE(::chmod(file.c_str(), 0604), 0);
        const timespec times[2] = {{1000000000, 123456789}, {1000000000, 123456789}};
        QCOMPARE(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
        const Url fileDst = far.url().child("new/caf\xe9\n.bin");
        QVERIFY(!fm().moveURL_toURL_removeUpper(file, fileDst, false) && !TestFs::exists(file));
        const struct stat moved = TestFs::statOf(fileDst);
        QVERIFY(TestFs::readFile(fileDst) == QByteArray(300000, 'q') && (moved.st_mode & 07777) == 0604);
        QVERIFY(moved.st_mtim.tv_sec == 1000000000 && moved.st_mtim.tv_nsec == 123456789);

        // A folder with all it holds: a subfolder, a hidden file, a dangling link, a sparse file.
        const Url tree = m_root.child("tree");
        TestFs::writeFile(tree.child("sub\xff/.hidden"), "hidden");
        TestFs::makeSymlink("../gone\n", tree.child("sub\xff/link"));
        TestFs::makeSparseFile(tree.child("sparse"), 64 << 20);
        QCOMPARE(::chmod(tree.child("sub\xff").c_str(), 0750), 0);
        const Url treeDst = far.url().child("tree");
        QVERIFY(!fm().moveURL_toURL_removeUpper(tree, treeDst, true) && !TestFs::exists(tree));
        QCOMPARE(TestFs::readFile(treeDst.child("sub\xff/.hidden")), QByteArray("hidden"));
        char target[64] = {};
        QVERIFY(::readlink(treeDst.child("sub\xff/link").c_str(), target, sizeof target - 1) == 8 &&
                QByteArray(target) == "../gone\n");
        QCOMPARE(TestFs::statOf(treeDst.child("sub\xff")).st_mode & 07777, mode_t(0750));
        QVERIFY(TestFs::statOf(treeDst.child("sparse")).st_blocks < 1024); // holes stayed holes
        // No temporary names left behind, and the source's emptied folder was climbed away from.
        QCOMPARE(TestFs::entries(far.url()), (QList<QByteArray>{"new", "tree"}));
        QVERIFY(!TestFs::exists(m_root) && TestFs::exists(m_root.parent().child("anchor")));
    }

    void crossFileSystemFailuresKeepTheSource()
    {
        ScratchDir far("/dev/shm");
        if (!far.isElsewhere(m_root))
            QSKIP("/dev/shm is not another file system here");
        const Url locked = m_root.child("locked");
        const Url open = m_root.child("open");
        TestFs::writeFile(locked.child("file"), "locked content");
        TestFs::writeFile(open.child("file"), "open content");
        TestFs::makeSymlink("target", locked.child("link"));
        chownToNobody(open.child("file"));
        QCOMPARE(::chmod(locked.c_str(), 0555), 0);
        const Url farOpen = far.url().child("open");
        const Url farLocked = far.url().child("locked");
        TestFs::makeDir(farOpen);
        TestFs::makeDir(farLocked);
        chownToNobody(farOpen);
        QCOMPARE(::chmod(farLocked.c_str(), 0555), 0);

        // The copy is made but the source cannot be removed: the copy is taken back, for a file and a link.
        for (const QByteArray name : {"file", "link"}) {
            QCOMPARE(asNobody([&] {
                         return fm().moveURL_toURL_removeUpper(locked.child(name), farOpen.child(name),
                                                               false);
                     }),
                     EACCES);
        }
        QVERIFY(TestFs::readFile(locked.child("file")) == "locked content" &&
                TestFs::exists(locked.child("link")));
        // The destination folder is not writable: nothing is made, nothing is lost.
        QCOMPARE(asNobody([&] {
                     return fm().moveURL_toURL_removeUpper(open.child("file"), farLocked.child("file"),
                                                           false);
                 }),
                 EACCES);
        QCOMPARE(TestFs::readFile(open.child("file")), QByteArray("open content"));
        QVERIFY(TestFs::entries(farOpen).isEmpty() && TestFs::entries(farLocked).isEmpty());
    }

    void crossFileSystemLinkOrSpecialFileFailingAfterItIsMade()
    {
        // In a user namespace that maps only root, an item owned by another user cannot be given that
        // owner again (EINVAL): the move fails after the new link or FIFO was made, and must take it back.
        ScratchDir far("/dev/shm");
        if (!far.isElsewhere(m_root))
            QSKIP("/dev/shm is not another file system here");
        TestFs::makeSymlink("target", m_root.child("link"));
        QCOMPARE(::mkfifo(m_root.child("fifo").c_str(), 0644), 0);
        for (const QByteArray name : {"link", "fifo"}) {
            chownToNobody(m_root.child(name));
            const auto inNamespace = [] {
                const auto writeFile = [](const char *path, const char *text) {
                    const int fd = ::open(path, O_WRONLY);
                    const bool written = fd >= 0 && ::write(fd, text, strlen(text)) == ssize_t(strlen(text));
                    ::close(fd);
                    return written;
                };
                return ::unshare(CLONE_NEWUSER) == 0 && writeFile("/proc/self/uid_map", "0 0 1") &&
                       writeFile("/proc/self/setgroups", "deny") && writeFile("/proc/self/gid_map", "0 0 1");
            };
            const int status = inChild(inNamespace, [&] {
                return fm().moveURL_toURL_removeUpper(m_root.child(name), far.url().child(name), false);
            });
            if (status == 99)
                QSKIP("no user namespaces here");
            QCOMPARE(status, EINVAL);
            QVERIFY(TestFs::exists(m_root.child(name)) && !TestFs::exists(far.url().child(name)));
        }
    }

    void crossFileSystemMoveRunningOutOfSpace()
    {
        // A small file system of its own, too small for the copy, fails the move half-way.
        ScratchDir small(QDir::tempPath().toUtf8());
        if (::mount("twinsift-test", small.url().c_str(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("cannot mount a small tmpfs here (needs root)");
        const auto unmount = qScopeGuard([&] { ::umount2(small.url().c_str(), MNT_DETACH); });
        TestFs::writeFile(m_root.child("big"), QByteArray(1 << 20, 'b'));
        QCOMPARE(
            statusOf(fm().moveURL_toURL_removeUpper(m_root.child("big"), small.url().child("big"), true)),
            ENOSPC);
        QCOMPARE(TestFs::readFile(m_root.child("big")), QByteArray(1 << 20, 'b'));
        const Url tree = m_root.child("tree");
        TestFs::writeFile(tree.child("a"), "small");
        TestFs::writeFile(tree.child("b"), QByteArray(1 << 20, 'b'));
        QCOMPARE(statusOf(fm().moveURL_toURL_removeUpper(tree, small.url().child("tree"), true)), ENOSPC);
        QVERIFY(TestFs::entries(tree) == (QList<QByteArray>{"a", "b"}) &&
                TestFs::entries(small.url()).isEmpty());
    }

    void crossFileSystemMoveStopsAtMountsInside()
    {
        ScratchDir far("/dev/shm");
        if (!far.isElsewhere(m_root))
            QSKIP("/dev/shm is not another file system here");
        const Url tree = m_root.child("tree");
        TestFs::makeDir(tree.child("mounted"));
        TestFs::writeFile(tree.child("first"), "x");
        if (::mount("twinsift-test", tree.child("mounted").c_str(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("cannot mount a tmpfs here (needs root)");
        const auto unmount = qScopeGuard([&] { ::umount2(tree.child("mounted").c_str(), MNT_DETACH); });
        TestFs::writeFile(tree.child("mounted/other file system"), "x");
        QCOMPARE(statusOf(fm().moveURL_toURL_removeUpper(tree, far.url().child("tree"), false)), EXDEV);
        QVERIFY(TestFs::exists(tree.child("mounted/other file system")) &&
                TestFs::exists(tree.child("first")));
        QVERIFY(TestFs::entries(far.url()).isEmpty());
    }

    void vanishedAndAbsentItems()
    {
        // Gone since it was listed, or never named: nothing to do, nothing reported, and no climb from
        // the folder it was in.
        for (const Url &item : {m_root.child("gone"), Url()}) {
            QVERIFY(!fm().removeURL(item) && !fm().removeURLToTrash(item));
            QVERIFY(!fm().removeURL_WithUpperDirectory_ToTrash(item, true, true));
            QVERIFY(!fm().moveURL_toURL_removeUpper(item, m_root.child("new"), true));
        }
        QVERIFY(TestFs::entries(m_root).isEmpty() && TestFs::exists(m_root));
    }
};

TWINSIFT_TEST_MAIN(TestFileOperations, QCoreApplication)
#include "tst_file_operations.moc"
