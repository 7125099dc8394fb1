#include "app/CleanTaskWindow.h"

#include "browser/ShownGroups.h"
#include "clean/CleanController.h"
#include "clean/CleanRules.h"
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
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
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

} // namespace

CleanTaskWindow::CleanTaskWindow(CleanController &clean, ShownGroups &shown, QWidget *parent)
    : QDialog(parent), m_clean(clean), m_shown(shown)
{
    //% "Clean Up Duplicates"
    setWindowTitle(StringTable::text("CLEAN_TASK_TITLE"));
    setWindowModality(Qt::WindowModal);
    setWindowOpacity(0.93);
    auto *layout = new QVBoxLayout(this);

    //% "What happens to the copies"
    auto *mode = new QGroupBox(StringTable::text("CLEAN_MODE_GROUP"), this);
    auto *modeLayout = new QVBoxLayout(mode);
    //% "Delete them permanently (they do not go to the Trash)"
    m_delete = new QRadioButton(StringTable::text("CLEAN_MODE_DELETE"), mode);
    //% "Move them into a folder (can be undone)"
    m_move = new QRadioButton(StringTable::text("CLEAN_MODE_MOVE"), mode);
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
    modeLayout->addWidget(m_move);
    modeLayout->addLayout(destinationRow);
    layout->addWidget(mode);
    connect(m_delete, &QRadioButton::toggled, this, [](bool on) {
        if (on)
            defaults().setInteger(0, SettingsKeys::moveToTrash);
    });
    connect(m_move, &QRadioButton::toggled, this, [](bool on) {
        if (on)
            defaults().setInteger(1, SettingsKeys::moveToTrash);
    });
    connect(m_chooseFolder, &QPushButton::clicked, this, [this] { m_clean.SelectPath(m_chooseFolder); });

    //% "Which copies go"
    auto *rules = new QGroupBox(StringTable::text("CLEAN_RULES_GROUP"), this);
    auto *form = new QFormLayout(rules);
    //% "Keep in each group"
    m_dateRule = new QCheckBox(StringTable::text("CLEAN_DATE_RULE"), rules);
    m_date = new QComboBox(rules);
    //% "the newest file"
    m_date->addItem(StringTable::text("CLEAN_KEEP_NEWEST"));
    //% "the oldest file"
    m_date->addItem(StringTable::text("CLEAN_KEEP_OLDEST"));
    //% "Only copies in the source"
    m_folderRule = new QCheckBox(StringTable::text("CLEAN_FOLDER_RULE"), rules);
    m_folder = new QComboBox(rules);
    //% "Only copies with the extension"
    m_typeRule = new QCheckBox(StringTable::text("CLEAN_TYPE_RULE"), rules);
    m_type = new QComboBox(rules);
    form->addRow(m_dateRule, m_date);
    form->addRow(m_folderRule, m_folder);
    form->addRow(m_typeRule, m_type);
    layout->addWidget(rules);
    bindRule(m_dateRule, SettingsKeys::cleanDateCheckbox, m_date, SettingsKeys::cleanDate);
    bindRule(m_folderRule, SettingsKeys::cleanFolderCheckbox, m_folder, SettingsKeys::cleanFolder);
    bindRule(m_typeRule, SettingsKeys::cleanTypeCheckbox, m_type, SettingsKeys::cleanType);
    for (QCheckBox *box : {m_dateRule, m_folderRule, m_typeRule})
        connect(box, &QCheckBox::toggled, this, &CleanTaskWindow::refresh);
    for (QComboBox *choices : {m_date, m_folder, m_type})
        connect(choices, &QComboBox::activated, this, &CleanTaskWindow::refresh);
    for (QRadioButton *button : {m_delete, m_move})
        connect(button, &QRadioButton::toggled, this, &CleanTaskWindow::refresh);

    m_plan = new QLabel(this);
    m_plan->setWordWrap(true);
    layout->addWidget(m_plan);
    m_status = new QLabel(this);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setForegroundRole(QPalette::PlaceholderText);
    m_status->setWordWrap(true);
    layout->addWidget(m_status);

    auto *buttons = new QDialogButtonBox(this);
    //% "Start"
    m_start = buttons->addButton(StringTable::text("CLEAN_START_BUTTON"), QDialogButtonBox::AcceptRole);
    m_start->setDefault(true);
    QPushButton *close = buttons->addButton(QDialogButtonBox::Close);
    layout->addWidget(buttons);
    connect(m_start, &QPushButton::clicked, this, [this] {
        m_clean.runTask(m_shown.showDupGroups().value_or(QList<DupGroup::Ptr>()),
                        CleanTaskOptions::fromSettings(defaults(), m_shown.allShowDupGroupFileExt()));
    });
    connect(close, &QPushButton::clicked, this, [this, close] { m_clean.closeTaskWindow(close); });

    connect(&m_clean, &CleanController::cleanTaskStateChanged, this, &CleanTaskWindow::refresh);
    connect(&m_clean.engine(), &SourceNodeManager::statBarStringChanged, this,
            [this] { m_status->setText(m_clean.engine().statBarString()); });
    m_folderChooser = [this](const QString &message) {
        return QFile::encodeName(QFileDialog::getExistingDirectory(this, message));
    };
}

void CleanTaskWindow::beginSheet()
{
    refresh();
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
    const QList<QWidget *> controls = {m_delete,     m_move,   m_dateRule, m_date,
                                       m_folderRule, m_folder, m_typeRule, m_type};
    for (QWidget *control : controls)
        control->blockSignals(true);
    const bool moving = defaults().integerForKey(SettingsKeys::moveToTrash) == 1;
    (moving ? m_move : m_delete)->setChecked(true);
    const Url destination = m_clean.undoPath();
    //% "No folder chosen yet"
    m_destination->setText(destination.isNull() ? StringTable::text("CLEAN_NO_FOLDER")
                                                : destination.displayPath());
    m_destination->setEnabled(moving);
    m_chooseFolder->setEnabled(moving);

    m_dateRule->setChecked(defaults().boolForKey(SettingsKeys::cleanDateCheckbox));
    m_date->setCurrentIndex(int(defaults().integerForKey(SettingsKeys::cleanDate)));
    m_folder->clear();
    for (const RootNode::Ptr &root : m_clean.engine().rootController().arrangedObjects())
        m_folder->addItem(root->rootURL().displayPath());
    m_folderRule->setChecked(defaults().boolForKey(SettingsKeys::cleanFolderCheckbox));
    m_folder->setCurrentIndex(int(defaults().integerForKey(SettingsKeys::cleanFolder)));
    m_type->clear();
    m_type->addItems(m_shown.allShowDupGroupFileExt());
    m_typeRule->setChecked(defaults().boolForKey(SettingsKeys::cleanTypeCheckbox));
    m_type->setCurrentIndex(int(defaults().integerForKey(SettingsKeys::cleanType)));
    m_date->setEnabled(m_dateRule->isChecked());
    m_folder->setEnabled(m_folderRule->isChecked());
    m_type->setEnabled(m_typeRule->isChecked());
    for (QWidget *control : controls)
        control->blockSignals(false);

    // What a task started now would remove if every removal succeeded.
    qint64 count = 0, bytes = 0;
    const auto options = CleanTaskOptions::fromSettings(defaults(), m_shown.allShowDupGroupFileExt());
    for (const CleanRules::PlannedRemoval &removal :
         CleanRules::plan(m_shown.showDupGroups().value_or(QList<DupGroup::Ptr>()), options)) {
        ++count;
        bytes += removal.file->FileSize();
    }
    const QString size = QLocale().formattedDataSize(bytes);
    m_plan->setText(moving
                        //% "%n file(s) (%1) will be moved into the folder."
                        ? StringTable::text("CLEAN_PLAN_MOVE", count).arg(size)
                        //% "%n file(s) (%1) will be deleted permanently. This cannot be undone."
                        : StringTable::text("CLEAN_PLAN_DELETE", count).arg(size));
    // Deleting for good deserves a second look.
    QFont font = m_plan->font();
    font.setBold(!moving);
    m_plan->setFont(font);
    m_start->setEnabled(m_clean.taskStatus() == TaskStatus::Idle && count > 0 &&
                        (!moving || !destination.isNull()));
}
