#pragma once

#include <QByteArray>
#include <QList>

// The names in an open directory ("." and ".." left out), read to the end before the caller changes
// anything in it: removing or adding entries while a listing runs may skip or repeat names.
// Returns 0 or the errno value.
int readEntryNames(int dirFd, QList<QByteArray> *names);

// Whether the folder `name` in dirFd is the root of a mount: another file system, or a bind mount of a
// part of this one. What is mounted there is not the folder's own, and a removal must not enter it.
bool isMountRoot(int dirFd, const QByteArray &name);
