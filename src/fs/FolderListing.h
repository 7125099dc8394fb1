#pragma once

#include "fs/Directory.h"
#include "fs/FileAttributes.h"
#include "fs/FileId.h"
#include "platform/Url.h"

#include <QList>
#include <QString>

#include <memory>

// An item a walk could not look at, with the reason for people ("cannot open folder: Permission denied").
struct SkippedItem
{
    Url url;
    QString reason;
};

// One folder of a walk and the attributes of its entries, read through descriptors: the folder is
// opened from the folder that listed it (the top of a walk by its path), never through a link, and
// must still be the folder listed; its entries are looked at through it. A folder swapped for a link
// or for another folder meanwhile only vanishes from the walk; nothing outside is reached.
struct FolderListing
{
    struct Entry
    {
        Url url;
        FileAttributes attributes;
    };

    // The open folder, from which its subfolders are opened in turn; null when it could not be read.
    std::shared_ptr<const Directory> folder;
    // In listing order. Entries whose paths would pass PATH_MAX are left out: nothing could reach them
    // by their paths later, neither their content nor the clean task.
    QList<Entry> entries;
    // What could not be looked at: the folder itself, or entries of it. Items that vanished meanwhile
    // are not among them.
    QList<SkippedItem> skipped;

    static FolderListing read(const Url &url, const FileId &listed,
                              const std::shared_ptr<const Directory> &parent);
};
