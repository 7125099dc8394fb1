#pragma once

#include <QImage>

// A decoded picture of a file's content, scaled to fit the size asked for.
class Thumbnail
{
public:
    explicit Thumbnail(QImage image) : m_image(std::move(image)) {}
    const QImage &image() const { return m_image; }

private:
    QImage m_image;
};

namespace Thumbnails {

// Lets the file-system service make thumbnails: pictures are decoded here, on the side of the
// application that links the GUI libraries. Call once at start-up, before any queue asks for one.
void install();

} // namespace Thumbnails
