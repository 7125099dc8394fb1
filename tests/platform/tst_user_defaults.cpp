// The settings store: registered defaults, stored values that win over them unless damaged, values for
// one run, stored values left aside, and what survives a restart. Shutting down is the application
// shell's test.
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <fcntl.h>

namespace {

QString settingsFile()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/quenby/twinsift.ini");
}

// What a new start of the application sees, with the settings file holding the given lines if any.
UserDefaults &restart(const QByteArray &fileLines = QByteArray())
{
    const Url file = Url::fromLocalPath(settingsFile());
    if (!fileLines.isNull()) {
        QDir().mkpath(QFileInfo(settingsFile()).path());
        TestFs::writeFile(file, "[General]\n" + fileLines);
    }
    // QSettings keeps the values it wrote or read, with their types, for as long as the file's size and
    // time stay the same; a new time each start makes it parse the text as a new process would.
    static time_t start = 1000000000;
    const timespec times[2] = {{++start, 0}, {start, 0}};
    ::utimensat(AT_FDCWD, file.c_str(), times, 0);
    UserDefaults &defaults = UserDefaults::standard();
    defaults.reloadFromDisk();
    SettingsKeys::registerDefaults();
    return defaults;
}

} // namespace

class TestUserDefaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void storedValuesWinAndSurviveARestart()
    {
        // Registered defaults until something is stored; unknown keys and token lists have none.
        UserDefaults &defaults = restart();
        QVERIFY(!defaults.stringArrayForKey(SettingsKeys::pictureTokens));
        QVERIFY(!defaults.objectForKey(QStringLiteral("NO_SUCH_KEY")).isValid());
        QVERIFY(defaults.integerForKey(QStringLiteral("NO_SUCH_KEY")) == 0 &&
                !defaults.boolForKey(QStringLiteral("NO")));
        defaults.setInteger(7, SettingsKeys::fastScanSize);
        defaults.setBool(false, SettingsKeys::cleanDateCheckbox);
        defaults.setDouble(1.5, SettingsKeys::onlyFileSizeValue);
        defaults.setObject(QStringLiteral("jpg"), SettingsKeys::archiveTokens);
        QVERIFY(defaults.synchronize());
        restart();
        QCOMPARE(defaults.integerForKey(SettingsKeys::fastScanSize), 7);
        QCOMPARE(defaults.boolForKey(SettingsKeys::cleanDateCheckbox), false);
        QCOMPARE(defaults.doubleForKey(SettingsKeys::onlyFileSizeValue), 1.5);
        // A text is not a list.
        QVERIFY(!defaults.stringArrayForKey(SettingsKeys::archiveTokens));
        // Registering again never overwrites what was stored; removing it brings the default back.
        SettingsKeys::registerDefaults();
        QCOMPARE(defaults.integerForKey(SettingsKeys::fastScanSize), 7);
        defaults.removeObjectForKey(SettingsKeys::fastScanSize);
        QCOMPARE(defaults.integerForKey(SettingsKeys::fastScanSize), 20);
    }

    void listsSurviveARestart_data()
    {
        QTest::addColumn<QStringList>("list");
        QTest::newRow("none") << QStringList();
        QTest::newRow("one") << QStringList{QStringLiteral("heic")};
        QTest::newRow("one empty") << QStringList{QString()};
        QTest::newRow("one with a comma and spaces") << QStringList{QStringLiteral(" a, b ")};
        QTest::newRow("two, not ASCII")
            << QStringList{QStringLiteral("r\u00e5"), QStringLiteral("\u6587,\u4ef6")};
    }

    void listsSurviveARestart()
    {
        QFETCH(QStringList, list);
        UserDefaults &defaults = restart();
        defaults.setObject(list, SettingsKeys::pictureTokens);
        QVERIFY(defaults.synchronize());
        QCOMPARE(restart().stringArrayForKey(SettingsKeys::pictureTokens), list);
        defaults.removeObjectForKey(SettingsKeys::pictureTokens);
        QVERIFY(defaults.synchronize());
        QVERIFY(!restart().stringArrayForKey(SettingsKeys::pictureTokens));
    }

    void damagedValuesCountAsAbsent_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<qint64>("fastScanSize");
        QTest::addColumn<double>("minimumSize");
        QTest::addColumn<bool>("scanAll");
        // Sizes outside their range, texts that are no numbers, and no booleans fall back to the defaults.
        // (The command-line tests store more such values and check what a scan makes of them.)
        const auto row = [](const char *tag, const char *stored, qint64 fastScanSize, double minimum,
                            bool all) {
            QTest::newRow(tag) << QByteArray(stored) << fastScanSize << minimum << all;
        };
        row("text", "abc", 20, 0.0, true);
        row("not a number", "nan", 20, 0.0, true);
        row("just too large", "8796093022208.5", 20, 0.0, true);
        row("largest", "8796093022207", SettingsKeys::maxFastScanSizeMiB, 8796093022207.0, true);
        row("fraction", "1.5", 20, 1.5, true);
        row("zero", "0", 0, 0.0, false);
        row("a whole number written as a fraction", " 7.0 ", 7, 7.0, true);
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
