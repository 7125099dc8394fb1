#include "app/RowPictures.h"

#include "app/Thumbnails.h"

#include <QApplication>
#include <QHash>
#include <QStyle>

namespace RowPictures {

QIcon icon(const Image &image)
{
    // Looking an icon up in the theme reads index files; a list draws the same few icons again and
    // again.
    static QHash<QString, QIcon> cache;
    const QString key = image.iconName + QLatin1Char('\n') + image.genericIconName;
    const auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;
    // Without an icon theme, the style's own pictures still tell folders from files.
    const bool folder = image.iconName.startsWith(QLatin1String("inode-directory")) ||
                        image.genericIconName == QLatin1String("folder");
    const QIcon fallback =
        QApplication::style()->standardIcon(folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    QIcon icon = QIcon::fromTheme(image.iconName, QIcon::fromTheme(image.genericIconName, fallback));
    cache.insert(key, icon);
    return icon;
}

QImage thumbnail(const std::optional<Image> &image)
{
    return image && image->thumbnail ? image->thumbnail->image() : QImage();
}

QIcon themed(const char *name, int standardPixmap)
{
    return QIcon::fromTheme(QString::fromLatin1(name),
                            QApplication::style()->standardIcon(QStyle::StandardPixmap(standardPixmap)));
}

} // namespace RowPictures
