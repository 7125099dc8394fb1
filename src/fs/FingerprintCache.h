#pragma once

#include "fs/FileAttributes.h"
#include "platform/Error.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <functional>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <vector>

// Fingerprints remembered between runs, so that a second scan of files that did not change reads
// none of them. A fingerprint is kept under the file's identity and everything a write to it
// changes (size, modification and change time in nanoseconds) and its level: the change time is set
// by every write and cannot be set back, so a file rewritten with its size and modification time
// restored is not taken for the one remembered.
//
// The cache is one file, loaded once, looked up and added to from any number of threads, and saved
// at the end: saving writes a temporary file in the same folder and renames it over the cache, so
// two processes saving at once leave one of their caches whole. A file that is damaged, cut short,
// of another version or not a cache at all is never trusted.
//
// Kept small: in memory about 90 bytes per fingerprint of one chunk; on disk 48 bytes and 16 per
// chunk. What is dropped when saving: entries not looked up or recorded for keptDays days (their
// files are most likely gone), and an entry that a later one of the same file and level replaced
// (the file changed, or its inode now holds another file).
class FingerprintCache
{
public:
    struct Key
    {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modificationNanoseconds = 0;
        qint64 changeNanoseconds = 0;
        qint64 level = 0;

        // The key of a regular file's fingerprint at a level of 0 to 2; no key for anything else.
        static std::optional<Key> of(const FileAttributes &attributes, qint64 level);
        friend bool operator==(const Key &a, const Key &b) = default;
        friend size_t qHash(const Key &key, size_t seed = 0)
        {
            return qHashMulti(seed, key.device, key.inode, key.size, key.modificationNanoseconds,
                              key.changeNanoseconds, key.level);
        }
    };

    // A fingerprint text as FileManagerProxy gives it, and whether it covers the whole content.
    struct Fingerprint
    {
        QString text;
        bool isWholeContent = false;
    };

    static constexpr int keptDays = 90;
    // A file whose change time is this close to the moment its attributes were read may still be
    // written within the same tick of the file system's clock, which would leave the change time as
    // it was: its fingerprint is not recorded.
    static constexpr qint64 settleNanoseconds = 2'000'000'000;

    // Nanoseconds since the epoch.
    using Clock = std::function<qint64()>;
    static qint64 systemTime();

    // The cache file of this user: "twinsift/fingerprints" in $XDG_CACHE_HOME (~/.cache by default).
    static QByteArray defaultPath();

    // clock tells the day of the 90-day rule; a test passes its own.
    explicit FingerprintCache(QByteArray path, Clock clock = systemTime);

    const QByteArray &path() const { return m_path; }
    // The time by the cache's clock: what record() is told of when attributes were read.
    qint64 now() const { return m_clock(); }

    // Reads the cache file, once, before any other use. A missing file is an empty cache; one that
    // cannot be trusted leaves the cache empty and gives a text for people that says why, to be shown
    // once.
    std::optional<QString> load();

    // Safe to call from any number of threads at once.
    std::optional<Fingerprint> lookup(const Key &key) const;
    // Remembers the fingerprint read from the file whose attributes (in key) were read at
    // lookedAtNanoseconds. Texts that are not digest texts are not remembered.
    void record(const Key &key, const Fingerprint &fingerprint, qint64 lookedAtNanoseconds);
    qsizetype count() const;

    // Merges what the cache file holds now (another process may have saved since the load), drops
    // what is no longer kept, and writes the result. Call when no lookup or record runs.
    MaybeError save();
    // Called between writing the temporary file and renaming it over the cache: a test makes
    // another save happen then.
    void setBeforeRename(std::function<void()> seam) { m_beforeRename = std::move(seam); }

private:
    struct Value
    {
        // Days since the epoch when it was last looked up or recorded.
        mutable quint32 seenDay = 0;
        quint16 chunks = 0;
        bool isWholeContent = false;
        // The digest of the first chunk; those of the others start at m_moreDigests[moreAt * 16].
        unsigned char digest[16] = {};
        quint32 moreAt = 0;
    };

    quint32 today() const;
    // Adds an entry; digests holds 16 bytes per chunk. A newer entry of the same key wins.
    void insert(const Key &key, quint32 seenDay, bool isWholeContent, const unsigned char *digests,
                quint16 chunks);
    // The entries of a cache file's bytes, or why they cannot be trusted.
    std::optional<QString> parse(const QByteArray &bytes);
    QByteArray serialized() const;
    void dropUnkept();

    QByteArray m_path;
    Clock m_clock;
    std::function<void()> m_beforeRename;
    mutable std::shared_mutex m_mutex;
    QHash<Key, Value> m_entries;
    std::vector<unsigned char> m_moreDigests;
};
