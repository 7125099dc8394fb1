#pragma once

#include "platform/Image.h"

#include <QIcon>
#include <QImage>

#include <optional>

// Turns the engine's pictures into what the window draws, on the GUI thread: a themed icon (the
// item's own, else its kind's, else one built into Qt), or the thumbnail's decoded picture.
namespace RowPictures {

QIcon icon(const Image &image);
// The thumbnail, or a null image when the picture is an icon.
QImage thumbnail(const std::optional<Image> &image);
// An icon from the desktop's theme, else the one of Qt's own that stands for the same thing.
QIcon themed(const char *name, int standardPixmap);
// The padlock of protected sources and files; Qt has none of its own, so one is drawn where the
// theme lacks it (a warning sign would say something else).
QIcon padlock();

} // namespace RowPictures
