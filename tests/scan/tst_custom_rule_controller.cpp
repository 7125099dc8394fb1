// Which files a scan takes in and under which category name they are shown, by the user's extension
// lists first, in a fixed category order, then by the files' types.
#include "fs/FileManagerProxy.h"
#include "model/MyTreeNode.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"
#include "scan/CustomRuleController.h"
#include "support/TestSupport.h"

namespace {

struct Category
{
    const char *name;
    const QString &switchKey;
    const QString &tokenKey;
};

const Category categories[] = {
    {"document", SettingsKeys::scanTypeDocument, SettingsKeys::documentTokens},
    {"movie", SettingsKeys::scanTypeMovie, SettingsKeys::movieTokens},
    {"music", SettingsKeys::scanTypeMusic, SettingsKeys::musicTokens},
    {"picture", SettingsKeys::scanTypePicture, SettingsKeys::pictureTokens},
    {"archive", SettingsKeys::scanTypeArchive, SettingsKeys::archiveTokens},
};

UserDefaults &defaults()
{
    return UserDefaults::standard();
}

} // namespace

class TestCustomRuleController : public QObject
{
    Q_OBJECT

    TemporaryTree m_dir;
    MyTreeNode::Ptr file(const QByteArray &name)
    {
        static const QHash<QByteArray, QByteArray> contents = {{"notes.txt", "plain words\n"},
                                                               {"LICENSE", "plain words\n"}};
        const Url url = m_dir.url().child(name);
        if (name.endsWith(".app")) {
            TestFs::makeDir(url);
            TestFs::writeFile(url.child("run"), "#!/bin/sh\n");
        } else {
            TestFs::writeFile(url, contents.value(name, QByteArray("\x00\x01\x02\xff", 4)));
        }
        return MyTreeNode::initWithURL(url);
    }

private Q_SLOTS:
    void initTestCase()
    {
        SettingsKeys::registerDefaults();
        StringTable::install();
        QVERIFY2(StringTable::text("OTHERS_STRING") != QLatin1String("OTHERS_STRING"),
                 "the string table is missing");
    }

    void rules_data()
    {
        QTest::addColumn<QByteArray>("name");
        // "category=token,token;..." for the lists; "category=*" stores a text instead of a list.
        QTest::addColumn<QString>("lists");
        // The switched-on categories; "all" for the master switch alone.
        QTest::addColumn<QString>("switches");
        QTest::addColumn<bool>("scanned");
        // The key of the category's display name.
        QTest::addColumn<QString>("category");

        // By type alone, each switch takes only its own category.
        QTest::newRow("text, documents on") << QByteArray("notes.txt") << ""
                                            << "document" << true << "DOCUMENT_STRING";
        QTest::newRow("text, movies on") << QByteArray("notes.txt") << ""
                                         << "movie" << false << "DOCUMENT_STRING";
        QTest::newRow("movie") << QByteArray("clip.mp4") << ""
                               << "movie" << true << "MOVIE_STRING";
        QTest::newRow("music") << QByteArray("song.mp3") << ""
                               << "music" << true << "MUSIC_STRING";
        QTest::newRow("picture") << QByteArray("pic.png") << ""
                                 << "picture" << true << "IMAGE_STRING";
        QTest::newRow("archive") << QByteArray("pack.zip") << ""
                                 << "archive" << true << "ARCHIEVE_STRING";
        QTest::newRow("others, every switch on")
            << QByteArray("blob.bin") << ""
            << "document,movie,music,picture,archive" << false << "OTHERS_STRING";
        QTest::newRow("others, master switch") << QByteArray("blob.bin") << ""
                                               << "all" << true << "OTHERS_STRING";
        // Applications are named, never scanned by category; a list names a file before that test.
        QTest::newRow("program") << QByteArray("setup.exe") << ""
                                 << "document,movie,music,picture,archive" << false << "APPLICATION_STRING";
        QTest::newRow("bundle") << QByteArray("Tool.app") << ""
                                << "document,movie,music,picture,archive" << false << "APPLICATION_STRING";
        QTest::newRow("program listed") << QByteArray("setup.exe") << "archive=exe"
                                        << "archive" << true << "ARCHIEVE_STRING";
        // The first matching list decides, before every type test, without falling through.
        QTest::newRow("listed elsewhere, own switch on") << QByteArray("pic.png") << "movie=png"
                                                         << "picture" << false << "MOVIE_STRING";
        QTest::newRow("listed elsewhere, that switch on") << QByteArray("pic.png") << "movie=png"
                                                          << "movie" << true << "MOVIE_STRING";
        QTest::newRow("last list before first type") << QByteArray("notes.txt") << "picture=txt"
                                                     << "document" << false << "IMAGE_STRING";
        QTest::newRow("earlier list wins") << QByteArray("table.dat") << "movie=other,dat;document=dat"
                                           << "movie" << false << "DOCUMENT_STRING";
        QTest::newRow("later list alone") << QByteArray("table.dat") << "archive=dat"
                                          << "archive" << true << "ARCHIEVE_STRING";
        QTest::newRow("master switch over lists") << QByteArray("blob.bin") << "music=bin"
                                                  << "all" << true << "MUSIC_STRING";
        // Tokens match whole extensions in any case; the extension has no dot and nothing is trimmed.
        QTest::newRow("any case") << QByteArray("SCAN.XYZ") << "music=xYz"
                                  << "music" << true << "MUSIC_STRING";
        for (const char *token : {".xyz", " xyz", "xy", "xyzz", "*.xyz"})
            QTest::addRow("token '%s'", token)
                << QByteArray("SCAN.XYZ") << QStringLiteral("music=") + QLatin1String(token) << "music"
                << false << "OTHERS_STRING";
        // "N/A" stands for no extension.
        for (const char *name : {"README", "notes. ", "LICENSE"})
            QTest::addRow("no extension: %s", name) << QByteArray(name) << "music=n/A"
                                                    << "music" << true << "MUSIC_STRING";
        QTest::newRow("not a list") << QByteArray("pic.png") << "archive=*"
                                    << "archive" << false << "IMAGE_STRING";
    }

    void rules()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, lists);
        QFETCH(QString, switches);
        QFETCH(bool, scanned);
        QFETCH(QString, category);
        const MyTreeNode::Ptr node = file(name);
        QVERIFY(node);
        defaults().setVolatile(switches == QLatin1String("all"), SettingsKeys::scanTypeAll);
        const QStringList on = switches.split(QLatin1Char(','));
        for (const Category &c : categories) {
            defaults().setVolatile(on.contains(QLatin1String(c.name)), c.switchKey);
            defaults().setVolatile(QVariant(), c.tokenKey);
        }
        for (const QString &list : lists.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString key = list.section(QLatin1Char('='), 0, 0);
            const QString tokens = list.section(QLatin1Char('='), 1);
            for (const Category &c : categories) {
                if (key == QLatin1String(c.name))
                    defaults().setVolatile(tokens == QLatin1String("*")
                                               ? QVariant(QStringLiteral("png"))
                                               : QVariant(tokens.split(QLatin1Char(','))),
                                           c.tokenKey);
            }
        }
        const CustomRuleController rules(ScanRules::fromSettings(defaults()));
        QCOMPARE(rules.isToScan(*node), scanned);
        QCOMPARE(rules.typeString(*node), StringTable::text(category.toLatin1().constData()));
    }
};

TWINSIFT_TEST_MAIN(TestCustomRuleController, QCoreApplication)
#include "tst_custom_rule_controller.moc"
