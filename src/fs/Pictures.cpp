// Icons and thumbnails of items, made as plain data so that any thread may ask for them.
#include "fs/FileManagerProxy.h"

#include "platform/UniformTypes.h"

#include <mutex>

namespace {

using UniformTypes::ItemType;
using UniformTypes::Kind;

// The theme icon of the item's MIME type, and the broader one to use where the theme lacks it. A
// package without a MIME type of its own shows as what it is, not as a folder.
Image iconOf(const ItemType &type)
{
    Image image;
    image.iconName = type.mime().iconName();
    image.genericIconName = type.mime().genericIconName();
    if (type.kind == Kind::Package) {
        image.genericIconName = type.conformsTo(QStringLiteral("com.apple.application"))
                                    ? QStringLiteral("application-x-executable")
                                    : QStringLiteral("package-x-generic");
        if (type.mime().name() == QLatin1String("inode/directory"))
            image.iconName = image.genericIconName;
    }
    return image;
}

std::mutex g_makerMutex;
FileManagerProxy::ThumbnailMaker g_maker;

FileManagerProxy::ThumbnailMaker thumbnailMaker()
{
    std::lock_guard lock(g_makerMutex);
    return g_maker;
}

} // namespace

void FileManagerProxy::setThumbnailMaker(ThumbnailMaker maker)
{
    std::lock_guard lock(g_makerMutex);
    g_maker = std::move(maker);
}

std::optional<Image> FileManagerProxy::iconForURL_withFlag_withSize(const Url &url, qint64 flag,
                                                                    qint64 size) const
{
    if (flag < 0 || flag > 2)
        return std::nullopt;
    const auto type = UniformTypes::typeOfItem(url);
    if (!type)
        return std::nullopt;
    if (flag != 0) {
        Image image;
        if (size > 0 && type->kind != Kind::SymbolicLink && type->kind != Kind::Special) {
            if (const ThumbnailMaker maker = thumbnailMaker())
                image.thumbnail = maker(url, size, type->conformsTo(QStringLiteral("public.image")));
        }
        if (image.isThumbnail())
            return image;
        if (flag == 1)
            return std::nullopt;
    }
    return iconOf(*type);
}
