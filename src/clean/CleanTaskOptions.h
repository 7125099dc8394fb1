#pragma once

#include "model/ProtectedFolders.h"

#include <QString>
#include <QStringList>

#include <optional>

class UserDefaults;

// The choices of one clean task, handed unchanged to the task: later changes of the settings do not
// affect a running task.
struct CleanTaskOptions
{
    enum class Mode {
        Delete,
        // Into the destination folder.
        Move,
        // Into the freedesktop trash of each file's volume.
        Trash,
    };
    // The order in which a group's files are considered for removal, which decides the one that stays.
    enum class DateOrder {
        // Oldest first: the newest stays.
        OldestFirst,
        // Newest first: the oldest stays.
        NewestFirst,
        // An order the task does not know: it leaves every group alone.
        Unknown,
    };

    Mode moveMode = Mode::Delete;
    // Remove only files of the source at this position of the source list.
    bool folderRuleOn = false;
    qint64 folderIndex = 0;
    bool dateRuleOn = true;
    DateOrder dateOrder = DateOrder::NewestFirst;
    // Remove only files of this extension; with the rule on and no extension, nothing is removed.
    bool typeRuleOn = false;
    std::optional<QString> typeExtension;
    // Nothing in these folders goes, by any mode.
    ProtectedFolders protection;

    friend bool operator==(const CleanTaskOptions &, const CleanTaskOptions &) = default;

    // The choices the settings store holds; the type rule's extension is picked from the shown groups'
    // extensions by its stored position.
    static CleanTaskOptions fromSettings(const UserDefaults &defaults, const QStringList &extensions);
};
