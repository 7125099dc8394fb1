#include "app/ApplicationLifecycle.h"
#include "fs/FileManagerProxy.h"
#include "model/MyTreeNode.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"
#include "scan/CustomRuleController.h"
#include "support/TestSupport.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

// The five scanned categories in the order that decides a file fitting two of them.
struct CategoryKeys
{
    const QString &switchKey;
    const QString &tokenKey;
    const char *displayKey;
};

const QList<CategoryKeys> &categories()
{
    static const QList<CategoryKeys> keys = {
        {SettingsKeys::scanTypeDocument, SettingsKeys::documentTokens, "DOCUMENT_STRING"},
        {SettingsKeys::scanTypeMovie, SettingsKeys::movieTokens, "MOVIE_STRING"},
        {SettingsKeys::scanTypeMusic, SettingsKeys::musicTokens, "MUSIC_STRING"},
        {SettingsKeys::scanTypePicture, SettingsKeys::pictureTokens, "IMAGE_STRING"},
        {SettingsKeys::scanTypeArchive, SettingsKeys::archiveTokens, "ARCHIEVE_STRING"},
    };
    return keys;
}

enum Position { Document, Movie, Music, Picture, Archive };

UserDefaults &defaults()
{
    return UserDefaults::standard();
}

QString displayName(const char *key)
{
    return StringTable::text(key);
}

// Master switch off, and only the given categories switched on.
void scanOnly(std::initializer_list<Position> enabled)
{
    defaults().setBool(false, SettingsKeys::scanTypeAll);
    for (qsizetype i = 0; i < categories().size(); ++i)
        defaults().setBool(std::find(enabled.begin(), enabled.end(), i) != enabled.end(),
                           categories()[i].switchKey);
}

void setTokens(Position category, const QStringList &tokens)
{
    defaults().setObject(tokens, categories()[category].tokenKey);
}

} // namespace

class TestCustomRuleController : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    CustomRuleController m_rules;
    // One file found by its type alone for each category, in category order.
    QList<MyTreeNode::Ptr> m_typed;
    MyTreeNode::Ptr m_binary;
    MyTreeNode::Ptr m_program;
    MyTreeNode::Ptr m_bundle;

    Url path(const QByteArray &name) const { return Url::fromPath(m_dir.path().toUtf8()).child(name); }

    MyTreeNode::Ptr file(const QByteArray &name,
                         const QByteArray &content = QByteArray("\x00\x01\x02\xff", 4))
    {
        TestFs::writeFile(path(name), content);
        return MyTreeNode::initWithURL(path(name));
    }

private Q_SLOTS:
    void initTestCase()
    {
        ApplicationLifecycle::registerDefaultsAndTransformers();
        StringTable::install();
        QVERIFY2(displayName("OTHERS_STRING") != QLatin1String("OTHERS_STRING"),
                 "the string table is missing");
        QVERIFY(m_dir.isValid());

        m_typed = {file("notes.txt", "plain words\n"), file("clip.mp4"), file("song.mp3"), file("pic.png"),
                   file("pack.zip")};
        m_binary = file("blob.bin");
        m_program = file("setup.exe");
        TestFs::makeDir(path("Tool.app"));
        TestFs::writeFile(path("Tool.app").child("run"), "#!/bin/sh\n");
        m_bundle = MyTreeNode::initWithURL(path("Tool.app"));
        for (const MyTreeNode::Ptr &node : m_typed + QList{m_binary, m_program, m_bundle})
            QVERIFY(node);

        // What the classification must say about these files for the rules below to mean anything.
        FileManagerProxy &fm = FileManagerProxy::sharedInstance();
        QVERIFY(fm.isTextFile(m_typed[Document]->FileURL()));
        QVERIFY(fm.isMovieFile(m_typed[Movie]->FileURL()));
        QVERIFY(fm.isAudioFile(m_typed[Music]->FileURL()));
        QVERIFY(fm.isImageFile(m_typed[Picture]->FileURL()));
        QVERIFY(fm.isAchieve(m_typed[Archive]->FileURL()));
        QVERIFY(fm.isApplication(m_program->FileURL()) && fm.isApplication(m_bundle->FileURL()));
        QVERIFY(!fm.isTextFile(m_program->FileURL()) && !fm.isAchieve(m_program->FileURL()));
    }

    // Every test starts from the registered defaults: master switch on, categories off, no lists.
    void init()
    {
        defaults().removeObjectForKey(SettingsKeys::scanTypeAll);
        for (const CategoryKeys &category : categories()) {
            defaults().removeObjectForKey(category.switchKey);
            defaults().removeObjectForKey(category.tokenKey);
        }
    }

    void noNodeIsNeitherScannedNorCategorized()
    {
        QVERIFY(!m_rules.isToScan(nullptr));
        QCOMPARE(m_rules.typeString(nullptr), displayName("OTHERS_STRING"));
    }

    void masterSwitchTakesEveryFileAndNamesNothing()
    {
        const QList<MyTreeNode::Ptr> all = m_typed + QList{m_binary, m_program, m_bundle};
        QStringList namesBefore;
        for (const MyTreeNode::Ptr &node : all) {
            QVERIFY(m_rules.isToScan(node));
            namesBefore << m_rules.typeString(node);
        }

        scanOnly({});
        for (const MyTreeNode::Ptr &node : all)
            QVERIFY2(!m_rules.isToScan(node), qPrintable(node->filePath()));

        // The master switch wins even over a list whose category is switched off.
        defaults().setBool(true, SettingsKeys::scanTypeAll);
        setTokens(Music, {QStringLiteral("bin")});
        QVERIFY(m_rules.isToScan(m_binary));
        defaults().removeObjectForKey(categories()[Music].tokenKey);

        // A category's name does not depend on whether it is scanned.
        QStringList namesAfter;
        for (const MyTreeNode::Ptr &node : all)
            namesAfter << m_rules.typeString(node);
        QCOMPARE(namesAfter, namesBefore);
    }

    void eachSwitchTakesOnlyItsOwnCategory()
    {
        for (int enabled = Document; enabled <= Archive; ++enabled) {
            scanOnly({Position(enabled)});
            for (int kind = Document; kind <= Archive; ++kind) {
                const MyTreeNode::Ptr &node = m_typed[kind];
                QVERIFY2(m_rules.isToScan(node) == (kind == enabled),
                         qPrintable(QStringLiteral("%1 with switch %2").arg(node->FileName()).arg(enabled)));
                QCOMPARE(m_rules.typeString(node), displayName(categories()[kind].displayKey));
            }
            QVERIFY(!m_rules.isToScan(m_binary));
        }
        QCOMPARE(m_rules.typeString(m_binary), displayName("OTHERS_STRING"));
    }

    void applicationsAreNamedButNeverScannedByCategory()
    {
        scanOnly({Document, Movie, Music, Picture, Archive});
        for (const MyTreeNode::Ptr &node : {m_program, m_bundle}) {
            QVERIFY2(!m_rules.isToScan(node), qPrintable(node->filePath()));
            QCOMPARE(m_rules.typeString(node), displayName("APPLICATION_STRING"));
        }
        // A list names a file before the application test does.
        setTokens(Archive, {QStringLiteral("exe")});
        QVERIFY(m_rules.isToScan(m_program));
        QCOMPARE(m_rules.typeString(m_program), displayName("ARCHIEVE_STRING"));
    }

    void firstMatchingListDecidesWithoutFallThrough()
    {
        // A picture listed under Movie is a movie, and a switched-off movie is not taken although
        // pictures are.
        setTokens(Movie, {QStringLiteral("png")});
        scanOnly({Picture});
        QVERIFY(!m_rules.isToScan(m_typed[Picture]));
        QCOMPARE(m_rules.typeString(m_typed[Picture]), displayName("MOVIE_STRING"));
        scanOnly({Movie});
        QVERIFY(m_rules.isToScan(m_typed[Picture]));

        // Lists come before every type test, even the last list before the first test.
        setTokens(Picture, {QStringLiteral("txt")});
        scanOnly({Document});
        QVERIFY(!m_rules.isToScan(m_typed[Document]));
        QCOMPARE(m_rules.typeString(m_typed[Document]), displayName("IMAGE_STRING"));
        scanOnly({Picture});
        QVERIFY(m_rules.isToScan(m_typed[Document]));
    }

    void earlierListWinsInCategoryOrder()
    {
        const MyTreeNode::Ptr data = file("table.dat");
        for (int category = Document; category <= Archive; ++category)
            setTokens(Position(category), {QStringLiteral("other"), QStringLiteral("dat")});
        for (int first = Document; first <= Archive; ++first) {
            QCOMPARE(m_rules.typeString(data), displayName(categories()[first].displayKey));
            scanOnly({Position(first)});
            QVERIFY(m_rules.isToScan(data));
            QList<Position> others;
            for (int category = Document; category <= Archive; ++category) {
                if (category != first)
                    others << Position(category);
            }
            scanOnly({others[0], others[1], others[2], others[3]});
            QVERIFY(!m_rules.isToScan(data));
            defaults().removeObjectForKey(categories()[first].tokenKey);
        }
        QCOMPARE(m_rules.typeString(data), displayName("OTHERS_STRING"));
        scanOnly({Document, Movie, Music, Picture, Archive});
        QVERIFY(!m_rules.isToScan(data));
    }

    void tokensMatchWholeExtensionsInAnyCase()
    {
        const MyTreeNode::Ptr upper = file("SCAN.XYZ");
        const MyTreeNode::Ptr lower = file("scan.abc");
        QCOMPARE(upper->fileExt(), QStringLiteral("xyz"));
        scanOnly({Music});
        setTokens(Music, {QStringLiteral("xYz"), QStringLiteral("ABC")});
        QVERIFY(m_rules.isToScan(upper));
        QVERIFY(m_rules.isToScan(lower));
        QCOMPARE(m_rules.typeString(upper), displayName("MUSIC_STRING"));

        // The node's extension carries no dot, and nothing is trimmed or matched in part.
        for (const QString &token : {QStringLiteral(".xyz"), QStringLiteral(" xyz"), QStringLiteral("xy"),
                                     QStringLiteral("xyzz"), QStringLiteral("*.xyz")}) {
            setTokens(Music, {token});
            QVERIFY2(!m_rules.isToScan(upper), qPrintable(token));
            QCOMPARE(m_rules.typeString(upper), displayName("OTHERS_STRING"));
        }
    }

    void notApplicableTokenMatchesFilesWithoutExtension()
    {
        const MyTreeNode::Ptr bare = file("README");
        const MyTreeNode::Ptr blank = file("notes. ");
        const MyTreeNode::Ptr text = file("LICENSE", "plain words\n");
        QCOMPARE(bare->fileExt(), QStringLiteral("N/A"));
        QCOMPARE(blank->fileExt(), QStringLiteral("N/A"));
        scanOnly({Music});
        QVERIFY(!m_rules.isToScan(bare));

        setTokens(Music, {QStringLiteral("n/A")});
        for (const MyTreeNode::Ptr &node : {bare, blank, text}) {
            QVERIFY2(m_rules.isToScan(node), qPrintable(node->filePath()));
            QCOMPARE(m_rules.typeString(node), displayName("MUSIC_STRING"));
        }
        QVERIFY(!m_rules.isToScan(m_binary));
    }

    void storedValueThatIsNotAListMatchesNothing()
    {
        scanOnly({Archive});
        defaults().setObject(QStringLiteral("png"), categories()[Archive].tokenKey);
        QVERIFY(!m_rules.isToScan(m_typed[Picture]));
        QCOMPARE(m_rules.typeString(m_typed[Picture]), displayName("IMAGE_STRING"));
        setTokens(Archive, {QStringLiteral("png")});
        QVERIFY(m_rules.isToScan(m_typed[Picture]));
    }
};

TWINSIFT_TEST_MAIN(TestCustomRuleController, QCoreApplication)
#include "tst_custom_rule_controller.moc"
