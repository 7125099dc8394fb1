#pragma once

#include "model/MyTreeNode.h"
#include "model/RootNode.h"

#include <QByteArray>
#include <QHash>

// One file a clean task moved, trashed or replaced, with the source it came from: the task may have taken
// that source out of the list, and the undo brings it back with the file.
struct MovedFile
{
    MyTreeNode::Ptr file;
    RootNode::Ptr source;
};

// What the engine knows of one clean task whose journal holds its steps: the files by their step
// numbers, so that an undo in the same run takes them back into their sources and groups. An undo of a
// journal of an earlier run has no files: it puts them back on the disk only.
struct UndoRecord
{
    QByteArray journal;
    QHash<qint64, MovedFile> files;
};
