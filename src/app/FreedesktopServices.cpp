#include "app/FreedesktopServices.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QStringList>

namespace {

QUrl qurlOf(const Url &url)
{
    return QUrl::fromEncoded(Desktop::fileUri(url), QUrl::StrictMode);
}

// Asks a running (or activatable) file manager to select the items; false when none answered.
bool showItemsOverDBus(const QList<Url> &urls)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QStringList uris;
    for (const Url &url : urls)
        uris.append(QString::fromLatin1(Desktop::fileUri(url)));
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << uris << QString();
    // Short, so that a missing file manager does not freeze the window for the D-Bus default.
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace

bool FreedesktopServices::openFile(const Url &url)
{
    return !url.isNull() && QDesktopServices::openUrl(qurlOf(url));
}

bool FreedesktopServices::openWebPage(const QUrl &url)
{
    return url.isValid() && QDesktopServices::openUrl(url);
}

void FreedesktopServices::revealItems(const QList<Url> &urls)
{
    if (urls.isEmpty() || showItemsOverDBus(urls))
        return;
    const Url folder = urls.first().parent();
    if (!folder.isNull())
        QDesktopServices::openUrl(qurlOf(folder));
}
