#pragma once

#include "fs/FileId.h"
#include "platform/UniqueFd.h"
#include "platform/Url.h"

#include <QByteArray>
#include <QList>

#include <sys/stat.h>

#include <optional>

// An item that a clean-up checks, compares and then removes, moves or keeps, held open from the moment
// it is checked: what is compared is read through the descriptor, and what is finally removed is this
// very device and inode, whatever its name leads to by then (an editor's atomic save, a folder put in
// its place).
//
// Two processes (two clean-ups, the window and the command-line tool) coordinate through advisory
// locks on these descriptors (flock, so each open file description holds its own):
// - the item about to go is locked exclusively, and a copy that stays is locked shared, both without
//   waiting; a removal whose locks cannot be had is given up ("in use by another clean-up"), never
//   waited for, so two clean-ups cannot deadlock;
// - a shared lock can be had on an item that another process removed just before, so a copy that stays
//   is looked at again once locked: its name must still lead to it (isStillNamed);
// - the locks are held until the removal is done and let go when the items are closed.
// So while one process removes a file, no other process can remove the copy it relies on, nor remove
// that file relying on it: whatever mix of processes runs, every content keeps a copy.
class HeldItem
{
public:
    // Opens the item at url itself: a final link is not followed, a special file does not block the
    // open, and the folder holding it is reached from anchor down without following a link (see
    // openFolderBelow). No item sets *error to the errno value.
    static std::optional<HeldItem> open(const Url &url, const Url &anchor, int *error);

    const Url &url() const { return m_url; }
    // The item, and the folder that holds it under name().
    int fd() const { return m_fd.get(); }
    int folderFd() const { return m_folder.get(); }
    const QByteArray &name() const { return m_name; }

    // What the item was when opened.
    FileId id() const { return FileId{quint64(m_status.st_dev), quint64(m_status.st_ino)}; }
    bool isRegularFile() const { return S_ISREG(m_status.st_mode); }
    bool isDirectory() const { return S_ISDIR(m_status.st_mode); }
    qint64 size() const { return m_status.st_size; }
    qint64 modificationNanoseconds() const;
    // Everything fstat told when it was opened: owner, mode and times for what takes its place.
    const struct stat &status() const { return m_status; }

    enum class Lock { Shared, Exclusive };
    // Takes the lock without waiting; false when another clean-up holds one that conflicts.
    bool tryLock(Lock lock) const;
    // Whether the item is still as it was when opened: a file the same size and modification time (a
    // write into it changes them), a folder holding the same members as first listed.
    bool isUnchangedSinceOpen() const;
    // Whether the item still has a name, and its name in its folder still leads to it.
    bool isStillNamed() const;

    // One item inside a folder held, at any depth, as it was when first listed.
    struct Member
    {
        QByteArray path; // relative to the folder, bytes
        mode_t type = 0;
        FileId id;
        qint64 size = 0;
        qint64 modificationNanoseconds = 0;
        friend bool operator==(const Member &, const Member &) = default;
    };
    // Everything inside a held folder except folders themselves, in byte order of their paths, listed
    // without following links the first time it is asked for, and kept: what was compared. Null sets
    // *error: unreadable, or a folder inside is a mount (EXDEV), which a removal must not enter.
    const QList<Member> *members(int *error) const;

private:
    HeldItem(Url url, UniqueFd folder, QByteArray name, UniqueFd fd, const struct stat &status);
    std::optional<QList<Member>> listMembers(int *error) const;

    Url m_url;
    UniqueFd m_folder;
    QByteArray m_name;
    UniqueFd m_fd;
    struct stat m_status;
    mutable std::optional<QList<Member>> m_members;
};
