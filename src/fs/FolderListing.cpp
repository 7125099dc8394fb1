#include "fs/FolderListing.h"

#include <climits>
#include <cstring>

namespace {

QString because(const char *what, int error)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace

FolderListing FolderListing::read(const Url &url, const FileId &listed,
                                  const std::shared_ptr<const Directory> &parent)
{
    FolderListing listing;
    int error = 0;
    auto opened = parent ? parent->openChild(url.fileName(), &error) : Directory::open(url, &error);
    const auto own = opened ? opened->attributes(&error) : std::nullopt;
    if (!own || own->id() != listed) {
        if (!own && !isVanishedItemError(error))
            listing.skipped.append({url, because("cannot open folder", error)});
        return listing;
    }
    QList<QByteArray> names;
    if (const int listError = opened->entryNames(&names)) {
        listing.skipped.append({url, because("cannot list folder", listError)});
        return listing;
    }
    listing.folder = std::make_shared<const Directory>(std::move(*opened));
    listing.entries.reserve(names.size());
    for (const QByteArray &name : std::as_const(names)) {
        const Url entry = url.child(name);
        if (entry.path().size() >= PATH_MAX) {
            listing.skipped.append({entry, QStringLiteral("path longer than %1 bytes").arg(PATH_MAX - 1)});
            continue;
        }
        const auto attributes = listing.folder->attributesOf(name, &error);
        if (attributes) {
            listing.entries.append({entry, *attributes});
        } else if (error == EACCES) {
            // Listed but not searchable: no entry of it can be looked at.
            listing.skipped.append({url, because("cannot search folder", error)});
            break;
        } else if (!isVanishedItemError(error)) {
            listing.skipped.append({entry, because("cannot look at", error)});
        }
    }
    return listing;
}
