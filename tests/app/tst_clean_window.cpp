// The clean-up as a person does it in the window: the task window's controls and their settings,
// moving into a chosen folder and undoing it, deleting with a failure answered in the alert, and one
// file to the trash from its row.
#include "AppTestSupport.h"
#include "scan/ScanTestSupport.h"

#include "app/AppDelegate.h"
#include "app/CleanTaskWindow.h"
#include "app/DuplicateListModel.h"
#include "app/DuplicateListView.h"
#include "app/MainWindow.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include <fcntl.h>
#include <sys/stat.h>

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

    void scan(const QList<QByteArray> &sources)
    {
        QList<QByteArray> paths;
        for (const QByteArray &source : sources)
            paths << at(source).path();
        m_delegate->openPaths(paths);
        QVERIFY(waitForScanQueue());
    }

    void start()
    {
        QTest::mouseClick(control<QPushButton>(StringTable::text("CLEAN_START_BUTTON")), Qt::LeftButton);
        QVERIFY(waitForScanQueue());
    }

private Q_SLOTS:
    void initTestCase() { StringTable::install(); }

    void init()
    {
        // Each case starts from the stored choices a first start would have.
        for (const QString &key :
             {SettingsKeys::moveToTrash, SettingsKeys::cleanDate, SettingsKeys::cleanDateCheckbox})
            UserDefaults::standard().removeObjectForKey(key);
        UserDefaults::standard().setVolatile(true, SettingsKeys::showedRatePanel);
        m_tree = std::make_unique<TemporaryTree>();
        m_delegate = std::make_unique<AppDelegate>(std::make_unique<RecordingDesktop>());
        m_delegate->applicationDidFinishLaunching();
        UserDefaults::standard().setVolatile(false, SettingsKeys::createThumbnail);
        window().publishScanRules();
        DuplicateListModel *model = &window().dupOutlineView()->listModel();
        new QAbstractItemModelTester(model, QAbstractItemModelTester::FailureReportingMode::Fatal, model);
    }

    void cleanup()
    {
        QVERIFY(waitForScanQueue());
        m_delegate.reset();
        m_tree.reset();
    }

    void moveIntoAFolderAndUndo()
    {
        write("a/one", "1111");
        write("b/one", "1111");
        write("a/two", "22");
        write("b/two", "22");
        TestFs::makeDir(at("dest"));
        scan({"a", "b"});
        QVERIFY(window().cleanUpAction()->isEnabled() && !window().undoAction()->isEnabled());
        window().cleanUpAction()->trigger();
        QVERIFY(taskWindow().isVisible());
        QCOMPARE(manager().statBarString(), StringTable::text("CLEAN_TASK_PROMPT_STRING"));

        // Moving needs a folder first: the chosen one, from the folder dialog.
        QTest::mouseClick(control<QRadioButton>(StringTable::text("CLEAN_MODE_MOVE")), Qt::LeftButton);
        QCOMPARE(UserDefaults::standard().integerForKey(SettingsKeys::moveToTrash), 1);
        QVERIFY(!control<QPushButton>(StringTable::text("CLEAN_START_BUTTON"))->isEnabled());
        QString asked;
        taskWindow().setFolderChooser([&](const QString &message) {
            asked = message;
            return at("dest").path();
        });
        QTest::mouseClick(control<QPushButton>(StringTable::text("CLEAN_CHOOSE_FOLDER_BUTTON")),
                          Qt::LeftButton);
        QCOMPARE(asked, StringTable::text("SELECTED_DIRECTORY_PROMPT"));
        QCOMPARE(window().clean().undoPath(), at("dest"));
        start();
        // The newest copies stay; the folder the older ones leave empty goes too.
        QVERIFY(!TestFs::exists(at("a")) && TestFs::exists(at("dest/one")) && TestFs::exists(at("dest/two")));
        QCOMPARE(manager().statBarString(), StringTable::text("CLEAN_TASK_END_MOVED_STRING", 2));
        QTest::keyClick(&taskWindow(), Qt::Key_Escape);
        QVERIFY(!taskWindow().isVisible());

        QVERIFY(window().undoAction()->isEnabled());
        window().undoAction()->trigger();
        QVERIFY(waitForScanQueue());
        QVERIFY(TestFs::exists(at("a/one")) && TestFs::exists(at("a/two")));
        QVERIFY(!window().undoAction()->isEnabled());
        QCOMPARE(manager().totalDupGroupNumber(), 2);
    }

    // A file changed since the scan cannot be removed: the alert says why, offers to stop as its
    // default answer, and "Continue" goes on.
    void deleteWithAFailure()
    {
        write("a/one", "1111");
        write("b/one", "1111");
        write("a/two", "22");
        write("b/two", "22");
        scan({"a", "b"});
        TestFs::writeFile(at("a/two"), "XX"); // the older copy, which the task removes first
        window().cleanUpAction()->trigger();
        QVERIFY(control<QRadioButton>(StringTable::text("CLEAN_MODE_DELETE"))->isChecked());
        // The alert runs a loop of its own while the task waits: answer it from there, when it shows.
        QStringList alertTexts;
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
            QCOMPARE(alert->defaultButton()->text(), StringTable::text("QUIT_BUTTON_INFO"));
            for (QAbstractButton *button : alert->buttons()) {
                if (button->text() == StringTable::text("CONTINUE_BUTTON_INFO"))
                    button->click();
            }
        });
        answering.start(10);
        start();
        // The changed file stays, and so does its former copy, which now has no identical copy left.
        QCOMPARE(alertTexts.size(), 2);
        QVERIFY(alertTexts[0].contains(QString::fromUtf8(at("a/two").path())));
        QVERIFY(alertTexts[1].contains(QString::fromUtf8(at("b/two").path())));
        QVERIFY(!TestFs::exists(at("a/one")) && TestFs::exists(at("b/one")));
        QCOMPARE(TestFs::readFile(at("a/two")), QByteArray("XX"));
        QVERIFY(TestFs::exists(at("b/two")));
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
