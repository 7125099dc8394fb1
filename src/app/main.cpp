#include "app/AppDelegate.h"
#include "app/Thumbnails.h"
#include "platform/MemoryArenas.h"
#include "platform/StringTable.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QIcon>

namespace {

// The installed icon from the theme, else the sizes built into the program (run from the build folder).
QIcon applicationIcon()
{
    QIcon bundled;
    QDirIterator sizes(QStringLiteral(":/icons"), QDir::Files, QDirIterator::Subdirectories);
    while (sizes.hasNext())
        bundled.addFile(sizes.next());
    return QIcon::fromTheme(QStringLiteral("com.quenby.TwinSift"), bundled);
}

// The paths left on the command line once Qt took its own options, as native bytes made absolute, as
// a file manager's drop carries them.
QList<QByteArray> pathArguments(int argc, char *argv[])
{
    QList<QByteArray> paths;
    const QByteArray here = QFile::encodeName(QDir::currentPath());
    for (int i = 1; i < argc; ++i) {
        QByteArray path(argv[i]);
        if (path.isEmpty())
            continue;
        paths.append(path.startsWith('/') ? path : here + '/' + path);
    }
    return paths;
}

} // namespace

int main(int argc, char *argv[])
{
    limitMemoryArenasToCores();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("twinsift"));
    QApplication::setOrganizationName(QStringLiteral("quenby"));
    QApplication::setApplicationVersion(QStringLiteral(TWINSIFT_VERSION));
    // Names the desktop entry, so that Wayland compositors and task bars match the window to it.
    QApplication::setDesktopFileName(QStringLiteral("com.quenby.TwinSift"));
    QApplication::setWindowIcon(applicationIcon());
    StringTable::installForUserLanguages();
    Thumbnails::install();
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    delegate.openPaths(pathArguments(argc, argv));
    return app.exec();
}
