#include "app/FreedesktopServices.h"

#include "platform/StringTable.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QStringList>

namespace {

QUrl qurlOf(const Url &url)
{
    return QUrl::fromEncoded(Desktop::fileUri(url), QUrl::StrictMode);
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
    if (urls.isEmpty())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return openFolderOf(urls.first());
    QStringList uris;
    for (const Url &url : urls)
        uris.append(QString::fromLatin1(Desktop::fileUri(url)));
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << uris << QString();
    // A file manager being started for the call may take seconds: the window does not wait for it.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), &m_calls);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [this, first = urls.first()](QDBusPendingCallWatcher *answered) {
                         answered->deleteLater();
                         if (answered->isError())
                             openFolderOf(first);
                     });
}

void FreedesktopServices::openFolderOf(const Url &url)
{
    const Url folder = url.parent();
    if (!folder.isNull() && QDesktopServices::openUrl(qurlOf(folder)))
        return;
    if (m_report)
        //% "No file manager shows %1."
        m_report(StringTable::text("NO_FILE_MANAGER").arg(url.displayPath()));
}
