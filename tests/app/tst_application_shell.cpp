// Start-up and shutdown of the desktop application, the date transformer its lists use, the web pages
// it opens, and the rate panel's schedule.
#include "AppTestSupport.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "app/NSDateToStringValueTransformer.h"
#include "app/RatePanelController.h"
#include "app/WebPages.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QPushButton>

class TestApplicationShell : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dateTransformerAndWebPages()
    {
        auto desktop = std::make_unique<RecordingDesktop>();
        RecordingDesktop &pages = *desktop;
        AppDelegate delegate(std::move(desktop));
        delegate.applicationDidFinishLaunching();
        const auto transformer = std::make_unique<NSDateToStringValueTransformer>();
        const QDateTime moment(QDate(2013, 5, 1), QTime(14, 3, 9));
        QCOMPARE(transformer->transformedValue(moment).toString(), QStringLiteral("2013-05-01  14:03:09"));
        QVERIFY(!transformer->transformedValue(QVariant()).isValid());
        QVERIFY(!transformer->reverseTransformedValue(QStringLiteral("2013-05-01  14:03:09")).isValid());
        // Registering the defaults stored nothing.
        QVERIFY(
            !QFile::exists(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/quenby/twinsift.ini")));
        delegate.window()->helpAction()->trigger();
        delegate.window()->productsAction()->trigger();
        QCOMPARE(pages.pages, QList<QUrl>({WebPages::help(), WebPages::products()}));
    }

    void ratePanelComesAtChecks15And20UntilRated()
    {
        RecordingDesktop desktop;
        QWidget window;
        window.show();
        RatePanelController controller(&window, desktop);
        UserDefaults &defaults = UserDefaults::standard();
        defaults.setInteger(13, SettingsKeys::appLaunchTimes);
        // Each check, and the button pressed if the panel shows.
        const struct
        {
            qint64 count;
            const char *button;
        } checks[] = {{14, nullptr},   {15, "later"}, {16, nullptr}, {19, nullptr},
                      {20, "rateNow"}, {20, nullptr}, {20, nullptr}};
        for (const auto &check : checks) {
            if (check.count == 19)
                defaults.setInteger(18, SettingsKeys::appLaunchTimes);
            bool shown = false;
            // Runs inside the panel's modal loop when it shows; never otherwise.
            QTimer press;
            press.setSingleShot(true);
            connect(&press, &QTimer::timeout, this, [&] {
                shown = controller.ratePanel()->isVisible() && controller.ratePanel()->isModal();
                controller.ratePanel()->findChild<QPushButton *>(QString::fromLatin1(check.button))->click();
            });
            if (check.button)
                press.start(0);
            controller.showRatePanel();
            press.stop();
            QCOMPARE(shown, check.button != nullptr);
            QCOMPARE(defaults.integerForKey(SettingsKeys::appLaunchTimes), check.count);
        }
        QCOMPARE(desktop.pages, QList<QUrl>({WebPages::rate()}));
        QVERIFY(defaults.boolForKey(SettingsKeys::showedRatePanel));
        defaults.removeObjectForKey(SettingsKeys::showedRatePanel);
        defaults.removeObjectForKey(SettingsKeys::appLaunchTimes);
    }

    void closingTheMainWindowQuitsThroughTheShutdownSteps()
    {
        AppDelegate delegate(std::make_unique<RecordingDesktop>());
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
        // The window's size and dividers were kept for the next start.
        QVERIFY(UserDefaults::standard().objectForKey(SettingsKeys::mainWindowSplitter).isValid());
    }
};

TWINSIFT_TEST_MAIN(TestApplicationShell, QApplication)
#include "tst_application_shell.moc"
