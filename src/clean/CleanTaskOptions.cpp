#include "clean/CleanTaskOptions.h"

#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"

CleanTaskOptions CleanTaskOptions::fromSettings(const QStringList &extensions)
{
    const UserDefaults &defaults = UserDefaults::standard();
    CleanTaskOptions options;
    options.moveMode = defaults.integerForKey(SettingsKeys::moveToTrash);
    options.folderRuleOn = defaults.boolForKey(SettingsKeys::cleanFolderCheckbox);
    options.dateRuleOn = defaults.boolForKey(SettingsKeys::cleanDateCheckbox);
    options.typeRuleOn = defaults.boolForKey(SettingsKeys::cleanTypeCheckbox);
    if (options.folderRuleOn)
        options.folderIndex = defaults.integerForKey(SettingsKeys::cleanFolder);
    if (options.dateRuleOn)
        options.dateOrder = defaults.integerForKey(SettingsKeys::cleanDate);
    if (options.typeRuleOn) {
        const quint64 position = quint64(defaults.integerForKey(SettingsKeys::cleanType));
        if (position < quint64(extensions.size()))
            options.typeExtension = extensions[qsizetype(position)];
    }
    return options;
}
