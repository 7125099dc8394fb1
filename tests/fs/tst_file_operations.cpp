// Free names, removal, moves, and the climb through the folders a removal empties: on real trees, with
// names that are not UTF-8 or hold newlines, and as an unprivileged user where permissions matter.
// Nothing may be lost by accident. Moves across file systems are tst_cross_device_move's.
#include "fs/FileManagerProxy.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace {

// A scratch folder that an unprivileged user can reach.
struct ScratchDir : TemporaryTree
{
    explicit ScratchDir(const QByteArray &parent) : TemporaryTree(parent) { ::chmod(url().c_str(), 0755); }
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
