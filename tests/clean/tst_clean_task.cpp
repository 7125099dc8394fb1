// The clean task and its undo on real trees, in both modes: which files the rules remove, that nothing
// changed since the scan or without an identical copy that stays is ever removed, the answers to
// failures, the folders and sources a task empties, one file to the trash, and undo.
#include "../scan/ScanTestSupport.h"

#include "browser/ShownGroups.h"
#include "clean/CleanController.h"
#include "clean/CleanFrontEnd.h"
#include "clean/CleanRules.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <functional>

namespace {

// Answers each failure with the next scripted answer (quit when the script is out), remembers it, and
// runs the test's code at moments in the middle of a task, on the scan queue while the task waits.
class ScriptedFrontEnd : public CleanFrontEnd
{
public:
    QList<AlertAnswer> answers;
    QList<QByteArray> failed;
    QList<QByteArray> removedFiles;
    QList<FileFailure> undoFailures;
    // Once the file and a copy that stays were checked, locked and compared.
    std::function<void(const QByteArray &name)> beforeRemoval;
    // Between making a link or clone and renaming it over the file's name.
    std::function<void()> atLink;
    std::function<void()> afterRemoval;

    AlertAnswer answerFailure(const MyTreeNode &file, const Error &) override
    {
        failed << file.FileURL().fileName();
        return answers.isEmpty() ? AlertAnswer::Quit : answers.takeFirst();
    }
    void reportTrashFailure(const MyTreeNode &file, const Error &) override
    {
        failed << file.FileURL().fileName();
    }
    void aboutToRemove(const MyTreeNode &file) override
    {
        if (beforeRemoval)
            beforeRemoval(file.FileURL().fileName());
    }
    void linkMade(const MyTreeNode &) override
    {
        if (atLink)
            atLink();
    }
    void reportUndoFailures(const QList<FileFailure> &failures) override { undoFailures = failures; }
    void removed(const MyTreeNode &file, const Url &) override
    {
        removedFiles << file.FileURL().fileName();
        if (afterRemoval)
            afterRemoval();
    }
};

UserDefaults &defaults()
{
    return UserDefaults::standard();
}

} // namespace

class TestCleanTask : public QObject
{
    Q_OBJECT

    std::unique_ptr<TemporaryTree> m_dir;
    std::unique_ptr<SourceNodeManager> m_manager;
    std::unique_ptr<ShownGroups> m_shown;
    std::unique_ptr<CleanController> m_clean;
    std::shared_ptr<ScriptedFrontEnd> m_frontEnd;
    // A btrfs image mounted for the test, where the machine lets it: reflinks need one.
    std::unique_ptr<TemporaryTree> m_btrfs;

    Url at(const QByteArray &relative) const { return m_dir->url().child(relative); }

    // Writes files in order, each born after the one before, so that the date rules order them.
    void write(const QList<QPair<QByteArray, QByteArray>> &files)
    {
        for (const auto &[relative, content] : files) {
            QDir().mkpath(QString::fromUtf8(at(relative).parent().path()));
            TestFs::writeFile(at(relative), content);
            QTest::qWait(12); // beyond the file system clock's tick
        }
    }

    // Scans with the rules the settings hold now.
    QList<RootNode::Ptr> scan(const QList<QByteArray> &sources)
    {
        m_manager->setScanRules(ScanRules::fromSettings(defaults()));
        QList<RootNode::Ptr> roots;
        for (const QByteArray &source : sources) {
            roots << RootNode::initWithPath(at(source).path());
            m_manager->addRootNode(roots.last());
        }
        if (!waitForScanQueue())
            qFatal("scan did not end");
        return roots;
    }

    // The stored choices, as the window starts a task with them.
    CleanTaskOptions options() const
    {
        return CleanTaskOptions::fromSettings(defaults(), m_shown->allShowDupGroupFileExt());
    }

    void clean()
    {
        m_clean->runTask(m_shown->showDupGroups().value_or(QList<DupGroup::Ptr>()), options());
        if (!waitForScanQueue())
            qFatal("clean task did not end");
    }

    bool exists(const QByteArray &relative) const { return TestFs::exists(at(relative)); }

    // An editor's atomic save: a new file renamed over the name, with the old one's times.
    static void replaceKeepingTimes(const Url &file, const QByteArray &content)
    {
        const struct stat old = TestFs::statOf(file);
        const Url saved = file.parent().child(".saving");
        TestFs::writeFile(saved, content);
        const timespec times[2] = {old.st_atim, old.st_mtim};
        QCOMPARE(::utimensat(AT_FDCWD, saved.c_str(), times, 0) | ::rename(saved.c_str(), file.c_str()), 0);
    }

    QByteArrayList existing(QByteArrayList relatives) const
    {
        relatives.removeIf([this](const QByteArray &relative) { return !exists(relative); });
        return relatives;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The undo journals go below the test's own home.
        qunsetenv("XDG_STATE_HOME");
        StringTable::install();
        SettingsKeys::registerDefaults();
    }

    void cleanupTestCase()
    {
        if (m_btrfs)
            QProcess::execute(QStringLiteral("umount"),
                              {QString::fromUtf8(m_btrfs->url().child("mnt").path())});
    }

    // Mounts a btrfs image made for the test; false, with the reason, where that is not permitted.
    bool mountBtrfs(QString *why)
    {
        if (m_btrfs)
            return true;
        auto made = std::make_unique<TemporaryTree>();
        const QString image = QString::fromUtf8(made->url().child("image").path());
        const QString mount = QString::fromUtf8(made->url().child("mnt").path());
        QDir().mkpath(mount);
        QFile file(image);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(128 << 20))
            return false;
        file.close();
        // Their own messages go to the test's output.
        for (const QStringList &command :
             {QStringList{QStringLiteral("mkfs.btrfs"), QStringLiteral("-q"), image},
              QStringList{QStringLiteral("mount"), QStringLiteral("-o"), QStringLiteral("loop"), image,
                          mount}}) {
            if (QProcess::execute(command.first(), command.mid(1)) != 0) {
                *why = command.first() +
                       QStringLiteral(" failed (it needs btrfs-progs, root and a loop device)");
                return false;
            }
        }
        m_btrfs = std::move(made);
        return true;
    }

    void init()
    {
        defaults().reloadFromDisk();
        SettingsKeys::registerDefaults();
        defaults().setVolatile(false, SettingsKeys::createThumbnail);
        m_dir = std::make_unique<TemporaryTree>();
        m_manager = std::make_unique<SourceNodeManager>();
        m_shown = std::make_unique<ShownGroups>(*m_manager);
        m_clean = std::make_unique<CleanController>(*m_manager);
        m_frontEnd = std::make_shared<ScriptedFrontEnd>();
        m_clean->setCleanFrontEnd(m_frontEnd);
    }

    void cleanup()
    {
        m_clean.reset();
        m_shown.reset();
        m_manager.reset();
        m_dir.reset();
    }

    // Two sources, each group born in the order listed; the rules pick what goes.
    void rulesChooseWhatStays_data()
    {
        QTest::addColumn<QVariantMap>("settings");
        QTest::addColumn<QByteArrayList>("remaining");
        const QByteArrayList all{"a/x1", "b/x2", "a/x3", "a/y1.txt", "b/y2.dat", "b/solo"};
        QTest::addRow("defaults: the newest stays")
            << QVariantMap{} << QByteArrayList{"a/x3", "b/y2.dat", "b/solo"};
        QTest::addRow("oldest stays")
            << QVariantMap{{SettingsKeys::cleanDate, 1}} << QByteArrayList{"a/x1", "a/y1.txt", "b/solo"};
        QTest::addRow("unknown date order: nothing") << QVariantMap{{SettingsKeys::cleanDate, 2}} << all;
        QTest::addRow("date rule off: the newest stays")
            << QVariantMap{{SettingsKeys::cleanDateCheckbox, false}}
            << QByteArrayList{"a/x3", "b/y2.dat", "b/solo"};
        QTest::addRow("only from source b")
            << QVariantMap{{SettingsKeys::cleanFolderCheckbox, true}, {SettingsKeys::cleanFolder, 1}}
            << QByteArrayList{"a/x1", "a/x3", "a/y1.txt", "b/solo"};
        QTest::addRow("only .txt files")
            << QVariantMap{{SettingsKeys::cleanTypeCheckbox, true}, {SettingsKeys::cleanType, 2}}
            << QByteArrayList{"a/x1", "b/x2", "a/x3", "b/y2.dat", "b/solo"};
        QTest::addRow("only files without extension")
            << QVariantMap{{SettingsKeys::cleanTypeCheckbox, true}, {SettingsKeys::cleanType, 1}}
            << QByteArrayList{"a/x3", "a/y1.txt", "b/y2.dat", "b/solo"};
        QTest::addRow("type beyond the list: nothing")
            << QVariantMap{{SettingsKeys::cleanTypeCheckbox, true}, {SettingsKeys::cleanType, 9}} << all;
    }

    void rulesChooseWhatStays()
    {
        QFETCH(QVariantMap, settings);
        QFETCH(QByteArrayList, remaining);
        write({{"a/x1", "xxxx"},
               {"b/x2", "xxxx"},
               {"a/x3", "xxxx"},
               {"a/y1.txt", "yy"},
               {"b/y2.dat", "yy"},
               {"b/solo", "s"}});
        scan({"a", "b"});
        QCOMPARE(m_shown->allShowDupGroupFileExt(), QStringList({"dat", "N/A", "txt"}));
        for (auto it = settings.cbegin(); it != settings.cend(); ++it)
            defaults().setVolatile(it.value(), it.key());
        // What a dry run would print is what the task then does.
        QByteArrayList planned;
        for (const CleanRules::PlannedRemoval &removal :
             CleanRules::plan(*m_shown->showDupGroups(), options()))
            planned << removal.file->FileURL().fileName();
        clean();
        QCOMPARE(existing({"a/x1", "b/x2", "a/x3", "a/y1.txt", "b/y2.dat", "b/solo"}), remaining);
        QCOMPARE(m_frontEnd->removedFiles, planned);
        QCOMPARE(m_manager->totalFileNumber(), remaining.size());
        QCOMPARE(m_clean->taskStatus(), TaskStatus::Idle);
        QVERIFY(m_clean->undoArray().isEmpty());
    }

    // A group of three whose first two removals fail, after a group of two that is cleaned first:
    // quitting stops the task there; continuing goes on, and the last file goes too, since the group
    // still held the two that failed when it was tested; continuing all asks no more.
    void answersToFailures_data()
    {
        QTest::addColumn<QList<AlertAnswer>>("answers");
        QTest::addColumn<QByteArrayList>("remaining");
        QTest::addColumn<int>("alerts");
        const QByteArrayList failedOnly{"g/a", "g/b", "h/e"};
        QTest::addRow("quit") << QList<AlertAnswer>{AlertAnswer::Quit}
                              << QByteArrayList{"g/a", "g/b", "g/c", "h/e"} << 1;
        QTest::addRow("continue") << QList<AlertAnswer>{AlertAnswer::Continue, AlertAnswer::Continue}
                                  << failedOnly << 2;
        QTest::addRow("continue all") << QList<AlertAnswer>{AlertAnswer::ContinueAll} << failedOnly << 1;
    }

    void answersToFailures()
    {
        QFETCH(QList<AlertAnswer>, answers);
        QFETCH(QByteArrayList, remaining);
        QFETCH(int, alerts);
        write({{"g/a", "ggg"}, {"g/b", "ggg"}, {"g/c", "ggg"}, {"h/d", "hh"}, {"h/e", "hh"}});
        scan({"g", "h"});
        // Changed after the scan: their removals fail.
        for (const char *changed : {"g/a", "g/b"})
            ::utimensat(AT_FDCWD, at(changed).c_str(), nullptr, 0);
        m_frontEnd->answers = answers;
        clean();
        QCOMPARE(existing({"g/a", "g/b", "g/c", "h/d", "h/e"}), remaining);
        QCOMPARE(m_frontEnd->failed.size(), alerts);
        QCOMPARE(m_clean->alertAnswer(), AlertAnswer::None);
    }

    // Nothing that changed since the scan, and nothing without an identical copy that stays, is
    // removed: the file stays in its group and the front end hears why.
    void onlyUnchangedFilesWithIdenticalCopiesGo_data()
    {
        QTest::addColumn<QByteArray>("change");
        for (const char *change :
             {"rewritten", "grown", "truncated", "replaced", "replaced, same size and time", "vanished",
              "copy vanished", "copy differs"})
            QTest::addRow("%s", change) << QByteArray(change);
    }

    void onlyUnchangedFilesWithIdenticalCopiesGo()
    {
        QFETCH(QByteArray, change);
        write({{"old", "content!"}, {"new", "content!"}});
        scan({""});
        const Url old = at("old"), copy = at("new");
        if (change == "rewritten")
            TestFs::writeFile(old, "CONTENT!");
        else if (change == "grown")
            TestFs::writeFile(old, "content!+");
        else if (change == "truncated")
            QCOMPARE(::truncate(old.c_str(), 3), 0);
        else if (change == "replaced")
            QCOMPARE(::unlink(old.c_str()) | ::link(copy.c_str(), old.c_str()), 0);
        else if (change == "replaced, same size and time")
            replaceKeepingTimes(old, "CONTENT!");
        else if (change == "vanished")
            QCOMPARE(::unlink(old.c_str()), 0);
        else if (change == "copy vanished")
            QCOMPARE(::unlink(copy.c_str()), 0);
        else
            TestFs::writeFile(copy, "conTENT!");
        const QByteArray before = TestFs::readFile(old) + TestFs::readFile(copy);
        m_frontEnd->answers = {AlertAnswer::Continue, AlertAnswer::Continue};
        clean();
        QCOMPARE(TestFs::readFile(old) + TestFs::readFile(copy), before);
        // Once the first failed, the group still held two files, so the second was tried too.
        QCOMPARE(m_frontEnd->failed, QByteArrayList({"old", "new"}));
        QCOMPARE(m_manager->totalDupGroupNumber(), 1);
    }

    // Fast scan compares large files by samples: a group of two that differ between the samples is
    // shown, but neither is removed; the byte check takes the group apart, with one alert.
    void sampledLookalikesStay()
    {
        QByteArray content(3 << 20, 'z');
        write({{"one.bin", content}});
        content[(3 << 20) / 3] = 'Z';
        write({{"two.bin", content}});
        defaults().setVolatile(qint64(1), SettingsKeys::fastScanSize);
        scan({""});
        QCOMPARE(m_manager->totalDupGroupNumber(), 1);
        QVERIFY(m_shown->showDupGroups()->first()->isComparedBySamples());
        m_frontEnd->answers = {AlertAnswer::Continue, AlertAnswer::Continue};
        clean();
        QVERIFY(exists("one.bin") && exists("two.bin"));
        QCOMPARE(m_frontEnd->failed, QByteArrayList({"one.bin"}));
        QCOMPARE(m_manager->totalDupGroupNumber(), 0);
        QCOMPARE(m_manager->totalFileNumber(), 2);
    }

    // Something put at a file's name, or into the file, after it was checked and compared: the removal
    // takes nothing that was not compared, in either mode, and never removes a folder for a file.
    void changesAtTheLastMoment_data()
    {
        QTest::addColumn<qint64>("mode");
        QTest::addColumn<QByteArray>("change");
        for (qint64 mode : {0, 1}) {
            for (const char *change :
                 {"atomic save", "folder put in its place", "written in place", "copy replaced"})
                QTest::addRow("%s, %s", mode ? "move" : "delete", change) << mode << QByteArray(change);
        }
    }

    void changesAtTheLastMoment()
    {
        QFETCH(qint64, mode);
        QFETCH(QByteArray, change);
        write({{"d/old", "content!"}, {"d/new", "content!"}});
        scan({"d"});
        defaults().setVolatile(mode, SettingsKeys::moveToTrash);
        m_clean->setUndoPath(at("dest"));
        const Url old = at("d/old"), copy = at("d/new");
        m_frontEnd->beforeRemoval = [&](const QByteArray &name) {
            if (name != "old")
                return;
            if (change == "atomic save") {
                replaceKeepingTimes(old, "EDITED!!");
            } else if (change == "folder put in its place") {
                ::unlink(old.c_str());
                TestFs::writeFile(old.child("work"), "precious");
            } else if (change == "written in place") {
                const int fd = ::open(old.c_str(), O_WRONLY);
                QVERIFY(fd >= 0 && ::pwrite(fd, "C", 1, 0) == 1 && ::close(fd) == 0);
            } else {
                replaceKeepingTimes(copy, "other!!!");
            }
        };
        m_frontEnd->answers = {AlertAnswer::Continue, AlertAnswer::Continue};
        clean();
        const QByteArray expected = change == "atomic save"        ? "EDITED!!"
                                    : change == "written in place" ? "Content!"
                                                                   : "content!";
        if (change == "folder put in its place")
            QCOMPARE(TestFs::readFile(old.child("work")), QByteArray("precious"));
        else
            QCOMPARE(TestFs::readFile(old), expected);
        QCOMPARE(TestFs::readFile(copy), change == "copy replaced" ? "other!!!" : "content!");
        QVERIFY(TestFs::entries(at("dest")).isEmpty());
        QCOMPARE(m_frontEnd->failed.first(), QByteArray("old"));
        QCOMPARE(TestFs::entries(at("d")).size(), 2); // nothing left behind under a private name
    }

    // Another clean-up, in another process, starts while this one holds a file that is about to go
    // and the copy that stays: it may remove neither, and says why; every content keeps a copy.
    void anotherCleanUpAtTheSameTime()
    {
        write({{"d/old", "content!"}, {"d/new", "content!"}});
        scan({"d"});
        int status = -1;
        QByteArray output;
        m_frontEnd->beforeRemoval = [&](const QByteArray &) {
            // The task's thread is no Qt thread, so the other process is started the plain way.
            FILE *other = ::popen("\"$TWINSIFT_CLI\" clean --keep oldest --on-error continue --format json " +
                                      at("d").path(),
                                  "r");
            char buffer[4096];
            for (size_t n; other && (n = std::fread(buffer, 1, sizeof buffer, other)) > 0;)
                output.append(buffer, qsizetype(n));
            status = other ? ::pclose(other) : -1;
        };
        clean();
        QCOMPARE(WEXITSTATUS(status), 1);
        const QJsonObject report = QJsonDocument::fromJson(output).object();
        QCOMPARE(report["removed"].toArray().size(), 0);
        for (const QJsonValue &failure : report["failed"].toArray())
            QVERIFY(failure.toObject()["error"].toString().contains("in use by another clean-up"));
        QCOMPARE(existing({"d/old", "d/new"}), QByteArrayList({"d/new"}));
    }

    // A package that shares a member with its twin (a hard link, a bind mount) is the same data seen
    // twice, and a package whose content changed after it was compared keeps what changed.
    void packagesGoOnlyAsCompared_data()
    {
        QTest::addColumn<QByteArray>("situation");
        for (const char *name : {"hard-linked member", "bind-mounted member", "member added", "unchanged"})
            QTest::addRow("%s", name) << QByteArray(name);
    }

    void packagesGoOnlyAsCompared()
    {
        QFETCH(QByteArray, situation);
        write({{"p/one.app/a", "aaa"}, {"p/one.app/sub/b", "bbb"}, {"p/two.app/a", "aaa"}});
        TestFs::makeDir(at("p/two.app/sub"));
        if (situation == "hard-linked member")
            QCOMPARE(::link(at("p/one.app/sub/b").c_str(), at("p/two.app/sub/b").c_str()), 0);
        else
            TestFs::writeFile(at("p/two.app/sub/b"), "bbb");
        if (situation == "bind-mounted member" &&
            QProcess::execute("mount", {"--bind", QString::fromUtf8(at("p/two.app/sub").path()),
                                        QString::fromUtf8(at("p/one.app/sub").path())}) != 0)
            QSKIP("mounting is not permitted here");
        const auto unmount = qScopeGuard([&] {
            if (situation == "bind-mounted member")
                QProcess::execute("umount", {QString::fromUtf8(at("p/one.app/sub").path())});
        });
        scan({"p"});
        m_frontEnd->beforeRemoval = [&](const QByteArray &name) {
            if (situation == "member added")
                TestFs::writeFile(at("p/" + name + "/sub/new"), "new");
        };
        m_frontEnd->answers = {AlertAnswer::Continue, AlertAnswer::Continue};
        clean();
        const QByteArrayList left =
            existing({"p/one.app/a", "p/one.app/sub/b", "p/two.app/a", "p/two.app/sub/b"});
        if (situation == "unchanged") {
            QCOMPARE(left.size(), 2);
        } else {
            QCOMPARE(left.size(), 4);
            QVERIFY(!m_frontEnd->failed.isEmpty());
        }
        if (situation == "member added")
            QCOMPARE(existing({"p/one.app/sub/new", "p/two.app/sub/new"}).size(), 1);
    }

    // A file with a second name and a newer copy: when the file goes, its other name joins the group,
    // but the task does what it planned at its start, and counts the bytes it freed once.
    void theTaskKeepsItsPlan()
    {
        write({{"d/a", "shared"}});
        QCOMPARE(::link(at("d/a").c_str(), at("d/a-link").c_str()), 0);
        write({{"d/c", "shared"}});
        scan({"d"});
        QByteArrayList planned;
        for (const CleanRules::PlannedRemoval &removal :
             CleanRules::plan(*m_shown->showDupGroups(), options()))
            planned << removal.file->FileURL().fileName();
        clean();
        QCOMPARE(m_frontEnd->removedFiles, planned);
        QCOMPARE(existing({"d/a", "d/a-link", "d/c"}), QByteArrayList({"d/a-link", "d/c"}));
        QCOMPARE(m_manager->statBarString(),
                 StringTable::text("CLEAN_TASK_END_STRING", 1).arg(6.0 / 1024 / 1024, 0, 'f', 2));
    }

    // Deleting climbs through the folders it empties (a ".DS_Store" counts for nothing) and takes
    // sources left without files out of the list, their folder to the trash when it is an empty folder:
    // never a single-file source whose scan kept nothing.
    void emptiedFoldersAndSources()
    {
        write({{"keep/one", "same"},
               {"old/deep/two", "same"},
               {"old/deep/.DS_Store", "mac"},
               {"tiny.txt", "t"},
               {"last", "same"}});
        TestFs::makeDir(at("nothing"));
        defaults().setVolatile(true, SettingsKeys::onlyFileSize);
        defaults().setVolatile(0.5, SettingsKeys::onlyFileSizeValue);
        const QList<RootNode::Ptr> roots = scan({"tiny.txt"});
        defaults().setVolatile(false, SettingsKeys::onlyFileSize);
        scan({"keep", "old", "nothing", "last"});
        QCOMPARE(roots.first()->totalFileNumber(), 0);
        clean();
        QVERIFY(!exists("keep") && !exists("old"));
        QVERIFY(exists("tiny.txt") && exists("last") && !exists("nothing"));
        QStringList left;
        for (const RootNode::Ptr &root : m_manager->rootNodes())
            left << QString::fromUtf8(Url::fromPath(root->rootPath()).fileName());
        QCOMPARE(left, QStringList({"last"}));
        const QByteArray trash = qgetenv("XDG_DATA_HOME") + "/Trash/files/";
        QVERIFY(TestFs::exists(Url::fromPath(trash + "nothing")));
        QVERIFY(!TestFs::exists(Url::fromPath(trash + "tiny.txt")));
    }

    // Moving: into the chosen folder under free names, whatever the names; undo puts each file back,
    // moving a newcomer at its place aside, passing over a moved copy that is gone, newest task first,
    // and bringing back a source the task had taken out of the list. Removing a source ends all undo.
    void moveAndUndo()
    {
        const QByteArray odd("-caf\xe9\nname");
        write({{"src/" + odd, "one"},
               {"src/keep1", "one"},
               {"src/keep2", "two"},
               {"solo/two", "two"},
               {"src/t1", "three"},
               {"src/t2", "three"},
               {"other/x", "x"}});
        const Url destination = at("dest");
        TestFs::makeDir(destination);
        TestFs::writeFile(destination.child("keep1"), "already here");
        scan({"src", "solo", "other"});
        defaults().setVolatile(qint64(1), SettingsKeys::moveToTrash);
        clean(); // no destination chosen yet: nothing happens
        QVERIFY(exists("src/keep1") && m_clean->undoArray().isEmpty());
        QVERIFY(!m_clean->validateToolbarItem(QStringLiteral("undo")));

        // The first task leaves the "three" group alone and moves the newest file of each other group.
        m_clean->setUndoPath(destination);
        defaults().setVolatile(qint64(1), SettingsKeys::cleanDate);
        for (const DupGroup::Ptr &group : *m_shown->showDupGroups())
            group->setIsSelected(group->fileSize() != 5);
        clean();
        QCOMPARE(existing({"src/" + odd, "src/keep1", "src/keep2", "solo/two"}),
                 QByteArrayList({"src/" + odd, "src/keep2"}));
        QCOMPARE(TestFs::readFile(destination.child("keep1_1")), QByteArray("one"));
        QCOMPARE(TestFs::readFile(destination.child("two")), QByteArray("two"));
        QCOMPARE(m_manager->rootNodes().size(), 2); // "solo" held nothing more
        for (const DupGroup::Ptr &group : *m_shown->showDupGroups())
            group->setIsSelected(true);
        clean();
        QCOMPARE(m_clean->undoArray().size(), 2);
        QVERIFY(m_clean->validateToolbarItem(QStringLiteral("undo")));

        // Undo the second task, whose moved copy was deleted meanwhile: nothing to put back.
        QCOMPARE(::unlink(destination.child("t2").c_str()), 0);
        m_clean->undoTask();
        QVERIFY(waitForScanQueue());
        QVERIFY(!exists("src/t2"));
        // Undo the first; keep1's place was taken meanwhile.
        TestFs::writeFile(at("src/keep1"), "newcomer");
        m_clean->undoTask();
        QVERIFY(waitForScanQueue());
        QCOMPARE(TestFs::readFile(at("src/keep1")), QByteArray("one"));
        QCOMPARE(TestFs::readFile(at("src/keep1_1")), QByteArray("newcomer"));
        QCOMPARE(TestFs::readFile(at("solo/two")), QByteArray("two"));
        QCOMPARE(TestFs::readFile(destination.child("keep1")), QByteArray("already here"));
        QVERIFY(m_clean->undoArray().isEmpty());
        QCOMPARE(m_manager->rootNodes().size(), 3);
        QCOMPARE(m_manager->totalDupGroupNumber(), 2);

        clean();
        QCOMPARE(m_clean->undoArray().size(), 1);
        m_manager->removeRootNode(m_manager->rootNodes().last());
        QVERIFY(waitForScanQueue());
        QVERIFY(m_clean->undoArray().isEmpty());
    }

    // Replacing by links, on the test's own file system and on a btrfs image: the file becomes a link
    // to the copy that stays only while both are as compared (a change of either between making the
    // link and renaming it over the name leaves both as they were, and nothing behind); a reflink keeps
    // the file's own mode, times and attributes; a hard link to another file system leaves the file
    // in place; and the undo of a window opened again puts back a copy of the file's own.
    void replaceByLinks_data()
    {
        QTest::addColumn<QByteArray>("fileSystem");
        QTest::addColumn<qint64>("kind"); // 1 a hard link, 2 a reflink
        QTest::addColumn<QByteArray>("change");
        QTest::addColumn<bool>("replaced");
        QTest::addRow("hard link") << QByteArray("own") << qint64(1) << QByteArray() << true;
        QTest::addRow("hard link across file systems")
            << QByteArray("/dev/shm") << qint64(1) << QByteArray() << false;
        for (qint64 kind : {1, 2}) {
            const char *name = kind == 1 ? "hard link" : "reflink";
            QTest::addRow("btrfs %s", name) << QByteArray("btrfs") << kind << QByteArray() << true;
            for (const char *change : {"file written", "copy replaced"})
                QTest::addRow("btrfs %s, %s", name, change)
                    << QByteArray("btrfs") << kind << QByteArray(change) << false;
        }
    }

    void replaceByLinks()
    {
        QFETCH(QByteArray, fileSystem);
        QFETCH(qint64, kind);
        QFETCH(QByteArray, change);
        QFETCH(bool, replaced);
        QString why;
        if (fileSystem == "btrfs" && !mountBtrfs(&why))
            QSKIP(qPrintable(QStringLiteral("btrfs rows skipped: ") + why));
        // Across file systems, the file that goes lies in /dev/shm and the copy that stays in the tree.
        if (fileSystem == "btrfs")
            m_dir = std::make_unique<TemporaryTree>(m_btrfs->url().child("mnt").path());
        // The file that goes is written first, so that the one added last stays.
        const TemporaryTree elsewhere(fileSystem == "/dev/shm" ? fileSystem : m_dir->url().path());
        const Url old = elsewhere.file("old", "content!"), copy = at("d/new");
        const bool attributes = fileSystem == "btrfs"; // a user attribute, where surely supported
        QCOMPARE(::chmod(old.c_str(), 0640), 0);
        QVERIFY(!attributes || ::lsetxattr(old.c_str(), "user.note", "mine", 4, 0) == 0);
        QTest::qWait(12);
        write({{"d/new", "content!"}});
        const struct stat before = TestFs::statOf(old);
        m_manager->addRootNode(RootNode::initWithPath(old.parent().path()));
        scan({"d"});
        defaults().setVolatile(kind, CleanTaskOptions::replaceModeKey);
        m_frontEnd->atLink = [&] {
            if (change == "file written") {
                const int fd = ::open(old.c_str(), O_WRONLY);
                QVERIFY(fd >= 0 && ::pwrite(fd, "C", 1, 0) == 1 && ::close(fd) == 0);
            } else if (change == "copy replaced") {
                replaceKeepingTimes(copy, "other!!!");
            }
        };
        m_frontEnd->answers = {AlertAnswer::Continue, AlertAnswer::Continue};
        clean();
        const struct stat after = TestFs::statOf(old);
        QCOMPARE(m_frontEnd->failed.value(0), replaced ? QByteArray() : QByteArray("old"));
        QCOMPARE(TestFs::readFile(old), change == "file written" ? "Content!" : "content!");
        QCOMPARE(TestFs::readFile(copy), change == "copy replaced" ? "other!!!" : "content!");
        QCOMPARE(TestFs::entries(old.parent()).size(), 1); // nothing left under a private name
        QCOMPARE(after.st_ino == TestFs::statOf(copy).st_ino, replaced && kind == 1);
        QCOMPARE(after.st_ino == before.st_ino, !replaced);
        const auto ownMetadata = [&](const struct stat &now, bool ownAttributes) {
            char note[8] = {};
            QCOMPARE(now.st_mode & 07777, before.st_mode & 07777);
            QCOMPARE(now.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
            QCOMPARE(now.st_mtim.tv_sec, before.st_mtim.tv_sec);
            if (ownAttributes && attributes)
                QCOMPARE(::lgetxattr(old.c_str(), "user.note", note, sizeof note), 4);
        };
        if (change != "file written" && (!replaced || kind == 2))
            ownMetadata(after, true);
        if (!replaced)
            return;

        // The window is closed and opened again: its undo reads the journal.
        m_clean = std::make_unique<CleanController>(*m_manager);
        m_clean->setCleanFrontEnd(m_frontEnd);
        QVERIFY(m_clean->validateToolbarItem(QStringLiteral("undo")));
        m_clean->undoTask();
        QVERIFY(waitForScanQueue());
        QVERIFY(m_frontEnd->undoFailures.isEmpty());
        const struct stat undone = TestFs::statOf(old);
        QVERIFY(undone.st_ino != TestFs::statOf(copy).st_ino && undone.st_nlink == 1);
        QCOMPARE(TestFs::readFile(old), "content!");
        // A hard link had the staying copy's attributes, not the file's: those are not brought back.
        ownMetadata(undone, kind == 2);
        QCOMPARE(TestFs::entries(old.parent()).size(), 1);
    }

    // Nothing under a protected source goes or is replaced, in any mode, whichever source reaches it and
    // whatever the date rule says; a group of protected files only is not shown, and the statistics
    // count what can go.
    void protectedSourcesStay_data()
    {
        QTest::addColumn<CleanTaskOptions::Mode>("mode");
        QTest::newRow("delete") << CleanTaskOptions::Mode::Delete;
        QTest::newRow("trash") << CleanTaskOptions::Mode::Trash;
        QTest::newRow("move") << CleanTaskOptions::Mode::Move;
        QTest::newRow("hard link") << CleanTaskOptions::Mode::HardLink;
    }

    void protectedSourcesStay()
    {
        QFETCH(CleanTaskOptions::Mode, mode);
        write({{"b/old", "one"},
               {"p/new", "one"},
               {"p/twin1", "two"},
               {"p/twin2", "two"},
               {"b/inner/x1", "three"},
               {"b/x2", "three"},
               {"b/y1", "four"},
               {"b/inner/y2", "four"}});
        const QList<RootNode::Ptr> roots = scan({"b", "p", "b/inner"});
        m_manager->setSourceProtected(roots[1], true);
        m_manager->setSourceProtected(roots[2], true);
        QVERIFY(waitForScanQueue());
        QCOMPARE(m_manager->totalDupGroupNumber(), 3);
        QCOMPARE(m_manager->totalRemovableFileNumber(), 3);
        const QByteArrayList kept = {"p/new", "p/twin1", "p/twin2", "b/inner/x1", "b/inner/y2"};
        QHash<QByteArray, ino_t> inodes;
        for (const QByteArray &name : kept)
            inodes.insert(name, TestFs::statOf(at(name)).st_ino);
        // The row's trash button and the Delete key.
        m_clean->deleteOneFile(roots[1]->allFiles().toList().first());
        QVERIFY(waitForScanQueue());
        QCOMPARE(m_frontEnd->failed.size(), 1);
        defaults().setVolatile(qint64(1), SettingsKeys::cleanDate); // the oldest would stay
        CleanTaskOptions chosen = options();
        chosen.moveMode = mode;
        m_clean->setUndoPath(at("dest"));
        m_clean->runTask(*m_shown->showDupGroups(), chosen);
        QVERIFY(waitForScanQueue());
        for (const QByteArray &name : kept)
            QVERIFY2(TestFs::statOf(at(name)).st_ino == inodes.value(name), name.constData());
        const QByteArrayList went = {"b/old", "b/x2", "b/y1"};
        if (mode == CleanTaskOptions::Mode::HardLink) {
            QCOMPARE(TestFs::statOf(at("b/old")).st_ino, inodes.value("p/new"));
            QCOMPARE(TestFs::statOf(at("b/x2")).st_ino, inodes.value("b/inner/x1"));
        } else {
            QCOMPARE(existing(went), QByteArrayList());
        }
    }

    // Undo moves back only the item the task moved, along a way that follows no link below the source,
    // and says which files it could not put back.
    void undoPutsBackOnlyWhatItMoved_data()
    {
        QTest::addColumn<QByteArray>("change");
        for (const char *change :
             {"moved file replaced", "folder at the moved place", "folder became a link"})
            QTest::addRow("%s", change) << QByteArray(change);
    }

    void undoPutsBackOnlyWhatItMoved()
    {
        QFETCH(QByteArray, change);
        write({{"src/sub/old", "content"}, {"src/new", "content"}});
        scan({"src"});
        defaults().setVolatile(qint64(1), SettingsKeys::moveToTrash);
        m_clean->setUndoPath(at("dest"));
        clean();
        const Url moved = at("dest/old");
        QVERIFY(TestFs::exists(moved) && !exists("src/sub"));
        if (change == "moved file replaced") {
            replaceKeepingTimes(moved, "others!");
        } else if (change == "folder at the moved place") {
            QCOMPARE(::unlink(moved.c_str()), 0);
            TestFs::writeFile(moved.child("work"), "precious");
        } else {
            TestFs::makeDir(at("outside"));
            TestFs::makeSymlink(at("outside").path(), at("src/sub"));
        }
        m_clean->undoTask();
        QVERIFY(waitForScanQueue());
        QCOMPARE(m_frontEnd->undoFailures.size(), 1);
        QCOMPARE(m_clean->undoFailures().size(), 1);
        QVERIFY(!exists("src/sub/old") && !exists("outside/old"));
        QVERIFY(TestFs::exists(change == "folder at the moved place" ? moved.child("work") : moved));
    }

    // The chosen folder taken away after the first move: the next move makes it again, and undo brings
    // back what is still where the task put it, passing over the copy that went with the folder.
    void aDestinationRemovedDuringTheTask()
    {
        write({{"src/a1", "a"}, {"src/a2", "a"}, {"src/b1", "bb"}, {"src/b2", "bb"}});
        const Url destination = at("dest");
        TestFs::makeDir(destination);
        scan({"src"});
        defaults().setVolatile(qint64(1), SettingsKeys::moveToTrash);
        m_clean->setUndoPath(destination);
        std::atomic<bool> takenAway{false};
        m_frontEnd->afterRemoval = [&] {
            if (!takenAway.exchange(true))
                ::rename(destination.c_str(), at("dest-was").c_str());
        };
        clean();
        QCOMPARE(m_frontEnd->removedFiles.size(), 2);
        const QByteArray first = m_frontEnd->removedFiles[0], second = m_frontEnd->removedFiles[1];
        QVERIFY(m_frontEnd->failed.isEmpty());
        QVERIFY(exists("dest-was/" + first) && exists("dest/" + second));
        m_clean->undoTask();
        QVERIFY(waitForScanQueue());
        QCOMPARE(existing({"src/" + first, "src/" + second, "dest-was/" + first}),
                 QByteArrayList({"src/" + second, "dest-was/" + first}));
    }

    void oneFileToTheTrash()
    {
        write({{"t/a/only-here", "dup"}, {"t/b", "dup"}, {"t/alone", "alone"}});
        scan({"t"});
        const auto named = [&](const QByteArray &name) {
            for (const MyTreeNode::Ptr &node : m_manager->rootNodes().first()->allFiles().toList()) {
                if (node->FileURL().fileName() == name)
                    return node;
            }
            return MyTreeNode::Ptr();
        };
        m_clean->deleteOneFile(named("alone")); // in no group of two: refused
        QVERIFY(waitForScanQueue());
        QVERIFY(exists("t/alone"));
        m_clean->deleteOneFile(named("only-here"));
        QVERIFY(waitForScanQueue());
        QVERIFY(!exists("t/a")); // the emptied folder followed it to the trash
        const QByteArray trash = qgetenv("XDG_DATA_HOME") + "/Trash/files/";
        QCOMPARE(TestFs::readFile(Url::fromPath(trash + "only-here")), QByteArray("dup"));
        QCOMPARE(m_manager->totalDupGroupNumber(), 0);
        m_clean->deleteOneFile(named("b")); // now the last of its group
        QVERIFY(waitForScanQueue());
        QVERIFY(exists("t/b"));
    }
};

TWINSIFT_TEST_MAIN(TestCleanTask, QCoreApplication)
#include "tst_clean_task.moc"
