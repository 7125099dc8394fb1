#pragma once

#include <QtGlobal>

class DupGroup;

// Told of each change of the member list of a group the duplicate list may be showing, on the main
// thread, just before and just after the change, so that a view can follow it row by row.
class MemberObserver
{
public:
    enum class Change { Insert, Remove };

    virtual ~MemberObserver() = default;
    // position: where the member goes in, or the place it leaves.
    virtual void membersAboutToChange(const DupGroup &group, Change change, qsizetype position) = 0;
    virtual void membersChanged(const DupGroup &group, Change change, qsizetype position) = 0;
};
