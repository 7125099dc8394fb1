#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

// The pieces of the JSON that reports are made of, written as one line: ", " between items and
// ": " after names. Strings are UTF-8; a byte of a name that is not valid UTF-8 is written as the
// escape \udcXX (a lone surrogate), so that a reader can recover the exact bytes (in Python,
// os.fsencode(text) after json.loads).
namespace ReportJson {

// A string literal of the bytes, quotes included.
QByteArray string(const QByteArray &bytes);
// A string literal of a text made from names, in which bytes that are not UTF-8 stand as lone
// surrogates (surrogateEscapedText); null for no text.
QByteArray optionalString(const std::optional<QString> &text);
QByteArray boolean(bool value);
// "\udcXX", the escape of a byte that is not UTF-8; reports of other formats take it too.
QByteArray byteEscape(uchar byte);

// "[item, item]", each item written by value(item).
template <typename Items, typename Value> QByteArray list(const Items &items, Value value)
{
    QByteArray out = "[";
    bool first = true;
    for (const auto &item : items) {
        out += (first ? "" : ", ") + value(item);
        first = false;
    }
    return out + ']';
}

// Names with their values, already written as JSON.
using Members = QList<std::pair<const char *, QByteArray>>;
// {"name": value, "name": value}
QByteArray object(const Members &members);

} // namespace ReportJson
