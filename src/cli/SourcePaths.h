#pragma once

#include "model/MyTreeNode.h"
#include "model/RootNode.h"

#include <QByteArray>
#include <QHash>
#include <QList>

// The paths named on the command line, in the order given, and the source made of each. A path keeps
// its position whether or not a source could be made of it, so that a position means what the user
// counted. A symbolic link named there is followed, as `find -H` does: its source is what it leads to,
// which the engine reaches by its own path (no link in it), and the paths found in it are shown
// through the link's name.
//
// Filled on the main thread before the scans start; read from any thread afterwards.
class SourcePaths
{
public:
    struct Entry
    {
        // As given.
        QByteArray path;
        // No source when the path was skipped, and then the reason.
        RootNode::Ptr root;
        QByteArray skipReason;
    };

    // Makes a source of the path, or notes why it was skipped. A relative path needs the current folder.
    const Entry &add(const QByteArray &path);

    const QList<Entry> &entries() const { return m_entries; }
    QList<RootNode::Ptr> roots() const;

    // The position among the paths given of the path the source was made of.
    qsizetype position(const RootNode &root) const { return m_positions.value(&root, -1); }
    const QByteArray &givenPath(const RootNode &root) const;
    // A path found in the source as the user named it: through the link's name for a link that was
    // followed, else as it is.
    QByteArray shown(const RootNode *root, const QByteArray &path) const;
    // The path of a file taken in, as the user named it.
    QByteArray shown(const MyTreeNode &file) const;

private:
    // A source made of a link: its own path ("/" ended), and the link's absolute path.
    struct FollowedLink
    {
        QByteArray targetPrefix;
        QByteArray linkPath;
    };

    QList<Entry> m_entries;
    QHash<const RootNode *, qsizetype> m_positions;
    QHash<const RootNode *, FollowedLink> m_links;
};
