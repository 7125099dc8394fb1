// Every Base64 encoder this processor runs, against Qt's encoder: all short lengths with the input
// ending at an unreadable page (so any read past it crashes), output bounds, large random buffers.
#include "fs/Base64.h"
#include "support/TestSupport.h"

#include <sys/mman.h>
#include <unistd.h>

using Base64::Kernel;

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
    GuardedBuffer(const GuardedBuffer &) = delete;
    GuardedBuffer &operator=(const GuardedBuffer &) = delete;

    // Copies bytes so that they end at the guard page.
    const unsigned char *place(const QByteArray &bytes)
    {
        unsigned char *start = end() - bytes.size();
        std::copy(bytes.begin(), bytes.end(), start);
        return start;
    }

private:
    unsigned char *end() const { return static_cast<unsigned char *>(m_base) + m_usable; }

    size_t m_page;
    size_t m_usable;
    void *m_base;
};

QByteArray encoded(Kernel kernel, const unsigned char *data, size_t n)
{
    QByteArray text(qsizetype(Base64::encodedLength(n)), Qt::Uninitialized);
    const size_t length = Base64::encodeWith(kernel, data, n, text.data());
    text.truncate(qsizetype(length));
    return text;
}

} // namespace

class TestBase64 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void kernelsMatchQt_data()
    {
        QTest::addColumn<Kernel>("kernel");
        QTest::newRow("portable") << Kernel::Portable;
        QTest::newRow("avx2") << Kernel::Avx2;
        QTest::newRow("avx512vbmi") << Kernel::Avx512Vbmi;
    }
    void kernelsMatchQt()
    {
        QFETCH(Kernel, kernel);
        if (!Base64::isAvailable(kernel))
            QSKIP("this processor lacks the encoder's instructions");

        // Ending at the guard page, the inputs start at every alignment as their length varies.
        GuardedBuffer input(512);
        QByteArray output(400 + 64, Qt::Uninitialized);
        for (int n = 0; n <= 300; ++n) {
            const QByteArray bytes = randomBytes(n, quint32(n));
            const QByteArray expected = bytes.toBase64();
            // The text starts misaligned too, and nothing may be written past its length.
            char *text = output.data() + n % 5;
            std::fill(output.begin(), output.end(), '#');
            const size_t length = Base64::encodeWith(kernel, input.place(bytes), size_t(n), text);
            QCOMPARE(QByteArray(text, qsizetype(length)), expected);
            QCOMPARE(output.mid(n % 5 + expected.size()),
                     QByteArray(output.size() - n % 5 - expected.size(), '#'));
        }

        for (const qsizetype n : {(1 << 20), (1 << 20) + 1, (1 << 20) + 2, 3 * (1 << 20) + 47}) {
            const QByteArray bytes = randomBytes(n + 1, quint32(n));
            const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData()) + 1;
            QCOMPARE(encoded(kernel, data, size_t(n)), bytes.mid(1).toBase64());
        }
    }
};

TWINSIFT_TEST_MAIN(TestBase64, QCoreApplication)
#include "tst_base64.moc"
