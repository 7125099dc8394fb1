#pragma once

#include "platform/Error.h"
#include "platform/Url.h"

// Permanent removal of an item and, for a directory, of everything below it. Works through directory
// descriptors on byte names and never follows a symbolic link: a link is removed, what it points to is
// not touched, and a mount inside is not entered (EXDEV). Stops at the first entry that cannot be
// removed and reports it; entries that vanish meanwhile are taken as removed.
MaybeError removeRecursively(const Url &url);

// The same for the entry `name` of the open directory dirFd; `path` names it in errors.
MaybeError removeRecursivelyAt(int dirFd, const QByteArray &name, const QByteArray &path);
