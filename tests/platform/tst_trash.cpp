// The freedesktop Trash: info files that let any file manager restore, free names, the data home, the
// per-volume trashes, and refusals that never delete or copy instead.
#include "fs/FileManagerProxy.h"
#include "platform/Trash.h"
#include "platform/UniqueFd.h"
#include "support/TestSupport.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace {

const QByteArray volume = QByteArrayLiteral("/dev/shm");

// The Path= value of an item's info file, still percent-encoded.
QByteArray infoPath(const Url &trash, const QByteArray &name)
{
    for (const QByteArray &line : TestFs::readFile(trash.child("info/" + name + ".trashinfo")).split('\n')) {
        if (line.startsWith("Path="))
            return line.mid(5);
    }
    return QByteArray();
}

const Error trashRefused{QStringLiteral("No permission to move to trash!"), 2, QString()};

// Exclusive use of the trash folders at the top of /dev/shm while a case runs, for a volume whose top
// holds no trash of anyone else's. Everything made there is removed at the end.
class VolumeTrash
{
public:
    VolumeTrash() : m_lock(::open(volume.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (m_lock)
            ::flock(m_lock.get(), LOCK_EX);
    }
    ~VolumeTrash()
    {
        TestFs::removeTree(shared());
        TestFs::removeTree(perUser());
    }
    // Why the volume cannot serve these cases here, or empty when it can.
    QString unusable(const Url &home) const
    {
        const struct stat top = TestFs::statOf(Url::fromPath(volume));
        if (!m_lock || top.st_dev == TestFs::statOf(Url::fromPath("/dev")).st_dev ||
            top.st_dev == TestFs::statOf(home).st_dev)
            return QStringLiteral("/dev/shm is not a file system of its own here");
        if (TestFs::exists(shared()) || TestFs::exists(perUser()))
            return QStringLiteral("/dev/shm already holds a trash; leaving it alone");
        return QString();
    }
    static Url shared() { return Url::fromPath(volume + "/.Trash"); }
    static Url sharedForUser() { return shared().child(QByteArray::number(::getuid())); }
    static Url perUser() { return Url::fromPath(volume + "/.Trash-" + QByteArray::number(::getuid())); }

private:
    UniqueFd m_lock;
};

} // namespace

class TestTrash : public QObject
{
    Q_OBJECT

private:
    TemporaryTree m_scratch;
    Url path(const QByteArray &relative) const { return m_scratch.url().child(relative); }

private Q_SLOTS:
    void cleanup()
    {
        TestFs::removeTree(TestFs::homeTrash());
        for (const QByteArray &name : TestFs::entries(m_scratch.url()))
            TestFs::removeTree(m_scratch.url().child(name));
    }

    void homeTrashKeepsWhatRestoringNeeds()
    {
        const QByteArray name("a b%\xff\n-\xc3\xa9.txt");
        TestFs::writeFile(path("a folder/" + name), "content");
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        QVERIFY(!fm().removeURLToTrash(path("a folder/" + name)));
        QVERIFY(!TestFs::exists(path("a folder/" + name)));
        QCOMPARE(TestFs::readFile(TestFs::homeTrash().child("files/" + name)), QByteArray("content"));
        const QList<QByteArray> lines =
            TestFs::readFile(TestFs::homeTrash().child("info/" + name + ".trashinfo")).split('\n');
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[0] == "[Trash Info]" && lines[2].startsWith("DeletionDate=") && lines[3].isEmpty());
        QCOMPARE(lines[1], "Path=" + m_scratch.url().path().toPercentEncoding("/") +
                               "/a%20folder/a%20b%25%FF%0A-%C3%A9.txt");
        const QDateTime deleted = QDateTime::fromString(QString::fromLatin1(lines[2].mid(13)),
                                                        QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"));
        QVERIFY2(deleted >= before && deleted <= QDateTime::currentDateTime().addSecs(1),
                 lines[2].constData());
        // Made on first use, private to the user.
        for (const char *dir : {"", "/files", "/info"})
            QCOMPARE(TestFs::statOf(Url::fromPath(TestFs::homeTrash().path() + dir)).st_mode & 07777,
                     mode_t(0700));

        // Folders and links go as they are: a link is moved, not followed.
        TestFs::writeFile(path("target"), "target");
        TestFs::writeFile(path("folder/.hidden"), "x");
        TestFs::makeSymlink(path("target").path(), path("link"));
        TestFs::makeSymlink("gone", path("dangling"));
        for (const char *item : {"folder", "link", "dangling"})
            QVERIFY(!Trash::moveToTrash(path(item)));
        QCOMPARE(TestFs::entries(m_scratch.url()), (QList<QByteArray>{"a folder", "target"}));
        QCOMPARE(TestFs::readFile(TestFs::homeTrash().child("files/folder/.hidden")), QByteArray("x"));
        QVERIFY(S_ISLNK(TestFs::statOf(TestFs::homeTrash().child("files/link")).st_mode) &&
                TestFs::readFile(path("target")) == "target");
    }

    void takenNamesGetACounter()
    {
        for (const QByteArray folder : {"one", "two", "three"}) {
            TestFs::writeFile(path(folder + "/photo.jpg"), folder);
            TestFs::writeFile(path(folder + "/.hidden"), folder);
        }
        QVERIFY(!Trash::moveToTrash(path("one/photo.jpg")) && !Trash::moveToTrash(path("two/photo.jpg")));
        // Leftovers of another program: an item without info, info without an item. Neither is replaced.
        TestFs::writeFile(TestFs::homeTrash().child("files/photo_2.jpg"), "stray");
        TestFs::writeFile(TestFs::homeTrash().child("info/photo_3.jpg.trashinfo"), "stray");
        for (const char *item : {"three/photo.jpg", "one/.hidden", "two/.hidden"})
            QVERIFY(!Trash::moveToTrash(path(item)));
        const Url files = TestFs::homeTrash().child("files");
        for (const auto &[name, content] : {std::pair<QByteArray, QByteArray>{"photo.jpg", "one"},
                                            {"photo_1.jpg", "two"},
                                            {"photo_2.jpg", "stray"},
                                            {"photo_4.jpg", "three"},
                                            {".hidden_1", "two"}})
            QCOMPARE(TestFs::readFile(files.child(name)), content);
        QCOMPARE(infoPath(TestFs::homeTrash(), "photo_4.jpg"), path("three/photo.jpg").path());

        // A name too long to carry ".trashinfo" is shortened, its extension kept.
        const QByteArray longName = QByteArray(250, 'n') + ".txt";
        TestFs::writeFile(path(longName), "long");
        QVERIFY(!Trash::moveToTrash(path(longName)));
        QCOMPARE(TestFs::readFile(files.child(QByteArray(241, 'n') + ".txt")), QByteArray("long"));
    }

    void followsTheDataHome()
    {
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", dataHome); });
        qputenv("XDG_DATA_HOME", path("data").path());
        TestFs::writeFile(path("file"), "1");
        QVERIFY(!Trash::moveToTrash(path("file")) && TestFs::exists(path("data/Trash/files/file")));
        // Unset or relative: ~/.local/share, as the base directory rules say.
        for (const QByteArray &value : {QByteArray(), QByteArray("relative/data")}) {
            value.isNull() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", value);
            TestFs::writeFile(path("file"), "2");
            QVERIFY(!Trash::moveToTrash(path("file")));
        }
        const Url defaultTrash = Url::fromPath(qgetenv("HOME") + "/.local/share/Trash");
        QCOMPARE(TestFs::entries(defaultTrash.child("files")), (QList<QByteArray>{"file", "file_1"}));
        TestFs::removeTree(defaultTrash);
    }

    void refusesWithoutDeleting()
    {
        TestFs::writeFile(path("file"), "content");
        TestFs::makeDir(path("elsewhere"));
        // The trash is a plain file, or its files/ a link that would lead elsewhere.
        TestFs::writeFile(TestFs::homeTrash(), "not a folder");
        const MaybeError refused = fm().removeURL_WithUpperDirectory_ToTrash(path("file"), true, true);
        QCOMPARE(refused, trashRefused);
        // The alert shows why, not only the domain.
        QVERIFY(refused->localizedDescription().contains(QString::fromLocal8Bit(std::strerror(ENOTDIR))));
        TestFs::removeTree(TestFs::homeTrash());
        TestFs::makeDir(TestFs::homeTrash());
        TestFs::makeSymlink(path("elsewhere").path(), TestFs::homeTrash().child("files"));
        QVERIFY(Trash::moveToTrash(path("file")));
        QVERIFY(TestFs::readFile(path("file")) == "content" && TestFs::entries(path("elsewhere")).isEmpty());
        TestFs::removeTree(TestFs::homeTrash());
        // The move itself fails (a folder cannot go inside itself): its info file goes again.
        QVERIFY(Trash::moveToTrash(Url::fromPath(qgetenv("XDG_DATA_HOME"))));
        QVERIFY(TestFs::entries(TestFs::homeTrash().child("info")).isEmpty());
        // Nothing to trash.
        QVERIFY(Trash::moveToTrash(path("missing")) && Trash::moveToTrash(Url()));
        QVERIFY(!fm().removeURLToTrash(path("missing")));
    }

    void otherVolumesUseTheirOwnTrash()
    {
        VolumeTrash trash;
        if (const QString reason = trash.unusable(m_scratch.url()); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        const TemporaryTree farDir(volume);
        const Url &far = farDir.url();
        for (const QByteArray name : {"x\xff y", "a", "b", "c", "d"})
            TestFs::writeFile(far.child(name), name);
        // $topdir/.Trash-$uid, with a path relative to the top, and never the home trash.
        QVERIFY(!fm().removeURLToTrash(far.child("x\xff y")));
        QCOMPARE(TestFs::readFile(VolumeTrash::perUser().child("files/x\xff y")), QByteArray("x\xff y"));
        QCOMPARE(infoPath(VolumeTrash::perUser(), "x\xff y"), far.fileName() + "/x%FF%20y");
        QVERIFY((TestFs::statOf(VolumeTrash::perUser()).st_mode & 07777) == 0700 &&
                !TestFs::exists(TestFs::homeTrash()));
        TestFs::removeTree(VolumeTrash::perUser());

        // $topdir/.Trash/$uid when an administrator made .Trash sticky; without the sticky bit anyone
        // could take others' folders away, and a link even to a sticky folder is not used either.
        TestFs::makeDir(VolumeTrash::shared());
        QCOMPARE(::chmod(VolumeTrash::shared().c_str(), 01777), 0);
        QVERIFY(!Trash::moveToTrash(far.child("a")));
        QCOMPARE(TestFs::readFile(VolumeTrash::sharedForUser().child("files/a")), QByteArray("a"));
        QCOMPARE(::chmod(VolumeTrash::shared().c_str(), 0777), 0);
        QVERIFY(!Trash::moveToTrash(far.child("b")));
        QCOMPARE(TestFs::readFile(VolumeTrash::perUser().child("files/b")), QByteArray("b"));
        TestFs::removeTree(VolumeTrash::shared());
        TestFs::makeDir(far.child("sticky"));
        QCOMPARE(::chmod(far.child("sticky").c_str(), 01777), 0);
        TestFs::makeSymlink(far.child("sticky").path(), VolumeTrash::shared());
        QVERIFY(!Trash::moveToTrash(far.child("c")));
        QVERIFY(TestFs::exists(VolumeTrash::perUser().child("files/c")) &&
                TestFs::entries(far.child("sticky")).isEmpty());
        TestFs::removeTree(VolumeTrash::shared());

        // The per-user name is taken by a file, then by someone else's folder: refused, never copied
        // into the home trash instead.
        TestFs::removeTree(VolumeTrash::perUser());
        TestFs::writeFile(VolumeTrash::perUser(), "in the way");
        QCOMPARE(fm().removeURLToTrash(far.child("d")), trashRefused);
        TestFs::removeTree(VolumeTrash::perUser());
        TestFs::makeDir(VolumeTrash::perUser());
        QCOMPARE(::chown(VolumeTrash::perUser().c_str(), ::getuid() + 1, ::getgid()), 0);
        QCOMPARE(fm().removeURLToTrash(far.child("d")), trashRefused);
        QVERIFY(TestFs::readFile(far.child("d")) == "d" && TestFs::entries(VolumeTrash::perUser()).isEmpty());
        QVERIFY(TestFs::entries(TestFs::homeTrash().child("files")).isEmpty());
    }
};

TWINSIFT_TEST_MAIN(TestTrash, QCoreApplication)
#include "tst_trash.moc"
