#include "scan/ScanRules.h"

#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"

namespace {

struct KindKeys
{
    const QString &switchKey;
    const QString &extensionsKey;
};

const std::array<KindKeys, ScanRules::kinds.size()> kindKeys = {{
    {SettingsKeys::scanTypeDocument, SettingsKeys::documentTokens},
    {SettingsKeys::scanTypeMovie, SettingsKeys::movieTokens},
    {SettingsKeys::scanTypeMusic, SettingsKeys::musicTokens},
    {SettingsKeys::scanTypePicture, SettingsKeys::pictureTokens},
    {SettingsKeys::scanTypeArchive, SettingsKeys::archiveTokens},
}};

} // namespace

ScanRules ScanRules::fromSettings(const UserDefaults &defaults)
{
    ScanRules rules;
    rules.scansEveryKind = defaults.boolForKey(SettingsKeys::scanTypeAll);
    for (size_t kind = 0; kind < kinds.size(); ++kind) {
        rules.scansKind[kind] = defaults.boolForKey(kindKeys[kind].switchKey);
        rules.extensions[kind] =
            defaults.stringArrayForKey(kindKeys[kind].extensionsKey).value_or(QStringList());
    }
    if (defaults.boolForKey(SettingsKeys::onlyFileSize)) {
        // Single precision, as the setting has always been applied; 1.5 MiB is exactly 1,572,864 bytes.
        const float limitInBytes =
            float(defaults.doubleForKey(SettingsKeys::onlyFileSizeValue)) * 1024.0f * 1024.0f;
        // The store keeps the value within a range whose bytes fit.
        rules.minimumSize = limitInBytes > 0 ? quint64(limitInBytes) : 0;
    }
    // The size setting is in mebibytes; a file exactly that large counts as large.
    rules.preciseLevel = PreciseLevel(defaults.boolForKey(SettingsKeys::fastScanOption),
                                      defaults.integerForKey(SettingsKeys::fastScanSize) << 20);
    rules.thumbnails = defaults.boolForKey(SettingsKeys::createThumbnail);
    rules.usesFingerprintCache = defaults.boolForKey(SettingsKeys::useFingerprintCache);
    return rules;
}
