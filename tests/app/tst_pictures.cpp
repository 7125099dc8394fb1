// Icons and thumbnails of items: pictures fitted to the size asked, the flags, and the thumbnails file
// managers left in the freedesktop cache.
#include "app/Thumbnails.h"
#include "fs/FileManagerProxy.h"
#include "platform/Desktop.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QImage>

namespace {

// A picture as PNG; with mtime, a thumbnail as file managers write it, recording the modification time
// of the file it shows.
QByteArray pngBytes(int width, int height, const QByteArray &mtime = QByteArray())
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    if (!mtime.isNull())
        image.setText(QStringLiteral("Thumb::MTime"), QString::fromLatin1(mtime));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Where a file manager keeps the thumbnail of the file with this URI.
Url cachedThumbnailPath(const char *folder, const QByteArray &uri)
{
    const Url cache = Url::fromPath(qgetenv("XDG_CACHE_HOME"));
    const Url thumbnails = cache.child("thumbnails");
    TestFs::makeDir(thumbnails);
    TestFs::makeDir(thumbnails.child(folder));
    return thumbnails.child(folder).child(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex() +
                                          ".png");
}

} // namespace

class TestPictures : public QObject
{
    Q_OBJECT

private:
    TemporaryTree m_dir;
    Url root() const { return m_dir.url(); }
    Url file(const QByteArray &name, const QByteArray &content) { return m_dir.file(name, content); }

private Q_SLOTS:
    void initTestCase() { Thumbnails::install(); }

    void imageThumbnailsFitTheSize()
    {
        const Url wide = file("wide.png", pngBytes(300, 200));
        const auto thumbnail = fm().iconForURL_withFlag_withSize(wide, 1, 150);
        QVERIFY(thumbnail && thumbnail->isThumbnail());
        QCOMPARE(thumbnail->thumbnail->image().size(), QSize(150, 100));
        // Small pictures are not blown up; a long thin one keeps a pixel across.
        QCOMPARE(fm().iconForURL_withFlag_withSize(wide, 1, 500)->thumbnail->image().size(), QSize(300, 200));
        const Url thin = file("thin.png", pngBytes(1000, 2));
        QCOMPARE(fm().iconForURL_withFlag_withSize(thin, 1, 100)->thumbnail->image().size(), QSize(100, 1));
        QVERIFY(!fm().iconForURL_withFlag_withSize(wide, 1, 0));

        // Byte names and names that say nothing: the file is read by its own descriptor.
        for (const QByteArray name : {"caf\xe9\xff.png", "no-extension"}) {
            const auto picture = fm().iconForURL_withFlag_withSize(file(name, pngBytes(40, 80)), 1, 20);
            QVERIFY2(picture && picture->isThumbnail(), name.constData());
            QCOMPARE(picture->thumbnail->image().size(), QSize(10, 20));
        }
    }

    void iconsAndFlags()
    {
        // Flag 0 is the icon at any size, 1 a thumbnail or nothing, 2 a thumbnail or else the icon; other
        // flags, and items that are not there, have nothing.
        const Url image = file("photo.png", pngBytes(8, 8));
        const auto icon = fm().iconForURL_withFlag_withSize(image, 0, 17);
        QVERIFY(icon && !icon->isThumbnail() && icon->iconName == QStringLiteral("image-png"));
        for (qint64 flag : {3, -1})
            QVERIFY(!fm().iconForURL_withFlag_withSize(image, flag, 150));
        for (qint64 flag : {0, 1, 2}) {
            QVERIFY(!fm().iconForURL_withFlag_withSize(Url(), flag, 150));
            QVERIFY(!fm().iconForURL_withFlag_withSize(root().child("gone.png"), flag, 150));
        }
        // A link to a picture is not followed to it.
        TestFs::makeSymlink(image.path(), root().child("link.png"));
        for (const Url &url : {file("notes.txt", "words\n"), file("broken.png", "not a picture at all"),
                               root().child("link.png")}) {
            QVERIFY(!fm().iconForURL_withFlag_withSize(url, 1, 150));
            const auto fallback = fm().iconForURL_withFlag_withSize(url, 2, 150);
            QVERIFY(fallback && !fallback->isThumbnail());
            QCOMPARE(fallback->iconName, fm().iconForURL_withFlag_withSize(url, 0, 150)->iconName);
        }
        // Packages show as what they are, not as folders.
        for (const auto &[name, iconName] :
             {std::pair<QByteArray, QString>{"Tool.app", "application-x-executable"},
              {"Kit.framework", "package-x-generic"}}) {
            TestFs::makeDir(root().child(name));
            QCOMPARE(fm().iconForURL_withFlag_withSize(root().child(name), 0, 17)->iconName, iconName);
        }
    }

    void fileUrisAreEscapedLikeGlib()
    {
        // What GLib's g_filename_to_uri writes for the same bytes (checked with "gio list -u").
        const QByteArray name("a b#%?;[]!$&()*+,:=@~\xe9\xff'{}^`|<>\"\\");
        QCOMPARE(Desktop::fileUri(Url::fromPath("/tmp/u/" + name)),
                 QByteArray(
                     "file:///tmp/u/a%20b%23%25%3F%3B%5B%5D!$&()*+,:=@~%E9%FF'%7B%7D%5E%60%7C%3C%3E%22%5C"));
        QCOMPARE(Desktop::fileUri(Url::fromPath("/")), QByteArray("file:///"));
    }

    // Other kinds get the thumbnail a file manager left in the freedesktop cache, if it is current.
    void cachedThumbnailsOfOtherKinds()
    {
        const Url document = file("r\xe9sum\xe9 #1.pdf", "%PDF-1.4\n");
        const QByteArray uri = Desktop::fileUri(document);
        QVERIFY(!fm().iconForURL_withFlag_withSize(document, 1, 64));

        const QByteArray mtime = QByteArray::number(qint64(TestFs::statOf(document).st_mtime));
        TestFs::writeFile(cachedThumbnailPath("large", uri), pngBytes(256, 128, mtime));
        auto picture = fm().iconForURL_withFlag_withSize(document, 1, 64);
        QVERIFY(picture && picture->isThumbnail());
        QCOMPARE(picture->thumbnail->image().size(), QSize(64, 32));

        // A "normal" one is preferred when it is big enough, and one made before the last change of
        // the file is stale.
        TestFs::writeFile(cachedThumbnailPath("normal", uri), pngBytes(128, 128, mtime));
        QCOMPARE(fm().iconForURL_withFlag_withSize(document, 1, 64)->thumbnail->image().size(),
                 QSize(64, 64));
        TestFs::writeFile(cachedThumbnailPath("normal", uri), pngBytes(128, 128, "12345"));
        TestFs::writeFile(cachedThumbnailPath("large", uri), pngBytes(256, 128, "12345"));
        QVERIFY(!fm().iconForURL_withFlag_withSize(document, 1, 64));
        QVERIFY(!fm().iconForURL_withFlag_withSize(document, 2, 64)->isThumbnail());
    }
};

TWINSIFT_TEST_MAIN(TestPictures, QCoreApplication)
#include "tst_pictures.moc"
