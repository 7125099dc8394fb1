#include "app/RowPictures.h"

#include "app/Thumbnails.h"

#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
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

QIcon padlock()
{
    if (QIcon::hasThemeIcon(QStringLiteral("object-locked")))
        return QIcon::fromTheme(QStringLiteral("object-locked"));
    static const QIcon drawn = [] {
        QIcon icon;
        for (const int side : {16, 24, 32}) {
            QPixmap pixmap(side, side);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            const QColor ink = QApplication::palette().color(QPalette::WindowText);
            const qreal unit = side / 16.0;
            painter.setPen(QPen(ink, 1.6 * unit));
            painter.setBrush(Qt::NoBrush);
            QPainterPath shackle;
            shackle.moveTo(5 * unit, 8 * unit);
            shackle.lineTo(5 * unit, 5.5 * unit);
            shackle.arcTo(QRectF(5 * unit, 2 * unit, 6 * unit, 6 * unit), 180, -180);
            shackle.lineTo(11 * unit, 8 * unit);
            painter.drawPath(shackle);
            painter.setPen(Qt::NoPen);
            painter.setBrush(ink);
            painter.drawRoundedRect(QRectF(3 * unit, 7.5 * unit, 10 * unit, 7 * unit), unit, unit);
            painter.end();
            icon.addPixmap(pixmap);
        }
        return icon;
    }();
    return drawn;
}

} // namespace RowPictures
