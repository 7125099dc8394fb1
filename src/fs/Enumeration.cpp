// Existence, attributes, listings, sizes, extensions and date texts.
#include "fs/FileManagerProxy.h"

#include <QLocale>
#include <QTimeZone>

#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

const QByteArray dsStore = QByteArrayLiteral(".DS_Store");

// In UTC: the moment is the same, and a scan does not pay a time-zone conversion per file. Texts
// for people are made in local time.
QDateTime dateFromTimestamp(qint64 seconds, qint64 nanoseconds)
{
    return QDateTime::fromMSecsSinceEpoch(seconds * 1000 + nanoseconds / 1000000, Qt::UTC);
}

// Closes a directory stream on every path out of a listing.
struct DirCloser
{
    void operator()(DIR *dir) const { ::closedir(dir); }
};

} // namespace

FileManagerProxy &FileManagerProxy::sharedInstance()
{
    // Never destroyed: background tasks may still use it while the process exits.
    static FileManagerProxy *const instance = new FileManagerProxy();
    return *instance;
}

bool FileManagerProxy::isUrlExist(const Url &url) const
{
    if (url.isNull())
        return false;
    // Whatever stat() finds, lstat() finds too; lstat() also finds a link whose target is gone.
    struct stat st;
    return ::lstat(url.c_str(), &st) == 0;
}

std::optional<FileAttributes> FileManagerProxy::attributesOfItemAtURL(const Url &url) const
{
    if (url.isNull())
        return std::nullopt;
    struct statx sx;
    if (::statx(AT_FDCWD, url.c_str(), AT_SYMLINK_NOFOLLOW,
                STATX_TYPE | STATX_MODE | STATX_NLINK | STATX_INO | STATX_SIZE | STATX_MTIME | STATX_BTIME,
                &sx) != 0)
        return std::nullopt;
    FileAttributes attributes;
    attributes.fileSize = static_cast<qint64>(sx.stx_size);
    attributes.mode = sx.stx_mode;
    attributes.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    attributes.inode = sx.stx_ino;
    attributes.linkCount = sx.stx_nlink;
    attributes.fileModificationDate = dateFromTimestamp(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
    attributes.modificationNanoseconds = qint64(sx.stx_mtime.tv_sec) * 1'000'000'000 + sx.stx_mtime.tv_nsec;
    attributes.fileCreationDate = (sx.stx_mask & STATX_BTIME)
                                      ? dateFromTimestamp(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec)
                                      : attributes.fileModificationDate;
    return attributes;
}

std::optional<QList<Url>> FileManagerProxy::getContentsOfDirecotry_skipHidden(const Url &url,
                                                                              bool skipHidden) const
{
    if (!isUrlExist(url) || !isDirecotry(url))
        return std::nullopt;
    std::unique_ptr<DIR, DirCloser> dir(::opendir(url.c_str()));
    if (!dir)
        return std::nullopt;
    QList<Url> entries;
    bool listedAny = false;
    for (;;) {
        // Only a null from readdir() with errno set is an error, and the work between two calls may
        // leave errno changed, so it is cleared before each call.
        errno = 0;
        const dirent *entry = ::readdir(dir.get());
        if (!entry)
            break;
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        if (skipHidden && name.startsWith('.'))
            continue;
        listedAny = true;
        if (name != dsStore)
            entries.append(url.child(name));
    }
    if (errno != 0 || !listedAny)
        return std::nullopt;
    return entries;
}

std::optional<QList<Url>>
FileManagerProxy::getFilesInDirectory_skipSubDirectory_skipHidden_includePackage_includeBundel(
    const Url &url, bool skipSub, bool skipHidden, bool includePackage, bool includeBundel) const
{
    if (!isUrlExist(url) || !isDirecotry(url))
        return std::nullopt;
    QList<Url> files;
    const auto entries = getContentsOfDirecotry_skipHidden(url, skipHidden);
    for (const Url &entry : entries.value_or(QList<Url>())) {
        if (includePackage && isPackage(entry)) {
            files.append(entry);
        } else if (includeBundel && isBundle(entry)) {
            files.append(entry);
        } else if (isDirecotry(entry)) {
            if (skipSub)
                continue;
            const auto inner = getFilesInDirectory_skipSubDirectory_skipHidden_includePackage_includeBundel(
                entry, false, skipHidden, includePackage, includeBundel);
            if (inner)
                files.append(*inner);
        } else {
            files.append(entry);
        }
    }
    if (files.isEmpty())
        return std::nullopt;
    return files;
}

qint64 FileManagerProxy::getDirectorySize(const Url &url) const
{
    if (url.isNull())
        return 0;
    if (!isDirecotry(url)) {
        const auto attributes = attributesOfItemAtURL(url);
        return attributes ? attributes->fileSize : 0;
    }
    qint64 total = 0;
    const auto files = getFilesInDirectory_skipSubDirectory_skipHidden_includePackage_includeBundel(
        url, false, false, false, false);
    for (const Url &file : files.value_or(QList<Url>())) {
        if (file.fileName() == dsStore)
            continue;
        if (const auto attributes = attributesOfItemAtURL(file))
            total += attributes->fileSize;
    }
    return total;
}

MaybeError FileManagerProxy::createDirectoryAt(const Url &url) const
{
    if (url.isNull() || isUrlExist(url))
        return std::nullopt;
    // Create each missing ancestor from the top down, as mkdir -p does.
    QList<Url> missing;
    for (Url dir = url; !dir.isNull() && !isUrlExist(dir); dir = dir.parent())
        missing.prepend(dir);
    for (const Url &dir : missing) {
        if (::mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST)
            return Error::fromErrno(errno, dir.displayPath());
    }
    return std::nullopt;
}

std::optional<QString> FileManagerProxy::URLExt(const Url &url) const
{
    if (url.isNull() || isFolder(url))
        return std::nullopt;
    return normalizedExtension(url);
}

std::optional<QString> FileManagerProxy::normalizedExtension(const Url &url)
{
    const QByteArray extension = url.pathExtension();
    if (extension.isEmpty())
        return std::nullopt;
    const QString trimmed = decodeFileNameBytes(extension, false).trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed.toLower();
}

std::optional<QString>
FileManagerProxy::URLDate_toStringWithFormat(const std::optional<QDateTime> &date,
                                             const std::optional<QString> &format) const
{
    if (!date || !date->isValid())
        return std::nullopt;
    const QString pattern = format.value_or(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (pattern.contains(QLatin1Char('t')))
        return QLocale::system().toString(date->toLocalTime(), pattern);
    // Qt rereads the zone file for every conversion to local time, which a list of many dates
    // notices. The C library converts with what it read once; the local wall-clock fields, set in a
    // zone-free date, give the same text for any pattern that does not name the zone.
    const qint64 msecs = date->toMSecsSinceEpoch();
    const time_t seconds = time_t(msecs >= 0 ? msecs / 1000 : (msecs - 999) / 1000);
    struct tm local;
    if (!::localtime_r(&seconds, &local))
        return QLocale::system().toString(date->toLocalTime(), pattern);
    const QDateTime wallClock(
        QDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday),
        QTime(local.tm_hour, local.tm_min, local.tm_sec, int(msecs - qint64(seconds) * 1000)), Qt::UTC);
    return QLocale::system().toString(wallClock, pattern);
}
