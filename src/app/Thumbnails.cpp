// Thumbnails of items: decoded pictures for image files, and the pictures file managers left in the
// freedesktop thumbnail cache for other kinds.
#include "app/Thumbnails.h"

#include "fs/FileManagerProxy.h"
#include "platform/Desktop.h"

#include <QCryptographicHash>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>

namespace {

QSize fitting(QSize natural, int size)
{
    if (natural.width() <= size && natural.height() <= size)
        return natural;
    // A long thin picture keeps at least one pixel across.
    return natural.scaled(size, size, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

// The text of a PNG tEXt chunk before the image data. QImageReader cannot be asked for it: it
// splits keys at ':' and so never finds "Thumb::MTime".
std::optional<QByteArray> pngText(QIODevice &device, const QByteArray &keyword)
{
    if (device.read(8) != QByteArrayLiteral("\x89PNG\r\n\x1a\n"))
        return std::nullopt;
    for (;;) {
        const QByteArray header = device.read(8);
        if (header.size() != 8)
            return std::nullopt;
        const quint32 length = qFromBigEndian<quint32>(header.constData());
        const QByteArray type = header.mid(4);
        if (type == "IDAT" || type == "IEND" || length > (1u << 20))
            return std::nullopt;
        if (type == "tEXt") {
            const QByteArray data = device.read(length);
            if (data.startsWith(keyword + '\0'))
                return data.mid(keyword.size() + 1);
            device.skip(4);
        } else {
            device.skip(qint64(length) + 4);
        }
    }
}

// Decodes a picture file at a size within size x size. The file is opened by its byte path here,
// since QImageReader would reopen a (lossily decoded) name. With expectedMTime set, a picture that
// records a different Thumb::MTime (a stale cached thumbnail) is refused.
QImage readPicture(const QByteArray &path, int size, std::optional<qint64> expectedMTime = std::nullopt)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return {};
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    if (expectedMTime) {
        const auto recorded = pngText(file, QByteArrayLiteral("Thumb::MTime"));
        if (recorded && recorded->toLongLong() != *expectedMTime)
            return {};
        file.seek(0);
    }
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    const QSize natural = reader.size();
    if (natural.isValid())
        reader.setScaledSize(fitting(natural, size));
    QImage image = reader.read();
    // Some formats cannot tell their size before decoding and ignore the scaled size.
    if (!image.isNull() && (image.width() > size || image.height() > size))
        image = image.scaled(fitting(image.size(), size), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

// A thumbnail that a file manager already made, in the freedesktop thumbnail cache: named after the
// MD5 of the file's URI, in folders by picture size. The folders whose pictures are at least the
// wanted size come first, smallest first, then the smaller ones, largest first.
QImage cachedThumbnail(const Url &url, int size)
{
    struct stat st;
    if (::stat(url.c_str(), &st) != 0)
        return {};
    QByteArray cache = qgetenv("XDG_CACHE_HOME");
    if (!cache.startsWith('/'))
        cache = qgetenv("HOME") + "/.cache";
    const QByteArray name =
        QCryptographicHash::hash(Desktop::fileUri(url), QCryptographicHash::Md5).toHex() + ".png";

    struct Folder
    {
        const char *name;
        int pixels;
    };
    std::array<Folder, 4> folders = {{{"normal", 128}, {"large", 256}, {"x-large", 512}, {"xx-large", 1024}}};
    std::stable_partition(folders.begin(), folders.end(), [&](const Folder &f) { return f.pixels >= size; });
    const auto firstSmaller =
        std::find_if(folders.begin(), folders.end(), [&](const Folder &f) { return f.pixels < size; });
    std::reverse(firstSmaller, folders.end());

    for (const Folder &folder : folders) {
        const QImage image =
            readPicture(cache + "/thumbnails/" + folder.name + '/' + name, size, st.st_mtime);
        if (!image.isNull())
            return image;
    }
    return {};
}

QImage thumbnailOf(const Url &url, qint64 size, bool isPicture)
{
    const int pixels = static_cast<int>(std::min<qint64>(size, 1 << 14));
    if (isPicture) {
        const QImage image = readPicture(url.path(), pixels);
        if (!image.isNull())
            return image;
    }
    return cachedThumbnail(url, pixels);
}

} // namespace

namespace Thumbnails {

void install()
{
    FileManagerProxy::setThumbnailMaker(
        [](const Url &url, qint64 size, bool isPicture) -> std::shared_ptr<const Thumbnail> {
            QImage image = thumbnailOf(url, size, isPicture);
            return image.isNull() ? nullptr : std::make_shared<const Thumbnail>(std::move(image));
        });
}

} // namespace Thumbnails
