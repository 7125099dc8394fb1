#pragma once

#include "model/MyTreeNode.h"
#include "platform/Error.h"

// A file that an operation on many files could not handle, and why; it stays where it is.
struct FileFailure
{
    MyTreeNode::Ptr file;
    Error error;
};
