#pragma once

#include "platform/UniqueFd.h"
#include "platform/Url.h"

// Opens a folder without following a link below `anchor`: the anchor is opened by its path, as the
// user gave it (links above it are the user's choice), and each folder from there down is opened from
// the one above it, never through a link. So a folder swapped for a link meanwhile ends the walk,
// instead of leading a removal or a restore somewhere outside the tree the user chose.
//
// With create, missing folders are made (mode 0777 less the umask, as mkdir -p does): the anchor by its
// path, and those below it from the folder above.
// A folder not below the anchor, or no anchor, is opened by its path. No descriptor sets *error to the
// errno value.
UniqueFd openFolderBelow(const Url &anchor, const Url &folder, bool create, int *error);
