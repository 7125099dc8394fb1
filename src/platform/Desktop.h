#pragma once

#include "platform/Url.h"

#include <QByteArray>
#include <QList>
#include <QUrl>

namespace Desktop {

// The "file://" URI of a byte path, written as GLib writes it: every byte other than letters,
// digits and -._~!$&'()*+,:=@/ is percent-encoded in upper-case hex. File managers and the
// freedesktop thumbnail cache identify files by this exact text, so it must not depend on whether
// the name is valid UTF-8. Any thread.
QByteArray fileUri(const Url &url);

} // namespace Desktop

// The desktop's services for files and web pages: the default application, the file browser, the web
// browser. The window side provides them; the engine asks for them through this interface, so that it
// runs without a display and tests can see what was asked. Main thread only.
class DesktopServices
{
public:
    virtual ~DesktopServices() = default;

    // Opens the item with the application the desktop chose for its type; false when none could start.
    virtual bool openFile(const Url &url) = 0;
    virtual bool openWebPage(const QUrl &url) = 0;
    // Shows the items selected in the file browser.
    virtual void revealItems(const QList<Url> &urls) = 0;
};
