#pragma once

#include <QByteArray>
#include <QString>

// Names as reports and the command-line tool show them. A name may hold any byte but "/" and NUL, and
// a newline or an escape sequence in it could forge lines of a report or take over a terminal.
namespace ShellQuoting {

// Whether the bytes hold a control character: C0, DEL or C1, the latter as UTF-8 or as a raw byte
// 0x80 to 0x9F (a C1 control in 8-bit encodings).
bool hasControlCharacter(const QByteArray &bytes);

// The bytes as one shell word, in the style of GNU ls --quoting-style=shell-escape: printable text in
// single quotes, everything else ($'\n', $'\033', bytes that are not UTF-8) as $'...' escapes.
QByteArray quoted(const QByteArray &bytes);

// The bytes as they are when they hold no control character, else quoted(). A path shown as it is
// starts with "/", a quoted one with "'" or "$", so the two never look alike.
QByteArray shown(const QByteArray &bytes);

// The text with every control character replaced by "?", for a line drawn on a terminal.
QString terminalSafe(const QString &text);

} // namespace ShellQuoting
