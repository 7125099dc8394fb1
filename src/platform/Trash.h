#pragma once

#include "platform/Error.h"
#include "platform/Url.h"

// The freedesktop.org Trash, so that any desktop's file manager can list and restore what TwinSift
// throws away.
//
// An item on the file system of the home trash ($XDG_DATA_HOME/Trash, by default
// ~/.local/share/Trash) goes there. An item on another file system goes to the trash at the top of its
// own mount: $topdir/.Trash/$uid when $topdir/.Trash is a real directory with the sticky bit, else
// $topdir/.Trash-$uid. Missing trash folders are created with mode 0700.
//
// An item is only ever renamed into a trash on its own file system: it is never copied across file
// systems and never deleted instead. When no trash can take it, moveToTrash() fails and the item stays.
//
// Each item gets info/NAME.trashinfo, written before the item moves and removed again if the move
// fails. NAME is the item's own name; when that is taken in the trash, a counter goes before the
// extension ("photo.jpg", "photo_1.jpg", "photo_2.jpg", ...), as in TwinSift's free names elsewhere,
// except that a leading dot does not start an extension (".bashrc", ".bashrc_1", ...). Names too long
// to carry the ".trashinfo" suffix are shortened.
namespace Trash {

// Moves the item (a final symbolic link is moved, not followed) into the trash of its file system.
// Returns the reason when the item could not be trashed; the item is then untouched.
MaybeError moveToTrash(const Url &item);
// The same for an item that was renamed to a private name in its folder just before, so that the
// trash lists it under the name it had: shownAs names the same folder. *trashedAs is where it went.
MaybeError moveToTrash(const Url &item, const Url &shownAs, Url *trashedAs = nullptr);
// Forgets an item taken back out of the trash: its info file goes, so that file managers no longer
// list it.
void forget(const Url &trashedItem);

} // namespace Trash
