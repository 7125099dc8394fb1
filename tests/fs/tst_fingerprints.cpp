// Content fingerprints on real files: the text forms, the small-file limit, where samples are taken,
// the chunking of whole-content digests, packages, and the items that get no fingerprint.
#include "fs/FileManagerProxy.h"
#include "fs/ReadHandle.h"
#include "support/TestSupport.h"

#include <QCryptographicHash>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <limits>

namespace {

const QString abcFingerprint = QStringLiteral("F4C0128178A6A21B7A3DD76729725D91");
const qint64 chunk = 104857600;

QString md5Text(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().toUpper());
}

// The whole-content text of a single-chunk content, computed in one go by Qt's own Base64 and MD5.
QString oneShotDigest(const QByteArray &content)
{
    return md5Text(content.toBase64());
}

void writeAt(const Url &url, qint64 offset, const QByteArray &bytes)
{
    const int fd = ::open(url.c_str(), O_WRONLY);
    QVERIFY(fd >= 0);
    QCOMPARE(::pwrite(fd, bytes.constData(), size_t(bytes.size()), offset), ssize_t(bytes.size()));
    ::close(fd);
}

} // namespace

class TestFingerprints : public QObject
{
    Q_OBJECT

private:
    FileManagerProxy &files = FileManagerProxy::sharedInstance();
    QTemporaryDir dir;

    Url path(const QByteArray &name) const { return Url::fromPath(dir.path().toUtf8()).child(name); }

    Url file(const QByteArray &name, const QByteArray &content)
    {
        const Url url = path(name);
        TestFs::writeFile(url, content);
        return url;
    }

private Q_SLOTS:
    // QTemporaryDir removes by text names, which loses the names that are not UTF-8.
    void cleanupTestCase()
    {
        QCOMPARE(TestFs::run(QStringLiteral("rm"), {QStringLiteral("-rf"), dir.path()}), 0);
    }

    void textForms()
    {
        const Url abc = file("abc", "abc");
        const Url empty = file("empty", "");
        for (const qint64 level : {qint64(0), qint64(1), qint64(2), qint64(3), qint64(-1)}) {
            QCOMPARE(files.fileMD5_withLevel(abc, level), abcFingerprint);
            const auto none = files.fileMD5_withLevel(empty, level);
            QVERIFY(none.has_value());
            QVERIFY(none->isEmpty());
        }
        QCOMPARE(files.MD5String(QStringLiteral("abc")), QStringLiteral("900150983CD24FB0D6963F7D28E17F72"));
        QCOMPARE(files.MD5String(QStringLiteral("")), QStringLiteral("D41D8CD98F00B204E9800998ECF8427E"));
        // The digest is of the UTF-8 bytes.
        QCOMPARE(files.MD5String(QStringLiteral("é")), md5Text("\xc3\xa9"));
        // Without a text the digest is a one-off that matches nothing, not even the next one.
        const QString first = files.MD5String(std::nullopt);
        QCOMPARE(first.size(), 32);
        QVERIFY(first != files.MD5String(std::nullopt));
    }

    void base64AgainstQt()
    {
        QVERIFY(!files.base64forData(std::nullopt).has_value());
        QCOMPARE(files.base64forData(QByteArray()), QStringLiteral(""));
        QCOMPARE(files.base64forData(QByteArray(20, 'x'))->size(), 28);
        QCOMPARE(files.base64forData(QByteArray(500, 'x'))->size(), 668);
        // Every tail length and every byte value, against an encoder written by someone else.
        for (qsizetype n = 1; n <= 40; ++n) {
            const QByteArray bytes = randomBytes(n, quint32(n));
            QCOMPARE(files.base64forData(bytes), QString::fromLatin1(bytes.toBase64()));
        }
        QByteArray everyByte;
        for (int b = 0; b < 256; ++b)
            everyByte += char(b);
        QCOMPARE(files.base64forData(everyByte), QString::fromLatin1(everyByte.toBase64()));
    }

    void wholeContentAcrossPieceSizes()
    {
        // Small files read whole at every level; larger ones are read in pieces, on a helper thread
        // beyond a few pieces; the text must not depend on how the bytes were split.
        const qint64 piece = 786432;
        const QList<qint64> sizes = {
            1, 2, 3, 4, 4095, 4096, piece - 1, piece, piece + 1, 4 * piece + 1, 5 * piece + 7};
        for (const qint64 size : sizes) {
            const QByteArray content = randomBytes(size, quint32(size));
            const Url url = file("whole-" + QByteArray::number(size), content);
            QCOMPARE(files.fileMD5_withLevel(url, 2), oneShotDigest(content));
            if (size <= 4096) {
                QCOMPARE(files.fileMD5_withLevel(url, 0), oneShotDigest(content));
                QCOMPARE(files.fileMD5_withLevel(url, 1), oneShotDigest(content));
                QCOMPARE(files.fileMD5_withLevel(url, 3), oneShotDigest(content));
                QCOMPARE(files.fileMD5_withLevel(url, -1), oneShotDigest(content));
            } else {
                QVERIFY(files.fileMD5_withLevel(url, 0) != oneShotDigest(content));
                QCOMPARE(files.fileMD5_withLevel(url, 0)->size(), 32);
                QVERIFY(!files.fileMD5_withLevel(url, 3).has_value());
                QVERIFY(!files.fileMD5_withLevel(url, -1).has_value());
                QVERIFY(!files.fileMD5_withLevel(url, std::numeric_limits<qint64>::min()).has_value());
            }
        }
    }

    void manyWholeContentsAtOnce()
    {
        // Files digested side by side, sharing the vector lanes, get the texts they get one by one:
        // files of every length around the piece and block sizes, more files than lanes, the chunk
        // boundary, and the items that take the usual way (missing, folder, FIFO, link, failed read).
        QList<Url> urls;
        for (const qint64 size : {0, 1, 47, 48, 49, 63, 64, 65, 4096, 24575, 24576, 24577, 73733, 786433}) {
            for (quint32 copy = 0; copy < 3; ++copy)
                urls << file("many-" + QByteArray::number(size) + "-" + QByteArray::number(copy),
                             randomBytes(size, quint32(size) + copy));
        }
        const Url exact = path("many-exact-chunk");
        TestFs::makeSparseFile(exact, chunk);
        const Url oneMore = path("many-chunk-and-one");
        TestFs::makeSparseFile(oneMore, chunk + 1);
        writeAt(oneMore, chunk, "\x7f");
        urls << exact << oneMore << path("many-missing") << path("many-folder") << path("many-fifo")
             << path("many-link") << path("many-mem") << path("many-skipped");
        TestFs::makeDir(path("many-folder"));
        QCOMPARE(::mkfifo(path("many-fifo").c_str(), 0644), 0);
        TestFs::makeSymlink(urls.first().path(), path("many-link"));
        TestFs::makeSymlink("/proc/self/mem", path("many-mem"));
        TestFs::writeFile(path("many-skipped"), "abc");

        const auto texts = files.wholeContentFingerprints(
            urls, [&](qsizetype i, bool) { return urls[i] != path("many-skipped"); });
        QCOMPARE(qsizetype(texts.size()), urls.size());
        for (qsizetype i = 0; i + 1 < urls.size(); ++i)
            QCOMPARE(texts[size_t(i)], files.fileMD5_withLevel(urls[i], 2));
        QVERIFY(!texts.back().has_value());
        QCOMPARE(texts[size_t(urls.indexOf(oneMore))],
                 oneShotDigest(QByteArray(chunk, '\0')) + oneShotDigest("\x7f"));
    }

    void sampleStretches_data()
    {
        QTest::addColumn<qint64>("level");
        QTest::addColumn<qint64>("length");
        QTest::addColumn<QList<qint64>>("starts");
        // Where a 4,097-byte file is sampled; each 20-byte stretch ends where its 500-byte one ends.
        QTest::newRow("quick") << qint64(0) << qint64(20) << QList<qint64>{0, 4077, 2028, 1004, 3052};
        QTest::newRow("precise") << qint64(1) << qint64(500) << QList<qint64>{0, 3597, 1548, 524, 2572};
    }

    void sampleStretches()
    {
        QFETCH(qint64, level);
        QFETCH(qint64, length);
        QFETCH(QList<qint64>, starts);
        const QByteArray original = randomBytes(4097, 7);
        const Url base = file("sampled", original);
        const QString fingerprint = *files.fileMD5_withLevel(base, level);
        const QString whole = *files.fileMD5_withLevel(base, 2);

        auto withByteChanged = [&](qint64 at) {
            QByteArray changed = original;
            changed[at] = char(~changed[at]);
            return file("changed", changed);
        };
        auto inAnyStretch = [&](qint64 at) {
            return std::any_of(starts.begin(), starts.end(),
                               [&](qint64 s) { return at >= s && at < s + length; });
        };
        for (const qint64 start : starts) {
            for (const qint64 at : {start, start + length - 1}) {
                const Url changed = withByteChanged(at);
                QVERIFY2(files.fileMD5_withLevel(changed, level) != fingerprint,
                         qPrintable(QString::number(at)));
                // The quick stretch lies inside the precise one.
                QVERIFY(files.fileMD5_withLevel(changed, 1) != *files.fileMD5_withLevel(base, 1));
            }
            for (const qint64 at : {start - 1, start + length}) {
                if (at < 0 || at >= original.size() || inAnyStretch(at))
                    continue;
                const Url changed = withByteChanged(at);
                QCOMPARE(files.fileMD5_withLevel(changed, level), fingerprint);
                QVERIFY(files.fileMD5_withLevel(changed, 2) != whole);
            }
        }
    }

    void chunkBoundary()
    {
        const Url exact = path("exact");
        TestFs::makeSparseFile(exact, chunk);
        const Url oneMore = path("one-more");
        TestFs::makeSparseFile(oneMore, chunk + 1);
        writeAt(oneMore, chunk, "\x7f");

        const QString first = *files.fileMD5_withLevel(exact, 2);
        QCOMPARE(first, oneShotDigest(QByteArray(chunk, '\0')));
        QCOMPARE(files.fileMD5_withLevel(oneMore, 2), first + oneShotDigest("\x7f"));
        // Sampled levels stay one digest, however long the file.
        QCOMPARE(files.fileMD5_withLevel(oneMore, 0)->size(), 32);
        QCOMPARE(files.fileMD5_withLevel(oneMore, 1)->size(), 32);
    }

    void packages()
    {
        const Url app = path("Foo.app");
        for (const char *folder :
             {"", "/Contents", "/Contents/PlugIns", "/Contents/PlugIns/Bar.bundle", "/Z"})
            TestFs::makeDir(Url::fromPath(app.path() + folder));
        // Listed in byte order of their paths: upper case before lower case, "-" before "/", U+FF21
        // before U+1F600 (UTF-16 order is the other way round), and bytes that are not UTF-8 last.
        const QList<QByteArray> members = {"/.hidden",
                                           "/B",
                                           "/Contents/PlugIns/Bar.bundle/code",
                                           "/Contents/info",
                                           "/Z-file",
                                           "/Z/x",
                                           "/a",
                                           "/\xc3\xa9",
                                           "/\xef\xbc\xa1",
                                           "/\xf0\x9f\x98\x80",
                                           "/\xfe",
                                           "/\xff"};
        QString expected;
        for (qsizetype i = 0; i < members.size(); ++i) {
            const Url member = Url::fromPath(app.path() + members[i]);
            TestFs::writeFile(member, randomBytes(10 + i, quint32(i)));
            expected += *files.fileMD5_withLevel(member, 0);
        }
        QCOMPARE(files.dirMD5_withLeel(app, 0), expected);
        QVERIFY(!files.fileMD5_withLevel(app, 0).has_value());

        // Neither ".DS_Store", an empty member, nor a member that cannot be read adds anything.
        TestFs::writeFile(Url::fromPath(app.path() + "/.DS_Store"), "x");
        TestFs::writeFile(Url::fromPath(app.path() + "/Contents/.DS_Store"), "y");
        TestFs::writeFile(Url::fromPath(app.path() + "/Contents/empty"), "");
        TestFs::makeSymlink("/nonexistent/target", Url::fromPath(app.path() + "/Contents/dangling"));
        QCOMPARE(files.dirMD5_withLeel(app, 0), expected);

        const Url onlyStore = path("Store.bundle");
        TestFs::makeDir(onlyStore);
        TestFs::makeDir(onlyStore.child("inner"));
        TestFs::writeFile(onlyStore.child("inner").child(".DS_Store"), "x");
        QCOMPARE(files.dirMD5_withLeel(onlyStore, 2), QStringLiteral(""));
        const Url emptyFolder = path("empty-folder");
        TestFs::makeDir(emptyFolder);
        QCOMPARE(files.dirMD5_withLeel(emptyFolder, 0), QStringLiteral(""));
        QVERIFY(files.dirMD5_withLeel(emptyFolder, 0).has_value());

        // A plain file goes to the file fingerprint; a missing item has none.
        QCOMPARE(files.dirMD5_withLeel(file("plain", "abc"), 1), abcFingerprint);
        QVERIFY(!files.dirMD5_withLeel(path("missing"), 0).has_value());
        QVERIFY(!files.dirMD5_withLeel(Url(), 0).has_value());
    }

    void itemsWithoutFingerprint()
    {
        QVERIFY(!files.fileMD5_withLevel(Url(), 0).has_value());
        QVERIFY(!files.fileMD5_withLevel(path("missing"), 2).has_value());
        const Url folder = path("folder");
        TestFs::makeDir(folder);
        QVERIFY(!files.fileMD5_withLevel(folder, 2).has_value());
        QCOMPARE(files.fileMD5_withLevel(file("\xff\xfe name\n", "abc"), 0), abcFingerprint);

        // Reading a FIFO could wait forever and a device may never end: a link to one is not read.
        const Url fifo = path("fifo");
        QCOMPARE(::mkfifo(fifo.c_str(), 0644), 0);
        QCOMPARE(files.fileMD5_withLevel(fifo, 2), QStringLiteral(""));
        TestFs::makeSymlink(fifo.path(), path("to-fifo"));
        QVERIFY(!files.fileMD5_withLevel(path("to-fifo"), 2).has_value());
        TestFs::makeSymlink("/dev/zero", path("to-zero"));
        QVERIFY(!files.fileMD5_withLevel(path("to-zero"), 2).has_value());
    }

    void fileThatCannotBeOpened()
    {
        // Root opens anything, so the check runs the command-line tool as an unprivileged user.
        const QByteArray cli = qgetenv("TWINSIFT_CLI");
        if (cli.isEmpty() || !QFile::exists(QStringLiteral("/usr/bin/setpriv")))
            QSKIP("needs TWINSIFT_CLI and setpriv");
        QTemporaryDir shared(QDir::tempPath() + QStringLiteral("/fingerprint-XXXXXX"));
        QCOMPARE(::chmod(shared.path().toUtf8().constData(), 0755), 0);
        const Url base = Url::fromPath(shared.path().toUtf8());
        TestFs::writeFile(base.child("open"), "abc");
        TestFs::writeFile(base.child("closed"), "abc");
        TestFs::writeFile(base.child("closed-empty"), "");
        QCOMPARE(::chmod(base.child("closed").c_str(), 0600), 0);
        QCOMPARE(::chmod(base.child("closed-empty").c_str(), 0600), 0);

        QByteArray output;
        const int status = TestFs::run(QStringLiteral("/usr/bin/setpriv"),
                                       {"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                                        QString::fromUtf8(cli), "fingerprint", shared.path() + "/open",
                                        shared.path() + "/closed", shared.path() + "/closed-empty"},
                                       &output);
        const QByteArray expected = abcFingerprint.toLatin1() + '\t' + base.child("open").path() + "\n-\t" +
                                    base.child("closed").path() + "\n\t" + base.child("closed-empty").path() +
                                    '\n';
        QCOMPARE(output, expected);
        QCOMPARE(status, 1);
    }

    void readFailures()
    {
        // The kernel refuses reads of this process's unmapped first page with EIO: a file that opens
        // but cannot be read.
        if (!QFile::exists(QStringLiteral("/proc/self/mem")))
            QSKIP("no /proc/self/mem");
        int error = 0;
        auto handle = ReadHandle::open(Url::fromPath("/proc/self/mem"), &error);
        QVERIFY(handle.has_value());
        QVERIFY(!files.readChunkData_ofLength_fromOffset(&*handle, 10, 0).has_value());
        QVERIFY(handle->failure().has_value());
        QCOMPARE(handle->failure()->error, EIO);

        // The link is short, so the target is read whole; the failed read leaves the empty text.
        TestFs::makeSymlink("/proc/self/mem", path("to-mem"));
        const auto fingerprint = files.fileMD5_withLevel(path("to-mem"), 0);
        QVERIFY(fingerprint.has_value());
        QVERIFY(fingerprint->isEmpty());
    }

    void readChunkData()
    {
        const Url ten = file("ten", "0123456789");
        int error = 0;
        auto handle = ReadHandle::open(ten, &error);
        QVERIFY(handle.has_value());
        ReadHandle *h = &*handle;
        QCOMPARE(files.readChunkData_ofLength_fromOffset(h, 4, 0), QByteArray("0123"));
        QCOMPARE(files.readChunkData_ofLength_fromOffset(h, 100, 8), QByteArray("89"));
        QCOMPARE(files.readChunkData_ofLength_fromOffset(h, std::numeric_limits<qint64>::max(), 0),
                 QByteArray("0123456789"));
        for (const quint64 offset :
             {quint64(10), quint64(11), quint64(std::numeric_limits<qint64>::max()),
              quint64(std::numeric_limits<qint64>::max()) + 1, std::numeric_limits<quint64>::max()})
            QVERIFY2(!files.readChunkData_ofLength_fromOffset(h, 5, offset).has_value(),
                     qPrintable(QString::number(offset)));
        QVERIFY(!files.readChunkData_ofLength_fromOffset(h, 0, 0).has_value());
        QVERIFY(!files.readChunkData_ofLength_fromOffset(h, -1, 0).has_value());
        QVERIFY(!files.readChunkData_ofLength_fromOffset(nullptr, 5, 0).has_value());
        QVERIFY(!handle->failure().has_value());

        // A read longer than one allocation step, with content at both ends.
        const qint64 size = (40 << 20) + 5;
        const Url big = path("big");
        TestFs::makeSparseFile(big, size);
        writeAt(big, 0, "head");
        writeAt(big, size - 4, "tail");
        auto bigHandle = ReadHandle::open(big, &error);
        const auto all = files.readChunkData_ofLength_fromOffset(&*bigHandle, size + 100, 0);
        QCOMPARE(all->size(), size);
        QVERIFY(all->startsWith("head") && all->endsWith("tail"));

        QVERIFY(!ReadHandle::open(path("nothing-here"), &error).has_value());
        QCOMPARE(error, ENOENT);
    }
};

TWINSIFT_TEST_MAIN(TestFingerprints, QCoreApplication)
#include "tst_fingerprints.moc"
