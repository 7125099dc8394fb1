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

private Q_SLOTS:
    void listingsAndWalks()
    {
        // tree: a.txt .hidden n\xffme link-to-sub -> sub, sub/b.txt, sub/deeper/c.txt, onlyEmpty/e/,
        // Foo.app/Contents/{exe,.hid}, Res.bundle/r.txt, ds/.DS_Store, empty/
        const Url tree = m_tree.url().child("tree");
        for (const QByteArray name :
             {"a.txt", ".hidden", "n\xffme", "sub/b.txt", "sub/deeper/c.txt", "Foo.app/Contents/exe",
              "Foo.app/Contents/.hid", "Res.bundle/r.txt", "ds/.DS_Store", ".DS_Store"})
            TestFs::writeFile(tree.child(name), "x");
        TestFs::makeDir(tree.child("onlyEmpty/e"));
        TestFs::makeDir(tree.child("empty"));
        TestFs::makeSymlink(tree.child("sub").path(), tree.child("link-to-sub"));

        const QList<QByteArray> top = {".hidden", "Foo.app",     "Res.bundle", "a.txt",     "ds",
                                       "empty",   "link-to-sub", "n\xffme",    "onlyEmpty", "sub"};
        QCOMPARE(relative(fm().getContentsOfDirecotry_skipHidden(tree, false), tree), top);
        QCOMPARE(relative(fm().getContentsOfDirecotry_skipHidden(tree, true), tree), top.mid(1));
        // ".DS_Store" alone: an empty list, not no value; nothing at all (hidden entries skipped, an
        // empty folder, a file, a link to a folder, a missing item) gives no value.
        const auto onlyDs = fm().getContentsOfDirecotry_skipHidden(tree.child("ds"), false);
        QVERIFY(onlyDs && onlyDs->isEmpty());
        for (const Url &none : {tree.child("ds"), tree.child("empty")})
            QVERIFY(!fm().getContentsOfDirecotry_skipHidden(none, true));
        for (const Url &none :
             {tree.child("a.txt"), tree.child("link-to-sub"), tree.child("missing"), Url()}) {
            QVERIFY(!fm().getContentsOfDirecotry_skipHidden(none, false));
            QVERIFY(!fm().getFilesInDirectory_skipSubDirectory_skipHidden_includePackage_includeBundel(
                none, false, false, false, false));
        }

        // Depth-first walks: links are entries, never entered; packages as single entries when asked;
        // with skipSub only the top level.
        const auto walk = [&](const Url &top, bool skipSub, bool skipHidden, bool packages) {
            return relative(fm().getFilesInDirectory_skipSubDirectory_skipHidden_includePackage_includeBundel(
                                top, skipSub, skipHidden, packages, false),
                            top);
        };
        const QList<QByteArray> deep = {"Foo.app/Contents/.hid", "Foo.app/Contents/exe", "Res.bundle/r.txt"};
        const QList<QByteArray> rest = {"a.txt", "link-to-sub", "n\xffme", "sub/b.txt", "sub/deeper/c.txt"};
        QCOMPARE(walk(tree, false, false, false), QList<QByteArray>{".hidden"} + deep + rest);
        QCOMPARE(walk(tree, false, true, false), deep.mid(1) + rest);
        QCOMPARE(walk(tree, true, false, false),
                 (QList<QByteArray>{".hidden", "a.txt", "link-to-sub", "n\xffme"}));
        QCOMPARE(walk(tree, false, false, true),
                 QList<QByteArray>({".hidden", "Foo.app", "Res.bundle"}) + rest);
        QVERIFY(walk(tree.child("onlyEmpty"), false, false, false).isEmpty());

        // Sizes: everything at any depth, hidden files too, ".DS_Store" not; links count as themselves;
        // sizes beyond 32 bits.
        QCOMPARE(fm().getDirectorySize(tree), 8 + qint64(tree.child("sub").path().size()));
        QCOMPARE(fm().getDirectorySize(tree.child("missing")) + fm().getDirectorySize(Url()), 0);
        TestFs::makeSparseFile(tree.child("empty/sparse"), qint64(5) << 30);
        QCOMPARE(fm().getDirectorySize(tree.child("empty")), qint64(5) << 30);
    }

    void extensions()
    {
        // The extension rule of the scan is the reference scan's to check (tests/cli). Here: a folder
        // has none, whatever its name; a package has one like a file.
        TestFs::makeDir(m_tree.url().child("photos.jpg"));
        TestFs::makeDir(m_tree.url().child("Tool.APP"));
        QVERIFY(!fm().URLExt(m_tree.url().child("photos.jpg")));
        QCOMPARE(fm().URLExt(m_tree.url().child("Tool.APP")), std::optional<QString>("app"));
        QCOMPARE(fm().URLExt(m_tree.file("notes. TXT\n", "x")), std::optional<QString>("txt"));
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
