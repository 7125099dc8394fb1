#include "clean/CleanTaskOptions.h"

#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"

CleanTaskOptions CleanTaskOptions::fromSettings(const UserDefaults &defaults, const QStringList &extensions)
{
    CleanTaskOptions options;
    // The store holds only the modes' numbers: any other value reads as the registered default.
    const qint64 mode = defaults.integerForKey(SettingsKeys::moveToTrash);
    options.moveMode = mode == 1 ? Mode::Move : mode == 2 ? Mode::Trash : Mode::Delete;
    const qint64 replacing = defaults.integerForKey(replaceModeKey);
    if (replacing == 1 || replacing == 2)
        options.moveMode = replacing == 1 ? Mode::HardLink : Mode::Reflink;
    options.folderRuleOn = defaults.boolForKey(SettingsKeys::cleanFolderCheckbox);
    options.dateRuleOn = defaults.boolForKey(SettingsKeys::cleanDateCheckbox);
    options.typeRuleOn = defaults.boolForKey(SettingsKeys::cleanTypeCheckbox);
    if (options.folderRuleOn)
        options.folderIndex = defaults.integerForKey(SettingsKeys::cleanFolder);
    if (options.dateRuleOn) {
        const qint64 order = defaults.integerForKey(SettingsKeys::cleanDate);
        options.dateOrder = order == 0   ? DateOrder::OldestFirst
                            : order == 1 ? DateOrder::NewestFirst
                                         : DateOrder::Unknown;
    }
    if (options.typeRuleOn) {
        const quint64 position = quint64(defaults.integerForKey(SettingsKeys::cleanType));
        if (position < quint64(extensions.size()))
            options.typeExtension = extensions[qsizetype(position)];
    }
    return options;
}
