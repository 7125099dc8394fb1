#pragma once

#include <QString>

#include <memory>

class Thumbnail;

// A picture for a row of a list: a themed icon named after the item's type, or a thumbnail of its
// content. Plain data, so it may be made on any thread; the window side turns it into a QIcon or a
// QPixmap. A thumbnail is a decoded picture, which only the window side can make and draw: to the
// engine it is opaque.
struct Image
{
    // The freedesktop icon name (for example "text-plain" or "folder"); used when there is no thumbnail.
    QString iconName;
    // The icon of the item's broader kind ("image-x-generic"), for themes that lack iconName.
    QString genericIconName;
    std::shared_ptr<const Thumbnail> thumbnail;

    bool isThumbnail() const { return thumbnail != nullptr; }
};
