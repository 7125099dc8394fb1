// Content fingerprints: the texts that decide which files count as duplicates.
#include "fs/FileManagerProxy.h"

#include "fs/Base64.h"
#include "fs/Md5.h"
#include "fs/ReadHandle.h"
#include "fs/WholeContentDigest.h"
#include "fs/WholeContentLanes.h"
#include "platform/OnAllCores.h"
#include "platform/SystemLog.h"

#include <QDateTime>
#include <QRandomGenerator>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <limits>
#include <map>
#include <mutex>

namespace {

// Files up to this size are always digested whole, at every level.
constexpr qint64 smallFileLimit = 4096;

// Bytes per sample: level 0 is the quick fingerprint, level 1 the sampled precise one. Any other
// level samples nothing, so a large file gets no fingerprint at it.
qint64 sampleLength(qint64 level)
{
    switch (level) {
    case 0:
        return 20;
    case 1:
        return 500;
    default:
        return 0;
    }
}

// The empty text, as distinct from no value.
QString emptyText()
{
    return QStringLiteral("");
}

std::optional<ReadHandle> openLogged(const Url &url)
{
    int error = 0;
    auto handle = ReadHandle::open(url, &error);
    if (!handle)
        SystemLog::write(Error::fromErrno(error, url.escapedPath()).description);
    return handle;
}

void logReadFailure(const ReadHandle &handle)
{
    const ReadHandle::Failure &failure = *handle.failure();
    const QString reason = QStringLiteral("%1 at offset %2: %3")
                               .arg(handle.url().escapedPath())
                               .arg(failure.offset)
                               .arg(QString::fromLocal8Bit(std::strerror(failure.error)));
    SystemLog::write(QStringLiteral("%1:%2").arg(QStringLiteral("pread"), reason));
}

} // namespace

std::optional<QString> FileManagerProxy::fileMD5_withLevel(const Url &url, qint64 level) const
{
    return fileFingerprint(url, level).text;
}

FileManagerProxy::FileFingerprint FileManagerProxy::fileFingerprint(const Url &url, qint64 level) const
{
    // Nearly every item fingerprinted is a regular file: opening it first answers existence, kind
    // and size at once. Anything else (missing, a folder, a link, a special file, no permission)
    // is first asked about, which tells the cases apart as the rules require.
    qint64 size = 0;
    if (auto handle = ReadHandle::openRegularFile(url, &size))
        return fingerprintOfOpenFile(*handle, size, level);

    // One query of the item itself tells whether it exists, is a directory of any kind, and its size.
    const auto attributes = attributesOfItemAtURL(url);
    if (!attributes || attributes->isDirectory())
        return {};
    if (attributes->fileSize == 0)
        return {emptyText(), true};
    auto handle = openLogged(url);
    if (!handle)
        return {};
    return fingerprintOfOpenFile(*handle, attributes->fileSize, level);
}

FileManagerProxy::FileFingerprint FileManagerProxy::fingerprintOfOpenFile(ReadHandle &handle, qint64 size,
                                                                          qint64 level) const
{
    if (size == 0)
        return {emptyText(), true};

    if (size <= smallFileLimit || level == 2) {
        const auto digest = wholeContentDigest(handle, size);
        if (!digest) {
            // Part of a file stands for nothing: what was read is dropped.
            logReadFailure(handle);
            return {emptyText(), false};
        }
        return {digest, true};
    }

    // Five stretches: head, tail, and the ones that end at the middle, the first quarter and the
    // third quarter.
    const qint64 n = sampleLength(level);
    const qint64 half = size / 2;
    const qint64 offsets[] = {0, size - n, half - n, size / 4 - n, (size + half) / 2 - n};
    QString samples;
    for (const qint64 offset : offsets) {
        const auto sample = readChunkData_ofLength_fromOffset(&handle, n, quint64(offset));
        if (handle.failure()) {
            logReadFailure(handle);
            return {};
        }
        if (!sample)
            return {};
        samples += *base64forData(sample);
    }
    return {MD5String(samples), false};
}

std::vector<std::optional<QString>> FileManagerProxy::wholeContentFingerprints(
    const QList<Url> &urls, const std::function<bool(qsizetype i, bool isCallingThread)> &proceed) const
{
    std::vector<std::optional<QString>> results(size_t(urls.size()));
    // A file of several chunks is digested a chunk per lane, its chunks being texts of their own;
    // the chunks' digests are joined in file order when the last one is done.
    struct Chunks
    {
        std::vector<QString> digests;
        size_t pending = 0;
        bool failed = false;
    };
    std::mutex mutex;
    std::map<qsizetype, Chunks> chunked;
    std::deque<WholeContentLanes::Job> laterChunks;
    std::atomic<qsizetype> nextIndex{0};

    const auto split = [&](WholeContentLanes::Job &job, qint64 size) {
        const qint64 count = (size + WholeContentLanes::chunkLength - 1) / WholeContentLanes::chunkLength;
        std::vector<WholeContentLanes::Job> later;
        for (qint64 c = 1; c < count; ++c) {
            auto handle = job.handle.duplicate();
            if (!handle)
                return; // out of descriptors: one lane reads the whole file
            later.push_back({std::move(*handle), job.tag, c * WholeContentLanes::chunkLength});
        }
        if (later.empty())
            return;
        // Every chunk but the last ends with itself; the last goes on to wherever the file ends.
        job.isOneChunk = true;
        for (size_t c = 0; c + 1 < later.size(); ++c)
            later[c].isOneChunk = true;
        std::lock_guard lock(mutex);
        chunked[job.tag] = Chunks{std::vector<QString>(size_t(count)), size_t(count), false};
        for (auto &chunk : later)
            laterChunks.push_back(std::move(chunk));
    };

    onAllCores([&](bool isCallingThread) {
        const auto next = [&]() -> std::optional<WholeContentLanes::Job> {
            {
                std::lock_guard lock(mutex);
                if (!laterChunks.empty()) {
                    auto job = std::move(laterChunks.front());
                    laterChunks.pop_front();
                    return job;
                }
            }
            for (qsizetype i; (i = nextIndex.fetch_add(1)) < urls.size();) {
                if (!proceed(i, isCallingThread))
                    continue;
                qint64 size = 0;
                auto handle = ReadHandle::openRegularFile(urls[i], &size);
                // Anything but a regular file with content takes the usual way, with its checks.
                if (!handle || size == 0) {
                    results[size_t(i)] = fileFingerprint(urls[i], 2).text;
                    continue;
                }
                WholeContentLanes::Job job{std::move(*handle), i};
                split(job, size);
                return job;
            }
            return std::nullopt;
        };
        WholeContentLanes::run(next, [&](WholeContentLanes::Job &job, std::optional<QString> digest) {
            if (!digest)
                logReadFailure(job.handle);
            std::lock_guard lock(mutex);
            const auto parts = chunked.find(job.tag);
            if (parts == chunked.end()) {
                // Part of a file stands for nothing: what was read is dropped.
                results[size_t(job.tag)] = digest ? std::move(digest) : emptyText();
                return;
            }
            Chunks &chunks = parts->second;
            if (digest)
                chunks.digests[size_t(job.offset / WholeContentLanes::chunkLength)] = *digest;
            chunks.failed = chunks.failed || !digest;
            if (--chunks.pending > 0)
                return;
            QString text = emptyText();
            for (const QString &chunkDigests : chunks.digests)
                text += chunks.failed ? QString() : chunkDigests;
            results[size_t(job.tag)] = text;
        });
    });
    return results;
}

std::optional<QString> FileManagerProxy::dirMD5_withLeel(const Url &url, qint64 level) const
{
    if (url.isNull())
        return std::nullopt;
    if (!isDirecotry(url))
        return fileMD5_withLevel(url, level);

    QList<Url> files = getFilesInDirectory_skipSubDirectory_skipHidden_includePackage_includeBundel(
                           url, false, false, false, false)
                           .value_or(QList<Url>());
    files.removeIf([](const Url &file) { return file.fileName() == ".DS_Store"; });
    // Byte order of the paths, so the text does not depend on the locale or on how names decode.
    std::sort(files.begin(), files.end(), [](const Url &a, const Url &b) { return a.path() < b.path(); });

    QString text = emptyText();
    for (const Url &file : std::as_const(files)) {
        if (const auto fingerprint = fileMD5_withLevel(file, level))
            text += *fingerprint;
    }
    return text;
}

QString FileManagerProxy::MD5String(const std::optional<QString> &text) const
{
    if (text)
        return Md5::digestTextOf(text->toUtf8());
    // A text that no content can produce, so the result matches no other fingerprint.
    static std::atomic<qint64> counter{0};
    const QString oneOff = QStringLiteral("%1%2%3")
                               .arg(QDateTime::currentDateTime().toString(Qt::ISODateWithMs))
                               .arg(QRandomGenerator::system()->generate64())
                               .arg(counter.fetch_add(1));
    return Md5::digestTextOf(oneOff.toUtf8());
}

std::optional<QString> FileManagerProxy::base64forData(const std::optional<QByteArray> &data) const
{
    if (!data)
        return std::nullopt;
    QByteArray text(qsizetype(Base64::encodedLength(size_t(data->size()))), Qt::Uninitialized);
    Base64::encode(reinterpret_cast<const unsigned char *>(data->constData()), size_t(data->size()),
                   text.data());
    return QString::fromLatin1(text);
}

std::optional<QByteArray>
FileManagerProxy::readChunkData_ofLength_fromOffset(ReadHandle *handle, qint64 length, quint64 offset) const
{
    if (!handle || length <= 0 || offset > quint64(std::numeric_limits<qint64>::max()))
        return std::nullopt;
    // A long read is taken in steps, so a length far beyond the end of the file allocates no more
    // than a step past what is there.
    constexpr qint64 step = 16 << 20;
    QByteArray buffer;
    qint64 at = qint64(offset);
    for (qint64 remaining = length; remaining > 0;) {
        const qint64 wanted = std::min(remaining, step);
        const qsizetype start = buffer.size();
        buffer.resize(start + wanted);
        const qint64 got = handle->readAt(buffer.data() + start, wanted, at);
        if (got < 0)
            return std::nullopt;
        buffer.resize(start + got);
        if (got < wanted)
            break;
        at += got;
        remaining -= got;
    }
    if (buffer.isEmpty())
        return std::nullopt;
    return buffer;
}
