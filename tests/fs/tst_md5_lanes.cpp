// MD5 over several messages at once, with every kernel this processor runs, against OpenSSL's
// one-shot digest: all short lengths, long messages beside short and empty ones, lane counts around
// the kernel's width, messages compressed over several calls, unaligned data.
#include "fs/Md5Lanes.h"
#include "support/TestSupport.h"

#include <QRandomGenerator>

#include <openssl/evp.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

using Md5Lanes::Kernel;

namespace {

QByteArray opensslDigest(const QByteArray &message)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!EVP_Digest(message.constData(), size_t(message.size()), digest, &length, EVP_md5(), nullptr))
        return {};
    return QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex();
}

// Messages each in an allocation of its own that ends where the message ends, so that a kernel
// reading past a lane's blocks is caught by the sanitizer build. Each starts misaligned by a few bytes.
class Messages
{
public:
    void add(const QByteArray &bytes)
    {
        const size_t misalignment = m_storage.size() % 7;
        auto storage = std::make_unique<unsigned char[]>(misalignment + size_t(bytes.size()));
        std::copy(bytes.begin(), bytes.end(), storage.get() + misalignment);
        m_data.push_back(storage.get() + misalignment);
        m_storage.push_back(std::move(storage));
        m_bytes.push_back(bytes);
    }
    size_t count() const { return m_bytes.size(); }
    const unsigned char *data(size_t i) const { return m_data[i]; }
    const QByteArray &bytes(size_t i) const { return m_bytes[i]; }

private:
    std::vector<std::unique_ptr<unsigned char[]>> m_storage;
    std::vector<const unsigned char *> m_data;
    std::vector<QByteArray> m_bytes;
};

// Finishes every message whose full blocks are in states.
QList<QByteArray> finishAll(const Messages &messages, const std::vector<Md5State> &states)
{
    QList<QByteArray> digests;
    for (size_t i = 0; i < messages.count(); ++i) {
        const size_t length = size_t(messages.bytes(i).size());
        unsigned char digest[16];
        Md5Lanes::finish(states[i], messages.data(i) + length / 64 * 64, length, digest);
        digests.append(QByteArray(reinterpret_cast<const char *>(digest), 16).toHex());
    }
    return digests;
}

// The digests of all messages, with their full blocks compressed in one call by the kernel given, or
// by the default one.
QList<QByteArray> laneDigests(std::optional<Kernel> kernel, const Messages &messages)
{
    std::vector<Md5State> states(messages.count());
    std::vector<const unsigned char *> data;
    std::vector<size_t> blockCounts;
    for (size_t i = 0; i < messages.count(); ++i) {
        Md5Lanes::start(states[i]);
        data.push_back(messages.data(i));
        blockCounts.push_back(size_t(messages.bytes(i).size()) / 64);
    }
    if (kernel)
        Md5Lanes::compressWith(*kernel, states.data(), data.data(), blockCounts.data(), messages.count());
    else
        Md5Lanes::compress(states.data(), data.data(), blockCounts.data(), messages.count());
    return finishAll(messages, states);
}

QList<QByteArray> opensslDigests(const Messages &messages)
{
    QList<QByteArray> digests;
    for (size_t i = 0; i < messages.count(); ++i)
        digests.append(opensslDigest(messages.bytes(i)));
    return digests;
}

} // namespace

class TestMd5Lanes : public QObject
{
    Q_OBJECT

private:
    static void addKernelRows()
    {
        QTest::addColumn<Kernel>("kernel");
        QTest::newRow("portable") << Kernel::Portable;
        QTest::newRow("avx2") << Kernel::Avx2;
        QTest::newRow("avx512") << Kernel::Avx512;
    }

private Q_SLOTS:
    void everyShortLengthInOneCall_data() { addKernelRows(); }
    void everyShortLengthInOneCall()
    {
        QFETCH(Kernel, kernel);
        if (!Md5Lanes::isAvailable(kernel))
            QSKIP("this processor lacks the kernel's instructions");
        // 0 to 3 blocks and every tail length, many more lanes than any kernel's width.
        Messages messages;
        for (int length = 0; length <= 200; ++length)
            messages.add(randomBytes(length, quint32(length)));
        QCOMPARE(laneDigests(kernel, messages), opensslDigests(messages));
    }

    void longMessagesBesideShortOnes_data() { addKernelRows(); }
    void longMessagesBesideShortOnes()
    {
        QFETCH(Kernel, kernel);
        if (!Md5Lanes::isAvailable(kernel))
            QSKIP("this processor lacks the kernel's instructions");
        // Lanes run out of blocks at very different rounds, and some have none at all.
        Messages messages;
        const qsizetype lengths[] = {(1 << 20) + 7,
                                     0,
                                     64,
                                     3 * 64 + 5,
                                     (1 << 20) - 1,
                                     55,
                                     (2 << 20) + 63,
                                     56,
                                     0,
                                     4096,
                                     119,
                                     (1 << 20) + 7,
                                     1,
                                     63,
                                     640,
                                     100'000,
                                     9,
                                     128};
        quint32 seed = 100;
        for (const qsizetype length : lengths)
            messages.add(randomBytes(length, ++seed));
        QCOMPARE(laneDigests(kernel, messages), opensslDigests(messages));
    }

    void laneCountsAroundTheWidth_data() { addKernelRows(); }
    void laneCountsAroundTheWidth()
    {
        QFETCH(Kernel, kernel);
        if (!Md5Lanes::isAvailable(kernel))
            QSKIP("this processor lacks the kernel's instructions");
        const size_t width = Md5Lanes::widthOf(kernel);
        QRandomGenerator generator(7);
        for (const size_t lanes : {size_t(1), width - 1, width, width + 1, 2 * width + 3}) {
            if (lanes == 0)
                continue;
            Messages messages;
            for (size_t i = 0; i < lanes; ++i)
                messages.add(randomBytes(generator.bounded(3000), generator.generate()));
            QCOMPARE(laneDigests(kernel, messages), opensslDigests(messages));
        }
    }

    void messagesOverSeveralCalls_data() { addKernelRows(); }
    void messagesOverSeveralCalls()
    {
        QFETCH(Kernel, kernel);
        if (!Md5Lanes::isAvailable(kernel))
            QSKIP("this processor lacks the kernel's instructions");
        // Each call takes the next few blocks of every lane, a different number per lane.
        Messages messages;
        for (int i = 0; i < 20; ++i)
            messages.add(randomBytes(64 * (i % 9) + 3 * i, quint32(1000 + i)));
        std::vector<Md5State> states(messages.count());
        std::vector<size_t> done(messages.count(), 0);
        for (Md5State &state : states)
            Md5Lanes::start(state);
        for (size_t call = 0; call < 8; ++call) {
            std::vector<const unsigned char *> data;
            std::vector<size_t> blockCounts;
            for (size_t i = 0; i < messages.count(); ++i) {
                const size_t left = size_t(messages.bytes(i).size()) / 64 - done[i];
                const size_t take = call == 7 ? left : std::min(left, (i + call) % 3);
                data.push_back(messages.data(i) + 64 * done[i]);
                blockCounts.push_back(take);
                done[i] += take;
            }
            Md5Lanes::compressWith(kernel, states.data(), data.data(), blockCounts.data(), messages.count());
        }
        QCOMPARE(finishAll(messages, states), opensslDigests(messages));
    }

    void defaultKernel()
    {
        // One more lane than the kernel's width, so that the chosen kernel runs two groups.
        Messages messages;
        for (size_t i = 0; i <= Md5Lanes::width(); ++i)
            messages.add(randomBytes(qsizetype(97 * i), quint32(i)));
        QCOMPARE(laneDigests(std::nullopt, messages), opensslDigests(messages));
    }
};

TWINSIFT_TEST_MAIN(TestMd5Lanes, QCoreApplication)
#include "tst_md5_lanes.moc"
