#pragma once

#include "fs/FileAttributes.h"
#include "fs/FileId.h"
#include "platform/Error.h"
#include "platform/Image.h"
#include "platform/Url.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Directory;
class FingerprintCache;
class HeldItem;
class ReadHandle;

// Asked now and then during a long read: true ends the read, which then gives no value.
using StopRequest = std::function<bool()>;

// The one service through which TwinSift reads and changes the file system. Stateless and safe to
// call from any thread; every query asks the file system afresh. All paths are handled as bytes.
class FileManagerProxy
{
public:
    static FileManagerProxy &sharedInstance();

    // --- Existence, attributes, listings (Enumeration.cpp) -----------------------------------
    // True when something is at the path, a dangling symbolic link included.
    bool isUrlExist(const Url &url) const;
    std::optional<FileAttributes> attributesOfItemAtURL(const Url &url) const;
    // Direct entries in listing order, ".DS_Store" dropped; no value for an empty or unreadable
    // directory, a non-directory or a missing item. skipHidden leaves out names starting with ".".
    std::optional<QList<Url>> getContentsOfDirecotry_skipHidden(const Url &url, bool skipHidden) const;
    // Depth-first walk returning files (and, when asked, packages or bundles as single entries).
    std::optional<QList<Url>> getFilesInDirectory_skipSubDirectory_skipHidden_includePackage_includeBundel(
        const Url &url, bool skipSub, bool skipHidden, bool includePackage, bool includeBundel) const;
    qint64 getDirectorySize(const Url &url) const;
    MaybeError createDirectoryAt(const Url &url) const;
    // The lowercased, trimmed extension of a file or package; no value for folders and for names
    // without one.
    std::optional<QString> URLExt(const Url &url) const;
    // The extension rule of URLExt for an item already known not to be a folder.
    static std::optional<QString> normalizedExtension(const Url &url);
    // The date as text in the user's locale and time zone; format defaults to "yyyy-MM-dd HH:mm:ss".
    std::optional<QString> URLDate_toStringWithFormat(const std::optional<QDateTime> &date,
                                                      const std::optional<QString> &format) const;

    // --- Classification (Classification.cpp) -------------------------------------------------
    bool URL_conformsToType(const Url &url, const QString &typeIdentifier) const;
    std::optional<QString> typeOfURL(const Url &url) const;
    bool isDirecotry(const Url &url) const;
    bool isFolder(const Url &url) const;
    bool isPackage(const Url &url) const;
    bool isBundle(const Url &url) const;
    bool isSymblink(const Url &url) const;
    bool isApplication(const Url &url) const;
    bool isMovieFile(const Url &url) const;
    bool isAudioFile(const Url &url) const;
    bool isImageFile(const Url &url) const;
    bool isAchieve(const Url &url) const;
    bool isTextFile(const Url &url) const;

    // --- Fingerprints (Fingerprints.cpp) -----------------------------------------------------
    // A symbolic link is never followed: it has no fingerprint of its own, and inside a package its
    // text counts as its content. Nothing but regular files is opened.
    //
    // listed is the identity of the item as a walk listed it: anything else found at the path (another
    // file put in its place, or one reached through a folder swapped for a link) gives no value, so
    // nothing outside what was listed is read. stopRequested is asked between reads of at most a few
    // hundred KiB, possibly on other threads; a stopped read gives no value and is no read failure.
    // Reads that fail are told to ReadFailures.
    //
    // With a cache, a regular file whose key (identity, size, times, level) the cache holds is not
    // read, and what is read whole or sampled without failure or stop is recorded in it (lookups see
    // it after the cache's commit()).
    std::optional<QString> fileMD5_withLevel(const Url &url, qint64 level,
                                             const std::optional<FileId> &listed = std::nullopt,
                                             const StopRequest &stopRequested = {}) const;
    // fileMD5_withLevel's text, and whether it was made from the whole content: such a text is
    // also the file's fingerprint at levels 1 and 2, which read the whole of a small file too.
    struct FileFingerprint
    {
        std::optional<QString> text;
        bool isWholeContent = false;
    };
    FileFingerprint fileFingerprint(const Url &url, qint64 level,
                                    const std::optional<FileId> &listed = std::nullopt,
                                    const StopRequest &stopRequested = {},
                                    FingerprintCache *cache = nullptr) const;
    // As fileFingerprint, for url, an entry of the open folder that listed it (url's parent is the
    // folder's url; anything else has no fingerprint): the item is looked at and opened by its name
    // in the folder's descriptor, so the kernel looks up one name instead of every component of the
    // path, and a folder swapped for a link meanwhile cannot lead the read elsewhere.
    FileFingerprint fileFingerprintIn(const Directory &folder, const Url &url, qint64 level,
                                      const std::optional<FileId> &listed = std::nullopt,
                                      const StopRequest &stopRequested = {},
                                      FingerprintCache *cache = nullptr) const;
    // Whether the path still names the regular file a walk listed, a final link not followed: the
    // check that lets another name of a file share the fingerprint read through one of them.
    bool namesFile(const Url &url, const FileId &listed) const;
    // The same for url, an entry of the open folder.
    bool namesFileIn(const Directory &folder, const Url &url, const FileId &listed) const;
    // The whole-content (level 2) fingerprints of many files, as fileMD5_withLevel gives them, on
    // all cores and several files per core at once; the result at index i is the one of urls[i], which
    // was listed as listed[i] when listed is not empty. proceed(i, isCallingThread) is asked before
    // file i is started: false leaves it without value, as a stop does. folders[i], when not null, is
    // the open folder urls[i] is an entry of, as for fileFingerprintIn.
    std::vector<std::optional<QString>> wholeContentFingerprints(
        const QList<Url> &urls, const std::function<bool(qsizetype i, bool isCallingThread)> &proceed,
        const QList<std::optional<FileId>> &listed = {}, const StopRequest &stopRequested = {},
        FingerprintCache *cache = nullptr, const QList<const Directory *> &folders = {}) const;
    // A package's fingerprint joins those of the files at any depth inside, in byte order of their
    // paths; a package of which anything could not be read has none.
    std::optional<QString> dirMD5_withLeel(const Url &url, qint64 level,
                                           const std::optional<FileId> &listed = std::nullopt,
                                           const StopRequest &stopRequested = {}) const;
    // Digest text of the UTF-8 bytes of a text; for no text, a one-off text that matches nothing.
    QString MD5String(const std::optional<QString> &text) const;
    std::optional<QString> base64forData(const std::optional<QByteArray> &data) const;
    std::optional<QByteArray> readChunkData_ofLength_fromOffset(ReadHandle *handle, qint64 length,
                                                                quint64 offset) const;

    // --- File operations (FileOperations.cpp) ------------------------------------------------
    Url createUniqueURLFromURL(const Url &url) const;
    MaybeError removeURL(const Url &url) const;
    MaybeError removeURLToTrash(const Url &url) const;
    MaybeError removeURL_WithUpperDirectory_ToTrash(const Url &url, bool upper, bool toTrash) const;
    MaybeError moveURL_toURL_removeUpper(const Url &src, const Url &dst, bool upper) const;
    bool isEmptyFolder(const Url &url) const;

    // --- Removing, trashing and moving held items (HeldItemOperations.cpp) -------------------------
    // Each acts on the held item only while its name still leads to it: the item is first renamed to a
    // private name in its folder and checked there (the same device and inode, unchanged since it was
    // opened and compared); whatever else is found there is put back, and the item is reported changed
    // ("FileManagerProxy" 4). A file goes as a file, never recursively; a folder (a package) goes with
    // exactly the members it held when compared, never across into another file system, and what
    // changed inside it stays. upper: the folders that the item leaves empty go too, as with
    // removeURL_WithUpperDirectory_ToTrash.
    MaybeError removeHeldItem(const HeldItem &item, bool upper) const;
    // *trashedAs, when asked for, is where the item went in the trash.
    MaybeError trashHeldItem(const HeldItem &item, bool upper, Url *trashedAs = nullptr) const;
    enum class NameChoice {
        // The name given, or the move is refused ("FileManagerProxy" 3).
        Exact,
        // The name given, else the first free name made from it as createUniqueURLFromURL makes them.
        FirstFree,
    };
    // Moves the held item into the open folder folderFd (at the path folder) as name; *destination is
    // where it went. A move to another file system keeps what mv keeps; what it could not keep is added
    // to *notKept, when given (see moveAcrossFileSystemsAt).
    MaybeError moveHeldItem(const HeldItem &item, int folderFd, const Url &folder, const QByteArray &name,
                            NameChoice choice, bool upper, Url *destination,
                            QStringList *notKept = nullptr) const;

    // --- Replacing held files by links to a copy that stays (HeldItemReplacement.cpp) --------------
    enum class LinkKind {
        // Another name of the staying copy: one inode, so its owner, mode, times and attributes.
        Hard,
        // A clone sharing the staying copy's blocks (FICLONE), which keeps the file's own owner (where
        // permitted), mode, times and extended attributes.
        Reflink,
    };
    // Replaces the held file with a link to `staying`, a held and shared-locked copy of the same bytes.
    // The link or clone is made under a private name in the file's folder (a clone as a locked move
    // temporary, see MoveTemporaries.h); then, only while `staying` still has its name and is unchanged
    // since compared, the file is renamed to a private name, checked there as a removal checks it, the
    // link renamed to its name, and the file unlinked. Any failure takes the link away and leaves the file
    // as it was: a hard link to another file system ("FileManagerProxy" 7), a file system that cannot
    // clone (6), a copy that changed (5). *replacement is the identity now at the name. `made`, when given,
    // runs once the link or clone is made, before anything is checked: tests change the files there.
    MaybeError replaceHeldItem(const HeldItem &item, const HeldItem &staying, LinkKind kind,
                               FileId *replacement, const std::function<void()> &made = {}) const;
    // The way back: replaces the held file (a link or clone that replaced a file) with an independent
    // copy of its bytes, given the owner (where permitted), mode and times of `metadata`; its extended
    // attributes too when ownAttributes (a clone's are the file's own, a hard link's the staying copy's).
    // *copy is the identity of the copy.
    MaybeError unshareHeldItem(const HeldItem &item, const struct stat &metadata, bool ownAttributes,
                               FileId *copy) const;

    // --- Comparing contents before a removal (ContentComparison.cpp) ---------------------------
    enum class Comparison {
        Identical,
        Different,
        // Both are one file on disk, or two packages share a member: no copy of each other.
        SameFile,
        // One of them could not be read to the end.
        Unreadable,
    };
    // Compares two held items byte for byte through their descriptors: two regular files, or two
    // packages member by member in the order their fingerprints take them.
    Comparison compareContents(const HeldItem &a, const HeldItem &b) const;

    // --- Pictures (Pictures.cpp) -------------------------------------------------------------
    // flag 0: the item's icon; 1: a thumbnail within size x size or none; 2: thumbnail, else icon.
    std::optional<Image> iconForURL_withFlag_withSize(const Url &url, qint64 flag, qint64 size) const;
    // Makes a picture of a regular file's or folder's content within size x size, or none; isPicture
    // tells an image file. The core library does not decode pictures: the window side installs a maker
    // at start-up, and without one items have icons only.
    using ThumbnailMaker =
        std::function<std::shared_ptr<const Thumbnail>(const Url &url, qint64 size, bool isPicture)>;
    static void setThumbnailMaker(ThumbnailMaker maker);

private:
    FileManagerProxy() = default;
    // The item `name` in the folder dirFd (AT_FDCWD and a whole path for a path); url is its path.
    FileFingerprint fingerprintAt(int dirFd, const char *name, const Url &url, qint64 level,
                                  const std::optional<FileId> &listed, const StopRequest &stopRequested,
                                  FingerprintCache *cache) const;
    static bool namesFileAt(int dirFd, const char *name, const FileId &listed);
    FileFingerprint fingerprintOfOpenFile(ReadHandle &handle, qint64 level,
                                          const StopRequest &stopRequested) const;
    // Adds (path, fingerprint) for each file at any depth in the folder; false when something could
    // not be read or the read was stopped.
    bool packageMemberFingerprints(const Directory &folder, qint64 level, const StopRequest &stopRequested,
                                   std::vector<std::pair<QByteArray, QString>> *members) const;
};
