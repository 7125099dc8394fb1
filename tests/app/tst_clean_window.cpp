// The clean-up as a person does it in the window: Enter and the question before deleting for good,
// the preview against what the task does (moving into a chosen folder, or to the trash, and undoing
// it), the count of a running task, a failure answered in the alert and listed after it, and one
// file to the trash from its row.
#include "AppTestSupport.h"
#include "scan/ScanTestSupport.h"

#include "app/AppDelegate.h"
#include "app/CleanPreviewModel.h"
#include "app/CleanTaskWindow.h"
#include "app/DuplicateListModel.h"
#include "app/DuplicateListView.h"
#include "app/MainWindow.h"
#include "clean/CleanTaskOptions.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

class TestCleanWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<TemporaryTree> m_tree;
    std::unique_ptr<AppDelegate> m_delegate;

    MainWindow &window() { return *m_delegate->window(); }
    SourceNodeManager &manager() { return window().engine(); }
    ShownGroups &shown() { return window().shown(); }
    CleanTaskWindow &taskWindow() { return *window().taskWindow(); }
    Url at(const QByteArray &relative) const { return m_tree->url().child(relative); }

    void write(const QByteArray &relative, const QByteArray &content)
    {
        QDir().mkpath(QString::fromUtf8(at(relative).parent().path()));
        TestFs::writeFile(at(relative), content);
        QTest::qWait(12); // born after the file before, for the date rule
    }

    template <typename Widget> Widget *control(const QString &text)
    {
        for (Widget *widget : taskWindow().findChildren<Widget *>()) {
            if (widget->text() == text)
                return widget;
        }
        qFatal("no control %s", qPrintable(text));
    }

    // The preview's file rows: one that stays by its path in the tree, one that goes after "-", with
    // " > " and the place it is moved to.
    QStringList preview()
    {
        const CleanPreviewModel &plan = taskWindow().preview();
        const qsizetype tree = m_tree->url().path().size() + 1;
        QStringList rows;
        for (int row = 0; row < plan.rowCount(); ++row) {
            if (plan.kind(row) == CleanPreviewModel::Kind::Group)
                continue;
            QString text = QString::fromLatin1(plan.file(row)->FileURL().path().mid(tree));
            if (plan.kind(row) == CleanPreviewModel::Kind::Goes)
                text.prepend(u'-');
            if (!plan.destination(row).isNull())
                text += " > " + QString::fromLatin1(plan.destination(row).path().mid(tree));
            rows << text;
        }
        return rows;
    }

    // The question before deleting for good, while it shows.
    QMessageBox *confirmation()
    {
        for (QMessageBox *box : taskWindow().findChildren<QMessageBox *>()) {
            if (box->isVisible())
                return box;
        }
        return nullptr;
    }

    void scan(const QList<QByteArray> &sources)
    {
        QList<QByteArray> paths;
        for (const QByteArray &source : sources)
            paths << at(source).path();
        m_delegate->openPaths(paths);
        QVERIFY(waitForScanQueue());
    }

    // Starts the task, confirming a deletion.
    void start()
    {
        QTest::mouseClick(control<QPushButton>(StringTable::text("CLEAN_START_BUTTON")), Qt::LeftButton);
        if (QMessageBox *question = confirmation()) {
            for (QAbstractButton *button : question->buttons()) {
                if (button->text() == StringTable::text("CLEAN_CONFIRM_DELETE_BUTTON"))
                    button->click();
            }
        }
        QVERIFY(waitForScanQueue());
    }

private Q_SLOTS:
    void initTestCase()
    {
        qunsetenv("XDG_STATE_HOME"); // the undo journals go below the test's own home
        StringTable::install();
    }

    void init()
    {
        // Each case starts from the stored choices a first start would have.
        for (const QString &key : {SettingsKeys::moveToTrash, CleanTaskOptions::replaceModeKey,
                                   SettingsKeys::cleanDate, SettingsKeys::cleanDateCheckbox})
            UserDefaults::standard().removeObjectForKey(key);
        UserDefaults::standard().setVolatile(true, SettingsKeys::showedRatePanel);
        m_tree = std::make_unique<TemporaryTree>();
        m_delegate = std::make_unique<AppDelegate>(std::make_unique<RecordingDesktop>());
        m_delegate->applicationDidFinishLaunching();
        UserDefaults::standard().setVolatile(false, SettingsKeys::createThumbnail);
        window().publishScanRules();
        for (QAbstractItemModel *model : std::initializer_list<QAbstractItemModel *>{
                 &window().dupOutlineView()->listModel(), &taskWindow().preview()})
            new QAbstractItemModelTester(model, QAbstractItemModelTester::FailureReportingMode::Fatal, model);
    }

    void cleanup()
    {
        QVERIFY(waitForScanQueue());
        m_delegate.reset();
        m_tree.reset();
    }

    // Enter, in the window or in the question before deleting for good, removes nothing; neither
    // does Cancel. Confirming deletes what the preview showed, counting up to the planned files. A
    // file changed since the scan cannot be removed: the alert says why, offers to stop as its default
    // answer, and "Continue" goes on. Stop shows while the task runs; the window lists the failures
    // once the alerts are gone.
    void deletingForGood()
    {
        write("a/one", "1111");
        write("b/one", "1111");
        write("a/two", "22");
        write("b/two", "22");
        scan({"a", "b"});
        TestFs::writeFile(at("a/two"), "XX"); // the older copy, which the task removes first
        window().cleanUpAction()->trigger();
        QVERIFY(taskWindow().isVisible());
        // The registered rule keeps the file added last of each group.
        QStringList rows = preview();
        rows.sort();
        QCOMPARE(rows, QStringList({"-a/one", "-a/two", "b/one", "b/two"}));
        QPushButton *startButton = control<QPushButton>(StringTable::text("CLEAN_START_BUTTON"));
        for (QWidget *target : {static_cast<QWidget *>(&taskWindow()), static_cast<QWidget *>(startButton)}) {
            for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
                QTest::keyClick(target, key);
        }
        QVERIFY(!confirmation());
        for (Qt::Key answer : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            startButton->click();
            QMessageBox *question = confirmation();
            QVERIFY(question);
            QCOMPARE(question->text(),
                     StringTable::text("CLEAN_CONFIRM_DELETE", 2).arg(QLocale().formattedDataSize(6)));
            QVERIFY(question->informativeText().contains("cannot be undone"));
            QTest::keyClick(question, answer);
            QVERIFY(!confirmation());
        }
        QVERIFY(waitForScanQueue());
        QVERIFY(TestFs::exists(at("a/one")) && TestFs::exists(at("a/two")));

        startButton->click();
        confirmation()->button(QMessageBox::Cancel)->click();
        QVERIFY(waitForScanQueue());
        QVERIFY(TestFs::exists(at("a/one")));
        // The alert runs a loop of its own while the task waits: answer it from there, when it shows.
        QStringList alertTexts, defaults;
        bool stopShown = false;
        QTimer answering;
        connect(&answering, &QTimer::timeout, this, [&] {
            QMessageBox *alert = nullptr;
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
                    alert = box;
            }
            if (!alert)
                return;
            alertTexts << alert->informativeText();
            defaults << alert->defaultButton()->text();
            // While the task waits for the answer, the window offers to stop it.
            stopShown = control<QPushButton>(StringTable::text("CLEAN_STOP_BUTTON"))->isVisible();
            for (QAbstractButton *button : alert->buttons()) {
                if (button->text() == StringTable::text("CONTINUE_BUTTON_INFO"))
                    button->click();
            }
        });
        answering.start(10);
        start();
        // The changed file stays, and so does its former copy, which now has no identical copy left.
        QCOMPARE(alertTexts.size(), 2);
        QCOMPARE(defaults, QStringList(2, StringTable::text("QUIT_BUTTON_INFO")));
        QVERIFY(alertTexts[0].contains(QString::fromUtf8(at("a/two").path())));
        QVERIFY(alertTexts[1].contains(QString::fromUtf8(at("b/two").path())));
        QVERIFY(!TestFs::exists(at("a/one")) && TestFs::exists(at("b/one")));
        QCOMPARE(TestFs::readFile(at("a/two")), QByteArray("XX"));
        QVERIFY(TestFs::exists(at("b/two")));
        QVERIFY(stopShown && !control<QPushButton>(StringTable::text("CLEAN_STOP_BUTTON"))->isVisible());
        QVERIFY(control<QLabel>(StringTable::text("CLEAN_FAILURES_TITLE", 2))->isVisible());
        const QString failures = taskWindow().findChild<QPlainTextEdit *>()->toPlainText();
        QVERIFY(failures.contains(alertTexts[0]) && failures.contains(alertTexts[1]));
        const auto *progress = taskWindow().findChild<QProgressBar *>();
        QVERIFY(progress->isVisible() && progress->value() == 2 && progress->maximum() == 2);
        QCOMPARE(progress->format(), StringTable::text("CLEAN_PROGRESS", 2).arg(QLocale().toString(2)));
    }

    // The preview lists what the task then does: each file that goes, and for a move the name it
    // takes in the folder (the first free one, a name there or one taken by an earlier move skipped).
    // Choosing which file to keep turns the date rule on whatever was stored. A hard link is said to
    // take the staying copy's metadata before it starts. Undo brings all back.
    void previewIsThePlanThatRuns_data()
    {
        QTest::addColumn<qint64>("mode"); // 1 move, 2 trash, 3 a hard link
        QTest::addColumn<bool>("keepFirst");
        QTest::newRow("move, keep the file added last") << qint64(1) << false;
        QTest::newRow("trash, keep the file added first") << qint64(2) << true;
        QTest::newRow("hard link, keep the file added last") << qint64(3) << false;
    }
    void previewIsThePlanThatRuns()
    {
        QFETCH(qint64, mode);
        QFETCH(bool, keepFirst);
        UserDefaults::standard().setBool(false, SettingsKeys::cleanDateCheckbox);
        const QByteArray oddName("caf\xe9\n.txt");
        write("a/one", "1111");
        write("a/x/one", "333");
        write("a/" + oddName, "55");
        write("b/one", "1111");
        write("b/x/one", "333");
        write("b/" + oddName, "55");
        TestFs::writeFile(at("dest/one"), "taken");
        scan({"a", "b"});
        window().cleanUpAction()->trigger();
        const char *modeText = mode == 1   ? "CLEAN_MODE_MOVE"
                               : mode == 2 ? "CLEAN_MODE_TRASH"
                                           : "CLEAN_MODE_HARD_LINK";
        control<QRadioButton>(StringTable::text(modeText))->click();
        QCOMPARE(UserDefaults::standard().integerForKey(SettingsKeys::moveToTrash), mode % 3);
        QCOMPARE(UserDefaults::standard().integerForKey(CleanTaskOptions::replaceModeKey), mode / 3);
        if (mode == 1) {
            QVERIFY(!control<QPushButton>(StringTable::text("CLEAN_START_BUTTON"))->isEnabled());
            taskWindow().setFolderChooser([&](const QString &) { return at("dest").path(); });
            QTest::mouseClick(control<QPushButton>(StringTable::text("CLEAN_CHOOSE_FOLDER_BUTTON")),
                              Qt::LeftButton);
        }
        if (keepFirst) {
            auto *order = taskWindow().findChild<QComboBox *>();
            order->setCurrentIndex(1);
            Q_EMIT order->activated(1);
        }
        // The preview follows the changes on a short timer.
        const QByteArray goes = keepFirst ? "-b/" : "-a/";
        QTRY_VERIFY_WITH_TIMEOUT(preview().filter(goes).size() == 3 &&
                                     (mode != 1 || preview().filter(" > dest/").size() == 3),
                                 60000);
        const CleanPreviewModel &plan = taskWindow().preview();
        QList<std::pair<MyTreeNode::Ptr, Url>> going;
        QList<Url> staying;
        for (int row = 0; row < plan.rowCount(); ++row) {
            if (plan.kind(row) == CleanPreviewModel::Kind::Goes)
                going.append({plan.file(row), plan.destination(row)});
            else if (plan.kind(row) == CleanPreviewModel::Kind::Stays)
                staying.append(plan.file(row)->FileURL());
        }
        QCOMPARE(going.size(), 3);
        if (mode == 3) {
            // The plan's text follows on the same timer as the preview, whose rows are those of a deletion.
            const QString note =
                StringTable::text("CLEAN_PLAN_HARD_LINK", 3).arg(QLocale().formattedDataSize(9));
            const auto noted = [&] {
                const QList<QLabel *> labels = taskWindow().findChildren<QLabel *>();
                return std::any_of(labels.cbegin(), labels.cend(),
                                   [&](QLabel *label) { return label->text() == note; });
            };
            QTRY_VERIFY_WITH_TIMEOUT(noted(), 60000);
        }
        if (mode == 1) {
            int ones = 0;
            for (const auto &[file, destination] : going) {
                const QByteArray name = file->FileURL().fileName();
                QCOMPARE(destination,
                         at("dest/" + (name == "one" ? "one_" + QByteArray::number(++ones) : name)));
            }
        }
        control<QPushButton>(StringTable::text("CLEAN_START_BUTTON"))->click();
        QVERIFY(!confirmation()); // only deleting for good asks
        QVERIFY(waitForScanQueue());
        for (const Url &file : staying)
            QVERIFY(TestFs::exists(file));
        QList<Url> places;
        for (const auto &[file, destination] : going) {
            const Url went = places.emplace_back(file->removeDstURL());
            QVERIFY(TestFs::exists(went));
            if (mode == 3)
                QCOMPARE(TestFs::statOf(file->FileURL()).st_ino, TestFs::statOf(went).st_ino);
            else
                QVERIFY(!TestFs::exists(file->FileURL()));
            QVERIFY(mode == 1   ? went == destination
                    : mode == 2 ? went.path().startsWith(TestFs::homeTrash().path())
                                : staying.contains(went));
        }
        QCOMPARE(TestFs::readFile(at("dest/one")), QByteArray("taken"));
        QCOMPARE(taskWindow().findChild<QProgressBar *>()->value(), 3);
        if (mode == 2)
            QCOMPARE(manager().statBarString(), StringTable::text("CLEAN_TASK_END_TRASHED_STRING", 3));

        QTest::keyClick(&taskWindow(), Qt::Key_Escape);
        QVERIFY(!taskWindow().isVisible());
        window().undoAction()->trigger();
        QVERIFY(waitForScanQueue());
        for (const auto &[file, destination] : going)
            QCOMPARE(TestFs::statOf(file->FileURL()).st_nlink, nlink_t(1));
        QCOMPARE(TestFs::entries(at("dest")), QList<QByteArray>({"one"}));
        // Nothing is left where the files went, the trash lists none of them, and the groups are whole.
        for (const Url &went : places) {
            QVERIFY(mode == 3 || !TestFs::exists(went));
            QVERIFY(!TestFs::exists(TestFs::homeTrash().child("info/" + went.fileName() + ".trashinfo")));
        }
        QCOMPARE(manager().totalDupGroupNumber(), 3);
        QVERIFY(!window().undoAction()->isEnabled());
    }

    void deleteKeySendsTheFileToTheTrash()
    {
        write("a/one", "1111");
        write("b/one", "1111");
        scan({"a", "b"});
        DuplicateListView &list = *window().dupOutlineView();
        list.expandItems(*shown().showDupGroups());
        list.setFocus();
        list.setCurrentIndex(list.listModel().index(1, 0));
        QTest::keyClick(&list, Qt::Key_Delete);
        QVERIFY(waitForScanQueue());
        QCOMPARE(manager().totalDupGroupNumber(), 0);
        QCOMPARE(int(TestFs::exists(at("a/one"))) + int(TestFs::exists(at("b/one"))), 1);
    }
};

TWINSIFT_TEST_MAIN(TestCleanWindow, QApplication)
#include "tst_clean_window.moc"
