// The road from the user's language settings to the texts shown: the compiled tables built into the
// program, chosen by the user's languages, with their plural forms. Qt reads the language variables
// once per process, so each case runs this program again, in the environment it names, to print a
// plain text and both plural forms of a counted one.
#include "platform/StringTable.h"

#include <QProcess>
#include <QtTest>

#include <cstdio>

namespace {

const char showTexts[] = "--show-texts";

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
    void userLanguages_data()
    {
        QTest::addColumn<QByteArray>("frontEnd");
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QStringList>("texts");
        const QStringList german = {"Bild", "%1 Datei, %2", "%1 Dateien, %2"};
        const QStringList english = {"Picture", "%1 file, %2", "%1 files, %2"};
        const auto row = [](const char *tag, const char *frontEnd, const QStringList &environment,
                            const QStringList &texts) {
            QTest::newRow(tag) << QByteArray(frontEnd) << environment << texts;
        };
        // Which variable names the language is Qt's business; these are the choices made here.
        row("a language with a table, and a region", "gui", {"LANG=de_AT.UTF-8"}, german);
        row("English put first", "gui", {"LANGUAGE=en_GB:de", "LANG=de_DE.UTF-8"}, english);
        row("no table for the language", "gui", {"LANGUAGE=fr", "LANG=fr_FR.UTF-8"}, english);
        row("command-line tool", "cli", {"LANGUAGE=de", "LANG=de_DE.UTF-8"}, english);
    }

    void userLanguages()
    {
        QFETCH(QByteArray, frontEnd);
        QFETCH(QStringList, environment);
        QFETCH(QStringList, texts);
        QProcessEnvironment childEnvironment = QProcessEnvironment::systemEnvironment();
        for (const char *variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
            childEnvironment.remove(QLatin1String(variable));
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
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], showTexts) == 0)
        return printTexts(argv[2]);
    TestStringTable test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_string_table.moc"
