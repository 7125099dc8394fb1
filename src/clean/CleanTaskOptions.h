#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The choices of one clean task, read from the settings when it starts and handed unchanged to the
// task: later changes of the settings do not affect a running task.
struct CleanTaskOptions
{
    // 0: delete the chosen files; 1: move them into the destination folder.
    qint64 moveMode = 0;
    // Remove only files of the source at this position of the source list.
    bool folderRuleOn = false;
    qint64 folderIndex = 0;
    // Take each group's files oldest first (0), so the newest stays, or newest first (1); any other
    // order leaves every group alone.
    bool dateRuleOn = true;
    qint64 dateOrder = 1;
    // Remove only files of this extension; with the rule on and no extension, nothing is removed.
    bool typeRuleOn = false;
    std::optional<QString> typeExtension;

    // The stored choices; the type rule's extension is picked from the shown groups' extensions.
    static CleanTaskOptions fromSettings(const QStringList &extensions);
};
