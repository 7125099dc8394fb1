#include "browser/ReportJson.h"

#include "platform/Utf8.h"

namespace ReportJson {

namespace {

// "\u00XX" and the like: a prefix and the byte's two lower-case hex digits.
QByteArray escape(const char *prefix, uchar byte)
{
    return prefix + QByteArray::number(byte, 16).rightJustified(2, '0');
}

} // namespace

QByteArray string(const QByteArray &bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + 2);
    out += '"';
    for (qsizetype i = 0; i < bytes.size();) {
        const char c = bytes[i];
        const int length = utf8SequenceLength(bytes.constData() + i, bytes.size() - i);
        if (length == 0) {
            out += byteEscape(uchar(c));
            ++i;
            continue;
        }
        if (length == 1) {
            switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (uchar(c) < 0x20)
                    out += escape("\\u00", uchar(c));
                else
                    out += c;
            }
        } else {
            out.append(bytes.constData() + i, length);
        }
        i += length;
    }
    out += '"';
    return out;
}

QByteArray optionalString(const std::optional<QString> &text)
{
    return text ? string(surrogateEscapedBytes(*text)) : QByteArrayLiteral("null");
}

QByteArray byteEscape(uchar byte)
{
    return escape("\\udc", byte);
}

QByteArray boolean(bool value)
{
    return value ? QByteArrayLiteral("true") : QByteArrayLiteral("false");
}

QByteArray object(const Members &members)
{
    QByteArray out = "{";
    for (const auto &[name, value] : members)
        out += (out.size() > 1 ? ", \"" : "\"") + QByteArray(name) + "\": " + value;
    return out + '}';
}

} // namespace ReportJson
