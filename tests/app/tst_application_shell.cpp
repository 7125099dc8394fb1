// Start-up and shutdown of the desktop application, and the date transformer its lists use.
#include "app/AppDelegate.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"
#include "platform/ValueTransformer.h"
#include "support/TestSupport.h"

#include "app/MainWindow.h"
#include <QApplication>

class TestApplicationShell : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dateTransformerShowsTwoBlanksBeforeTheTime()
    {
        AppDelegate delegate;
        delegate.applicationDidFinishLaunching();
        const auto transformer =
            ValueTransformer::valueTransformerForName(QStringLiteral("NSDateToStringValueTransformer"));
        QVERIFY(transformer);
        const QDateTime moment(QDate(2013, 5, 1), QTime(14, 3, 9));
        QCOMPARE(transformer->transformedValue(moment).toString(), QStringLiteral("2013-05-01  14:03:09"));
        QVERIFY(!transformer->transformedValue(QVariant()).isValid());
        QVERIFY(!transformer->reverseTransformedValue(QStringLiteral("2013-05-01  14:03:09")).isValid());
        // Registering the defaults stored nothing.
        QVERIFY(
            !QFile::exists(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/quenby/twinsift.ini")));
        QCOMPARE(UserDefaults::standard().integerForKey(SettingsKeys::fastScanSize), 20);
    }

    void closingTheMainWindowQuitsThroughTheShutdownSteps()
    {
        AppDelegate delegate;
        delegate.applicationDidFinishLaunching();
        UserDefaults::standard().setBool(true, SettingsKeys::cleanFolderCheckbox);
        UserDefaults::standard().setBool(true, SettingsKeys::cleanTypeCheckbox);
        QVERIFY(delegate.window()->isVisible());
        bool quitRequested = false;
        QTimer::singleShot(0, delegate.window(), [&] { delegate.window()->close(); });
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
        connect(qApp, &QCoreApplication::aboutToQuit, this, [&] { quitRequested = true; });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(quitRequested);
        UserDefaults::standard().reloadFromDisk();
        QCOMPARE(UserDefaults::standard().boolForKey(SettingsKeys::cleanFolderCheckbox), false);
        QCOMPARE(UserDefaults::standard().boolForKey(SettingsKeys::cleanTypeCheckbox), false);
    }
};

TWINSIFT_TEST_MAIN(TestApplicationShell, QApplication)
#include "tst_application_shell.moc"
