#include "scan/CustomRuleController.h"

#include "fs/FileManagerProxy.h"
#include "platform/StringTable.h"
#include "platform/UniformTypes.h"

namespace {

using Category = CustomRuleController::Category;
using Kind = ScanRules::Kind;

Category categoryOfKind(Kind kind)
{
    switch (kind) {
    case Kind::Document:
        return Category::Document;
    case Kind::Movie:
        return Category::Movie;
    case Kind::Music:
        return Category::Music;
    case Kind::Picture:
        return Category::Picture;
    case Kind::Archive:
        break;
    }
    return Category::Archive;
}

bool hasKind(const FileManagerProxy &fm, Kind kind, const Url &url)
{
    switch (kind) {
    case Kind::Document:
        return fm.isTextFile(url);
    case Kind::Movie:
        return fm.isMovieFile(url);
    case Kind::Music:
        return fm.isAudioFile(url);
    case Kind::Picture:
        return fm.isImageFile(url);
    case Kind::Archive:
        break;
    }
    return fm.isAchieve(url);
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

Category CustomRuleController::categoryOf(const MyTreeNode &node, bool includeApplication) const
{
    // The fixed order of the kinds decides a file that fits two.
    const QString extension = node.fileExt().toLower();
    for (const Kind kind : ScanRules::kinds) {
        for (const QString &token : m_rules.extensionsOf(kind)) {
            if (token.toLower() == extension)
                return categoryOfKind(kind);
        }
    }
    const FileManagerProxy &fm = FileManagerProxy::sharedInstance();
    const UniformTypes::Memo oneQuery;
    for (const Kind kind : ScanRules::kinds) {
        if (hasKind(fm, kind, node.FileURL()))
            return categoryOfKind(kind);
    }
    if (includeApplication && fm.isApplication(node.FileURL()))
        return Category::Application;
    return Category::Others;
}

bool CustomRuleController::isToScan(const MyTreeNode &node) const
{
    if (m_rules.scansEveryKind)
        return true;
    const Category category = categoryOf(node, false);
    for (const Kind kind : ScanRules::kinds) {
        if (categoryOfKind(kind) == category)
            return m_rules.scans(kind);
    }
    return false;
}

QString CustomRuleController::typeString(const MyTreeNode &node) const
{
    return StringTable::text(displayNameKey(categoryOf(node, true)));
}
