#pragma once

#include <QtGlobal>

// Length of the well-formed UTF-8 sequence that starts at `bytes` (with `available` bytes left), or
// 0 when the byte there does not start one (stray continuation bytes, overlong forms, surrogates,
// values past U+10FFFF, cut-off sequences).
int utf8SequenceLength(const char *bytes, qsizetype available);
