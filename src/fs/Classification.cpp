// What kind of item a URL names, answered by the uniform type facility plus a few extension lists.
#include "fs/FileManagerProxy.h"

#include "platform/UniformTypes.h"

#include <algorithm>
#include <initializer_list>

namespace {

// Types that some platforms do not know by these extensions, compared ignoring case.
constexpr std::initializer_list<const char *> applicationExtras = {"exe", "com"};
constexpr std::initializer_list<const char *> movieExtras = {"asf", "rmvb", "mkv", "vob"};
constexpr std::initializer_list<const char *> textExtras = {"chm", "doc", "epub", "plist", "docx", "css"};

bool hasExtensionIn(const Url &url, std::initializer_list<const char *> extensions)
{
    const QByteArray extension = url.pathExtension();
    if (extension.isEmpty())
        return false;
    const QString text = decodeFileNameBytes(extension, false);
    return std::any_of(extensions.begin(), extensions.end(), [&](const char *known) {
        return text.compare(QLatin1String(known), Qt::CaseInsensitive) == 0;
    });
}

// The type test first; the extension list only for existing items that fail it.
bool conformsOrHasExtension(const Url &url, const QString &typeIdentifier,
                            std::initializer_list<const char *> extensions)
{
    const auto type = UniformTypes::typeOfItem(url);
    return type && (type->conformsTo(typeIdentifier) || hasExtensionIn(url, extensions));
}

} // namespace

bool FileManagerProxy::URL_conformsToType(const Url &url, const QString &typeIdentifier) const
{
    if (typeIdentifier.isEmpty())
        return false;
    const auto type = UniformTypes::typeOfItem(url);
    return type && type->conformsTo(typeIdentifier);
}

std::optional<QString> FileManagerProxy::typeOfURL(const Url &url) const
{
    const auto type = UniformTypes::typeOfItem(url);
    if (!type)
        return std::nullopt;
    return type->identifier();
}

bool FileManagerProxy::isDirecotry(const Url &url) const
{
    return URL_conformsToType(url, QStringLiteral("public.directory"));
}

bool FileManagerProxy::isFolder(const Url &url) const
{
    return URL_conformsToType(url, QStringLiteral("public.folder"));
}

bool FileManagerProxy::isPackage(const Url &url) const
{
    return URL_conformsToType(url, QStringLiteral("com.apple.package"));
}

bool FileManagerProxy::isBundle(const Url &url) const
{
    return URL_conformsToType(url, QStringLiteral("com.apple.bundle"));
}

bool FileManagerProxy::isSymblink(const Url &url) const
{
    return URL_conformsToType(url, QStringLiteral("com.apple.resolvable"));
}

bool FileManagerProxy::isApplication(const Url &url) const
{
    return conformsOrHasExtension(url, QStringLiteral("com.apple.application"), applicationExtras);
}

bool FileManagerProxy::isMovieFile(const Url &url) const
{
    return conformsOrHasExtension(url, QStringLiteral("public.movie"), movieExtras);
}

bool FileManagerProxy::isAudioFile(const Url &url) const
{
    return URL_conformsToType(url, QStringLiteral("public.audio"));
}

bool FileManagerProxy::isImageFile(const Url &url) const
{
    return URL_conformsToType(url, QStringLiteral("public.image"));
}

bool FileManagerProxy::isAchieve(const Url &url) const
{
    return URL_conformsToType(url, QStringLiteral("public.archive"));
}

bool FileManagerProxy::isTextFile(const Url &url) const
{
    // One type query serves all five identifiers.
    const auto type = UniformTypes::typeOfItem(url);
    if (!type)
        return false;
    for (const char *identifier : {"public.text", "com.adobe.pdf", "com.apple.rtfd", "com.apple.flat-rtfd",
                                   "com.apple.txn.text-multimedia-data"}) {
        if (type->conformsTo(QLatin1String(identifier)))
            return true;
    }
    return hasExtensionIn(url, textExtras);
}
