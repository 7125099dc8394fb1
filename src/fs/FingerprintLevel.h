#pragma once

#include <QtGlobal>

// How much of a file a fingerprint covers. The file-system service's own operations take the level
// as the number it has always been.
enum class FingerprintLevel : qint64 {
    // Five samples of 20 bytes; a small file whole.
    Quick = 0,
    // Five samples of 500 bytes; a small file whole.
    SampledPrecise = 1,
    // The whole content.
    WholeContent = 2,
};
