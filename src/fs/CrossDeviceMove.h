#pragma once

#include "platform/Error.h"
#include "platform/Url.h"

// Moves an item to a path on another file system, where rename(2) answers EXDEV. Both parent folders
// must exist; dst must not.
//
// The item is copied next to dst under a temporary name (files, folders with all they hold, links,
// special files), with owner where permitted, permissions and times; it is synced and then renamed to
// dst without replacing anything that appeared there meanwhile. Only then is the source removed.
//
// Until the copy is in place, any failure removes the partial copy and leaves the source untouched.
// For a file or link, a failure to remove the source (or a source changed while it was copied) also
// removes the copy, so the move either happens completely or not at all. A folder cannot be put back
// like that once its removal has begun: its complete copy stays at dst, the source keeps whatever could
// not be removed or changed during the copy, and the error is reported. A folder that holds a mount
// of another file system is refused with EXDEV like any failed copy: the source stays as it was.
MaybeError moveAcrossFileSystems(const Url &src, const Url &dst);
