#include "scan/CustomRuleController.h"

#include "fs/FileManagerProxy.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"
#include "platform/UniformTypes.h"
#include "platform/UserDefaults.h"
#include "scan/ViewInterfaces.h"

#include <array>

namespace {

using Category = CustomRuleController::Category;

struct CategoryRule
{
    Category category;
    const QString &switchKey;
    const QString &tokenKey;
    bool (FileManagerProxy::*predicate)(const Url &) const;
};

// The fixed order decides a file that fits two categories.
const std::array<CategoryRule, 5> &scannedCategories()
{
    static const std::array<CategoryRule, 5> rules = {{
        {Category::Document, SettingsKeys::scanTypeDocument, SettingsKeys::documentTokens,
         &FileManagerProxy::isTextFile},
        {Category::Movie, SettingsKeys::scanTypeMovie, SettingsKeys::movieTokens,
         &FileManagerProxy::isMovieFile},
        {Category::Music, SettingsKeys::scanTypeMusic, SettingsKeys::musicTokens,
         &FileManagerProxy::isAudioFile},
        {Category::Picture, SettingsKeys::scanTypePicture, SettingsKeys::pictureTokens,
         &FileManagerProxy::isImageFile},
        {Category::Archive, SettingsKeys::scanTypeArchive, SettingsKeys::archiveTokens,
         &FileManagerProxy::isAchieve},
    }};
    return rules;
}

const char *displayNameKey(Category category)
{
    switch (category) {
    case Category::Document:
        //% "Document"
        return QT_TRID_NOOP("DOCUMENT_STRING");
    case Category::Movie:
        //% "Movie"
        return QT_TRID_NOOP("MOVIE_STRING");
    case Category::Music:
        //% "Music"
        return QT_TRID_NOOP("MUSIC_STRING");
    case Category::Picture:
        //% "Picture"
        return QT_TRID_NOOP("IMAGE_STRING");
    case Category::Archive:
        //% "Archive"
        return QT_TRID_NOOP("ARCHIEVE_STRING");
    case Category::Application:
        //% "Application"
        return QT_TRID_NOOP("APPLICATION_STRING");
    case Category::Others:
        break;
    }
    //% "Others"
    return QT_TRID_NOOP("OTHERS_STRING");
}

} // namespace

Category CustomRuleController::categoryOf(const MyTreeNode &node, bool includeApplication)
{
    const UserDefaults &defaults = UserDefaults::standard();
    const QString extension = node.fileExt().toLower();
    for (const CategoryRule &rule : scannedCategories()) {
        const QStringList tokens = defaults.stringArrayForKey(rule.tokenKey).value_or(QStringList());
        for (const QString &token : tokens) {
            if (token.toLower() == extension)
                return rule.category;
        }
    }
    FileManagerProxy &fm = FileManagerProxy::sharedInstance();
    const UniformTypes::Memo oneQuery;
    for (const CategoryRule &rule : scannedCategories()) {
        if ((fm.*rule.predicate)(node.FileURL()))
            return rule.category;
    }
    if (includeApplication && fm.isApplication(node.FileURL()))
        return Category::Application;
    return Category::Others;
}

bool CustomRuleController::isToScanFile(const MyTreeNode &node)
{
    const UserDefaults &defaults = UserDefaults::standard();
    if (defaults.boolForKey(SettingsKeys::scanTypeAll))
        return true;
    const Category category = categoryOf(node, false);
    for (const CategoryRule &rule : scannedCategories()) {
        if (rule.category == category)
            return defaults.boolForKey(rule.switchKey);
    }
    return false;
}

QString CustomRuleController::typeString(const MyTreeNode::Ptr &node) const
{
    return StringTable::text(displayNameKey(node ? categoryOf(*node, true) : Category::Others));
}

void CustomRuleController::showSettingPanel(const QObject *)
{
    if (m_settingPanel)
        m_settingPanel->makeKeyAndOrderFront();
}

void CustomRuleController::closeSettingPanel(const QObject *)
{
    // The panel is not run modally, so there is no modal loop to end.
    sync();
    UserDefaults::standard().synchronize();
}

void CustomRuleController::windowWillClose()
{
    sync();
    UserDefaults::standard().synchronize();
}
