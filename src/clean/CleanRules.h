#pragma once

#include "clean/CleanTaskOptions.h"
#include "model/DupGroup.h"
#include "model/MyTreeNode.h"

#include <QList>

// Which files of the ticked groups a clean task removes. A task visits the shown groups in their order
// and, inside a group it takes, the members in the order the date rule gives, testing each file just
// before it would be removed, so a removal that fails changes what follows.
namespace CleanRules {

// Whether the task takes the group at all: ticked, two files or more, and a date order it knows.
bool takesGroup(const DupGroup &group, const CleanTaskOptions &options);

// The group's members in the order they are considered: latest first when the date rule asks for
// the oldest to stay, earliest first otherwise. A copy: removals do not change it.
QList<MyTreeNode::Ptr> removalOrder(const DupGroup &group, const CleanTaskOptions &options);

enum class Verdict {
    Remove,
    Stays,
    // Fewer than two files are left: nothing more of this group is considered.
    GroupFinished,
};
// The rule for one file, given how many files its group holds now.
Verdict verdict(const MyTreeNode &file, qint64 filesInGroup, const CleanTaskOptions &options);

struct PlannedRemoval
{
    DupGroup::Ptr group;
    MyTreeNode::Ptr file;
};
// The removals a task would make if every one succeeded, in the order it would make them.
QList<PlannedRemoval> plan(const QList<DupGroup::Ptr> &groups, const CleanTaskOptions &options);

// The bytes that removing the file frees: its size, or none while another name of it (a hard link
// outside the plan) holds them. Asks the file system.
qint64 freedBytes(const MyTreeNode &file);

// The members of a group that stay when every removal the rules choose succeeds.
QList<MyTreeNode::Ptr> keptMembers(const DupGroup &group, const CleanTaskOptions &options);

} // namespace CleanRules
