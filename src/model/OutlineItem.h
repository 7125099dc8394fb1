#pragma once

#include "model/DupGroup.h"
#include "model/MyTreeNode.h"

#include <variant>

// A row of the duplicate list: a group, one of its files, or nothing.
using OutlineItem = std::variant<std::monostate, DupGroup::Ptr, MyTreeNode::Ptr>;
