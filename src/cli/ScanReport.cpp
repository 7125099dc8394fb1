#include "cli/ScanReport.h"

#include "browser/ReportJson.h"
#include "browser/ReportShellQuoting.h"
#include "cli/SourcePaths.h"
#include "scan/CustomRuleController.h"
#include "scan/SourceNodeManager.h"

namespace ScanReport {

namespace {

QByteArray number(qint64 value)
{
    return QByteArray::number(value);
}

const QList<DupGroup::Ptr> &shownGroups(const SourceNodeManager &manager)
{
    return manager.summary().shown;
}

QByteArray groupJson(const DupGroup &group, const SourcePaths &sources, const CustomRuleController &rules)
{
    const QList<MyTreeNode::Ptr> &members = group.childs();
    QByteArray out = QByteArrayLiteral("{\"size\": ") + number(group.fileSize()) +
                     ", \"category\": " + ReportJson::string(rules.typeString(*members.first()).toUtf8()) +
                     ", \"ext\": " + ReportJson::optionalString(group.fileExt()) + ", \"files\": [";
    for (qsizetype m = 0; m < members.size(); ++m) {
        const MyTreeNode::Ptr &node = members[m];
        const RootNode::Ptr root = node->rootNode();
        out += (m ? ", " : "") + QByteArrayLiteral("{\"path\": ") +
               ReportJson::string(sources.shown(root.get(), node->FileURL().path())) +
               ", \"source\": " + (root ? number(sources.position(*root)) : QByteArrayLiteral("null")) +
               ", \"added\": " + ReportJson::optionalString(node->fileAddedDateString()) + "}";
    }
    out += "]}";
    return out;
}

} // namespace

QByteArray shownPath(const SourcePaths &sources, const MyTreeNode &file)
{
    return sources.shown(file.rootNode().get(), file.FileURL().path());
}

void text(const SourceNodeManager &manager, const SourcePaths &sources, const Writer &write)
{
    bool first = true;
    for (const DupGroup::Ptr &group : shownGroups(manager)) {
        QByteArray out = first ? QByteArray() : QByteArray("\n");
        first = false;
        for (const MyTreeNode::Ptr &node : group->childs())
            out += ShellQuoting::shown(shownPath(sources, *node)) + '\n';
        write(out);
    }
}

void nullSeparated(const SourceNodeManager &manager, const SourcePaths &sources, const Writer &write)
{
    bool first = true;
    for (const DupGroup::Ptr &group : shownGroups(manager)) {
        QByteArray out = first ? QByteArray() : QByteArray(1, '\0');
        first = false;
        for (const MyTreeNode::Ptr &node : group->childs())
            out += shownPath(sources, *node) + '\0';
        write(out);
    }
}

void json(const SourceNodeManager &manager, const SourcePaths &sources, const Completeness &completeness,
          const Writer &write)
{
    QByteArray out = "{\"sources\": [";
    const QList<RootNode::Ptr> &roots = manager.rootNodes();
    for (qsizetype i = 0; i < roots.size(); ++i) {
        const RootNode::Ptr &root = roots[i];
        out += (i ? ", " : "") + QByteArrayLiteral("{\"path\": ") +
               ReportJson::string(sources.givenPath(*root)) +
               ", \"index\": " + number(sources.position(*root)) +
               ", \"files\": " + number(root->totalFileNumber()) +
               ", \"bytes\": " + number(root->totalFileSize()) + "}";
    }
    write(out + "], \"groups\": [");
    const QList<DupGroup::Ptr> groups = shownGroups(manager);
    for (qsizetype g = 0; g < groups.size(); ++g)
        write((g ? ", " : "") + groupJson(*groups[g], sources, *manager.ruleController()));
    write("], \"stats\": {\"files\": " + number(manager.totalFileNumber()) + ", \"bytes\": " +
          number(manager.totalFileSize()) + ", \"groups\": " + number(manager.totalDupGroupNumber()) +
          ", \"removable\": " + number(manager.totalRemovableFileNumber()) + ", \"wasted_bytes\": " +
          number(manager.totalWasteSize()) + ", \"skipped\": " + number(completeness.skipped) +
          ", \"read_errors\": " + number(completeness.readErrors) +
          "}, \"interrupted\": " + (completeness.interrupted ? "true" : "false") + "}\n");
}

} // namespace ScanReport
