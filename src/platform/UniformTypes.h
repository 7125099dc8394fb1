#pragma once

#include "platform/Url.h"

#include <QMimeType>
#include <QString>

#include <sys/stat.h>

#include <optional>

// The uniform type facility over shared-mime-info. An item's type identifier is its MIME type name;
// the published identifiers that TwinSift tests ("public.image", "com.apple.package", ...) are
// answered by predicates over the item's kind and MIME type, see conformsTo().
//
// Items are typed as themselves: a symbolic link is "inode/symlink" and is never followed. Folders
// are "inode/directory"; special files are "inode/fifo", "inode/socket", "inode/blockdevice" and
// "inode/chardevice". A package is a directory whose name ends (in any case) in one of the package
// extensions below; it is typed with the MIME type that shared-mime-info gives its name if there is
// one, else "inode/directory".
//
// All functions are thread-safe and keep no state between calls, but for a Memo's.
namespace UniformTypes {

// Extensions that make a directory a package (also a bundle): applications, bundles, frameworks,
// plug-ins and rich text with attachments.
inline constexpr const char *packageExtensions[] = {"app", "bundle", "framework", "plugin", "rtfd"};

enum class Kind { RegularFile, Folder, Package, SymbolicLink, Special };

// What the type facility knows about one item. The kind costs one lstat(); the MIME type is found
// only when a question needs it, by name first and, when the name is not decisive, by the first
// bytes of content. The type of a regular file is remembered for that exact state of the file
// (inode, name, size, modification and status-change times): a scan asks about each file several
// times in a row, and both matching and reading cost. One ItemType belongs to the thread that made it.
class ItemType
{
public:
    Kind kind = Kind::RegularFile;
    mode_t mode = 0;
    // The item's name extension, lowercase, as text; empty when there is none.
    QString extension;

    const QMimeType &mime() const;
    QString identifier() const { return mime().name(); }
    // Whether the item conforms to a published identifier or, for any other text, to that MIME type
    // (MIME inheritance and aliases included).
    bool conformsTo(const QString &typeIdentifier) const;

private:
    friend std::optional<ItemType> typeOfItem(const Url &url);
    Url m_url;
    struct stat m_stat = {};
    mutable QMimeType m_mime;
};

// The type of the item at url; no value when nothing is there.
std::optional<ItemType> typeOfItem(const Url &url);

// While a Memo lives, typeOfItem on its thread answers again about the item it answered about last
// without asking the file system: a series of questions about one item (is it text? a movie? an
// image?) then costs one query and one type match.
class Memo
{
public:
    Memo();
    ~Memo();
    Memo(const Memo &) = delete;
    Memo &operator=(const Memo &) = delete;

private:
    friend std::optional<ItemType> typeOfItem(const Url &url);
    Memo *m_outer;
    std::optional<ItemType> m_last;
};

bool isPackageName(const QByteArray &fileName);

} // namespace UniformTypes
