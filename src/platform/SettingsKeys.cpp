#include "platform/SettingsKeys.h"

#include "platform/UserDefaults.h"

namespace SettingsKeys {

QVariantMap registeredDefaults()
{
    return {
        {cleanFolderCheckbox, false}, {cleanDateCheckbox, true},   {cleanTypeCheckbox, false},
        {cleanFolder, qint64(0)},     {cleanType, qint64(0)},      {cleanDate, qint64(0)},
        {moveToTrash, qint64(0)},     {appLaunchTimes, qint64(0)}, {showedRatePanel, false},
        {createThumbnail, true},      {fastScanOption, true},      {fastScanSize, qint64(20)},
        {onlyFileSize, false},        {onlyFileSizeValue, 0.0},    {scanTypeAll, true},
        {scanTypeMovie, false},       {scanTypeMusic, false},      {scanTypeDocument, false},
        {scanTypePicture, false},     {scanTypeArchive, false},    {useFingerprintCache, true},
    };
}

void registerDefaults()
{
    UserDefaults::standard().registerDefaults(registeredDefaults());
}

std::optional<NumberRange> validRange(const QString &key)
{
    // The clean-up modes are delete (0), move (1) and trash (2): any other stored value must not pick
    // one unseen.
    if (key == moveToTrash)
        return NumberRange{0, 2};
    if (key == fastScanSize)
        return NumberRange{0, double(maxFastScanSizeMiB)};
    if (key == onlyFileSizeValue)
        return NumberRange{0, maxMinimumSizeMiB};
    return std::nullopt;
}

} // namespace SettingsKeys
