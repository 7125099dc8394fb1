#pragma once

#include <QByteArray>
#include <QString>

// Length of the well-formed UTF-8 sequence that starts at `bytes` (with `available` bytes left), or
// 0 when the byte there does not start one (stray continuation bytes, overlong forms, surrogates,
// values past U+10FFFF, cut-off sequences).
int utf8SequenceLength(const char *bytes, qsizetype available);

// Bytes as text without loss, as Python's "surrogateescape" does: valid UTF-8 decodes as usual and every
// other byte b becomes the lone surrogate U+DC00 + b. surrogateEscapedBytes() gives the bytes back.
QString surrogateEscapedText(const QByteArray &bytes);
QByteArray surrogateEscapedBytes(const QString &text);
