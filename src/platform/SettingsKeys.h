#pragma once

#include <QString>
#include <QVariantMap>

#include <limits>
#include <optional>

// The names of every setting TwinSift stores, with their registered defaults.
namespace SettingsKeys {

inline const QString cleanFolderCheckbox = QStringLiteral("CLEAN_FILE_SELECTION_FOLDER_CHECKBOX_KEY");
inline const QString cleanDateCheckbox = QStringLiteral("CLEAN_FILE_SELECTION_DATE_CHECKBOX_KEY");
inline const QString cleanTypeCheckbox = QStringLiteral("CLEAN_FILE_SELECTION_TYPE_CHECKBOX_KEY");
inline const QString cleanFolder = QStringLiteral("CLEAN_FILE_SELECTION_FOLDER_KEY");
inline const QString cleanType = QStringLiteral("CLEAN_FILE_SELECTION_TYPE_KEY");
inline const QString cleanDate = QStringLiteral("CLEAN_FILE_SELECTION_DATE_KEY");
inline const QString moveToTrash = QStringLiteral("MOVE_TO_TRASH_KEY");
inline const QString appLaunchTimes = QStringLiteral("APP_LAUNCH_TIMES_KEY");
inline const QString showedRatePanel = QStringLiteral("SHOWED_RATE_PANEL_KEY");
inline const QString createThumbnail = QStringLiteral("CREATE_THUMBNAIL_FOR_IMAGE_KEY");
inline const QString fastScanOption = QStringLiteral("FAST_SCAN_OPTION_KEY");
inline const QString fastScanSize = QStringLiteral("FAST_SCAN_SIZE_KEY");
inline const QString onlyFileSize = QStringLiteral("ONLY_FILE_SIZE_KEY");
inline const QString onlyFileSizeValue = QStringLiteral("ONLY_FILE_SIZE_VALUE_KEY");
inline const QString scanTypeAll = QStringLiteral("SCAN_FILE_TYPE_ALL");
inline const QString scanTypeMovie = QStringLiteral("SCAN_FILE_TYPE_MOVIE");
inline const QString scanTypeMusic = QStringLiteral("SCAN_FILE_TYPE_MUSIC");
inline const QString scanTypeDocument = QStringLiteral("SCAN_FILE_TYPE_DOCUMENT");
inline const QString scanTypePicture = QStringLiteral("SCAN_FILE_TYPE_PIC");
inline const QString scanTypeArchive = QStringLiteral("SCAN_FILE_TYPE_ARCHIVE");
// Whether scans remember fingerprints between runs.
inline const QString useFingerprintCache = QStringLiteral("USE_FINGERPRINT_CACHE_KEY");
// Extra extensions per category; these have no registered default.
inline const QString documentTokens = QStringLiteral("SCAN_FILE_TYPE_DOCUMENT_TOKEN");
inline const QString movieTokens = QStringLiteral("SCAN_FILE_TYPE_MOVIE_TOKEN");
inline const QString musicTokens = QStringLiteral("SCAN_FILE_TYPE_MUSIC_TOKEN");
inline const QString pictureTokens = QStringLiteral("SCAN_FILE_TYPE_PIC_TOKEN");
inline const QString archiveTokens = QStringLiteral("SCAN_FILE_TYPE_ARCHIEVE_TOKEN");

// The main window's size and the positions of its dividers and columns, kept between runs; no
// registered default.
inline const QString mainWindowGeometry = QStringLiteral("MainWindow/geometry");
inline const QString mainWindowSplitter = QStringLiteral("MainWindow/splitter");
inline const QString duplicateListColumns = QStringLiteral("MainWindow/duplicateListColumns");

// The registered defaults of the first twenty-one keys, with their types (booleans, integers, and one
// floating-point number).
QVariantMap registeredDefaults();
// Registers them with the process's settings store (nothing is stored): the first step of every
// program that reads the settings.
void registerDefaults();

// The largest sizes in mebibytes that the size settings take: their count of bytes must fit in a signed
// 64-bit integer (2^43 - 1 MiB), and for the minimum size in the single-precision arithmetic it is
// applied with (2^43 MiB, 2^63 bytes, more than any file holds).
inline constexpr qint64 maxFastScanSizeMiB = std::numeric_limits<qint64>::max() >> 20;
inline constexpr double maxMinimumSizeMiB = 8796093022208.0;

// The values a number setting may hold. A stored value outside them counts as absent, so that a
// damaged settings file cannot turn comparisons into sampling or overflow a size.
struct NumberRange
{
    double minimum;
    double maximum;
};
std::optional<NumberRange> validRange(const QString &key);

} // namespace SettingsKeys
