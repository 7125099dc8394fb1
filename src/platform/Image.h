#pragma once

#include <QImage>
#include <QString>

// A picture for a row of a list: a themed icon named after the item's type, or a thumbnail of its
// content. Plain data, so it may be made on any thread; the GUI turns it into a QIcon or QPixmap.
struct Image
{
    // The freedesktop icon name (for example "text-plain" or "folder"); used when thumbnail is null.
    QString iconName;
    // The icon of the item's broader kind ("image-x-generic"), for themes that lack iconName.
    QString genericIconName;
    QImage thumbnail;

    bool isThumbnail() const { return !thumbnail.isNull(); }
};
