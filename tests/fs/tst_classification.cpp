// What kind of item a URL names: every predicate at once, for folders, packages, links, special files,
// and files by name and by content.
#include "fs/FileManagerProxy.h"
#include "support/TestSupport.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace {

// A one-pixel PNG image.
QByteArray pngBytes()
{
    return QByteArray::fromHex("89504e470d0a1a0a0000000d49484452000000010000000108060000001f15c489"
                               "0000000a49444154789c63000100000500010d0a2db40000000049454e44ae426082");
}

// Content that says nothing, so that only the name can decide.
const QByteArray binaryJunk("\x00\x01\x02\x03\xfe\xff\x00\x10", 8);

// Every predicate at once, so a test states all that an item is and is not.
QStringList kindsOf(const Url &url)
{
    QStringList kinds;
    const QList<QPair<const char *, bool (FileManagerProxy::*)(const Url &) const>> predicates = {
        {"directory", &FileManagerProxy::isDirecotry}, {"folder", &FileManagerProxy::isFolder},
        {"package", &FileManagerProxy::isPackage},     {"bundle", &FileManagerProxy::isBundle},
        {"link", &FileManagerProxy::isSymblink},       {"application", &FileManagerProxy::isApplication},
        {"movie", &FileManagerProxy::isMovieFile},     {"audio", &FileManagerProxy::isAudioFile},
        {"image", &FileManagerProxy::isImageFile},     {"archive", &FileManagerProxy::isAchieve},
        {"text", &FileManagerProxy::isTextFile},
    };
    for (const auto &[name, predicate] : predicates) {
        if ((fm().*predicate)(url))
            kinds.append(QString::fromLatin1(name));
    }
    return kinds;
}

} // namespace

class TestClassification : public QObject
{
    Q_OBJECT

private:
    TemporaryTree m_tree;
    Url path(const QByteArray &name) const { return m_tree.url().child(name); }

private Q_SLOTS:
    void items_data()
    {
        // How the item is made: "dir", "fifo", "file" or "program" (with the content column, the second
        // marked executable), "link" (to the content column).
        QTest::addColumn<QByteArray>("make");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("kinds");
        const auto row = [](QByteArray make, QByteArray name, QByteArray content, QStringList kinds) {
            QTest::newRow(name.constData()) << make << name << content << kinds;
        };
        const QStringList app = {"directory", "package", "bundle", "application"};
        const QStringList package = {"directory", "package", "bundle"};
        // A folder named like a document is a folder; only the text list looks at a folder's name.
        row("dir", "plain", {}, {"directory", "folder"});
        row("dir", "photos.jpg", {}, {"directory", "folder"});
        row("dir", "notes.doc", {}, {"directory", "folder", "text"});
        row("dir", "Foo.app.old", {}, {"directory", "folder"});
        for (const char *name : {"Foo.app", "Foo.APP", "Viewer\xff.app"})
            row("dir", name, {}, app);
        for (const char *name : {"Kit.framework", "Tool.plugin", "Res.bundle"})
            row("dir", name, {}, package);
        row("dir", "Letter.rtfd", {}, package + QStringList{"text"});
        // Links are typed as themselves, never followed; the extension lists still see their names.
        row("link", "to-png.png", pngBytes(), {"link"});
        row("link", "dangling.txt", "/nonexistent/x", {"link"});
        row("link", "tool.exe", "/nonexistent/tool", {"link", "application"});
        // Asking about a FIFO must not open it (that would block); only the name list may match.
        row("fifo", "pipe.mkv", {}, {"movie"});
        // ELF programs are applications; shared objects look the same inside but are not marked
        // executable; scripts inherit the executable type but are text.
        const QByteArray elf = TestFs::readFile(Url::fromPath("/bin/true"));
        row("program", "program", elf, {"application"});
        row("file", "not-executable", elf, {});
        row("program", "libthing.so.1", elf, {});
        row("program", "script.py", "print(1)\n", {"text"});
        // By name.
        for (const auto &[name, kind] : std::initializer_list<std::pair<const char *, const char *>>{
                 {"readme.txt", "text"},       {"main.cpp", "text"},         {"paper.pdf", "text"},
                 {"run.sh", "text"},           {"song.mp3", "audio"},        {"clip.mp4", "movie"},
                 {"photo.JPG", "image"},       {"backup.tar.gz", "archive"}, {"a.7z", "archive"},
                 {"pkg.deb", "archive"},       {"log.zst", "archive"},       {"Tool.AppImage", "application"},
                 {"setup.msi", "application"}, {"setup.EXE", "application"}, {"edit.Com", "application"},
                 {"clip.MKV", "movie"},        {"clip.Vob", "movie"},        {"clip.rmvb", "movie"},
                 {"f\xe9te.mkv", "movie"},     {"notes.PLIST", "text"},      {"book.epub", "text"},
                 {"old.doc", "text"},          {"new.DOCX", "text"},         {"style.css", "text"},
                 {"flat.rtfd", "text"}})
            row("file", name, binaryJunk, {kind});
        row("file", "tool.desktop", binaryJunk, {"application", "text"});
        // Office documents are zip files underneath but no archives; only a whole last extension counts.
        for (const char *name :
             {"letter.odt", "report.docx2", "film.mkv.part", "setup.exe.bak", "exe", "clip.mkv.", "Fake.app"})
            row("file", name, binaryJunk, {});
        // By content, without an extension and with a name that is not UTF-8.
        for (const char *prefix : {"noextension-", "bad\xff\xfe-"}) {
            const QByteArray p(prefix);
            row("file", p + "png", pngBytes(), {"image"});
            row("file", p + "text", "just some words\n", {"text"});
            row("file", p + "script", "#!/bin/sh\necho hi\n", {"text"});
            row("file", p + "pdf", "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n", {"text"});
            row("file", p + "gzip", QByteArray("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10), {"archive"});
            row("file", p + "empty", {}, {});
        }
    }

    void items()
    {
        QFETCH(QByteArray, make);
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, kinds);
        if (make == "dir")
            TestFs::makeDir(path(name));
        else if (make == "link")
            TestFs::makeSymlink(content.startsWith('/') ? content
                                                        : m_tree.file(name + "-target", content).path(),
                                path(name));
        else if (make == "fifo")
            QCOMPARE(::mkfifo(path(name).c_str(), 0644), 0);
        else
            QCOMPARE(::chmod(m_tree.file(name, content).c_str(), make == "program" ? 0755 : 0644), 0);
        QCOMPARE(kindsOf(path(name)), kinds);
        if (make == "link" || make == "fifo")
            QCOMPARE(fm().typeOfURL(path(name)),
                     QString::fromLatin1(make == "link" ? "inode/symlink" : "inode/fifo"));
    }

    void otherItemsAndConformance()
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, path("sock").c_str(), sizeof address.sun_path);
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        QCOMPARE(fm().typeOfURL(path("sock")), QStringLiteral("inode/socket"));
        ::close(fd);
        QCOMPARE(fm().typeOfURL(Url::fromPath("/dev/null")), QStringLiteral("inode/chardevice"));
        for (const Url &url :
             {path("sock"), Url::fromPath("/dev/null"), Url(), path("missing"), path("missing.app")})
            QCOMPARE(kindsOf(url), QStringList());
        QVERIFY(!fm().typeOfURL(path("missing")));
        // A type conforms to the broader ones it belongs to, by MIME and by uniform type names.
        const Url source = m_tree.file("main.c", "int main(void) { return 0; }\n");
        for (const char *type : {"text/x-csrc", "text/plain", "public.text"})
            QVERIFY(fm().URL_conformsToType(source, QLatin1String(type)));
        QVERIFY(!fm().URL_conformsToType(source, QStringLiteral("image/png")) &&
                !fm().URL_conformsToType(source, QString()));
        const Url svg = m_tree.file("drawing.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\"/>\n");
        QVERIFY(fm().URL_conformsToType(svg, QStringLiteral("application/xml")) && fm().isImageFile(svg));
    }

    void rewrittenContentIsSeen()
    {
        // A type read from content is never reused for different content, even when the file keeps its
        // size and its modification time is set back.
        const QByteArray png = pngBytes();
        const Url url = m_tree.file("rewritten", png);
        struct stat before;
        QCOMPARE(::stat(url.c_str(), &before), 0);
        QCOMPARE(kindsOf(url), QStringList({"image"}));
        QTest::qSleep(20);
        TestFs::writeFile(url, QByteArray(png.size(), 'a'));
        const timespec times[2] = {before.st_atim, before.st_mtim};
        QCOMPARE(::utimensat(AT_FDCWD, url.c_str(), times, 0), 0);
        QCOMPARE(kindsOf(url), QStringList({"text"}));
    }

    void answersAreTheSameFromManyThreads()
    {
        // The predicates run on the scan thread and the main thread at once.
        QList<Url> urls = {m_tree.file("t.txt", "x"), m_tree.file("p", pngBytes()),
                           m_tree.file("b.mkv", binaryJunk), m_tree.file("j", binaryJunk),
                           path("Threads.app")};
        TestFs::makeDir(urls.last());
        QList<QStringList> expected;
        for (const Url &url : urls)
            expected.append(kindsOf(url));
        std::atomic<int> mismatches = 0;
        std::vector<std::jthread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&] {
                for (int round = 0; round < 50; ++round)
                    for (qsizetype i = 0; i < urls.size(); ++i)
                        mismatches += kindsOf(urls[i]) != expected[i];
            });
        }
        threads.clear();
        QCOMPARE(mismatches.load(), 0);
    }
};

TWINSIFT_TEST_MAIN(TestClassification, QCoreApplication)
#include "tst_classification.moc"
