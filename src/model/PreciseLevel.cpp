#include "model/PreciseLevel.h"

#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"

PreciseLevel PreciseLevel::fromSettings()
{
    const UserDefaults &defaults = UserDefaults::standard();
    // The size setting is in mebibytes; a file exactly that large counts as large.
    return PreciseLevel(defaults.boolForKey(SettingsKeys::fastScanOption),
                        defaults.integerForKey(SettingsKeys::fastScanSize) << 20);
}
