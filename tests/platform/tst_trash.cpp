#include "fs/FileManagerProxy.h"
#include "platform/Trash.h"
#include "platform/UniqueFd.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray volume = QByteArrayLiteral("/dev/shm");

Url at(const Url &base, const QByteArray &relative)
{
    return Url::fromPath(base.path() + '/' + relative);
}

// A scratch folder removed with all it holds at the end (QTemporaryDir cannot remove names that are
// not UTF-8).
class ScratchDir
{
public:
    explicit ScratchDir(const QByteArray &parent)
    {
        QByteArray pattern = parent + "/twinsift-trash-XXXXXX";
        if (::mkdtemp(pattern.data()))
            m_url = Url::fromPath(pattern);
    }
    ~ScratchDir() { removeTree(m_url); }
    bool isValid() const { return !m_url.isNull(); }
    const Url &url() const { return m_url; }

    static void removeTree(const Url &url)
    {
        if (!url.isNull())
            TestFs::run(QStringLiteral("rm"), {QStringLiteral("-rf"), QString::fromUtf8(url.path())});
    }

private:
    Url m_url;
};

struct stat statOf(const Url &url)
{
    struct stat st = {};
    ::lstat(url.c_str(), &st);
    return st;
}

Url homeTrash()
{
    return Url::fromPath(qgetenv("XDG_DATA_HOME") + "/Trash");
}

QList<QByteArray> entriesOf(const Url &dir)
{
    QList<QByteArray> names;
    const auto entries = FileManagerProxy::sharedInstance().getContentsOfDirecotry_skipHidden(dir, false);
    for (const Url &entry : entries.value_or(QList<Url>()))
        names.append(entry.fileName());
    std::sort(names.begin(), names.end());
    return names;
}

// The Path= value of an item's info file, still percent-encoded.
QByteArray infoPath(const Url &trash, const QByteArray &name)
{
    const QList<QByteArray> lines = TestFs::readFile(at(trash, "info/" + name + ".trashinfo")).split('\n');
    for (const QByteArray &line : lines) {
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
        ScratchDir::removeTree(shared());
        ScratchDir::removeTree(perUser());
    }
    // Why the volume cannot serve these cases here, or empty when it can.
    QString unusable(const Url &home) const
    {
        const struct stat top = statOf(Url::fromPath(volume));
        if (!m_lock || top.st_dev == statOf(Url::fromPath("/dev")).st_dev)
            return QStringLiteral("/dev/shm is not a mount of its own here");
        if (top.st_dev == statOf(home).st_dev)
            return QStringLiteral("/dev/shm is on the home trash's file system here");
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
    ScratchDir m_scratch{QDir::tempPath().toUtf8()};

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_scratch.isValid()); }

    void cleanup()
    {
        ScratchDir::removeTree(homeTrash());
        for (const QByteArray &name : entriesOf(m_scratch.url()))
            ScratchDir::removeTree(m_scratch.url().child(name));
    }

    void homeTrashKeepsInfoForRestoring()
    {
        QVERIFY(!TestFs::exists(homeTrash()));
        const Url folder = m_scratch.url().child("a folder");
        TestFs::makeDir(folder);
        const QByteArray name("a b%\xff\n-\xc3\xa9.txt");
        TestFs::writeFile(folder.child(name), "content");

        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        QVERIFY(!FileManagerProxy::sharedInstance().removeURLToTrash(folder.child(name)));
        const QDateTime after = QDateTime::currentDateTime().addSecs(1);

        QVERIFY(!TestFs::exists(folder.child(name)));
        QCOMPARE(TestFs::readFile(at(homeTrash(), "files/" + name)), QByteArray("content"));
        const QList<QByteArray> lines =
            TestFs::readFile(at(homeTrash(), "info/" + name + ".trashinfo")).split('\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QByteArray("[Trash Info]"));
        // mkdtemp names need no escaping, so only the test's own names show percent signs.
        QCOMPARE(lines[1], "Path=" + m_scratch.url().path() + "/a%20folder/a%20b%25%FF%0A-%C3%A9.txt");
        QVERIFY2(lines[2].startsWith("DeletionDate="), lines[2].constData());
        const QDateTime deleted = QDateTime::fromString(QString::fromLatin1(lines[2].mid(13)),
                                                        QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"));
        QVERIFY2(deleted >= before && deleted <= after, lines[2].constData());
        QCOMPARE(lines[3], QByteArray());
        // Made on first use, private to the user.
        for (const char *dir : {"", "/files", "/info"})
            QCOMPARE(statOf(Url::fromPath(homeTrash().path() + dir)).st_mode & 07777, mode_t(0700));
    }

    void foldersAndLinksGoAsTheyAre()
    {
        const Url target = m_scratch.url().child("target");
        TestFs::writeFile(target, "target");
        const Url folder = m_scratch.url().child("folder");
        TestFs::makeDir(folder);
        TestFs::writeFile(folder.child(".hidden"), "x");
        TestFs::makeSymlink(target.path(), m_scratch.url().child("link"));
        TestFs::makeSymlink("gone", m_scratch.url().child("dangling"));

        for (const char *name : {"folder", "link", "dangling"})
            QVERIFY(!Trash::moveToTrash(m_scratch.url().child(name)));
        QCOMPARE(entriesOf(m_scratch.url()), QList<QByteArray>{"target"});
        QCOMPARE(TestFs::readFile(at(homeTrash(), "files/folder/.hidden")), QByteArray("x"));
        QVERIFY(S_ISLNK(statOf(at(homeTrash(), "files/link")).st_mode));
        QVERIFY(S_ISLNK(statOf(at(homeTrash(), "files/dangling")).st_mode));
        QCOMPARE(entriesOf(homeTrash().child("info")),
                 (QList<QByteArray>{"dangling.trashinfo", "folder.trashinfo", "link.trashinfo"}));
    }

    void takenNamesGetACounter()
    {
        for (const QByteArray folder : {"one", "two", "three"}) {
            TestFs::makeDir(m_scratch.url().child(folder));
            TestFs::writeFile(at(m_scratch.url(), folder + "/photo.jpg"), folder);
            TestFs::writeFile(at(m_scratch.url(), folder + "/.hidden"), folder);
        }
        QVERIFY(!Trash::moveToTrash(at(m_scratch.url(), "one/photo.jpg")));
        QVERIFY(!Trash::moveToTrash(at(m_scratch.url(), "two/photo.jpg")));
        // Leftovers of another program: an item without info, info without an item. Neither is replaced.
        TestFs::writeFile(at(homeTrash(), "files/photo_2.jpg"), "stray");
        TestFs::writeFile(at(homeTrash(), "info/photo_3.jpg.trashinfo"), "stray");
        QVERIFY(!Trash::moveToTrash(at(m_scratch.url(), "three/photo.jpg")));
        QVERIFY(!Trash::moveToTrash(at(m_scratch.url(), "one/.hidden")));
        QVERIFY(!Trash::moveToTrash(at(m_scratch.url(), "two/.hidden")));

        const Url files = homeTrash().child("files");
        QCOMPARE(TestFs::readFile(files.child("photo.jpg")), QByteArray("one"));
        QCOMPARE(TestFs::readFile(files.child("photo_1.jpg")), QByteArray("two"));
        QCOMPARE(TestFs::readFile(files.child("photo_2.jpg")), QByteArray("stray"));
        QCOMPARE(TestFs::readFile(files.child("photo_4.jpg")), QByteArray("three"));
        QCOMPARE(TestFs::readFile(at(homeTrash(), "info/photo_3.jpg.trashinfo")), QByteArray("stray"));
        QCOMPARE(TestFs::readFile(files.child(".hidden_1")), QByteArray("two"));
        QCOMPARE(infoPath(homeTrash(), "photo_4.jpg"), m_scratch.url().path() + "/three/photo.jpg");
        QCOMPARE(infoPath(homeTrash(), ".hidden_1"), m_scratch.url().path() + "/two/.hidden");

        // A name too long to carry ".trashinfo" is shortened, its extension kept.
        const QByteArray longName = QByteArray(250, 'n') + ".txt";
        TestFs::writeFile(m_scratch.url().child(longName), "long");
        QVERIFY(!Trash::moveToTrash(m_scratch.url().child(longName)));
        const QByteArray shortened = QByteArray(241, 'n') + ".txt";
        QCOMPARE(TestFs::readFile(files.child(shortened)), QByteArray("long"));
        QCOMPARE(infoPath(homeTrash(), shortened), m_scratch.url().path() + '/' + longName);
    }

    void followsTheDataHome()
    {
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", dataHome); });
        const Url file = m_scratch.url().child("file");

        qputenv("XDG_DATA_HOME", m_scratch.url().path() + "/data");
        TestFs::writeFile(file, "1");
        QVERIFY(!Trash::moveToTrash(file));
        QVERIFY(TestFs::exists(at(m_scratch.url(), "data/Trash/files/file")));

        // Unset or relative: ~/.local/share, as the base directory rules say.
        for (const QByteArray &value : {QByteArray(), QByteArray("relative/data")}) {
            if (value.isNull())
                qunsetenv("XDG_DATA_HOME");
            else
                qputenv("XDG_DATA_HOME", value);
            TestFs::writeFile(file, "2");
            QVERIFY(!Trash::moveToTrash(file));
        }
        const Url defaultTrash = Url::fromPath(qgetenv("HOME") + "/.local/share/Trash");
        QCOMPARE(entriesOf(defaultTrash.child("files")), (QList<QByteArray>{"file", "file_1"}));
        ScratchDir::removeTree(defaultTrash);
    }

    void refusesWithoutDeleting()
    {
        const Url file = m_scratch.url().child("file");
        TestFs::writeFile(file, "content");
        const Url elsewhere = m_scratch.url().child("elsewhere");
        TestFs::makeDir(elsewhere);

        // The trash is a plain file, or its files/ a link that would lead elsewhere.
        TestFs::writeFile(homeTrash(), "not a folder");
        QCOMPARE(FileManagerProxy::sharedInstance().removeURLToTrash(file), trashRefused);
        QCOMPARE(FileManagerProxy::sharedInstance().removeURL_WithUpperDirectory_ToTrash(file, true, true),
                 trashRefused);
        ScratchDir::removeTree(homeTrash());
        TestFs::makeDir(homeTrash());
        TestFs::makeSymlink(elsewhere.path(), homeTrash().child("files"));
        QVERIFY(Trash::moveToTrash(file));
        QCOMPARE(TestFs::readFile(file), QByteArray("content"));
        QVERIFY(entriesOf(elsewhere).isEmpty());
        ScratchDir::removeTree(homeTrash());

        // The move itself fails (a folder cannot go inside itself): its info file goes again.
        const Url dataHome = Url::fromPath(qgetenv("XDG_DATA_HOME"));
        QVERIFY(Trash::moveToTrash(dataHome));
        QVERIFY(TestFs::exists(homeTrash()));
        QVERIFY(entriesOf(homeTrash().child("info")).isEmpty());

        // Nothing to trash.
        QVERIFY(Trash::moveToTrash(m_scratch.url().child("missing")));
        QVERIFY(!FileManagerProxy::sharedInstance().removeURLToTrash(m_scratch.url().child("missing")));
        QVERIFY(Trash::moveToTrash(Url()));
    }

    void otherVolumeUsesItsOwnTrash()
    {
        VolumeTrash trash;
        if (const QString reason = trash.unusable(m_scratch.url()); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        ScratchDir far(volume);
        QVERIFY(far.isValid());
        TestFs::writeFile(far.url().child("x\xff y"), "far");

        QVERIFY(!FileManagerProxy::sharedInstance().removeURLToTrash(far.url().child("x\xff y")));
        const Url perUser = VolumeTrash::perUser();
        QCOMPARE(TestFs::readFile(at(perUser, "files/x\xff y")), QByteArray("far"));
        QCOMPARE(infoPath(perUser, "x\xff y"), far.url().fileName() + "/x%FF%20y");
        QCOMPARE(statOf(perUser).st_mode & 07777, mode_t(0700));
        QVERIFY(!TestFs::exists(homeTrash()));
    }

    void stickySharedTrashIsPreferred()
    {
        VolumeTrash trash;
        if (const QString reason = trash.unusable(m_scratch.url()); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        ScratchDir far(volume);
        QVERIFY(far.isValid());
        for (const QByteArray name : {"a", "b", "c"})
            TestFs::writeFile(far.url().child(name), name);

        // Set up by an administrator: world-writable with the sticky bit.
        TestFs::makeDir(VolumeTrash::shared());
        QCOMPARE(::chmod(VolumeTrash::shared().c_str(), 01777), 0);
        QVERIFY(!Trash::moveToTrash(far.url().child("a")));
        QCOMPARE(TestFs::readFile(at(VolumeTrash::sharedForUser(), "files/a")), QByteArray("a"));
        QCOMPARE(infoPath(VolumeTrash::sharedForUser(), "a"), far.url().fileName() + "/a");
        QCOMPARE(statOf(VolumeTrash::sharedForUser()).st_mode & 07777, mode_t(0700));

        // Without the sticky bit anyone could take others' folders away: not used.
        QCOMPARE(::chmod(VolumeTrash::shared().c_str(), 0777), 0);
        QVERIFY(!Trash::moveToTrash(far.url().child("b")));
        QCOMPARE(TestFs::readFile(at(VolumeTrash::perUser(), "files/b")), QByteArray("b"));

        // A link, even to a proper sticky folder, is not used either.
        ScratchDir::removeTree(VolumeTrash::shared());
        const Url sticky = far.url().child("sticky");
        TestFs::makeDir(sticky);
        QCOMPARE(::chmod(sticky.c_str(), 01777), 0);
        TestFs::makeSymlink(sticky.path(), VolumeTrash::shared());
        QVERIFY(!Trash::moveToTrash(far.url().child("c")));
        QCOMPARE(TestFs::readFile(at(VolumeTrash::perUser(), "files/c")), QByteArray("c"));
        QVERIFY(entriesOf(sticky).isEmpty());
    }

    void otherVolumeRefusesWithoutCopying()
    {
        VolumeTrash trash;
        if (const QString reason = trash.unusable(m_scratch.url()); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        ScratchDir far(volume);
        QVERIFY(far.isValid());
        const Url file = far.url().child("file");
        TestFs::writeFile(file, "far");

        // The per-user name is taken by a file, then by someone else's folder.
        TestFs::writeFile(VolumeTrash::perUser(), "in the way");
        QCOMPARE(FileManagerProxy::sharedInstance().removeURLToTrash(file), trashRefused);
        ScratchDir::removeTree(VolumeTrash::perUser());
        TestFs::makeDir(VolumeTrash::perUser());
        QCOMPARE(::chown(VolumeTrash::perUser().c_str(), ::getuid() + 1, ::getgid()), 0);
        QCOMPARE(FileManagerProxy::sharedInstance().removeURLToTrash(file), trashRefused);

        QCOMPARE(TestFs::readFile(file), QByteArray("far"));
        QVERIFY(entriesOf(VolumeTrash::perUser()).isEmpty());
        // Never copied into the home trash instead.
        QVERIFY(entriesOf(homeTrash().child("files")).isEmpty());
    }
};

TWINSIFT_TEST_MAIN(TestTrash, QCoreApplication)
#include "tst_trash.moc"
