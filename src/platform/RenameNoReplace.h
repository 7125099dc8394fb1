#pragma once

// Renames `from` (relative to fromDirFd) to `to` (relative to toDirFd) unless something already exists
// at `to`, in which case nothing changes and EEXIST is answered. Returns 0 or the errno value.
//
// renameat2(RENAME_NOREPLACE) makes the check and the rename one step. On file systems without it,
// a non-directory is hard-linked into place and then unlinked, which refuses an existing name just as
// well; only a directory on such a file system is checked and renamed in two steps.
int renameNoReplace(int fromDirFd, const char *from, int toDirFd, const char *to);
