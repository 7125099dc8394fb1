// Content fingerprints: the texts that decide which files count as duplicates.
#include "fs/FileManagerProxy.h"

#include "fs/Base64.h"
#include "fs/Directory.h"
#include "fs/FingerprintCache.h"
#include "fs/Md5.h"
#include "fs/ReadFailures.h"
#include "fs/ReadHandle.h"
#include "fs/WholeContentDigest.h"
#include "fs/WholeContentLanes.h"
#include "platform/OnAllCores.h"

#include <QDateTime>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <deque>
#include <limits>
#include <map>
#include <memory>
#include <mutex>

namespace {

// Files up to this size are always digested whole, at every level.
constexpr qint64 smallFileLimit = 4096;
// Files up to this size are asked of the disk whole before they are sampled.
constexpr qint64 askedForWholeLimit = 128 << 10;
// Files each digesting thread holds open ahead of its lanes.
constexpr size_t filesOpenedAhead = 16;

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

QString reasonText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

void reportOpenFailure(const Url &url, int error)
{
    ReadFailures::report(url, QStringLiteral("cannot open: %1").arg(reasonText(error)));
}

void reportReadFailure(const ReadHandle &handle)
{
    const ReadHandle::Failure &failure = *handle.failure();
    ReadFailures::report(
        handle.url(),
        QStringLiteral("read failed at offset %1: %2").arg(failure.offset).arg(reasonText(failure.error)));
}

// The whole-content text of bytes held in memory, which are shorter than a chunk.
QString digestOfBytes(const char *bytes, size_t n)
{
    // Most texts are short: the stack holds them, and only the digest text is allocated.
    char onStack[Base64::encodedLength(smallFileLimit)];
    std::unique_ptr<char[]> onHeap;
    char *text = onStack;
    if (Base64::encodedLength(n) > sizeof onStack) {
        onHeap = std::make_unique_for_overwrite<char[]>(Base64::encodedLength(n));
        text = onHeap.get();
    }
    Md5 md5;
    md5.update(text, Base64::encode(reinterpret_cast<const unsigned char *>(bytes), n, text));
    return md5.digestText();
}

QString digestOfBytes(const QByteArray &bytes)
{
    return digestOfBytes(bytes.constData(), size_t(bytes.size()));
}

// The target path of the link `name` in the folder dirFd.
std::optional<QByteArray> linkText(int dirFd, const QByteArray &name, qint64 sizeHint, int *error)
{
    QByteArray target(std::max<qint64>(sizeHint + 1, 256), Qt::Uninitialized);
    for (;;) {
        const ssize_t length = ::readlinkat(dirFd, name.constData(), target.data(), size_t(target.size()));
        if (length < 0) {
            *error = errno;
            return std::nullopt;
        }
        if (length < target.size()) {
            target.truncate(length);
            return target;
        }
        target.resize(target.size() * 2);
    }
}

// The last component of url, within url's own bytes, when url is an entry of the folder; else null.
const char *entryName(const Directory &folder, const Url &url)
{
    const QByteArray &path = url.path(), &parent = folder.url().path();
    const qsizetype start = parent.endsWith('/') ? parent.size() : parent.size() + 1;
    if (path.size() <= start || !path.startsWith(parent) || path[start - 1] != '/' ||
        path.indexOf('/', start) >= 0)
        return nullptr;
    return path.constData() + start;
}

bool isStopped(const StopRequest &stopRequested)
{
    return stopRequested && stopRequested();
}

} // namespace

std::optional<QString> FileManagerProxy::fileMD5_withLevel(const Url &url, qint64 level,
                                                           const std::optional<FileId> &listed,
                                                           const StopRequest &stopRequested) const
{
    return fileFingerprint(url, level, listed, stopRequested).text;
}

FileManagerProxy::FileFingerprint FileManagerProxy::fileFingerprint(const Url &url, qint64 level,
                                                                    const std::optional<FileId> &listed,
                                                                    const StopRequest &stopRequested,
                                                                    FingerprintCache *cache) const
{
    if (url.isNull())
        return {};
    return fingerprintAt(AT_FDCWD, url.c_str(), url, level, listed, stopRequested, cache);
}

FileManagerProxy::FileFingerprint FileManagerProxy::fileFingerprintIn(const Directory &folder, const Url &url,
                                                                      qint64 level,
                                                                      const std::optional<FileId> &listed,
                                                                      const StopRequest &stopRequested,
                                                                      FingerprintCache *cache) const
{
    const char *name = entryName(folder, url);
    if (!name)
        return {};
    return fingerprintAt(folder.fd(), name, url, level, listed, stopRequested, cache);
}

FileManagerProxy::FileFingerprint FileManagerProxy::fingerprintAt(int dirFd, const char *name, const Url &url,
                                                                  qint64 level,
                                                                  const std::optional<FileId> &listed,
                                                                  const StopRequest &stopRequested,
                                                                  FingerprintCache *cache) const
{
    // The item is looked at before anything is opened: a FIFO could block, a device could act on being
    // opened. A missing item, one whose attributes cannot be read and a directory have no fingerprint.
    int error = 0;
    const qint64 lookedAt = cache ? cache->now() : 0;
    const auto attributes = queryAttributes(dirFd, name, &error);
    if (!attributes || attributes->isDirectory() || (listed && attributes->id() != *listed))
        return {};
    const auto key = cache ? FingerprintCache::Key::of(*attributes, level) : std::nullopt;
    if (key) {
        if (auto known = cache->lookup(*key))
            return {std::move(known->text), known->isWholeContent};
    }
    if (!attributes->isRegularFile()) {
        // A link is not followed: one met where a file was listed may lead anywhere. Special files hold
        // nothing to read; they report a size of 0, which stands for the empty text.
        if (attributes->isSymbolicLink() || attributes->fileSize != 0)
            return {};
        return {emptyText(), true};
    }
    if (attributes->fileSize == 0)
        return {emptyText(), true};
    auto handle = ReadHandle::open(dirFd, name, url, attributes->id(), &error);
    if (!handle) {
        if (!isVanishedItemError(error))
            reportOpenFailure(url, error);
        return {};
    }
    FileFingerprint fingerprint = fingerprintOfOpenFile(*handle, level, stopRequested);
    if (key && fingerprint.text && !handle->failure())
        cache->record(*key, {*fingerprint.text, fingerprint.isWholeContent}, lookedAt);
    return fingerprint;
}

bool FileManagerProxy::namesFile(const Url &url, const FileId &listed) const
{
    return !url.isNull() && namesFileAt(AT_FDCWD, url.c_str(), listed);
}

bool FileManagerProxy::namesFileIn(const Directory &folder, const Url &url, const FileId &listed) const
{
    const char *name = entryName(folder, url);
    return name && namesFileAt(folder.fd(), name, listed);
}

bool FileManagerProxy::namesFileAt(int dirFd, const char *name, const FileId &listed)
{
    struct stat st;
    return ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
           FileId{quint64(st.st_dev), quint64(st.st_ino)} == listed;
}

FileManagerProxy::FileFingerprint
FileManagerProxy::fingerprintOfOpenFile(ReadHandle &handle, qint64 level,
                                        const StopRequest &stopRequested) const
{
    const qint64 size = handle.size();
    if (size == 0)
        return {emptyText(), true};

    if (size <= smallFileLimit) {
        // Read into the stack with one byte to spare: a read that fills it means the file grew since it
        // was opened, and the reading in pieces below follows it to its real end.
        char bytes[smallFileLimit + 1];
        if (isStopped(stopRequested))
            return {};
        const qint64 got = handle.readAt(bytes, qint64(sizeof bytes), 0);
        if (got < 0) {
            reportReadFailure(handle);
            return {emptyText(), false};
        }
        if (got <= smallFileLimit)
            return {got ? digestOfBytes(bytes, size_t(got)) : emptyText(), true};
    }
    if (size <= smallFileLimit || level == 2) {
        const auto digest = wholeContentDigest(handle, size, stopRequested);
        if (digest)
            return {digest, true};
        if (!handle.failure())
            return {}; // stopped: no value, and nothing went wrong
        // Part of a file stands for nothing: what was read is dropped.
        reportReadFailure(handle);
        return {emptyText(), false};
    }

    // Five stretches: head, tail, and the ones that end at the middle, the first quarter and the
    // third quarter.
    const qint64 n = sampleLength(level);
    if (n == 0)
        return {};
    const qint64 half = size / 2;
    constexpr size_t sampleCount = 5;
    const qint64 offsets[sampleCount] = {0, size - n, half - n, size / 4 - n, (size + half) / 2 - n};
    // A small file is asked for whole: one request to the disk instead of one per sample, and the
    // whole read that follows when its samples match another file's finds it in memory.
    if (size <= askedForWholeLimit)
        handle.readAhead(0, size);
    // The samples' Base64 texts, joined, on the stack: a sample is at most 500 bytes.
    constexpr qint64 longestSample = 500;
    char sample[longestSample];
    char text[sampleCount * Base64::encodedLength(longestSample)];
    size_t textLength = 0;
    for (const qint64 offset : offsets) {
        // A file that shrank since it was opened gives a shorter sample, or none.
        const qint64 got = handle.readAt(sample, n, offset);
        if (got < 0) {
            reportReadFailure(handle);
            return {};
        }
        if (got == 0)
            return {};
        textLength +=
            Base64::encode(reinterpret_cast<const unsigned char *>(sample), size_t(got), text + textLength);
    }
    Md5 md5;
    md5.update(text, textLength);
    return {md5.digestText(), false};
}

std::vector<std::optional<QString>> FileManagerProxy::wholeContentFingerprints(
    const QList<Url> &urls, const std::function<bool(qsizetype i, bool isCallingThread)> &proceed,
    const QList<std::optional<FileId>> &listed, const StopRequest &stopRequested, FingerprintCache *cache,
    const QList<const Directory *> &folders) const
{
    std::vector<std::optional<QString>> results(size_t(urls.size()));
    // The keys of the files read, and when their attributes were, for what is recorded in the cache.
    std::vector<std::optional<FingerprintCache::Key>> keys(cache ? size_t(urls.size()) : 0);
    std::vector<qint64> lookedAt(keys.size());
    const auto finish = [&](qsizetype i, QString text) {
        if (cache && keys[size_t(i)])
            cache->record(*keys[size_t(i)], {text, true}, lookedAt[size_t(i)]);
        results[size_t(i)] = std::move(text);
    };
    const auto listedAt = [&](qsizetype i) { return i < listed.size() ? listed[i] : std::nullopt; };
    // Where file i is looked at and opened: by its name in its open folder, else by its path.
    const auto placeOf = [&](qsizetype i) -> std::pair<int, const char *> {
        const Directory *folder = i < folders.size() ? folders[i] : nullptr;
        if (const char *name = folder ? entryName(*folder, urls[i]) : nullptr)
            return {folder->fd(), name};
        return {AT_FDCWD, urls[i].c_str()};
    };
    // A file of several chunks is digested a chunk per lane, its chunks being texts of their own;
    // the chunks' digests are joined in file order when the last one is done.
    struct Chunks
    {
        std::vector<QString> digests;
        size_t pending = 0;
        bool failed = false;
        bool stopped = false;
    };
    std::mutex mutex;
    std::map<qsizetype, Chunks> chunked;
    std::deque<WholeContentLanes::Job> laterChunks;
    std::atomic<qsizetype> nextIndex{0};

    const auto split = [&](WholeContentLanes::Job &job) {
        const qint64 size = job.handle.size();
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
        chunked[job.tag] = Chunks{std::vector<QString>(size_t(count)), size_t(count), false, false};
        for (auto &chunk : later)
            laterChunks.push_back(std::move(chunk));
    };

    // A regular file with content, opened for the lanes; anything else takes the usual way, with its
    // checks and its answers for empty, missing and special items.
    // A file the cache knows is answered from it (and has a result then).
    const auto openForLanes = [&](qsizetype i) -> std::optional<ReadHandle> {
        int error = 0;
        const Url &url = urls[i];
        const auto [dirFd, name] = placeOf(i);
        const qint64 now = cache ? cache->now() : 0;
        const auto attributes = queryAttributes(dirFd, name, &error);
        const auto expected = listedAt(i);
        if (!attributes || !attributes->isRegularFile() || attributes->fileSize == 0 ||
            (expected && attributes->id() != *expected))
            return std::nullopt;
        if (cache) {
            const auto key = FingerprintCache::Key::of(*attributes, 2);
            if (auto known = cache->lookup(*key)) {
                results[size_t(i)] = std::move(known->text);
                return std::nullopt;
            }
            keys[size_t(i)] = key;
            lookedAt[size_t(i)] = now;
        }
        return ReadHandle::open(dirFd, name, url, attributes->id(), &error);
    };

    onAllCores([&](bool isCallingThread) {
        // Files are opened some way ahead of the lanes, and the kernel is asked for each at once: on
        // a cold cache, the disk then reads many files at a time, and a lane seldom waits for one.
        std::deque<WholeContentLanes::Job> openedAhead;
        const auto openAhead = [&] {
            for (qsizetype i;
                 openedAhead.size() < filesOpenedAhead && (i = nextIndex.fetch_add(1)) < urls.size();) {
                if (!proceed(i, isCallingThread))
                    continue;
                auto handle = openForLanes(i);
                if (!handle) {
                    if (!results[size_t(i)]) {
                        const auto [dirFd, name] = placeOf(i);
                        results[size_t(i)] =
                            fingerprintAt(dirFd, name, urls[i], 2, listedAt(i), stopRequested, nullptr).text;
                    }
                    continue;
                }
                handle->readAhead(0, std::min(handle->size(), WholeContentLanes::readAheadLength));
                WholeContentLanes::Job job{std::move(*handle), i};
                split(job);
                openedAhead.push_back(std::move(job));
            }
        };
        const auto next = [&]() -> std::optional<WholeContentLanes::Job> {
            if (isStopped(stopRequested))
                return std::nullopt;
            {
                std::lock_guard lock(mutex);
                if (!laterChunks.empty()) {
                    auto job = std::move(laterChunks.front());
                    laterChunks.pop_front();
                    return job;
                }
            }
            openAhead();
            if (openedAhead.empty())
                return std::nullopt;
            auto job = std::move(openedAhead.front());
            openedAhead.pop_front();
            return job;
        };
        const auto done = [&](WholeContentLanes::Job &job, std::optional<QString> digest) {
            const bool failed = !digest && job.handle.failure();
            if (failed)
                reportReadFailure(job.handle);
            std::lock_guard lock(mutex);
            const auto parts = chunked.find(job.tag);
            if (parts == chunked.end()) {
                // Part of a file stands for nothing: what was read is dropped. A stopped file has no text.
                if (digest)
                    finish(job.tag, std::move(*digest));
                else if (failed)
                    results[size_t(job.tag)] = emptyText();
                return;
            }
            Chunks &chunks = parts->second;
            if (digest)
                chunks.digests[size_t(job.offset / WholeContentLanes::chunkLength)] = *digest;
            chunks.failed = chunks.failed || failed;
            chunks.stopped = chunks.stopped || (!digest && !failed);
            if (--chunks.pending > 0)
                return;
            if (chunks.stopped)
                return;
            if (chunks.failed) {
                results[size_t(job.tag)] = emptyText();
                return;
            }
            QString text = emptyText();
            for (const QString &chunkDigests : chunks.digests)
                text += chunkDigests;
            finish(job.tag, std::move(text));
        };
        WholeContentLanes::run(next, done, stopRequested);
    });
    return results;
}

std::optional<QString> FileManagerProxy::dirMD5_withLeel(const Url &url, qint64 level,
                                                         const std::optional<FileId> &listed,
                                                         const StopRequest &stopRequested) const
{
    if (url.isNull())
        return std::nullopt;
    int error = 0;
    const auto attributes = queryAttributes(AT_FDCWD, url.c_str(), &error);
    if (!attributes || !attributes->isDirectory())
        return fileMD5_withLevel(url, level, listed, stopRequested);
    if (listed && attributes->id() != *listed)
        return std::nullopt;
    const auto package = Directory::open(url, &error);
    if (!package) {
        if (!isVanishedItemError(error))
            ReadFailures::report(url, QStringLiteral("cannot open folder: %1").arg(reasonText(error)));
        return std::nullopt;
    }
    std::vector<std::pair<QByteArray, QString>> members;
    if (!packageMemberFingerprints(*package, level, stopRequested, &members))
        return std::nullopt;
    // Byte order of the paths, so the text does not depend on the locale or on how names decode.
    std::sort(members.begin(), members.end());
    QString text = emptyText();
    for (const auto &member : members)
        text += member.second;
    return text;
}

bool FileManagerProxy::packageMemberFingerprints(const Directory &folder, qint64 level,
                                                 const StopRequest &stopRequested,
                                                 std::vector<std::pair<QByteArray, QString>> *members) const
{
    QList<QByteArray> names;
    if (const int error = folder.entryNames(&names)) {
        ReadFailures::report(folder.url(), QStringLiteral("cannot list folder: %1").arg(reasonText(error)));
        return false;
    }
    for (const QByteArray &name : std::as_const(names)) {
        if (isStopped(stopRequested))
            return false;
        if (name == ".DS_Store")
            continue;
        const Url url = folder.url().child(name);
        int error = 0;
        const auto attributes = folder.attributesOf(name, &error);
        bool opened = attributes.has_value();
        if (attributes && attributes->isDirectory()) {
            const auto inner = folder.openChild(name, &error);
            opened = inner.has_value();
            if (inner && !packageMemberFingerprints(*inner, level, stopRequested, members))
                return false;
        } else if (attributes && attributes->isSymbolicLink()) {
            // What the package stores is the link itself: its text counts, never what it points to.
            const auto text = linkText(folder.fd(), name, attributes->fileSize, &error);
            opened = text.has_value();
            if (text)
                members->emplace_back(url.path(), digestOfBytes(*text));
        } else if (attributes && attributes->isRegularFile() && attributes->fileSize > 0) {
            auto handle = ReadHandle::open(folder.fd(), name.constData(), url, attributes->id(), &error);
            opened = handle.has_value();
            if (handle) {
                const FileFingerprint fingerprint = fingerprintOfOpenFile(*handle, level, stopRequested);
                // A read failed, or stopped: a package partly read must not look like another package
                // that differs only in the rest. A member without a text at this level adds nothing.
                if (handle->failure() || isStopped(stopRequested))
                    return false;
                if (fingerprint.text)
                    members->emplace_back(url.path(), *fingerprint.text);
            }
        }
        // Empty files and special files hold nothing to read and add nothing.
        if (!opened && !isVanishedItemError(error)) {
            ReadFailures::report(url, QStringLiteral("cannot read: %1").arg(reasonText(error)));
            return false;
        }
    }
    return true;
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
