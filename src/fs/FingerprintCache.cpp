#include "fs/FingerprintCache.h"

#include "fs/Md5.h"

#include <QFile>
#include <QStandardPaths>
#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <tuple>

// The file: a header (the magic, the format version and the number of entries, 16 bytes), the
// entries, and the MD5 digest of all that comes before it (16 bytes). An entry is the key (device,
// inode, size, modification and change time: 8 bytes each), the day last seen (4), the level (1),
// flags (1: bit 0, whole content), the number of chunks (2), then 16 digest bytes per chunk. All
// numbers are little-endian.
namespace {

constexpr char magic[8] = {'T', 'S', 'F', 'P', 'C', 'A', 'C', 'H'};
constexpr quint32 version = 1;
constexpr qsizetype headerLength = 16;
constexpr qsizetype entryLength = 48;
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
bool digestsOfText(const QString &text, std::vector<unsigned char> *digests)
{
    if (text.size() % 32 != 0)
        return false;
    digests->resize(size_t(text.size() / 2));
    for (qsizetype i = 0; i < text.size(); i += 2) {
        const int high = hexValue(text[i]), low = hexValue(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        (*digests)[size_t(i / 2)] = static_cast<unsigned char>(high << 4 | low);
    }
    return true;
}

// Entries of one file at one level: of these, only the newest is kept.
struct FileAtLevel
{
    quint64 device, inode;
    qint64 level;
    friend bool operator==(const FileAtLevel &, const FileAtLevel &) = default;
    friend size_t qHash(const FileAtLevel &f, size_t seed)
    {
        return qHashMulti(seed, f.device, f.inode, f.level);
    }
};

bool isNewer(const FingerprintCache::Key &a, const FingerprintCache::Key &b)
{
    return std::tie(a.changeNanoseconds, a.modificationNanoseconds, a.size) >
           std::tie(b.changeNanoseconds, b.modificationNanoseconds, b.size);
}

QString untrusted(const QByteArray &path, const char *why)
{
    return QStringLiteral("The fingerprint cache %1 %2; it starts again empty.")
        .arg(QFile::decodeName(path), QLatin1String(why));
}

} // namespace

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

std::optional<QString> FingerprintCache::load()
{
    QFile file(QFile::decodeName(m_path));
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly))
        return untrusted(m_path, "cannot be read");
    const std::optional<QString> problem = parse(file.readAll());
    if (problem) {
        std::unique_lock lock(m_mutex);
        m_entries.clear();
        m_moreDigests.clear();
    }
    return problem;
}

std::optional<QString> FingerprintCache::parse(const QByteArray &bytes)
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
    std::unique_lock lock(m_mutex);
    m_entries.reserve(qsizetype(count));
    for (quint32 i = 0; i < count; ++i) {
        if (end - at < entryLength)
            return untrusted(m_path, "is damaged or incomplete");
        Key key;
        key.device = take<quint64>(at);
        key.inode = take<quint64>(at);
        key.size = take<qint64>(at);
        key.modificationNanoseconds = take<qint64>(at);
        key.changeNanoseconds = take<qint64>(at);
        const quint32 seenDay = take<quint32>(at);
        key.level = take<quint8>(at);
        const quint8 flags = take<quint8>(at);
        const quint16 chunks = take<quint16>(at);
        if (key.level > 2 || end - at < qsizetype(chunks) * digestLength)
            return untrusted(m_path, "is damaged or incomplete");
        insert(key, seenDay, flags & wholeContentFlag, reinterpret_cast<const unsigned char *>(at), chunks);
        at += qsizetype(chunks) * digestLength;
    }
    if (at != end)
        return untrusted(m_path, "is damaged or incomplete");
    return std::nullopt;
}

void FingerprintCache::insert(const Key &key, quint32 seenDay, bool isWholeContent,
                              const unsigned char *digests, quint16 chunks)
{
    auto existing = m_entries.find(key);
    if (existing != m_entries.end()) {
        existing->seenDay = std::max(existing->seenDay, seenDay);
        return;
    }
    Value value;
    value.seenDay = seenDay;
    value.chunks = chunks;
    value.isWholeContent = isWholeContent;
    if (chunks > 0)
        std::memcpy(value.digest, digests, digestLength);
    if (chunks > 1) {
        value.moreAt = quint32(m_moreDigests.size() / digestLength);
        m_moreDigests.insert(m_moreDigests.end(), digests + digestLength, digests + chunks * digestLength);
    }
    m_entries.insert(key, value);
}

std::optional<FingerprintCache::Fingerprint> FingerprintCache::lookup(const Key &key) const
{
    std::shared_lock lock(m_mutex);
    const auto found = m_entries.constFind(key);
    if (found == m_entries.constEnd())
        return std::nullopt;
    const Value &value = *found;
    // Other lookups of the same entry may write the same day at the same moment.
    std::atomic_ref<quint32>(value.seenDay).store(today(), std::memory_order_relaxed);
    Fingerprint fingerprint{QStringLiteral(""), value.isWholeContent};
    if (value.chunks > 0) {
        fingerprint.text.reserve(32 * value.chunks);
        fingerprint.text += Md5::hexText(value.digest);
        for (quint32 c = 0; c + 1 < value.chunks; ++c)
            fingerprint.text += Md5::hexText(&m_moreDigests[(size_t(value.moreAt) + c) * digestLength]);
    }
    return fingerprint;
}

void FingerprintCache::record(const Key &key, const Fingerprint &fingerprint, qint64 lookedAtNanoseconds)
{
    if (key.changeNanoseconds > lookedAtNanoseconds - settleNanoseconds)
        return;
    std::vector<unsigned char> digests;
    if (!digestsOfText(fingerprint.text, &digests) || digests.size() / digestLength > 0xffff)
        return;
    std::unique_lock lock(m_mutex);
    insert(key, today(), fingerprint.isWholeContent, digests.data(), quint16(digests.size() / digestLength));
}

qsizetype FingerprintCache::count() const
{
    std::shared_lock lock(m_mutex);
    return m_entries.size();
}

void FingerprintCache::dropUnkept()
{
    const quint32 day = today();
    QHash<FileAtLevel, Key> newest;
    for (auto entry = m_entries.cbegin(); entry != m_entries.cend(); ++entry) {
        const Key &key = entry.key();
        const FileAtLevel file{key.device, key.inode, key.level};
        const auto kept = newest.find(file);
        if (kept == newest.end())
            newest.insert(file, key);
        else if (isNewer(key, *kept))
            *kept = key;
    }
    for (auto entry = m_entries.begin(); entry != m_entries.end();) {
        const Key &key = entry.key();
        const bool unseen = entry->seenDay + quint32(keptDays) < day;
        if (unseen || newest.value(FileAtLevel{key.device, key.inode, key.level}) != key)
            entry = m_entries.erase(entry);
        else
            ++entry;
    }
}

QByteArray FingerprintCache::serialized() const
{
    QByteArray out;
    out.reserve(headerLength + m_entries.size() * (entryLength + digestLength) +
                qsizetype(m_moreDigests.size()) + digestLength);
    out.append(magic, sizeof magic);
    put<quint32>(out, version);
    put<quint32>(out, quint32(m_entries.size()));
    for (auto entry = m_entries.cbegin(); entry != m_entries.cend(); ++entry) {
        const Key &key = entry.key();
        const Value &value = entry.value();
        put<quint64>(out, key.device);
        put<quint64>(out, key.inode);
        put<qint64>(out, key.size);
        put<qint64>(out, key.modificationNanoseconds);
        put<qint64>(out, key.changeNanoseconds);
        put<quint32>(out, value.seenDay);
        put<quint8>(out, quint8(key.level));
        put<quint8>(out, value.isWholeContent ? wholeContentFlag : 0);
        put<quint16>(out, value.chunks);
        if (value.chunks > 0)
            out.append(reinterpret_cast<const char *>(value.digest), digestLength);
        if (value.chunks > 1)
            out.append(reinterpret_cast<const char *>(&m_moreDigests[size_t(value.moreAt) * digestLength]),
                       (value.chunks - 1) * digestLength);
    }
    Md5 md5;
    md5.update(out.constData(), size_t(out.size()));
    unsigned char digest[16];
    md5.digest(digest);
    out.append(reinterpret_cast<const char *>(digest), sizeof digest);
    return out;
}

MaybeError FingerprintCache::save()
{
    // What another process saved since the load is kept too; a file that cannot be trusted adds nothing.
    FingerprintCache onDisk(m_path, m_clock);
    if (!onDisk.load()) {
        std::unique_lock lock(m_mutex);
        for (auto entry = onDisk.m_entries.cbegin(); entry != onDisk.m_entries.cend(); ++entry) {
            const Value &value = entry.value();
            std::vector<unsigned char> digests(value.digest,
                                               value.digest + (value.chunks ? digestLength : 0));
            if (value.chunks > 1) {
                const auto more = onDisk.m_moreDigests.begin() + qsizetype(value.moreAt) * digestLength;
                digests.insert(digests.end(), more, more + (value.chunks - 1) * digestLength);
            }
            insert(entry.key(), value.seenDay, value.isWholeContent, digests.data(), value.chunks);
        }
    }
    std::unique_lock lock(m_mutex);
    dropUnkept();
    const QByteArray bytes = serialized();
    lock.unlock();

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
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return fail(error);
        }
        written += n;
    }
    // On disk before the rename makes it the cache, so a crash leaves the old cache or the new one.
    const int synced = ::fdatasync(fd) == 0 ? 0 : errno;
    if (::close(fd) != 0 || synced)
        return fail(synced ? synced : errno);
    if (m_beforeRename)
        m_beforeRename();
    if (::rename(temporary.constData(), m_path.constData()) != 0)
        return fail(errno);
    return std::nullopt;
}
