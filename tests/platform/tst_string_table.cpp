// The road from the user's language settings to the texts shown: the compiled tables built into the
// program, chosen from LANGUAGE, LC_ALL, LC_MESSAGES and LANG, with their plural forms. Qt reads those
// variables once per process, so each case runs this program again, in the environment it names, to
// print a plain text and both plural forms of a counted one.
#include "platform/StringTable.h"

#include <QProcess>
#include <QtTest>

#include <cstdio>

namespace {

const char showTexts[] = "--show-texts";
const QStringList languageVariables = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};

// The child: installs the tables as the GUI does ("gui") or as the command-line tool does ("cli").
int printTexts(const QByteArray &frontEnd)
{
    if (frontEnd == "gui")
        StringTable::installForUserLanguages();
    else
        StringTable::install();
    const QStringList texts = {StringTable::text("IMAGE_STRING"),
                               StringTable::text("SOURCE_FOLDER_STAT_STRING", 1),
                               StringTable::text("SOURCE_FOLDER_STAT_STRING", 2)};
    std::fputs(texts.join(QLatin1Char('\n')).toUtf8().constData(), stdout);
    return 0;
}

} // namespace

class TestStringTable : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void userLanguages_data();
    void userLanguages();
};

void TestStringTable::userLanguages_data()
{
    QTest::addColumn<QByteArray>("frontEnd");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QStringList>("texts");
    const QStringList german = {"Bild", "%1 Datei, %2 MiB", "%1 Dateien, %2 MiB"};
    const QStringList english = {"Picture", "%1 file, %2 MiB", "%1 files, %2 MiB"};
    QTest::newRow("LANGUAGE=de in the C locale")
        << QByteArray("gui") << QStringList{"LANGUAGE=de", "LANG=C"} << german;
    QTest::newRow("LANG with a region") << QByteArray("gui") << QStringList{"LANG=de_AT.UTF-8"} << german;
    QTest::newRow("LC_MESSAGES over LANG")
        << QByteArray("gui") << QStringList{"LC_MESSAGES=de_DE.UTF-8", "LANG=en_US.UTF-8"} << german;
    QTest::newRow("LC_ALL over LANG")
        << QByteArray("gui") << QStringList{"LC_ALL=de_CH.UTF-8", "LANG=en_US.UTF-8"} << german;
    QTest::newRow("first language with a table")
        << QByteArray("gui") << QStringList{"LANGUAGE=fr:de"} << german;
    QTest::newRow("English put first")
        << QByteArray("gui") << QStringList{"LANGUAGE=en_GB:de", "LANG=de_DE.UTF-8"} << english;
    QTest::newRow("no table for the language")
        << QByteArray("gui") << QStringList{"LANGUAGE=fr", "LANG=fr_FR.UTF-8"} << english;
    QTest::newRow("C locale") << QByteArray("gui") << QStringList{"LANG=C"} << english;
    QTest::newRow("command-line tool")
        << QByteArray("cli") << QStringList{"LANGUAGE=de", "LANG=de_DE.UTF-8"} << english;
}

void TestStringTable::userLanguages()
{
    QFETCH(QByteArray, frontEnd);
    QFETCH(QStringList, environment);
    QFETCH(QStringList, texts);
    QProcessEnvironment childEnvironment = QProcessEnvironment::systemEnvironment();
    for (const QString &variable : languageVariables)
        childEnvironment.remove(variable);
    for (const QString &setting : environment)
        childEnvironment.insert(setting.section(QLatin1Char('='), 0, 0),
                                setting.section(QLatin1Char('='), 1));
    QProcess child;
    child.setProcessEnvironment(childEnvironment);
    child.start(QCoreApplication::applicationFilePath(),
                {QString::fromLatin1(showTexts), QString::fromLatin1(frontEnd)});
    QVERIFY(child.waitForFinished(-1));
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n')), texts);
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], showTexts) == 0)
        return printTexts(argv[2]);
    TestStringTable test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_string_table.moc"
