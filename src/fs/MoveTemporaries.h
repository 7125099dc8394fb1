#pragma once

#include "platform/UniqueFd.h"

#include <QByteArray>

#include <optional>

// The hidden items under which a move across file systems makes its copy, next to its final name.
//
// A mover holds an exclusive flock on its temporary for as long as the item carries the temporary
// name, so a temporary whose lock can be taken at once was left by a mover that died (two Ctrl-C,
// kill -9) and can go; one that a live mover, in any process, is still making never does.
struct MoveTemporary
{
    QByteArray name;
    UniqueFd fd; // holds the lock: open for writing on a file, open on a folder
};

// Makes an empty file or folder (0600, 0700) under a new temporary name in dirFd, locked. Returns no
// value and sets *error to the errno value when it cannot.
std::optional<MoveTemporary> createMoveTemporary(int dirFd, bool folder, int *error);

// Removes the temporaries that dead movers left in dirFd. The first move into a folder does this; the
// later ones of the same process do not, as only a mover killed meanwhile can have left one, and
// listing a folder that fills with thousands of moved files at every move would cost more than it
// finds.
void removeStaleMoveTemporaries(int dirFd);

// Removes the entry `name` of dirFd and everything it holds, as far as it can, without following links
// and without entering another file system: a mount inside stays, and so do the folders above it.
void removeWithinFileSystem(int dirFd, const QByteArray &name);
