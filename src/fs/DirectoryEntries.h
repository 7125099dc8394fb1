#pragma once

#include <QByteArray>
#include <QList>

// The names in an open directory ("." and ".." left out), read to the end before the caller changes
// anything in it: removing or adding entries while a listing runs may skip or repeat names.
// Returns 0 or the errno value.
int readEntryNames(int dirFd, QList<QByteArray> *names);
