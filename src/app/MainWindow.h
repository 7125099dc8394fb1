#pragma once

#include "browser/ShownGroups.h"
#include "browser/SourceList.h"
#include "clean/CleanController.h"
#include "scan/SourceNodeManager.h"

#include <QMainWindow>
#include <QTimer>

#include <memory>

class CleanTaskWindow;
class DesktopServices;
class DuplicateListView;
class OpenPanel;
class QAction;
class QLabel;
class QLineEdit;
class QProgressBar;
class QSplitter;
class ScanActivity;
class ScanRulePanel;
class SegmentedControl;
class SourceListView;

// TwinSift's one window: the source list on the left with its control and statistics, the duplicate
// list on the right with its filter, group actions and statistics, the toolbar and menus, and the
// status bar with the status text and, during scans, a busy indicator with the files and bytes taken in
// and compared so far (refreshed at least twice a second). Owns the engine and the controllers of the
// two lists and of the clean-up for as long as it lives, hands the engine new scan rules whenever a
// setting of the scan-rule panel changes, and keeps the list of sources for the next start unless the
// user turned that off.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(DesktopServices &desktop);
    ~MainWindow() override;

    SourceNodeManager &engine() { return m_engine; }
    ShownGroups &shown() { return m_shown; }
    SourceList &sourceList() { return m_sourceList; }
    CleanController &clean() { return m_clean; }
    SourceListView *sourceTable() const { return m_sourceTable; }
    DuplicateListView *dupOutlineView() const { return m_dupOutlineView; }
    SegmentedControl *sourceSegments() const { return m_sourceSegments; }
    SegmentedControl *dupSegments() const { return m_dupSegments; }
    ScanRulePanel *settingPanel() const { return m_settingPanel; }
    CleanTaskWindow *taskWindow() const { return m_taskWindow; }
    QAction *cleanUpAction() const { return m_cleanUpAction; }
    QAction *undoAction() const { return m_undoAction; }
    // The dialog that adds sources; a test gives its own.
    void setOpenPanel(OpenPanel *panel);

    QLineEdit *filterBox() const { return m_filter; }
    QAction *rescanAllAction() const { return m_rescanAllAction; }
    QAction *compactRowsAction() const { return m_compactRowsAction; }
    QAction *rememberSourcesAction() const { return m_rememberSourcesAction; }
    QAction *aboutAction() const { return m_aboutAction; }

    // Writes the shown groups, in the list's order, as a report of the format ("csv" or "json") to the
    // file; false, with a message in the status bar, when it could not be written.
    bool exportShownGroups(const QByteArray &format, const QString &fileName);
    // The sources kept from the last run, when the user keeps them; each path as native bytes.
    static QList<QByteArray> rememberedSources();
    // The sources protected in the last run, as "file://" URIs; read before the sources are added
    // again, which stores the list anew.
    static QStringList rememberedProtection();
    // Protects the sources whose URIs are given.
    void protectSources(const QStringList &protectedUris);
    // Shows a message for people in the status bar for a while, over the status text.
    void showNotice(const QString &text);

    QAction *helpAction() const { return m_helpAction; }
    QAction *productsAction() const { return m_productsAction; }
    QAction *quitAction() const { return m_quitAction; }

    // Keeps the window's size and dividers for the next start.
    void saveLayout();
    // Hands the engine the scan rules the settings hold now.
    void publishScanRules();

private:
    QWidget *makeSourcePane();
    QWidget *makeDuplicatePane();
    void makeActions();
    void restoreLayout();
    void showStatus();
    void showStatistics();
    void showAbout();
    void askExport(const QByteArray &format);
    void rememberSources();
    void setCompactRows(bool compact);
    // Offers the clean-up and its undo only when they can run.
    void validateToolbarItems();

    SourceNodeManager m_engine;
    ShownGroups m_shown{m_engine};
    SourceList m_sourceList{m_engine};
    CleanController m_clean{m_engine};
    std::shared_ptr<ScanActivity> m_activity;
    std::unique_ptr<OpenPanel> m_sourceChooser;
    SourceListView *m_sourceTable = nullptr;
    DuplicateListView *m_dupOutlineView = nullptr;
    SegmentedControl *m_sourceSegments = nullptr;
    SegmentedControl *m_dupSegments = nullptr;
    ScanRulePanel *m_settingPanel = nullptr;
    CleanTaskWindow *m_taskWindow = nullptr;
    QSplitter *m_splitter = nullptr;
    QLabel *m_sourceStat = nullptr;
    QLabel *m_dupGroupStat = nullptr;
    QLabel *m_status = nullptr;
    QLabel *m_counts = nullptr;
    QProgressBar *m_busy = nullptr;
    QLineEdit *m_filter = nullptr;
    // Moves the counts on while scans read large files and announce nothing.
    QTimer m_progressTimer;
    QAction *m_cleanUpAction = nullptr;
    QAction *m_undoAction = nullptr;
    QAction *m_rescanAllAction = nullptr;
    QAction *m_compactRowsAction = nullptr;
    QAction *m_rememberSourcesAction = nullptr;
    QAction *m_aboutAction = nullptr;
    QAction *m_helpAction = nullptr;
    QAction *m_productsAction = nullptr;
    QAction *m_quitAction = nullptr;
};
