#include "app/CleanTaskWindow.h"

#include "app/CleanAlert.h"
#include "app/CleanPreviewModel.h"
#include "app/DeleteConfirmation.h"
#include "browser/ShownGroups.h"
#include "clean/CleanController.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"
#include "scan/SourceNodeManager.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

UserDefaults &defaults()
{
    return UserDefaults::standard();
}

// A check box and a list of choices, both bound to their settings.
void bindRule(QCheckBox *box, const QString &boxKey, QComboBox *choices, const QString &choiceKey)
{
    QObject::connect(box, &QCheckBox::toggled, box, [boxKey](bool on) { defaults().setBool(on, boxKey); });
    QObject::connect(choices, &QComboBox::activated, choices,
                     [choiceKey](int index) { defaults().setInteger(index, choiceKey); });
    QObject::connect(box, &QCheckBox::toggled, choices, &QWidget::setEnabled);
}

// A radio button that stores its mode's numbers when chosen: delete, move or trash, and the replacing
// mode (none, hard link, reflink) that takes precedence over them.
QRadioButton *modeButton(const QString &text, qint64 mode, qint64 replacing, QWidget *parent)
{
    auto *button = new QRadioButton(text, parent);
    QObject::connect(button, &QRadioButton::toggled, button, [mode, replacing](bool on) {
        if (!on)
            return;
        defaults().setInteger(mode, SettingsKeys::moveToTrash);
        defaults().setInteger(replacing, CleanTaskOptions::replaceModeKey);
    });
    return button;
}

} // namespace

CleanTaskWindow::CleanTaskWindow(CleanController &clean, ShownGroups &shown,
                                 std::shared_ptr<CleanAlert> alert, QWidget *parent)
    : QDialog(parent), m_clean(clean), m_shown(shown), m_alert(std::move(alert))
{
    //% "Clean Up Duplicates"
    setWindowTitle(StringTable::text("CLEAN_TASK_TITLE"));
    setWindowModality(Qt::WindowModal);
    setWindowOpacity(0.93);
    // Tall enough that the preview, the part that tells what will happen, shows a dozen files.
    resize(960, 720);
    auto *layout = new QVBoxLayout(this);

    //% "What happens to the copies"
    auto *mode = new QGroupBox(StringTable::text("CLEAN_MODE_GROUP"), this);
    auto *modeLayout = new QVBoxLayout(mode);
    //% "Delete them permanently (they do not go to the Trash)"
    m_delete = modeButton(StringTable::text("CLEAN_MODE_DELETE"), 0, 0, mode);
    //% "Send them to the trash (they can be restored from the trash, and by Undo)"
    m_trash = modeButton(StringTable::text("CLEAN_MODE_TRASH"), 2, 0, mode);
    //% "Replace them by hard links to the copy that stays (same file system only; can be undone)"
    m_hardLink = modeButton(StringTable::text("CLEAN_MODE_HARD_LINK"), 0, 1, mode);
    //% "Replace them by reflinks sharing the blocks of the copy that stays (btrfs, XFS; can be undone)"
    m_reflink = modeButton(StringTable::text("CLEAN_MODE_REFLINK"), 0, 2, mode);
    //% "Move them into a folder (can be undone)"
    m_move = modeButton(StringTable::text("CLEAN_MODE_MOVE"), 1, 0, mode);
    auto *destinationRow = new QHBoxLayout;
    m_destination = new QLabel(mode);
    m_destination->setTextFormat(Qt::PlainText);
    m_destination->setTextInteractionFlags(Qt::TextSelectableByMouse);
    //% "Choose Folder…"
    m_chooseFolder = new QPushButton(StringTable::text("CLEAN_CHOOSE_FOLDER_BUTTON"), mode);
    destinationRow->addSpacing(24);
    destinationRow->addWidget(m_destination, 1);
    destinationRow->addWidget(m_chooseFolder);
    modeLayout->addWidget(m_delete);
    modeLayout->addWidget(m_trash);
    modeLayout->addWidget(m_hardLink);
    modeLayout->addWidget(m_reflink);
    modeLayout->addWidget(m_move);
    modeLayout->addLayout(destinationRow);
    layout->addWidget(mode);
    connect(m_chooseFolder, &QPushButton::clicked, this, [this] { m_clean.SelectPath(m_chooseFolder); });

    //% "Which copies go"
    auto *rules = new QGroupBox(StringTable::text("CLEAN_RULES_GROUP"), this);
    auto *form = new QFormLayout(rules);
    m_date = new QComboBox(rules);
    //% "the file added last"
    m_date->addItem(StringTable::text("CLEAN_KEEP_ADDED_LAST"));
    //% "the file added first"
    m_date->addItem(StringTable::text("CLEAN_KEEP_ADDED_FIRST"));
    //% "Only copies in the source"
    m_folderRule = new QCheckBox(StringTable::text("CLEAN_FOLDER_RULE"), rules);
    m_folder = new QComboBox(rules);
    //% "Only copies with the extension"
    m_typeRule = new QCheckBox(StringTable::text("CLEAN_TYPE_RULE"), rules);
    m_type = new QComboBox(rules);
    //% "Keep in each group"
    form->addRow(StringTable::text("CLEAN_DATE_RULE"), m_date);
    form->addRow(m_folderRule, m_folder);
    form->addRow(m_typeRule, m_type);
    layout->addWidget(rules);
    // Every task keeps one file of each group it takes, and without the date rule the one added last:
    // the rule is always on, and choosing an order says so.
    connect(m_date, &QComboBox::activated, this, [](int index) {
        defaults().setBool(true, SettingsKeys::cleanDateCheckbox);
        defaults().setInteger(index, SettingsKeys::cleanDate);
    });
    bindRule(m_folderRule, SettingsKeys::cleanFolderCheckbox, m_folder, SettingsKeys::cleanFolder);
    bindRule(m_typeRule, SettingsKeys::cleanTypeCheckbox, m_type, SettingsKeys::cleanType);
    for (QCheckBox *box : {m_folderRule, m_typeRule})
        connect(box, &QCheckBox::toggled, this, &CleanTaskWindow::schedulePreview);
    for (QComboBox *choices : {m_date, m_folder, m_type})
        connect(choices, &QComboBox::activated, this, &CleanTaskWindow::schedulePreview);
    for (QRadioButton *button : {m_delete, m_trash, m_hardLink, m_reflink, m_move})
        connect(button, &QRadioButton::toggled, this, &CleanTaskWindow::refresh);

    m_preview = new CleanPreviewModel(this);
    auto *previewView = new QTreeView(this);
    previewView->setModel(m_preview);
    previewView->setRootIsDecorated(false);
    previewView->setUniformRowHeights(true);
    previewView->setAlternatingRowColors(true);
    previewView->setTextElideMode(Qt::ElideMiddle);
    previewView->setSelectionMode(QAbstractItemView::NoSelection);
    previewView->header()->setStretchLastSection(true);
    previewView->setColumnWidth(CleanPreviewModel::FileColumn, 490);
    previewView->setColumnWidth(
        CleanPreviewModel::AddedColumn,
        fontMetrics().horizontalAdvance(
            StringTable::text("CLEAN_PREVIEW_MODIFIED_DATE").arg(QStringLiteral("0000-00-00  00:00:00 "))));
    layout->addWidget(previewView, 1);
    m_previewTimer.setSingleShot(true);
    m_previewTimer.setInterval(150);
    connect(&m_previewTimer, &QTimer::timeout, this, &CleanTaskWindow::updatePreview);
    connect(&m_shown, &ShownGroups::showDupGroupsChanged, this, [this] {
        if (isVisible())
            schedulePreview();
    });

    m_plan = new QLabel(this);
    m_plan->setWordWrap(true);
    layout->addWidget(m_plan);

    auto *progressRow = new QHBoxLayout;
    m_progress = new QProgressBar(this);
    //% "Stop"
    m_stop = new QPushButton(StringTable::text("CLEAN_STOP_BUTTON"), this);
    progressRow->addWidget(m_progress, 1);
    progressRow->addWidget(m_stop);
    layout->addLayout(progressRow);
    m_progress->hide();
    m_stop->hide();
    connect(m_stop, &QPushButton::clicked, this, [this] { m_clean.setTaskStatus(TaskStatus::Idle); });
    m_progressTimer.setInterval(250);
    connect(&m_progressTimer, &QTimer::timeout, this, &CleanTaskWindow::showProgress);

    m_failureTitle = new QLabel(this);
    m_failures = new QPlainTextEdit(this);
    m_failures->setReadOnly(true);
    m_failures->setMaximumHeight(fontMetrics().lineSpacing() * 4);
    layout->addWidget(m_failureTitle);
    layout->addWidget(m_failures);
    m_failureTitle->hide();
    m_failures->hide();

    m_status = new QLabel(this);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setForegroundRole(QPalette::PlaceholderText);
    m_status->setWordWrap(true);
    layout->addWidget(m_status);

    auto *buttons = new QDialogButtonBox(this);
    //% "Start"
    // Not the accept role: a button box makes its first accept button the default one, which Enter
    // presses.
    m_start = buttons->addButton(StringTable::text("CLEAN_START_BUTTON"), QDialogButtonBox::ActionRole);
    QPushButton *close = buttons->addButton(QDialogButtonBox::Close);
    layout->addWidget(buttons);
    connect(m_start, &QPushButton::clicked, this, &CleanTaskWindow::start);
    connect(close, &QPushButton::clicked, this, [this, close] { m_clean.closeTaskWindow(close); });
    // A dialog's buttons default to answering Enter: here none may, so that Enter never removes.
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);

    connect(&m_clean, &CleanController::cleanTaskStateChanged, this, &CleanTaskWindow::taskStateChanged);
    connect(&m_clean.engine(), &SourceNodeManager::statBarStringChanged, this,
            [this] { m_status->setText(m_clean.engine().statBarString()); });
    m_folderChooser = [this](const QString &message) {
        return QFile::encodeName(QFileDialog::getExistingDirectory(this, message));
    };
}

CleanTaskWindow::~CleanTaskWindow() = default;

void CleanTaskWindow::beginSheet()
{
    // What the last task did was said when it ended; a new visit starts from the plan.
    for (QWidget *outcome : {static_cast<QWidget *>(m_progress), static_cast<QWidget *>(m_failureTitle),
                             static_cast<QWidget *>(m_failures)})
        outcome->hide();
    refresh();
    updatePreview();
    open();
}

void CleanTaskWindow::stopModal()
{
    QDialog::reject();
}

void CleanTaskWindow::reject()
{
    // Escape and the window's close button close it as the Close button does.
    m_clean.closeTaskWindow(this);
}

void CleanTaskWindow::chooseFolder(const QString &message, std::function<void(QByteArray)> completion)
{
    const QByteArray path = m_folderChooser(message);
    if (!path.isEmpty())
        completion(path);
}

void CleanTaskWindow::refresh()
{
    const QList<QWidget *> controls = {m_delete, m_trash,      m_hardLink, m_reflink,  m_move,
                                       m_date,   m_folderRule, m_folder,   m_typeRule, m_type};
    for (QWidget *control : controls)
        control->blockSignals(true);
    using Mode = CleanTaskOptions::Mode;
    const Mode mode = CleanTaskOptions::fromSettings(defaults(), {}).moveMode;
    const QHash<Mode, QRadioButton *> buttons = {{Mode::Delete, m_delete},
                                                 {Mode::Trash, m_trash},
                                                 {Mode::HardLink, m_hardLink},
                                                 {Mode::Reflink, m_reflink},
                                                 {Mode::Move, m_move}};
    buttons.value(mode)->setChecked(true);
    const Url destination = m_clean.undoPath();
    //% "No folder chosen yet"
    m_destination->setText(destination.isNull() ? StringTable::text("CLEAN_NO_FOLDER")
                                                : destination.displayPath());
    m_destination->setEnabled(mode == Mode::Move);
    m_chooseFolder->setEnabled(mode == Mode::Move);
    updateStart();

    // With the date rule off a task keeps the file added last, as the first choice says.
    m_date->setCurrentIndex(defaults().boolForKey(SettingsKeys::cleanDateCheckbox)
                                ? int(defaults().integerForKey(SettingsKeys::cleanDate))
                                : 0);
    m_folder->clear();
    for (const RootNode::Ptr &root : m_clean.engine().rootController().arrangedObjects())
        m_folder->addItem(root->rootURL().displayPath());
    m_folderRule->setChecked(defaults().boolForKey(SettingsKeys::cleanFolderCheckbox));
    m_folder->setCurrentIndex(int(defaults().integerForKey(SettingsKeys::cleanFolder)));
    m_type->clear();
    m_type->addItems(m_shown.allShowDupGroupFileExt());
    m_typeRule->setChecked(defaults().boolForKey(SettingsKeys::cleanTypeCheckbox));
    m_type->setCurrentIndex(int(defaults().integerForKey(SettingsKeys::cleanType)));
    m_folder->setEnabled(m_folderRule->isChecked());
    m_type->setEnabled(m_typeRule->isChecked());
    for (QWidget *control : controls)
        control->blockSignals(false);
    schedulePreview();
}

void CleanTaskWindow::schedulePreview()
{
    m_previewTimer.start();
}

void CleanTaskWindow::updatePreview()
{
    m_previewTimer.stop();
    const auto options = CleanTaskOptions::fromSettings(defaults(), m_shown.allShowDupGroupFileExt());
    m_preview->setPlan(m_shown.showDupGroups().value_or(QList<DupGroup::Ptr>()), options, m_clean.undoPath());
    const qint64 count = m_preview->removalCount();
    const QString size = QLocale().formattedDataSize(m_preview->removalBytes());
    const CleanTaskOptions::Mode mode = options.moveMode;
    if (count == 0)
        //% "Nothing to remove: these rules let no file of a ticked group go."
        m_plan->setText(StringTable::text("CLEAN_PLAN_NOTHING"));
    else if (mode == CleanTaskOptions::Mode::Delete)
        //% "%n file(s) (%1) will be deleted permanently. This cannot be undone."
        m_plan->setText(StringTable::text("CLEAN_PLAN_DELETE", count).arg(size));
    else if (mode == CleanTaskOptions::Mode::Move)
        //% "%n file(s) (%1) will be moved into the folder."
        m_plan->setText(StringTable::text("CLEAN_PLAN_MOVE", count).arg(size));
    else if (mode == CleanTaskOptions::Mode::HardLink)
        // A hard link is the staying copy under another name: it cannot keep anything of the file's own.
        //% "%n file(s) (%1 freed) will be replaced by hard links to the copy that stays: each then has "
        //% "that copy's owner, permissions, dates and attributes, not its own. Undo puts back copies of "
        //% "their own."
        m_plan->setText(StringTable::text("CLEAN_PLAN_HARD_LINK", count).arg(size));
    else if (mode == CleanTaskOptions::Mode::Reflink)
        //% "%n file(s) (%1 shared) will be replaced by reflinks sharing the blocks of the copy that "
        //% "stays; each keeps its own owner, permissions, dates and attributes. A file system that cannot "
        //% "share blocks leaves them in place."
        m_plan->setText(StringTable::text("CLEAN_PLAN_REFLINK", count).arg(size));
    else
        //% "%n file(s) (%1) will go to the trash; they can be restored from there, and by Undo."
        m_plan->setText(StringTable::text("CLEAN_PLAN_TRASH", count).arg(size));
    // Deleting for good deserves a second look.
    QFont font = m_plan->font();
    font.setBold(count > 0 && mode == CleanTaskOptions::Mode::Delete);
    m_plan->setFont(font);
    updateStart();
}

void CleanTaskWindow::updateStart()
{
    const bool moving = defaults().integerForKey(SettingsKeys::moveToTrash) == 1;
    m_start->setEnabled(m_clean.taskStatus() == TaskStatus::Idle && m_preview->removalCount() > 0 &&
                        (!moving || !m_clean.undoPath().isNull()));
}

void CleanTaskWindow::start()
{
    // The plan as the settings stand now, shown and then run unchanged.
    updatePreview();
    const QList<DupGroup::Ptr> groups = m_shown.showDupGroups().value_or(QList<DupGroup::Ptr>());
    const auto options = CleanTaskOptions::fromSettings(defaults(), m_shown.allShowDupGroupFileExt());
    if (options.moveMode != CleanTaskOptions::Mode::Delete) {
        run(groups, options);
        return;
    }
    QMessageBox *question =
        askToDeletePermanently(this, m_preview->removalCount(), m_preview->removalBytes());
    connect(question, &QMessageBox::accepted, this, [this, groups, options] { run(groups, options); });
}

void CleanTaskWindow::run(const QList<DupGroup::Ptr> &groups, const CleanTaskOptions &options)
{
    m_alert->resetCounts();
    m_clean.runTask(groups, options);
    if (m_clean.taskStatus() != TaskStatus::Running)
        return;
    m_plannedFiles = m_preview->removalCount();
    m_start->setEnabled(false);
    m_failureTitle->hide();
    m_failures->hide();
    m_progress->setRange(0, int(std::min<qint64>(m_plannedFiles, INT_MAX)));
    m_progress->show();
    m_stop->show();
    showProgress();
    m_progressTimer.start();
}

void CleanTaskWindow::taskStateChanged()
{
    // Idle comes when the task ends, and already when Stop asks it to end: the counts and failures
    // shown are made again each time, the last time when they are final.
    if (!m_progress->isHidden() && m_clean.taskStatus() == TaskStatus::Idle) {
        m_progressTimer.stop();
        m_stop->hide();
        showProgress();
        const QStringList failures = m_alert->failures();
        //% "%n file(s) could not be removed and stay where they are:"
        m_failureTitle->setText(StringTable::text("CLEAN_FAILURES_TITLE", failures.size()));
        m_failures->setPlainText(failures.join(QLatin1Char('\n')));
        m_failureTitle->setVisible(!failures.isEmpty());
        m_failures->setVisible(!failures.isEmpty());
    }
    if (isVisible())
        refresh();
}

void CleanTaskWindow::showProgress()
{
    const qint64 handled = std::min(m_alert->handledFiles(), m_plannedFiles);
    m_progress->setValue(int(std::min<qint64>(handled, INT_MAX)));
    //% "%1 of %n file(s)"
    m_progress->setFormat(
        StringTable::text("CLEAN_PROGRESS", m_plannedFiles).arg(QLocale().toString(handled)));
}
