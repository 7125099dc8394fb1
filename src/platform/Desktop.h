#pragma once

#include "platform/Url.h"

#include <QByteArray>
#include <QList>
#include <QUrl>

// The desktop's services for files and web pages: the default application, the file browser, the
// web browser. fileUri() may be called from any thread, the others only on the GUI thread.
namespace Desktop {

// The "file://" URI of a byte path, written as GLib writes it: every byte other than letters,
// digits and -._~!$&'()*+,:=@/ is percent-encoded in upper-case hex. File managers and the
// freedesktop thumbnail cache identify files by this exact text, so it must not depend on whether
// the name is valid UTF-8.
QByteArray fileUri(const Url &url);

// Opens the item with the application the desktop chose for its type; false when none could start.
bool openFile(const Url &url);
bool openWebPage(const QUrl &url);
// Shows the items selected in the file browser; when no file browser answers over D-Bus, opens
// the folder of the first item instead.
void revealItems(const QList<Url> &urls);

} // namespace Desktop
