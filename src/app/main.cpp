#include "app/AppDelegate.h"
#include "app/Thumbnails.h"
#include "platform/StringTable.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("twinsift"));
    QApplication::setOrganizationName(QStringLiteral("quenby"));
    QApplication::setApplicationVersion(QStringLiteral(TWINSIFT_VERSION));
    StringTable::install();
    Thumbnails::install();
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    return app.exec();
}
