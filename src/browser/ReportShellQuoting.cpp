#include "browser/ReportShellQuoting.h"

#include "platform/Utf8.h"

#include <algorithm>

namespace ShellQuoting {

namespace {

bool isControl(uint codePoint)
{
    return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F);
}

// Whether the UTF-8 sequence of the given length (0 for a byte that starts none) is a control
// character. C1 controls are the two-byte sequences C2 80 to C2 9F.
bool isControlSequence(const char *bytes, int length)
{
    const auto first = uchar(bytes[0]);
    if (length <= 1)
        return isControl(first);
    return length == 2 && first == 0xC2 && uchar(bytes[1]) <= 0x9F;
}

// $'...' escape text for one byte: the C names where the shell has them, else three octal digits.
QByteArray escapeOf(uchar byte)
{
    switch (byte) {
    case '\a':
        return "\\a";
    case '\b':
        return "\\b";
    case '\t':
        return "\\t";
    case '\n':
        return "\\n";
    case '\v':
        return "\\v";
    case '\f':
        return "\\f";
    case '\r':
        return "\\r";
    default:
        return '\\' + QByteArray::number(byte, 8).rightJustified(3, '0');
    }
}

} // namespace

bool hasControlCharacter(const QByteArray &bytes)
{
    for (qsizetype i = 0; i < bytes.size();) {
        const int length = utf8SequenceLength(bytes.constData() + i, bytes.size() - i);
        if (isControlSequence(bytes.constData() + i, length))
            return true;
        i += std::max(length, 1);
    }
    return false;
}

QByteArray quoted(const QByteArray &bytes)
{
    QByteArray out = "'";
    bool inEscapes = false;
    for (qsizetype i = 0; i < bytes.size();) {
        const int length = utf8SequenceLength(bytes.constData() + i, bytes.size() - i);
        const bool printable = length > 0 && !isControlSequence(bytes.constData() + i, length);
        if (!printable) {
            if (!inEscapes)
                out += "'$'";
            inEscapes = true;
            for (int b = 0; b < std::max(length, 1); ++b)
                out += escapeOf(uchar(bytes[i + b]));
        } else if (bytes[i] == '\'') {
            // Closes the quotes (either kind), adds an escaped quote, and opens plain quotes again.
            out += "'\\''";
            inEscapes = false;
        } else {
            if (inEscapes)
                out += "''";
            inEscapes = false;
            out.append(bytes.constData() + i, length);
        }
        i += std::max(length, 1);
    }
    return out + '\'';
}

QByteArray shown(const QByteArray &bytes)
{
    return hasControlCharacter(bytes) ? quoted(bytes) : bytes;
}

QString terminalSafe(const QString &text)
{
    QString safe = text;
    for (QChar &c : safe) {
        if (isControl(c.unicode()))
            c = QLatin1Char('?');
    }
    return safe;
}

} // namespace ShellQuoting
