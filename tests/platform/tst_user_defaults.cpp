// The settings store: registered defaults, stored values that win over them, values for one run,
// and what survives a restart.
#include "app/ApplicationLifecycle.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <thread>
#include <vector>

class TestUserDefaults : public QObject
{
    Q_OBJECT

    // What a new start of the application sees.
    static UserDefaults &restart()
    {
        UserDefaults &defaults = UserDefaults::standard();
        defaults.reloadFromDisk();
        ApplicationLifecycle::registerDefaultsAndTransformers();
        return defaults;
    }

private Q_SLOTS:
    void firstStartReadsRegisteredDefaults()
    {
        UserDefaults &defaults = restart();
        QCOMPARE(defaults.boolForKey(SettingsKeys::cleanDateCheckbox), true);
        QCOMPARE(defaults.boolForKey(SettingsKeys::cleanFolderCheckbox), false);
        QCOMPARE(defaults.integerForKey(SettingsKeys::fastScanSize), 20);
        QCOMPARE(defaults.boolForKey(SettingsKeys::fastScanOption), true);
        QCOMPARE(defaults.boolForKey(SettingsKeys::scanTypeAll), true);
        QCOMPARE(defaults.doubleForKey(SettingsKeys::onlyFileSizeValue), 0.0);
        QCOMPARE(defaults.objectForKey(SettingsKeys::onlyFileSizeValue).typeId(), int(QMetaType::Double));
        QCOMPARE(defaults.objectForKey(SettingsKeys::fastScanSize).typeId(), int(QMetaType::LongLong));
        QCOMPARE(SettingsKeys::registeredDefaults().size(), 20);
        // Token lists have no registered default.
        QVERIFY(!defaults.stringArrayForKey(SettingsKeys::pictureTokens));
        QVERIFY(!defaults.objectForKey(QStringLiteral("NO_SUCH_KEY")).isValid());
        QCOMPARE(defaults.integerForKey(QStringLiteral("NO_SUCH_KEY")), 0);
        QCOMPARE(defaults.boolForKey(QStringLiteral("NO_SUCH_KEY")), false);
    }

    void storedValuesWinAndSurviveARestart()
    {
        UserDefaults &defaults = restart();
        defaults.setInteger(7, SettingsKeys::fastScanSize);
        defaults.setBool(false, SettingsKeys::cleanDateCheckbox);
        defaults.setDouble(1.5, SettingsKeys::onlyFileSizeValue);
        defaults.setObject(QStringList{QStringLiteral("RAW")}, SettingsKeys::pictureTokens);
        defaults.setObject(QStringList{QStringLiteral("a"), QStringLiteral("b, c")},
                           SettingsKeys::documentTokens);
        defaults.setObject(QStringList(), SettingsKeys::musicTokens);
        QVERIFY(defaults.synchronize());

        restart();
        QCOMPARE(defaults.integerForKey(SettingsKeys::fastScanSize), 7);
        QCOMPARE(defaults.boolForKey(SettingsKeys::cleanDateCheckbox), false);
        QCOMPARE(defaults.doubleForKey(SettingsKeys::onlyFileSizeValue), 1.5);
        QCOMPARE(defaults.stringArrayForKey(SettingsKeys::pictureTokens), QStringList{QStringLiteral("RAW")});
        QCOMPARE(defaults.stringArrayForKey(SettingsKeys::documentTokens),
                 QStringList({QStringLiteral("a"), QStringLiteral("b, c")}));
        QCOMPARE(defaults.stringArrayForKey(SettingsKeys::musicTokens), QStringList());
        // Registering again never overwrites what was stored.
        ApplicationLifecycle::registerDefaultsAndTransformers();
        QCOMPARE(defaults.integerForKey(SettingsKeys::fastScanSize), 7);
        defaults.removeObjectForKey(SettingsKeys::fastScanSize);
        QCOMPARE(defaults.integerForKey(SettingsKeys::fastScanSize), 20);
    }

    void aStoredTextIsNotAList()
    {
        UserDefaults &defaults = restart();
        defaults.setObject(QStringLiteral("jpg"), SettingsKeys::archiveTokens);
        QVERIFY(!defaults.stringArrayForKey(SettingsKeys::archiveTokens));
        defaults.synchronize();
        restart();
        QVERIFY(!defaults.stringArrayForKey(SettingsKeys::archiveTokens));
    }

    void volatileValuesAreNeverStored()
    {
        UserDefaults &defaults = restart();
        defaults.setVolatile(false, SettingsKeys::scanTypeAll);
        QCOMPARE(defaults.boolForKey(SettingsKeys::scanTypeAll), false);
        defaults.setBool(true, SettingsKeys::scanTypeAll);
        QCOMPARE(defaults.boolForKey(SettingsKeys::scanTypeAll), false);
        defaults.synchronize();
        restart();
        QCOMPARE(defaults.boolForKey(SettingsKeys::scanTypeAll), true);
    }

    void shutDownSwitchesTheTaskRulesOff()
    {
        UserDefaults &defaults = restart();
        defaults.setBool(true, SettingsKeys::cleanFolderCheckbox);
        defaults.setBool(true, SettingsKeys::cleanTypeCheckbox);
        defaults.setBool(false, SettingsKeys::cleanDateCheckbox);
        defaults.setInteger(1, SettingsKeys::moveToTrash);
        ApplicationLifecycle::shutDown();

        restart();
        QCOMPARE(defaults.boolForKey(SettingsKeys::cleanFolderCheckbox), false);
        QCOMPARE(defaults.boolForKey(SettingsKeys::cleanTypeCheckbox), false);
        QCOMPARE(defaults.boolForKey(SettingsKeys::cleanDateCheckbox), false);
        QCOMPARE(defaults.integerForKey(SettingsKeys::moveToTrash), 1);
        // The file is where desktop tools look for it.
        const QString file = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/quenby/twinsift.ini");
        QVERIFY2(QFile::exists(file), qPrintable(file));
    }

    void readableFromManyThreadsAtOnce()
    {
        UserDefaults &defaults = restart();
        std::atomic<int> wrong{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&, t] {
                for (int i = 0; i < 2000; ++i) {
                    if (t == 0)
                        defaults.setInteger(i % 3 + 1, SettingsKeys::cleanDate);
                    const qint64 value = defaults.integerForKey(SettingsKeys::cleanDate);
                    if (value < 0 || value > 3)
                        ++wrong;
                }
            });
        }
        for (std::thread &thread : threads)
            thread.join();
        QCOMPARE(wrong.load(), 0);
    }
};

TWINSIFT_TEST_MAIN(TestUserDefaults, QCoreApplication)
#include "tst_user_defaults.moc"
