#pragma once

#include "model/PreciseLevel.h"

#include <QtGlobal>

#include <optional>

// The settings a scan applies, read at the moment of use: a change applies to the next file.
namespace ScanSettings {

// The level of precise fingerprints: sampled for large files when fast scanning is on.
PreciseLevel preciseLevel();
// The size below which files are ignored, when the minimum-size rule is on.
std::optional<quint64> minimumSize();

} // namespace ScanSettings
