// Every vector kernel this processor runs against an implementation written by someone else: the
// Base64 encoders against Qt's, the MD5 lanes and the one-message digest against Qt's MD5. Inputs end at an
// unreadable page or an allocation's end (caught by the sanitizer build), so a read past them fails.
#include "fs/Base64.h"
#include "fs/Md5.h"
#include "fs/Md5Lanes.h"
#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <numeric>
#include <optional>
#include <vector>

namespace {

// Memory whose last usable byte is followed by a page that cannot be read.
class GuardedBuffer
{
public:
    explicit GuardedBuffer(size_t capacity)
        : m_page(size_t(sysconf(_SC_PAGESIZE))), m_usable((capacity + m_page - 1) / m_page * m_page),
          m_base(mmap(nullptr, m_usable + m_page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0))
    {
        if (m_base == MAP_FAILED || mprotect(end(), m_page, PROT_NONE) != 0)
            qFatal("cannot map a guarded buffer");
    }
    ~GuardedBuffer() { munmap(m_base, m_usable + m_page); }

    // Copies bytes so that they end at the guard page.
    const unsigned char *place(const QByteArray &bytes)
    {
        return std::copy(bytes.begin(), bytes.end(), end() - bytes.size()) - bytes.size();
    }

private:
    unsigned char *end() const { return static_cast<unsigned char *>(m_base) + m_usable; }

    size_t m_page;
    size_t m_usable;
    void *m_base;
};

// Messages each in an allocation of its own that ends where the message ends, each misaligned by a
// few bytes, with their full blocks compressed by the lanes and finished one by one.
class Messages
{
public:
    void add(const QByteArray &bytes)
    {
        const size_t misalignment = m_storage.size() % 7;
        m_storage.push_back(std::make_unique<unsigned char[]>(misalignment + size_t(bytes.size())));
        m_data.push_back(std::copy(bytes.begin(), bytes.end(), m_storage.back().get() + misalignment) - bytes.size());
        m_bytes.push_back(bytes);
        m_states.emplace_back();
        Md5Lanes::start(m_states.back());
    }

    // Compresses up to `blocks(i)` more blocks of every message in one call; all that is left when
    // blocks is not given.
    void compress(std::optional<Md5Lanes::Kernel> kernel, const std::function<size_t(size_t)> &blocks = {})
    {
        std::vector<const unsigned char *> data;
        std::vector<size_t> counts;
        for (size_t i = 0; i < m_bytes.size(); ++i) {
            const size_t left = size_t(m_bytes[i].size()) / 64 - m_done[i];
            data.push_back(m_data[i] + 64 * m_done[i]);
            counts.push_back(blocks ? std::min(left, blocks(i)) : left);
            m_done[i] += counts.back();
        }
        if (kernel)
            Md5Lanes::compressWith(*kernel, m_states.data(), data.data(), counts.data(), m_bytes.size());
        else
            Md5Lanes::compress(m_states.data(), data.data(), counts.data(), m_bytes.size());
    }

    bool matchQt() const
    {
        for (size_t i = 0; i < m_bytes.size(); ++i) {
            const size_t length = size_t(m_bytes[i].size());
            unsigned char lanes[16];
            Md5Lanes::finish(m_states[i], m_data[i] + length / 64 * 64, length, lanes);
            const QByteArray qt = QCryptographicHash::hash(m_bytes[i], QCryptographicHash::Md5);
            if (!std::equal(lanes, lanes + 16, reinterpret_cast<const unsigned char *>(qt.constData())))
                return false;
        }
        return true;
    }

private:
    std::vector<std::unique_ptr<unsigned char[]>> m_storage;
    std::vector<const unsigned char *> m_data;
    std::vector<QByteArray> m_bytes;
    std::vector<Md5State> m_states;
    std::map<size_t, size_t> m_done;
};

} // namespace

class TestKernels : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void base64EncodersMatchQt_data()
    {
        QTest::addColumn<Base64::Kernel>("kernel");
        QTest::newRow("portable") << Base64::Kernel::Portable;
        QTest::newRow("avx2") << Base64::Kernel::Avx2;
        QTest::newRow("avx512vbmi") << Base64::Kernel::Avx512Vbmi;
    }

    void base64EncodersMatchQt()
    {
        QFETCH(Base64::Kernel, kernel);
        if (!Base64::isAvailable(kernel))
            QSKIP("this processor lacks the encoder's instructions");
        // Ending at the guard page, the inputs start at every alignment as their length varies; the
        // text starts misaligned too, and nothing may be written past its length.
        GuardedBuffer input(4 << 20);
        QByteArray output((4 << 22) / 3 + 64, Qt::Uninitialized);
        QList<qsizetype> lengths(301);
        std::iota(lengths.begin(), lengths.end(), 0);
        for (const qsizetype n : lengths + QList<qsizetype>{1 << 20, (1 << 20) + 1, (1 << 20) + 2, 3 * (1 << 20) + 47}) {
            const QByteArray bytes = randomBytes(n, quint32(n));
            const QByteArray expected = bytes.toBase64();
            char *text = output.data() + n % 5;
            std::fill_n(output.data(), n % 5 + expected.size() + 1, '#');
            const size_t length = Base64::encodeWith(kernel, input.place(bytes), size_t(n), text);
            QCOMPARE(QByteArray(text, qsizetype(length)), expected);
            QVERIFY(text[length] == '#');
        }
    }

    void md5LanesMatchQt_data()
    {
        QTest::addColumn<std::optional<Md5Lanes::Kernel>>("kernel");
        QTest::newRow("portable") << std::optional(Md5Lanes::Kernel::Portable);
        QTest::newRow("avx2") << std::optional(Md5Lanes::Kernel::Avx2);
        QTest::newRow("avx512") << std::optional(Md5Lanes::Kernel::Avx512);
        QTest::newRow("default") << std::optional<Md5Lanes::Kernel>();
    }

    void md5LanesMatchQt()
    {
        QFETCH(std::optional<Md5Lanes::Kernel>, kernel);
        if (kernel && !Md5Lanes::isAvailable(*kernel))
            QSKIP("this processor lacks the kernel's instructions");
        // 0 to 3 blocks and every tail length, many more lanes than any kernel's width.
        Messages shortOnes;
        for (int length = 0; length <= 200; ++length)
            shortOnes.add(randomBytes(length, quint32(length)));
        shortOnes.compress(kernel);
        QVERIFY(shortOnes.matchQt());
        // Lanes that run out of blocks at very different rounds, and some with none at all.
        Messages mixed;
        quint32 seed = 100;
        for (const qsizetype length : {(1 << 20) + 7, 0, 64, 3 * 64 + 5, (1 << 20) - 1, 55, (2 << 20) + 63, 56, 0, 4096,
                                       119, 1, 63, 640, 100'000, 9, 128})
            mixed.add(randomBytes(length, ++seed));
        mixed.compress(kernel);
        QVERIFY(mixed.matchQt());
        // Lane counts around the kernel's width.
        const size_t width = kernel ? Md5Lanes::widthOf(*kernel) : Md5Lanes::width();
        QRandomGenerator generator(7);
        for (const size_t lanes : {size_t(1), width - 1, width, width + 1, 2 * width + 3}) {
            Messages messages;
            for (size_t i = 0; i < lanes; ++i)
                messages.add(randomBytes(generator.bounded(3000), generator.generate()));
            messages.compress(kernel);
            QVERIFY(messages.matchQt());
        }
        // Messages over several calls, each taking a different number of blocks per lane.
        Messages inSteps;
        for (int i = 0; i < 20; ++i)
            inSteps.add(randomBytes(64 * (i % 9) + 3 * i, quint32(1000 + i)));
        for (size_t call = 0; call < 7; ++call)
            inSteps.compress(kernel, [call](size_t i) { return (i + call) % 3; });
        inSteps.compress(kernel);
        QVERIFY(inSteps.matchQt());
    }

    void oneMessageInPiecesMatchesQt()
    {
        // Pieces that fill, cross and end on block boundaries, and a digest that starts the next one.
        const QByteArray bytes = randomBytes(5000, 11);
        Md5 md5;
        for (const qsizetype cut : {0, 1, 63, 64, 65, 127, 200, 1000, 4999}) {
            for (qsizetype at = 0, piece = 1; at < cut; at += piece, piece = piece * 3 % 97 + 1)
                md5.update(bytes.constData() + at, size_t(std::min(piece, cut - at)));
            QCOMPARE(md5.digestText(),
                     QString::fromLatin1(QCryptographicHash::hash(bytes.left(cut), QCryptographicHash::Md5).toHex().toUpper()));
        }
    }
};

TWINSIFT_TEST_MAIN(TestKernels, QCoreApplication)
#include "tst_kernels.moc"
