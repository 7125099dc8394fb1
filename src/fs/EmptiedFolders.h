#pragma once

#include "platform/Url.h"

// Whether a clean-up may take dir away as empty: a real folder (not a link to one) that could be listed
// and holds nothing but ".DS_Store". A folder that cannot be listed may hold anything, so it stays.
bool holdsNothingButDsStore(const Url &dir);

// Takes away dir and each ancestor it leaves empty, until a folder still holds something or a removal
// fails. Failures end the climb silently: the removal that started it has already succeeded.
void removeEmptiedFolders(Url dir, bool toTrash);
