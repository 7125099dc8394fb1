// The settings store: registered defaults, stored values that win over them unless damaged, values for
// one run, stored values left aside, and what survives a restart. Shutting down is the application
// shell's test.
#include "app/ApplicationLifecycle.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"


namespace {

QString settingsFile()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/quenby/twinsift.ini");
}

// What a new start of the application sees, with the settings file holding the given lines if any.
UserDefaults &restart(const QByteArray &fileLines = QByteArray())
{
    if (!fileLines.isNull()) {
        QDir().mkpath(QFileInfo(settingsFile()).path());
        TestFs::writeFile(Url::fromLocalPath(settingsFile()), "[General]\n" + fileLines);
    }
    UserDefaults &defaults = UserDefaults::standard();
    defaults.reloadFromDisk();
    ApplicationLifecycle::registerDefaultsAndTransformers();
    return defaults;
}

} // namespace

class TestUserDefaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstStartReadsRegisteredDefaults()
    {
        UserDefaults &defaults = restart();
        QVERIFY(defaults.boolForKey(SettingsKeys::cleanDateCheckbox) &&
                !defaults.boolForKey(SettingsKeys::cleanFolderCheckbox));
        QVERIFY(defaults.boolForKey(SettingsKeys::fastScanOption) &&
                defaults.boolForKey(SettingsKeys::scanTypeAll));
        QCOMPARE(defaults.integerForKey(SettingsKeys::fastScanSize), 20);
        QCOMPARE(defaults.doubleForKey(SettingsKeys::onlyFileSizeValue), 0.0);
        QCOMPARE(defaults.objectForKey(SettingsKeys::onlyFileSizeValue).typeId(), int(QMetaType::Double));
        QCOMPARE(SettingsKeys::registeredDefaults().size(), 20);
        // Token lists and unknown keys have no registered default.
        QVERIFY(!defaults.stringArrayForKey(SettingsKeys::pictureTokens));
        QVERIFY(!defaults.objectForKey(QStringLiteral("NO_SUCH_KEY")).isValid());
        QVERIFY(defaults.integerForKey(QStringLiteral("NO_SUCH_KEY")) == 0 &&
                !defaults.boolForKey(QStringLiteral("NO")));
    }

    void storedValuesWinAndSurviveARestart()
    {
        UserDefaults &defaults = restart();
        defaults.setInteger(7, SettingsKeys::fastScanSize);
        defaults.setBool(false, SettingsKeys::cleanDateCheckbox);
        defaults.setDouble(1.5, SettingsKeys::onlyFileSizeValue);
        defaults.setObject(QStringList{QStringLiteral("a"), QStringLiteral("b, c")},
                           SettingsKeys::documentTokens);
        defaults.setObject(QStringList(), SettingsKeys::musicTokens);
        defaults.setObject(QStringLiteral("jpg"), SettingsKeys::archiveTokens);
        QVERIFY(defaults.synchronize());
        restart();
        QCOMPARE(defaults.integerForKey(SettingsKeys::fastScanSize), 7);
        QCOMPARE(defaults.boolForKey(SettingsKeys::cleanDateCheckbox), false);
        QCOMPARE(defaults.doubleForKey(SettingsKeys::onlyFileSizeValue), 1.5);
        QCOMPARE(defaults.stringArrayForKey(SettingsKeys::documentTokens), QStringList({"a", "b, c"}));
        QCOMPARE(defaults.stringArrayForKey(SettingsKeys::musicTokens), QStringList());
        // A text is not a list.
        QVERIFY(!defaults.stringArrayForKey(SettingsKeys::archiveTokens));
        // Registering again never overwrites what was stored; removing it brings the default back.
        ApplicationLifecycle::registerDefaultsAndTransformers();
        QCOMPARE(defaults.integerForKey(SettingsKeys::fastScanSize), 7);
        defaults.removeObjectForKey(SettingsKeys::fastScanSize);
        QCOMPARE(defaults.integerForKey(SettingsKeys::fastScanSize), 20);
    }

    void damagedValuesCountAsAbsent_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<qint64>("fastScanSize");
        QTest::addColumn<double>("minimumSize");
        QTest::addColumn<bool>("scanAll");
        // Sizes outside their range, texts that are no numbers, and no booleans fall back to the defaults.
        QTest::newRow("texts") << QByteArray("abc") << qint64(20) << 0.0 << true;
        QTest::newRow("negative") << QByteArray("-5") << qint64(20) << 0.0 << true;
        QTest::newRow("too large") << QByteArray("1e30") << qint64(20) << 0.0 << true;
        QTest::newRow("infinite") << QByteArray("inf") << qint64(20) << 0.0 << true;
        QTest::newRow("not a number") << QByteArray("nan") << qint64(20) << 0.0 << true;
        QTest::newRow("just too large") << QByteArray("8796093022208.5") << qint64(20) << 0.0 << true;
        QTest::newRow("largest") << QByteArray("8796093022207") << SettingsKeys::maxFastScanSizeMiB
                                 << 8796093022207.0 << true;
        QTest::newRow("fraction") << QByteArray("1.5") << qint64(20) << 1.5 << true;
        QTest::newRow("zero") << QByteArray("0") << qint64(0) << 0.0 << false;
        QTest::newRow("a whole number written as a fraction")
            << QByteArray(" 7.0 ") << qint64(7) << 7.0 << true;
    }

    void damagedValuesCountAsAbsent()
    {
        QFETCH(QByteArray, stored);
        QFETCH(qint64, fastScanSize);
        QFETCH(double, minimumSize);
        QFETCH(bool, scanAll);
        UserDefaults &defaults =
            restart("FAST_SCAN_SIZE_KEY=" + stored + "\nONLY_FILE_SIZE_VALUE_KEY=" + stored +
                    "\nSCAN_FILE_TYPE_ALL=" + stored + "\n");
        QCOMPARE(defaults.integerForKey(SettingsKeys::fastScanSize), fastScanSize);
        QCOMPARE(defaults.doubleForKey(SettingsKeys::onlyFileSizeValue), minimumSize);
        QCOMPARE(defaults.boolForKey(SettingsKeys::scanTypeAll), scanAll);
        QFile::remove(settingsFile());
    }

    void volatileAndIgnoredValuesAreNeverStored()
    {
        UserDefaults &defaults = restart("SCAN_FILE_TYPE_ALL=false\nFAST_SCAN_SIZE_KEY=3\n");
        defaults.setVolatile(true, SettingsKeys::scanTypeAll);
        QCOMPARE(defaults.boolForKey(SettingsKeys::scanTypeAll), true);
        QCOMPARE(defaults.integerForKey(SettingsKeys::fastScanSize), 3);
        // Left aside, the stored values read as the defaults, and the file is not touched.
        defaults.ignoreStoredValues();
        QCOMPARE(defaults.integerForKey(SettingsKeys::fastScanSize), 20);
        defaults.setInteger(9, SettingsKeys::cleanDate);
        QVERIFY(defaults.synchronize());
        restart();
        QCOMPARE(defaults.boolForKey(SettingsKeys::scanTypeAll), false);
        QCOMPARE(defaults.integerForKey(SettingsKeys::fastScanSize), 3);
        QCOMPARE(defaults.integerForKey(SettingsKeys::cleanDate), 0);
        QFile::remove(settingsFile());
    }


};

TWINSIFT_TEST_MAIN(TestUserDefaults, QCoreApplication)
#include "tst_user_defaults.moc"
