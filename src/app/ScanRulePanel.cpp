#include "app/ScanRulePanel.h"

#include "app/TokenEdit.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

UserDefaults &defaults()
{
    return UserDefaults::standard();
}

QCheckBox *switchFor(const QString &key, const QString &text, QWidget *parent,
                     QList<std::function<void()>> &loaders)
{
    auto *box = new QCheckBox(text, parent);
    QObject::connect(box, &QCheckBox::toggled, box, [key](bool on) { defaults().setBool(on, key); });
    loaders.append([box, key] {
        const QSignalBlocker blocker(box);
        box->setChecked(defaults().boolForKey(key));
    });
    return box;
}

} // namespace

ScanRulePanel::ScanRulePanel(QWidget *parent) : QDialog(parent)
{
    //% "Scan Rules"
    setWindowTitle(StringTable::text("SCAN_RULES_TITLE"));
    setModal(false);
    auto *layout = new QVBoxLayout(this);

    //% "Kinds of files to scan"
    auto *kinds = new QGroupBox(StringTable::text("SCAN_KINDS_GROUP"), this);
    auto *grid = new QGridLayout(kinds);
    //% "All kinds of files"
    QCheckBox *all =
        switchFor(SettingsKeys::scanTypeAll, StringTable::text("SCAN_TYPE_ALL_SWITCH"), kinds, m_loaders);
    grid->addWidget(all, 0, 0, 1, 2);
    //% "Extra extensions, separated by commas"
    auto *extensionsLabel = new QLabel(StringTable::text("SCAN_EXTRA_EXTENSIONS_LABEL"), kinds);
    grid->addWidget(extensionsLabel, 1, 1);
    const struct
    {
        const QString &switchKey;
        const QString &tokenKey;
        const char *nameKey;
        const char *example;
    } categories[] = {
        {SettingsKeys::scanTypeDocument, SettingsKeys::documentTokens, "DOCUMENT_STRING", "md, tex"},
        {SettingsKeys::scanTypeMovie, SettingsKeys::movieTokens, "MOVIE_STRING", "mkv, webm"},
        {SettingsKeys::scanTypeMusic, SettingsKeys::musicTokens, "MUSIC_STRING", "flac, opus"},
        {SettingsKeys::scanTypePicture, SettingsKeys::pictureTokens, "IMAGE_STRING", "cr2, heic"},
        {SettingsKeys::scanTypeArchive, SettingsKeys::archiveTokens, "ARCHIEVE_STRING", "iso, dmg"},
    };
    QList<QCheckBox *> categorySwitches;
    int row = 2;
    for (const auto &category : categories) {
        QCheckBox *box = switchFor(category.switchKey, StringTable::text(category.nameKey), kinds, m_loaders);
        auto *tokens = new TokenEdit(category.tokenKey, kinds);
        m_loaders.append([tokens] { tokens->load(); });
        tokens->setPlaceholderText(QString::fromLatin1(category.example));
        tokens->setAccessibleName(extensionsLabel->text() + QStringLiteral(": ") + box->text());
        grid->addWidget(box, row, 0);
        grid->addWidget(tokens, row, 1);
        categorySwitches.append(box);
        ++row;
    }
    // The category switches decide only while not every kind is scanned.
    const auto enableCategories = [categorySwitches](bool everything) {
        for (QCheckBox *box : categorySwitches)
            box->setEnabled(!everything);
    };
    connect(all, &QCheckBox::toggled, this, enableCategories);
    m_loaders.append([all, enableCategories] { enableCategories(all->isChecked()); });
    grid->setColumnStretch(1, 1);
    layout->addWidget(kinds);

    //% "Comparison"
    auto *comparison = new QGroupBox(StringTable::text("SCAN_COMPARISON_GROUP"), this);
    auto *form = new QGridLayout(comparison);
    //% "Show thumbnails of the groups' files"
    form->addWidget(switchFor(SettingsKeys::createThumbnail, StringTable::text("THUMBNAILS_SWITCH"),
                              comparison, m_loaders),
                    0, 0, 1, 2);
    //% "Remember the files read, and read only what changed in later scans"
    form->addWidget(switchFor(SettingsKeys::useFingerprintCache,
                              StringTable::text("FINGERPRINT_CACHE_SWITCH"), comparison, m_loaders),
                    3, 0, 1, 2);
    //% "Compare large files by samples, from"
    QCheckBox *fast =
        switchFor(SettingsKeys::fastScanOption, StringTable::text("FAST_SCAN_SWITCH"), comparison, m_loaders);
    auto *fastSize = new QSpinBox(comparison);
    fastSize->setRange(1, 1 << 20);
    fastSize->setSuffix(QStringLiteral(" MiB"));
    fastSize->setAccessibleName(fast->text());
    m_loaders.append([fast, fastSize] {
        const QSignalBlocker blocker(fastSize);
        fastSize->setValue(int(defaults().integerForKey(SettingsKeys::fastScanSize)));
        fastSize->setEnabled(fast->isChecked());
    });
    connect(fast, &QCheckBox::toggled, fastSize, &QWidget::setEnabled);
    connect(fastSize, &QSpinBox::valueChanged, this,
            [](int mebibytes) { defaults().setInteger(mebibytes, SettingsKeys::fastScanSize); });
    form->addWidget(fast, 1, 0);
    form->addWidget(fastSize, 1, 1);
    //% "Skip files smaller than"
    QCheckBox *minimum = switchFor(SettingsKeys::onlyFileSize, StringTable::text("MINIMUM_SIZE_SWITCH"),
                                   comparison, m_loaders);
    auto *minimumSize = new QDoubleSpinBox(comparison);
    minimumSize->setRange(0, 1 << 30);
    minimumSize->setDecimals(2);
    minimumSize->setSuffix(QStringLiteral(" MiB"));
    minimumSize->setAccessibleName(minimum->text());
    m_loaders.append([minimum, minimumSize] {
        const QSignalBlocker blocker(minimumSize);
        minimumSize->setValue(defaults().doubleForKey(SettingsKeys::onlyFileSizeValue));
        minimumSize->setEnabled(minimum->isChecked());
    });
    connect(minimum, &QCheckBox::toggled, minimumSize, &QWidget::setEnabled);
    connect(minimumSize, &QDoubleSpinBox::valueChanged, this,
            [](double mebibytes) { defaults().setDouble(mebibytes, SettingsKeys::onlyFileSizeValue); });
    form->addWidget(minimum, 2, 0);
    form->addWidget(minimumSize, 2, 1);
    form->setColumnStretch(2, 1);
    layout->addWidget(comparison);

    //% "Changes apply to the next file a scan checks."
    auto *note = new QLabel(StringTable::text("SCAN_RULES_NOTE"), this);
    note->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(note);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton *close = buttons->button(QDialogButtonBox::Close);
    connect(close, &QPushButton::clicked, this, [this, close] {
        closeSettingPanel(close);
        hide();
    });
    layout->addWidget(buttons);
    // The window's close button and Escape end the dialog.
    connect(this, &QDialog::finished, this, &ScanRulePanel::windowWillClose);
    // Each control has written its setting by the time its change reaches here.
    for (QCheckBox *box : findChildren<QCheckBox *>())
        connect(box, &QCheckBox::toggled, this, &ScanRulePanel::rulesChanged);
    connect(fastSize, &QSpinBox::valueChanged, this, &ScanRulePanel::rulesChanged);
    connect(minimumSize, &QDoubleSpinBox::valueChanged, this, &ScanRulePanel::rulesChanged);
    for (TokenEdit *tokens : findChildren<TokenEdit *>())
        connect(tokens, &TokenEdit::stored, this, &ScanRulePanel::rulesChanged);
}

void ScanRulePanel::closeSettingPanel(const QObject *)
{
    UserDefaults::standard().synchronize();
}

void ScanRulePanel::windowWillClose()
{
    UserDefaults::standard().synchronize();
}

void ScanRulePanel::makeKeyAndOrderFront()
{
    if (!isVisible()) {
        for (const auto &load : std::as_const(m_loaders))
            load();
    }
    show();
    raise();
    activateWindow();
}
