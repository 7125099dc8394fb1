#include "app/ApplicationLifecycle.h"

#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"

#include <unistd.h>

namespace ApplicationLifecycle {

void shutDown()
{
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setBool(false, SettingsKeys::cleanFolderCheckbox);
    defaults.setBool(false, SettingsKeys::cleanTypeCheckbox);
    defaults.synchronize();
    ::sync();
}

} // namespace ApplicationLifecycle
