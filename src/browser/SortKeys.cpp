#include "browser/SortKeys.h"

namespace SortKeys {

namespace {

Value text(const std::optional<QString> &value)
{
    return value ? Value(*value) : Value();
}

Value date(const std::optional<QDateTime> &value)
{
    return value ? Value(value->toMSecsSinceEpoch()) : Value();
}

} // namespace

bool isGroupKey(const QString &key)
{
    return key == QLatin1String("fileNumber") || key == QLatin1String("fileSize") ||
           key == QLatin1String("fileExt") || key == QLatin1String("categoryString");
}

Value ofGroup(const DupGroup &group, const QString &key)
{
    if (key == QLatin1String("fileNumber"))
        return group.fileNumber();
    if (key == QLatin1String("fileSize"))
        return group.fileSize();
    if (key == QLatin1String("fileExt"))
        return text(group.fileExt());
    if (key == QLatin1String("categoryString"))
        return text(group.categoryString());
    return {};
}

Value ofFile(const MyTreeNode &node, const QString &key)
{
    if (key == QLatin1String("FileName"))
        return node.FileName();
    if (key == QLatin1String("filePath"))
        return node.filePath();
    if (key == QLatin1String("fileExt"))
        return node.fileExt();
    if (key == QLatin1String("FileSize"))
        return node.FileSize();
    if (key == QLatin1String("addedDate") || key == QLatin1String("createDate"))
        return date(node.addedDate());
    if (key == QLatin1String("modifyDate"))
        return date(node.modifyDate());
    if (key == QLatin1String("fileAddedDateString"))
        return text(node.fileAddedDateString());
    if (key == QLatin1String("rootNode.index")) {
        const RootNode::Ptr root = node.rootNode();
        return root ? Value(qint64(root->index())) : Value();
    }
    return {};
}

Value ofSource(const RootNode &root, const QString &key)
{
    if (key == QLatin1String("rootPath"))
        return root.rootURL().displayPath();
    if (key == QLatin1String("index"))
        return qint64(root.index());
    if (key == QLatin1String("totalFileNumber"))
        return root.totalFileNumber();
    if (key == QLatin1String("totalFileSize"))
        return root.totalFileSize();
    if (key == QLatin1String("isRunning"))
        return qint64(root.isRunning());
    if (key == QLatin1String("isFinished"))
        return qint64(root.isFinished());
    return {};
}

} // namespace SortKeys
