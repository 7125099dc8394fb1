// Existence, attributes, listings, sizes, extensions and date texts.
#include "fs/FileManagerProxy.h"

#include "fs/Directory.h"
#include "fs/ReadFailures.h"
#include "platform/UniformTypes.h"
#include "platform/Utf8.h"

#include <QLocale>
#include <QTimeZone>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

const QByteArray dsStore = QByteArrayLiteral(".DS_Store");

// toLower() of a text made by surrogateEscapedText(), which turns its lone surrogates into U+FFFD.
QString lowerKeepingEscapes(const QString &text)
{
    QString lower;
    qsizetype from = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool isEscape =
            i < text.size() && text[i].isLowSurrogate() && (i == 0 || !text[i - 1].isHighSurrogate());
        if (i < text.size() && !isEscape)
            continue;
        lower += QStringView(text).mid(from, i - from).toString().toLower();
        if (isEscape)
            lower += text[i];
        from = i + 1;
    }
    return lower;
}

bool isHiddenName(const QByteArray &name)
{
    return name.startsWith('.');
}

void reportUnlisted(const Url &url, int error)
{
    ReadFailures::report(
        url, QStringLiteral("cannot list folder: %1").arg(QString::fromLocal8Bit(std::strerror(error))));
}

// The sizes of every item at any depth in the folder but ".DS_Store" (links count as themselves).
qint64 sizeOfContents(const Directory &folder)
{
    QList<QByteArray> names;
    if (const int error = folder.entryNames(&names)) {
        reportUnlisted(folder.url(), error);
        return 0;
    }
    qint64 total = 0;
    for (const QByteArray &name : std::as_const(names)) {
        int error = 0;
        const auto attributes = name == dsStore ? std::nullopt : folder.attributesOf(name, &error);
        if (!attributes)
            continue;
        if (!attributes->isDirectory()) {
            total += attributes->fileSize;
        } else if (const auto inner = folder.openChild(name, &error)) {
            total += sizeOfContents(*inner);
        } else if (!isVanishedItemError(error)) {
            reportUnlisted(folder.url().child(name), error);
        }
    }
    return total;
}

// The walk of getFilesInDirectory: each subfolder is opened from the folder that listed it, so that one
// swapped for a link meanwhile is not entered. Packages and bundles are the same directories here.
void appendFiles(const Directory &folder, bool skipFolders, bool skipHidden, bool packagesAsFiles,
                 QList<Url> *files)
{
    QList<QByteArray> names;
    if (folder.entryNames(&names) != 0)
        return;
    for (const QByteArray &name : std::as_const(names)) {
        if (name == dsStore || (skipHidden && isHiddenName(name)))
            continue;
        int error = 0;
        const auto attributes = folder.attributesOf(name, &error);
        if (!attributes)
            continue;
        if (!attributes->isDirectory() || (packagesAsFiles && UniformTypes::isPackageName(name))) {
            files->append(folder.url().child(name));
        } else if (!skipFolders) {
            if (const auto inner = folder.openChild(name, &error))
                appendFiles(*inner, false, skipHidden, packagesAsFiles, files);
        }
    }
}

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
    int error = 0;
    return queryAttributes(AT_FDCWD, url.c_str(), &error);
}

std::optional<QList<Url>> FileManagerProxy::getContentsOfDirecotry_skipHidden(const Url &url,
                                                                              bool skipHidden) const
{
    int error = 0;
    const auto folder = Directory::open(url, &error);
    QList<QByteArray> names;
    if (!folder || folder->entryNames(&names) != 0)
        return std::nullopt;
    QList<Url> entries;
    bool listedAny = false;
    for (const QByteArray &name : std::as_const(names)) {
        if (skipHidden && isHiddenName(name))
            continue;
        listedAny = true;
        if (name != dsStore)
            entries.append(url.child(name));
    }
    if (!listedAny)
        return std::nullopt;
    return entries;
}

std::optional<QList<Url>>
FileManagerProxy::getFilesInDirectory_skipSubDirectory_skipHidden_includePackage_includeBundel(
    const Url &url, bool skipSub, bool skipHidden, bool includePackage, bool includeBundel) const
{
    int error = 0;
    const auto folder = Directory::open(url, &error);
    if (!folder)
        return std::nullopt;
    QList<Url> files;
    appendFiles(*folder, skipSub, skipHidden, includePackage || includeBundel, &files);
    if (files.isEmpty())
        return std::nullopt;
    return files;
}

qint64 FileManagerProxy::getDirectorySize(const Url &url) const
{
    const auto attributes = attributesOfItemAtURL(url);
    if (!attributes)
        return 0;
    if (!attributes->isDirectory())
        return attributes->fileSize;
    int error = 0;
    const auto folder = Directory::open(url, &error);
    if (!folder) {
        if (!isVanishedItemError(error))
            reportUnlisted(url, error);
        return 0;
    }
    return sizeOfContents(*folder);
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
    // Bytes that are not UTF-8 are kept as they are (lone surrogates), so extensions that differ only in
    // such bytes stay different and reports can write them back exactly.
    const QString trimmed = surrogateEscapedText(extension).trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    return lowerKeepingEscapes(trimmed);
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
