// Moves from the system's temporary folder to /dev/shm, another file system: what a copy keeps (bytes,
// holes, permissions, times, extended attributes, ACLs), what it reports it could not keep, sources
// that change or cannot go, destinations that fill up, and the temporaries of movers that died.
#include "fs/CrossDeviceMove.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <functional>
#include <vector>

namespace {

// A scratch folder that an unprivileged user can reach.
struct ScratchDir : TemporaryTree
{
    explicit ScratchDir(const QByteArray &parent) : TemporaryTree(parent) { ::chmod(url().c_str(), 0755); }
};

// The result of a move as an exit status: 0 no error, else the errno value.
int statusOf(const MaybeError &error)
{
    return error ? int(error->code) : 0;
}

// Runs the operation in a child process after `become`; returns its status, 99 when `become` failed,
// or -1.
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

// Becomes the user nobody, so that permission bits apply, which root ignores.
bool becomeNobody(const std::vector<gid_t> &groups = {})
{
    const passwd *nobody = ::getpwnam("nobody");
    return nobody && ::setgroups(groups.size(), groups.data()) == 0 &&
           ::setresgid(nobody->pw_gid, nobody->pw_gid, nobody->pw_gid) == 0 &&
           ::setresuid(nobody->pw_uid, nobody->pw_uid, nobody->pw_uid) == 0;
}

int asNobody(const std::function<MaybeError()> &operation)
{
    return inChild([] { return becomeNobody(); }, operation);
}

void chownToNobody(const Url &url)
{
    const passwd *nobody = ::getpwnam("nobody");
    QVERIFY(nobody);
    QCOMPARE(::lchown(url.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
}

// The extended attributes of an item (a link's own), by name.
QMap<QByteArray, QByteArray> xattrsOf(const Url &url)
{
    QMap<QByteArray, QByteArray> attributes;
    char names[4096];
    const ssize_t length = ::llistxattr(url.c_str(), names, sizeof names);
    for (const QByteArray &name : QByteArray(names, std::max<ssize_t>(length, 0)).split('\0')) {
        char value[4096];
        const ssize_t size = ::lgetxattr(url.c_str(), name.constData(), value, sizeof value);
        if (size >= 0)
            attributes.insert(name, QByteArray(value, size));
    }
    return attributes;
}

// A POSIX ACL as the kernel keeps it in an extended attribute (version 2, then tag, permissions and id
// of each entry): the owner rw-, the user nobody r--, the group r--, mask r--, others nothing.
QByteArray aclForNobody()
{
    struct Entry
    {
        quint16 tag;
        quint16 permissions;
        quint32 id;
    };
    const quint32 version = 2;
    const Entry entries[] = {
        {0x01, 6, ~0u}, {0x02, 4, 65534}, {0x04, 4, ~0u}, {0x10, 4, ~0u}, {0x20, 0, ~0u}};
    return QByteArray(reinterpret_cast<const char *>(&version), sizeof version) +
           QByteArray(reinterpret_cast<const char *>(entries), sizeof entries);
}

} // namespace

class TestCrossDeviceMove : public QObject
{
    Q_OBJECT

private:
    ScratchDir m_scratch{QDir::tempPath().toUtf8()};
    ScratchDir m_farScratch{"/dev/shm"};
    Url m_root; // this case's sources
    Url m_far;  // this case's destinations, on the other file system

private Q_SLOTS:
    void initTestCase()
    {
        if (m_farScratch.url().isNull() ||
            TestFs::statOf(m_farScratch.url()).st_dev == TestFs::statOf(m_scratch.url()).st_dev)
            QSKIP("/dev/shm is not another file system here");
    }

    // A fresh pair of folders per case: each folder is cleared of stale temporaries once per process.
    void init()
    {
        static int run = 0;
        const QByteArray name = "case" + QByteArray::number(++run);
        m_root = m_scratch.url().child(name);
        m_far = m_farScratch.url().child(name);
        TestFs::makeDir(m_root);
        TestFs::makeDir(m_far);
    }

    void filesFoldersAndLinks()
    {
        // A file: content, permissions and modification time to the nanosecond.
        const Url file = m_root.child("caf\xe9\n.bin");
        TestFs::writeFile(file, QByteArray(300000, 'q'));
        QCOMPARE(::chmod(file.c_str(), 0604), 0);
        const timespec times[2] = {{1000000000, 123456789}, {1000000000, 123456789}};
        QCOMPARE(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
        QVERIFY(!moveAcrossFileSystems(file, m_far.child("caf\xe9\n.bin")) && !TestFs::exists(file));
        const struct stat moved = TestFs::statOf(m_far.child("caf\xe9\n.bin"));
        QVERIFY(TestFs::readFile(m_far.child("caf\xe9\n.bin")) == QByteArray(300000, 'q') &&
                (moved.st_mode & 07777) == 0604);
        QVERIFY(moved.st_mtim.tv_sec == 1000000000 && moved.st_mtim.tv_nsec == 123456789);

        // A folder with all it holds: a subfolder, a hidden file, a dangling link.
        const Url tree = m_root.child("tree");
        TestFs::writeFile(tree.child("sub\xff/.hidden"), "hidden");
        TestFs::makeSymlink("../gone\n", tree.child("sub\xff/link"));
        QCOMPARE(::chmod(tree.child("sub\xff").c_str(), 0750), 0);
        const Url treeDst = m_far.child("tree");
        QVERIFY(!moveAcrossFileSystems(tree, treeDst) && !TestFs::exists(tree));
        QCOMPARE(TestFs::readFile(treeDst.child("sub\xff/.hidden")), QByteArray("hidden"));
        char target[64] = {};
        QVERIFY(::readlink(treeDst.child("sub\xff/link").c_str(), target, sizeof target - 1) == 8 &&
                QByteArray(target) == "../gone\n");
        QCOMPARE(TestFs::statOf(treeDst.child("sub\xff")).st_mode & 07777, mode_t(0750));
        // No temporary left behind.
        QCOMPARE(TestFs::entries(m_far), (QList<QByteArray>{"caf\xe9\n.bin", "tree"}));
    }

    void sparseFiles_data()
    {
        QTest::addColumn<QList<qint64>>("dataAt");
        // 1 MiB files with 100 bytes at each offset, holes elsewhere.
        QTest::newRow("ending in data") << QList<qint64>{0, (1 << 20) - 100};
        QTest::newRow("ending in a hole") << QList<qint64>{64 << 10};
        QTest::newRow("all hole") << QList<qint64>{};
    }

    void sparseFiles()
    {
        QFETCH(QList<qint64>, dataAt);
        const Url file = m_root.child("sparse");
        TestFs::makeSparseFile(file, 1 << 20);
        const int fd = ::open(file.c_str(), O_WRONLY);
        for (const qint64 at : dataAt)
            QCOMPARE(::pwrite(fd, randomBytes(100, quint32(at)).constData(), 100, at), 100);
        ::close(fd);
        const QByteArray content = TestFs::readFile(file);
        QVERIFY(!moveAcrossFileSystems(file, m_far.child("sparse")));
        QCOMPARE(TestFs::readFile(m_far.child("sparse")), content);
        QVERIFY(TestFs::statOf(m_far.child("sparse")).st_blocks * 512 <= 64 << 10); // holes stayed holes
    }

    void extendedAttributesAndAcls()
    {
        // A folder with a default ACL and a file with an ACL of its own, both with user attributes, and
        // a file and a folder with neither. The destination folder hands its own default ACL down to
        // what is made in it: each copy must end with the attributes of its source, no more.
        const Url tree = m_root.child("tree");
        TestFs::writeFile(tree.child("acl"), "x");
        TestFs::writeFile(tree.child("plain"), "y");
        TestFs::makeDir(tree.child("sub"));
        const QByteArray acl = aclForNobody();
        const QList<std::tuple<Url, const char *, QByteArray>> attributes = {
            {tree, "user.folder", QByteArray("\0\xff", 2)},
            {tree, "system.posix_acl_default", acl},
            {tree.child("acl"), "user.empty", QByteArray()},
            {tree.child("acl"), "user.\xe9t\xe9", "caf\xc3\xa9"},
            {tree.child("acl"), "system.posix_acl_access", acl},
            {m_far, "system.posix_acl_default", acl},
        };
        for (const auto &[item, name, value] : attributes) {
            if (::lsetxattr(item.c_str(), name, value.constData(), value.size(), 0) != 0)
                QSKIP(qPrintable(QStringLiteral("no user attributes or ACLs on %1: %2")
                                     .arg(item.displayPath(), QString::fromLocal8Bit(strerror(errno)))));
        }
        const QList<QByteArray> items = {"", "/acl", "/plain", "/sub"};
        QList<QPair<QMap<QByteArray, QByteArray>, mode_t>> before;
        for (const QByteArray &item : items) {
            const Url url = Url::fromPath(tree.path() + item);
            before << qMakePair(xattrsOf(url), TestFs::statOf(url).st_mode);
        }
        QStringList notKept;
        QVERIFY(!moveAcrossFileSystems(tree, m_far.child("tree"), &notKept) && notKept.isEmpty());
        for (qsizetype i = 0; i < items.size(); ++i) {
            const Url copy = Url::fromPath(m_far.child("tree").path() + items[i]);
            QCOMPARE(xattrsOf(copy), before[i].first);
            QCOMPARE(TestFs::statOf(copy).st_mode, before[i].second);
        }
    }

    void attributesTheDestinationRefusesAreReported()
    {
        // A ramfs keeps no extended attributes at all; the move goes on without them.
        const TemporaryTree ramfs;
        if (::mount("twinsift-test", ramfs.url().c_str(), "ramfs", 0, nullptr) != 0)
            QSKIP("cannot mount a ramfs here (needs root)");
        const auto unmount = qScopeGuard([&] { ::umount2(ramfs.url().c_str(), MNT_DETACH); });
        const Url file = m_root.child("n\xe4me");
        TestFs::writeFile(file, "content");
        QCOMPARE(::lsetxattr(file.c_str(), "user.tag", "v", 1, 0), 0);
        QStringList notKept;
        const Url copy = ramfs.url().child("n\xe4me");
        QVERIFY(!moveAcrossFileSystems(file, copy, &notKept));
        QVERIFY(TestFs::readFile(copy) == "content" && !TestFs::exists(file));
        QCOMPARE(notKept.size(), 1);
        QVERIFY2(notKept[0].startsWith(copy.displayPath()) && notKept[0].contains("user.tag"),
                 qPrintable(notKept[0]));
    }

    void ownersRootCannotSetAreReported()
    {
        // In a user namespace that maps only root, an item owned by another user cannot be given that
        // owner again (EINVAL): the link or FIFO is moved all the same, and the loss reported.
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
            const Url copy = m_far.child(name);
            const int status = inChild(inNamespace, [&]() -> MaybeError {
                QStringList notKept;
                if (auto error = moveAcrossFileSystems(m_root.child(name), copy, &notKept))
                    return error;
                const bool reported = notKept.size() == 1 && notKept[0].startsWith(copy.displayPath()) &&
                                      notKept[0].contains("owner");
                return reported ? MaybeError() : Error{QString(), 98, QString()};
            });
            if (status == 99)
                QSKIP("no user namespaces here");
            QCOMPARE(status, 0);
            QVERIFY(!TestFs::exists(m_root.child(name)) && TestFs::exists(copy));
        }
    }

    void usersGetCopiesOfTheirOwn()
    {
        // As nobody, also in the group 4242: root's file in that group becomes nobody's, in that group,
        // and that is no loss to report.
        const Url folder = m_root.child("nobody's");
        TestFs::writeFile(folder.child("file"), "x");
        QCOMPARE(::chown(folder.child("file").c_str(), 0, 4242), 0);
        chownToNobody(folder);
        chownToNobody(m_far);
        QCOMPARE(inChild([] { return becomeNobody({4242}); },
                         [&]() -> MaybeError {
                             QStringList notKept;
                             auto error =
                                 moveAcrossFileSystems(folder.child("file"), m_far.child("file"), &notKept);
                             return error || notKept.isEmpty() ? error : Error{QString(), 98, QString()};
                         }),
                 0);
        const struct stat copy = TestFs::statOf(m_far.child("file"));
        QVERIFY(copy.st_uid == ::getpwnam("nobody")->pw_uid && copy.st_gid == 4242);
    }

    void changedSourceStays_data()
    {
        QTest::addColumn<qint64>("at");
        QTest::addColumn<QByteArray>("write");
        QTest::addColumn<bool>("newTime");
        QTest::addColumn<QByteArray>("changed");
        QTest::newRow("appended to") << qint64(6) << QByteArray("+") << false << QByteArray("before+");
        QTest::newRow("rewritten, same size, new time")
            << qint64(0) << QByteArray("after!") << true << QByteArray("after!");
        // An editor's save: another file renamed over the name, of the same size and time.
        QTest::newRow("replaced") << qint64(-1) << QByteArray("saved!") << false << QByteArray("saved!");
    }

    void changedSourceStays()
    {
        // The source changes once its bytes are copied: the move fails, the change stays, no copy is left.
        QFETCH(qint64, at);
        QFETCH(QByteArray, write);
        QFETCH(bool, newTime);
        QFETCH(QByteArray, changed);
        const Url file = m_root.child("file");
        TestFs::writeFile(file, "before");
        const struct stat original = TestFs::statOf(file);
        const auto change = [&] {
            if (at < 0) {
                const Url saved = m_root.child("saved");
                TestFs::writeFile(saved, write);
                const timespec times[2] = {original.st_atim, original.st_mtim};
                if (::utimensat(AT_FDCWD, saved.c_str(), times, 0) != 0 ||
                    ::rename(saved.c_str(), file.c_str()) != 0)
                    qFatal("cannot replace %s", file.c_str());
                return;
            }
            const int fd = ::open(file.c_str(), O_WRONLY);
            const timespec times[2] = {original.st_atim,
                                       newTime ? timespec{1000000000, 0} : original.st_mtim};
            if (::pwrite(fd, write.constData(), write.size(), at) != write.size() ||
                ::futimens(fd, times) != 0)
                qFatal("cannot change %s", file.c_str());
            ::close(fd);
        };
        QCOMPARE(statusOf(moveAcrossFileSystems(file, m_far.child("file"), nullptr, change)), EAGAIN);
        QCOMPARE(TestFs::readFile(file), changed);
        QVERIFY(TestFs::entries(m_far).isEmpty());
    }

    void failuresKeepTheSource()
    {
        // As nobody, from a folder it may not write (locked) and into one (farLocked).
        const Url locked = m_root.child("locked");
        const Url open = m_root.child("open");
        TestFs::writeFile(locked.child("file"), "locked content");
        TestFs::writeFile(open.child("file"), "open content");
        TestFs::makeSymlink("target", locked.child("link"));
        chownToNobody(open.child("file"));
        QCOMPARE(::chmod(locked.c_str(), 0555), 0);
        const Url farOpen = m_far.child("open");
        const Url farLocked = m_far.child("locked");
        TestFs::makeDir(farOpen);
        TestFs::makeDir(farLocked);
        chownToNobody(farOpen);
        QCOMPARE(::chmod(farLocked.c_str(), 0555), 0);

        // The copy is made but the source cannot be removed: the copy is taken back, for a file and a link.
        for (const QByteArray name : {"file", "link"})
            QCOMPARE(asNobody([&] { return moveAcrossFileSystems(locked.child(name), farOpen.child(name)); }),
                     EACCES);
        QVERIFY(TestFs::readFile(locked.child("file")) == "locked content" &&
                TestFs::exists(locked.child("link")));
        // The destination folder is not writable: nothing is made, nothing is lost.
        QCOMPARE(asNobody([&] { return moveAcrossFileSystems(open.child("file"), farLocked.child("file")); }),
                 EACCES);
        QCOMPARE(TestFs::readFile(open.child("file")), QByteArray("open content"));
        QVERIFY(TestFs::entries(farOpen).isEmpty() && TestFs::entries(farLocked).isEmpty());
    }

    void runningOutOfSpace()
    {
        // A small file system of its own, too small for the copy, fails the move half-way.
        const TemporaryTree small;
        if (::mount("twinsift-test", small.url().c_str(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("cannot mount a small tmpfs here (needs root)");
        const auto unmount = qScopeGuard([&] { ::umount2(small.url().c_str(), MNT_DETACH); });
        TestFs::writeFile(m_root.child("big"), QByteArray(1 << 20, 'b'));
        QCOMPARE(statusOf(moveAcrossFileSystems(m_root.child("big"), small.url().child("big"))), ENOSPC);
        QCOMPARE(TestFs::readFile(m_root.child("big")), QByteArray(1 << 20, 'b'));
        const Url tree = m_root.child("tree");
        TestFs::writeFile(tree.child("a"), "small");
        TestFs::writeFile(tree.child("b"), QByteArray(1 << 20, 'b'));
        QCOMPARE(statusOf(moveAcrossFileSystems(tree, small.url().child("tree"))), ENOSPC);
        QVERIFY(TestFs::entries(tree) == (QList<QByteArray>{"a", "b"}) &&
                TestFs::entries(small.url()).isEmpty());
    }

    void stopsAtMountsInside()
    {
        const Url tree = m_root.child("tree");
        TestFs::makeDir(tree.child("mounted"));
        TestFs::writeFile(tree.child("first"), "x");
        if (::mount("twinsift-test", tree.child("mounted").c_str(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("cannot mount a tmpfs here (needs root)");
        const auto unmount = qScopeGuard([&] { ::umount2(tree.child("mounted").c_str(), MNT_DETACH); });
        TestFs::writeFile(tree.child("mounted/other file system"), "x");
        QCOMPARE(statusOf(moveAcrossFileSystems(tree, m_far.child("tree"))), EXDEV);
        QVERIFY(TestFs::exists(tree.child("mounted/other file system")) &&
                TestFs::exists(tree.child("first")));
        QVERIFY(TestFs::entries(m_far).isEmpty());
    }

    void temporariesOfDeadMoversGo()
    {
        // Two other movers into the same folder: one waits with its copy made until it is told to go
        // on; one is killed at that moment. The next move clears what the dead one left, and only that.
        for (const QByteArray name : {"live", "killed", "mine"})
            TestFs::writeFile(m_root.child(name), name);
        // Each side keeps only its own ends of the pipes: a mover that ends without reaching its copy
        // makes the parent read nothing rather than wait, and closing `resume` lets the mover go on.
        int ready[2];
        int resume[2];
        QVERIFY(::pipe(ready) == 0 && ::pipe(resume) == 0);
        const pid_t live = ::fork();
        if (live == 0) {
            ::close(ready[0]);
            ::close(resume[1]);
            const auto waitForParent = [&] {
                char byte = 0;
                if (::write(ready[1], &byte, 1) != 1 || ::read(resume[0], &byte, 1) != 0)
                    ::_exit(98);
            };
            ::_exit(statusOf(
                moveAcrossFileSystems(m_root.child("live"), m_far.child("live"), nullptr, waitForParent)));
        }
        ::close(ready[1]);
        ::close(resume[0]);
        int liveStatus = -1;
        const auto finishLive = [&] {
            if (resume[1] >= 0) {
                ::close(std::exchange(resume[1], -1));
                ::waitpid(live, &liveStatus, 0);
            }
        };
        const auto cleanup = qScopeGuard([&] {
            finishLive();
            ::close(ready[0]);
        });
        char byte;
        QCOMPARE(::read(ready[0], &byte, 1), ssize_t(1));
        QCOMPARE(inChild([] { return true; },
                         [&] {
                             return moveAcrossFileSystems(m_root.child("killed"), m_far.child("killed"),
                                                          nullptr, [] { ::_exit(77); });
                         }),
                 77);
        QCOMPARE(TestFs::entries(m_far).size(), 2);

        QVERIFY(!moveAcrossFileSystems(m_root.child("mine"), m_far.child("mine")));
        const QList<QByteArray> left = TestFs::entries(m_far);
        QVERIFY(left.size() == 2 && left[0].startsWith(".twinsift-move-") && left[1] == "mine");
        finishLive();
        QVERIFY(WIFEXITED(liveStatus) && WEXITSTATUS(liveStatus) == 0);
        QCOMPARE(TestFs::entries(m_far), (QList<QByteArray>{"live", "mine"}));
        QCOMPARE(TestFs::readFile(m_root.child("killed")), QByteArray("killed"));
    }

    void staleTemporariesGoWithinTheirFileSystem()
    {
        // A stale temporary holding a mount and a link to a folder outside: neither is entered.
        const Url stale = m_far.child(".twinsift-move-stale");
        TestFs::writeFile(stale.child("copied"), "x");
        TestFs::writeFile(m_root.child("outside/precious"), "keep");
        TestFs::makeSymlink(m_root.child("outside").path(), stale.child("link"));
        TestFs::makeDir(stale.child("mounted"));
        if (::mount("twinsift-test", stale.child("mounted").c_str(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("cannot mount a tmpfs here (needs root)");
        const auto unmount = qScopeGuard([&] { ::umount2(stale.child("mounted").c_str(), MNT_DETACH); });
        TestFs::writeFile(stale.child("mounted/other file system"), "x");
        TestFs::writeFile(m_root.child("file"), "f");
        QVERIFY(!moveAcrossFileSystems(m_root.child("file"), m_far.child("file")));
        QCOMPARE(TestFs::entries(stale), QList<QByteArray>{"mounted"});
        QVERIFY(TestFs::exists(stale.child("mounted/other file system")) &&
                TestFs::readFile(m_root.child("outside/precious")) == "keep");
    }
};

TWINSIFT_TEST_MAIN(TestCrossDeviceMove, QCoreApplication)
#include "tst_cross_device_move.moc"
