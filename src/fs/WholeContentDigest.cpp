#include "fs/WholeContentDigest.h"

#include "fs/Base64.h"
#include "fs/HandoffQueue.h"
#include "fs/Md5.h"

#include <algorithm>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr qint64 chunkLength = wholeContentChunkLength;
// Pieces are whole 3-byte groups, so only the last piece of a chunk can need padding.
constexpr qint64 maxPieceLength = 3 << 18; // 786,432 bytes, 1 MiB of Base64 text
// Below this a second thread costs more than it saves.
constexpr qint64 helperThreadThreshold = 4 * maxPieceLength;
constexpr int piecesInFlight = 3;

struct Piece
{
    explicit Piece(qint64 capacity)
        : bytes(std::make_unique_for_overwrite<char[]>(capacity)),
          text(std::make_unique_for_overwrite<char[]>(Base64::encodedLength(capacity)))
    {
    }

    std::unique_ptr<char[]> bytes;
    std::unique_ptr<char[]> text;
    size_t textLength = 0;
    bool endsChunk = false;
};

// Walks the file from offset 0 in pieces that never cross a chunk boundary, encoding each.
class PieceReader
{
public:
    enum class Outcome { Piece, End, Failed, Stopped };

    PieceReader(ReadHandle &handle, qint64 pieceLength, const std::function<bool()> &stopRequested)
        : m_handle(handle), m_pieceLength(pieceLength), m_stopRequested(stopRequested)
    {
    }

    qint64 pieceLength() const { return m_pieceLength; }

    Outcome next(Piece &piece)
    {
        // A short read already ended in a read that yielded nothing.
        if (m_metEnd)
            return Outcome::End;
        if (m_stopRequested && m_stopRequested())
            return Outcome::Stopped;
        const qint64 wanted = std::min(m_pieceLength, chunkLength - m_inChunk);
        const qint64 got = m_handle.readAt(piece.bytes.get(), wanted, m_offset);
        if (got < 0)
            return Outcome::Failed;
        m_metEnd = got < wanted;
        if (got == 0 && m_inChunk == 0)
            return Outcome::End;
        piece.textLength = Base64::encode(reinterpret_cast<const unsigned char *>(piece.bytes.get()),
                                          size_t(got), piece.text.get());
        m_offset += got;
        m_inChunk += got;
        // A short read is the end of the file, and so the end of the last chunk.
        piece.endsChunk = got < wanted || m_inChunk == chunkLength;
        if (piece.endsChunk)
            m_inChunk = 0;
        return Outcome::Piece;
    }

private:
    ReadHandle &m_handle;
    const qint64 m_pieceLength;
    const std::function<bool()> &m_stopRequested;
    qint64 m_offset = 0;
    qint64 m_inChunk = 0;
    bool m_metEnd = false;
};

// Feeds encoded pieces to MD5 and keeps one digest text per finished chunk.
class ChunkDigests
{
public:
    void take(const Piece &piece)
    {
        m_md5.update(piece.text.get(), piece.textLength);
        if (piece.endsChunk)
            m_text += m_md5.digestText();
    }

    const QString &text() const { return m_text; }

private:
    Md5 m_md5;
    QString m_text = QStringLiteral("");
};

std::optional<QString> digestOnThisThread(PieceReader &reader)
{
    Piece piece(reader.pieceLength());
    ChunkDigests digests;
    for (;;) {
        switch (reader.next(piece)) {
        case PieceReader::Outcome::Piece:
            digests.take(piece);
            break;
        case PieceReader::Outcome::End:
            return digests.text();
        case PieceReader::Outcome::Failed:
        case PieceReader::Outcome::Stopped:
            return std::nullopt;
        }
    }
}

// MD5 cannot be split, and reading plus encoding cost a good part of what it costs: a helper thread
// that reads and encodes the next pieces keeps MD5 busy all the time.
std::optional<QString> digestWithHelperThread(PieceReader &reader)
{
    std::vector<Piece> pieces;
    pieces.reserve(piecesInFlight);
    HandoffQueue<Piece *> emptyPieces;
    HandoffQueue<Piece *> filledPieces;
    for (int i = 0; i < piecesInFlight; ++i)
        emptyPieces.put(&pieces.emplace_back(reader.pieceLength()));

    bool ended = false;
    std::thread helper;
    try {
        helper = std::thread([&] {
            while (const auto piece = emptyPieces.take()) {
                const auto outcome = reader.next(**piece);
                if (outcome != PieceReader::Outcome::Piece) {
                    ended = outcome == PieceReader::Outcome::End;
                    break;
                }
                filledPieces.put(*piece);
            }
            filledPieces.close();
        });
    } catch (const std::system_error &) {
        // Out of threads: the same work on this thread is slower but gives the same text.
        return digestOnThisThread(reader);
    }

    ChunkDigests digests;
    while (const auto piece = filledPieces.take()) {
        digests.take(**piece);
        emptyPieces.put(*piece);
    }
    helper.join();
    if (!ended)
        return std::nullopt;
    return digests.text();
}

} // namespace

std::optional<QString> wholeContentDigest(ReadHandle &handle, qint64 sizeHint,
                                          const std::function<bool()> &stopRequested)
{
    // One byte more than expected, so a file of the expected size ends in a short read.
    const qint64 wanted = std::max<qint64>(sizeHint, 0) + 1;
    PieceReader reader(handle, std::min(maxPieceLength, (wanted + 2) / 3 * 3), stopRequested);
    if (sizeHint > helperThreadThreshold)
        return digestWithHelperThread(reader);
    return digestOnThisThread(reader);
}
