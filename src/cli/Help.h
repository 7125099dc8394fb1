#pragma once

#include <QByteArray>

// The help texts of twinsift-cli: the whole of it for `twinsift-cli --help`, and the part of one
// command for `twinsift-cli COMMAND --help`.
namespace Help {

QByteArray usage();
// The usage line and the section of the command ("fingerprint", "scan" or "clean").
QByteArray ofCommand(const QByteArray &command);

// Writes the text on standard output; returns the exit status (2 when it could not be written).
int print(const QByteArray &text);

} // namespace Help
