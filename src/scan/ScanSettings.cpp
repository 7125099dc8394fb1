#include "scan/ScanSettings.h"

#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"

namespace ScanSettings {

PreciseLevel preciseLevel()
{
    const UserDefaults &defaults = UserDefaults::standard();
    // The size setting is in mebibytes; a file exactly that large counts as large.
    return PreciseLevel(defaults.boolForKey(SettingsKeys::fastScanOption),
                        defaults.integerForKey(SettingsKeys::fastScanSize) << 20);
}

std::optional<quint64> minimumSize()
{
    const UserDefaults &defaults = UserDefaults::standard();
    if (!defaults.boolForKey(SettingsKeys::onlyFileSize))
        return std::nullopt;
    // Single precision, as the setting has always been applied; 1.5 MiB is exactly 1,572,864 bytes.
    const float limitInBytes =
        float(defaults.doubleForKey(SettingsKeys::onlyFileSizeValue)) * 1024.0f * 1024.0f;
    // The store keeps the value within a range whose bytes fit.
    return limitInBytes > 0 ? quint64(limitInBytes) : 0;
}

} // namespace ScanSettings
