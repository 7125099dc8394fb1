#include "clean/CleanRules.h"

#include "model/RootNode.h"

#include <sys/stat.h>

#include <algorithm>

namespace CleanRules {

bool takesGroup(const DupGroup &group, const CleanTaskOptions &options)
{
    if (!group.isSelected() || group.fileNumber() < 2)
        return false;
    return !options.dateRuleOn || options.dateOrder != CleanTaskOptions::DateOrder::Unknown;
}

QList<MyTreeNode::Ptr> removalOrder(const DupGroup &group, const CleanTaskOptions &options)
{
    QList<MyTreeNode::Ptr> members = group.childs();
    const bool newestFirst =
        options.dateRuleOn && options.dateOrder == CleanTaskOptions::DateOrder::NewestFirst;
    // Members without a date keep their place among each other; they count as the earliest.
    std::stable_sort(members.begin(), members.end(), [newestFirst](const auto &a, const auto &b) {
        return newestFirst ? a->addedDateKey() > b->addedDateKey() : a->addedDateKey() < b->addedDateKey();
    });
    return members;
}

Verdict verdict(const MyTreeNode &file, qint64 filesInGroup, const CleanTaskOptions &options)
{
    if (filesInGroup < 2)
        return Verdict::GroupFinished;
    // A protected file always stays, whatever the date rule says; the others may all go.
    if (options.protection.covers(file.FileURL()))
        return Verdict::Stays;
    if (options.folderRuleOn) {
        const RootNode::Ptr root = file.rootNode();
        if (!root || qint64(root->index()) != options.folderIndex)
            return Verdict::Stays;
    }
    if (options.typeRuleOn && (!options.typeExtension || *options.typeExtension != file.fileExt()))
        return Verdict::Stays;
    return Verdict::Remove;
}

namespace {

// Walks a group as a task whose removals all succeed would.
template <typename Visit> void walkGroup(const DupGroup &group, const CleanTaskOptions &options, Visit visit)
{
    qint64 files = group.fileNumber();
    for (const MyTreeNode::Ptr &file : removalOrder(group, options)) {
        const Verdict rule = verdict(*file, files, options);
        if (rule == Verdict::GroupFinished)
            break;
        if (rule == Verdict::Remove) {
            visit(file);
            --files;
        }
    }
}

} // namespace

QList<PlannedRemoval> plan(const QList<DupGroup::Ptr> &groups, const CleanTaskOptions &options)
{
    QList<PlannedRemoval> removals;
    for (const DupGroup::Ptr &group : groups) {
        if (takesGroup(*group, options))
            walkGroup(*group, options, [&](const MyTreeNode::Ptr &file) { removals.append({group, file}); });
    }
    return removals;
}

qint64 freedBytes(const MyTreeNode &file)
{
    struct stat st;
    return ::lstat(file.FileURL().c_str(), &st) == 0 && st.st_nlink > 1 ? 0 : file.FileSize();
}

QList<MyTreeNode::Ptr> keptMembers(const DupGroup &group, const CleanTaskOptions &options)
{
    QList<MyTreeNode::Ptr> kept = group.childs();
    if (takesGroup(group, options))
        walkGroup(group, options, [&](const MyTreeNode::Ptr &file) { kept.removeOne(file); });
    return kept;
}

} // namespace CleanRules
