#include "fs/WholeContentLanes.h"

#include "fs/Base64.h"
#include "fs/Md5.h"
#include "fs/Md5Lanes.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr qint64 chunkLength = WholeContentLanes::chunkLength;
// A piece of a file encodes to exactly 512 blocks of text, so only the last piece of a chunk ends in
// a partial block.
constexpr qint64 pieceLength = 48 * 512;
constexpr size_t blockLength = 64;
constexpr qint64 readAheadLength = WholeContentLanes::readAheadLength;

// One file being digested: its text is made a piece at a time and consumed a block at a time.
class Lane
{
public:
    enum class State { Ready, Finished, Failed };

    Lane()
        : m_bytes(std::make_unique_for_overwrite<char[]>(pieceLength)),
          m_text(std::make_unique_for_overwrite<char[]>(Base64::encodedLength(pieceLength)))
    {
    }

    std::optional<WholeContentLanes::Job> job;

    void begin(WholeContentLanes::Job next, Md5State &md5)
    {
        job = std::move(next);
        m_offset = job->offset;
        m_inChunk = 0;
        m_position = m_length = 0;
        m_messageLength = 0;
        m_heldTextEndsChunk = m_metEnd = false;
        m_readAheadTo = 0;
        m_digests = QStringLiteral("");
        Md5Lanes::start(md5);
    }

    // Makes sure a full block is held, finishing chunks and reading pieces as needed.
    State prepare(Md5State &md5)
    {
        while (m_length - m_position < blockLength) {
            if (m_heldTextEndsChunk) {
                unsigned char digest[16];
                Md5Lanes::finish(md5, text() + m_position, m_messageLength, digest);
                m_digests += Md5::hexText(digest);
                Md5Lanes::start(md5);
                m_messageLength = 0;
                m_heldTextEndsChunk = false;
                m_position = m_length;
                if (job->isOneChunk)
                    return State::Finished;
            }
            // A short read already ended in a read that yielded nothing.
            if (m_metEnd)
                return State::Finished;
            const qint64 wanted = std::min(pieceLength, chunkLength - m_inChunk);
            // Whoever hands a lane its file asks for its start.
            if (m_offset > job->offset)
                readAhead();
            const qint64 got = job->handle.readAt(m_bytes.get(), wanted, m_offset);
            if (got < 0)
                return State::Failed;
            m_metEnd = got < wanted;
            if (got == 0 && m_inChunk == 0)
                return State::Finished;
            m_length = Base64::encode(reinterpret_cast<const unsigned char *>(m_bytes.get()), size_t(got),
                                      m_text.get());
            m_position = 0;
            m_messageLength += m_length;
            m_offset += got;
            m_inChunk += got;
            m_heldTextEndsChunk = got < wanted || m_inChunk == chunkLength;
            if (m_heldTextEndsChunk)
                m_inChunk = 0;
        }
        return State::Ready;
    }

    // Asks for the next stretch of the file when less than a quarter of what was asked is left.
    void readAhead()
    {
        if (m_readAheadTo - m_offset >= readAheadLength / 4)
            return;
        const qint64 end = job->isOneChunk ? job->offset + chunkLength : job->handle.size();
        const qint64 from = std::max(m_readAheadTo, m_offset);
        const qint64 to = std::min(end, from + readAheadLength);
        if (to > from)
            job->handle.readAhead(from, to - from);
        m_readAheadTo = std::max(from, to);
    }

    size_t heldBlocks() const { return (m_length - m_position) / blockLength; }
    const unsigned char *text() const { return reinterpret_cast<const unsigned char *>(m_text.get()); }
    size_t position() const { return m_position; }
    void consume(size_t blocks) { m_position += blocks * blockLength; }
    const QString &digests() const { return m_digests; }

private:
    std::unique_ptr<char[]> m_bytes;
    std::unique_ptr<char[]> m_text;
    size_t m_position = 0;
    size_t m_length = 0;
    qint64 m_offset = 0;
    qint64 m_inChunk = 0;
    uint64_t m_messageLength = 0;
    bool m_heldTextEndsChunk = false;
    bool m_metEnd = false;
    qint64 m_readAheadTo = 0;
    QString m_digests;
};

} // namespace

void WholeContentLanes::run(const Next &next, const Done &done, const std::function<bool()> &stopRequested)
{
    const size_t width = Md5Lanes::width();
    std::vector<Lane> lanes(width);
    std::vector<Md5State> states(width);
    std::vector<const unsigned char *> data(width);
    std::vector<size_t> counts(width);
    bool moreJobs = true;
    for (;;) {
        if (stopRequested && stopRequested()) {
            for (Lane &lane : lanes) {
                if (lane.job)
                    done(*lane.job, std::nullopt);
            }
            return;
        }
        size_t fewestBlocks = 0;
        for (size_t i = 0; i < width; ++i) {
            Lane &lane = lanes[i];
            counts[i] = 0;
            while (lane.job || moreJobs) {
                if (!lane.job) {
                    auto job = next();
                    if (!job) {
                        moreJobs = false;
                        break;
                    }
                    lane.begin(std::move(*job), states[i]);
                }
                const Lane::State state = lane.prepare(states[i]);
                if (state == Lane::State::Ready)
                    break;
                done(*lane.job,
                     state == Lane::State::Finished ? std::optional(lane.digests()) : std::nullopt);
                lane.job.reset();
            }
            if (!lane.job)
                continue;
            data[i] = lane.text() + lane.position();
            counts[i] = lane.heldBlocks();
            fewestBlocks = fewestBlocks ? std::min(fewestBlocks, counts[i]) : counts[i];
        }
        if (!fewestBlocks)
            return;
        // Every lane advances as far as the one holding least, so no lane idles while others work.
        for (size_t i = 0; i < width; ++i) {
            if (lanes[i].job)
                counts[i] = fewestBlocks;
        }
        Md5Lanes::compress(states.data(), data.data(), counts.data(), width);
        for (size_t i = 0; i < width; ++i) {
            if (lanes[i].job)
                lanes[i].consume(fewestBlocks);
        }
    }
}
