#include "app/AppDelegate.h"
#include "app/Thumbnails.h"
#include "platform/StringTable.h"

#include <QApplication>
#include <QDirIterator>
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

} // namespace

int main(int argc, char *argv[])
{
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
    return app.exec();
}
