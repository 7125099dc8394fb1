#pragma once

#include "model/MyTreeNode.h"
#include "model/RootNode.h"

#include <QList>

// One file a clean task moved, with the source it came from: the task may have taken that source out
// of the list, and the undo brings it back with the file.
struct MovedFile
{
    MyTreeNode::Ptr file;
    RootNode::Ptr source;
    // Into the trash, rather than a folder of the user's.
    bool trashed = false;
};

// What one clean task moved or trashed, in the order it did so.
using UndoRecord = QList<MovedFile>;
