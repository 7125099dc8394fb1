#include "app/MainWindow.h"

#include "app/CleanAlert.h"
#include "app/CleanTaskWindow.h"
#include "app/DuplicateListModel.h"
#include "app/DuplicateListView.h"
#include "app/RowPictures.h"
#include "app/ScanActivity.h"
#include "app/ScanRulePanel.h"
#include "app/SegmentedControl.h"
#include "app/SourceChooser.h"
#include "app/SourceListView.h"
#include "app/WebPages.h"
#include "app/WindowSettings.h"
#include "browser/ReportFormat.h"
#include "browser/ReportScope.h"
#include "platform/Desktop.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QSaveFile>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QLabel *statisticsLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QLabel *heading(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

MainWindow::MainWindow(DesktopServices &desktop)
    : m_activity(std::make_shared<ScanActivity>()), m_sourceChooser(std::make_unique<SourceChooser>(this))
{
    setWindowTitle(QStringLiteral("TwinSift"));
    m_shown.setDesktopServices(&desktop);
    m_sourceList.setDesktopServices(&desktop);
    m_sourceList.setOpenPanel(m_sourceChooser.get());
    m_sourceList.setRulesPublisher([this] { publishScanRules(); });
    m_engine.setScanProgress(m_activity);
    m_engine.setNamesCategoriesAhead(true);
    // Renumbered sources change the source column of the duplicate list.
    connect(&m_sourceList, &SourceList::sourcesRenumbered, &m_shown, &ShownGroups::sourceNumbersChanged);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->addWidget(makeSourcePane());
    m_splitter->addWidget(makeDuplicatePane());
    m_splitter->setStretchFactor(0, 2);
    m_splitter->setStretchFactor(1, 5);
    m_splitter->setChildrenCollapsible(false);
    setCentralWidget(m_splitter);
    m_sourceList.setSourceTable(m_sourceTable);
    m_shown.setDupOutlineView(m_dupOutlineView);
    m_settingPanel = new ScanRulePanel(this);
    m_sourceList.setSettingPanel(m_settingPanel);
    connect(m_settingPanel, &ScanRulePanel::rulesChanged, this, &MainWindow::publishScanRules);
    const auto alert = std::make_shared<CleanAlert>(this);
    m_clean.setCleanFrontEnd(alert);
    m_taskWindow = new CleanTaskWindow(m_clean, m_shown, alert, this);
    m_clean.setTaskWindow(m_taskWindow);

    m_status = new QLabel(this);
    m_status->setMinimumWidth(1);
    m_status->setTextFormat(Qt::PlainText);
    m_busy = new QProgressBar(this);
    m_busy->setRange(0, 0);
    m_busy->setMaximumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 8);
    m_busy->setTextVisible(false);
    //% "Scanning"
    m_busy->setAccessibleName(StringTable::text("SCAN_BUSY_NAME"));
    m_counts = new QLabel(this);
    statusBar()->addWidget(m_status, 1);
    statusBar()->addPermanentWidget(m_busy);
    statusBar()->addPermanentWidget(m_counts);
    makeActions();

    connect(&m_engine, &SourceNodeManager::statBarStringChanged, this, &MainWindow::showStatus);
    connect(&m_engine, &SourceNodeManager::sourcesChanged, this, &MainWindow::showStatus);
    connect(&m_shown, &ShownGroups::statisticsChanged, this, &MainWindow::showStatistics);
    connect(&m_sourceList, &SourceList::statisticsChanged, this, &MainWindow::showStatistics);
    connect(&m_sourceList, &SourceList::pathsNoticed, this, &MainWindow::showNotice);
    connect(&m_shown, &ShownGroups::actionFailed, this, &MainWindow::showNotice);
    connect(&m_engine, &SourceNodeManager::sourcesChanged, this, &MainWindow::rememberSources);
    m_progressTimer.setInterval(500);
    connect(&m_progressTimer, &QTimer::timeout, this, [this] {
        showStatus();
        m_sourceList.updateSourceStat();
    });
    // The clean-up's rules change in its window; the marks of the files they keep follow.
    connect(m_taskWindow, &QDialog::finished, m_dupOutlineView->viewport(), qOverload<>(&QWidget::update));
    connect(&m_clean, &CleanController::cleanTaskStateChanged, this, &MainWindow::validateToolbarItems);
    connect(&m_engine, &SourceNodeManager::sourcesChanged, this, &MainWindow::validateToolbarItems);
    connect(&m_engine, &SourceNodeManager::summaryChanged, this, &MainWindow::validateToolbarItems);
    showStatus();
    showStatistics();
    validateToolbarItems();
    restoreLayout();
    setCompactRows(UserDefaults::standard().boolForKey(WindowSettings::compactRows));
}

MainWindow::~MainWindow()
{
    // The lists and the windows refer to the engine and the controllers, which go before the window's
    // children would.
    m_shown.setDupOutlineView(nullptr);
    m_sourceList.setSourceTable(nullptr);
    m_sourceList.setOpenPanel(nullptr);
    m_sourceList.setSettingPanel(nullptr);
    m_clean.setTaskWindow(nullptr);
    delete takeCentralWidget();
    delete m_settingPanel;
    delete m_taskWindow;
}

void MainWindow::setOpenPanel(OpenPanel *panel)
{
    m_sourceList.setOpenPanel(panel);
}

void MainWindow::publishScanRules()
{
    m_engine.setScanRules(ScanRules::fromSettings(UserDefaults::standard()));
}

QWidget *MainWindow::makeSourcePane()
{
    auto *pane = new QWidget(this);
    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(6, 6, 3, 6);
    //% "Sources"
    layout->addWidget(heading(StringTable::text("SOURCES_HEADING"), pane));
    m_sourceTable = new SourceListView(m_sourceList, pane);
    m_sourceTable->setAcceptDrops(false);
    layout->addWidget(m_sourceTable, 1);
    m_sourceSegments = new SegmentedControl(pane);
    //% "Rules…"
    m_sourceSegments->addSegment(RowPictures::themed("configure", QStyle::SP_FileDialogDetailedView),
                                 StringTable::text("RULES_SEGMENT"));
    //% "Add…"
    m_sourceSegments->addSegment(RowPictures::themed("list-add", QStyle::SP_FileDialogNewFolder),
                                 StringTable::text("ADD_SEGMENT"), QKeySequence::Open);
    //% "Remove All"
    m_sourceSegments->addSegment(RowPictures::themed("edit-clear-all", QStyle::SP_TrashIcon),
                                 StringTable::text("REMOVE_ALL_SEGMENT"));
    connect(m_sourceSegments, &SegmentedControl::activated, this,
            [this] { m_sourceList.segmentAction(m_sourceSegments); });
    layout->addWidget(m_sourceSegments);
    m_sourceStat = statisticsLabel(pane);
    layout->addWidget(m_sourceStat);
    return pane;
}

QWidget *MainWindow::makeDuplicatePane()
{
    auto *pane = new QWidget(this);
    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(3, 6, 6, 6);
    auto *bar = new QHBoxLayout;
    //% "Duplicates"
    bar->addWidget(heading(StringTable::text("DUPLICATES_HEADING"), pane));
    bar->addSpacing(12);
    m_dupSegments = new SegmentedControl(pane);
    //% "Tick All"
    m_dupSegments->addSegment(RowPictures::themed("checkbox-checked-symbolic", QStyle::SP_DialogApplyButton),
                              StringTable::text("TICK_ALL_SEGMENT"));
    //% "Untick All"
    m_dupSegments->addSegment(RowPictures::themed("checkbox-symbolic", QStyle::SP_DialogCancelButton),
                              StringTable::text("UNTICK_ALL_SEGMENT"));
    //% "Collapse All"
    m_dupSegments->addSegment(RowPictures::themed("go-up", QStyle::SP_ArrowUp),
                              StringTable::text("COLLAPSE_ALL_SEGMENT"),
                              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    //% "Expand All"
    m_dupSegments->addSegment(RowPictures::themed("go-down", QStyle::SP_ArrowDown),
                              StringTable::text("EXPAND_ALL_SEGMENT"), QKeySequence(Qt::CTRL | Qt::Key_E));
    connect(m_dupSegments, &SegmentedControl::activated, this,
            [this] { m_shown.dupSegmentAction(m_dupSegments); });
    bar->addWidget(m_dupSegments);
    bar->addStretch();
    m_filter = new QLineEdit(pane);
    //% "Filter: part of a name or path, or a pattern such as *.jpg"
    m_filter->setPlaceholderText(StringTable::text("FILTER_PLACEHOLDER"));
    //% "Filter"
    m_filter->setAccessibleName(StringTable::text("FILTER_NAME"));
    m_filter->setClearButtonEnabled(true);
    m_filter->setMinimumWidth(fontMetrics().horizontalAdvance(m_filter->placeholderText()) * 3 / 4);
    connect(m_filter, &QLineEdit::textChanged, &m_shown, &ShownGroups::setFilterText);
    bar->addWidget(m_filter, 1);
    layout->addLayout(bar);
    m_dupOutlineView = new DuplicateListView(m_shown, m_clean, pane);
    layout->addWidget(m_dupOutlineView, 1);
    m_dupGroupStat = statisticsLabel(pane);
    layout->addWidget(m_dupGroupStat);
    return pane;
}

void MainWindow::makeActions()
{
    const auto action = [this](const QIcon &icon, const QString &text, const QKeySequence &shortcut,
                               auto slot) {
        auto *made = new QAction(icon, text, this);
        made->setShortcut(shortcut);
        connect(made, &QAction::triggered, this, slot);
        return made;
    };
    //% "Add Sources…"
    QAction *add = action(RowPictures::themed("list-add", QStyle::SP_FileDialogNewFolder),
                          StringTable::text("ADD_SOURCES_ACTION"), QKeySequence::Open,
                          [this] { m_sourceSegments->activate(1); });
    //% "Scan Rules…"
    QAction *rules = action(RowPictures::themed("configure", QStyle::SP_FileDialogDetailedView),
                            StringTable::text("SCAN_RULES_ACTION"), QKeySequence(Qt::CTRL | Qt::Key_Comma),
                            [this] { m_sourceSegments->activate(0); });
    //% "Remove All Sources"
    QAction *removeAll =
        action(RowPictures::themed("edit-clear-all", QStyle::SP_TrashIcon),
               StringTable::text("REMOVE_ALL_ACTION"), {}, [this] { m_sourceSegments->activate(2); });
    //% "Clean Up…"
    m_cleanUpAction =
        action(RowPictures::themed("edit-clear", QStyle::SP_TrashIcon), StringTable::text("CLEAN_UP_ACTION"),
               QKeySequence(Qt::CTRL | Qt::Key_K), [this] { m_clean.showTaskWindow(m_cleanUpAction); });
    //% "Undo Clean-up"
    m_undoAction =
        action(RowPictures::themed("edit-undo", QStyle::SP_ArrowBack), StringTable::text("UNDO_ACTION"),
               QKeySequence::Undo, [this] { m_clean.undoTask(m_undoAction); });
    // The application delegate answers these three.
    //% "Quit"
    m_quitAction = new QAction(RowPictures::themed("application-exit", QStyle::SP_DialogCloseButton),
                               StringTable::text("QUIT_ACTION"), this);
    m_quitAction->setShortcut(QKeySequence::Quit);
    const QStringList groupTexts = {
        StringTable::text("TICK_ALL_SEGMENT"), StringTable::text("UNTICK_ALL_SEGMENT"),
        StringTable::text("COLLAPSE_ALL_SEGMENT"), StringTable::text("EXPAND_ALL_SEGMENT")};
    const QKeySequence groupKeys[] = {
        {}, {}, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E), QKeySequence(Qt::CTRL | Qt::Key_E)};
    //% "Help"
    m_helpAction = new QAction(RowPictures::themed("help-contents", QStyle::SP_DialogHelpButton),
                               StringTable::text("HELP_ACTION"), this);
    m_helpAction->setShortcut(QKeySequence::HelpContents);
    //% "More from Quenby"
    m_productsAction = new QAction(StringTable::text("PRODUCTS_ACTION"), this);

    //% "Rescan All"
    m_rescanAllAction = action(RowPictures::themed("view-refresh", QStyle::SP_BrowserReload),
                               StringTable::text("RESCAN_ALL_ACTION"), QKeySequence::Refresh,
                               [this] { m_sourceList.rescanAllSources(); });
    //% "Export as CSV…"
    QAction *exportCsv =
        action(QIcon(), StringTable::text("EXPORT_CSV_ACTION"), {}, [this] { askExport("csv"); });
    //% "Export as JSON…"
    QAction *exportJson =
        action(QIcon(), StringTable::text("EXPORT_JSON_ACTION"), {}, [this] { askExport("json"); });
    //% "Remember Sources"
    m_rememberSourcesAction = action(QIcon(), StringTable::text("REMEMBER_SOURCES_ACTION"), {}, [this] {
        UserDefaults::standard().setBool(m_rememberSourcesAction->isChecked(),
                                         WindowSettings::rememberSources);
        rememberSources();
    });
    m_rememberSourcesAction->setCheckable(true);
    m_rememberSourcesAction->setChecked(UserDefaults::standard().boolForKey(WindowSettings::rememberSources));
    //% "Scanned again at the next start"
    m_rememberSourcesAction->setStatusTip(StringTable::text("REMEMBER_SOURCES_TIP"));
    //% "Compact Rows"
    m_compactRowsAction = action(QIcon(), StringTable::text("COMPACT_ROWS_ACTION"), {}, [this] {
        UserDefaults::standard().setBool(m_compactRowsAction->isChecked(), WindowSettings::compactRows);
        setCompactRows(m_compactRowsAction->isChecked());
    });
    m_compactRowsAction->setCheckable(true);
    //% "Filter Groups"
    QAction *find = action(QIcon(), StringTable::text("FILTER_ACTION"), QKeySequence::Find, [this] {
        m_filter->setFocus(Qt::ShortcutFocusReason);
        m_filter->selectAll();
    });
    // The list answers these keys itself while it has the focus; the menu names them and acts on the
    // list's current row.
    const auto listAction = [&](const char *key, const QKeySequence &shortcut,
                                void (DuplicateListView::*slot)(int)) {
        QAction *made = action(QIcon(), StringTable::text(key), shortcut, [this, slot] {
            const int row = m_dupOutlineView->currentIndex().row();
            if (row >= 0)
                (m_dupOutlineView->*slot)(row);
        });
        made->setShortcutContext(Qt::WidgetShortcut);
        return made;
    };
    QAction *copy = action(QIcon(), StringTable::text("COPY_PATHS_ACTION"), QKeySequence::Copy,
                           [this] { m_dupOutlineView->copySelectedPaths(); });
    copy->setShortcutContext(Qt::WidgetShortcut);
    //% "About TwinSift"
    m_aboutAction = action(RowPictures::themed("help-about", QStyle::SP_MessageBoxInformation),
                           StringTable::text("ABOUT_ACTION"), {}, [this] { showAbout(); });

    //% "&File"
    QMenu *file = menuBar()->addMenu(StringTable::text("FILE_MENU"));
    file->addAction(add);
    file->addAction(m_rescanAllAction);
    file->addAction(removeAll);
    file->addAction(m_rememberSourcesAction);
    file->addSeparator();
    file->addAction(exportCsv);
    file->addAction(exportJson);
    file->addSeparator();
    file->addAction(m_cleanUpAction);
    file->addAction(m_undoAction);
    file->addSeparator();
    file->addAction(rules);
    file->addSeparator();
    file->addAction(m_quitAction);
    //% "&Edit"
    QMenu *edit = menuBar()->addMenu(StringTable::text("EDIT_MENU"));
    edit->addAction(copy);
    edit->addAction(find);
    edit->addSeparator();
    edit->addAction(listAction("OPEN_FILE_ACTION", Qt::Key_Return, &DuplicateListView::openFileAt));
    edit->addAction(listAction("REVEAL_FILE_ACTION", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O),
                               &DuplicateListView::revealFileAt));
    edit->addAction(listAction("TRASH_FILE_ACTION", Qt::Key_Delete, &DuplicateListView::trashFileAt));
    //% "&View"
    QMenu *view = menuBar()->addMenu(StringTable::text("VIEW_MENU"));
    view->addAction(m_compactRowsAction);
    //% "&Groups"
    QMenu *groups = menuBar()->addMenu(StringTable::text("GROUPS_MENU"));
    for (int segment = 0; segment < 4; ++segment)
        groups->addAction(action(QIcon(), groupTexts[segment], groupKeys[segment],
                                 [this, segment] { m_dupSegments->activate(segment); }));
    groups->addSeparator();
    //% "Tick or Untick Group"
    groups->addAction(listAction("TOGGLE_TICK_ACTION", Qt::Key_Space, &DuplicateListView::toggleTick));
    //% "Expand or Collapse Group"
    groups->addAction(listAction("TOGGLE_GROUP_ACTION", Qt::Key_Right, &DuplicateListView::toggleGroupAt));
    //% "&Help"
    QMenu *help = menuBar()->addMenu(StringTable::text("HELP_MENU"));
    help->addAction(m_helpAction);
    help->addAction(m_productsAction);
    help->addAction(m_aboutAction);

    //% "Main Toolbar"
    QToolBar *toolbar = addToolBar(StringTable::text("MAIN_TOOLBAR"));
    toolbar->setObjectName(QStringLiteral("mainToolbar"));
    toolbar->setMovable(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolbar->addAction(add);
    toolbar->addAction(m_cleanUpAction);
    toolbar->addAction(m_undoAction);
    toolbar->addSeparator();
    toolbar->addAction(rules);
    auto *spacer = new QWidget(toolbar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolbar->addWidget(spacer);
    toolbar->addAction(m_helpAction);
}

void MainWindow::showStatus()
{
    const QString text = m_engine.statBarString();
    m_status->setText(
        m_status->fontMetrics().elidedText(text, Qt::ElideMiddle, std::max(m_status->width(), 200)));
    m_status->setToolTip(text.trimmed().isEmpty() ? QString() : text);
    const bool scanning = m_activity->isScanning() || m_engine.isScanning();
    m_busy->setVisible(scanning);
    m_counts->setVisible(scanning);
    if (scanning != m_progressTimer.isActive())
        scanning ? m_progressTimer.start() : m_progressTimer.stop();
    if (scanning) {
        const qint64 files = m_activity->files();
        //% "%1 file(s), %2 taken in · %3 compared"
        m_counts->setText(StringTable::text("SCAN_PROGRESS_STRING", files)
                              .arg(QLocale().toString(files), ShownGroups::byteCountText(m_activity->bytes()),
                                   ShownGroups::byteCountText(m_activity->bytesCompared())));
    }
}

void MainWindow::showNotice(const QString &text)
{
    statusBar()->showMessage(text, 10000);
}

void MainWindow::validateToolbarItems()
{
    const bool idle = m_clean.taskStatus() == TaskStatus::Idle;
    m_cleanUpAction->setEnabled(idle && !m_engine.isScanning() && m_engine.totalDupGroupNumber() > 0);
    m_undoAction->setEnabled(idle && m_clean.validateToolbarItem(QStringLiteral("undo")));
}

void MainWindow::showStatistics()
{
    m_sourceStat->setText(m_sourceList.sourceStatString());
    m_dupGroupStat->setText(m_shown.dupGroupStatString());
}

void MainWindow::showAbout()
{
    //% "<h3>TwinSift %1</h3><p>Finds files with identical content and cleans them up.</p><p>Free software
    // under the GNU General Public License, version 3 or later. It comes with no warranty.</p><p><a
    // href=\"%2\">Help</a> · <a href=\"%3\">Quenby</a></p>"
    QMessageBox::about(this, StringTable::text("ABOUT_ACTION"),
                       StringTable::text("ABOUT_TEXT")
                           .arg(QCoreApplication::applicationVersion(), WebPages::help().toString(),
                                WebPages::products().toString()));
}

void MainWindow::askExport(const QByteArray &format)
{
    //% "Export the Shown Groups"
    const QString fileName = QFileDialog::getSaveFileName(
        this, StringTable::text("EXPORT_DIALOG_TITLE"),
        QDir::home().filePath(QStringLiteral("duplicates.") + QString::fromLatin1(format)));
    if (!fileName.isEmpty())
        exportShownGroups(format, fileName);
}

bool MainWindow::exportShownGroups(const QByteArray &format, const QString &fileName)
{
    QSaveFile file(fileName);
    bool written = file.open(QIODevice::WriteOnly);
    const ReportScope scope = ReportScope::ofEngine(m_engine);
    const QList<DupGroup::Ptr> groups = m_shown.showDupGroups().value_or(QList<DupGroup::Ptr>());
    written = written && ReportFormat::writeReport(format, scope, groups,
                                                   [&](const QByteArray &part) { file.write(part); });
    if (written && file.commit())
        return true;
    //% "The report could not be written to %1: %2"
    showNotice(StringTable::text("EXPORT_FAILED").arg(fileName, file.errorString()));
    return false;
}

QList<QByteArray> MainWindow::rememberedSources()
{
    const UserDefaults &defaults = UserDefaults::standard();
    QList<QByteArray> paths;
    if (!defaults.boolForKey(WindowSettings::rememberSources))
        return paths;
    for (const QString &uri : defaults.stringArrayForKey(WindowSettings::sources).value_or(QStringList())) {
        if (uri.startsWith(QLatin1String("file:///")))
            paths.append(QByteArray::fromPercentEncoding(uri.mid(7).toLatin1()));
    }
    return paths;
}

QStringList MainWindow::rememberedProtection()
{
    return UserDefaults::standard()
        .stringArrayForKey(WindowSettings::protectedSources)
        .value_or(QStringList());
}

void MainWindow::protectSources(const QStringList &protectedUris)
{
    for (const RootNode::Ptr &root : m_engine.rootNodes()) {
        if (protectedUris.contains(QString::fromLatin1(Desktop::fileUri(root->rootURL()))))
            m_engine.setSourceProtected(root, true);
    }
}

void MainWindow::rememberSources()
{
    UserDefaults &defaults = UserDefaults::standard();
    if (!defaults.boolForKey(WindowSettings::rememberSources)) {
        defaults.removeObjectForKey(WindowSettings::sources);
        defaults.removeObjectForKey(WindowSettings::protectedSources);
        return;
    }
    QStringList uris, protectedUris;
    for (const RootNode::Ptr &root : m_engine.rootNodes()) {
        const QString uri = QString::fromLatin1(Desktop::fileUri(root->rootURL()));
        uris.append(uri);
        if (root->isProtected())
            protectedUris.append(uri);
    }
    defaults.setObject(uris, WindowSettings::sources);
    defaults.setObject(protectedUris, WindowSettings::protectedSources);
}

void MainWindow::setCompactRows(bool compact)
{
    m_compactRowsAction->setChecked(compact);
    m_dupOutlineView->setCompact(compact);
}

void MainWindow::saveLayout()
{
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setObject(saveGeometry(), SettingsKeys::mainWindowGeometry);
    defaults.setObject(m_splitter->saveState(), SettingsKeys::mainWindowSplitter);
    defaults.setObject(m_dupOutlineView->header()->saveState(), SettingsKeys::duplicateListColumns);
}

void MainWindow::restoreLayout()
{
    const UserDefaults &defaults = UserDefaults::standard();
    if (!restoreGeometry(defaults.objectForKey(SettingsKeys::mainWindowGeometry).toByteArray())) {
        // The duplicate list has many columns: the first window takes most of the screen, up to a size
        // where they all fit.
        const QSize available = screen()->availableGeometry().size();
        resize(std::min(1400, available.width() * 9 / 10), std::min(880, available.height() * 9 / 10));
    }
    if (!m_splitter->restoreState(defaults.objectForKey(SettingsKeys::mainWindowSplitter).toByteArray()))
        m_splitter->setSizes({500, 860});
    // The columns' widths and places come back; the order is the user's choice of this run only.
    QHeaderView *header = m_dupOutlineView->header();
    const QSignalBlocker blocker(header);
    header->restoreState(defaults.objectForKey(SettingsKeys::duplicateListColumns).toByteArray());
    header->setSortIndicator(-1, Qt::AscendingOrder);
}
