#include "fs/FingerprintCache.h"

#include "fs/Md5.h"
#include "platform/WriteAll.h"

#include <QFile>
#include <QStandardPaths>
#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <tuple>
#include <utility>

// The file: a header (the magic, the format version and the number of records, 16 bytes), the
// records, the digests of the second and later chunks of each record of more than one chunk (16 bytes
// each, in record order), and the MD5 digest of all that comes before it (16 bytes). A record is the
// key (device, inode, size, modification and change time: 8 bytes each), the day last seen (4), the
// level (1), flags (1: bit 0, whole content), the number of chunks (2) and the first chunk's digest
// (16). All numbers are little-endian.
namespace {

constexpr char magic[8] = {'T', 'S', 'F', 'P', 'C', 'A', 'C', 'H'};
constexpr quint32 version = 1;
constexpr qsizetype headerLength = 16;
constexpr qsizetype recordLength = 64;
constexpr qsizetype digestLength = 16;
constexpr quint8 wholeContentFlag = 1;
constexpr qint64 nanosecondsPerDay = 86'400'000'000'000;

template <class T> void put(QByteArray &out, T value)
{
    const T little = qToLittleEndian(value);
    out.append(reinterpret_cast<const char *>(&little), sizeof little);
}

template <class T> T take(const char *&at)
{
    const T value = qFromLittleEndian<T>(at);
    at += sizeof(T);
    return value;
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// The digest bytes of a text made of 32-digit digest texts; false for any other text.
bool digestsOfText(const QString &text, QByteArray *digests)
{
    if (text.size() % 32 != 0)
        return false;
    digests->resize(text.size() / 2);
    for (qsizetype i = 0; i < text.size(); i += 2) {
        const int high = hexValue(text[i]), low = hexValue(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        (*digests)[i / 2] = char(high << 4 | low);
    }
    return true;
}

QString untrusted(const QByteArray &path, const char *why)
{
    return QStringLiteral("The fingerprint cache %1 %2; it starts again empty.")
        .arg(QFile::decodeName(path), QLatin1String(why));
}

} // namespace

// A key's bytes name a record in the side table of further digests: it has no padding.
static_assert(sizeof(FingerprintCache::Key) == 6 * sizeof(qint64));

std::optional<FingerprintCache::Key> FingerprintCache::Key::of(const FileAttributes &attributes, qint64 level)
{
    if (!attributes.isRegularFile() || level < 0 || level > 2)
        return std::nullopt;
    return Key{quint64(attributes.device),         quint64(attributes.inode),    attributes.fileSize,
               attributes.modificationNanoseconds, attributes.changeNanoseconds, level};
}

qint64 FingerprintCache::systemTime()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

QByteArray FingerprintCache::defaultPath()
{
    return QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                             QStringLiteral("/twinsift/fingerprints"));
}

FingerprintCache::FingerprintCache(QByteArray path, Clock clock)
    : m_path(std::move(path)), m_clock(std::move(clock))
{
}

quint32 FingerprintCache::today() const
{
    return quint32(std::max<qint64>(m_clock(), 0) / nanosecondsPerDay);
}

// The records of one file and level stand together, oldest first.
bool FingerprintCache::isBefore(const Record &a, const Record &b)
{
    return std::tie(a.device, a.inode, a.level, a.changeNanoseconds, a.modificationNanoseconds, a.size) <
           std::tie(b.device, b.inode, b.level, b.changeNanoseconds, b.modificationNanoseconds, b.size);
}

QByteArray FingerprintCache::moreKey(const Record &record)
{
    const Key key{
        record.device, record.inode, record.size, record.modificationNanoseconds, record.changeNanoseconds,
        record.level};
    return QByteArray(reinterpret_cast<const char *>(&key), sizeof key);
}

std::optional<FingerprintCache::FileState> FingerprintCache::stateOf(int fd) const
{
    struct stat st;
    if ((fd < 0 ? ::stat(m_path.constData(), &st) : ::fstat(fd, &st)) != 0)
        return std::nullopt;
    return FileState{qint64(st.st_dev), qint64(st.st_ino), qint64(st.st_size),
                     qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

std::optional<QString> FingerprintCache::load()
{
    QFile file(QFile::decodeName(m_path));
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly))
        return untrusted(m_path, "cannot be read");
    // The state of the file read, not of whatever another save renamed there meanwhile.
    const std::optional<FileState> state = stateOf(file.handle());
    std::optional<QString> refused = parse(file.readAll(), &m_records, &m_more);
    if (!refused)
        m_fileState = state;
    return refused;
}

std::optional<QString> FingerprintCache::parse(const QByteArray &bytes, std::vector<Record> *records,
                                               MoreDigests *more) const
{
    if (bytes.size() < qsizetype(sizeof magic) || std::memcmp(bytes.constData(), magic, sizeof magic) != 0)
        return untrusted(m_path, "is not a TwinSift fingerprint cache");
    if (bytes.size() < headerLength + digestLength)
        return untrusted(m_path, "is damaged or incomplete");
    const char *at = bytes.constData() + sizeof magic;
    if (take<quint32>(at) != version)
        return untrusted(m_path, "was written by another version of TwinSift");
    // Whatever was cut short, overwritten or written twice at once fails the digest.
    const qsizetype bodyEnd = bytes.size() - digestLength;
    Md5 md5;
    md5.update(bytes.constData(), size_t(bodyEnd));
    unsigned char digest[16];
    md5.digest(digest);
    if (std::memcmp(digest, bytes.constData() + bodyEnd, sizeof digest) != 0)
        return untrusted(m_path, "is damaged or incomplete");

    const quint32 count = take<quint32>(at);
    const char *end = bytes.constData() + bodyEnd;
    if ((end - at) / recordLength < qsizetype(count))
        return untrusted(m_path, "is damaged or incomplete");
    std::vector<Record> read(count);
    for (Record &record : read) {
        record.device = take<quint64>(at);
        record.inode = take<quint64>(at);
        record.size = take<qint64>(at);
        record.modificationNanoseconds = take<qint64>(at);
        record.changeNanoseconds = take<qint64>(at);
        record.seenDay = take<quint32>(at);
        record.level = take<quint8>(at);
        record.flags = take<quint8>(at);
        record.chunks = take<quint16>(at);
        std::memcpy(record.digest, at, digestLength);
        at += digestLength;
        if (record.level > 2)
            return untrusted(m_path, "is damaged or incomplete");
    }
    MoreDigests readMore;
    for (const Record &record : read) {
        if (record.chunks < 2)
            continue;
        const qsizetype length = (record.chunks - 1) * digestLength;
        if (end - at < length)
            return untrusted(m_path, "is damaged or incomplete");
        readMore.insert(moreKey(record), QByteArray(at, length));
        at += length;
    }
    if (at != end)
        return untrusted(m_path, "is damaged or incomplete");
    settle(&read, false);
    *records = std::move(read);
    *more = std::move(readMore);
    return std::nullopt;
}

std::optional<FingerprintCache::Fingerprint> FingerprintCache::lookup(const Key &key) const
{
    if (key.level < 0 || key.level > 2)
        return std::nullopt;
    Record wanted{};
    wanted.device = key.device;
    wanted.inode = key.inode;
    wanted.size = key.size;
    wanted.modificationNanoseconds = key.modificationNanoseconds;
    wanted.changeNanoseconds = key.changeNanoseconds;
    wanted.level = quint8(key.level);
    const auto found = std::lower_bound(m_records.begin(), m_records.end(), wanted, isBefore);
    if (found == m_records.end() || isBefore(wanted, *found))
        return std::nullopt;
    // Other lookups of the same record may write the same day at the same moment.
    std::atomic_ref<quint32>(const_cast<quint32 &>(found->seenDay)).store(today(), std::memory_order_relaxed);
    Fingerprint fingerprint{QStringLiteral(""), bool(found->flags & wholeContentFlag)};
    if (found->chunks > 0) {
        fingerprint.text.reserve(32 * found->chunks);
        fingerprint.text += Md5::hexText(found->digest);
    }
    if (found->chunks > 1) {
        const QByteArray more = m_more.value(moreKey(*found));
        for (qsizetype at = 0; at + digestLength <= more.size(); at += digestLength)
            fingerprint.text += Md5::hexText(reinterpret_cast<const unsigned char *>(more.constData() + at));
    }
    return fingerprint;
}

void FingerprintCache::record(const Key &key, const Fingerprint &fingerprint, qint64 lookedAtNanoseconds)
{
    if (key.changeNanoseconds > lookedAtNanoseconds - settleNanoseconds || key.level < 0 || key.level > 2)
        return;
    QByteArray digests;
    if (!digestsOfText(fingerprint.text, &digests) || digests.size() / digestLength > 0xffff)
        return;
    Record record{};
    record.device = key.device;
    record.inode = key.inode;
    record.size = key.size;
    record.modificationNanoseconds = key.modificationNanoseconds;
    record.changeNanoseconds = key.changeNanoseconds;
    record.seenDay = today();
    record.level = quint8(key.level);
    record.flags = fingerprint.isWholeContent ? wholeContentFlag : 0;
    record.chunks = quint16(digests.size() / digestLength);
    if (record.chunks > 0)
        std::memcpy(record.digest, digests.constData(), digestLength);
    std::lock_guard lock(m_recordedMutex);
    if (record.chunks > 1)
        m_recordedMore.insert(moreKey(record), digests.mid(digestLength));
    m_recorded.push_back(record);
    m_unsaved = true;
}

void FingerprintCache::commit()
{
    std::lock_guard lock(m_recordedMutex);
    if (m_recorded.empty())
        return;
    // Only the new records are sorted, then merged in after equal older ones, so that a commit costs
    // no copy of the whole cache beyond one exact reallocation.
    std::vector<Record> recorded = std::exchange(m_recorded, {});
    std::stable_sort(recorded.begin(), recorded.end(), isBefore);
    if (m_records.empty()) {
        m_records = std::move(recorded);
    } else {
        m_records.reserve(m_records.size() + recorded.size());
        const auto added = m_records.insert(m_records.end(), recorded.begin(), recorded.end());
        std::vector<Record>().swap(recorded);
        std::inplace_merge(m_records.begin(), added, m_records.end(), isBefore);
    }
    m_more.insert(m_recordedMore);
    m_recordedMore.clear();
    settle(&m_records, false);
}

void FingerprintCache::settle(std::vector<Record> *records, bool pruning) const
{
    // A file this cache wrote, and the cache after a commit, are sorted already: no sort buffer then.
    if (!std::is_sorted(records->begin(), records->end(), isBefore))
        std::stable_sort(records->begin(), records->end(), isBefore);
    const quint32 day = today();
    const auto sameFileAndLevel = [](const Record &a, const Record &b) {
        return a.device == b.device && a.inode == b.inode && a.level == b.level;
    };
    size_t kept = 0;
    for (size_t i = 0; i < records->size(); ++i) {
        Record &record = (*records)[i];
        const bool hasLater = i + 1 < records->size();
        if (hasLater && !isBefore(record, (*records)[i + 1])) {
            // The same key twice: one record, seen when either was.
            Record &next = (*records)[i + 1];
            next.seenDay = std::max(next.seenDay, record.seenDay);
            continue;
        }
        if (pruning && (record.seenDay + quint32(keptDays) < day ||
                        (hasLater && sameFileAndLevel(record, (*records)[i + 1]))))
            continue;
        (*records)[kept++] = record;
    }
    records->resize(kept);
    records->shrink_to_fit();
}

int FingerprintCache::writeTo(int fd) const
{
    // The file is written through a small buffer, so a large cache is never held twice in memory.
    Md5 md5;
    QByteArray out;
    constexpr qsizetype pieceLength = 64 * 1024;
    out.reserve(pieceLength + recordLength);
    const auto flush = [&](bool isLast) {
        if (!isLast && out.size() < pieceLength)
            return 0;
        md5.update(out.constData(), size_t(out.size()));
        if (isLast) {
            unsigned char digest[16];
            md5.digest(digest);
            out.append(reinterpret_cast<const char *>(digest), sizeof digest);
        }
        const int error = writeAll(fd, out.constData(), size_t(out.size()));
        out.clear();
        return error;
    };
    out.append(magic, sizeof magic);
    put<quint32>(out, version);
    put<quint32>(out, quint32(m_records.size()));
    for (const Record &record : m_records) {
        put<quint64>(out, record.device);
        put<quint64>(out, record.inode);
        put<qint64>(out, record.size);
        put<qint64>(out, record.modificationNanoseconds);
        put<qint64>(out, record.changeNanoseconds);
        put<quint32>(out, record.seenDay);
        put<quint8>(out, record.level);
        put<quint8>(out, record.flags);
        put<quint16>(out, record.chunks);
        out.append(reinterpret_cast<const char *>(record.digest), digestLength);
        if (const int error = flush(false))
            return error;
    }
    for (const Record &record : m_records) {
        if (record.chunks > 1) {
            QByteArray more = m_more.value(moreKey(record));
            more.resize((record.chunks - 1) * digestLength, '\0');
            out.append(more);
            if (const int error = flush(false))
                return error;
        }
    }
    return flush(true);
}

MaybeError FingerprintCache::save()
{
    commit();
    // What another process saved since the load is kept too; a file that cannot be trusted adds nothing.
    std::vector<Record> onDisk;
    MoreDigests onDiskMore;
    if (QFile file(QFile::decodeName(m_path)); stateOf(-1) != m_fileState && file.open(QIODevice::ReadOnly) &&
                                               !parse(file.readAll(), &onDisk, &onDiskMore)) {
        m_records.insert(m_records.begin(), onDisk.begin(), onDisk.end());
        for (auto more = onDiskMore.cbegin(); more != onDiskMore.cend(); ++more) {
            if (!m_more.contains(more.key()))
                m_more.insert(more.key(), more.value());
        }
    }
    settle(&m_records, true);

    // The folders are made as mkdir -p makes them; the cache is the user's alone.
    const QByteArray folder = m_path.left(std::max<qsizetype>(m_path.lastIndexOf('/'), 0));
    for (qsizetype at = 1; at <= folder.size(); ++at) {
        if (at < folder.size() && folder[at] != '/')
            continue;
        if (::mkdir(folder.left(at).constData(), 0700) != 0 && errno != EEXIST)
            return Error::fromErrno(errno, QFile::decodeName(folder.left(at)));
    }
    QByteArray temporary = m_path + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return Error::fromErrno(errno, QFile::decodeName(m_path));
    const auto fail = [&](int error) {
        ::unlink(temporary.constData());
        return Error::fromErrno(error, QFile::decodeName(m_path));
    };
    if (const int error = writeTo(fd)) {
        ::close(fd);
        return fail(error);
    }
    // On disk before the rename makes it the cache, so a crash leaves the old cache or the new one.
    const int synced = ::fdatasync(fd) == 0 ? 0 : errno;
    const std::optional<FileState> written = stateOf(fd);
    if (::close(fd) != 0 || synced)
        return fail(synced ? synced : errno);
    if (m_beforeRename)
        m_beforeRename();
    if (::rename(temporary.constData(), m_path.constData()) != 0)
        return fail(errno);
    m_fileState = written;
    m_unsaved = false;
    return std::nullopt;
}
