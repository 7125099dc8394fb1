#include "fs/FileManagerProxy.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace {

FileManagerProxy &fm()
{
    return FileManagerProxy::sharedInstance();
}

QByteArray pngBytes()
{
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

const QByteArray binaryJunk("\x00\x01\x02\x03\xfe\xff\x00\x10", 8);

// Every predicate at once, so a test can state all that an item is and is not.
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
    TemporaryTree m_dir;
    Url root() const { return m_dir.url(); }
    Url file(const QByteArray &name, const QByteArray &content) { return m_dir.file(name, content); }

private Q_SLOTS:
    void absentAndMissingItemsAreNothing()
    {
        for (const Url &url : {Url(), root().child("missing"), root().child("missing.app")}) {
            QCOMPARE(kindsOf(url), QStringList());
            QCOMPARE(fm().typeOfURL(url), std::nullopt);
            QVERIFY(!fm().URL_conformsToType(url, QStringLiteral("public.item")));
        }
        const Url existing = file("present.txt", "text");
        QVERIFY(!fm().URL_conformsToType(existing, QString()));
    }

    void foldersAndPackages()
    {
        const Url folder = root().child("plain");
        TestFs::makeDir(folder);
        QCOMPARE(kindsOf(folder), QStringList({"directory", "folder"}));
        QCOMPARE(fm().typeOfURL(folder), QStringLiteral("inode/directory"));

        // A folder named like a document is still a folder; only the text list looks at its name.
        const Url photos = root().child("photos.jpg");
        TestFs::makeDir(photos);
        QCOMPARE(kindsOf(photos), QStringList({"directory", "folder"}));
        const Url notes = root().child("notes.doc");
        TestFs::makeDir(notes);
        QCOMPARE(kindsOf(notes), QStringList({"directory", "folder", "text"}));

        for (const QByteArray name : {"Foo.app", "Foo.APP", "Viewer\xff.app"}) {
            const Url app = root().child(name);
            TestFs::makeDir(app);
            QCOMPARE(kindsOf(app), QStringList({"directory", "package", "bundle", "application"}));
            QVERIFY(fm().typeOfURL(app).has_value());
        }
        for (const QByteArray name : {"Kit.framework", "Tool.plugin", "Res.bundle"}) {
            const Url package = root().child(name);
            TestFs::makeDir(package);
            QCOMPARE(kindsOf(package), QStringList({"directory", "package", "bundle"}));
        }
        const Url rtfd = root().child("Letter.rtfd");
        TestFs::makeDir(rtfd);
        QCOMPARE(kindsOf(rtfd), QStringList({"directory", "package", "bundle", "text"}));

        // Near misses are folders, and a plain file with a package name is no directory.
        const Url notPackage = root().child("Foo.app.old");
        TestFs::makeDir(notPackage);
        QCOMPARE(kindsOf(notPackage), QStringList({"directory", "folder"}));
        QVERIFY(!fm().isDirecotry(file("Fake.app", binaryJunk)));
        QVERIFY(!fm().isPackage(root().child("Fake.app")));
        QVERIFY(fm().isTextFile(file("flat.rtfd", binaryJunk)));
    }

    void linksAreTypedAsThemselves()
    {
        const Url target = file("target.png", pngBytes());
        const Url folder = root().child("linked-folder");
        TestFs::makeDir(folder);
        const Url app = root().child("Linked.app");
        TestFs::makeDir(app);

        const QList<QPair<QByteArray, QByteArray>> links = {
            {"to-file.png", target.path()},
            {"to-folder", folder.path()},
            {"to-app.app", app.path()},
            {"dangling.txt", "/nonexistent/x"},
            {"loop", "loop"},
        };
        for (const auto &[name, linkTarget] : links) {
            const Url link = root().child(name);
            TestFs::makeSymlink(linkTarget, link);
            QCOMPARE(kindsOf(link), QStringList({"link"}));
            QCOMPARE(fm().typeOfURL(link), QStringLiteral("inode/symlink"));
        }
        // The extension lists still look at a link's own name.
        const Url exeLink = root().child("tool.exe");
        TestFs::makeSymlink("/nonexistent/tool", exeLink);
        QCOMPARE(kindsOf(exeLink), QStringList({"link", "application"}));
    }

    void specialFiles()
    {
        const Url fifo = root().child("pipe.mkv");
        QCOMPARE(::mkfifo(fifo.c_str(), 0644), 0);
        // Asking must not open the pipe (that would block); only the name list may match.
        QCOMPARE(fm().typeOfURL(fifo), QStringLiteral("inode/fifo"));
        QCOMPARE(kindsOf(fifo), QStringList({"movie"}));

        const Url socketPath = root().child("sock");
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        QVERIFY(socketPath.path().size() < qsizetype(sizeof address.sun_path));
        qstrcpy(address.sun_path, socketPath.c_str());
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        QCOMPARE(fm().typeOfURL(socketPath), QStringLiteral("inode/socket"));
        QCOMPARE(kindsOf(socketPath), QStringList());
        ::close(fd);

        QCOMPARE(fm().typeOfURL(Url::fromPath("/dev/null")), QStringLiteral("inode/chardevice"));
        QCOMPARE(kindsOf(Url::fromPath("/dev/null")), QStringList());
    }

    void filesByName_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QStringList>("kinds");
        // Content that says nothing, so only the name can decide.
        QTest::newRow("text") << QByteArray("readme.txt") << QStringList({"text"});
        QTest::newRow("source code") << QByteArray("main.cpp") << QStringList({"text"});
        QTest::newRow("pdf") << QByteArray("paper.pdf") << QStringList({"text"});
        QTest::newRow("mp3") << QByteArray("song.mp3") << QStringList({"audio"});
        QTest::newRow("mp4") << QByteArray("clip.mp4") << QStringList({"movie"});
        QTest::newRow("upper-case jpeg") << QByteArray("photo.JPG") << QStringList({"image"});
        QTest::newRow("tar.gz") << QByteArray("backup.tar.gz") << QStringList({"archive"});
        QTest::newRow("zip") << QByteArray("a.zip") << QStringList({"archive"});
        QTest::newRow("7z") << QByteArray("a.7z") << QStringList({"archive"});
        QTest::newRow("deb") << QByteArray("pkg.deb") << QStringList({"archive"});
        QTest::newRow("zstd") << QByteArray("log.zst") << QStringList({"archive"});
        QTest::newRow("AppImage") << QByteArray("Tool.AppImage") << QStringList({"application"});
        QTest::newRow("desktop launcher")
            << QByteArray("tool.desktop") << QStringList({"application", "text"});
        QTest::newRow("windows installer") << QByteArray("setup.msi") << QStringList({"application"});
        // Office documents are zip files underneath but are not archives.
        QTest::newRow("odt") << QByteArray("letter.odt") << QStringList();
        QTest::newRow("shell script") << QByteArray("run.sh") << QStringList({"text"});
    }

    void filesByName()
    {
        QFETCH(QByteArray, name);
        QFETCH(QStringList, kinds);
        QCOMPARE(kindsOf(file(name, binaryJunk)), kinds);
    }

    void filesByContent_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<QString>("type");
        QTest::newRow("png") << pngBytes() << QStringList({"image"}) << "image/png";
        QTest::newRow("plain text") << QByteArray("just some words\n") << QStringList({"text"})
                                    << "text/plain";
        QTest::newRow("script") << QByteArray("#!/bin/sh\necho hi\n") << QStringList({"text"})
                                << "application/x-shellscript";
        QTest::newRow("pdf") << QByteArray("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n") << QStringList({"text"})
                             << "application/pdf";
        QTest::newRow("gzip") << QByteArray("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10)
                              << QStringList({"archive"}) << "application/gzip";
        QTest::newRow("binary") << binaryJunk << QStringList() << "application/octet-stream";
        QTest::newRow("empty") << QByteArray() << QStringList() << "application/x-zerosize";
    }

    void filesByContent()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, kinds);
        QFETCH(QString, type);
        // Without an extension, and with a name that is not valid UTF-8, the content decides.
        for (const QByteArray name : {"noextension", "bad\xff\xfe-name"}) {
            const Url url = file(name + QTest::currentDataTag(), content);
            QCOMPARE(kindsOf(url), kinds);
            QCOMPARE(fm().typeOfURL(url), type);
        }
    }

    // A type read from content is never reused for different content, even when the file keeps its
    // size and its modification time is set back.
    void rewrittenContentIsSeen()
    {
        const QByteArray png = pngBytes();
        const Url url = file("rewritten", png);
        struct stat before;
        QCOMPARE(::stat(url.c_str(), &before), 0);
        QCOMPARE(kindsOf(url), QStringList({"image"}));
        QTest::qSleep(20);
        TestFs::writeFile(url, QByteArray(png.size(), 'a'));
        const timespec times[2] = {before.st_atim, before.st_mtim};
        QCOMPARE(::utimensat(AT_FDCWD, url.c_str(), times, 0), 0);
        QCOMPARE(kindsOf(url), QStringList({"text"}));
    }

    void executables()
    {
        // Found by content; position-independent programs included.
        const QByteArray elf = TestFs::readFile(Url::fromPath("/bin/true"));
        const Url program = file("program", elf);
        QCOMPARE(::chmod(program.c_str(), 0755), 0);
        QCOMPARE(kindsOf(program), QStringList({"application"}));
        // Shared objects look the same inside; only programs are marked executable.
        const Url notExecutable = file("not-executable", elf);
        QCOMPARE(::chmod(notExecutable.c_str(), 0644), 0);
        QCOMPARE(kindsOf(notExecutable), QStringList());
        const Url library = file("libthing.so.1", elf);
        QCOMPARE(::chmod(library.c_str(), 0755), 0);
        QCOMPARE(kindsOf(library), QStringList());
        // Scripts inherit the executable type but are text, not applications.
        const Url script = file("script.py", "print(1)\n");
        QCOMPARE(::chmod(script.c_str(), 0755), 0);
        QCOMPARE(kindsOf(script), QStringList({"text"}));
    }

    void extensionFallbacks_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QStringList>("kinds");
        QTest::newRow("EXE") << QByteArray("setup.EXE") << QStringList({"application"});
        QTest::newRow("com") << QByteArray("edit.Com") << QStringList({"application"});
        QTest::newRow("MKV") << QByteArray("clip.MKV") << QStringList({"movie"});
        QTest::newRow("Vob") << QByteArray("clip.Vob") << QStringList({"movie"});
        QTest::newRow("asf") << QByteArray("clip.asf") << QStringList({"movie"});
        QTest::newRow("rmvb") << QByteArray("clip.rmvb") << QStringList({"movie"});
        QTest::newRow("PLIST") << QByteArray("notes.PLIST") << QStringList({"text"});
        QTest::newRow("epub") << QByteArray("book.epub") << QStringList({"text"});
        QTest::newRow("chm") << QByteArray("help.chm") << QStringList({"text"});
        QTest::newRow("doc") << QByteArray("old.doc") << QStringList({"text"});
        QTest::newRow("docx") << QByteArray("new.DOCX") << QStringList({"text"});
        QTest::newRow("css") << QByteArray("style.css") << QStringList({"text"});
        QTest::newRow("not-utf8 stem") << QByteArray("f\xe9te.mkv") << QStringList({"movie"});
        // Only the whole last extension counts.
        QTest::newRow("docx2") << QByteArray("report.docx2") << QStringList();
        QTest::newRow("mkv.part") << QByteArray("film.mkv.part") << QStringList();
        QTest::newRow("exe.bak") << QByteArray("setup.exe.bak") << QStringList();
        QTest::newRow("mkvv") << QByteArray("clip.mkvv") << QStringList();
        QTest::newRow("name only") << QByteArray("exe") << QStringList();
        QTest::newRow("trailing dot") << QByteArray("clip.mkv.") << QStringList();
    }

    void extensionFallbacks()
    {
        QFETCH(QByteArray, name);
        QFETCH(QStringList, kinds);
        QCOMPARE(kindsOf(file(name, binaryJunk)), kinds);
    }

    void conformanceToMimeTypes()
    {
        const Url source = file("main.c", "int main(void) { return 0; }\n");
        QVERIFY(fm().URL_conformsToType(source, QStringLiteral("text/x-csrc")));
        QVERIFY(fm().URL_conformsToType(source, QStringLiteral("text/plain")));
        QVERIFY(fm().URL_conformsToType(source, QStringLiteral("public.text")));
        QVERIFY(!fm().URL_conformsToType(source, QStringLiteral("image/png")));
        const Url svg = file("drawing.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\"/>\n");
        QVERIFY(fm().URL_conformsToType(svg, QStringLiteral("application/xml")));
        QVERIFY(fm().URL_conformsToType(svg, QStringLiteral("public.image")));
        QVERIFY(!fm().URL_conformsToType(svg, QStringLiteral("com.apple.txn.text-multimedia-data")));
    }

    // The predicates run on the scan thread and the main thread at once; both must get the answers
    // that one thread alone gets.
    void answersAreTheSameFromManyThreads()
    {
        QList<Url> urls = {file("t.txt", "x"), file("p", pngBytes()), file("b.mkv", binaryJunk),
                           file("j", binaryJunk), root().child("Threads.app")};
        TestFs::makeDir(urls.last());
        QList<QStringList> expected;
        for (const Url &url : urls)
            expected.append(kindsOf(url));

        std::atomic<int> mismatches = 0;
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&] {
                for (int round = 0; round < 50; ++round) {
                    for (int i = 0; i < urls.size(); ++i) {
                        if (kindsOf(urls[i]) != expected[i])
                            ++mismatches;
                    }
                }
            });
        }
        for (std::thread &thread : threads)
            thread.join();
        QCOMPARE(mismatches.load(), 0);
    }
};

TWINSIFT_TEST_MAIN(TestClassification, QCoreApplication)
#include "tst_classification.moc"
