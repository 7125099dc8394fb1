#include "fs/FileManagerProxy.h"
#include "support/TestSupport.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>

namespace {

FileManagerProxy &fm()
{
    return FileManagerProxy::sharedInstance();
}

// Paths below base, sorted, for comparisons that do not depend on the listing order.
QList<QByteArray> relative(const std::optional<QList<Url>> &urls, const Url &base)
{
    QList<QByteArray> paths;
    for (const Url &url : urls.value_or(QList<Url>()))
        paths.append(url.path().mid(base.path().size() + 1));
    std::sort(paths.begin(), paths.end());
    return paths;
}

// True when the entries that start with prefix stand together in the list, as a depth-first walk
// puts a subdirectory's contents where the subdirectory stood.
bool isContiguous(const QList<Url> &urls, const QByteArray &prefix)
{
    qsizetype first = -1;
    qsizetype last = -1;
    qsizetype count = 0;
    for (qsizetype i = 0; i < urls.size(); ++i) {
        if (urls[i].path().startsWith(prefix)) {
            if (first < 0)
                first = i;
            last = i;
            ++count;
        }
    }
    return count > 0 && last - first + 1 == count;
}

} // namespace

class TestEnumeration : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    Url root() const { return Url::fromPath(m_dir.path().toUtf8()); }
    Url dir(const QByteArray &relativePath)
    {
        const Url url = root().child(relativePath);
        TestFs::makeDir(url);
        return url;
    }
    Url file(const QByteArray &relativePath, const QByteArray &content = "x")
    {
        const Url url = root().child(relativePath);
        TestFs::writeFile(url, content);
        return url;
    }

    // root/tree:
    //   a.txt  .hidden  n\xffme  link-to-sub -> sub
    //   sub/ b.txt  deeper/ c.txt
    //   onlyEmpty/ e1/ e2/
    //   Foo.app/ Contents/ exe  .hid
    //   Res.bundle/ r.txt
    Url makeTree()
    {
        const Url tree = dir("tree");
        file("tree/a.txt", "12345");
        file("tree/.hidden", "123");
        file("tree/n\xffme", "1");
        dir("tree/sub");
        file("tree/sub/b.txt", "12");
        dir("tree/sub/deeper");
        file("tree/sub/deeper/c.txt");
        dir("tree/onlyEmpty");
        dir("tree/onlyEmpty/e1");
        dir("tree/onlyEmpty/e2");
        dir("tree/Foo.app");
        dir("tree/Foo.app/Contents");
        file("tree/Foo.app/Contents/exe", QByteArray(1000, 'e'));
        file("tree/Foo.app/Contents/.hid", QByteArray(24, 'h'));
        dir("tree/Res.bundle");
        file("tree/Res.bundle/r.txt", "rr");
        TestFs::makeSymlink(tree.child("sub").path(), tree.child("link-to-sub"));
        return tree;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    // QTemporaryDir cannot remove names that are not valid UTF-8.
    void cleanupTestCase()
    {
        QCOMPARE(TestFs::run(QStringLiteral("rm"), {QStringLiteral("-rf"), m_dir.path()}), 0);
    }

    void existenceAndAttributes()
    {
        const Url plain = file("plain\xfe.bin", "hello");
        const Url dangling = root().child("dangling");
        TestFs::makeSymlink("/nonexistent/target", dangling);
        const Url loop = root().child("loop");
        TestFs::makeSymlink("loop", loop);

        QVERIFY(!fm().isUrlExist(Url()));
        QVERIFY(!fm().isUrlExist(root().child("missing")));
        QVERIFY(fm().isUrlExist(plain));
        QVERIFY(fm().isUrlExist(dangling));
        QVERIFY(fm().isUrlExist(loop));

        QVERIFY(!fm().attributesOfItemAtURL(Url()));
        QVERIFY(!fm().attributesOfItemAtURL(root().child("missing")));
        // A final link is described as itself.
        const auto linkAttributes = fm().attributesOfItemAtURL(dangling);
        QVERIFY(linkAttributes && linkAttributes->isSymbolicLink());
        QCOMPARE(linkAttributes->fileSize, qint64(strlen("/nonexistent/target")));

        const timespec times[2] = {{1394010421, 500000000}, {1394010421, 500000000}};
        QCOMPARE(::utimensat(AT_FDCWD, plain.c_str(), times, 0), 0);
        const auto attributes = fm().attributesOfItemAtURL(plain);
        QVERIFY(attributes && attributes->isRegularFile());
        QCOMPARE(attributes->fileSize, 5);
        QCOMPARE(attributes->fileModificationDate, QDateTime::fromMSecsSinceEpoch(1394010421500));
        QVERIFY(attributes->fileCreationDate.isValid());
    }

    void listings()
    {
        QVERIFY(!fm().getContentsOfDirecotry_skipHidden(Url(), false));
        QVERIFY(!fm().getContentsOfDirecotry_skipHidden(root().child("missing"), false));
        QVERIFY(!fm().getContentsOfDirecotry_skipHidden(file("a-file"), false));
        QVERIFY(!fm().getContentsOfDirecotry_skipHidden(dir("empty"), false));

        // ".DS_Store" alone: an empty list, not no value; hidden entries skipped leave nothing at all.
        const Url dsOnly = dir("dsOnly");
        file("dsOnly/.DS_Store");
        const auto onlyDs = fm().getContentsOfDirecotry_skipHidden(dsOnly, false);
        QVERIFY(onlyDs && onlyDs->isEmpty());
        QVERIFY(!fm().getContentsOfDirecotry_skipHidden(dsOnly, true));

        const Url mixed = dir("mixed");
        file("mixed/a");
        file("mixed/.hidden");
        file("mixed/.DS_Store");
        file("mixed/b\xff\n");
        dir("mixed/sub");
        const auto all = fm().getContentsOfDirecotry_skipHidden(mixed, false);
        QCOMPARE(relative(all, mixed), QList<QByteArray>({".hidden", "a", "b\xff\n", "sub"}));
        QCOMPARE(relative(fm().getContentsOfDirecotry_skipHidden(mixed, true), mixed),
                 QList<QByteArray>({"a", "b\xff\n", "sub"}));
        for (const Url &url : *all)
            QVERIFY2(TestFs::exists(url), url.c_str());

        // A link to a folder is a link, not a directory to list.
        const Url link = root().child("link-to-mixed");
        TestFs::makeSymlink(mixed.path(), link);
        QVERIFY(!fm().getContentsOfDirecotry_skipHidden(link, false));
    }

    void walks()
    {
        const Url tree = makeTree();
        const auto all = fm().getFilesInDirectory_skipSubDirectory_skipHidden_includePackage_includeBundel(
            tree, false, false, false, false);
        QCOMPARE(
            relative(all, tree),
            QList<QByteArray>({".hidden", "Foo.app/Contents/.hid", "Foo.app/Contents/exe", "Res.bundle/r.txt",
                               "a.txt", "link-to-sub", "n\xffme", "sub/b.txt", "sub/deeper/c.txt"}));
        for (const QByteArray sub : {"/sub/", "/sub/deeper/", "/Foo.app/"})
            QVERIFY2(isContiguous(*all, tree.path() + sub), sub.constData());

        QCOMPARE(relative(fm().getFilesInDirectory_skipSubDirectory_skipHidden_includePackage_includeBundel(
                              tree, false, true, false, false),
                          tree),
                 QList<QByteArray>({"Foo.app/Contents/exe", "Res.bundle/r.txt", "a.txt", "link-to-sub",
                                    "n\xffme", "sub/b.txt", "sub/deeper/c.txt"}));
        QCOMPARE(relative(fm().getFilesInDirectory_skipSubDirectory_skipHidden_includePackage_includeBundel(
                              tree, true, false, false, false),
                          tree),
                 QList<QByteArray>({".hidden", "a.txt", "link-to-sub", "n\xffme"}));

        // Packages and bundles as single entries, not entered; the subfolders are still walked.
        const QList<QByteArray> withPackages = {".hidden",     "Foo.app", "Res.bundle", "a.txt",
                                                "link-to-sub", "n\xffme", "sub/b.txt",  "sub/deeper/c.txt"};
        QCOMPARE(relative(fm().getFilesInDirectory_skipSubDirectory_skipHidden_includePackage_includeBundel(
                              tree, false, false, true, false),
                          tree),
                 withPackages);
        QCOMPARE(relative(fm().getFilesInDirectory_skipSubDirectory_skipHidden_includePackage_includeBundel(
                              tree, false, false, false, true),
                          tree),
                 withPackages);
        // With skipSub, packages as entries survive while folders are dropped.
        QCOMPARE(relative(fm().getFilesInDirectory_skipSubDirectory_skipHidden_includePackage_includeBundel(
                              tree, true, true, true, true),
                          tree),
                 QList<QByteArray>({"Foo.app", "Res.bundle", "a.txt", "link-to-sub", "n\xffme"}));

        for (const Url &nothing : {tree.child("onlyEmpty"), tree.child("a.txt"), tree.child("missing"), Url(),
                                   tree.child("link-to-sub")}) {
            QVERIFY2(!fm().getFilesInDirectory_skipSubDirectory_skipHidden_includePackage_includeBundel(
                         nothing, false, false, false, false),
                     nothing.c_str());
        }
    }

    void directorySizes()
    {
        const Url tree = root().child("tree");
        if (!TestFs::exists(tree))
            makeTree();
        QCOMPARE(fm().getDirectorySize(Url()), 0);
        QCOMPARE(fm().getDirectorySize(root().child("missing")), 0);
        QCOMPARE(fm().getDirectorySize(tree.child("a.txt")), 5);
        // Everything inside a package at any depth, hidden files included.
        QCOMPARE(fm().getDirectorySize(tree.child("Foo.app")), 1024);
        // Links count as themselves and are not followed into the folder they name.
        const qint64 linkSize = tree.child("sub").path().size();
        QCOMPARE(fm().getDirectorySize(tree), 5 + 3 + 1 + linkSize + 2 + 1 + 1024 + 2);
        QCOMPARE(fm().getDirectorySize(tree.child("onlyEmpty")), 0);

        const Url withDs = dir("withDs");
        file("withDs/.DS_Store", QByteArray(4096, 'd'));
        TestFs::makeSparseFile(withDs.child("sparse"), qint64(5) << 30);
        QCOMPARE(fm().getDirectorySize(withDs), qint64(5) << 30);
    }

    void extensions_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("isFolder");
        QTest::addColumn<std::optional<QString>>("extension");
        const std::optional<QString> none;
        QTest::newRow("last of two") << QByteArray("archive.TAR.GZ") << false << std::optional<QString>("gz");
        QTest::newRow("space before") << QByteArray("notes. TXT") << false << std::optional<QString>("txt");
        QTest::newRow("line break after")
            << QByteArray("notes.md\n") << false << std::optional<QString>("md");
        QTest::newRow("only blanks") << QByteArray("odd. \t") << false << none;
        QTest::newRow("no dot") << QByteArray("Makefile") << false << none;
        QTest::newRow("trailing dot") << QByteArray("name.") << false << none;
        QTest::newRow("folder") << QByteArray("photos.jpg") << true << none;
        QTest::newRow("package") << QByteArray("Tool.APP") << true << std::optional<QString>("app");
        QTest::newRow("not utf-8 stem")
            << QByteArray("\xff\xfe.Png") << false << std::optional<QString>("png");
    }

    void extensions()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, isFolder);
        QFETCH(std::optional<QString>, extension);
        const Url url = root().child("ext-" + name);
        if (isFolder)
            TestFs::makeDir(url);
        else
            TestFs::writeFile(url, "x");
        QCOMPARE(fm().URLExt(url), extension);
    }

    void dateTexts()
    {
        QCOMPARE(fm().URLDate_toStringWithFormat(std::nullopt, std::nullopt), std::nullopt);
        QCOMPARE(fm().URLDate_toStringWithFormat(QDateTime(), std::nullopt), std::nullopt);
        // Shown in the user's time zone (five and a half hours east of UTC here).
        const QByteArray savedZone = qgetenv("TZ");
        qputenv("TZ", "IST-5:30");
        tzset();
        const QDateTime moment(QDate(2014, 3, 5), QTime(3, 37, 1), Qt::UTC);
        QCOMPARE(fm().URLDate_toStringWithFormat(moment, std::nullopt),
                 QStringLiteral("2014-03-05 09:07:01"));
        QCOMPARE(fm().URLDate_toStringWithFormat(moment, QStringLiteral("yyyy-MM-dd  HH:mm:ss")),
                 QStringLiteral("2014-03-05  09:07:01"));
        // A zone with daylight saving time: every moment reads as Qt's own local time reads it,
        // milliseconds and dates before 1970 included.
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
        const QString pattern = QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ddd");
        for (qint64 msecs : {Q_INT64_C(-86400123), Q_INT64_C(0), Q_INT64_C(1711846799999),
                             Q_INT64_C(1711846800000), Q_INT64_C(1729990800500), Q_INT64_C(4102444800001)}) {
            const QDateTime utc = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
            QCOMPARE(fm().URLDate_toStringWithFormat(utc, pattern),
                     QLocale::system().toString(utc.toLocalTime(), pattern));
        }
        if (savedZone.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", savedZone);
        tzset();
    }

    void directoryCreation()
    {
        QCOMPARE(fm().createDirectoryAt(Url()), std::nullopt);
        // Anything already there, a dangling link included, is left alone.
        const Url existing = file("existing");
        QCOMPARE(fm().createDirectoryAt(existing), std::nullopt);
        QCOMPARE(TestFs::readFile(existing), QByteArray("x"));
        const Url dangling = root().child("dangling-dir");
        TestFs::makeSymlink("/nonexistent", dangling);
        QCOMPARE(fm().createDirectoryAt(dangling), std::nullopt);
        QVERIFY(fm().isSymblink(dangling));

        const Url deep = root().child("made").child("a\xff").child("b\nc");
        QCOMPARE(fm().createDirectoryAt(deep), std::nullopt);
        QVERIFY(fm().isFolder(deep));

        const auto error = fm().createDirectoryAt(existing.child("below"));
        QVERIFY(error);
        QCOMPARE(error->domain, Error::posixDomain);
        QCOMPARE(error->code, ENOTDIR);
    }
};

TWINSIFT_TEST_MAIN(TestEnumeration, QCoreApplication)
#include "tst_enumeration.moc"
