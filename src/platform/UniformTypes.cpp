#include "platform/UniformTypes.h"

#include <QFile>
#include <QHash>
#include <QMimeDatabase>
#include <QMutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>

namespace UniformTypes {

namespace {

const QString octetStream = QStringLiteral("application/octet-stream");

// Matched by exact (canonical) name: subtypes are left out on purpose, since shell scripts inherit
// application/x-executable and office documents inherit application/zip.
const std::array applicationTypes = {
    QStringLiteral("application/x-executable"),
    QStringLiteral("application/x-desktop"),
    QStringLiteral("application/vnd.appimage"),
    QStringLiteral("application/x-iso9660-appimage"),
    QStringLiteral("application/x-ms-dos-executable"),
    QStringLiteral("application/x-msi"),
    // What a desktop's own MIME packages call *.msi (libfm's, installed with PCManFM).
    QStringLiteral("application/x-ms-win-installer"),
};

const std::array archiveTypes = {
    QStringLiteral("application/zip"),
    QStringLiteral("application/x-tar"),
    QStringLiteral("application/x-ustar"),
    QStringLiteral("application/x-compressed-tar"),
    QStringLiteral("application/x-bzip-compressed-tar"),
    QStringLiteral("application/x-xz-compressed-tar"),
    QStringLiteral("application/x-zstd-compressed-tar"),
    QStringLiteral("application/x-lzma-compressed-tar"),
    QStringLiteral("application/x-lzip-compressed-tar"),
    QStringLiteral("application/x-lz4-compressed-tar"),
    QStringLiteral("application/x-lrzip-compressed-tar"),
    QStringLiteral("application/x-tarz"),
    QStringLiteral("application/gzip"),
    QStringLiteral("application/x-bzip"),
    QStringLiteral("application/x-xz"),
    QStringLiteral("application/zstd"),
    QStringLiteral("application/x-lzma"),
    QStringLiteral("application/x-lzip"),
    QStringLiteral("application/x-lz4"),
    QStringLiteral("application/x-lzop"),
    QStringLiteral("application/x-lrzip"),
    QStringLiteral("application/x-compress"),
    QStringLiteral("application/x-7z-compressed"),
    QStringLiteral("application/vnd.rar"),
    QStringLiteral("application/x-cpio"),
    QStringLiteral("application/x-cpio-compressed"),
    QStringLiteral("application/x-bcpio"),
    QStringLiteral("application/x-sv4cpio"),
    QStringLiteral("application/vnd.debian.binary-package"),
    QStringLiteral("application/x-rpm"),
    QStringLiteral("application/x-source-rpm"),
    QStringLiteral("application/x-archive"),
    QStringLiteral("application/x-arj"),
    QStringLiteral("application/x-lha"),
    QStringLiteral("application/x-ace"),
    QStringLiteral("application/x-alz"),
    QStringLiteral("application/x-stuffit"),
    QStringLiteral("application/x-xar"),
    QStringLiteral("application/x-zoo"),
    QStringLiteral("application/x-dar"),
    QStringLiteral("application/vnd.ms-cab-compressed"),
    QStringLiteral("application/x-java-archive"),
};

// The type is one of the names, under its canonical name or an alias.
template <std::size_t N> bool isOneOf(const QMimeType &mime, const std::array<QString, N> &names)
{
    const QStringList aliases = mime.aliases();
    return std::any_of(names.begin(), names.end(),
                       [&](const QString &name) { return mime.name() == name || aliases.contains(name); });
}

// True when the MIME type is of the given media type ("image/") or inherits from one that is.
bool isOfMediaType(const QMimeType &mime, QStringView mediaTypePrefix)
{
    if (mime.name().startsWith(mediaTypePrefix))
        return true;
    const QStringList ancestors = mime.allAncestors();
    return std::any_of(ancestors.begin(), ancestors.end(),
                       [&](const QString &name) { return name.startsWith(mediaTypePrefix); });
}

bool isApplication(const ItemType &type)
{
    switch (type.kind) {
    case Kind::Package:
        return type.extension == QLatin1String("app");
    case Kind::RegularFile:
        // Inside, ELF programs and shared objects can look alike; a program is marked executable.
        if (type.mime().name() == QLatin1String("application/x-executable"))
            return (type.mode & 0111) != 0;
        return isOneOf(type.mime(), applicationTypes);
    default:
        return false;
    }
}

// Types found for regular files, by the exact state of the file: inode, name, size, modification
// and status-change times. Users cannot set the status-change time, so new content under the same
// key is impossible. Bounded by forgetting everything when full: the repeated questions about a file
// come close together.
class KnownTypes
{
public:
    static KnownTypes &instance()
    {
        static KnownTypes types;
        return types;
    }

    static QByteArray keyOf(const struct stat &st, const QByteArray &fileName)
    {
        const std::array<qint64, 7> state = {qint64(st.st_dev),          qint64(st.st_ino),
                                             qint64(st.st_size),         qint64(st.st_mtim.tv_sec),
                                             qint64(st.st_mtim.tv_nsec), qint64(st.st_ctim.tv_sec),
                                             qint64(st.st_ctim.tv_nsec)};
        return QByteArray(reinterpret_cast<const char *>(state.data()), sizeof state) + fileName;
    }

    QString find(const QByteArray &key) const
    {
        const QMutexLocker locker(&m_mutex);
        return m_names.value(key);
    }

    void insert(const QByteArray &key, const QString &mimeName)
    {
        const QMutexLocker locker(&m_mutex);
        if (m_names.size() >= 4096)
            m_names.clear();
        m_names.insert(key, mimeName);
    }

private:
    mutable QMutex m_mutex;
    QHash<QByteArray, QString> m_names;
};

// Reads the first bytes of a regular file through a descriptor of our own, since QMimeDatabase
// would reopen the file by a (lossily decoded) name. byName are the types its name matches: with
// none, the content alone decides, and matching the name again would cost as much as the content.
QMimeType mimeFromNameAndContent(const QMimeDatabase &db, const Url &url, const QString &name,
                                 const QList<QMimeType> &byName)
{
    const int fd = ::open(url.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return db.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    QFile file;
    QMimeType mime;
    if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        mime = byName.isEmpty() ? db.mimeTypeForData(&file) : db.mimeTypeForFileNameAndData(name, &file);
    else
        ::close(fd);
    return mime.isValid() ? mime : db.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
}

QMimeType mimeOfRegularFile(const QMimeDatabase &db, const Url &url, const struct stat &st,
                            const QString &name)
{
    const QByteArray key = KnownTypes::keyOf(st, url.fileName());
    if (const QString known = KnownTypes::instance().find(key); !known.isEmpty())
        return db.mimeTypeForName(known);
    // One certain match by name needs no look at the content.
    const QList<QMimeType> byName = db.mimeTypesForFileName(name);
    const QMimeType mime =
        byName.size() == 1 ? byName.first() : mimeFromNameAndContent(db, url, name, byName);
    KnownTypes::instance().insert(key, mime.name());
    return mime;
}

QString specialFileType(mode_t mode)
{
    if (S_ISFIFO(mode))
        return QStringLiteral("inode/fifo");
    if (S_ISSOCK(mode))
        return QStringLiteral("inode/socket");
    if (S_ISBLK(mode))
        return QStringLiteral("inode/blockdevice");
    return QStringLiteral("inode/chardevice");
}

} // namespace

bool isPackageName(const QByteArray &fileName)
{
    const qsizetype dot = fileName.lastIndexOf('.');
    if (dot <= 0)
        return false;
    const QByteArray extension = fileName.mid(dot + 1).toLower();
    return std::any_of(std::begin(packageExtensions), std::end(packageExtensions),
                       [&](const char *known) { return extension == known; });
}

namespace {
thread_local Memo *t_memo = nullptr;
} // namespace

Memo::Memo() : m_outer(t_memo)
{
    t_memo = this;
}

Memo::~Memo()
{
    t_memo = m_outer;
}

std::optional<ItemType> typeOfItem(const Url &url)
{
    if (url.isNull())
        return std::nullopt;
    if (t_memo && t_memo->m_last && t_memo->m_last->m_url == url)
        return t_memo->m_last;
    struct stat st;
    if (::lstat(url.c_str(), &st) != 0)
        return std::nullopt;

    ItemType type;
    type.m_url = url;
    type.m_stat = st;
    type.mode = st.st_mode;
    type.extension = decodeFileNameBytes(url.pathExtension(), false).toLower();
    if (S_ISREG(st.st_mode))
        type.kind = Kind::RegularFile;
    else if (S_ISDIR(st.st_mode))
        type.kind = isPackageName(url.fileName()) ? Kind::Package : Kind::Folder;
    else if (S_ISLNK(st.st_mode))
        type.kind = Kind::SymbolicLink;
    else
        type.kind = Kind::Special;
    if (t_memo) {
        // Matched once here, so that the answers given from memory carry the match along.
        type.mime();
        t_memo->m_last = type;
    }
    return type;
}

const QMimeType &ItemType::mime() const
{
    if (m_mime.isValid())
        return m_mime;
    const QMimeDatabase db;
    // Decoded for glob matching only; invalid bytes become U+FFFD, which no glob relies on.
    const QString name = decodeFileNameBytes(m_url.fileName(), false);
    switch (kind) {
    case Kind::RegularFile:
        m_mime = mimeOfRegularFile(db, m_url, m_stat, name);
        break;
    case Kind::Package:
        m_mime = db.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
        if (m_mime.name() == octetStream)
            m_mime = db.mimeTypeForName(QStringLiteral("inode/directory"));
        break;
    case Kind::Folder:
        m_mime = db.mimeTypeForName(QStringLiteral("inode/directory"));
        break;
    case Kind::SymbolicLink:
        m_mime = db.mimeTypeForName(QStringLiteral("inode/symlink"));
        break;
    case Kind::Special:
        m_mime = db.mimeTypeForName(specialFileType(mode));
        break;
    }
    if (!m_mime.isValid())
        m_mime = db.mimeTypeForName(octetStream);
    return m_mime;
}

bool ItemType::conformsTo(const QString &typeIdentifier) const
{
    const bool isFile = kind == Kind::RegularFile;
    if (typeIdentifier == QLatin1String("public.directory"))
        return kind == Kind::Folder || kind == Kind::Package;
    if (typeIdentifier == QLatin1String("public.folder"))
        return kind == Kind::Folder;
    if (typeIdentifier == QLatin1String("com.apple.package") ||
        typeIdentifier == QLatin1String("com.apple.bundle"))
        return kind == Kind::Package;
    if (typeIdentifier == QLatin1String("com.apple.resolvable"))
        return kind == Kind::SymbolicLink;
    if (typeIdentifier == QLatin1String("com.apple.application"))
        return isApplication(*this);
    if (typeIdentifier == QLatin1String("public.archive"))
        return isFile && isOneOf(mime(), archiveTypes);
    if (typeIdentifier == QLatin1String("public.image"))
        return isFile && isOfMediaType(mime(), u"image/");
    if (typeIdentifier == QLatin1String("public.movie"))
        return isFile && isOfMediaType(mime(), u"video/");
    if (typeIdentifier == QLatin1String("public.audio"))
        return isFile && isOfMediaType(mime(), u"audio/");
    if (typeIdentifier == QLatin1String("public.text"))
        return isFile && mime().inherits(QStringLiteral("text/plain"));
    if (typeIdentifier == QLatin1String("com.adobe.pdf"))
        return isFile && mime().inherits(QStringLiteral("application/pdf"));
    if (typeIdentifier == QLatin1String("com.apple.rtfd"))
        return kind == Kind::Package && extension == QLatin1String("rtfd");
    if (typeIdentifier == QLatin1String("com.apple.flat-rtfd"))
        return isFile && extension == QLatin1String("rtfd");
    if (typeIdentifier == QLatin1String("com.apple.txn.text-multimedia-data"))
        return false;
    return mime().inherits(typeIdentifier);
}

} // namespace UniformTypes
