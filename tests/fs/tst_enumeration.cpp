// Listings and walks, sizes, extensions and date texts. Existence, attributes and folder creation are
// met by the file operation tests and the reference scan.
#include "fs/FileManagerProxy.h"
#include "support/TestSupport.h"

#include <time.h>

#include <algorithm>

namespace {

// Paths below base, sorted, for comparisons that do not depend on the listing order.
QList<QByteArray> relative(const std::optional<QList<Url>> &urls, const Url &base)
{
    QList<QByteArray> paths;
    for (const Url &url : urls.value_or(QList<Url>()))
        paths.append(url.path().mid(base.path().size() + 1));
    std::sort(paths.begin(), paths.end());
    return paths;
}

} // namespace

class TestEnumeration : public QObject
{
    Q_OBJECT

private:
    TemporaryTree m_tree;
    Url at(const QByteArray &relativePath) const
    {
        return Url::fromPath(m_tree.url().path() + '/' + relativePath);
    }
    Url dir(const QByteArray &relativePath)
    {
        TestFs::makeDir(at(relativePath));
        return at(relativePath);
    }
    Url file(const QByteArray &relativePath, const QByteArray &content = "x")
    {
        TestFs::writeFile(at(relativePath), content);
        return at(relativePath);
    }

private Q_SLOTS:

    void listingsAndWalks()
    {
        // tree: a.txt .hidden n\xffme link-to-sub -> sub, sub/b.txt, sub/deeper/c.txt, onlyEmpty/e/,
        // Foo.app/Contents/{exe,.hid}, Res.bundle/r.txt, ds/.DS_Store
        const Url tree = dir("tree");
        for (const QByteArray folder : {"sub", "sub/deeper", "onlyEmpty", "onlyEmpty/e", "Foo.app",
                                        "Foo.app/Contents", "Res.bundle", "ds", "empty"})
            dir("tree/" + folder);
        for (const QByteArray name :
             {"a.txt", ".hidden", "n\xffme", "sub/b.txt", "sub/deeper/c.txt", "Foo.app/Contents/exe",
              "Foo.app/Contents/.hid", "Res.bundle/r.txt", "ds/.DS_Store", ".DS_Store"})
            file("tree/" + name);
        TestFs::makeSymlink(at("tree/sub").path(), at("tree/link-to-sub"));

        const QList<QByteArray> top = {".hidden", "Foo.app",     "Res.bundle", "a.txt",     "ds",
                                       "empty",   "link-to-sub", "n\xffme",    "onlyEmpty", "sub"};
        QCOMPARE(relative(fm().getContentsOfDirecotry_skipHidden(tree, false), tree), top);
        QCOMPARE(relative(fm().getContentsOfDirecotry_skipHidden(tree, true), tree), top.mid(1));
        // ".DS_Store" alone: an empty list, not no value; nothing at all (hidden entries skipped, an
        // empty folder, a file, a link to a folder, a missing item) gives no value.
        const auto onlyDs = fm().getContentsOfDirecotry_skipHidden(at("tree/ds"), false);
        QVERIFY(onlyDs && onlyDs->isEmpty());
        for (const Url &none : {at("tree/ds"), at("tree/empty")})
            QVERIFY(!fm().getContentsOfDirecotry_skipHidden(none, true));
        for (const Url &none : {at("tree/a.txt"), at("tree/link-to-sub"), at("tree/missing"), Url()}) {
            QVERIFY(!fm().getContentsOfDirecotry_skipHidden(none, false));
            QVERIFY(!fm().getFilesInDirectory_skipSubDirectory_skipHidden_includePackage_includeBundel(
                none, false, false, false, false));
        }

        // Depth-first walks: links are entries, never entered; packages and bundles as single entries
        // when asked; with skipSub only the top level.
        const auto walk = [&](bool skipSub, bool skipHidden, bool packages, bool bundles) {
            return relative(fm().getFilesInDirectory_skipSubDirectory_skipHidden_includePackage_includeBundel(
                                tree, skipSub, skipHidden, packages, bundles),
                            tree);
        };
        const QList<QByteArray> deep = {"Foo.app/Contents/.hid", "Foo.app/Contents/exe", "Res.bundle/r.txt"};
        const QList<QByteArray> rest = {"a.txt", "link-to-sub", "n\xffme", "sub/b.txt", "sub/deeper/c.txt"};
        QCOMPARE(walk(false, false, false, false), QList<QByteArray>{".hidden"} + deep + rest);
        QCOMPARE(walk(false, true, false, false), deep.mid(1) + rest);
        QCOMPARE(walk(true, false, false, false),
                 (QList<QByteArray>{".hidden", "a.txt", "link-to-sub", "n\xffme"}));
        QCOMPARE(walk(false, false, true, false),
                 QList<QByteArray>({".hidden", "Foo.app", "Res.bundle"}) + rest);
        QCOMPARE(walk(true, true, false, true),
                 (QList<QByteArray>{"Foo.app", "Res.bundle", "a.txt", "link-to-sub", "n\xffme"}));
        QVERIFY(!fm().getFilesInDirectory_skipSubDirectory_skipHidden_includePackage_includeBundel(
            at("tree/onlyEmpty"), false, false, false, false));

        // Sizes: everything at any depth, hidden files too, ".DS_Store" not; links count as themselves.
        QCOMPARE(fm().getDirectorySize(at("tree/Foo.app")), 2);
        QCOMPARE(fm().getDirectorySize(tree), 8 + qint64(at("tree/sub").path().size()));
        QCOMPARE(fm().getDirectorySize(at("tree/a.txt")), 1);
        QCOMPARE(fm().getDirectorySize(at("tree/missing")) + fm().getDirectorySize(Url()), 0);
        TestFs::makeSparseFile(at("tree/empty/sparse"), qint64(5) << 30);
        QCOMPARE(fm().getDirectorySize(at("tree/empty")), qint64(5) << 30);
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
        QTest::newRow("not UTF-8 stem")
            << QByteArray("\xff\xfe.Png") << false << std::optional<QString>("png");
        // Kept exactly, so that the extensions of \xff and \xfe stay apart and reports can write them.
        QTest::newRow("not UTF-8 extension")
            << QByteArray("x.A\xff") << false
            << std::optional<QString>(QStringLiteral("a") + QChar(char16_t(0xDCFF)));
    }

    void extensions()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, isFolder);
        QFETCH(std::optional<QString>, extension);
        isFolder ? dir("ext-" + name) : file("ext-" + name);
        QCOMPARE(fm().URLExt(at("ext-" + name)), extension);
    }

    void dateTexts()
    {
        QVERIFY(!fm().URLDate_toStringWithFormat(std::nullopt, std::nullopt));
        QVERIFY(!fm().URLDate_toStringWithFormat(QDateTime(), std::nullopt));
        // Shown in the user's time zone (five and a half hours east of UTC here).
        const QByteArray savedZone = qgetenv("TZ");
        const auto restore = qScopeGuard([&] {
            savedZone.isNull() ? qunsetenv("TZ") : qputenv("TZ", savedZone);
            tzset();
        });
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
    }

};

TWINSIFT_TEST_MAIN(TestEnumeration, QCoreApplication)
#include "tst_enumeration.moc"
