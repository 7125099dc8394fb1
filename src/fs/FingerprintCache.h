#pragma once

#include "fs/FileAttributes.h"
#include "platform/Error.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

// Fingerprints remembered between runs, so that a second scan of files that did not change reads
// none of them. A fingerprint is kept under the file's identity and everything a write to it
// changes (size, modification and change time in nanoseconds) and its level: the change time is set
// by every write and cannot be set back, so a file rewritten with its size and modification time
// restored is not taken for the one remembered.
//
// The cache is one file, loaded once and saved at the end: saving writes a temporary file in the same
// folder and renames it over the cache, so two processes saving at once leave one of their caches
// whole. A file that is damaged, cut short, of another version or not a cache at all is never trusted.
//
// Lookups run on any number of threads without locks, over a sorted array of 64 bytes per fingerprint
// (a file of more than one chunk keeps its other digests aside). What is recorded meanwhile waits
// apart, under a lock, until commit() or save() sorts it in; until then lookups do not see it.
//
// What is dropped when saving: entries not looked up or recorded for keptDays days (their files are
// most likely gone), and an entry that a later one of the same file and level replaced (the file
// changed, or its inode now holds another file).
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

    // Safe to call from any number of threads at once, and while record() runs.
    std::optional<Fingerprint> lookup(const Key &key) const;
    // Remembers the fingerprint read from the file whose attributes (in key) were read at
    // lookedAtNanoseconds. Texts that are not digest texts are not remembered.
    void record(const Key &key, const Fingerprint &fingerprint, qint64 lookedAtNanoseconds);
    // Makes what was recorded visible to lookups. Call when no lookup or record runs.
    void commit();
    // Fingerprints that lookups see.
    qsizetype count() const { return qsizetype(m_records.size()); }
    // Whether anything was recorded since the load or the last save.
    bool hasUnsaved() const { return m_unsaved; }

    // Merges what the cache file holds now, when another process saved it since this cache last read
    // or wrote it, and what was recorded; drops what is no longer kept, and writes the result a piece
    // at a time. Call when no lookup or record runs.
    MaybeError save();
    // Called between writing the temporary file and renaming it over the cache: a test makes
    // another save happen then.
    void setBeforeRename(std::function<void()> seam) { m_beforeRename = std::move(seam); }

private:
    // One fingerprint, as it is in the file and in memory.
    struct Record
    {
        quint64 device;
        quint64 inode;
        qint64 size;
        qint64 modificationNanoseconds;
        qint64 changeNanoseconds;
        // Days since the epoch when it was last looked up or recorded.
        quint32 seenDay;
        quint8 level;
        quint8 flags;
        quint16 chunks;
        // The first chunk's digest; the others' are in the side table.
        unsigned char digest[16];
    };
    static_assert(sizeof(Record) == 64);
    // The digests of the second and later chunks of the records of more than one chunk.
    using MoreDigests = QHash<QByteArray, QByteArray>;

    quint32 today() const;
    static bool isBefore(const Record &a, const Record &b);
    static QByteArray moreKey(const Record &record);
    // The records of a cache file's bytes, or why they cannot be trusted.
    std::optional<QString> parse(const QByteArray &bytes, std::vector<Record> *records,
                                 MoreDigests *more) const;
    // Sorts records, keeps one of each key (seen last), and with pruning, drops what is no longer kept.
    void settle(std::vector<Record> *records, bool pruning) const;
    // Writes the file's bytes to fd a piece at a time; returns 0 or the errno value.
    int writeTo(int fd) const;
    // Which file fd is, or (fd < 0) the file at the cache's path now; none: no file. A save merges the
    // file only when it is not the one this cache last read or wrote.
    using FileState = std::array<qint64, 4>;
    std::optional<FileState> stateOf(int fd) const;

    QByteArray m_path;
    Clock m_clock;
    std::function<void()> m_beforeRename;
    std::optional<FileState> m_fileState;
    // Sorted by file, level and times: lookups search it without a lock.
    std::vector<Record> m_records;
    MoreDigests m_more;
    std::mutex m_recordedMutex;
    std::vector<Record> m_recorded;
    MoreDigests m_recordedMore;
    std::atomic<bool> m_unsaved{false};
};
